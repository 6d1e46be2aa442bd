// links: tavren_mainwindow
// needs: x11
#include "controls/check/Check.h"
#include "mainwindow/Form1.h"
#include "mainwindow/FrmInfo.h"
#include "options/frmOptions.h"
#include "platform/os/fake/FakeSystem.h"
#include "platform/os/linux/LinuxSystem.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/Toolbar.h"
#include "snapshot/ConnectionTable.h"
#include "support/NetstatListing.h"
#include "support/Xdotool.h"
#include "tray/TrayIntegration.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The main window's commands on a real X server with a tray host and a window manager,
// driven by real pointer clicks, on the machine's real connections.

using testsupport::xdotool;

namespace {

// One IPv4 loopback connection held by this process.
class LoopbackConnection {
public:
    ~LoopbackConnection() {
        for (int fd : {m_client, m_server, m_listener})
            if (fd >= 0)
                ::close(fd);
    }
    bool open() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_listener < 0 || ::bind(m_listener, raw, length) != 0 || ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, raw, &length) != 0)
            return false;
        m_client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_client < 0 || ::connect(m_client, raw, length) != 0)
            return false;
        m_server = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        sockaddr_in own{};
        length = sizeof(own);
        ::getsockname(m_client, reinterpret_cast<sockaddr*>(&own), &length);
        m_clientPort = ntohs(own.sin_port);
        return m_server >= 0;
    }
    quint16 clientPort() const { return m_clientPort; }

private:
    int m_listener = -1, m_client = -1, m_server = -1;
    quint16 m_clientPort = 0;
};

// The command prints a service name in place of a port that has one.
quint16 portNumber(const QString& shown) {
    bool numeric = false;
    const quint16 port = shown.toUShort(&numeric);
    if (numeric)
        return port;
    if (const servent* service = ::getservbyname(shown.toLatin1().constData(), "tcp"))
        return ntohs(quint16(service->s_port));
    return 0;
}

bool clickAt(QPoint point, int button, int repeat = 1) {
    return xdotool({"mousemove", QString::number(point.x()), QString::number(point.y()), "click", "--repeat",
                    QString::number(repeat), "--delay", "80", QString::number(button)});
}

// Screenshots go where TAVREN_SHOTS says, when it says.
void shoot(const QString& name) {
    const QString folder = qEnvironmentVariable("TAVREN_SHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(300); // let the window manager and the widgets finish drawing
    QProcess::execute(QStringLiteral("import"), {"-window", "root", QDir(folder).filePath(name + ".png")});
}

// The clipboard as another X client reads it. Our own process must keep answering the
// selection request meanwhile, so the event loop runs while xclip waits.
QString clipboardFromOutside() {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"});
    if (!xclip.waitForStarted(5000))
        return QStringLiteral("<xclip did not start>");
    (void)QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

const char* const HoldConnection = R"(import socket, sys, time
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(1)
client = socket.create_connection(listener.getsockname())
server, _ = listener.accept()
print(client.getsockname()[1], flush=True)
while True:
    time.sleep(1)
)";

} // namespace

class Form1X11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void doubleClickOpensConnectionInfo();
    void copyEntriesOnRealClipboard();
    void sysTrayHidesIntoTrayAndViewBringsItBack();
    void terminateEndsChildAndItsRowsGo();
    void terminateOfVanishedProcessSaysSo();
    void optionsDialogLooks();
    void aboutBox();
    void everyCommandFromTheKeyboard();
    void refreshLeavesAnotherProgramInFront();

private:
    Form1& form() { return *m_form; }
    // The 1-based row of a connection of `pid` whose local port is `port` (0: any port).
    int rowOf(std::int32_t pid, quint16 port = 0);
    QPoint rowCentre(int row);
    QPoint toolbarButtonCentre(const QString& caption);
    // Starts a child that holds a loopback connection; its pid, or 0.
    qint64 startHolder(QProcess& child);

    std::unique_ptr<os::LinuxSystem> m_system;
    std::unique_ptr<ConnectionSnapshot> m_snapshot;
    std::unique_ptr<Form1> m_form;
    QString m_ownPath;
};

