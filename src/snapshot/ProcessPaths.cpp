#include "snapshot/ProcessPaths.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>

void ResolveProcessPaths(ConnectionSnapshot& snapshot, os::OperatingSystem& system,
                         const YieldFunction& yield) {
    const std::vector<std::int32_t> processIds = system.processIds();
    yieldTo(yield);

    // Records by owner, so each process is matched in one look-up rather than a scan of
    // the whole table, and only owners of live records are asked for their path.
    const int count = std::clamp(snapshot.ConnectionCount, 0, snapshot.ConnectionTable.size());
    QHash<std::int32_t, QVarLengthArray<int, 4>> recordsByOwner;
    recordsByOwner.reserve(count);
    for (int index = 0; index < count; ++index)
        if (const std::int32_t owner = snapshot.ConnectionTable.at(index)->ProcessId; owner > 0)
            recordsByOwner[owner].append(index); // not 0: a connection without a visible owner

    for (std::int32_t processId : processIds) {
        auto owned = recordsByOwner.constFind(processId);
        if (owned == recordsByOwner.constEnd())
            continue;
        // Read before the path: should the id change hands in between, the path may be the
        // newer program's, but Terminate then finds the start time changed and ends nothing.
        const std::uint64_t startTime = system.processStartTime(processId);
        for (int index : *owned)
            snapshot.ConnectionTable.at(index)->ProcessStartTime = startTime;
        os::PathSource source = os::PathSource::ExecutableLink;
        const QString path = system.processExecutablePath(processId, &source);
        if (path.isEmpty())
            continue;
        for (int index : *owned) {
            snapshot.ConnectionTable.at(index)->ImagePath = path;
            snapshot.ConnectionTable.at(index)->ImagePathSource = source;
        }
    }
}
