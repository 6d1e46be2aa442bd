// links: tavren_check
// platforms: linux windows
#include "controls/check/Check.h"
#include "controls/check/CheckParts.h"
#include "platform/host/Colours.h"
#include "platform/host/PropertyStore.h"
#include "platform/host/Units.h"

#include <QAccessible>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace controls;
using host::Colour;

Q_DECLARE_METATYPE(std::optional<controls::CheckImage>)

namespace {

// What the control raised during one press and release, with the value each handler saw.
struct Recorder {
    QList<int> mouseDownButtons;
    QList<int> valueSeenByMouseDown;
    QList<int> valueSeenByClick;
    int dblClicks = 0;

    explicit Recorder(Check& check) {
        QObject::connect(&check, &Check::MouseDown, &check,
                         [this, &check](short& button, short&, float&, float&) {
                             mouseDownButtons << button;
                             valueSeenByMouseDown << check.value();
                         });
        QObject::connect(&check, &Check::Click, &check,
                         [this, &check] { valueSeenByClick << check.value(); });
        QObject::connect(&check, &Check::DblClick, &check, [this] { ++dblClicks; });
    }
};

QWidget* part(Check& check, const char* name) {
    return check.findChild<QWidget*>(QLatin1String(name));
}

} // namespace

class TestCheck : public QObject {
    Q_OBJECT

    // A shown control in run mode, enabled, pointer parked far away from it.
    std::unique_ptr<Check> makeShown(std::int32_t value) {
        auto check = std::make_unique<Check>();
        check->setObjectName(QStringLiteral("ChkRefresh"));
        check->create();
        check->setValue(value);
        check->resize(160, 17);
        check->show();
        QCursor::setPos(-500, -500);
        return check;
    }

private slots:
    void pressAndRelease_data() {
        QTest::addColumn<QString>("partName");
        QTest::addColumn<int>("before");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("buttonCode");
        QTest::addColumn<CheckImage>("heldImage");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<CheckImage>("restingImage");

        using I = CheckImage;
        QTest::newRow("left on unchecked box")
            << "Picture1" << 0 << Qt::LeftButton << 1 << I::PushedNoValue << 1 << 1 << I::IdleChecked;
        QTest::newRow("left on checked box")
            << "Picture1" << 1 << Qt::LeftButton << 1 << I::PushedChecked << 0 << 1 << I::IdleNoValue;
        QTest::newRow("left on greyed box")
            << "Picture1" << 2 << Qt::LeftButton << 1 << I::PushedGreyed << 0 << 1 << I::IdleNoValue;
        QTest::newRow("middle on unchecked box")
            << "Picture1" << 0 << Qt::MiddleButton << 4 << I::PushedNoValue << 1 << 1 << I::IdleChecked;
        QTest::newRow("right on unchecked box")
            << "Picture1" << 0 << Qt::RightButton << 2 << I::IdleNoValue << 0 << 0 << I::IdleNoValue;
        QTest::newRow("right on checked caption")
            << "Check1" << 1 << Qt::RightButton << 2 << I::IdleChecked << 1 << 0 << I::IdleChecked;
        QTest::newRow("left on unchecked caption")
            << "Check1" << 0 << Qt::LeftButton << 1 << I::PushedNoValue << 1 << 1 << I::IdleChecked;
        QTest::newRow("left on greyed caption")
            << "Check1" << 2 << Qt::LeftButton << 1 << I::PushedGreyed << 0 << 1 << I::IdleNoValue;
    }
    void pressAndRelease() {
        QFETCH(QString, partName);
        QFETCH(int, before);
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, buttonCode);
        QFETCH(CheckImage, heldImage);
        QFETCH(int, after);
        QFETCH(int, clicks);
        QFETCH(CheckImage, restingImage);

        auto check = makeShown(before);
        Recorder seen(*check);
        QWidget* target = part(*check, partName.toLatin1().constData());
        QVERIFY(target);

        QTest::mousePress(target, button, {}, QPoint(5, 5));
        QCOMPARE(seen.mouseDownButtons, QList<int>{buttonCode});
        QCOMPARE(seen.valueSeenByMouseDown, QList<int>{before});
        QCOMPARE(check->shownImage(), heldImage);
        // The held look stays while the button is down: the hover timer is stopped.
        QTest::qWait(40);
        QCOMPARE(check->shownImage(), heldImage);