void Form1X11Test::initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool is needed for real clicks");
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
    m_ownPath = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    os::LinuxSystem probe;
    QVERIFY2(QFileInfo::exists(probe.netstatProgram()),
             qPrintable("the companion command is not built: " + probe.netstatProgram()));
}

void Form1X11Test::init() {
    m_system = std::make_unique<os::LinuxSystem>();
    m_snapshot = std::make_unique<ConnectionSnapshot>();
    m_form = std::make_unique<Form1>(*m_system, *m_snapshot);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void Form1X11Test::cleanup() {
    if (m_form)
        m_form->RemoveTrayIcon();
    m_form.reset();
    m_snapshot.reset();
    m_system.reset();
}

int Form1X11Test::rowOf(std::int32_t pid, quint16 port) {
    for (int row = 1; row <= form().ListView1->itemCount(); ++row) {
        const ConnectionRecord* entry = m_snapshot->RowTable.at(row);
        if (entry && entry->ProcessId == pid &&
            (port == 0 || portNumber(form().ListView1->item(row).subItem(1)) == port))
            return row;
    }
    return 0;
}

QPoint Form1X11Test::rowCentre(int row) {
    widgets::ListView& list = *form().ListView1;
    const QModelIndex index = list.model()->index(row - 1, 0);
    list.scrollTo(index);
    QCoreApplication::processEvents();
    return list.viewport()->mapToGlobal(list.visualRect(index).center());
}

QPoint Form1X11Test::toolbarButtonCentre(const QString& caption) {
    for (QAction* action : form().Toolbar1->actions())
        if (action->text() == caption)
            if (QWidget* button = form().Toolbar1->widgetForAction(action))
                return button->mapToGlobal(button->rect().center());
    return {};
}

qint64 Form1X11Test::startHolder(QProcess& child) {
    child.start(QStringLiteral("python3"), {"-c", QString::fromLatin1(HoldConnection)});
    if (!child.waitForStarted(5000) || !child.waitForReadyRead(10000))
        return 0;
    return child.processId();
}

void Form1X11Test::doubleClickOpensConnectionInfo() {
    LoopbackConnection connection;
    QVERIFY(connection.open());
    form().RefreshView();
    const int row = rowOf(std::int32_t(::getpid()), connection.clientPort());
    QVERIFY2(row > 0, "our own loopback connection is not listed");

    QVERIFY(clickAt(rowCentre(row), 1, 2));
    QTRY_VERIFY_WITH_TIMEOUT(form().frmInfo() && form().frmInfo()->isVisible(), 10000);
    FrmInfo* info = form().frmInfo();
    QCOMPARE(info->windowTitle(), QStringLiteral("Connection Info"));
    QCOMPARE(info->TxtIP->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(info->TxtHost->text(), form().ListView1->item(row).subItem(2));
    QCOMPARE(portNumber(info->TxtLocal->text()), connection.clientPort());
    QCOMPARE(info->TxtProcess->text(), m_ownPath);
    // A real window of its own that the window manager knows by its caption.
    QVERIFY(QTest::qWaitForWindowExposed(info));
    QVERIFY(xdotool({"search", "--name", "^Connection Info$"}));
    shoot(QStringLiteral("connection-info"));

    // "Ok" unloads it.
    QPointer<FrmInfo> shown = info;
    QVERIFY(clickAt(info->Command1->mapToGlobal(info->Command1->rect().center()), 1));
    QTRY_VERIFY_WITH_TIMEOUT(!shown, 10000);
}

void Form1X11Test::copyEntriesOnRealClipboard() {
    LoopbackConnection connection;
    QVERIFY(connection.open());
    form().RefreshView();
    const int row = rowOf(std::int32_t(::getpid()), connection.clientPort());
    QVERIFY(row > 0);
    const widgets::ListItem item = form().ListView1->item(row);

    // A left click selects the row and never opens the menu.
    bool menuShown = false;
    auto watch = connect(form().mnuRes, &QMenu::aboutToShow, this, [&] { menuShown = true; });
    QVERIFY(clickAt(rowCentre(row), 1));
    QTRY_COMPARE(form().ListView1->selectedIndex(), row);
    QTest::qWait(300);
    QVERIFY(!menuShown);
    QVERIFY(!QApplication::activePopupWidget());
    disconnect(watch);

    const QList<std::pair<QAction*, QString>> entries = {
        {form().mnuIP, QStringLiteral("127.0.0.1")},
        {form().mnHN, item.subItem(2)},
        {form().mnuRP, item.subItem(3)},
        {form().mnuFP, m_ownPath},
    };
    for (const auto& [action, expected] : entries) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before ") + action->text());
        // The menu runs its own loop inside the mouse-down handler: choose from within it.
        bool chosen = false;
        auto connection = connect(form().mnuRes, &QMenu::aboutToShow, this, [&, action = action] {
            QTimer::singleShot(300, form().mnuRes, [&, action] {
                QMenu* menu = form().mnuRes;
                chosen = menu->isVisible();
                clickAt(menu->mapToGlobal(menu->actionGeometry(action).center()), 1);
            });
        });
        QVERIFY(clickAt(rowCentre(row), 3));
        QTRY_VERIFY_WITH_TIMEOUT(chosen, 10000);
        disconnect(connection);
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), expected, 10000);
        if (!QStandardPaths::findExecutable("xclip").isEmpty())
            QCOMPARE(clipboardFromOutside(), expected);
        QCOMPARE(form().ListView1->selectedIndex(), row);
    }
}

