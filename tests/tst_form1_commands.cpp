// links: tavren_mainwindow
// platforms: linux windows
#include "connectionlist/ConnectionColumns.h"
#include "connectionlist/ConnectionModel.h"
#include "controls/dns/DNS.h"
#include "history/HistoryFile.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "options/frmOptions.h"
#include "platform/host/FileDialogService.h"
#include "platform/host/MessageBoxService.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"
#include "support/RunAlone.h"
#include "tray/TrayIntegration.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using testsupport::finished;
using testsupport::Line;
using testsupport::listing;

namespace {

const QString WebPath = QStringLiteral("/usr/bin/webclient");
const QString ShellPath = QStringLiteral("/usr/bin/sshclient");
constexpr int WebPid = 700;
constexpr int ShellPid = 701;

} // namespace

class Form1CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void refreshCaptionRefreshes();
    void exitEndsWithoutUnload();
    void unknownCaptionDoesNothing_data();
    void unknownCaptionDoesNothing();
    void sysTrayWithoutTrayMinimisesAndSaysSo();
    void terminate_data();
    void terminate();
    void terminateAsksFirst_data();
    void terminateAsksFirst();
    void terminateWaitsWithoutBlocking();
    void terminateDuringRefreshActsOnRebuiltList();
    void terminateWithoutSelectionDoesNothing();
    void commandsDuringRefreshNeverNest();
    void optionsReusedAfterOkRecreatedAfterCancel();
    void aboutNamesProgramAndWebAddress();

    void doubleClickFillsInfo_data();
    void doubleClickFillsInfo();
    void doubleClickOnRowThroughMouse();
    void doubleClickEmptyListDoesNothing();
    void secondDoubleClickRefillsSameDialog();
    void okUnloadsAndNextDoubleClickMakesFreshDialog();

    void copyCommands_data();
    void copyCommands();
    void copyWithoutSelectionLeavesClipboard();
    void keepHistoryIsTheFile();
    void copyIpMakesDialogHiddenAndDoubleClickReusesIt();
    void menuOpensOnRightButtonOnly();
    void ownRemoteAddress_data();
    void ownRemoteAddress();
    void othersConnectionsCounted_data();
    void othersConnectionsCounted();

    void unloadRemovesTrayIcon();
    void trayExitUnloadsWindow();

private:
    Form1& form() { return *m_form; }
    void loadTwoRows();
    void click(const QString& caption);
    int commandRuns() const { return int(m_system->commandRequests.size()); }

    std::unique_ptr<os::FakeSystem> m_system;
    std::unique_ptr<ConnectionSnapshot> m_snapshot;
    std::unique_ptr<Form1> m_form;
};

void Form1CommandsTest::init() {
    m_system = std::make_unique<os::FakeSystem>();
    m_snapshot = std::make_unique<ConnectionSnapshot>();
    m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    host::MessageBoxService::setObserver([](const host::MessageBoxRequest&) { return QMessageBox::Yes; });
    // Tests that trigger every entry of the list's menu cancel "Save List As".
    host::FileDialogService::setObserver([](const host::SaveFileRequest&) { return QString(); });
}

void Form1CommandsTest::cleanup() {
    host::MessageBoxService::setObserver({});
    host::FileDialogService::setObserver({});
    m_form.reset();
    m_snapshot.reset();
    m_system.reset();
}

// Two rows: 1 is the web client talking to localhost, 2 the shell client to a dotted address.
void Form1CommandsTest::loadTwoRows() {
    m_system->defaultCommandResult = finished(listing({
        {"127.0.0.1:40001", "localhost:8080", "ESTABLISHED", WebPid},
        {"127.0.0.1:40002", "10.0.0.1:2222", "ESTABLISHED", ShellPid},
    }));
    m_system->processIdList = {1, WebPid, ShellPid};
    m_system->executablePaths.insert(WebPid, WebPath);
    m_system->executablePaths.insert(ShellPid, ShellPath);
    m_system->startTimes.insert(WebPid, 1000);
    m_system->startTimes.insert(ShellPid, 2000);
    m_system->hostAddresses.insert(QStringLiteral("localhost"), {127, 0, 0, 1});
    m_system->endpoints = {{false, "127.0.0.1", 40001, 8080, "127.0.0.1"}};
    form().RefreshView();
    QCOMPARE(form().ListView1->itemCount(), 2);
}

