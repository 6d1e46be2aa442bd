#include "mainwindow/RowIcons.h"

#include "connectionlist/ConnectionRow.h"
#include "platform/os/OperatingSystem.h"

QIcon RowIcons::iconOf(const connectionlist::ConnectionRow& row) {
    if (row.programPath.isEmpty())
        return {};
    auto found = m_icons.constFind(row.shownPath);
    if (found == m_icons.cend()) {
        if (m_icons.size() >= Capacity)
            m_icons.clear();
        found = m_icons.insert(row.shownPath, m_system.executableIcon(row.shownPath));
    }
    return *found;
}