void Form1X11Test::sysTrayHidesIntoTrayAndViewBringsItBack() {
    tray::TrayIntegration* tray = form().trayIntegration();
    QVERIFY(clickAt(toolbarButtonCentre(QStringLiteral("SysTray")), 1));
    QTRY_VERIFY_WITH_TIMEOUT(form().isHidden(), 10000);
    QVERIFY(tray->isIconShown());
    QCOMPARE(tray->trayIcon()->toolTip(), QStringLiteral("Tavren's Watching You..."));
    // Docked: the tray host placed it, and holds it still for a moment.
    QRect last;
    QElapsedTimer held;
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QRect now = tray->trayIcon()->geometry();
            if (now != last) {
                last = now;
                held.start();
            }
            return now.x() > 0 && held.elapsed() >= 400;
        },
        15000));

    // Right click on the icon: the tray menu; choose "View" from it.
    bool menuShown = false;
    connect(form().MenuSysPop, &QMenu::aboutToShow, this, [&] {
        QTimer::singleShot(300, form().MenuSysPop, [&] {
            QMenu* menu = form().MenuSysPop;
            menuShown = menu->isVisible();
            shoot(QStringLiteral("tray-menu"));
            clickAt(menu->mapToGlobal(menu->actionGeometry(form().OpenConMon).center()), 1);
        });
    });
    QVERIFY(clickAt(tray->trayIcon()->geometry().center(), 3));
    QTRY_VERIFY_WITH_TIMEOUT(menuShown, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(form().isVisible(), 10000);
    QTRY_VERIFY(!tray->isIconShown());
    QVERIFY(!form().hasEnded());
}

void Form1X11Test::terminateEndsChildAndItsRowsGo() {
    QProcess child;
    const qint64 pid = startHolder(child);
    QVERIFY2(pid > 0, "python3 could not start a connection holder");
    form().RefreshView();
    const int row = rowOf(std::int32_t(pid));
    QVERIFY2(row > 0, "the child's connection is not listed");
    const QString fileName = m_snapshot->RowTable.at(row)->ImagePath;
    QVERIFY(fileName.startsWith(QLatin1String("python3")));

    QVERIFY(clickAt(rowCentre(row), 1));
    QTRY_COMPARE(form().ListView1->selectedIndex(), row);
    // The real question box, answered with its Yes button's access key.
    QString asked;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && asked.isEmpty() && box->isActiveWindow() && xdotool({"key", "alt+y"}))
            asked = box->text();
    });
    answerer.start(50);
    QVERIFY(clickAt(toolbarButtonCentre(QStringLiteral("Terminate")), 1));
    QTRY_VERIFY_WITH_TIMEOUT(
        asked.startsWith(QStringLiteral("Process %1, user ").arg(pid)) && asked.contains(": end " + fileName + "?"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, 10000);
    QCOMPARE(child.exitStatus(), QProcess::CrashExit); // killed, not ended by itself
    QTRY_VERIFY_WITH_TIMEOUT(form().StatusBar1->panelText(2).startsWith("Process Terminated: " + fileName), 10000);
    QVERIFY(form().Processing == form1design::False16);
    QCOMPARE(rowOf(std::int32_t(pid)), 0);
}

