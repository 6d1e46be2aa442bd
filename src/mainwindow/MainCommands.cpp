#include "mainwindow/MainCommands.h"

#include "connectionlist/ConnectionColumns.h"
#include "connectionlist/ConnectionModel.h"
#include "connectionlist/ProgramTreeModel.h"
#include "connectionlist/ShownText.h"
#include "mainwindow/CloseConnection.h"
#include "mainwindow/CsvTable.h"
#include "mainwindow/HistoryCommands.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "mainwindow/ListeningPortWatch.h"
#include "mainwindow/LiveTraffic.h"
#include "mainwindow/ProgramView.h"
#include "mainwindow/RefreshCycle.h"
#include "options/frmOptions.h"
#include "platform/host/FileDialogService.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/OperatingSystem.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ProcessTermination.h"
#include "tray/HideDecision.h"
#include "tray/TrayIntegration.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTimer>

using namespace form1design;
using connectionlist::ConnectionRow;

namespace {

const QString TrayTip = QStringLiteral("Tavren's Watching You...");
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
const QString InfoTitle = QStringLiteral("Connection Info");
const QString TerminateTitle = QStringLiteral("Terminate");
// Process id and owner first: a name or path can be made to look like any other.
const QString EndQuestionText = QStringLiteral("Process %1, user %2: end %3?");
// Characters of the path per line in the question; a longer path wraps, whole.
constexpr int QuestionPathWidth = 64;
const QString UnknownOwnerText = QStringLiteral("unknown");
// Remote host and port of a row kept after its connection went.
const QString GoneInfoText =
    QStringLiteral("The connection to %1:%2 has gone since the last refresh; no process owns it any more.");

// Short enough for the box; the box's tip says it whole.
const QString NoRemoteUdpText = QStringLiteral("none (UDP endpoint)");
const QString NoRemoteListeningText = QStringLiteral("none (listening port)");

const QString NewListenerTitle = QStringLiteral("New Listening Port");

const QString SaveTitle = QStringLiteral("Save List As");
const QString SaveFilter = QStringLiteral("CSV files (*.csv);;All files (*)");
const QString SuggestedFileName = QStringLiteral("connections.csv");
const QString NotSavedText = QStringLiteral("The list could not be saved to %1.\n%2");
const QString BusyText = QStringLiteral("The list is being refreshed; save it again when it is done.");

// The file name a message gives for the row's program: none for an "Unknown" row.
QString fileNameOf(const ConnectionRow& row) {
    return row.programPath.isEmpty() ? QString() : row.fileName;
}

} // namespace

MainCommands::MainCommands(Form1& window, os::OperatingSystem& system, connectionlist::ConnectionModel& rows,
                           RefreshCycle& refresh, LiveTraffic& traffic)
    : QObject(&window), m_window(window), m_system(system), m_rows(rows), m_refresh(refresh), m_traffic(traffic),
      m_closing(new CloseConnection(window, system, rows, refresh)) {
    connect(&m_refresh, &RefreshCycle::refreshed, this, [this] {
        if (!m_terminateAfterRefresh)
            return;
        m_terminateAfterRefresh = false;
        // From the event loop: the refresh that ended may still be on the stack.
        QTimer::singleShot(0, this, [this] {
            if (!m_window.hasEnded())
                terminateSelected();
        });
    });
}

const ConnectionRow* MainCommands::selectedRow() const {
    return m_rows.row(m_window.ListView1->selectedIndex() - 1);
}

