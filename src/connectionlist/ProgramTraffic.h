#pragma once

#include "connectionlist/ConnectionRow.h"
#include "snapshot/TrafficRates.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <deque>
#include <vector>

namespace connectionlist {

// What makes connections one program's: its executable path and its user. A program whose path
// could not be read is known by its file name instead ("Unknown" for all of them).
struct ProgramKey {
    QString path; // the path as read, or the file name where there is no path
    QString user;

    bool operator==(const ProgramKey&) const = default;
};

size_t qHash(const ProgramKey& key, size_t seed = 0);
ProgramKey programKeyOf(const ConnectionRow& row);

// A program's bytes since this run first saw it, closed connections included.
struct ProgramTotals {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

// One sample's rates of all of a program's connections, added up.
struct ProgramRates {
    double sentPerSecond = 0;
    double receivedPerSecond = 0;
};

// Every program's totals and recent rates, kept from one traffic sample to the next. A
// connection's last figures stay with its program when it closes, so the totals do not drop
// when connections end. Where the connection history counts bytes, it gives each closed
// connection's exact final figures instead, those closed before any sample saw them too.
class ProgramTraffic {
public:
    // Samples kept for the graphs: two minutes of one a second.
    static constexpr std::size_t Kept = 120;

    // One sample's figures, with the rows that say which program owns which connection.
    // Connections of the sample that no row lists belong to no program yet; ones seen before
    // and missing from the sample have closed.
    void takeSample(const TrafficByConnection& traffic, const std::vector<ConnectionRow>& rows);
    // The exact final bytes of a closed connection of `program`, from the history.
    void addClosedTotals(const ProgramKey& program, std::uint64_t sent, std::uint64_t received);
    // Where the history counts each closed connection's bytes (addClosedTotals), a connection
    // that leaves the samples no longer adds its last sampled figures, which lag its end.
    void setClosedFromHistory(bool on) { m_closedFromHistory = on; }

    ProgramTotals totalsOf(const ProgramKey& program) const;
    // The rates of the samples since the program was first seen, oldest first, at most Kept.
    const std::deque<ProgramRates>& ratesOf(const ProgramKey& program) const;
    // Forgets the recent rates, which would span a pause in the sampling; the totals stay.
    void clearRates() { m_rates.clear(); }

private:
    struct Followed {
        ProgramKey program;
        os::TrafficFigures totals;
    };
    QHash<os::ConnectionEnds, Followed> m_connections;
    QHash<ProgramKey, ProgramTotals> m_closed;
    QHash<ProgramKey, ProgramTotals> m_totals; // live and closed, as of the last sample
    QHash<ProgramKey, std::deque<ProgramRates>> m_rates;
    bool m_closedFromHistory = false;
};

} // namespace connectionlist
