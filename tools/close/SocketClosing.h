#pragma once

// Finds one TCP socket by its ends through a socket-diagnostics dump, decides whether the
// caller may close it, and asks the kernel to destroy it. Plain C++ without Qt.

#include "TcpSocketTable.h"

#include <array>
#include <cstdint>
#include <sys/types.h>
#include <vector>

// The helper's answers, each its exit code; the message it prints says which in words.
enum class CloseOutcome : int {
    Closed = 0,
    Failed = 1,           // the helper could not do its own part (capabilities, the dump)
    BadArguments = 2,
    NoSuchConnection = 3,
    MoreThanOne = 4,      // several sockets have these ends: which one is meant is unknown
    Listening = 5,
    AnotherUsers = 6,
    SystemRefused = 7,    // the kernel refused the destroy request
};

// The connection the caller named, in numbers.
struct WantedConnection {
    int family = 0; // AF_INET or AF_INET6
    std::array<std::uint8_t, 16> localAddress{}; // network order; IPv4 in the first four bytes
    std::array<std::uint8_t, 16> remoteAddress{};
    std::uint16_t localPort = 0;
    std::uint16_t remotePort = 0;
};

// Reads "tcp LOCAL-ADDRESS LOCAL-PORT REMOTE-ADDRESS REMOTE-PORT" (addresses in numbers, both
// of one family; ports in decimal). False with the reason in `wrong` for anything else.
bool readWantedConnection(int argc, const char* const* argv, WantedConnection& wanted, const char*& wrong);

// The TCP sockets of the wanted family whose ends are exactly these: its connections, and
// its listening sockets so that naming one is refused as such. Sockets that are no longer a
// connection (time-wait, closed) are not among them. False when the table could not be read.
bool findSockets(const WantedConnection& wanted, std::vector<os::sockets::TcpSocket>& found);

// Closed when the one socket found may be destroyed by a caller of this real user id (root
// may destroy any); otherwise the refusal.
CloseOutcome mayClose(const std::vector<os::sockets::TcpSocket>& found, uid_t caller);

// Destroys the socket, its capability effective only around the request. 0 when the kernel
// destroyed it, else the error number it answered.
int destroySocket(const os::sockets::TcpSocket& socket);
