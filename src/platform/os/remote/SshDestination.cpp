#include "platform/os/remote/SshDestination.h"

namespace os::remote {

namespace {

// Longer than any host name the resolver takes, with room for a user and a port.
constexpr qsizetype DestinationLimit = 320;

bool splitsOrControls(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
           c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
}

DestinationCheck refuse(const QString& why) {
    return {std::nullopt, why};
}

} // namespace

QString SshDestination::written() const {
    QString text = user.isEmpty() ? QString() : user + QLatin1Char('@');
    const bool bracketed = port && host.contains(QLatin1Char(':'));
    text += bracketed ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (port)
        text += QLatin1Char(':') + QString::number(*port);
    return text;
}

DestinationCheck readDestination(const QString& text) {
    if (text.isEmpty())
        return refuse(QStringLiteral("the host is empty"));
    if (text.size() > DestinationLimit)
        return refuse(QStringLiteral("the destination is longer than %1 characters").arg(DestinationLimit));
    for (QChar c : text)
        if (splitsOrControls(c))
            return refuse(QStringLiteral("the destination holds a space or a control character"));
    if (text.startsWith(QLatin1Char('-')))
        return refuse(QStringLiteral("the destination begins with \"-\""));

    SshDestination destination;
    QString rest = text;
    // The last "@" ends the user: ssh reads it so, and a host name has none.
    if (const qsizetype at = rest.lastIndexOf(QLatin1Char('@')); at >= 0) {
        destination.user = rest.left(at);
        rest = rest.mid(at + 1);
        if (destination.user.isEmpty())
            return refuse(QStringLiteral("the user before \"@\" is empty"));
        if (destination.user.startsWith(QLatin1Char('-')))
            return refuse(QStringLiteral("the user begins with \"-\""));
    }
    QString portText;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return refuse(QStringLiteral("the \"[\" before the address has no \"]\""));
        destination.host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':')))
            return refuse(QStringLiteral("only \":port\" may follow the \"]\""));
        portText = after.mid(1);
        if (after == QLatin1String(":"))
            return refuse(QStringLiteral("the port after \":\" is empty"));
    } else if (rest.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        destination.host = rest.left(colon);
        portText = rest.mid(colon + 1);
        if (portText.isEmpty())
            return refuse(QStringLiteral("the port after \":\" is empty"));
    } else {
        // No colon, or an IPv6 address without a port (several colons).
        destination.host = rest;
    }
    if (destination.host.isEmpty())
        return refuse(QStringLiteral("the host is empty"));
    if (destination.host.startsWith(QLatin1Char('-')))
        return refuse(QStringLiteral("the host begins with \"-\""));
    if (destination.host.contains(QLatin1Char('@')) || destination.host.contains(QLatin1Char('[')) ||
        destination.host.contains(QLatin1Char(']')))
        return refuse(QStringLiteral("the host \"%1\" is no host name or address").arg(destination.host));
    if (!portText.isNull()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok, 10);
        // toUInt lets a sign through; a port is digits only.
        if (!ok || port < 1 || port > 65535 || !portText.front().isDigit())
            return refuse(QStringLiteral("the port \"%1\" is no number from 1 to 65535").arg(portText));
        destination.port = std::uint16_t(port);
    }
    return {destination, {}};
}

} // namespace os::remote
