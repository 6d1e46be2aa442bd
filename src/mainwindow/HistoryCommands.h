#pragma once

#include <QObject>
#include <QPointer>

#include "history/HistoryWindow.h"

class Form1;
class QAction;
class QMenu;
namespace connectionlist {
class ConnectionModel;
class ProgramTraffic;
} // namespace connectionlist
namespace history {
class HistoryFeed;
class HistoryStore;
} // namespace history
namespace os {
class OperatingSystem;
}

// The history's entries in the list's menu: "Connection History..." opens its window, and
// "Keep History" keeps it in a file between runs. Closed connections are recorded from start.
class HistoryCommands : public QObject {
    Q_OBJECT
public:
    HistoryCommands(Form1& window, os::OperatingSystem& system, const connectionlist::ConnectionModel& rows);
    ~HistoryCommands() override;

    void addListEntries(QMenu& menu);
    // The view by program takes its closed connections' totals from the history, where it
    // counts bytes.
    void feedProgramTotals(connectionlist::ProgramTraffic& programs);
    void showHistory();
    void keepHistoryToggled(bool keep);

    history::HistoryStore& store() const { return *m_store; }
    history::HistoryWindow* window() const { return m_historyWindow; }
    QAction* keepEntry() const { return m_keep; }

private:
    Form1& m_window;
    os::OperatingSystem& m_system;
    history::HistoryStore* m_store;
    history::HistoryFeed* m_feed;
    QAction* m_keep = nullptr;
    QPointer<history::HistoryWindow> m_historyWindow;
};
