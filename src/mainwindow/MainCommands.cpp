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
const QString InfoTitle = QStringLiteral("Connection Info");
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
    m_history->feedProgramTotals(m_traffic.programs());
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