void Form1CommandsTest::click(const QString& caption) {
    widgets::ToolbarButton button;
    button.caption = caption;
    form().Toolbar1_ButtonClick(button);
}

void Form1CommandsTest::refreshCaptionRefreshes() {
    m_system->defaultCommandResult = finished(listing({{"127.0.0.1:1", "127.0.0.1:2", "ESTABLISHED", 5}}));
    // Through the toolbar itself, so the wiring is covered too.
    int position = 0;
    for (int i = 1; i <= form().Toolbar1->buttonCount(); ++i)
        if (form().Toolbar1->button(i).caption == QLatin1String("Refresh"))
            position = i;
    QVERIFY(form().Toolbar1->click(position));
    QCOMPARE(commandRuns(), 1);
    QCOMPARE(form().ListView1->itemCount(), 1);
}

void Form1CommandsTest::exitEndsWithoutUnload() {
    TAVREN_RUN_ALONE(); // ends the program
    QSignalSpy unloading(&form(), &Form1::unloading);
    click(QStringLiteral("Exit"));
    QVERIFY(form().hasEnded());
    QCOMPARE(unloading.count(), 0);
    // Nothing runs once ended.
    click(QStringLiteral("Refresh"));
    QCOMPARE(commandRuns(), 0);
}

void Form1CommandsTest::unknownCaptionDoesNothing_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("empty") << "";
    QTest::newRow("lower case") << "refresh";
    QTest::newRow("upper case") << "SYSTRAY";
    QTest::newRow("trailing space") << "About ";
    QTest::newRow("menu entry") << "View";
}

void Form1CommandsTest::unknownCaptionDoesNothing() {
    QFETCH(QString, caption);
    loadTwoRows();
    form().ListView1->setSelectedIndex(1);
    const int runs = commandRuns();
    const QString panel2 = form().StatusBar1->panelText(2);
    int boxes = 0;
    host::MessageBoxService::setObserver([&](const host::MessageBoxRequest&) {
        ++boxes;
        return QMessageBox::Ok;
    });

    click(caption);

    QCOMPARE(commandRuns(), runs);
    QCOMPARE(boxes, 0);
    QVERIFY(m_system->terminateRequests.isEmpty());
    QVERIFY(!form().optionsDialog());
    QVERIFY(form().isVisible());
    QVERIFY(!form().isMinimized());
    QVERIFY(!form().hasEnded());
    QCOMPARE(form().StatusBar1->panelText(2), panel2);
}

void Form1CommandsTest::sysTrayWithoutTrayMinimisesAndSaysSo() {
    // Offscreen there is no system tray: hiding would strand the window.
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    click(QStringLiteral("SysTray"));
    QVERIFY(!form().isHidden());
    QTRY_VERIFY(form().isMinimized());
    QVERIFY(!form().trayIntegration()->isIconShown());
    QVERIFY2(form().StatusBar1->panelText(2).contains(QLatin1String("tray")),
             qPrintable(form().StatusBar1->panelText(2)));
}

void Form1CommandsTest::terminate_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<int>("pid");
    QTest::addColumn<qulonglong>("startAtClick"); // start time of whatever has the id then
    QTest::addColumn<int>("endsAfterChecks");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("signalled");
    // loadTwoRows records start times 1000 (web client) and 2000 (shell client).
    QTest::newRow("ended") << 1 << true << WebPid << 1000ull << 0 << "Process Terminated: webclient" << true;
    QTest::newRow("ended after a while")
        << 1 << true << WebPid << 1000ull << 4 << "Process Terminated: webclient" << true;
    QTest::newRow("refused") << 2 << false << ShellPid << 2000ull << 0
                             << "Process Not Terminated: sshclient (Operation not permitted)" << false;
    // The process ended after the refresh and its id now names another program.
    QTest::newRow("id reused") << 1 << true << WebPid << 5000ull << 0
                               << "Process Not Terminated: webclient (the process has already ended)"
                               << false;
    QTest::newRow("ended, id free") << 1 << true << WebPid << 0ull << 0
                                    << "Process Not Terminated: webclient (the process has already ended)"
                                    << false;
    // Told to end, but still there when the wait ran out: said as such, not as a failure.
    QTest::newRow("not gone in time") << 1 << true << WebPid << 1000ull << -1
                                      << "Process Told To End: webclient (not yet gone after 0.2 s)" << true;
}

