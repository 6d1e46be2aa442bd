#include "snapshot/SocketMatching.h"

#include "platform/os/Backend.h"
#include "snapshot/TrafficRates.h"

#include <QHash>

namespace {

// Protocol, local address and both ports: what a line and its socket share. Formatted into a
// text, thirty thousand keys cost a refresh more than the kernel's dump itself.
struct SocketKey {
    bool udp = false;
    std::uint16_t localPort = 0, remotePort = 0;
    QString localAddress;
    bool operator==(const SocketKey&) const = default;
};

size_t qHash(const SocketKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.udp, key.localPort, key.remotePort, key.localAddress);
}

std::optional<SocketKey> keyOf(const ConnectionRecord& record, const PortOfName& portOfName) {
    const std::optional<std::uint16_t> local = portNumber(record.LocalPort, portOfName);
    const std::optional<std::uint16_t> remote = portNumber(record.RemotePort, portOfName);
    if (!local || !remote)
        return std::nullopt;
    return SocketKey{record.Protocol == QLatin1String("UDP"), *local, *remote, record.LocalHost};
}

struct Match {
    QString remoteAddress;
    bool ambiguous = false;
    bool held = false;
};

// A UDP endpoint's remote side is "*": there is none to learn.
bool hasNoRemote(const ConnectionRecord& record) {
    return record.RemoteHost == QLatin1String("*");
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
    if (!snapshot.UnownedConnections.isEmpty())
        return true;
    for (int i = 0; i < snapshot.ConnectionCount; ++i)
        if (const ConnectionRecord* record = snapshot.ConnectionTable.at(i);
            record && !isNumericAddress(record->RemoteHost) && !hasNoRemote(*record))
            return true;
    return false;
}

int matchSocketEndpoints(ConnectionSnapshot& snapshot, const std::vector<os::SocketEndpoint>& endpoints,
                         const PortOfName& portOfName) {
    QHash<SocketKey, Match> matches;
    matches.reserve(qsizetype(endpoints.size()));
    for (const os::SocketEndpoint& endpoint : endpoints) {
        const SocketKey socketKey{endpoint.udp, endpoint.localPort, endpoint.remotePort,
                                  endpoint.localAddress};
        auto it = matches.find(socketKey);
        if (it == matches.end())
            it = matches.insert(socketKey, Match{endpoint.remoteAddress});
        else if (it->remoteAddress != endpoint.remoteAddress)
            it->ambiguous = true;
        it->held |= endpoint.held;
    }

    for (int i = 0; i < snapshot.ConnectionCount; ++i) {
        ConnectionRecord* record = snapshot.ConnectionTable.at(i);
        if (!record)
            break;
        record->RemoteAddress.clear();
        if (hasNoRemote(*record))
            continue;
        if (isNumericAddress(record->RemoteHost)) {
            record->RemoteAddress = record->RemoteHost;
            continue;
        }
        if (const std::optional<SocketKey> wanted = keyOf(*record, portOfName)) {
            const auto found = matches.constFind(*wanted);
            if (found != matches.cend() && !found->ambiguous)
                record->RemoteAddress = found->remoteAddress;
        }
    }

    int heldByOthers = 0;
    for (const ConnectionRecord& unowned : snapshot.UnownedConnections) {
        const std::optional<SocketKey> wanted = keyOf(unowned, portOfName);
        const auto found = wanted ? matches.constFind(*wanted) : matches.cend();
        if (found != matches.cend() && found->held)
            ++heldByOthers;
    }
    return heldByOthers;
}
