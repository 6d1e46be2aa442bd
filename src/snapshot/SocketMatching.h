#pragma once

#include "platform/os/OperatingSystem.h"
#include "snapshot/ConnectionTable.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

// The listing prints names where it can (a host name, "https"); the kernel's socket list has
// the numbers.

// The port a service name stands for; nothing when it is no service's.
using PortOfName = std::function<std::optional<std::uint16_t>(const QString& name)>;

// A port as printed: a number, a number with a display text ("80 (Http)"), "*" (none, 0) or
// a service name; nothing when it is none of these.
std::optional<std::uint16_t> portNumber(const QString& text, const PortOfName& portOfName);

// The ends of a TCP connection whose live figures the kernel keeps (not a listening socket,
// whose remote side is none); nothing for a UDP endpoint, one whose addresses are unknown, or
// one in another network namespace.
std::optional<os::ConnectionEnds> trafficEndsOf(const ConnectionRecord& record, const PortOfName& portOfName);

// "10.0.0.1", "::1": an address written in numbers, which needs no look-up.
bool isNumericAddress(const QString& text);

// Whether the kernel's sockets have anything to add: some live record has a remote host,
// whose shown name (or address-like name) its socket's address confirms or replaces.
bool needsSocketEndpoints(const ConnectionSnapshot& snapshot);

// Gives every live record its remote address in numbers, from the sockets of the same
// protocol, local end and remote port (UDP: local end alone): the one it shows when one of
// them has it, else the only one they have; left empty when the sockets have several and the
// record shows none of them. A record with no socket keeps the numbers it shows.
void matchSocketEndpoints(ConnectionSnapshot& snapshot, const std::vector<os::SocketEndpoint>& endpoints,
                          const PortOfName& portOfName);
