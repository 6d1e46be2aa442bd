#include "connectionlist/CloseOffer.h"

namespace connectionlist {

CloseOffer closeOffer(const ConnectionRow* row, const os::ConnectionClosing& closing, bool groupRow) {
    const auto refuse = [](const QString& reason) { return CloseOffer{false, reason}; };
    if (groupRow)
        return refuse(QStringLiteral("A program's row stands for all its connections: open it and "
                                     "choose one connection."));
    if (!row)
        return refuse(QStringLiteral("Choose a connection in the list first."));
    if (row->isGone())
        return refuse(QStringLiteral("This connection has gone since the last refresh."));
    if (row->key.udp)
        return refuse(QStringLiteral("A UDP endpoint has no connection to close."));
    if (row->state == os::TcpListen)
        return refuse(QStringLiteral("A listening port is no connection: only an established TCP "
                                     "connection can be closed."));
    if (row->state != os::TcpEstablished)
        return refuse(QStringLiteral("Only an established TCP connection can be closed; this one is %1.")
                          .arg(row->stateText));
    if (!row->trafficEnds)
        return refuse(QStringLiteral("This connection's addresses are not known in numbers."));
    if (!closing.available)
        return refuse(closing.unavailableReason);
    if (row->trafficEnds->ipv6 && !closing.ipv6)
        return refuse(closing.ipv6Reason);
    return {true, {}};
}

} // namespace connectionlist
