#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class Form1;
class FrmProgram;
class LiveTraffic;
class QAction;
class QMenu;
namespace connectionlist {
class ConnectionModel;
class ProgramTreeModel;
struct ConnectionRow;
struct ProgramGroup;
} // namespace connectionlist

// The view by program: the list's "Group by Program" entry, which shows the connections as a
// tree of one parent per program, and what the commands do on a parent (its cells, its
// processes, its info dialog). Off at start; turned off, the flat list comes back with its
// selection.
class ProgramView : public QObject {
    Q_OBJECT
public:
    ProgramView(Form1& window, connectionlist::ConnectionModel& rows, LiveTraffic& traffic);

    // Adds the checkable entry at the end of the list's menu.
    void addMenuEntry(QMenu* menu);
    QAction* entry() const { return m_entry; }
    bool isOn() const;
    void setOn(bool on);

    const connectionlist::ProgramTreeModel& tree() const { return *m_tree; }
    // The program of the selected parent row; nothing while a connection or nothing is selected.
    const connectionlist::ProgramGroup* selectedProgram() const;
    // One live row of each of the program's processes, in the order of their first rows.
    std::vector<const connectionlist::ConnectionRow*>
    processesOf(const connectionlist::ProgramGroup& program) const;
    // The parent's cells in the columns shown, in the order shown.
    QStringList shownTexts(const connectionlist::ProgramGroup& program) const;
    // The program info dialog, following this program.
    void showInfo(const connectionlist::ProgramGroup& program);
    FrmProgram* infoDialog() const;

    // The question Terminate asks before it ends several processes of one program: their file
    // names and ids, up to ten, with the count of the rest.
    static QString
    severalProcessesQuestion(const std::vector<const connectionlist::ConnectionRow*>& processes);

private:
    Form1& m_window;
    connectionlist::ConnectionModel& m_rows;
    LiveTraffic& m_traffic;
    connectionlist::ProgramTreeModel* m_tree = nullptr;
    QAction* m_entry = nullptr;
    // The columns that turning the view on showed, which turning it off takes away again.
    QList<int> m_columnsShown;
    QPointer<FrmProgram> m_info;
};
