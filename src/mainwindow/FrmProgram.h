#pragma once

#include "connectionlist/ProgramTraffic.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
namespace connectionlist {
class ProgramTreeModel;
}
namespace controls {
class TrafficGraph;
}

// The program info dialog, laid out as the connection info dialog is: the program's file, path,
// user and process ids, its connections now, its totals with their rates, the graph of its last
// two minutes, and the remote hosts it talks to with the bytes of each, the most first. It
// follows the program while it is open; a program whose connections have all gone stays shown,
// its graph marked closed.
//
// Lifetime: made on first use and shown modeless; "Ok" or the title bar's close button deletes
// it. Hold it in a QPointer.
class FrmProgram : public QWidget {
    Q_OBJECT
public:
    FrmProgram(const connectionlist::ProgramTreeModel& programs,
               const connectionlist::ProgramTraffic& traffic, QWidget* parent = nullptr);

    // Shows this program from now on.
    void follow(const connectionlist::ProgramKey& program);
    const connectionlist::ProgramKey& program() const { return m_program; }
    // Reads the program's figures again (after a sample or a refresh).
    void showFigures();

    QLineEdit* TxtFile = nullptr;
    QLineEdit* TxtPath = nullptr;
    QLineEdit* TxtUser = nullptr;
    QLineEdit* TxtProcesses = nullptr;
    QLineEdit* TxtConnections = nullptr;
    QLineEdit* TxtSent = nullptr;
    QLineEdit* TxtReceived = nullptr;
    controls::TrafficGraph* Graph1 = nullptr;
    QTreeWidget* LstHosts = nullptr;
    QPushButton* Command1 = nullptr;

private:
    QLineEdit* addField(const QString& caption, const char* name, double top);

    const connectionlist::ProgramTreeModel& m_programs;
    const connectionlist::ProgramTraffic& m_traffic;
    connectionlist::ProgramKey m_program;
};