        QTest::mouseRelease(target, button, {}, QPoint(5, 5));
        QCOMPARE(seen.valueSeenByClick.size(), clicks);
        if (clicks)
            QCOMPARE(seen.valueSeenByClick.first(), after);
        QCOMPARE(check->value(), after);
        QTRY_COMPARE_WITH_TIMEOUT(check->shownImage(), restingImage, 1000);
        QCOMPARE(seen.dblClicks, 0);
    }

    void doubleClickOnBoxChangesOnceAndClicksTwice() {
        auto check = makeShown(0);
        Recorder seen(*check);
        QWidget* box = part(*check, "Picture1");
        // The order a double-click arrives in: press, release, double-click, release.
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(check->value(), 1);
        QCOMPARE(seen.valueSeenByClick, (QList<int>{1, 1}));
        QCOMPARE(seen.dblClicks, 1);
        QCOMPARE(seen.mouseDownButtons.size(), 1);
    }

    void doubleClickOnCaptionIsNotHandled() {
        auto check = makeShown(0);
        Recorder seen(*check);
        QTest::mouseDClick(part(*check, "Check1"), Qt::LeftButton, {}, QPoint(30, 5));
        QCOMPARE(seen.dblClicks, 0);
        QCOMPARE(seen.mouseDownButtons.size(), 0);
        QCOMPARE(check->value(), 0);
    }

    void mouseDownHandlerMayChangeItsArguments() {
        auto check = makeShown(0);
        // A handler that turns a left press into a right one stops the value change.
        connect(check.get(), &Check::MouseDown, check.get(),
                [](short& button, short&, float&, float&) { button = 2; });
        QTest::mousePress(part(*check, "Picture1"), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(check->value(), 0);
    }

    void mouseDownReportsShiftAndPosition() {
        auto check = makeShown(0);
        short shift = -1;
        float x = -1, y = -1;
        connect(check.get(), &Check::MouseDown, check.get(), [&](short&, short& s, float& px, float& py) {
            shift = s;
            x = px;
            y = py;
        });
        QTest::mousePress(part(*check, "Picture1"), Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                          QPoint(4, 6));
        QCOMPARE(shift, short(3));
        QCOMPARE(x, float(host::pixelsToTwips(4)));
        QCOMPARE(y, float(host::pixelsToTwips(6)));
    }

    void disabledBoxIgnoresPresses_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<CheckImage>("disabledImage");
        QTest::newRow("no value") << 0 << CheckImage::DisabledNoValue;
        QTest::newRow("checked") << 1 << CheckImage::CheckedDisabled;
        QTest::newRow("greyed") << 2 << CheckImage::DisabledGrey;
    }
    void disabledBoxIgnoresPresses() {
        QFETCH(int, value);
        QFETCH(CheckImage, disabledImage);
        auto check = makeShown(value);
        check->setCheckEnabled(false);
        QCOMPARE(check->shownImage(), disabledImage);
        QCOMPARE(check->captionColour(), Colour{0x00C0C0C0});
        auto* timer = check->findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(!timer->isActive());

        Recorder seen(*check);
        for (const char* name : {"Picture1", "Check1"}) {
            QTest::mouseClick(part(*check, name), Qt::LeftButton, {}, QPoint(4, 4));
            QTest::mouseDClick(part(*check, name), Qt::LeftButton, {}, QPoint(4, 4));
        }
        QCOMPARE(seen.mouseDownButtons.size() + seen.valueSeenByClick.size() + seen.dblClicks, 0);
        QCOMPARE(check->value(), value);
        QCOMPARE(check->shownImage(), disabledImage);

        // Enabling again in run mode restarts hover polling.
        check->setCheckEnabled(true);
        QVERIFY(timer->isActive());
        QCOMPARE(check->captionColour(), Colour{0});
    }

    void valueOutsideTheRangeKeepsThePicture() {
        auto check = makeShown(1);
        Recorder seen(*check);
        check->setValue(5);
        QCOMPARE(check->value(), 5);
        QCOMPARE(check->shownImage(), CheckImage::IdleChecked);
        QTest::mousePress(part(*check, "Picture1"), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseRelease(part(*check, "Picture1"), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(seen.valueSeenByMouseDown, QList<int>{5});
        QCOMPARE(seen.valueSeenByClick, QList<int>{5});
        QTest::qWait(30);
        QCOMPARE(check->shownImage(), CheckImage::IdleChecked);
        check->setCheckEnabled(false);
        QCOMPARE(check->shownImage(), CheckImage::IdleChecked);
    }

    // Space on the focused caption is a click without MouseDown: the press moves the value on
    // and shows the pushed picture, the release raises Click. Other keys and a disabled box
    // change nothing. The focused caption shows a frame.
    void keyboardOnCaption_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("after");
        QTest::addColumn<std::optional<CheckImage>>("held"); // none: the picture stays
        const int space = Qt::Key_Space;
        QTest::newRow("unchecked") << 0 << true << space << 1 << std::optional(CheckImage::PushedNoValue);
        QTest::newRow("greyed") << 2 << true << space << 0 << std::optional(CheckImage::PushedGreyed);
        QTest::newRow("outside the range") << 5 << true << space << 5 << std::optional<CheckImage>();
        QTest::newRow("disabled") << 0 << false << space << 0 << std::optional<CheckImage>();
        QTest::newRow("return") << 0 << true << int(Qt::Key_Return) << 0 << std::optional<CheckImage>();
    }
    void keyboardOnCaption() {
        QFETCH(int, value);
        QFETCH(bool, enabled);
        QFETCH(int, key);
        QFETCH(int, after);
        QFETCH(std::optional<CheckImage>, held);
        auto check = makeShown(value);
        check->setCheckEnabled(enabled);
        Recorder seen(*check);
        QWidget* caption = part(*check, "Check1");
        check->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(check.get()));
        caption->clearFocus(); // the active window gave it the focus
        const QImage unfocused = caption->grab().toImage();
        caption->setFocus();
        QTRY_VERIFY(caption->grab().toImage() != unfocused);
        const std::optional<CheckImage> before = check->shownImage();
        QTest::keyPress(caption, Qt::Key(key));
        QCOMPARE(check->shownImage(), held ? held : before);
        QTest::keyRelease(caption, Qt::Key(key));
        QCOMPARE(check->value(), after);
        QCOMPARE(seen.valueSeenByClick, QList<int>(enabled && key == Qt::Key_Space, after));
        QVERIFY(seen.mouseDownButtons.isEmpty());
        QVERIFY(!static_cast<QCheckBox*>(caption)->isChecked()); // its own state never moves
    }

    // A screen reader reads 1 as checked, 2 as checked and mixed (its greyed tick), and its press
    // and toggle click as Space does. Announcements show on a real bus: scripts/read-checkboxes.
    void accessibleState_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("act"); // an action's name, or "=N" to set the value
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("mixed");
        QTest::newRow("checked") << 1 << "" << 1 << true << false;
        QTest::newRow("greyed") << 2 << "" << 2 << true << true;
        QTest::newRow("set unchecked") << 1 << "=0" << 0 << false << false;
        QTest::newRow("toggle") << 0 << QAccessibleActionInterface::toggleAction() << 1 << true << false;
        QTest::newRow("press greyed")
            << 2 << QAccessibleActionInterface::pressAction() << 0 << false << false;
    }
    void accessibleState() {
        QFETCH(int, value);
        QFETCH(QString, act);
        auto check = makeShown(value);
        check->setCaption(QStringLiteral("Show &Grid Lines"));
        Recorder seen(*check);
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(part(*check, "Check1"));
        QVERIFY(read && read->actionInterface());
        if (act.startsWith('='))
            check->setValue(act.mid(1).toInt());
        else if (!act.isEmpty())
            read->actionInterface()->doAction(act);
        QTEST(int(check->value()), "after");
        QCOMPARE(read->role(), QAccessible::CheckBox);
        QCOMPARE(read->text(QAccessible::Name), QStringLiteral("Show Grid Lines"));
        QTEST(bool(read->state().checked), "checked");
        QTEST(bool(read->state().checkStateMixed), "mixed");
        QCOMPARE(seen.valueSeenByClick.size(), int(act.startsWith('=') || act.isEmpty() ? 0 : 1));
    }

    void boxShowsThePictureItNames() {
        auto check = makeShown(2);
        const QImage shown =
            part(*check, "Picture1")->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage expected =
            checkImagePicture(CheckImage::IdleGreyed).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), QSize(13, 13));
        // The pictures are opaque, so the grab matches them pixel for pixel.
        QCOMPARE(shown, expected);
    }

    void twelveDistinctPictures() {
        QSet<QByteArray> seen;
        for (int i = 0; i < 12; ++i) {
            const QImage image = checkImagePicture(CheckImage(i));
            QCOMPARE(image.size(), QSize(13, 13));
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(seen.size(), 12);
    }

    void noSecondBoxBesideThePicture() {
        auto check = makeShown(0);
        check->setCaption(QString());
        check->setBackColor(Colour{0x00FFFFFF});
        const QImage image = check->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 13; x < image.width(); ++x)
                QCOMPARE(QColor(image.pixel(x, y)), QColor(Qt::white));
    }

    void layout_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("pictureTop");
        QTest::newRow("17 high") << 17 << 2;
        QTest::newRow("13 high") << 13 << 0;
        QTest::newRow("30 high") << 30 << 9;
    }
    void layout() {
        QFETCH(int, height);
        QFETCH(int, pictureTop);
        Check check;
        check.create();
        check.resize(120, height);
        check.show(); // a hidden widget gets its size change only when shown
        QCOMPARE(part(check, "Picture1")->geometry(), QRect(0, pictureTop, 13, 13));
        QCOMPARE(part(check, "Check1")->geometry(), QRect(-2, 0, 122, height));
    }

    void foreColorWhileDisabledLastsUntilNextLayout() {
        auto check = makeShown(0);
        check->setCheckEnabled(false);
        check->setForeColor(Colour{0x000000FF});
        QCOMPARE(check->captionColour(), Colour{0x000000FF});
        check->resize(170, 17);
        QCOMPARE(check->captionColour(), Colour{0x00C0C0C0});
        check->setDisabledColor(Colour{0x00808080});
        QCOMPARE(check->captionColour(), Colour{0x00C0C0C0}); // nothing redrawn yet
        check->setCheckEnabled(false);
        QCOMPARE(check->captionColour(), Colour{0x00808080});
    }

    void notifications_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("Value") << "Value" << QStringList{};
        QTest::newRow("Enabled") << "Enabled" << QStringList{};
        QTest::newRow("Font") << "Font" << QStringList{};
        QTest::newRow("Caption") << "Caption" << QStringList{"Caption"};
        QTest::newRow("BackColor") << "BackColor" << QStringList{"BackColor"};
        QTest::newRow("ForeColor") << "ForeColor" << QStringList{"ForeColor"};
        QTest::newRow("DisabledColor") << "DisabledColor" << QStringList{"DisabledColor"};
    }
    void notifications() {
        QFETCH(QString, property);
        QFETCH(QStringList, keys);
        host::ControlHost designHost(host::HostMode::Design);
        Check check(nullptr, &designHost);
        check.create();
        QSignalSpy spy(&check, &host::HostedControl::propertyChanged);
        if (property == "Value")
            check.setValue(1);
        else if (property == "Enabled")
            check.setCheckEnabled(false);
        else if (property == "Font")
            check.setCaptionFont(QFont(QStringLiteral("Serif"), 14));
        else if (property == "Caption")
            check.setCaption(QStringLiteral("x"));
        else if (property == "BackColor")
            check.setBackColor(Colour{1});
        else if (property == "ForeColor")
            check.setForeColor(Colour{2});
        else
            check.setDisabledColor(Colour{3});
        QStringList sent;
        for (const auto& args : spy)
            sent << args.at(0).toString();
        QCOMPARE(sent, keys);
    }

    void hoverPollingRestsWhileHidden_data() {
        QTest::addColumn<int>("whileHidden"); // 0 nothing, 1 disabled, 2 disabled then enabled
        QTest::addColumn<bool>("pollingWhenShown");
        QTest::newRow("hidden and shown again") << 0 << true;
        QTest::newRow("disabled while hidden") << 1 << false;
        QTest::newRow("disabled and enabled again while hidden") << 2 << true;
    }
    // A hidden box cannot be hovered; the pointer is not polled for it until it shows again.
    void hoverPollingRestsWhileHidden() {
        QFETCH(int, whileHidden);
        QFETCH(bool, pollingWhenShown);
        QWidget window;
        auto* check = new Check(&window);
        check->create();
        check->resize(160, 17);
        window.show();
        auto* timer = check->findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer->isActive());

        window.hide();
        QTest::qWait(30); // a few ticks' time
        QVERIFY(!timer->isActive());
        if (whileHidden >= 1)
            check->setCheckEnabled(false);
        if (whileHidden == 2)
            check->setCheckEnabled(true);
        QTest::qWait(30);
        QVERIFY(!timer->isActive());

        window.show();
        QCOMPARE(timer->isActive(), pollingWhenShown);
    }

    void designModeKeepsTheTimerStopped() {
        host::ControlHost designHost(host::HostMode::Design);
        Check check(nullptr, &designHost);
        check.create();
        check.show();
        QVERIFY(!check.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
        QCOMPARE(check.shownImage(), CheckImage::IdleNoValue);
    }

    void storeWithEveryKeyAbsent() {
        Check check;
        check.setObjectName(QStringLiteral("ChkHideGrid"));
        check.load(host::PropertyStore{});
        QCOMPARE(check.value(), 0);
        QCOMPARE(check.caption(), QStringLiteral("ChkHideGrid"));
        QVERIFY(check.isCheckEnabled());
        QCOMPARE(check.captionFont(), check.ambientFont());
        QCOMPARE(check.captionColour(), Colour{0x00800000});
        QCOMPARE(check.foreColor(), Colour{0});
        QCOMPARE(check.backColor(), Colour{0x00FFFFFF});
        QCOMPARE(check.disabledColor(), Colour{0x00C0C0C0});
        QCOMPARE(check.shownImage(), CheckImage::IdleNoValue);
        // The first size change paints the caption in the field's colour, and keeps the
        // background that was loaded.
        check.resize(100, 17);
        check.show();
        QCOMPARE(check.captionColour(), Colour{0});
        QCOMPARE(check.backColor(), Colour{0x00FFFFFF});
    }

    void optionsDialogInstanceStoresCaptionTwice() {
        Check check;
        check.setObjectName(QStringLiteral("ChkRefresh"));
        check.create();
        check.setCaption(QStringLiteral("Auto-Refresh Every"));
        check.setBackColor(host::systemColour(host::ButtonFace));
        const host::PropertyStore store = check.save();
        QStringList keys;
        for (const auto& entry : store.entries())
            keys << entry.key.toLower();
        QCOMPARE(keys, (QStringList{"caption", "forecolor", "caption", "backcolor"}));
        QCOMPARE(host::toColour(store.find(QStringLiteral("forecolor"))->value), Colour{0});
        QCOMPARE(host::toColour(store.find(QStringLiteral("backcolor"))->value), Colour{0x8000000F});
    }

    void saveThenLoadGivesTheSameStore_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<quint32>("foreColor");
        QTest::addColumn<quint32>("backColor");
        QTest::addColumn<quint32>("disabledColor");
        QTest::addColumn<bool>("ownFont");
        QTest::newRow("as created") << 0 << "ChkRefresh" << true << 0u << 0x8000000Fu << 0xC0C0C0u << false;
        QTest::newRow("everything set")
            << 2 << "Show &Grid Lines" << true << 0x00123456u << 0x00FFFFFFu << 0x00808080u << true;
        QTest::newRow("disabled: the two colours differ")
            << 1 << "Auto" << false << 0x000000FFu << 0x80000005u << 0x00404040u << false;
        QTest::newRow("value outside the range")
            << 7 << "x" << true << 0u << 0x8000000Fu << 0xC0C0C0u << false;
        QTest::newRow("caption equal to the class default")
            << 0 << "Check1" << true << 0u << 0x8000000Fu << 0xC0C0C0u << false;
    }
    void saveThenLoadGivesTheSameStore() {
        QFETCH(int, value);
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        QFETCH(quint32, foreColor);
        QFETCH(quint32, backColor);
        QFETCH(quint32, disabledColor);
        QFETCH(bool, ownFont);

        Check original;
        original.setObjectName(QStringLiteral("ChkRefresh"));
        original.create();
        original.resize(160, 17);
        original.setValue(value);
        original.setCaption(caption);
        original.setForeColor(Colour{foreColor});
        original.setBackColor(Colour{backColor});
        original.setDisabledColor(Colour{disabledColor});
        if (ownFont)
            original.setCaptionFont(QFont(QStringLiteral("Serif"), 15, QFont::Bold));
        original.setCheckEnabled(enabled);
        const host::PropertyStore saved = original.save();

        Check copy;
        copy.setObjectName(QStringLiteral("ChkRefresh"));
        copy.load(saved);
        QCOMPARE(copy.save(), saved);
        copy.resize(160, 17); // the first layout must not disturb what was loaded
        copy.show();
        QCOMPARE(copy.save(), saved);
        QCOMPARE(copy.value(), value);
        QCOMPARE(copy.caption(), caption);
        QCOMPARE(copy.isCheckEnabled(), enabled);
        QCOMPARE(copy.captionFont(), original.captionFont());
        QCOMPARE(copy.captionColour(), original.captionColour());
        QCOMPARE(copy.foreColor(), original.foreColor());
        QCOMPARE(copy.backColor(), original.backColor());
        QCOMPARE(copy.disabledColor(), original.disabledColor());
    }
};

QTEST_MAIN(TestCheck)
#include "tst_check.moc"
