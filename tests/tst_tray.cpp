// links: tavren_tray tavren_host
// platforms: linux windows
#include "tray/HideDecision.h"
#include "tray/MenuSysPop.h"
#include "tray/TrayIntegration.h"
#include "tray/TrayMessage.h"
#include "tray/TrayTip.h"
#include "tray/modTrayIcon.h"

#include <QMenu>
#include <QTimer>
#include <QtTest>

using namespace tray;

namespace {

// Stands in for the main window: records the tray messages that reach its own handling, and
// unloads as the main window does, removing the icon and asking the program to end.
class StandInWindow : public QWidget {
    Q_OBJECT
public:
    TrayIntegration* integration = nullptr;
    QList<QPair<std::uint32_t, std::uintptr_t>> messages;
    QList<QEvent::Type> otherEvents;
    int unloads = 0;

signals:
    void quitRequested();

protected:
    bool event(QEvent* event) override {
        if (event->type() == TrayMessageEvent::eventType()) {
            const auto* message = static_cast<TrayMessageEvent*>(event);
            messages.append({message->message(), message->secondParameter()});
            return true;
        }
        if (event->type() == QEvent::User)
            otherEvents.append(event->type());
        return QWidget::event(event);
    }
    void closeEvent(QCloseEvent* event) override {
        ++unloads;
        if (integration)
            integration->RemoveTrayIcon();
        emit quitRequested();
        event->accept();
    }
};

// Every event the integration raised, by name, in order; "menu" when the tray menu opened.
struct EventLog {
    QStringList events;
    explicit EventLog(TrayIntegration& tray) {
        const QList<QPair<const char*, void (TrayIntegration::*)()>> signalList = {
            {"LeftButtonUp", &TrayIntegration::LeftButtonUp},
            {"LeftButtonDown", &TrayIntegration::LeftButtonDown},
            {"LeftButtonDoubleClick", &TrayIntegration::LeftButtonDoubleClick},
            {"RightButtonUp", &TrayIntegration::RightButtonUp},
            {"RightButtonDown", &TrayIntegration::RightButtonDown},
            {"RightButtonDoubleClick", &TrayIntegration::RightButtonDoubleClick},
            {"MiddleButtonUp", &TrayIntegration::MiddleButtonUp},
            {"MiddleButtonDown", &TrayIntegration::MiddleButtonDown},
            {"MiddleButtonDoubleClick", &TrayIntegration::MiddleButtonDoubleClick},
        };
        for (const auto& [name, signal] : signalList)
            QObject::connect(&tray, signal, &tray,
                             [this, name = QString::fromLatin1(name)] { events << name; });
        // The menu runs its own loop: note that it opened and close it at once.
        QMenu* menu = tray.menuSysPop();
        QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
            events << QStringLiteral("menu");
            QTimer::singleShot(0, menu, &QMenu::close);
        });
    }
};

QIcon testIcon(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

void sendTrayMessage(QWidget& window, std::uint32_t message, std::uintptr_t code) {
    TrayMessageEvent event(message, 0, code);
    QCoreApplication::sendEvent(&window, &event);
}

} // namespace

class TestTray : public QObject {
    Q_OBJECT
private slots:
    void init();
    void trayMessagesGoToDispatcher_data();
    void trayMessagesGoToDispatcher();
    void otherMessagesPassOnUnchanged_data();
    void otherMessagesPassOnUnchanged();
    void laterRegistrationReplacesReceiver();
    void removalRestoresWindowProcedure();
    void removeIsHarmlessWhenNoIconIsShown();
    void showsAgainAfterRemoval();
    void activationsArriveAsMouseMessages_data();
    void activationsArriveAsMouseMessages();
    void tipIsFittedToItsField_data();
    void tipIsFittedToItsField();
    void tipAndIconChangeIndependently();
    void viewShowsWindowThenRemovesIcon();
    void exitUnloadsWindowWhichRemovesIcon();
    void menuMadeByTheWindowIsWired();
    void transparentObject();
    void withoutTrayTheWindowIsMinimised();

private:
    std::unique_ptr<StandInWindow> m_window;
    std::unique_ptr<TrayIntegration> m_tray;
};

