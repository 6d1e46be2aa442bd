#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

namespace connectionlist {
struct ConnectionRow;
}
namespace os {
class OperatingSystem;
}

// The icons of the rows' programs, asked of the system once per executable path and shared by
// every row of that program, only when a row is first painted.
class RowIcons {
public:
    explicit RowIcons(os::OperatingSystem& system) : m_system(system) {}

    // Nothing for a row whose owner could not be resolved. A path not read from the
    // executable link names no file: its row gets the generic icon, not the one of the program
    // the process claims to be.
    QIcon iconOf(const connectionlist::ConnectionRow& row);

private:
    // Another user can make any number of programs; the cache starts afresh past this.
    static constexpr qsizetype Capacity = 2048;

    os::OperatingSystem& m_system;
    QHash<QString, QIcon> m_icons;
};
