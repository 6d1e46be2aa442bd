#pragma once

class QMenu;
class QWidget;

namespace tray {

// The main window's invisible menu that the tray shows as a pop-up: "View" (OpenConMon), a
// separator line (Seperator3) and "Exit" (ExitProg1), each action named for its entry.
QMenu* createMenuSysPop(QWidget* parent);

} // namespace tray