void MainCommands::addListEntries() {
    QMenu* menu = m_window.mnuRes;
    menu->addSeparator()->setObjectName(QStringLiteral("mnuSep"));
    QAction* row = m_window.mnuRow = menu->addAction(QStringLiteral("Copy &Row"));
    row->setObjectName(QStringLiteral("mnuRow"));
    // Ctrl+C over the list; the filter field keeps its own Ctrl+C for its text.
    row->setShortcut(QKeySequence::Copy);
    row->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_window.ListView1->addAction(row);
    QAction* save = m_window.mnuSave = menu->addAction(QStringLiteral("&Save List As..."));
    save->setObjectName(QStringLiteral("mnuSave"));
    connect(row, &QAction::triggered, &m_window, &Form1::mnuRow_Click);
    connect(save, &QAction::triggered, &m_window, &Form1::mnuSave_Click);
    menu->addSeparator()->setObjectName(QStringLiteral("mnuSepClose"));
    m_window.mnuClose = m_closing->addListEntry(*menu);

    menu->addSeparator()->setObjectName(QStringLiteral("mnuSepShow"));
    const auto addChoice = [this, menu](const char* name, const QString& caption) {
        QAction* choice = menu->addAction(caption);
        choice->setObjectName(QLatin1String(name));
        choice->setCheckable(true);
        connect(choice, &QAction::toggled, &m_refresh, &RefreshCycle::listingChanged);
        return choice;
    };
    m_window.mnuListening = addChoice("mnuListening", QStringLiteral("Show &Listening Ports"));
    m_window.mnuUdp = addChoice("mnuUdp", QStringLiteral("Show &UDP Endpoints"));
    m_window.mnuNumbers = addChoice("mnuNumbers", QStringLiteral("Show &Numbers"));
    // A container's connections are connections of this machine: listed from the start.
    if (m_system.hasOtherNetworkNamespaces()) {
        m_window.mnuNamespaces = addChoice("mnuNamespaces", QStringLiteral("Show &All Namespaces"));
        const QSignalBlocker quiet(m_window.mnuNamespaces);
        m_window.mnuNamespaces->setChecked(true);
        // The Namespace column shown counts the namespaces left out too: read them now.
        connect(m_window.ListView1, &widgets::ListView::columnShownChanged, this,
                [this](int column, bool shown) {
                    if (shown && column == int(connectionlist::Column::Namespace) &&
                        !m_window.mnuNamespaces->isChecked())
                        m_refresh.listingChanged();
                });
    }
    // Changes no listing: the watch lists on its own.
    QAction* notify = m_window.mnuNotifyPorts =
        menu->addAction(QStringLiteral("Notify on New Listening Por&ts"));
    notify->setObjectName(QStringLiteral("mnuNotifyPorts"));
    notify->setCheckable(true);
    m_portWatch = new ListeningPortWatch(
        m_system, [this](const QString& text) { announceListener(text); },
        [this] { return !m_window.hasEnded(); }, this);
    connect(notify, &QAction::toggled, m_portWatch, &ListeningPortWatch::setWatching);

    // The header's menu and its clicks, for the keyboard.
    menu->addSeparator()->setObjectName(QStringLiteral("mnuSepColumns"));
    m_window.mnuColumns = menu->addMenu(QStringLiteral("Colu&mns"));
    m_window.mnuColumns->setObjectName(QStringLiteral("mnuColumns"));
    connect(m_window.mnuColumns, &QMenu::aboutToShow, this, &MainCommands::fillColumnsMenu);
    m_window.mnuSortBy = menu->addMenu(QStringLiteral("S&ort By"));
    m_window.mnuSortBy->setObjectName(QStringLiteral("mnuSortBy"));
    connect(m_window.mnuSortBy, &QMenu::aboutToShow, this, &MainCommands::fillSortMenu);
    // Filled now too, so that the entries are there before the menu first opens.
    fillColumnsMenu();
    fillSortMenu();

    m_history = new HistoryCommands(m_window, m_system, m_rows);
    m_history->addListEntries(*menu);

    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), &m_window);
    connect(refresh, &QShortcut::activated, &m_window, &Form1::RefreshView);
}