void Form1CommandsTest::terminate() {
    QFETCH(int, row);
    QFETCH(bool, ends);
    QFETCH(int, pid);
    QFETCH(qulonglong, startAtClick);
    QFETCH(int, endsAfterChecks);
    QFETCH(bool, signalled);
    QFETCH(QString, panel);
    loadTwoRows();
    // A closing socket without an owner: each refresh writes its count in the panel.
    m_system->defaultCommandResult.output += "  TCP 127.0.0.1:40003 10.0.0.1:2222 TIME_WAIT 0\r\n";
    QStringList boxes;
    host::MessageBoxService::setObserver([&](const host::MessageBoxRequest& request) {
        if (request.icon == QMessageBox::Warning)
            boxes << request.text;
        return QMessageBox::Yes;
    });
    form().setTerminationLimit(std::chrono::milliseconds(200));
    m_system->terminateResults.insert(pid, os::TerminateResult{ends, ends ? 0 : 1});
    m_system->errorTexts.insert(1, QStringLiteral("Operation not permitted"));
    m_system->endsAfterChecks.insert(pid, endsAfterChecks);
    if (startAtClick)
        m_system->startTimes.insert(pid, startAtClick);
    else
        m_system->startTimes.remove(pid);
    form().ListView1->setSelectedIndex(row);
    const int runs = commandRuns();

    click(QStringLiteral("Terminate"));

    QCOMPARE(m_system->terminateRequests, QList<std::int32_t>{pid});
    QCOMPARE(m_system->signalled, signalled ? QList<std::int32_t>{pid} : QList<std::int32_t>{});
    // Both refreshes come once the outcome is known, without holding the window up.
    QTRY_COMPARE(commandRuns(), runs + 2);
    QTest::qWait(50);
    QCOMPARE(commandRuns(), runs + 2);
    // Still there once both refreshes are done.
    QCOMPARE(form().StatusBar1->panelText(2), panel + "; 1 closing socket not shown");
    QCOMPARE(boxes, ends ? QStringList() : QStringList{panel});
}

// The question names the process id and user first, then the program's path whole, in
// lines of at most 64 characters, each in a left-to-right isolate, every character that is
// not printable ASCII written as its code.
void Form1CommandsTest::terminateAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("rowsMoveMeanwhile");
    QTest::addColumn<QList<std::int32_t>>("ended");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("question");
    const QString web = "Process 700, user alice: end webclient?\n\n\u2066/usr/bin/webclient\u2069";
    QTest::newRow("yes") << int(QMessageBox::Yes) << false << QList<std::int32_t>{WebPid} << WebPath << web;
    QTest::newRow("no") << int(QMessageBox::No) << false << QList<std::int32_t>{} << WebPath << web;
    QTest::newRow("rows moved meanwhile") << int(QMessageBox::Yes) << true << QList<std::int32_t>{WebPid} << WebPath
                                          << web;
    // Division slashes and Hangul fillers posing as a browser's path.
    QTest::newRow("look-alike slashes and fillers")
        << int(QMessageBox::No) << false << QList<std::int32_t>{}
        << QString::fromUtf16(u"/tmp/firefox\u3164 \u2215usr\u2215lib\u2215firefox")
        << QString::fromUtf16(u"Process 700, user alice: end firefoxU+3164 U+2215usrU+2215libU+2215firefox?\n\n"
                              u"\u2066/tmp/firefoxU+3164 U+2215usrU+2215libU+2215firefox\u2069");
    // Hebrew folder names beside digits: written as codes, nothing reorders.
    QTest::newRow("right-to-left folder") << int(QMessageBox::No) << false << QList<std::int32_t>{}
                                          << QString::fromUtf16(u"/srv/\u05D0\u05D1 12/run")
                                          << "Process 700, user alice: end run?\n\n\u2066/srv/U+05D0U+05D1 12/run\u2069";
    // 3,769 characters: 58 lines of 64 and one of 57.
    const QString longPath = "/" + QString(3759, 'a') + "/longname";
    QString question = "Process 700, user alice: end longname?\n";
    for (int at = 0; at < longPath.size(); at += 64)
        question += "\n\u2066" + longPath.mid(at, 64) + "\u2069";
    QTest::newRow("long path") << int(QMessageBox::No) << false << QList<std::int32_t>{} << longPath << question;
}

