#include "platform/os/linux/ExecutableIcons.h"

#include "platform/os/linux/DesktopEntryIndex.h"

namespace os::linuxbackend {

QIcon iconForExecutable(const QString& executablePath) {
    // One index for the whole program: reading the entries is the expensive part. It is never
    // destroyed, so no icon outlives the application object's teardown order.
    static auto* const index = new DesktopEntryIndex;
    return index->iconFor(executablePath);
}

} // namespace os::linuxbackend
