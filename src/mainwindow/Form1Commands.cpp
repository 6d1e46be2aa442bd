#include "mainwindow/Form1.h"

#include "controls/dns/DNS.h"
#include "mainwindow/FrmInfo.h"
#include "mainwindow/LiveTraffic.h"
#include "mainwindow/ShownText.h"
#include "options/frmOptions.h"
#include "platform/host/MessageBoxService.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "snapshot/ProcessTermination.h"
#include "snapshot/SocketMatching.h"
#include "tray/HideDecision.h"
#include "tray/TrayIntegration.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

using namespace form1design;

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
const QString InfoTitle = QStringLiteral("Connection Info");
const QString TerminateTitle = QStringLiteral("Terminate");
// File name, process id, owner; the path follows after a space.
const QString EndQuestionText = QStringLiteral("End %1 (process %2, user %3)?");
const QString UnknownOwnerText = QStringLiteral("unknown");
// Remote host and port of a row kept after its connection went.
const QString GoneInfoText =
    QStringLiteral("The connection to %1:%2 has gone since the last refresh; no process owns it any more.");

// Sub-items of a row, as the list's columns number them.
constexpr int LocalPortItem = 1;
constexpr int RemoteHostItem = 2;
constexpr int RemotePortItem = 3;
constexpr int FilePathItem = 5;

} // namespace

void Form1::Toolbar1_ButtonClick(const widgets::ToolbarButton& Button) {
    if (m_ended)
        return;
    // Compared exactly and in this order; a caption that matches none does nothing.
    const QString& caption = Button.caption;
    if (caption == QLatin1String("SysTray")) {
        sendToTray();
        return;
    }
    if (caption == QLatin1String("Refresh")) {
        RefreshView(); // while one runs, this one waits for it instead of starting inside it
        return;
    }
    if (caption == QLatin1String("Exit")) {
        endProgram();
        return;
    }
    if (caption == QLatin1String("Terminate")) {
        terminateSelected();
        return;
    }
    if (caption == QLatin1String("Options")) {
        showOptions();
        return;
    }
    if (caption == QLatin1String("About")) {
        showAbout();
        return;
    }
}

void Form1::sendToTray() {
    const tray::HideDecision decision = tray::decideHideForThisDesktop();
    if (decision.action == tray::HideAction::Minimise) {
        // Hidden without a tray there would be no way back to the window.
        showMinimized();
        StatusBar1->setPanelText(2, decision.statusText);
        return;
    }
    m_tray->registerTrayReceiver();
    ShowTrayIcon(this, TrayTip, windowIcon());
    hide();
}

void Form1::terminateSelected() {
    // During a refresh the list and the row table are being rebuilt: the selected row may
    // stand for another connection than the one the user picked. While an ended process is
    // still being watched, its refreshes have yet to come.
    if (m_refreshing || Processing != False16 || m_terminationWatch)
        return;
    const int row = ListView1->selectedIndex();
    const ConnectionRecord* entry = row >= 1 ? m_snapshot.RowTable.at(row) : nullptr;
    if (!entry)
        return;
    const std::int32_t processId = entry->ProcessId;
    const std::uint64_t startTime = entry->ProcessStartTime;
    const QString fileName = entry->ImagePath;
    if (selectedRowIsGone()) {
        StatusBar1->setPanelText(2, NotTerminatedText.arg(fileName, GoneReason));
        return;
    }
    // A process that is no longer the row's is reported as ended below, with nothing to ask.
    if (startTime != 0 && m_system.processStartTime(processId) == startTime &&
        !confirmTermination(row, processId))
        return;

    // Only the process the row was built from: one that ended since may have left its id
    // to another program, which must not be ended in its place.
    const TerminationOutcome outcome = TerminateOwningProcess(m_system, processId, startTime);
    if (outcome.alreadyEnded) {
        finishTermination(NotTerminatedText.arg(fileName, AlreadyEndedReason));
        return;
    }
    if (!outcome.ended) {
        finishTermination(NotTerminatedText.arg(fileName, outcome.errorText));
        return;
    }
    // Told to end; the list is refreshed once it is gone, and the window stays responsive
    // meanwhile.
    StatusBar1->setPanelText(2, TerminatingText + fileName);
    m_terminationWatch = new TerminationWatch(m_system, processId, startTime, m_terminationLimit, this);
    const QString stillRunning =
        StillRunningText.arg(fileName).arg(double(m_terminationLimit.count()) / 1000.0, 0, 'g', 3);
    connect(m_terminationWatch, &TerminationWatch::finished, this,
            [this, fileName, stillRunning](bool ended) {
                m_terminationWatch->deleteLater();
                m_terminationWatch = nullptr;
                // Refreshed from the event loop, not from inside the watch's own signal.
                const QString message = ended ? TerminatedText + fileName : stillRunning;
                QTimer::singleShot(0, this, [this, message] {
                    if (!m_ended)
                        finishTermination(message);
                });
            });
}

// With auto-refresh the rows move under the pointer and many can read alike: the user sees
// which process, whose, and which program before it ends.
bool Form1::confirmTermination(int row, std::int32_t processId) {
    const widgets::ListItem item = ListView1->item(row);
    QString owner = shownText(m_system.processOwnerName(processId));
    QString question = EndQuestionText.arg(item.text(), QString::number(processId),
                                           owner.isEmpty() ? UnknownOwnerText : owner);
    if (const QString path = item.subItem(FilePathItem); !path.isEmpty())
        question += QLatin1Char(' ') + path;
    QPointer<Form1> alive(this);
    const QMessageBox::StandardButton answer =
        host::MessageBoxService::show({this, QMessageBox::Question, TerminateTitle, question,
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No});
    // While the box was open the window kept running: it may have closed, or begun another end.
    return answer == QMessageBox::Yes && alive && !m_ended && !m_refreshing && !m_terminationWatch;
}

