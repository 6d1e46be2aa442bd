#pragma once

#include "mainwindow/Form1Design.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <memory>

class QAction;
class QLineEdit;
class QMenu;
class QTimer;
class FilterField;
class FrmInfo;
class LiveTraffic;
class MainCommands;
class ProgramView;
class RefreshCycle;
class RowIcons;
struct ConnectionSnapshot;

namespace connectionlist {
class ConnectionModel;
}
namespace controls {
class ProgressBar;
}
namespace options {
class frmOptions;
}
namespace os {
class OperatingSystem;
}
namespace tray {
class TrayIntegration;
}
namespace widgets {
class ImageList;
class ListView;
class StatusBar;
class Toolbar;
struct ToolbarButton;
} // namespace widgets

// The main window: the connection list with its toolbar, status bar and progress bar, the
// refresh timer and the two pop-up menus. It reaches the system only through the given
// operating-system layer and keeps its connections in the given snapshot. The refresh, the
// commands and the filter field are classes of their own; the handlers here hand over to them.
class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(os::OperatingSystem& system, ConnectionSnapshot& snapshot, QWidget* parent = nullptr);
    ~Form1() override;

    // True (-1) while RefreshView runs; the timer leaves it alone then.
    std::int16_t Processing = form1design::False16;

    // Controls, named as the other windows and commands address them.
    widgets::Toolbar* Toolbar1 = nullptr;
    widgets::ImageList* ImageList1 = nullptr;
    widgets::ListView* ListView1 = nullptr;
    widgets::StatusBar* StatusBar1 = nullptr;
    controls::ProgressBar* Progbar = nullptr;
    QTimer* Timer1 = nullptr;

    // Invisible top-level menus, shown only as pop-ups.
    QMenu* MenuSysPop = nullptr;
    QAction* OpenConMon = nullptr;
    QAction* Seperator3 = nullptr;
    QAction* ExitProg1 = nullptr;
    QMenu* mnuRes = nullptr;
    QAction* mnuIP = nullptr;
    QAction* mnHN = nullptr;
    QAction* mnuRP = nullptr;
    QAction* mnuFP = nullptr;
    // Below a separator: the whole selected row, and the list as shown into a file.
    QAction* mnuRow = nullptr;
    QAction* mnuSave = nullptr;
    // Resets the selected connection, leaving its program running; disabled with the reason.
    QAction* mnuClose = nullptr;
    // Below another separator, off at start: what the listing holds beyond the connections,
    // and numbers in place of names. Each change refreshes the list.
    QAction* mnuListening = nullptr;
    QAction* mnuUdp = nullptr;
    QAction* mnuNumbers = nullptr;
    // On at start, and only where there are network namespaces: the other namespaces'
    // connections with the machine's own.
    QAction* mnuNamespaces = nullptr;
    // Off at start: a tray balloon when a program starts listening on a port that is new to it.
    QAction* mnuNotifyPorts = nullptr;
    // Last, the columns and the sort, for the keyboard: the header's menu and its clicks.
    QMenu* mnuColumns = nullptr;
    QMenu* mnuSortBy = nullptr;

    // Narrows the list to the rows that contain its text. Hidden, and taking no space,
    // until Ctrl+F; Escape clears and hides it again.
    QLineEdit* TxtFilter = nullptr;

    // Shows the window, lets it paint, and makes the first refresh through the timer handler.
    void Form_Load();
    // Lays the list, the status panels and the progress bar out on the client area: the list
    // fills the space between the toolbar and the status bar.
    void Form_Resize();
    // Ends the program; the cancel flag is never set.
    void Form_Unload(int& Cancel);

    // Refreshes when the live count of active connections moved since the last refresh.
    void Timer1_Timer();
    // One handler for every toolbar button, told apart by caption.
    void Toolbar1_ButtonClick(const widgets::ToolbarButton& Button);
    // The right button opens the copy menu over the list.
    void ListView1_MouseDown(int Button, int Shift, int x, int y);
    // Shows the selected row in the connection info dialog, its remote host resolved.
    void ListView1_DblClick();

    // The copy menu's entries: one field of the selected row onto the clipboard as text.
    void mnuIP_Click();
    void mnHN_Click();
    void mnuRP_Click();
    void mnuFP_Click();
    // The selected row's fields as shown, tab-separated, onto the clipboard (also Ctrl+C).
    void mnuRow_Click();
    // Asks where through the desktop's file dialog, then saves the list there.
    void mnuSave_Click();

    void showFilter();
    void hideFilter();
    bool isFilterShown() const;
    // Writes the rows as shown, in the order shown, as CSV with a header row. Nothing is left
    // behind when it fails, and an existing file stays as it was. Empty when it worked, else
    // the reason.
    QString saveList(const QString& path);

    // The tray operations of the window (each returns 0 when its steps ran).
    std::int32_t ShowTrayIcon(QWidget* lHWnd, const QString& sTip, const QIcon& lIcon);
    std::int32_t RemoveTrayIcon();

    tray::TrayIntegration* trayIntegration() const { return m_tray; }
    // The connection info dialog as it stands: null until first used and after it unloads.
    FrmInfo* frmInfo() const;
    // The rows' live figures and the info dialog's.
    LiveTraffic* liveTraffic() const { return m_liveTraffic; }
    // The listed connections, one row each, as the list shows them.
    connectionlist::ConnectionModel& connections() const { return *m_connections; }
    // The view by program ("Group by Program") and its commands on a program's row.
    ProgramView* programView() const { return m_programView; }
    // The options dialog as it stands: null until "Options" and after it unloads.
    options::frmOptions* optionsDialog() const;

    // Takes a new snapshot and rebuilds the list from it. Asked for while one runs (from a
    // yield), it runs once more afterwards instead of inside the running one.
    void RefreshView();

    // The live active count the last refresh saw, which the timer compares against.
    std::uint32_t activeCountAtLastRefresh() const;
    // True once the program was asked to end; no handler does anything after that.
    bool hasEnded() const { return m_ended; }
    // How long Terminate waits for an ended process to be gone before saying it is not yet.
    void setTerminationLimit(std::chrono::milliseconds limit);
    // How long rows of gone connections stay in the list when no refresh comes first.
    void setGoneRowLifetime(std::chrono::milliseconds lifetime);

signals:
    // Sent by the unload handler before the program ends, so the tray icon can go first.
    void unloading();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class MainCommands; // ends the program and reaches the tray and the dialogs

    void createControls();
    void createMenus();
    void setUpKeyboard();
    void limitSize();
    // Ends the program at once: no timer tick, refresh step or command runs after this.
    void endProgram();

    os::OperatingSystem& m_system;
    bool m_ended = false;
    connectionlist::ConnectionModel* m_connections = nullptr;
    std::unique_ptr<RowIcons> m_icons;
    RefreshCycle* m_refresh = nullptr;
    MainCommands* m_commands = nullptr;
    FilterField* m_filter = nullptr;
    tray::TrayIntegration* m_tray = nullptr;
    LiveTraffic* m_liveTraffic = nullptr;
    ProgramView* m_programView = nullptr;
};
