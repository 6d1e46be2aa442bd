#pragma once

#include "snapshot/ConnectionRecord.h"

#include <vector>

// A fixed array of 2001 records, indexes 0 to 2000. Access is checked: an index outside
// that range yields no record, so the caller sees the fault instead of touching memory.
class RecordTable {
public:
    static constexpr int Capacity = 2001;

    static constexpr bool isValidIndex(int index) { return index >= 0 && index < Capacity; }

    ConnectionRecord* at(int index) { return isValidIndex(index) ? &m_records[std::size_t(index)] : nullptr; }
    const ConnectionRecord* at(int index) const {
        return isValidIndex(index) ? &m_records[std::size_t(index)] : nullptr;
    }

private:
    std::vector<ConnectionRecord> m_records = std::vector<ConnectionRecord>(Capacity);
};

// The machine's connections as the last refresh saw them, and the rows of the list built
// from them. The program holds one for its whole run; tests make as many as they like.
struct ConnectionSnapshot {
    RecordTable ConnectionTable;
    // Records 0 to ConnectionCount - 1 are the live ones; slots above keep older data.
    std::int32_t ConnectionCount = 0;
    // Connections the last listing held, including those beyond the table's capacity.
    std::int32_t ListedConnections = 0;
    // Indexed by the 1-based list row; of each entry ImagePath holds the row's file name,
    // ProcessId its owner and ProcessStartTime when that owner started. Entry 0 is never used.
    RecordTable RowTable;
};
