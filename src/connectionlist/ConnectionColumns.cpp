#include "connectionlist/ConnectionColumns.h"

#include "platform/widgets/ListRoles.h"

namespace connectionlist {
namespace {

qint64 numberOr(const std::optional<std::uint16_t>& value) {
    return value ? qint64(*value) : -1;
}

// A rate before the connection's second sample, and every figure of a gone row, shows nothing.
std::optional<double> rateOf(const ConnectionRow& row, std::optional<double> ConnectionTraffic::*rate) {
    if (row.isGone() || !row.traffic)
        return std::nullopt;
    return (*row.traffic).*rate;
}

QString rateText(const std::optional<double>& rate) {
    return rate ? bytesPerSecondText(*rate) : QString();
}

// An empty cell sorts as 0: below every figure when the largest are on top. A gone row is
// no busier than any live one, and keeps below them.
SortValue rateValue(const ConnectionRow& row, std::optional<double> ConnectionTraffic::*rate) {
    const std::optional<double> figure = rateOf(row, rate);
    return {figure ? qRound64(*figure) : 0, {}, row.isGone()};
}

// A connection's bytes so far; nothing before its first sample and for a gone row.
SortValue totalValue(const ConnectionRow& row, std::uint64_t os::TrafficFigures::*total) {
    return {row.isGone() || !row.traffic ? 0 : qint64(row.traffic->totals.*total), {}, row.isGone()};
}

QString totalText(const ConnectionRow& row, std::uint64_t os::TrafficFigures::*total) {
    return row.isGone() || !row.traffic ? QString() : bytesText(double(row.traffic->totals.*total));
}

const QString UnreadableCommandLine = QStringLiteral("(not readable)");

} // namespace

// Adding a column is one entry here and one name in Column.
const std::array<ColumnDescriptor, ColumnCount>& columns() {
    static const std::array<ColumnDescriptor, ColumnCount> table = {{
        {Column::File, "File", 3529, Qt::AlignLeft, true, SortKind::Text,
         [](const ConnectionRow& row) { return row.fileName; },
         [](const ConnectionRow& row) { return SortValue{-1, row.fileName}; }},
        {Column::LocalPort, "Local Port", 1834, Qt::AlignHCenter, true, SortKind::Number,
         [](const ConnectionRow& row) { return row.localPortText; },
         [](const ConnectionRow& row) { return SortValue{numberOr(row.localPort), row.localPortText}; }},
        {Column::RemoteHost, "Remote Host", 5292, Qt::AlignLeft, true, SortKind::Text,
         [](const ConnectionRow& row) { return row.remoteHost; },
         [](const ConnectionRow& row) { return SortValue{-1, row.remoteHost}; }},
        {Column::RemotePort, "Remote Port", 2363, Qt::AlignHCenter, true, SortKind::Number,
         [](const ConnectionRow& row) { return row.remotePortText; },
         [](const ConnectionRow& row) { return SortValue{numberOr(row.remotePort), row.remotePortText}; }},
        {Column::Status, "Status", 2823, Qt::AlignHCenter, true, SortKind::Text,
         [](const ConnectionRow& row) { return row.stateText; },
         [](const ConnectionRow& row) { return SortValue{-1, row.stateText}; }},
        {Column::FilePath, "File Path", 7056, Qt::AlignLeft, true, SortKind::Text,
         [](const ConnectionRow& row) { return row.shownPath; },
         [](const ConnectionRow& row) { return SortValue{-1, row.shownPath}; }},
        {Column::Pid, "PID", 1834, Qt::AlignRight, false, SortKind::Number,
         [](const ConnectionRow& row) { return row.processId > 0 ? QString::number(row.processId) : QString(); },
         [](const ConnectionRow& row) { return SortValue{row.processId, {}}; }},
        {Column::User, "User", 2363, Qt::AlignLeft, false, SortKind::Text,
         [](const ConnectionRow& row) { return row.user; },
         [](const ConnectionRow& row) { return SortValue{-1, row.user}; }},
        {Column::LocalAddress, "Local Address", 3529, Qt::AlignLeft, false, SortKind::Text,
         [](const ConnectionRow& row) { return row.localAddressText; },
         [](const ConnectionRow& row) { return SortValue{-1, row.localAddressText}; }},
        {Column::Protocol, "Protocol", 1834, Qt::AlignHCenter, false, SortKind::Text,
         [](const ConnectionRow& row) { return row.protocol; },
         [](const ConnectionRow& row) { return SortValue{-1, row.protocol}; }},
        {Column::Sent, "Sent/s", 2434, Qt::AlignRight, false, SortKind::Figure,
         [](const ConnectionRow& row) { return rateText(rateOf(row, &ConnectionTraffic::sentPerSecond)); },
         [](const ConnectionRow& row) { return rateValue(row, &ConnectionTraffic::sentPerSecond); }},
        {Column::Received, "Received/s", 2434, Qt::AlignRight, false, SortKind::Figure,
         [](const ConnectionRow& row) { return rateText(rateOf(row, &ConnectionTraffic::receivedPerSecond)); },
         [](const ConnectionRow& row) { return rateValue(row, &ConnectionTraffic::receivedPerSecond); }},
        {Column::RoundTrip, "RTT", 1587, Qt::AlignRight, false, SortKind::Figure,
         [](const ConnectionRow& row) {
             return row.isGone() || !row.traffic ? QString() : roundTripText(row.traffic->totals.roundTripMicroseconds);
         },
         [](const ConnectionRow& row) {
             return SortValue{row.isGone() || !row.traffic ? 0 : qint64(row.traffic->totals.roundTripMicroseconds), {},
                              row.isGone()};
         }},
        {Column::CommandLine, "Command Line", 7056, Qt::AlignLeft, false, SortKind::Text,
         [](const ConnectionRow& row) { return row.commandLine.value_or(UnreadableCommandLine); },
         [](const ConnectionRow& row) { return SortValue{-1, row.commandLine.value_or(QString())}; }},
        {Column::Service, "Service", 3529, Qt::AlignLeft, false, SortKind::Text,
         [](const ConnectionRow& row) { return row.service; },
         [](const ConnectionRow& row) { return SortValue{-1, row.service}; },
         [](const ConnectionRow& row) { return row.serviceDetail.isEmpty() ? row.service : row.serviceDetail; }},
        {Column::Namespace, "Namespace", 3529, Qt::AlignLeft, false, SortKind::Text,
         [](const ConnectionRow& row) { return row.netNamespace; },
         [](const ConnectionRow& row) { return SortValue{-1, row.netNamespace}; }},
        // A connection is one; only a program's row counts its connections.
        {Column::Connections, "Connections", 2117, Qt::AlignRight, false, SortKind::Figure,
         [](const ConnectionRow&) { return QString(); }, [](const ConnectionRow&) { return SortValue{0, {}}; }},
        {Column::SentTotal, "Sent", 2434, Qt::AlignRight, false, SortKind::Figure,
         [](const ConnectionRow& row) { return totalText(row, &os::TrafficFigures::bytesSent); },
         [](const ConnectionRow& row) { return totalValue(row, &os::TrafficFigures::bytesSent); }},
        {Column::ReceivedTotal, "Received", 2434, Qt::AlignRight, false, SortKind::Figure,
         [](const ConnectionRow& row) { return totalText(row, &os::TrafficFigures::bytesReceived); },
         [](const ConnectionRow& row) { return totalValue(row, &os::TrafficFigures::bytesReceived); }},
    }};
    return table;
}

int compareSortValues(const SortValue& left, const SortValue& right, Qt::SortOrder order) {
    if (left.last != right.last) {
        // The sort turns this around for a descending order: answer so that the one marked
        // last lands below in either.
        const bool leftFirst = (order == Qt::AscendingOrder) == right.last;
        return leftFirst ? -1 : 1;
    }
    return widgets::textCompare(left.text, left.number, right.text, right.number);
}

} // namespace connectionlist
