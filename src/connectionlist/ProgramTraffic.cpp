#include "connectionlist/ProgramTraffic.h"

namespace connectionlist {

size_t qHash(const ProgramKey& key, size_t seed) {
    return qHashMulti(seed, key.path, key.user);
}

ProgramKey programKeyOf(const ConnectionRow& row) {
    return {row.programPath.isEmpty() ? row.fileName : row.programPath, row.user};
}

void ProgramTraffic::takeSample(const TrafficByConnection& traffic, const std::vector<ConnectionRow>& rows) {
    QHash<ProgramKey, ProgramRates> rates;
    for (const ConnectionRow& row : rows) {
        if (row.isGone() || !row.trafficEnds)
            continue;
        const ProgramKey program = programKeyOf(row);
        ProgramRates& sum = rates[program];
        const auto found = traffic.find(*row.trafficEnds);
        if (found == traffic.end())
            continue;
        m_connections.insert(*row.trafficEnds, {program, found->totals});
        sum.sentPerSecond += found->sentPerSecond.value_or(0);
        sum.receivedPerSecond += found->receivedPerSecond.value_or(0);
    }
    // Ended since the last sample: its last figures are all it moved.
    for (auto each = m_connections.begin(); each != m_connections.end();) {
        if (traffic.contains(each.key())) {
            ++each;
            continue;
        }
        if (!m_closedFromHistory) {
            ProgramTotals& closed = m_closed[each->program];
            closed.sent += each->totals.bytesSent;
            closed.received += each->totals.bytesReceived;
        }
        each = m_connections.erase(each);
    }
    m_totals = m_closed;
    for (const Followed& live : std::as_const(m_connections)) {
        ProgramTotals& sum = m_totals[live.program];
        sum.sent += live.totals.bytesSent;
        sum.received += live.totals.bytesReceived;
    }
    // Every program seen gets a point, a quiet one a point at zero, so that all graphs move
    // on together.
    for (auto each = rates.cbegin(); each != rates.cend(); ++each)
        m_rates[each.key()];
    for (auto each = m_rates.begin(); each != m_rates.end(); ++each) {
        each->push_back(rates.value(each.key()));
        if (each->size() > Kept)
            each->pop_front();
    }
}

void ProgramTraffic::addClosedTotals(const ProgramKey& program, std::uint64_t sent, std::uint64_t received) {
    ProgramTotals& closed = m_closed[program];
    closed.sent += sent;
    closed.received += received;
    ProgramTotals& total = m_totals[program];
    total.sent += sent;
    total.received += received;
}

ProgramTotals ProgramTraffic::totalsOf(const ProgramKey& program) const {
    return m_totals.value(program);
}

const std::deque<ProgramRates>& ProgramTraffic::ratesOf(const ProgramKey& program) const {
    static const std::deque<ProgramRates> none;
    const auto found = m_rates.constFind(program);
    return found == m_rates.cend() ? none : *found;
}

} // namespace connectionlist