void Form1X11Test::terminateOfVanishedProcessSaysSo() {
    QProcess child;
    const qint64 pid = startHolder(child);
    QVERIFY(pid > 0);
    form().RefreshView();
    const int row = rowOf(std::int32_t(pid));
    QVERIFY(row > 0);
    const QString fileName = m_snapshot->RowTable.at(row)->ImagePath;
    // Gone before the user gets to it: the row still names it, the process is no more.
    child.kill();
    QVERIFY(child.waitForFinished(10000));

    QVERIFY(clickAt(rowCentre(row), 1));
    QTRY_COMPARE(form().ListView1->selectedIndex(), row);
    QVERIFY(clickAt(toolbarButtonCentre(QStringLiteral("Terminate")), 1));
    const QString ended = "Process Not Terminated: " + fileName + " (the process has already ended)";
    QTRY_VERIFY_WITH_TIMEOUT(form().StatusBar1->panelText(2).startsWith(ended), 10000);
}

void Form1X11Test::optionsDialogLooks() {
    QVERIFY(clickAt(toolbarButtonCentre(QStringLiteral("Options")), 1));
    QTRY_VERIFY_WITH_TIMEOUT(form().optionsDialog() && form().optionsDialog()->isVisible(), 10000);
    options::frmOptions* dialog = form().optionsDialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    auto* refresh = dialog->findChild<QWidget*>(QStringLiteral("ChkRefresh"));
    auto* grid = dialog->findChild<QWidget*>(QStringLiteral("ChkHideGrid"));
    QVERIFY(refresh && grid);
    // Pointer away from both boxes.
    QVERIFY(xdotool({"mousemove", "5", "5"}));
    shoot(QStringLiteral("options-unchecked"));

    QVERIFY(clickAt(refresh->mapToGlobal(QPoint(6, refresh->height() / 2)), 1));
    QVERIFY(clickAt(grid->mapToGlobal(QPoint(6, grid->height() / 2)), 1));
    QTRY_VERIFY_WITH_TIMEOUT(form().Timer1->isActive(), 10000);
    QCOMPARE(form().Timer1->interval(), 5);
    QVERIFY(xdotool({"mousemove", "5", "5"}));
    shoot(QStringLiteral("options-checked"));

    // Hover over the first box's picture.
    const QPoint over = refresh->mapToGlobal(QPoint(6, refresh->height() / 2));
    QVERIFY(xdotool({"mousemove", QString::number(over.x()), QString::number(over.y())}));
    shoot(QStringLiteral("options-hover"));

    // Ok keeps the dialog and shows the grid lines.
    QPushButton* ok = dialog->findChild<QPushButton*>(QStringLiteral("CmdOk"));
    QVERIFY(clickAt(ok->mapToGlobal(ok->rect().center()), 1));
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isHidden(), 10000);
    QVERIFY(form().ListView1->gridLines());
    QCOMPARE(form().optionsDialog(), dialog);
    form().Timer1->stop();
}

void Form1X11Test::aboutBox() {
    QString text;
    QTimer poll;
    bool polling = false;
    // The box is modal: read it and close it from inside its own loop.
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (polling || !box || !box->isVisible())
            return;
        const QScopedValueRollback guard(polling, true);
        // Keep clicking while the box stays up: under load the window manager may still be placing
        // it when the first click lands.
        if (text.isEmpty()) {
            text = box->text();
            shoot(QStringLiteral("about"));
        }
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        clickAt(ok->mapToGlobal(ok->rect().center()), 1);
    });
    poll.start(100);
    QVERIFY(clickAt(toolbarButtonCentre(QStringLiteral("About")), 1));
    QTRY_VERIFY_WITH_TIMEOUT(!text.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 10000);
    QCOMPARE(text, QStringLiteral("Tavren NetStat\nwww.tavren-netstat.example"));
}

