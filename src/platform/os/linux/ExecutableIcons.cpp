#include "platform/os/linux/ExecutableIcons.h"

namespace os::linuxbackend {

ExecutableIcons::ExecutableIcons(QStringList applicationFolders)
    : m_index(std::move(applicationFolders)), m_reader([this] { m_index.readEntries(); }) {}

ExecutableIcons::~ExecutableIcons() {
    waitForEntries();
}

void ExecutableIcons::waitForEntries() {
    // Joining publishes everything the reader wrote to the index to this thread.
    if (m_reader.joinable())
        m_reader.join();
}

QIcon ExecutableIcons::iconFor(const QString& executablePath) {
    waitForEntries();
    return m_index.iconFor(executablePath);
}

} // namespace os::linuxbackend