void MainCommands::announceListener(const QString& text) {
    if (m_window.m_tray && QSystemTrayIcon::isSystemTrayAvailable()) {
        m_window.m_tray->showBalloon(NewListenerTitle, text, m_window.windowIcon());
        return;
    }
    m_window.StatusBar1->setPanelText(2, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

// Every column with a check mark, as the header's menu has them.
void MainCommands::fillColumnsMenu() {
    m_window.ListView1->addColumnEntries(m_window.mnuColumns);
}

// One entry per shown column, the sorted one checked; choosing it again turns the order round.
void MainCommands::fillSortMenu() {
    QMenu* menu = m_window.mnuSortBy;
    menu->clear();
    widgets::ListView& list = *m_window.ListView1;
    auto* group = new QActionGroup(menu);
    for (int column : list.shownColumns()) {
        QAction* entry = menu->addAction(list.columnHeader(column));
        entry->setCheckable(true);
        entry->setChecked(column == list.sortColumn());
        group->addAction(entry);
        connect(entry, &QAction::triggered, &list, [&list, column] { list.sortAsClicked(column); });
    }
}

void MainCommands::limitToWatching(const QString& hostName) {
    const QString why = QStringLiteral("Not available in the window of another host (%1): it only watches it").arg(hostName);
    widgets::Toolbar& toolbar = *m_window.Toolbar1;
    for (int index = 1; index <= toolbar.buttonCount(); ++index) {
        if (toolbar.button(index).caption != QLatin1String("Terminate"))
            continue;
        QAction* action = toolbar.buttonAction(index);
        action->setEnabled(false);
        action->setToolTip(why);
    }
}

void MainCommands::toolbarButton(const QString& caption) {
    // Compared exactly and in this order; a caption that matches none does nothing.
    if (caption == QLatin1String("SysTray"))
        sendToTray();
    else if (caption == QLatin1String("Refresh"))
        m_refresh.refresh(); // while one runs, this one waits for it instead of starting inside it
    else if (caption == QLatin1String("Exit"))
        m_window.endProgram();
    else if (caption == QLatin1String("Terminate"))
        terminateSelected();
    else if (caption == QLatin1String("Options"))
        showOptions();
    else if (caption == QLatin1String("About"))
        showAbout();
}

void MainCommands::sendToTray() {
    const tray::HideDecision decision = tray::decideHideForThisDesktop();
    if (decision.action == tray::HideAction::Minimise) {
        // Hidden without a tray there would be no way back to the window.
        m_window.showMinimized();
        m_window.StatusBar1->setPanelText(2, decision.statusText);
        return;
    }
    m_window.m_tray->registerTrayReceiver();
    m_window.ShowTrayIcon(&m_window, TrayTip, m_window.windowIcon());
    m_window.hide();
}

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

void MainCommands::showOptions() {
    options::frmOptions::open(m_options, m_window.Timer1, m_window.ListView1, &m_window);
}

void MainCommands::showAbout() {
    host::MessageBoxService::show({&m_window, QMessageBox::Information, QStringLiteral("About ") + Caption,
                                   Caption + QLatin1Char('\n') + WebAddress, QMessageBox::Ok});
}

options::frmOptions* MainCommands::optionsDialog() const {
    return m_options && !m_options->isUnloaded() ? m_options.data() : nullptr;
}

FrmInfo* MainCommands::frmInfo() const {
    return m_info;
}

FrmInfo* MainCommands::loadFrmInfo() {
    if (!m_info)
        m_info = new FrmInfo(m_system, &m_window);
    return m_info;
}

void MainCommands::showInfo() {
    if (const connectionlist::ProgramGroup* program = m_window.programView()->selectedProgram()) {
        m_window.programView()->showInfo(*program);
        return;
    }
    const ConnectionRow* selected = selectedRow();
    if (!selected)
        return;
    // A copy: the lookup below blocks and lets the list change, the dialog stays on this row.
    const ConnectionRow row = *selected;
    if (row.isGone()) {
        host::MessageBoxService::show({&m_window, QMessageBox::Information, InfoTitle,
                                       GoneInfoText.arg(row.remoteHost, row.remotePortText), QMessageBox::Ok});
        return;
    }
    FrmInfo* info = loadFrmInfo();
    if (row.key.udp || row.state == os::TcpListen)
        info->showEndpoint(row.localAddressText, row.key.udp ? NoRemoteUdpText : NoRemoteListeningText);
    else
        info->showRemote(row.remoteHost, remoteAddressOf(row));
    info->TxtRemote->setText(row.remotePortText);
    info->TxtLocal->setText(row.localPortText);
    info->TxtProcess->setText(row.shownPath);
    m_closing->offerOn(*info, row);
    m_traffic.follow(info, row.trafficEnds);
    info->showOtherNamespaceNote(row.inOtherNamespace());
    info->show();
    info->raise();
    info->activateWindow();
}

// The connection's own address, as its socket has it. Never the answer to a look-up of the
// shown name: the resolver may answer it with another address than the connection's (IPv4
// for "localhost" of a ::1 connection), and whoever answers for a name may give any. Empty
// when the socket's address is not known.
QString MainCommands::remoteAddressOf(const ConnectionRow& row) {
    loadFrmInfo(); // loaded hidden, as the address command always has: a double-click reuses it
    return row.remoteAddress;
}

void MainCommands::copyField(Field field) {
    const ConnectionRow* selected = selectedRow();
    if (!selected)
        return;
    const ConnectionRow row = *selected;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    switch (field) {
    case Field::RemoteAddress:
        clipboard->setText(remoteAddressOf(row));
        break;
    case Field::RemoteHost:
        clipboard->setText(row.remoteHost);
        break;
    case Field::RemotePort:
        clipboard->setText(row.remotePortText);
        break;
    case Field::FilePath:
        clipboard->setText(row.shownPath);
        break;
    }
}

void MainCommands::copyRow() {
    const int selected = m_window.ListView1->selectedIndex();
    const connectionlist::ProgramGroup* program = m_window.programView()->selectedProgram();
    if (selected <= 0 && !program)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QStringList texts =
        program ? m_window.programView()->shownTexts(*program) : m_window.ListView1->shownTexts(selected);
    clipboard->setText(texts.join(QLatin1Char('\t')));
}

void MainCommands::saveListAs() {
    const QString folder = m_saveFolder.isEmpty() ? QDir::homePath() : m_saveFolder;
    const QString path = host::FileDialogService::getSaveFileName(
        {&m_window, SaveTitle, QDir(folder).filePath(SuggestedFileName), SaveFilter, QStringLiteral("csv")});
    if (path.isEmpty() || m_window.hasEnded())
        return;
    m_saveFolder = QFileInfo(path).absolutePath();
    const QString failure = saveList(path);
    if (!failure.isEmpty())
        host::MessageBoxService::show({&m_window, QMessageBox::Warning, SaveTitle,
                                       NotSavedText.arg(QDir::toNativeSeparators(path), failure),
                                       QMessageBox::Ok});
}

QString MainCommands::saveList(const QString& path) {
    // Mid-refresh the list holds only part of the new rows, not what the user sees.
    if (m_refresh.isRefreshing())
        return BusyText;
    // Exactly the columns shown, in the order shown.
    const widgets::ListView& list = *m_window.ListView1;
    QList<QStringList> rows;
    rows << list.shownHeaders();
    for (int shown : list.shownRows())
        rows << list.shownTexts(shown);
    return m_system.saveFile(path, csvTable(rows));
}

void MainCommands::openListMenuAtSelection() {
    widgets::ListView& list = *m_window.ListView1;
    QPoint at(0, 0);
    const QModelIndex row = list.selectionModel()->selectedRows().value(0);
    if (row.isValid()) {
        list.scrollTo(row);
        const QRect shown = list.visualRect(row);
        at = QPoint(shown.left() + shown.height(), shown.bottom());
    }
    m_window.mnuRes->exec(list.viewport()->mapToGlobal(at));
}
