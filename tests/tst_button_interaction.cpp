// links: tavren_button tavren_host tavren_os
// platforms: linux windows
#include "controls/button/CorvaneButton.h"
#include "platform/host/MessageBoxService.h"

#include <QAccessible>
#include <QtTest>

#include <memory>

using controls::CorvaneButton;

namespace {

// Every event a button raises, in order, with its numeric arguments.
class EventLog {
public:
    explicit EventLog(CorvaneButton* button) {
        const QString name = button->objectName();
        auto mouse = [this, name](const char* what) {
            return [this, name, what](short& b, short& s, float&, float&) {
                m_entries << QStringLiteral("%1 %2 %3 %4").arg(name, what).arg(b).arg(s);
            };
        };
        QObject::connect(button, &CorvaneButton::MouseDown, mouse("MouseDown"));
        QObject::connect(button, &CorvaneButton::MouseUp, mouse("MouseUp"));
        QObject::connect(button, &CorvaneButton::Click, [this, name] { m_entries << name + " Click"; });
        QObject::connect(button, &CorvaneButton::KeyDown, [this, name](short& k, short&) {
            m_entries << QStringLiteral("%1 KeyDown %2").arg(name).arg(k);
        });
        QObject::connect(button, &CorvaneButton::KeyUp, [this, name](short& k, short&) {
            m_entries << QStringLiteral("%1 KeyUp %2").arg(name).arg(k);
        });
        QObject::connect(button, &CorvaneButton::KeyPress, [this, name](short& k) {
            m_entries << QStringLiteral("%1 KeyPress %2").arg(name).arg(k);
        });
    }
    QStringList take() { return std::exchange(m_entries, {}); }

private:
    QStringList m_entries;
};

// A window holding two frames: buttons A1..A3 in Frame1 and B1 in Frame2, all in run mode.
struct Form {
    host::ControlHost host{host::HostMode::Run};
    QWidget window;
    QWidget* frame1 = new QWidget(&window);
    QWidget* frame2 = new QWidget(&window);
    QList<CorvaneButton*> buttons;

    CorvaneButton* add(QWidget* frame, const QString& name, int x) {
        auto* button = new CorvaneButton(nullptr, frame, &host);
        button->setObjectName(name);
        button->create();
        button->setCaption(name);
        button->setGeometry(x, 5, 60, 24);
        buttons << button;
        return button;
    }

    bool show() {
        host::MessageBoxService::setObserver([](const host::MessageBoxRequest&) { return QMessageBox::Ok; });
        window.setObjectName("Form1");
        frame1->setObjectName("Frame1");
        frame2->setObjectName("Frame2");
        frame1->setGeometry(0, 0, 300, 40);
        frame2->setGeometry(0, 50, 300, 40);
        window.resize(300, 100);
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

class TestButtonInteraction : public QObject {
    Q_OBJECT
private slots:
    void init() {
        // Run the 100 ms hover timer's checks against a pointer far from any button.
        QCursor::setPos(2000, 2000);
    }

    // Mouse clicks: what each button raises, and whether the look changes.
    void mouseClicks_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<Qt::MouseButton>("mouseButton");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("left on command") << false << false << Qt::LeftButton
                                         << QStringList{"A1 MouseDown 1 0", "A1 MouseUp 1 0", "A1 Click"};
        QTest::newRow("right on command")
            << false << false << Qt::RightButton << QStringList{"A1 MouseDown 2 0", "A1 MouseUp 2 0"};
        // Selecting raises Click at the press, before MouseDown.
        QTest::newRow("left on unselected option")
            << true << false << Qt::LeftButton
            << QStringList{"A1 Click", "A1 MouseDown 1 0", "A1 MouseUp 1 0"};
        QTest::newRow("left on selected option")
            << true << true << Qt::LeftButton << QStringList{"A1 MouseUp 1 0"};
    }
    void mouseClicks() {
        QFETCH(bool, option);
        QFETCH(bool, selected);
        QFETCH(Qt::MouseButton, mouseButton);
        QFETCH(QStringList, events);
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        QVERIFY(form.show());
        a1->setOptionButton(option);
        a1->setValue(selected);
        EventLog log(a1);
        const QImage before = a1->surface();
        QTest::mousePress(a1, mouseButton, {}, QPoint(10, 10));
        if (mouseButton == Qt::RightButton)
            QCOMPARE(a1->surface(), before); // a right press does not change the look
        QTest::mouseRelease(a1, mouseButton, {}, QPoint(10, 10));
        QCOMPARE(log.take(), events);
        if (option)
            QVERIFY(a1->value());
    }

    void leftClickAfterRightClickStillClicks() {
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        QVERIFY(form.show());
        EventLog log(a1);
        QTest::mouseClick(a1, Qt::RightButton, {}, QPoint(10, 10));
        QTest::mouseClick(a1, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(log.take(), (QStringList{"A1 MouseDown 2 0", "A1 MouseUp 2 0", "A1 MouseDown 1 0",
                                          "A1 MouseUp 1 0", "A1 Click"}));
    }

    // Space presses and releases the button; on an option button it selects at once.
    void spaceKey_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("pressedBetween");
        QTest::newRow("command") << false << false
                                 << QStringList{"A1 KeyDown 32", "A1 KeyPress 32", "A1 KeyUp 32", "A1 Click"}
                                 << true;
        QTest::newRow("unselected option")
            << true << false << QStringList{"A1 Click", "A1 KeyDown 32", "A1 KeyPress 32", "A1 KeyUp 32"}
            << false;
        QTest::newRow("selected option")
            << true << true << QStringList{"A1 KeyDown 32", "A1 KeyPress 32", "A1 KeyUp 32"} << false;
    }
    void spaceKey() {
        QFETCH(bool, option);
        QFETCH(bool, selected);
        QFETCH(QStringList, events);
        QFETCH(bool, pressedBetween);
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        QVERIFY(form.show());
        a1->setOptionButton(option);
        a1->setValue(selected);
        a1->setFocus();
        EventLog log(a1);
        QTest::keyPress(a1, Qt::Key_Space);
        if (pressedBetween)
            QCOMPARE(a1->visualState(), std::int32_t(CorvaneButton::Pressed));
        QTest::keyRelease(a1, Qt::Key_Space);
        QCOMPARE(log.take(), events);
        if (!option) // released: back to the focused look
            QCOMPARE(a1->visualState(), std::int32_t(CorvaneButton::Focused));
    }

    // Enter on an option button raises nothing of its own; on a command button it is a key.
    void enterKey_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("command") << false << QStringList{"A1 KeyDown 13", "A1 KeyPress 13", "A1 KeyUp 13"};
        QTest::newRow("option") << true << QStringList{"A1 KeyPress 13", "A1 KeyUp 13"};
    }
    void enterKey() {
        QFETCH(bool, option);
        QFETCH(QStringList, events);
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        QVERIFY(form.show());
        a1->setOptionButton(option);
        a1->setFocus();
        EventLog log(a1);
        QTest::keyClick(a1, Qt::Key_Return);
        QCOMPARE(log.take(), events);
    }