void Form1X11Test::refreshLeavesAnotherProgramInFront() {
    QVERIFY2(!QStandardPaths::findExecutable("xmessage").isEmpty(), "xmessage plays the other program");
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QProcess other;
    other.start(QStringLiteral("xmessage"), {"-geometry", "300x100+700+450", "another program"});
    QVERIFY(other.waitForStarted(5000));
    const auto finish = qScopeGuard([&] {
        other.kill();
        other.waitForFinished(5000);
    });
    // The user turns to the other program, as the window manager sees it.
    QVERIFY(QTest::qWaitFor(
        [] {
            return xdotool({"search", "--sync", "--name", "^xmessage$", "windowactivate"});
        },
        10000));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeWindow(), 10000);

    form().RefreshView();
    QTest::qWait(500); // room for an activation to arrive, had one been asked for

    QVERIFY(!QApplication::activeWindow());
}

// The window and its dialogs driven by the keyboard alone, on rows of its own; keys are typed
// in one go where an open menu waits for them.
void Form1X11Test::everyCommandFromTheKeyboard() {
    m_form.reset();
    os::FakeSystem system;
    system.defaultCommandResult =
        testsupport::finished(testsupport::listing({{"127.0.0.1:40001", "127.0.0.1:80", "ESTABLISHED", 7},
                                                    {"127.0.0.1:40002", "127.0.0.1:22", "ESTABLISHED", 7}}));
    system.processIdList = {7};
    system.executablePaths = {{7, QStringLiteral("/usr/bin/curl")}};
    ConnectionSnapshot snapshot;
    Form1 form(system, snapshot);
    form.show();
    form.RefreshView();
    QTRY_VERIFY(form.isActiveWindow() && form.ListView1->hasFocus());
    QVERIFY(form.ListView1->setSelectedIndex(2));

    QVERIFY(xdotool({"key", "Return"})); // opens the row; Escape closes it
    QTRY_VERIFY(form.frmInfo() && form.frmInfo()->isActiveWindow());
    QCOMPARE(form.frmInfo()->TxtRemote->text(), QStringLiteral("22"));
    QVERIFY(xdotool({"key", "Escape"}));
    QTRY_VERIFY(!form.frmInfo() && form.isActiveWindow());

    QSignalSpy menus(form.mnuRes, &QMenu::aboutToShow); // at the row; "p" copies its port
    QVERIFY(xdotool({"key", "shift+F10", "p", "Menu", "Escape"}));
    QTRY_COMPARE(menus.count(), 2);
    QTRY_VERIFY(!form.mnuRes->isVisible());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("22"));
    const QRect row = form.ListView1->visualRect(form.ListView1->selectionModel()->selectedRows().value(0));
    QCOMPARE(form.mnuRes->y(), form.ListView1->viewport()->mapToGlobal(row.bottomLeft()).y());

    QVERIFY(xdotool({"key", "Tab"})); // to the toolbar and back
    QTRY_COMPARE(QApplication::focusWidget(), form.Toolbar1->buttonWidget(1));
    QVERIFY(xdotool({"key", "shift+Tab"}));
    QTRY_COMPARE(QApplication::focusWidget(), form.ListView1);

    QVERIFY(xdotool({"key", "alt+o"})); // Options open on their first box, which Space checks
    QTRY_VERIFY(form.optionsDialog() && form.optionsDialog()->isActiveWindow());
    QVERIFY(xdotool({"key", "space"}));
    QTRY_VERIFY(form.Timer1->isActive()); // the box is checked
    auto* refresh = form.optionsDialog()->findChild<controls::Check*>(QStringLiteral("ChkRefresh"));
    QCOMPARE(QApplication::focusWidget(), refresh->findChild<QWidget*>(QStringLiteral("Check1")));
    QVERIFY(xdotool({"key", "Return"})); // "Ok" hides the dialog, Escape ("Cancel") unloads it
    QTRY_VERIFY(!form.optionsDialog()->isVisible() && form.isActiveWindow());
    QVERIFY(xdotool({"key", "alt+o"}));
    QTRY_VERIFY(form.optionsDialog()->isActiveWindow());
    QVERIFY(xdotool({"key", "Escape"}));
    QTRY_VERIFY(!form.optionsDialog());
}

QTEST_MAIN(Form1X11Test)
#include "tst_form1_x11.moc"
