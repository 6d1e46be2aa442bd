#include "platform/os/linux/TcpStateCounter.h"

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
    if (unchanged)
        return m_counts;
    // The counters were read before the dump: a change during the dump shows up as a
    // difference at the next check and is counted then.
    m_haveConnections = m_connectionReader.read(connections);
    m_connections = connections;
    m_connectionsCheckedAt = now;
    m_counts = countInFull();
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
    sockets::forEachTcpSocket(
        *m_dumper, sockets::AllStates,
        [&counts](const sockets::TcpSocket& socket) {
            ++counts.byState[sockets::systemTcpState(socket.state)];
        },
        m_procRoot);
    return counts;
}

} // namespace os::linuxbackend
