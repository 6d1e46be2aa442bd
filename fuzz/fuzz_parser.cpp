// links: tavren_snapshot tavren_os
// Feeds arbitrary text to the connection-listing parser: it must never crash, store every
// record inside the table, store ownerless records only of live connections, and keep every
// field within its own line and its own column.
#include "snapshot/NetstatParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ConnectionSnapshot* snapshot = new ConnectionSnapshot;
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    int yields = 0;
    ParseNetstatOutput(*snapshot, text, [&yields] { ++yields; });
    if (snapshot->ConnectionCount < 0 || snapshot->ConnectionCount > snapshot->ConnectionTable.size())
        std::abort();
    for (int i = 0; i < snapshot->ConnectionCount; ++i) {
        const ConnectionRecord& record = *snapshot->ConnectionTable.at(i);
        if ((record.ProcessId == 0 && isClosingState(record.State)) || !record.ImagePath.isEmpty())
            std::abort();
        // A field never reaches across a separator or a line end (the display texts that
        // replace the service names are the one kind of port text with a space).
        const bool displayText = record.RemotePort == QLatin1String("80 (Http)") ||
                                 record.RemotePort == QLatin1String(HttpsDisplayText);
        for (const QString* field :
             {&record.LocalPort, &record.RemoteHost, &record.RemotePort, &record.State})
            if ((field != &record.RemotePort || !displayText) &&
                (field->contains(QLatin1Char(' ')) || field->contains(QLatin1String("\r\n"))))
                std::abort();
    }
    if (text.contains(QLatin1String("  ")) || yields < 1)
        std::abort();
    return 0;
}
