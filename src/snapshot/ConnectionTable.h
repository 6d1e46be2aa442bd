#pragma once

#include "snapshot/ConnectionRecord.h"

#include <QHash>
#include <QList>

#include <functional>
#include <optional>
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

// The row table that Terminate and the copy commands read, as the list's rows give it: entry
// n is list row n (from 1). Of each entry ImagePath holds the row's file name (empty for an
// "Unknown" row), ProcessId its owner (0 for a row whose connection has gone),
// ProcessStartTime when that owner started and RemoteAddress the connection's own remote
// address. It keeps nothing itself: the rows are the list's.
class RowTableView {
public:
    using Source = std::function<std::optional<ConnectionRecord>(int index)>;
    void bind(Source source) { m_source = std::move(source); }
    // Nothing for a position without a row. The entry stays valid until the next call.
    const ConnectionRecord* at(int index) const {
        std::optional<ConnectionRecord> entry = m_source ? m_source(index) : std::nullopt;
        if (!entry)
            return nullptr;
        m_entry = std::move(*entry);
        return &m_entry;
    }

private:
    Source m_source;
    mutable ConnectionRecord m_entry;
};

// Connections of the last listing whose owner it could not name, by why. Only those held by
// processes the user may not see count as other users'.
struct OwnerlessCounts {
    int otherUsers = 0;     // "-": a process the user may not see holds them; not listed
    int closing = 0;        // "0" while closing (time-wait and the like): no process holds them; not listed
    int notFoundInTime = 0; // "?": the owner scan ran out of time; listed as "Unknown"
    bool operator==(const OwnerlessCounts&) const = default;
};

// The machine's connections as the last refresh saw them, and the rows of the list built
// from them. The program holds one for its whole run; tests make as many as they like.
struct ConnectionSnapshot {
    RecordTable ConnectionTable;
    // Records 0 to ConnectionCount - 1 are the live ones; slots above keep older data.
    std::int32_t ConnectionCount = 0;
    RowTableView RowTable;
    // What the last listing said of connections (of the kinds read) without an owner to show.
    OwnerlessCounts Ownerless;
    // The other network namespaces the last listing showed, by inode, each with the process it
    // was read through.
    QHash<std::uint64_t, std::int32_t> NamespaceProcesses;
};
