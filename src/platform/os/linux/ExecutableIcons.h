#pragma once

#include <QIcon>
#include <QString>

namespace os::linuxbackend {

// The icon shown for an executable in the connection list.
QIcon iconForExecutable(const QString& executablePath);

} // namespace os::linuxbackend
