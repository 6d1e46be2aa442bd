#include "mainwindow/MainCommands.h"

#include "connectionlist/ConnectionModel.h"
#include "connectionlist/ProgramTreeModel.h"
#include "connectionlist/ShownText.h"
#include "mainwindow/Form1.h"
#include "mainwindow/ProgramView.h"
#include "mainwindow/RefreshCycle.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "snapshot/ProcessTermination.h"

#include <QTimer>

// Terminate: the confirmation, ending one process or all of a program's, and its outcome.

using namespace form1design;
using connectionlist::ConnectionRow;

namespace {

const QString TerminatedText = QStringLiteral("Process Terminated: ");
// File name, then the system's reason.
const QString NotTerminatedText = QStringLiteral("Process Not Terminated: %1 (%2)");
const QString AlreadyEndedReason = QStringLiteral("the process has already ended");
// A process told to end that was still there when the wait ran out: it was told, and has
// not gone yet (a process stuck in the kernel ends only when it leaves it).
const QString StillRunningText = QStringLiteral("Process Told To End: %1 (not yet gone after %2 s)");
const QString TerminatingText = QStringLiteral("Terminating: ");
const QString GoneReason = QStringLiteral("the connection has gone since the last refresh");
const QString NoProcessReason = QStringLiteral("no process that you may see holds the connection");
const QString TerminateTitle = QStringLiteral("Terminate");
// Process id and owner first: a name or path can be made to look like any other.
const QString EndQuestionText = QStringLiteral("Process %1, user %2: end %3?");
// Characters of the path per line in the question; a longer path wraps, whole.
constexpr int QuestionPathWidth = 64;
const QString UnknownOwnerText = QStringLiteral("unknown");
// The file name a message gives for the row's program: none for an "Unknown" row.
QString fileNameOf(const ConnectionRow& row) {
    return row.programPath.isEmpty() ? QString() : row.fileName;
}

} // namespace

void MainCommands::terminateSelected() {
    // Off in a window of another host; a click that reaches here still does nothing.
    if (!m_system.remoteHostName().isEmpty())
        return;
    // While an ended process is still being watched, its refreshes have yet to come.
    if (m_terminationWatch)
        return;
    // During a refresh the list is being rebuilt: the command waits for the rebuilt list,
    // which selects the connection the user picked again.
    if (m_refresh.isRefreshing() || m_window.Processing != False16) {
        m_terminateAfterRefresh = true;
        return;
    }
    if (const connectionlist::ProgramGroup* program = m_window.programView()->selectedProgram()) {
        const std::vector<const ConnectionRow*> processes = m_window.programView()->processesOf(*program);
        if (processes.size() > 1)
            terminateSeveral(processes);
        else if (!processes.empty())
            terminateRow(*processes.front());
        return;
    }
    if (const ConnectionRow* row = selectedRow())
        terminateRow(*row);
}

void MainCommands::terminateRow(const ConnectionRow& selected) {
    const ConnectionRow* row = &selected;
    if (row->processId <= 0) {
        m_window.StatusBar1->setPanelText(2, NotTerminatedText.arg(row->fileName, NoProcessReason));
        return;
    }
    const std::int32_t processId = row->processId;
    const std::uint64_t startTime = row->processStartTime;
    const QString fileName = fileNameOf(*row);
    if (row->isGone()) {
        m_window.StatusBar1->setPanelText(2, NotTerminatedText.arg(fileName, GoneReason));
        return;
    }
    // A process that is no longer the row's is reported as ended below, with nothing to ask.
    if (startTime != 0 && m_system.processStartTime(processId) == startTime && !confirmTermination(*row))
        return;

    // Only the process the row was built from: one that ended since may have left its id
    // to another program, which must not be ended in its place.
    const TerminationOutcome outcome = TerminateOwningProcess(m_system, processId, startTime);
    if (outcome.alreadyEnded) {
        finishTermination(NotTerminatedText.arg(fileName, AlreadyEndedReason));
        return;
    }
    if (!outcome.ended) {
        // A refusal must not pass unseen: the status bar's text is replaced at every refresh.
        const QString refused = NotTerminatedText.arg(fileName, outcome.errorText);
        QPointer<MainCommands> alive(this);
        host::MessageBoxService::show({&m_window, QMessageBox::Warning, TerminateTitle, refused, QMessageBox::Ok});
        if (alive && !m_window.hasEnded())
            finishTermination(refused);
        return;
    }
    // Told to end; the list is refreshed once it is gone, and the window stays responsive
    // meanwhile.
    m_window.StatusBar1->setPanelText(2, TerminatingText + fileName);
    m_terminationWatch = new TerminationWatch(m_system, processId, startTime, m_terminationLimit, this);
    const QString stillRunning =
        StillRunningText.arg(fileName).arg(double(m_terminationLimit.count()) / 1000.0, 0, 'g', 3);
    connect(m_terminationWatch, &TerminationWatch::finished, this, [this, fileName, stillRunning](bool ended) {
        m_terminationWatch->deleteLater();
        m_terminationWatch = nullptr;
        // Refreshed from the event loop, not from inside the watch's own signal.
        const QString message = ended ? TerminatedText + fileName : stillRunning;
        QTimer::singleShot(0, this, [this, message] {
            if (!m_window.hasEnded())
                finishTermination(message);
        });
    });
}

