#pragma once

#include <QIcon>
#include <QString>

namespace os::linuxbackend {

// The icon shown for an executable in the connection list: its desktop entry's icon, else
// the theme icon named like it, else the generic executable icon. The desktop entries are
// indexed once per process and each executable's icon is kept, so a list of thousands of
// rows costs one lookup per row.
QIcon iconForExecutable(const QString& executablePath);

} // namespace os::linuxbackend