void TestTray::init() {
    m_tray.reset();
    m_window = std::make_unique<StandInWindow>();
    m_tray = std::make_unique<TrayIntegration>(m_window.get());
    m_window->integration = m_tray.get();
    m_tray->registerTrayReceiver();
}

void TestTray::trayMessagesGoToDispatcher_data() {
    QTest::addColumn<uint>("code");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("513") << 513u << QStringList{"LeftButtonDown"};
    QTest::newRow("514") << 514u << QStringList{"LeftButtonUp"};
    QTest::newRow("515") << 515u << QStringList{"LeftButtonDoubleClick"};
    QTest::newRow("516") << 516u << QStringList{"RightButtonDown"};
    QTest::newRow("517 opens the menu") << 517u << QStringList{"menu"};
    QTest::newRow("518") << 518u << QStringList{"RightButtonDoubleClick"};
    QTest::newRow("519") << 519u << QStringList{"MiddleButtonDown"};
    QTest::newRow("520") << 520u << QStringList{"MiddleButtonUp"};
    QTest::newRow("521") << 521u << QStringList{"MiddleButtonDoubleClick"};
}

void TestTray::trayMessagesGoToDispatcher() {
    QFETCH(uint, code);
    QFETCH(QStringList, events);
    EventLog log(*m_tray);
    QCOMPARE(m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red)), 0);
    sendTrayMessage(*m_window, TrayCallbackMessage, code);
    QCOMPARE(log.events, events);
    QVERIFY(m_window->messages.isEmpty());
}

void TestTray::otherMessagesPassOnUnchanged_data() {
    QTest::addColumn<uint>("message");
    QTest::addColumn<qulonglong>("code");
    QTest::newRow("mouse move") << 1025u << 512ull;
    QTest::newRow("below the mouse codes") << 1025u << 0ull;
    QTest::newRow("above the mouse codes") << 1025u << 522ull;
    QTest::newRow("far above") << 1025u << qulonglong(0x100000201ull);
    QTest::newRow("another message with a mouse code") << 1024u << 513ull;
    QTest::newRow("the next message with a mouse code") << 1026u << 517ull;
}

void TestTray::otherMessagesPassOnUnchanged() {
    QFETCH(uint, message);
    QFETCH(qulonglong, code);
    EventLog log(*m_tray);
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    sendTrayMessage(*m_window, message, code);
    QEvent other(QEvent::User);
    QCoreApplication::sendEvent(m_window.get(), &other);
    QVERIFY(log.events.isEmpty());
    QCOMPARE(m_window->messages, (QList<QPair<std::uint32_t, std::uintptr_t>>{{message, code}}));
    QCOMPARE(m_window->otherEvents, QList<QEvent::Type>{QEvent::User});
}

void TestTray::laterRegistrationReplacesReceiver() {
    StandInWindow other;
    TrayIntegration second(&other);
    EventLog first(*m_tray);
    EventLog replacing(second);
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    second.registerTrayReceiver();
    QCOMPARE(trayReceiver(), &second);
    sendTrayMessage(*m_window, TrayCallbackMessage, 515);
    QVERIFY(first.events.isEmpty());
    QCOMPARE(replacing.events, QStringList{"LeftButtonDoubleClick"});
}

void TestTray::removalRestoresWindowProcedure() {
    EventLog log(*m_tray);
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    QVERIFY(m_tray->isIconShown());
    QCOMPARE(m_tray->RemoveTrayIcon(), 0);
    QVERIFY(!m_tray->isIconShown());
    sendTrayMessage(*m_window, TrayCallbackMessage, 513);
    QVERIFY(log.events.isEmpty());
    QCOMPARE(m_window->messages.size(), 1);
}