void Form1CommandsTest::terminateAsksFirst() {
    QFETCH(int, answer);
    QFETCH(bool, rowsMoveMeanwhile);
    QFETCH(QString, path);
    m_system->ownerNames.insert(WebPid, QStringLiteral("alice"));
    m_system->terminateResults.insert(WebPid, os::TerminateResult{true, 0});
    loadTwoRows();
    m_system->executablePaths.insert(WebPid, path);
    form().RefreshView();
    form().ListView1->setSelectedIndex(1);
    QList<host::MessageBoxRequest> asked;
    host::MessageBoxService::setObserver([&](const host::MessageBoxRequest& request) {
        asked << request;
        if (rowsMoveMeanwhile) { // row 1 is another process's by the time the user answers
            m_system->defaultCommandResult =
                finished(listing({{"127.0.0.1:2", "10.0.0.1:2", "SYN_SENT", ShellPid}}));
            form().RefreshView();
        }
        return QMessageBox::StandardButton(answer);
    });
    click(QStringLiteral("Terminate"));
    QCOMPARE(asked.size(), 1);
    QTEST(asked[0].text, "question");
    QVERIFY(asked[0].buttons == (QMessageBox::Yes | QMessageBox::No));
    QCOMPARE(asked[0].defaultButton, QMessageBox::No);
    QTEST(m_system->terminateRequests, "ended");
}

// A row picked and Terminate asked for while the list is rebuilt act on the rebuilt list, on
// the same connection, wherever it moved.
void Form1CommandsTest::terminateDuringRefreshActsOnRebuiltList() {
    loadTwoRows();
    m_system->terminateResults.insert(ShellPid, os::TerminateResult{true, 0});
    m_system->onRunCommand = [this](const os::CommandRequest&) {
        m_system->onRunCommand = {};
        form().ListView1->setSelectedIndex(2); // the shell client, where the user saw it
        click(QStringLiteral("Terminate"));
    };
    m_system->defaultCommandResult = finished(listing({{"127.0.0.1:40002", "10.0.0.1:2222", "ESTABLISHED", ShellPid},
                                                       {"127.0.0.1:40001", "localhost:8080", "ESTABLISHED", WebPid}}));
    form().RefreshView();
    QTRY_COMPARE(m_system->terminateRequests, QList<std::int32_t>{ShellPid});
}

void Form1CommandsTest::terminateWaitsWithoutBlocking() {
    loadTwoRows();
    m_system->terminateResults.insert(WebPid, os::TerminateResult{true, 0});
    m_system->endsAfterChecks.insert(WebPid, -1); // never gone while the test looks
    form().setTerminationLimit(std::chrono::seconds(60));
    form().ListView1->setSelectedIndex(1);
    const int runs = commandRuns();

    click(QStringLiteral("Terminate"));

    // The click returned at once, saying what is under way; the window answers meanwhile.
    QCOMPARE(form().StatusBar1->panelText(2), QStringLiteral("Terminating: webclient"));
    QCOMPARE(commandRuns(), runs);
    QTRY_VERIFY(m_system->endChecks >= 2);
    click(QStringLiteral("Refresh"));
    QCOMPARE(commandRuns(), runs + 1);
    // A second Terminate while the first is still watched does nothing.
    form().ListView1->setSelectedIndex(2);
    click(QStringLiteral("Terminate"));
    QCOMPARE(m_system->terminateRequests, QList<std::int32_t>{WebPid});
}

void Form1CommandsTest::terminateWithoutSelectionDoesNothing() {
    loadTwoRows();
    form().ListView1->setSelectedIndex(0);
    const int runs = commandRuns();
    click(QStringLiteral("Terminate"));
    QVERIFY(m_system->terminateRequests.isEmpty());
    QCOMPARE(commandRuns(), runs);
}

