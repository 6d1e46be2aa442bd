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
    // UDP endpoints are only counted, never dumped: the summary is all there is of them.
    m_counts.udpEndpoints = summaryRead ? std::uint32_t(std::max<std::int64_t>(summary.udpInUse, 0)) : 0;
    if (summaryRead && m_haveCount && unchangedSinceFullCount(summary, now))
        return m_counts;
    // The counters are read before the dump: a change during the dump shows up as a
    // difference at the next check and is counted then.
    sockets::TcpConnectionCounters connections;
    m_haveConnections = m_connectionReader.read(connections);
    m_connections = connections;
    m_connectionsCheckedAt = now;
    m_unsettledCheckedAt = now;
    m_stillSign = stillSign(connections, summary);
    m_stillChecks = 0;
    const std::uint32_t udpEndpoints = m_counts.udpEndpoints;
    m_counts = countInFull();
    m_counts.udpEndpoints = udpEndpoints;
    m_summary = summary;
    m_haveCount = summaryRead;
    m_countedAt = now;
    return m_counts;
}

bool TcpStateCounter::unchangedSinceFullCount(const sockets::SocketSummary& summary,
                                              std::chrono::steady_clock::time_point now) {
    // Counters 0 and 4: TCP inuse and TCP6 inuse.
    if (summary.counters[0] != m_summary.counters[0] || summary.counters[4] != m_summary.counters[4])
        return false;
    const auto fullRecountInterval =
        m_haveConnections ? m_recountInterval * FullRecountEvery : m_recountInterval;
    if (now - m_countedAt >= fullRecountInterval)
        return false;
    if (!m_haveConnections)
        return true;
    const bool unsettledDue = now - m_unsettledCheckedAt >= m_recountInterval;
    // The unsettled sockets alone would miss an established connection replaced by a new one.
    sockets::TcpConnectionCounters connections;
    if (unsettledDue || now - m_connectionsCheckedAt >= ConnectionCheckInterval) {
        m_connectionsCheckedAt = now;
        if (!m_connectionReader.read(connections) || !(connections == m_connections))
            return false;
    }
    if (!unsettledDue)
        return true;
    m_unsettledCheckedAt = now;
    return unsettledUnchanged(stillSign(connections, summary));
}

bool TcpStateCounter::unsettledUnchanged(const StillSign& sign) {
    const bool known = sign[0] >= 0 && sign[1] >= 0;
    m_stillChecks = known && sign == m_stillSign ? m_stillChecks + 1 : 0;
    m_stillSign = sign;
    if (m_stillChecks >= 2 && m_unsettled.requests == 0)
        return true;
    Unsettled unsettled;
    const bool dumped = sockets::forEachTcpSocket(
        *m_dumper, UnsettledStates, [&unsettled](const sockets::TcpSocket& socket) { unsettled.add(socket); },
        m_procRoot);
    return dumped && unsettled == m_unsettled;
}

TcpStateCounter::StillSign TcpStateCounter::stillSign(const sockets::TcpConnectionCounters& connections,
                                                      const sockets::SocketSummary& summary) {
    // Summary counters 1 and 2: TCP orphan and tw.
    return {connections.segments[0], connections.segments[1], summary.counters[1], summary.counters[2]};
}

void TcpStateCounter::Unsettled::add(const sockets::TcpSocket& socket) {
    ++count;
    requests += socket.state == sockets::KernelSynRecv;
    digest += connectionHash(socket.family, sockets::systemTcpState(socket.state), socket.localPort,
                             socket.remotePort, socket.localAddress, socket.remoteAddress);
}

TcpStateCounts TcpStateCounter::countInFull() {
    ++m_fullCounts;
    TcpStateCounts counts;
    Unsettled unsettled;
    // Sockets that are merely bound are no connection and count for nothing here; leaving them
    // out spares the kernel a walk of its bind table, a fifth of a dump's time.
    sockets::forEachTcpSocket(
        *m_dumper, sockets::AllStates & ~sockets::stateBit(sockets::KernelBoundInactive),
        [&counts, &unsettled](const sockets::TcpSocket& socket) {
            const int state = sockets::systemTcpState(socket.state);
            ++counts.byState[state];
            if (state != TcpClosed && state != TcpListen && state != TcpTimeWait)
                counts.connectionDigest +=
                    connectionHash(socket.family, state, socket.localPort, socket.remotePort,
                                   socket.localAddress, socket.remoteAddress);
            if (UnsettledStates & sockets::stateBit(socket.state))
                unsettled.add(socket);
        },
        m_procRoot);
    // The unsettled sockets to compare with are those of this very dump, so a change between
    // a check and this count is never taken for the state counted.
    m_unsettled = unsettled;
    return counts;
}

} // namespace os::linuxbackend
