// links: tavren_tray tavren_host
// needs: x11
#include "support/Xdotool.h"
#include "tray/TrayIntegration.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

using namespace tray;

using testsupport::xdotool;

namespace {

const QString ProgramTip = QStringLiteral("Tavren's Watching You...");

// Stands in for the main window: its unload removes the icon and asks the program to end.
class StandInWindow : public QWidget {
    Q_OBJECT
public:
    TrayIntegration* integration = nullptr;

signals:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override {
        if (integration)
            integration->RemoveTrayIcon();
        emit quitRequested();
        event->accept();
    }
};

bool clickAt(QPoint point, int button) {
    return xdotool({"mousemove", QString::number(point.x()), QString::number(point.y()), "click",
                    QString::number(button)});
}

QIcon programIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0x20, 0x60, 0xc0));
    return QIcon(pixmap);
}

QAction* menuAction(QMenu* menu, const QString& name) {
    for (QAction* action : menu->actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

} // namespace

class TestTrayX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void iconAppearsWithItsTip();
    void viewBringsWindowBackAndRemovesIcon();
    void exitRemovesIconAndEnds();

private:
    // Sends the window into the tray as the toolbar does and waits for the icon to dock.
    bool sendToTray();
    QPoint iconCentre() const { return m_tray->trayIcon()->geometry().center(); }
    // Right-clicks the icon and, once the menu is up, clicks the named entry in it.
    void chooseFromTrayMenu(const QString& actionName);

    std::unique_ptr<StandInWindow> m_window;
    std::unique_ptr<TrayIntegration> m_tray;
    bool m_menuWasVisible = false;
};

void TestTrayX11::initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool is needed to click the tray");
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
}

void TestTrayX11::init() {
    m_window = std::make_unique<StandInWindow>();
    m_window->setWindowTitle(QStringLiteral("Tavren NetStat"));
    m_window->resize(400, 200);
    m_tray = std::make_unique<TrayIntegration>(m_window.get());
    m_window->integration = m_tray.get();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_menuWasVisible = false;
}

void TestTrayX11::cleanup() {
    m_tray->RemoveTrayIcon();
    m_window->integration = nullptr;
    m_tray.reset();
    m_window.reset();
}

bool TestTrayX11::sendToTray() {
    m_tray->registerTrayReceiver();
    if (m_tray->ShowTrayIcon(m_window.get(), ProgramTip, programIcon()) != 0)
        return false;
    m_window->hide();
    // The tray host places the icon some time after it docks, and may move it again while it
    // resizes itself around its icons: wait until the place has held for a moment.
    QRect last;
    QElapsedTimer held;
    return QTest::qWaitFor(
        [&] {
            const QRect now = m_tray->trayIcon()->geometry();
            if (now != last) {
                last = now;
                held.start();
            }
            return now.x() > 0 && held.elapsed() >= 400;
        },
        15000);
}

void TestTrayX11::chooseFromTrayMenu(const QString& actionName) {
    QMenu* menu = m_tray->menuSysPop();
    QAction* action = menuAction(menu, actionName);
    QVERIFY(action);
    // The menu runs its own loop inside the dispatcher: act from within it.
    auto connection = connect(menu, &QMenu::aboutToShow, this, [this, menu, action] {
        QTimer::singleShot(300, menu, [this, menu, action] {
            m_menuWasVisible = menu->isVisible();
            const QString shot = qEnvironmentVariable("TAVREN_TRAY_MENU_SHOT");
            if (!shot.isEmpty())
                QProcess::execute(QStringLiteral("import"), {"-window", "root", shot});
            clickAt(menu->mapToGlobal(menu->actionGeometry(action).center()), 1);
        });
    });
    QVERIFY(clickAt(iconCentre(), 3));
    QTRY_VERIFY_WITH_TIMEOUT(m_menuWasVisible, 10000);
    disconnect(connection);
}

void TestTrayX11::iconAppearsWithItsTip() {
    QStringList events;
    connect(m_tray.get(), &TrayIntegration::LeftButtonDown, this, [&] { events << "LeftButtonDown"; });
    connect(m_tray.get(), &TrayIntegration::LeftButtonUp, this, [&] { events << "LeftButtonUp"; });
    QVERIFY(sendToTray());
    QVERIFY(m_tray->isIconShown());
    QCOMPARE(m_tray->trayIcon()->toolTip(), ProgramTip);

    // Resting the pointer on the icon shows the tip.
    QVERIFY(xdotool({"mousemove", QString::number(iconCentre().x()), QString::number(iconCentre().y())}));
    // The tip waits for the pointer to move over the icon, not just to arrive there.
    QTest::qWait(200);
    QVERIFY(xdotool({"mousemove_relative", "--", "1", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(QToolTip::text(), ProgramTip, 10000);

    // A left click reaches the dispatcher but does not bring the window back.
    QVERIFY(clickAt(iconCentre(), 1));
    QTRY_COMPARE_WITH_TIMEOUT(events, (QStringList{"LeftButtonDown", "LeftButtonUp"}), 10000);
    QTest::qWait(200);
    QVERIFY(m_window->isHidden());
    QVERIFY(m_tray->isIconShown());
}

void TestTrayX11::viewBringsWindowBackAndRemovesIcon() {
    QVERIFY(sendToTray());
    chooseFromTrayMenu(QStringLiteral("OpenConMon"));
    QTRY_VERIFY_WITH_TIMEOUT(m_window->isVisible(), 10000);
    QTRY_VERIFY(!m_tray->isIconShown());

    // A second trip to the tray works as the first.
    m_menuWasVisible = false;
    QVERIFY(sendToTray());
    chooseFromTrayMenu(QStringLiteral("OpenConMon"));
    QTRY_VERIFY_WITH_TIMEOUT(m_window->isVisible(), 10000);
    QVERIFY(!m_tray->isIconShown());
}

void TestTrayX11::exitRemovesIconAndEnds() {
    QSignalSpy quit(m_window.get(), &StandInWindow::quitRequested);
    QVERIFY(sendToTray());
    chooseFromTrayMenu(QStringLiteral("ExitProg1"));
    QTRY_COMPARE_WITH_TIMEOUT(quit.count(), 1, 10000);
    QVERIFY(!m_tray->isIconShown());
    QVERIFY(m_window->isHidden());
}

QTEST_MAIN(TestTrayX11)
#include "tst_tray_x11.moc"
