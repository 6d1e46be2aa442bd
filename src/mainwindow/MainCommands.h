#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

class CloseConnection;
class Form1;
class FrmInfo;
class HistoryCommands;
class ListeningPortWatch;
class LiveTraffic;
class RefreshCycle;
class TerminationWatch;
namespace connectionlist {
class ConnectionModel;
struct ConnectionRow;
} // namespace connectionlist
namespace options {
class frmOptions;
}
namespace os {
class OperatingSystem;
}

// The commands of the main window: the toolbar's, and those of the list's menu, each acting on
// the connection behind the selected row.
class MainCommands : public QObject {
    Q_OBJECT
public:
    MainCommands(Form1& window, os::OperatingSystem& system, connectionlist::ConnectionModel& rows,
                 RefreshCycle& refresh, LiveTraffic& traffic);

    // Builds the entries of the list's menu below the four copy entries.
    void addListEntries();
    // A window of another host only watches it: the commands that would change that host are
    // off there, each with a tooltip that says so. Every such command is switched off here.
    void limitToWatching(const QString& hostName);
    // Dispatches a toolbar button by its caption (without its access key marks).
    void toolbarButton(const QString& caption);
    // The list's menu at the selected row, as Shift+F10 and the Menu key open it.
    void openListMenuAtSelection();

    enum class Field { RemoteAddress, RemoteHost, RemotePort, FilePath };
    void copyField(Field field);
    void copyRow();
    void saveListAs();
    QString saveList(const QString& path);
    void showInfo();

    FrmInfo* frmInfo() const;
    HistoryCommands* history() const { return m_history; }
    options::frmOptions* optionsDialog() const;
    void setTerminationLimit(std::chrono::milliseconds limit) { m_terminationLimit = limit; }

private:
    // The row behind the selected index; nothing when none is selected.
    const connectionlist::ConnectionRow* selectedRow() const;
    void sendToTray();
    void terminateSelected();
    void terminateRow(const connectionlist::ConnectionRow& row);
    // A program's processes after one question that names them.
    void terminateSeveral(const std::vector<const connectionlist::ConnectionRow*>& processes);
    // Asks the user whether to end the row's process; true for yes.
    bool confirmTermination(const connectionlist::ConnectionRow& row);
    // Refreshes twice after a Terminate and leaves its message in the status bar.
    void finishTermination(const QString& message);
    void showOptions();
    void showAbout();
    // The connection info dialog, made hidden when there is none.
    FrmInfo* loadFrmInfo();
    // The row's own remote address in numbers; a look-up of the name it shows only when the
    // connection has gone since (or no socket matched it).
    QString remoteAddressOf(const connectionlist::ConnectionRow& row);
    // Tells the user of a new listening port: a tray balloon, or the status bar without a tray.
    void announceListener(const QString& text);
    void fillColumnsMenu();
    void fillSortMenu();

    Form1& m_window;
    os::OperatingSystem& m_system;
    connectionlist::ConnectionModel& m_rows;
    RefreshCycle& m_refresh;
    LiveTraffic& m_traffic;
    CloseConnection* m_closing = nullptr;
    std::chrono::milliseconds m_terminationLimit{3000};
    // The process a Terminate told to end, watched until it is gone.
    QPointer<TerminationWatch> m_terminationWatch;
    // Terminate was asked for while the list was being rebuilt: it acts on the rebuilt list.
    bool m_terminateAfterRefresh = false;
    QPointer<FrmInfo> m_info;
    HistoryCommands* m_history = nullptr;
    QPointer<options::frmOptions> m_options;
    ListeningPortWatch* m_portWatch = nullptr;
    QString m_saveFolder;
};
