#pragma once

#include "mainwindow/Form1Design.h"
#include "mainwindow/RowIdentity.h"
#include "mainwindow/YieldPacer.h"
#include "snapshot/NetstatCommand.h"
#include "snapshot/NetstatParser.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <optional>

class QAction;
class QLineEdit;
class QMenu;
class QShortcut;
class QTimer;
class FrmInfo;
class LiveTraffic;
class TerminationWatch;
class PictureBox;
struct ConnectionSnapshot;

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
struct ListRow;
class StatusBar;
class Toolbar;
struct ToolbarButton;
} // namespace widgets

// The main window: the connection list with its toolbar, status bar and progress bar, the
// refresh timer and the two pop-up menus. It reaches the system only through the given
// operating-system layer and keeps its connections in the given snapshot.
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
    widgets::ImageList* iml16 = nullptr;
    widgets::ImageList* iml32 = nullptr;
    PictureBox* pic16 = nullptr;
    PictureBox* pic32 = nullptr;

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
    // Below another separator, off at start: what the listing holds beyond the connections,
    // and numbers in place of names. Each change refreshes the list.
    QAction* mnuListening = nullptr;
    QAction* mnuUdp = nullptr;
    QAction* mnuNumbers = nullptr;

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
    // The selected row's six fields, tab-separated, onto the clipboard (also Ctrl+C).
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
    std::int32_t ChangeIcon(const QIcon& lNewIcon);
    std::int32_t ChangeTip(const QString& nNewTip);
    std::int32_t RemoveTrayIcon();
    std::int32_t TransparentObject(QWidget* HWND);

    tray::TrayIntegration* trayIntegration() const { return m_tray; }
    // The connection info dialog as it stands: null until first used and after it unloads.
    FrmInfo* frmInfo() const;
    // The list's live traffic columns and the info dialog's live figures.
    LiveTraffic* liveTraffic() const { return m_liveTraffic; }
    // The options dialog as it stands: null until "Options" and after it unloads.
    options::frmOptions* optionsDialog() const;

    // Takes a new snapshot and rebuilds the list from it. Asked for while one runs (from a
    // yield), it runs once more afterwards instead of inside the running one.
    void RefreshView();
    // The icons of the rows' executables into both image lists, image n for row n.
    void CollectRowIcons(const QList<widgets::ListRow>& rows);
    // False when the row gets no image.
    bool AddRowIcon(const QString& path, int position);
    // Binds the image lists to the list again and gives row n image n.
    void AttachRowIcons(QList<widgets::ListRow>& rows);

    // The live active count the last refresh saw, which the timer compares against.
    std::uint32_t activeCountAtLastRefresh() const { return m_activeAtLastRefresh; }
    // True once the program was asked to end; no handler does anything after that.
    bool hasEnded() const { return m_ended; }
    // How long Terminate waits for an ended process to be gone before saying it is not yet.
    void setTerminationLimit(std::chrono::milliseconds limit) { m_terminationLimit = limit; }
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
    class RefreshScope;

    void createToolbar();
    void createList();
    void createStatusArea();
    void createMenus();
    void addListEntries();
    void createFilter();
    void setUpKeyboard();
    void openListMenuAtSelection();
    void dockBars();
    void limitSize();
    int toolbarHeight() const;
    int statusBarHeight() const;
    void endProgram();

    void sendToTray();
    void terminateSelected();
    // Refreshes twice after a Terminate and leaves its message in the status bar.
    void finishTermination(const QString& message);
    // Asks the user whether to end the process of list row `row`; true for yes.
    bool confirmTermination(int row, std::int32_t processId);
    void showOptions();
    void showAbout();
    // The connection info dialog, made hidden when there is none.
    FrmInfo* loadFrmInfo();
    void copySelected(int subItem, bool resolve);
    // The selected connection's own remote address in numbers; a look-up of the name the row
    // shows only when the connection has gone since (or no socket matched it).
    QString remoteAddressOf(int row, const QString& shownHost);
    // A row kept after its connection went: it has no process to act on.
    bool selectedRowIsGone();
    void showListCount();
    // What the list shows: the command's options, the kinds the parser reads, the live count.
    NetstatOptions listingOptions() const;
    ListingKinds listingKinds() const;
    std::uint32_t shownCount(const os::TcpStateCounts& counts) const;
    void listingChoiceChanged();
    void placeFilter(bool shown);

    bool refreshOnce();
    bool yieldNow();
    // Nothing when the window went away or the program ended during one of its yields. `ends`
    // receives each row's connection ends, for its live figures.
    std::optional<QList<widgets::ListRow>> listRows(std::vector<std::optional<os::ConnectionEnds>>& ends);
    // Marks the rows new since the last refresh and adds the ones gone since, then keeps
    // this refresh's rows to compare the next one with.
    void markChanges(QList<widgets::ListRow>& rows);
    // Takes the rows of gone connections out of the list, the others staying as they are.
    void expireGoneRows();
    void bringToForeground();
    std::optional<RowIdentity> selectedIdentity() const;
    // Selects the kept connection again and puts the list back where the user had scrolled it.
    void restoreSelection(const std::optional<RowIdentity>& kept);

    os::OperatingSystem& m_system;
    ConnectionSnapshot& m_snapshot;
    YieldPacer m_pacer;
    bool m_refreshing = false;
    bool m_refreshRequested = false;
    bool m_ended = false;
    std::chrono::milliseconds m_terminationLimit{3000};
    std::uint32_t m_activeAtLastRefresh = 0;
    std::uint64_t m_digestAtLastRefresh = 0;
    // The rows of connections the last refresh listed, before the gone ones; and whether
    // its listing was cut, so that it holds only the first connections.
    int m_liveRows = 0;
    bool m_listingCut = false;
    // Connections the last listing left out because their owners are other users' processes.
    int m_othersHidden = 0;
    QTimer* m_goneExpiry = nullptr;
    tray::TrayIntegration* m_tray = nullptr;
    QPointer<FrmInfo> m_info;
    LiveTraffic* m_liveTraffic = nullptr;
    // The process a Terminate told to end, watched until it is gone.
    QPointer<TerminationWatch> m_terminationWatch;
    QPointer<options::frmOptions> m_options;
    QAction* m_filterPlace = nullptr;
    QAction* m_filterSpace = nullptr;
    QShortcut* m_clearFilter = nullptr;
    QString m_saveFolder;
    // The rows the last refresh listed (not those it kept as gone); none before the first.
    std::optional<QList<RowIdentity>> m_listed;
    // Rendered icons of the refresh under way, by executable path; rows of one program
    // share the rendering, each row still getting its own image position.
    struct RenderedIcon {
        QPixmap large, small;
    };
    QHash<QString, RenderedIcon> m_renderedIcons;
};