void Form1CommandsTest::commandsDuringRefreshNeverNest() {
    loadTwoRows();
    form().ListView1->setSelectedIndex(1);
    const int runs = commandRuns();
    int depth = 0, deepest = 0, clicked = 0;
    m_system->onRunCommand = [&](const os::CommandRequest&) {
        deepest = std::max(deepest, ++depth);
        if (clicked++ == 0) {
            // Clicks that arrive while the refresh yields.
            click(QStringLiteral("Terminate"));
            click(QStringLiteral("Refresh"));
            click(QStringLiteral("Refresh"));
        }
        --depth;
    };
    click(QStringLiteral("Refresh"));
    QCOMPARE(deepest, 1);
    QVERIFY(m_system->terminateRequests.isEmpty());
    // The refreshes asked for meanwhile run once, after the running one.
    QCOMPARE(commandRuns(), runs + 2);
}

void Form1CommandsTest::optionsReusedAfterOkRecreatedAfterCancel() {
    form().Timer1->start(1000);
    click(QStringLiteral("Options"));
    QPointer<options::frmOptions> first = form().optionsDialog();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->windowTitle(), QStringLiteral("Options"));
    QVERIFY(!form().Timer1->isActive()); // a new dialog switches auto-refresh off

    first->findChild<QPushButton*>(QStringLiteral("CmdOk"))->click();
    QVERIFY(first->isHidden());
    form().Timer1->start(1000);
    click(QStringLiteral("Options"));
    QCOMPARE(form().optionsDialog(), first.data());
    QVERIFY(first->isVisible());
    QVERIFY(form().Timer1->isActive()); // shown again, not loaded again

    first->findChild<QPushButton*>(QStringLiteral("CmdCancel"))->click();
    QTRY_VERIFY(!first);
    QVERIFY(!form().optionsDialog());
    click(QStringLiteral("Options"));
    QVERIFY(form().optionsDialog());
    QVERIFY(form().optionsDialog()->isVisible());
    QVERIFY(!form().Timer1->isActive());
}

