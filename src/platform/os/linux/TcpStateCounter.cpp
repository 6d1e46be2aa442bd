#include "platform/os/linux/TcpStateCounter.h"

#include "platform/os/ConnectionDigest.h"

#include <algorithm>

namespace os::linuxbackend {

TcpStateCounter::TcpStateCounter(std::chrono::milliseconds recountInterval, std::string procRoot)
    : TcpStateCounter(recountInterval, std::move(procRoot), std::make_unique<sockets::NetlinkTcpDumper>()) {}

TcpStateCounter::TcpStateCounter(std::chrono::milliseconds recountInterval, std::string procRoot,
                                 std::unique_ptr<sockets::NetlinkTcpDumper> dumper)
    : m_recountInterval(recountInterval), m_procRoot(procRoot), m_dumper(std::move(dumper)),
      m_summaryReader(procRoot), m_connectionReader(std::move(procRoot)) {}

TcpStateCounts TcpStateCounter::count() {
    const auto now = std::chrono::steady_clock::now();
    sockets::SocketSummary summary;
    const bool summaryRead = m_summaryReader.read(summary);
    bool unchanged = summaryRead && m_haveCount && sameSocketsInUse(summary, m_summary) &&
                     now - m_countedAt < m_recountInterval;
    sockets::TcpConnectionCounters connections = m_connections;
    if (unchanged && m_haveConnections && now - m_connectionsCheckedAt >= ConnectionCheckInterval) {
        m_connectionsCheckedAt = now;
        unchanged = m_connectionReader.read(connections) && connections == m_connections;
    }
    // UDP endpoints are only counted, never dumped: the summary is all there is of them.
    m_counts.udpEndpoints = summaryRead ? std::uint32_t(std::max<std::int64_t>(summary.udpInUse, 0)) : 0;
    if (unchanged)
        return m_counts;
    // The counters were read before the dump: a change during the dump shows up as a
    // difference at the next check and is counted then.
    m_haveConnections = m_connectionReader.read(connections);
    m_connections = connections;
    m_connectionsCheckedAt = now;
    const std::uint32_t udpEndpoints = m_counts.udpEndpoints;
    m_counts = countInFull();
    m_counts.udpEndpoints = udpEndpoints;
    m_summary = summary;
    m_haveCount = summaryRead;
    m_countedAt = now;
    return m_counts;
}

bool TcpStateCounter::sameSocketsInUse(const sockets::SocketSummary& a, const sockets::SocketSummary& b) {
    // Counters 0 and 4: TCP inuse and TCP6 inuse.
    return a.counters[0] == b.counters[0] && a.counters[4] == b.counters[4];
}

TcpStateCounts TcpStateCounter::countInFull() {
    ++m_fullCounts;
    TcpStateCounts counts;
    // Sockets that are merely bound are no connection and count for nothing here; leaving them
    // out spares the kernel a walk of its bind table, a fifth of a dump's time.
    sockets::forEachTcpSocket(
        *m_dumper, sockets::AllStates & ~sockets::stateBit(sockets::KernelBoundInactive),
        [&counts](const sockets::TcpSocket& socket) {
            const int state = sockets::systemTcpState(socket.state);
            ++counts.byState[state];
            if (state != TcpClosed && state != TcpListen && state != TcpTimeWait)
                counts.connectionDigest += connectionHash(socket.family, state, socket.localPort, socket.remotePort,
                                                          socket.localAddress, socket.remoteAddress);
        },
        m_procRoot);
    return counts;
}

} // namespace os::linuxbackend
