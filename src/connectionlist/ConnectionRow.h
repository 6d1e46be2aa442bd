#pragma once

#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListRoles.h"
#include "snapshot/TrafficRates.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace connectionlist {

// What makes a listed connection the same one from one refresh to the next: its protocol, both
// ends in numbers and the process that holds it. A remote end the listing showed only by name
// (no socket matched it) is kept as that name, so two such rows still tell apart.
struct ConnectionKey {
    bool udp = false;
    bool ipv6 = false;
    std::array<std::uint8_t, 16> localAddress{};
    std::array<std::uint8_t, 16> remoteAddress{};
    std::uint16_t localPort = 0;
    std::uint16_t remotePort = 0;
    // The ends as printed where they are not numbers (an unmatched name, an unknown port).
    QString unresolvedEnds;
    std::int32_t processId = 0;
    std::uint64_t processStartTime = 0;
    // The network namespace, by inode; 0 for the program's own. Two namespaces may hold
    // connections with the same ends.
    std::uint64_t netNamespace = 0;

    bool operator==(const ConnectionKey&) const = default;
};

size_t qHash(const ConnectionKey& key, size_t seed = 0);

// How a row stands against the refresh before: new since, or gone since and kept a moment.
using RowMark = widgets::RowMark;

// One listed connection: everything the list, the commands and the live figures need, built
// once by the refresh. Nothing downstream reads a number back out of a shown text.
struct ConnectionRow {
    ConnectionKey key;

    // The numbers. A port the listing printed as a name carries the number it stands for.
    std::optional<std::uint16_t> localPort;
    std::optional<std::uint16_t> remotePort;
    QString remoteAddress; // in numbers ("::1"); empty when unknown or there is none (UDP)
    std::int32_t processId = 0;
    // When the owner started, read with its path: Terminate ends the process only while its
    // id still names that same process. 0 when it was gone by then.
    std::uint64_t processStartTime = 0;

    // The texts as shown, cleaned of what would reorder or break them.
    QString fileName; // "Unknown" when the owner's path could not be read
    QString localPortText;
    QString remoteHost;
    QString remotePortText;
    QString stateText; // empty for a UDP endpoint
    QString localAddressText;
    QString protocol; // "TCP" or "UDP"
    QString user;
    // The arguments the owner was started with; nothing when they could not be read.
    std::optional<QString> commandLine;
    // The unit, app or container the owner runs in ("ssh.service", "docker 3f2a8c1d9e0b"),
    // and where that was read in full (its control group); empty when unknown.
    QString service;
    QString serviceDetail;
    // "host" for the program's own network namespace; another one by the service of its first
    // process, else "net:[inode]".
    QString netNamespace;

    // The program: its path as read, and where it was read from.
    QString programPath;
    os::PathSource programPathSource = os::PathSource::ExecutableLink;
    QString shownPath; // programPath cleaned, marked when not read from the executable link

    int state = 0; // os::TcpState; 0 for a UDP endpoint

    RowMark mark = RowMark::None;
    std::chrono::steady_clock::time_point markedAt{};

    // The ends the kernel's figures are kept under; nothing for UDP, listening sockets and
    // connections whose addresses are unknown.
    std::optional<os::ConnectionEnds> trafficEnds;
    // The last sample's figures; nothing before the first, and for a gone row.
    std::optional<ConnectionTraffic> traffic;

    bool isGone() const { return mark == RowMark::Gone; }
    // Its live figures would need entering that namespace: it has none.
    bool inOtherNamespace() const { return key.netNamespace != 0; }
};

} // namespace connectionlist
