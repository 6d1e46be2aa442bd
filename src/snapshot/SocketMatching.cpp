#include "snapshot/SocketMatching.h"

#include "platform/os/Backend.h"
#include "snapshot/TrafficRates.h"

#include <QHash>

namespace {

// Protocol, local end and remote port: what a line and its socket share, whatever name the
// line shows for the remote host. Formatted into a text, thirty thousand keys cost a refresh
// more than the kernel's dump itself. A UDP line shows no peer ("*:*") while a connected UDP
// socket has one: UDP is matched by its local end alone.
struct SocketKey {
    bool udp = false;
    std::uint16_t localPort = 0, remotePort = 0;
    QString localAddress;
    bool operator==(const SocketKey&) const = default;
};

size_t qHash(const SocketKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.udp, key.localPort, key.remotePort, key.localAddress);
}

// The address without a link-local zone: the kernel's list writes none.
QString withoutZone(const QString& address) {
    const qsizetype zone = address.indexOf(QLatin1Char('%'));
    return zone < 0 ? address : address.left(zone);
}

std::optional<SocketKey> keyOf(const ConnectionRecord& record, const PortOfName& portOfName) {
    const bool udp = record.Protocol == QLatin1String("UDP");
    const std::optional<std::uint16_t> local = portNumber(record.LocalPort, portOfName);
    const std::optional<std::uint16_t> remote = udp ? std::optional<std::uint16_t>(0)
                                                    : portNumber(record.RemotePort, portOfName);
    if (!local || !remote)
        return std::nullopt;
    return SocketKey{udp, *local, *remote, withoutZone(record.LocalHost)};
}

// The remote addresses of the sockets that share a key: more than one when connections to
// several peers share a local end and both ports.
using RemoteAddresses = QList<QString>;

// A UDP endpoint's remote side is "*": there is none to learn.
bool hasNoRemote(const ConnectionRecord& record) {
    return record.RemoteHost == QLatin1String("*");
}

// The record's own remote address among its sockets': the one it shows, when one of them has
// it; else the only one they have. Never one found by looking the shown name up: whoever
// answers for a name may give any address for it.
QString remoteAddressAmong(const ConnectionRecord& record, const RemoteAddresses& candidates) {
    const bool numeric = isNumericAddress(record.RemoteHost);
    if (candidates.isEmpty())
        return numeric ? record.RemoteHost : QString();
    if (numeric && (candidates.contains(record.RemoteHost) || candidates.contains(withoutZone(record.RemoteHost))))
        return record.RemoteHost;
    // A shown address that no socket has is a name that only looks like one.
    return candidates.size() == 1 ? candidates.front() : QString();
}

} // namespace

std::optional<std::uint16_t> portNumber(const QString& text, const PortOfName& portOfName) {
    if (text == QLatin1String("*"))
        return 0;
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    if (digits > 0) {
        const uint number = QStringView(text).left(digits).toUInt();
        return number <= 65535 ? std::optional<std::uint16_t>(std::uint16_t(number)) : std::nullopt;
    }
    return portOfName ? portOfName(text) : std::nullopt;
}

std::optional<os::ConnectionEnds> trafficEndsOf(const ConnectionRecord& record,
                                                const PortOfName& portOfName) {
    // Another namespace's figures would need entering it; its ends may well be some of this
    // namespace's too (127.0.0.1 on both sides), whose figures they must not show.
    if (record.Protocol == QLatin1String("UDP") || record.State == QLatin1String("LISTENING") ||
        record.NetNamespace != 0)
        return std::nullopt;
    const std::optional<std::uint16_t> local = portNumber(record.LocalPort, portOfName);
    const std::optional<std::uint16_t> remote = portNumber(record.RemotePort, portOfName);
    if (!local || !remote)
        return std::nullopt;
    return connectionEndsOf(record.LocalHost, *local, record.RemoteAddress, *remote);
}

bool isNumericAddress(const QString& text) {
    bool ipv6 = false;
    std::array<std::uint8_t, 16> bytes;
    return os::numericAddressBytes(text, ipv6, bytes);
}

bool needsSocketEndpoints(const ConnectionSnapshot& snapshot) {
    // A shown address is checked against the sockets too: a name may look like one.
    for (int i = 0; i < snapshot.ConnectionCount; ++i)
        if (const ConnectionRecord* record = snapshot.ConnectionTable.at(i); record && !hasNoRemote(*record))
            return true;
    return false;
}

void matchSocketEndpoints(ConnectionSnapshot& snapshot, const std::vector<os::SocketEndpoint>& endpoints,
                          const PortOfName& portOfName) {
    QHash<SocketKey, RemoteAddresses> matches;
    matches.reserve(qsizetype(endpoints.size()));
    for (const os::SocketEndpoint& endpoint : endpoints) {
        const SocketKey socketKey{endpoint.udp, endpoint.localPort, endpoint.udp ? std::uint16_t(0) : endpoint.remotePort,
                                  endpoint.localAddress};
        RemoteAddresses& addresses = matches[socketKey];
        if (!addresses.contains(endpoint.remoteAddress))
            addresses.append(endpoint.remoteAddress);
    }

    static const RemoteAddresses none;
    for (int i = 0; i < snapshot.ConnectionCount; ++i) {
        ConnectionRecord* record = snapshot.ConnectionTable.at(i);
        if (!record)
            break;
        record->RemoteAddress.clear();
        if (hasNoRemote(*record))
            continue;
        const std::optional<SocketKey> wanted = keyOf(*record, portOfName);
        const auto found = wanted ? matches.constFind(*wanted) : matches.cend();
        record->RemoteAddress = remoteAddressAmong(*record, found == matches.cend() ? none : *found);
    }
}