void TestTray::removeIsHarmlessWhenNoIconIsShown() {
    QCOMPARE(m_tray->RemoveTrayIcon(), 0);
    QCOMPARE(m_tray->RemoveTrayIcon(), 0);
    QVERIFY(!m_tray->isIconShown());
    QCOMPARE(m_tray->storedWindow(), nullptr);

    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    QCOMPARE(m_tray->RemoveTrayIcon(), 0);
    QCOMPARE(m_tray->RemoveTrayIcon(), 0);
    QVERIFY(!m_tray->isIconShown());
    sendTrayMessage(*m_window, TrayCallbackMessage, 514);
    QCOMPARE(m_window->messages.size(), 1);
}

void TestTray::showsAgainAfterRemoval() {
    EventLog log(*m_tray);
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red)), 0);
        sendTrayMessage(*m_window, TrayCallbackMessage, 519);
        QCOMPARE(m_tray->RemoveTrayIcon(), 0);
    }
    // Showing twice does not put the procedure in front of itself: one event per message.
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    sendTrayMessage(*m_window, TrayCallbackMessage, 519);
    QCOMPARE(log.events, QStringList(3, "MiddleButtonDown"));
    QVERIFY(m_window->messages.isEmpty());
}

void TestTray::activationsArriveAsMouseMessages_data() {
    QTest::addColumn<int>("reason");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("click") << int(QSystemTrayIcon::Trigger) << QStringList{"LeftButtonDown", "LeftButtonUp"};
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick)
                                  << QStringList{"LeftButtonDoubleClick"};
    QTest::newRow("context") << int(QSystemTrayIcon::Context) << QStringList{"RightButtonDown", "menu"};
    QTest::newRow("middle") << int(QSystemTrayIcon::MiddleClick)
                            << QStringList{"MiddleButtonDown", "MiddleButtonUp"};
    QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << QStringList{};
}

void TestTray::activationsArriveAsMouseMessages() {
    QFETCH(int, reason);
    QFETCH(QStringList, events);
    EventLog log(*m_tray);
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    emit m_tray->trayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QTRY_COMPARE(log.events, events);
    QTest::qWait(20);
    QCOMPARE(log.events, events);
    QVERIFY(m_window->isHidden()); // no click but "View" brings the window back
}

void TestTray::tipIsFittedToItsField_data() {
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("shown");
    const QString sixtyThree(63, 'a');
    QTest::newRow("the program's tip") << "Tavren's Watching You..."
                                       << "Tavren's Watching You...";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("63 characters") << sixtyThree << sixtyThree;
    QTest::newRow("64 characters") << sixtyThree + "b" << sixtyThree;
    QTest::newRow("300 characters") << QString(300, 'c') << QString(63, 'c');
    QTest::newRow("ends at a NUL") << QStringLiteral("before") + QChar(0) + "after"
                                   << "before";
    QTest::newRow("no half character at the cut")
        << QString(62, 'a') + QString::fromUtf8("\U0001F600") + "z" << QString(62, 'a');
    QTest::newRow("whole character before the cut")
        << QString(61, 'a') + QString::fromUtf8("\U0001F600") + "z"
        << QString(61, 'a') + QString::fromUtf8("\U0001F600");
}

void TestTray::tipIsFittedToItsField() {
    QFETCH(QString, tip);
    QFETCH(QString, shown);
    QCOMPARE(fitTrayTip(tip), shown);
    m_tray->ShowTrayIcon(m_window.get(), tip, testIcon(Qt::red));
    QCOMPARE(m_tray->trayIcon()->toolTip(), shown);
    m_tray->ChangeTip(QStringLiteral("x"));
    m_tray->ChangeTip(tip);
    QCOMPARE(m_tray->trayIcon()->toolTip(), shown);
}