    // Arrows move the focus through the window's tab order, without KeyDown.
    void arrowKeys_data() {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("focusAfter");
        QTest::newRow("left") << Qt::Key_Left << "A1";
        QTest::newRow("up") << Qt::Key_Up << "A1";
        QTest::newRow("right") << Qt::Key_Right << "A3";
        QTest::newRow("down") << Qt::Key_Down << "A3";
    }
    void arrowKeys() {
        QFETCH(Qt::Key, key);
        QFETCH(QString, focusAfter);
        Form form;
        form.add(form.frame1, "A1", 5);
        CorvaneButton* a2 = form.add(form.frame1, "A2", 70);
        form.add(form.frame1, "A3", 135);
        QVERIFY(form.show());
        a2->setFocus();
        QTRY_VERIFY(a2->hasFocus());
        EventLog log(a2);
        QTest::keyPress(a2, key);
        QCOMPARE(QApplication::focusWidget()->objectName(), focusAfter);
        QVERIFY(!log.take().join(' ').contains("KeyDown"));
    }

    // Selecting one option button clears the others of its container only.
    void optionGroups() {
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        CorvaneButton* a2 = form.add(form.frame1, "A2", 70);
        CorvaneButton* a3 = form.add(form.frame1, "A3", 135);
        CorvaneButton* b1 = form.add(form.frame2, "B1", 5);
        QVERIFY(form.show());
        for (CorvaneButton* button : form.buttons)
            button->setOptionButton(true);
        a1->setValue(true);
        a3->setValue(true); // two selected by assignment: the second clears the first
        b1->setValue(true);
        QCOMPARE(a1->value(), false);
        QTest::mouseClick(a2, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(a1->value(), false);
        QCOMPARE(a2->value(), true);
        QCOMPARE(a3->value(), false);
        QCOMPARE(b1->value(), true);
        QCOMPARE(a3->visualState(), std::int32_t(CorvaneButton::Idle));
    }

    // The access key presses the command button for 0.15 s, then clicks it.
    void accessKey() {
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        form.add(form.frame1, "A2", 70);
        QVERIFY(form.show());
        a1->setCaption("Save && E&xit");
        QCOMPARE(a1->accessKey(), QChar('x'));
        EventLog log(a1);
        std::int32_t stateAtClick = -99;
        QObject::connect(a1, &CorvaneButton::Click, [&] { stateAtClick = a1->visualState(); });
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(&form.window, Qt::Key_X, Qt::AltModifier);
        QCOMPARE(log.take(), QStringList{"A1 Click"});
        QVERIFY(timer.elapsed() >= 140);
        QVERIFY(stateAtClick != CorvaneButton::Pressed); // released before Click
        a1->setCaption("Save and Exit");
        QVERIFY(a1->accessKey().isNull());
    }

    // Pressing, moving out with the button held, and back in.
    void dragOutAndBack() {
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        QVERIFY(form.show());
        QTest::mousePress(a1, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(a1->visualState(), std::int32_t(CorvaneButton::Pressed));
        auto drag = [a1](QPoint to) {
            QMouseEvent move(QEvent::MouseMove, QPointF(to), a1->mapToGlobal(QPointF(to)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(a1, &move);
        };
        drag(QPoint(-5, 10));
        QCOMPARE(a1->visualState(),
                 std::int32_t(a1->hasFocus() ? CorvaneButton::Focused : CorvaneButton::Idle));
        drag(QPoint(10, 10));
        QCOMPARE(a1->visualState(), std::int32_t(CorvaneButton::Pressed));
    }

    // Screen readers read a push button, or a radio button with its selection.
    void accessibleRole() {
        Form form;
        CorvaneButton* a1 = form.add(form.frame1, "A1", 5);
        QVERIFY(form.show());
        a1->setCaption("Save && E&xit");
        QAccessibleInterface* readout = QAccessible::queryAccessibleInterface(a1);
        QVERIFY(readout);
        QCOMPARE(readout->role(), QAccessible::Button);
        QCOMPARE(readout->text(QAccessible::Name), QStringLiteral("Save & Exit"));
        a1->setOptionButton(true);
        a1->setValue(true);
        QCOMPARE(readout->role(), QAccessible::RadioButton);
        QVERIFY(readout->state().checked);
    }
};

QTEST_MAIN(TestButtonInteraction)
#include "tst_button_interaction.moc"
