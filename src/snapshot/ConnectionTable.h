#pragma once

#include "snapshot/ConnectionRecord.h"

#include <QList>

#include <vector>

// Records indexed from 0, as many as the largest listing needed: there is no fixed capacity,
// so no number of connections can push others out. The table never shrinks, so slots above
// the live ones keep what an earlier, larger snapshot left there. Access is checked: an index
// outside the slots yields no record, so the caller sees the fault instead of touching memory.
class RecordTable {
public:
    int size() const { return int(m_records.size()); }
    bool isValidIndex(int index) const { return index >= 0 && index < size(); }

    ConnectionRecord* at(int index) { return isValidIndex(index) ? &m_records[std::size_t(index)] : nullptr; }
    const ConnectionRecord* at(int index) const {
        return isValidIndex(index) ? &m_records[std::size_t(index)] : nullptr;
    }
    // Makes indexes 0 to count - 1 valid; the records already there stay as they are.
    void makeRoom(int count) {
        if (count > size())
            m_records.resize(std::size_t(count));
    }

private:
    std::vector<ConnectionRecord> m_records;
};

// The machine's connections as the last refresh saw them, and the rows of the list built
// from them. The program holds one for its whole run; tests make as many as they like.
struct ConnectionSnapshot {
    RecordTable ConnectionTable;
    // Records 0 to ConnectionCount - 1 are the live ones; slots above keep older data.
    std::int32_t ConnectionCount = 0;
    // Indexed by the 1-based list row; of each entry ImagePath holds the row's file name,
    // ProcessId its owner, ProcessStartTime when that owner started and RemoteAddress the
    // connection's own remote address. Entry 0 is never used.
    RecordTable RowTable;
    // Connections the last listing printed without an owner (process 0), time-wait ones
    // left out: no process holds those. The others belong to processes the user may not see.
    QList<ConnectionRecord> UnownedConnections;
};