void TestTray::tipAndIconChangeIndependently() {
    const QIcon red = testIcon(Qt::red);
    const QIcon blue = testIcon(Qt::blue);
    QSystemTrayIcon* icon = m_tray->trayIcon();
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("Tavren's Watching You..."), red);
    QCOMPARE(m_tray->ChangeTip(QString()), 0);
    QCOMPARE(icon->toolTip(), QString());
    QCOMPARE(icon->icon().cacheKey(), red.cacheKey());
    QCOMPARE(m_tray->ChangeTip(QStringLiteral("again")), 0);
    QCOMPARE(m_tray->ChangeIcon(blue), 0);
    QCOMPARE(icon->icon().cacheKey(), blue.cacheKey());
    QCOMPARE(icon->toolTip(), QStringLiteral("again"));

    // With the icon removed there is nothing to change; the next show sets both afresh.
    m_tray->RemoveTrayIcon();
    QCOMPARE(m_tray->ChangeIcon(red), 0);
    QCOMPARE(m_tray->ChangeTip(QStringLiteral("hidden")), 0);
    QVERIFY(!m_tray->isIconShown());
    QCOMPARE(icon->toolTip(), QStringLiteral("again"));
}

QAction* menuAction(TrayIntegration& tray, const QString& name) {
    for (QAction* action : tray.menuSysPop()->actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

// Notes whether the icon was still shown when the window appeared.
struct ShowWatcher : QObject {
    TrayIntegration* tray = nullptr;
    std::optional<bool> iconShownAtShow;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            iconShownAtShow = tray->isIconShown();
        return false;
    }
};

void TestTray::viewShowsWindowThenRemovesIcon() {
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    m_window->hide();
    ShowWatcher watcher;
    watcher.tray = m_tray.get();
    m_window->installEventFilter(&watcher);
    QAction* view = menuAction(*m_tray, QStringLiteral("OpenConMon"));
    QVERIFY(view);
    view->trigger();
    QVERIFY(m_window->isVisible());
    QCOMPARE(watcher.iconShownAtShow, std::optional<bool>(true));
    QVERIFY(!m_tray->isIconShown());
    sendTrayMessage(*m_window, TrayCallbackMessage, 513);
    QCOMPARE(m_window->messages.size(), 1);
    QCOMPARE(m_window->unloads, 0);
}

void TestTray::exitUnloadsWindowWhichRemovesIcon() {
    QSignalSpy quit(m_window.get(), &StandInWindow::quitRequested);
    m_window->show();
    m_tray->ShowTrayIcon(m_window.get(), QStringLiteral("tip"), testIcon(Qt::red));
    m_window->hide();
    QAction* exit = menuAction(*m_tray, QStringLiteral("ExitProg1"));
    QVERIFY(exit);
    exit->trigger();
    QCOMPARE(m_window->unloads, 1);
    QCOMPARE(quit.count(), 1);
    QVERIFY(!m_tray->isIconShown());
}

void TestTray::menuMadeByTheWindowIsWired() {
    StandInWindow owner;
    QMenu* menu = createMenuSysPop(&owner);
    TrayIntegration tray(&owner, menu);
    QCOMPARE(tray.menuSysPop(), menu);
    owner.hide();
    menuAction(tray, QStringLiteral("OpenConMon"))->trigger();
    QVERIFY(owner.isVisible());
    menuAction(tray, QStringLiteral("ExitProg1"))->trigger();
    QCOMPARE(owner.unloads, 1);
}

void TestTray::transparentObject() {
    QCOMPARE(TrayIntegration::TransparentObject(nullptr), 0);
    QWidget window(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    QWidget child(&window);
    window.show();
    QCOMPARE(TrayIntegration::TransparentObject(&window), 0);
    QVERIFY(window.isVisible());
    QVERIFY(window.testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowTransparentForInput));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(TrayIntegration::TransparentObject(&child), 0);
    QVERIFY(child.testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(!child.isWindow());
}

void TestTray::withoutTrayTheWindowIsMinimised() {
    QCOMPARE(decideHide(true).action, HideAction::HideIntoTray);
    // No desktop tray exists offscreen: the window must not be hidden beyond reach.
    const HideDecision here = decideHideForThisDesktop();
    QCOMPARE(here.action, HideAction::Minimise);
    QVERIFY(!here.statusText.isEmpty());
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
