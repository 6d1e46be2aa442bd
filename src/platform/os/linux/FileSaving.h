#pragma once

#include <QByteArray>
#include <QString>

namespace os::linuxbackend {

// Replaces the regular file at path (made when missing) with contents, whole or not at all:
// the text goes to a new file beside it, which is renamed over it only once every byte is on
// the disk. Links are followed as the kernel's protected_symlinks rule follows them, whether
// or not the machine turns the rule on. Empty when saved; else why not, for the user.
QString saveFileContents(const QString& path, const QByteArray& contents);

// The system's text for an errno value.
QString errorText(int errorCode);

} // namespace os::linuxbackend