void Form1::finishTermination(const QString& message) {
    QPointer<Form1> alive(this);
    RefreshView();
    if (!alive || m_ended)
        return;
    StatusBar1->setPanelText(2, message);
    RefreshView();
    if (!alive || m_ended)
        return;
    // The second refresh wrote its own texts over the message; the user must still learn
    // what became of the process, failures above all. A refresh that could not read the
    // list keeps its own message, which matters more.
    if (StatusBar1->panelText(2) == VisitText)
        StatusBar1->setPanelText(2, message);
}

void Form1::showOptions() {
    options::frmOptions::open(m_options, Timer1, ListView1, this);
}

void Form1::showAbout() {
    host::MessageBoxService::show({this, QMessageBox::Information, QStringLiteral("About ") + Caption,
                                   Caption + QLatin1Char('\n') + WebAddress, QMessageBox::Ok});
}

FrmInfo* Form1::frmInfo() const {
    return m_info;
}

options::frmOptions* Form1::optionsDialog() const {
    return m_options && !m_options->isUnloaded() ? m_options.data() : nullptr;
}

FrmInfo* Form1::loadFrmInfo() {
    if (!m_info)
        m_info = new FrmInfo(m_system, this);
    return m_info;
}

void Form1::ListView1_DblClick() {
    if (m_ended)
        return;
    widgets::ListItem item = ListView1->selectedItem();
    if (!item.isValid())
        return;
    // Read before the lookup, which blocks: the row stays what the user double-clicked.
    const QString remoteHost = item.subItem(RemoteHostItem);
    const QString remotePort = item.subItem(RemotePortItem);
    const QString localPort = item.subItem(LocalPortItem);
    const QString filePath = item.subItem(FilePathItem);
    if (selectedRowIsGone()) {
        host::MessageBoxService::show({this, QMessageBox::Information, InfoTitle,
                                       GoneInfoText.arg(remoteHost, remotePort), QMessageBox::Ok});
        return;
    }

    FrmInfo* info = loadFrmInfo();
    info->TxtHost->setText(remoteHost);
    info->TxtIP->setText(remoteAddressOf(ListView1->selectedIndex(), info->TxtHost->text()));
    info->TxtRemote->setText(remotePort);
    info->TxtLocal->setText(localPort);
    info->TxtProcess->setText(filePath);
    m_liveTraffic->follow(info, m_liveTraffic->rowEnds(ListView1->selectedIndex()));
    info->show();
    info->raise();
    info->activateWindow();
}

bool Form1::selectedRowIsGone() {
    const int row = ListView1->selectedIndex();
    const ConnectionRecord* entry = m_snapshot.RowTable.at(row);
    return ListView1->item(row).mark() == widgets::RowMark::Gone || !entry || entry->ProcessId == 0;
}

void Form1::copySelected(int subItem, bool resolve) {
    if (m_ended)
        return;
    widgets::ListItem item = ListView1->selectedItem();
    if (!item.isValid())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QString text = item.subItem(subItem);
    if (resolve)
        text = remoteAddressOf(item.index(), text);
    clipboard->setText(text);
}

// The list may show a name that the resolver answers with another address than the
// connection's (IPv4 for "localhost" of a ::1 connection) or not at all ("::1").
QString Form1::remoteAddressOf(int row, const QString& shownHost) {
    controls::DNS* resolver = loadFrmInfo()->DNS1;
    const ConnectionRecord* entry = m_snapshot.RowTable.at(row);
    if (entry && entry->ProcessId != 0 && !entry->RemoteAddress.isEmpty())
        return entry->RemoteAddress;
    if (isNumericAddress(shownHost))
        return shownHost;
    // A UDP endpoint has no remote side; its "*" is no name to look up.
    if (shownHost == QLatin1String("*"))
        return QString();
    return resolver->NameToAddress(shownHost).value_or(QString());
}

void Form1::mnuIP_Click() {
    copySelected(RemoteHostItem, true);
}

void Form1::mnHN_Click() {
    copySelected(RemoteHostItem, false);
}

void Form1::mnuRP_Click() {
    copySelected(RemotePortItem, false);
}

void Form1::mnuFP_Click() {
    copySelected(FilePathItem, false);
}

void Form1::ListView1_MouseDown(int Button, int Shift, int x, int y) {
    Q_UNUSED(Shift);
    if (m_ended || Button != widgets::ListView::RightButton)
        return;
    mnuRes->exec(ListView1->viewport()->mapToGlobal(QPoint(x, y)));
}

std::int32_t Form1::ShowTrayIcon(QWidget* lHWnd, const QString& sTip, const QIcon& lIcon) {
    return m_tray ? m_tray->ShowTrayIcon(lHWnd, sTip, lIcon) : 0;
}

std::int32_t Form1::ChangeIcon(const QIcon& lNewIcon) {
    return m_tray ? m_tray->ChangeIcon(lNewIcon) : 0;
}

std::int32_t Form1::ChangeTip(const QString& nNewTip) {
    return m_tray ? m_tray->ChangeTip(nNewTip) : 0;
}

std::int32_t Form1::RemoveTrayIcon() {
    return m_tray ? m_tray->RemoveTrayIcon() : 0;
}

std::int32_t Form1::TransparentObject(QWidget* HWND) {
    return tray::TrayIntegration::TransparentObject(HWND);
}