void Form1CommandsTest::aboutNamesProgramAndWebAddress() {
    QList<host::MessageBoxRequest> boxes;
    host::MessageBoxService::setObserver([&](const host::MessageBoxRequest& request) {
        boxes << request;
        return QMessageBox::Ok;
    });
    click(QStringLiteral("About"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].parent, &form());
    QCOMPARE(boxes[0].title, QStringLiteral("About Tavren NetStat"));
    QCOMPARE(boxes[0].text, QStringLiteral("Tavren NetStat\nwww.tavren-netstat.example"));
    QCOMPARE(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void Form1CommandsTest::doubleClickFillsInfo_data() {
    QTest::addColumn<QString>("foreign");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QStringList>("lookups");
    QTest::newRow("name") << "localhost:8080"
                          << "localhost"
                          << "127.0.0.1" << QStringList{};
    QTest::newRow("dotted, no lookup") << "10.0.0.1:8080"
                                       << "10.0.0.1"
                                       << "10.0.0.1" << QStringList{};
    QTest::newRow("unknown name") << "nowhere.invalid:8080"
                                  << "nowhere.invalid"
                                  << "" << QStringList{};
}

void Form1CommandsTest::doubleClickFillsInfo() {
    QFETCH(QString, foreign);
    QFETCH(QString, host);
    QFETCH(QString, ip);
    QFETCH(QStringList, lookups);
    m_system->defaultCommandResult = finished(listing({{"127.0.0.1:40001", foreign, "ESTABLISHED", WebPid}}));
    m_system->processIdList = {WebPid};
    m_system->executablePaths.insert(WebPid, WebPath);
    m_system->hostAddresses.insert(QStringLiteral("localhost"), {127, 0, 0, 1});
    if (host == "localhost")
        m_system->endpoints = {{false, "127.0.0.1", 40001, 8080, "127.0.0.1"}};
    form().RefreshView();
    form().ListView1->setSelectedIndex(1);

    form().ListView1_DblClick();

    FrmInfo* info = form().frmInfo();
    QVERIFY(info);
    QVERIFY(info->isVisible());
    QCOMPARE(info->windowTitle(), QStringLiteral("Connection Info"));
    QCOMPARE(info->TxtHost->text(), host);
    QCOMPARE(info->TxtIP->text(), ip);
    QCOMPARE(info->TxtLocal->text(), QStringLiteral("40001"));
    QCOMPARE(info->TxtRemote->text(), QStringLiteral("8080"));
    QCOMPARE(info->TxtProcess->text(), WebPath);
    QCOMPARE(m_system->hostNameRequests, lookups);
    // Modeless: the main window stays usable.
    QVERIFY(!info->isModal());
}

void Form1CommandsTest::doubleClickOnRowThroughMouse() {
    loadTwoRows();
    widgets::ListView& list = *form().ListView1;
    const QRect row = list.visualRect(list.model()->index(1, 0));
    QVERIFY(row.isValid());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row.center());
    QVERIFY(form().frmInfo());
    QCOMPARE(form().frmInfo()->TxtHost->text(), QStringLiteral("10.0.0.1"));
    QCOMPARE(form().frmInfo()->TxtIP->text(), QStringLiteral("10.0.0.1"));
}

void Form1CommandsTest::doubleClickEmptyListDoesNothing() {
    QCOMPARE(form().ListView1->itemCount(), 0);
    form().ListView1_DblClick();
    QVERIFY(!form().frmInfo());
    QVERIFY(m_system->hostNameRequests.isEmpty());
}

void Form1CommandsTest::secondDoubleClickRefillsSameDialog() {
    loadTwoRows();
    form().ListView1->setSelectedIndex(1);
    form().ListView1_DblClick();
    QPointer<FrmInfo> first = form().frmInfo();
    form().ListView1->setSelectedIndex(2);
    form().ListView1_DblClick();
    QCOMPARE(form().frmInfo(), first.data());
    QCOMPARE(form().findChildren<FrmInfo*>().size(), 1);
    QCOMPARE(first->TxtHost->text(), QStringLiteral("10.0.0.1"));
    QCOMPARE(first->TxtProcess->text(), ShellPath);
}

void Form1CommandsTest::okUnloadsAndNextDoubleClickMakesFreshDialog() {
    loadTwoRows();
    form().ListView1->setSelectedIndex(1);
    form().ListView1_DblClick();
    QPointer<FrmInfo> first = form().frmInfo();
    first->TxtIP->setText(QStringLiteral("typed by the user"));
    first->Command1->click();
    QTRY_VERIFY(!first);
    QVERIFY(!form().frmInfo());

    form().ListView1_DblClick();
    FrmInfo* second = form().frmInfo();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    QCOMPARE(second->TxtIP->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(second->TxtLocal->text(), QStringLiteral("40001"));
}

void Form1CommandsTest::copyCommands_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("copied");
    QTest::newRow("ip of a name") << "mnuIP" << 1 << "127.0.0.1";
    QTest::newRow("ip of a dotted address") << "mnuIP" << 2 << "10.0.0.1";
    QTest::newRow("hostname") << "mnHN" << 1 << "localhost";
    QTest::newRow("remote port") << "mnuRP" << 2 << "2222";
    QTest::newRow("file path") << "mnuFP" << 1 << WebPath;
}

void Form1CommandsTest::copyCommands() {
    QFETCH(QString, entry);
    QFETCH(int, row);
    QFETCH(QString, copied);
    loadTwoRows();
    form().ListView1->setSelectedIndex(row);
    QGuiApplication::clipboard()->setText(QStringLiteral("left over\n"));
    QAction* action = nullptr;
    for (QAction* candidate : form().mnuRes->actions())
        if ((entry == "mnuIP" && candidate == form().mnuIP) ||
            (entry == "mnHN" && candidate == form().mnHN) ||
            (entry == "mnuRP" && candidate == form().mnuRP) ||
            (entry == "mnuFP" && candidate == form().mnuFP))
            action = candidate;
    QVERIFY(action);
    action->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

// The history file is the choice: turning "Keep History" on makes it, a new window finds it
// and shows the entry checked, and turning it off asks first, with No as the default (which
// keeps the file) and Yes deleting it.
void Form1CommandsTest::keepHistoryIsTheFile() {
    auto* keep = form().findChild<QAction*>(QStringLiteral("mnuKeepHistory"));
    QVERIFY(keep && keep->isCheckable() && form().findChild<QAction*>(QStringLiteral("mnuHistory")));
    const QString file = history::historyfile::fileIn(history::historyfile::defaultFolder());
    QFile::remove(file);
    keep->setChecked(false);
    keep->trigger();
    QVERIFY(QFile::exists(file));
    QList<host::MessageBoxRequest> asked;
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
        keep = form().findChild<QAction*>(QStringLiteral("mnuKeepHistory"));
        QVERIFY(keep->isChecked());
        host::MessageBoxService::setObserver([&](const host::MessageBoxRequest& request) {
            asked.append(request);
            return answer;
        });
        keep->trigger();
        QVERIFY(!keep->isChecked());
        QCOMPARE(asked.last().defaultButton, QMessageBox::No);
        QCOMPARE(QFile::exists(file), answer == QMessageBox::No);
        if (answer == QMessageBox::No)
            keep->trigger(); // on again: the next window finds the file
    }
}

void Form1CommandsTest::copyWithoutSelectionLeavesClipboard() {
    loadTwoRows();
    form().ListView1->setSelectedIndex(0);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    for (QAction* action : form().mnuRes->actions())
        action->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    QVERIFY(!form().frmInfo());
}

void Form1CommandsTest::copyIpMakesDialogHiddenAndDoubleClickReusesIt() {
    m_system->defaultCommandResult =
        finished(listing({{"127.0.0.1:40001", "nowhere.invalid:80", "ESTABLISHED", WebPid}}));
    m_system->processIdList = {WebPid};
    form().RefreshView();
    form().ListView1->setSelectedIndex(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("left over"));

    form().mnuIP->trigger();
    // Unresolvable: the clipboard was cleared and gets an empty text.
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QPointer<FrmInfo> made = form().frmInfo();
    QVERIFY(made);
    QVERIFY(made->isHidden());

    form().ListView1_DblClick();
    QCOMPARE(form().frmInfo(), made.data());
    QVERIFY(made->isVisible());
}

void Form1CommandsTest::menuOpensOnRightButtonOnly() {
    loadTwoRows();
    widgets::ListView& list = *form().ListView1;
    const QPoint at = list.visualRect(list.model()->index(0, 0)).center();
    int opened = 0;
    // The menu waits in its own loop: look at it and close it from inside.
    connect(form().mnuRes, &QMenu::aboutToShow, this, [&] {
        QTimer::singleShot(0, this, [&] {
            opened += QApplication::activePopupWidget() == form().mnuRes;
            form().mnuRes->close();
        });
    });
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, at);
    QTRY_COMPARE(opened, 1);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseClick(list.viewport(), Qt::MiddleButton, {}, at);
    QTest::qWait(50);
    QCOMPARE(opened, 1);
    QVERIFY(!form().mnuRes->isVisible());
    QVERIFY(!QApplication::activePopupWidget());
}

