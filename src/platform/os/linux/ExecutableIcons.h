#pragma once

#include "platform/os/linux/DesktopEntryIndex.h"

#include <QIcon>
#include <QString>
#include <QStringList>

#include <thread>

namespace os::linuxbackend {

// The icons shown for executables in the connection list: an executable's desktop entry's
// icon, else the theme icon named like it, else the generic executable icon.
//
// Reading every desktop entry takes long on a desktop with hundreds of them, so it starts on
// a thread of its own when this object is made, at program start, and runs while the window
// is built and the first listing is taken; the first lookup waits only for what is left.
// Icons themselves are resolved and kept on the calling (GUI) thread.
class ExecutableIcons {
public:
    // Reads the desktop entries of these folders (default: the standard application folders).
    explicit ExecutableIcons(QStringList applicationFolders = {});
    // Waits for the reading, so that it never outlives the index it fills.
    ~ExecutableIcons();
    ExecutableIcons(const ExecutableIcons&) = delete;
    ExecutableIcons& operator=(const ExecutableIcons&) = delete;

    QIcon iconFor(const QString& executablePath);

private:
    void waitForEntries();

    DesktopEntryIndex m_index;
    std::thread m_reader;
};

} // namespace os::linuxbackend
