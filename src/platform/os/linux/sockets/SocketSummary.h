#pragma once

// The kernel's socket summary counters (/proc/net/sockstat and sockstat6): a few numbers
// that move whenever a TCP socket is hashed, unhashed, allocated, orphaned or enters
// time-wait. Reading them costs a fraction of a full socket dump.

#include <array>
#include <cstdint>
#include <string>

namespace os::sockets {

struct SocketSummary {
    // TCP inuse, orphan, tw, alloc; then TCP6 inuse. The memory counter is left out: it
    // moves with traffic, not with the set of sockets.
    std::array<std::int64_t, 5> counters{};
    // UDP sockets in use, IPv4 plus IPv6 (0 when a file lacks its line).
    std::int64_t udpInUse = 0;
    bool operator==(const SocketSummary&) const = default;
};

class SocketSummaryReader {
public:
    explicit SocketSummaryReader(std::string procRoot = "/proc");
    ~SocketSummaryReader();
    SocketSummaryReader(const SocketSummaryReader&) = delete;
    SocketSummaryReader& operator=(const SocketSummaryReader&) = delete;

    // False when the counters cannot be read; the caller must then count in full.
    bool read(SocketSummary& summary);

private:
    std::string m_procRoot;
    int m_ipv4 = -1;
    int m_ipv6 = -1;
};

// Reads the numbers after "PREFIX:" in a sockstat text into the counters from index first on.
bool parseSocketSummaryLine(const char* text, const char* prefix, std::int64_t* counters, int count);

} // namespace os::sockets