void Form1CommandsTest::unloadRemovesTrayIcon() {
    TAVREN_RUN_ALONE(); // ends the program
    QSignalSpy unloading(&form(), &Form1::unloading);
    QCOMPARE(form().ShowTrayIcon(&form(), QStringLiteral("Tavren's Watching You..."), form().windowIcon()),
             0);
    QVERIFY(form().trayIntegration()->isIconShown());
    form().close();
    QCOMPARE(unloading.count(), 1);
    QVERIFY(!form().trayIntegration()->isIconShown());
    QVERIFY(form().hasEnded());
}

void Form1CommandsTest::trayExitUnloadsWindow() {
    TAVREN_RUN_ALONE(); // ends the program
    form().ShowTrayIcon(&form(), QStringLiteral("Tavren's Watching You..."), form().windowIcon());
    form().hide();
    QSignalSpy unloading(&form(), &Form1::unloading);
    form().ExitProg1->trigger();
    QCOMPARE(unloading.count(), 1);
    QVERIFY(!form().trayIntegration()->isIconShown());
    QVERIFY(form().hasEnded());
}

// The dialog and "Copy IP Address" give the connection's own address, IPv6 too, as its
// socket has it: never the answer to a look-up of the shown name, which whoever answers for
// the name chooses.
void Form1CommandsTest::ownRemoteAddress_data() {
    QTest::addColumn<QString>(
        "hostSocketIp"); // the row's host, its live sockets' peers ("-": none), the address ("-": unknown)
    QTest::addColumn<bool>("gone");
    QTest::newRow("ipv6 numbers") << "[::1] - ::1" << false;
    QTest::newRow("name of an ipv6 peer") << "localhost ::1 ::1" << false;
    QTest::newRow("no socket left") << "localhost - -" << false;
    QTest::newRow("gone, name") << "localhost ::1 ::1" << true;
    QTest::newRow("two peers, name") << "localhost ::1,::2 -" << false;
    // A shown address that no socket of the connection has is a name that only looks like one.
    QTest::newRow("name that looks like an address") << "10.20.30.40 ::1 ::1" << false;
}

