#pragma once

#include "platform/os/OperatingSystem.h"
#include "platform/os/linux/sockets/SocketSummary.h"
#include "platform/os/linux/sockets/TcpConnectionCounters.h"
#include "platform/os/linux/sockets/TcpSocketTable.h"

#include <chrono>
#include <memory>

namespace os::linuxbackend {

// Counts the TCP table by state, cheaply enough for a timer of a few milliseconds.
//
// A full count dumps every socket. The kernel's summary counters are read first, and while
// the sockets in use (IPv4 and IPv6) still number what they did before the last full count,
// the last count is returned. A socket is in use from the moment it connects, is accepted or
// listens until it closes or enters time-wait, so every change of the active count moves
// them; the other summary counters move also when a time-wait socket expires, a socket is
// created unconnected or an application lets go of a closing one, none of which changes the
// active count, and a machine with traffic does that every second. Time-wait and closed
// sockets may therefore be counted late, by up to the recount interval. The counters cannot see
// everything: a socket moving between two hashed states (established -> close-wait), a
// request socket in syn-received, or one socket opening while another of the same kind
// closes between two checks. The connection counters catch the last of these (every new
// connection moves them); they cost several times a summary read, so they are read only every
// ConnectionCheckInterval. A full count is also made once the last one is older than the
// recount interval, which bounds how long any other change can go unseen.
class TcpStateCounter {
public:
    static constexpr std::chrono::milliseconds ConnectionCheckInterval{100};

    explicit TcpStateCounter(std::chrono::milliseconds recountInterval = std::chrono::milliseconds(1000),
                             std::string procRoot = "/proc");
    // With a dumper of the caller's (tests replay broken dumps through one).
    TcpStateCounter(std::chrono::milliseconds recountInterval, std::string procRoot,
                    std::unique_ptr<sockets::NetlinkTcpDumper> dumper);

    TcpStateCounts count();
    // Number of full counts made so far (for tests and benchmarks).
    int fullCounts() const { return m_fullCounts; }

private:
    TcpStateCounts countInFull();
    // Sockets in use, IPv4 and IPv6: what moves with the active count.
    static bool sameSocketsInUse(const sockets::SocketSummary& a, const sockets::SocketSummary& b);

    std::chrono::milliseconds m_recountInterval;
    std::string m_procRoot;
    std::unique_ptr<sockets::NetlinkTcpDumper> m_dumper;
    sockets::SocketSummaryReader m_summaryReader;
    sockets::SocketSummary m_summary;
    sockets::TcpConnectionCounterReader m_connectionReader;
    sockets::TcpConnectionCounters m_connections;
    bool m_haveConnections = false;
    std::chrono::steady_clock::time_point m_connectionsCheckedAt;
    bool m_haveCount = false;
    std::chrono::steady_clock::time_point m_countedAt;
    TcpStateCounts m_counts;
    int m_fullCounts = 0;
};

} // namespace os::linuxbackend
