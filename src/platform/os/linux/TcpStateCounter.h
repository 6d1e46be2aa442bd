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
// sockets may therefore be counted late, by up to the full recount interval.
//
// The summary cannot see a socket moving between two hashed states (established ->
// close-wait), a request socket in syn-received, or one socket opening while another of the
// same kind closes. Cheaper signs than a full count stand in for it:
// - the connection counters, read every ConnectionCheckInterval: every new connection moves a
//   count of opens, which only grows, and every move into or out of established moves the
//   count of established ones (newer kernels count close-wait with them: then the move
//   between the two shows only among the unsettled ones);
// - the unsettled sockets (the active ones that are not established, few on any machine),
//   dumped with the kernel filtering by state and compared, by number and digest, with those
//   the last full count saw. When neither sign moved, no connection was made since, so the
//   sockets the established count holds are a subset of those it held then, and as many: the
//   same; with the unsettled ones the same too, the active connections and their states are.
// The kernel walks its whole table even for a filtered dump, so the unsettled ones are
// dumped, every recount interval, only when something may have moved them: a move between
// two unsettled states rides on a segment sent or received, and one a timer makes (an orphan
// leaving fin-wait-2) moves the summary's orphans or time-wait count. A request socket that
// gives up moves neither, so while the last full count saw one the dump is made anyway. The
// signs of the two checks before must both be still, as a segment is counted a moment before
// the state it brings is set.
// What all these miss (a socket put straight into established by a restore while another
// leaves, a listening socket replaced by another, time-wait sockets expiring) is caught by a
// full count every FullRecountEvery recount intervals. Where the connection counters cannot
// be read, the full count comes every recount interval, as the only bound.
class TcpStateCounter {
public:
    static constexpr std::chrono::milliseconds ConnectionCheckInterval{100};
    static constexpr int FullRecountEvery = 30;
    // Active but not established: few sockets on any machine, and the only active ones whose
    // moves between each other no counter shows. Request sockets are dumped with syn-received.
    static constexpr std::uint32_t UnsettledStates =
        sockets::stateBit(sockets::KernelSynSent) | sockets::stateBit(sockets::KernelSynRecv) |
        sockets::stateBit(sockets::KernelNewSynRecv) | sockets::stateBit(sockets::KernelFinWait1) |
        sockets::stateBit(sockets::KernelFinWait2) | sockets::stateBit(sockets::KernelCloseWait) |
        sockets::stateBit(sockets::KernelLastAck) | sockets::stateBit(sockets::KernelClosing);

    explicit TcpStateCounter(std::chrono::milliseconds recountInterval = std::chrono::milliseconds(1000),
                             std::string procRoot = "/proc");
    // With a dumper of the caller's (tests replay broken dumps through one).
    TcpStateCounter(std::chrono::milliseconds recountInterval, std::string procRoot,
                    std::unique_ptr<sockets::NetlinkTcpDumper> dumper);

    TcpStateCounts count();
    // Number of full counts made so far (for tests and benchmarks).
    int fullCounts() const { return m_fullCounts; }

private:
    // The unsettled sockets' number and digest.
    struct Unsettled {
        std::uint32_t count = 0;
        std::uint32_t requests = 0; // in syn-received
        std::uint64_t digest = 0;
        bool operator==(const Unsettled&) const = default;
        void add(const sockets::TcpSocket& socket);
    };

    // What moves with any change of the unsettled sockets: segments in and out, orphans,
    // time-wait sockets.
    using StillSign = std::array<std::int64_t, 4>;

    bool unchangedSinceFullCount(const sockets::SocketSummary& summary,
                                 std::chrono::steady_clock::time_point now);
    bool unsettledUnchanged(const StillSign& sign);
    static StillSign stillSign(const sockets::TcpConnectionCounters& connections,
                               const sockets::SocketSummary& summary);
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
    Unsettled m_unsettled;
    std::chrono::steady_clock::time_point m_unsettledCheckedAt;
    StillSign m_stillSign{};
    int m_stillChecks = 0;
    bool m_haveCount = false;
    std::chrono::steady_clock::time_point m_countedAt;
    TcpStateCounts m_counts;
    int m_fullCounts = 0;
};

} // namespace os::linuxbackend