void Form1CommandsTest::ownRemoteAddress() {
    QFETCH(QString, hostSocketIp);
    QFETCH(bool, gone);
    const QStringList given = hostSocketIp.split(' ');
    const QString address = given[2] == "-" ? QString() : given[2];
    m_system->defaultCommandResult =
        finished(listing({{"[::1]:40001", given[0] + ":8080", "ESTABLISHED", WebPid}}));
    m_system->hostAddresses.insert(QStringLiteral("localhost"), {127, 0, 0, 1});
    m_system->hostAddresses.insert(QStringLiteral("10.20.30.40"), {10, 20, 30, 40});
    if (given[1] != "-")
        for (const QString& peer : given[1].split(','))
            m_system->endpoints.push_back({false, "::1", 40001, 8080, peer});
    form().RefreshView();
    if (gone) {
        m_system->defaultCommandResult = finished(listing({}));
        form().RefreshView();
    }
    form().ListView1->setSelectedIndex(1);
    form().ListView1_DblClick();
    QCOMPARE(form().frmInfo() ? form().frmInfo()->TxtIP->text() : QString(), gone ? QString() : address);
    m_system->hostNameRequests.clear();
    QGuiApplication::clipboard()->setText("before");
    form().mnuIP->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), address);
    QCOMPARE(m_system->hostNameRequests.size(), 0);
}

// The status bar counts the connections the list leaves out, or lists without an owner, each
// by what it is: other users' (their owner exists but cannot be read), closing sockets that
// no process holds, owners not found in time. A live connection that no process holds is a
// row with the file "Unknown" and no process id.
void Form1CommandsTest::othersConnectionsCounted_data() {
    QTest::addColumn<QString>("lines"); // state and owner field of each line, ";" between
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("panel");
    QTest::newRow("none left out") << "ESTABLISHED 7" << 1 << form1design::VisitText;
    QTest::newRow("another user's") << "CLOSE_WAIT -" << 0 << "1 connection of other users is not shown";
    QTest::newRow("two others', two of one's own in io_uring") << "ESTABLISHED -;ESTABLISHED -;ESTABLISHED 0;SYN_SENT 0"
                                                        << 2 << "2 connections of other users are not shown";
    QTest::newRow("closing, no owner") << "TIME_WAIT 0;FIN_WAIT_2 0;LAST_ACK 0" << 0 << "3 closing sockets not shown";
    QTest::newRow("not found in time") << "ESTABLISHED ?;SYN_SENT ?;ESTABLISHED 7" << 3
                                       << "owners of 2 connections not found in time";
    QTest::newRow("each kind once") << "ESTABLISHED -;FIN_WAIT_1 0;ESTABLISHED ?" << 1
                                    << "1 connection of other users is not shown; 1 closing socket not shown; "
                                       "owners of 1 connection not found in time";
}

void Form1CommandsTest::othersConnectionsCounted() {
    QFETCH(QString, lines);
    QByteArray text = "\r\nActive Connections\r\n\r\n";
    int port = 4000;
    for (const QString& line : lines.split(';'))
        text += QString("  TCP 10.0.0.2:%1 peer:http %2\r\n").arg(++port).arg(line).toLatin1();
    m_system->defaultCommandResult = finished(text);
    m_system->processIdList = {7};
    m_system->executablePaths = {{7, "/usr/bin/seven"}};
    form().RefreshView();
    QTEST(form().ListView1->itemCount(), "rows");
    QTEST(form().StatusBar1->panelText(2), "panel");
    for (int row = 1; row <= form().ListView1->itemCount(); ++row) {
        const bool seven = m_snapshot->RowTable.at(row)->ProcessId == 7;
        QCOMPARE(form().ListView1->item(row).text(), seven ? "seven" : "Unknown");
        QCOMPARE(form().connections().index(row - 1, int(connectionlist::Column::Pid)).data().toString(),
                 seven ? "7" : "");
    }
    QCOMPARE(form().StatusBar1->panelToolTip(2).contains("root"), lines.contains('-'));
}

QTEST_MAIN(Form1CommandsTest)
#include "tst_form1_commands.moc"
