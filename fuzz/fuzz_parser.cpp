// links: tavren_snapshot tavren_os
// Feeds arbitrary text to the connection-listing parser: it must never crash, never store
// more than the table holds, and only ever store records with a non-zero owner.
#include "snapshot/NetstatParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ConnectionSnapshot* snapshot = new ConnectionSnapshot;
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    int yields = 0;
    ParseNetstatOutput(*snapshot, text, [&yields] { ++yields; });
    if (snapshot->ConnectionCount < 0 || snapshot->ConnectionCount > RecordTable::Capacity)
        std::abort();
    for (int i = 0; i < snapshot->ConnectionCount; ++i)
        if (snapshot->ConnectionTable.at(i)->ProcessId == 0 ||
            !snapshot->ConnectionTable.at(i)->ImagePath.isEmpty())
            std::abort();
    if (text.contains(QLatin1String("  ")) || yields < 1)
        std::abort();
    return 0;
}