void MainCommands::terminateSeveral(const std::vector<const ConnectionRow*>& processes) {
    struct Process {
        std::int32_t id;
        std::uint64_t startTime;
        QString fileName;
    };
    std::vector<Process> chosen;
    for (const ConnectionRow* row : processes)
        chosen.push_back({row->processId, row->processStartTime, fileNameOf(*row)});
    QPointer<MainCommands> alive(this);
    const QMessageBox::StandardButton answer = host::MessageBoxService::show(
        {&m_window, QMessageBox::Question, TerminateTitle, ProgramView::severalProcessesQuestion(processes),
         QMessageBox::Yes | QMessageBox::No, QMessageBox::No});
    if (answer != QMessageBox::Yes || !alive || m_window.hasEnded() || m_refresh.isRefreshing() ||
        m_terminationWatch)
        return;
    // Each only while its id still names the process the row was built from.
    QStringList failures;
    int ended = 0;
    for (const Process& process : chosen) {
        const TerminationOutcome outcome = TerminateOwningProcess(m_system, process.id, process.startTime);
        if (outcome.ended)
            ++ended;
        else
            failures << NotTerminatedText.arg(process.fileName,
                                              outcome.alreadyEnded ? AlreadyEndedReason : outcome.errorText);
    }
    finishTermination(failures.isEmpty()
                          ? TerminatedText + QStringLiteral("%1 (%2 processes)").arg(chosen.front().fileName).arg(ended)
                          : failures.join(QLatin1String("; ")));
}

// With auto-refresh the rows move under the pointer and many can read alike: the user sees
// which process, whose, and which program before it ends.
bool MainCommands::confirmTermination(const ConnectionRow& row) {
    const QString owner = shownText(m_system.processOwnerName(row.processId));
    const QString fileName = row.programPath.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    QString question = EndQuestionText.arg(QString::number(row.processId), owner.isEmpty() ? UnknownOwnerText : owner,
                                           row.programPath.isEmpty() ? row.fileName : codedText(fileName));
    if (!row.programPath.isEmpty()) {
        question += QLatin1String("\n\n") + codedPathLines(row.programPath, QuestionPathWidth);
        // The process could have named itself so.
        if (row.programPathSource == os::PathSource::CommandLine)
            question += QStringLiteral("\n(read from its command line)");
        else if (row.programPathSource == os::PathSource::ProcessName)
            question += QStringLiteral("\n(read from its process name)");
    }
    QPointer<MainCommands> alive(this);
    const QMessageBox::StandardButton answer =
        host::MessageBoxService::show({&m_window, QMessageBox::Question, TerminateTitle, question,
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No});
    // While the box was open the window kept running: it may have closed, or begun another end.
    return answer == QMessageBox::Yes && alive && !m_window.hasEnded() && !m_refresh.isRefreshing() &&
           !m_terminationWatch;
}

void MainCommands::finishTermination(const QString& message) {
    QPointer<MainCommands> alive(this);
    m_refresh.refresh();
    if (!alive || m_window.hasEnded())
        return;
    m_window.StatusBar1->setPanelText(2, message);
    m_refresh.refresh();
    if (!alive || m_window.hasEnded())
        return;
    // The second refresh wrote its own texts over the message (the idle text, a count, why
    // the list could not be read); the user must still learn what became of the process,
    // and keeps what the refresh said after it.
    const QString said = m_window.StatusBar1->panelText(2);
    m_window.StatusBar1->setPanelText(2, said == VisitText || said == message ? message
                                                                             : message + QStringLiteral("; ") + said);
}
