// links: tavren_check
// needs: x11
#include "controls/check/Check.h"

#include <QProcess>
#include <QtTest>

using namespace controls;

// The hover look follows the real pointer on a real X server: QApplication::widgetAt under
// QCursor::pos() is only meaningful with real windows.
class TestCheckHover : public QObject {
    Q_OBJECT

    QWidget window;
    Check* check = nullptr;

    void pointAt(QWidget* widget, QPoint at) { QCursor::setPos(widget->mapToGlobal(at)); }
    QWidget* box() const { return check->findChild<QWidget*>(QStringLiteral("Picture1")); }
    QWidget* caption() const { return check->findChild<QWidget*>(QStringLiteral("Check1")); }

    static void xdotool(const QStringList& args) {
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), args), 0);
    }

private slots:
    void initTestCase() {
        window.setWindowTitle(QStringLiteral("check hover"));
        window.resize(300, 120);
        check = new Check(&window);
        check->setObjectName(QStringLiteral("ChkRefresh"));
        check->create();
        check->setCaption(QStringLiteral("Auto-Refresh Every"));
        check->setGeometry(20, 20, 200, 17);
        window.move(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    void init() {
        check->setCheckEnabled(true);
        check->setValue(0);
        pointAt(&window, QPoint(280, 100));
        QTRY_COMPARE(check->shownImage(), CheckImage::IdleNoValue);
    }

    void hoverLookUnderThePointer_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("overCaption");
        QTest::addColumn<CheckImage>("hover");
        QTest::addColumn<CheckImage>("idle");
        QTest::newRow("box, no value")
            << 0 << false << CheckImage::MouseoverNoValue << CheckImage::IdleNoValue;
        QTest::newRow("box, checked")
            << 1 << false << CheckImage::MouseoverChecked << CheckImage::IdleChecked;
        QTest::newRow("caption, greyed")
            << 2 << true << CheckImage::MouseoverGreyed << CheckImage::IdleGreyed;
    }
    void hoverLookUnderThePointer() {
        QFETCH(int, value);
        QFETCH(bool, overCaption);
        QFETCH(CheckImage, hover);
        QFETCH(CheckImage, idle);
        check->setValue(value);
        if (overCaption)
            pointAt(caption(), QPoint(60, 8));
        else
            pointAt(box(), QPoint(6, 6));
        QTRY_COMPARE_WITH_TIMEOUT(check->shownImage(), hover, 2000);

        pointAt(&window, QPoint(150, 90)); // inside the window, outside the control
        QTRY_COMPARE_WITH_TIMEOUT(check->shownImage(), idle, 2000);
    }

    void readingTheValuePutsTheRestingImageBack() {
        pointAt(box(), QPoint(6, 6));
        QTRY_COMPARE(check->shownImage(), CheckImage::MouseoverNoValue);
        QCOMPARE(check->value(), 0);
        QCOMPARE(check->shownImage(), CheckImage::IdleNoValue);
        QTRY_COMPARE(check->shownImage(), CheckImage::MouseoverNoValue);
    }

    void disabledShowsNoHover() {
        check->setCheckEnabled(false);
        pointAt(box(), QPoint(6, 6));
        QTest::qWait(60);
        QCOMPARE(check->shownImage(), CheckImage::DisabledNoValue);
        check->setCheckEnabled(true);
        QTRY_COMPARE(check->shownImage(), CheckImage::MouseoverNoValue);
    }

    void coveringWindowDoesNotCount() {
        QWidget cover;
        cover.setWindowFlags(Qt::ToolTip); // unmanaged, stays on top
        cover.setGeometry(QRect(box()->mapToGlobal(QPoint(-20, -20)), QSize(80, 60)));
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        pointAt(box(), QPoint(6, 6));
        QTest::qWait(80);
        QCOMPARE(check->shownImage(), CheckImage::IdleNoValue);
        cover.hide();
        QTRY_COMPARE(check->shownImage(), CheckImage::MouseoverNoValue);
    }

    void realPressHoldAndRelease() {
        int clicks = 0;
        auto c = connect(check, &Check::Click, this, [&] { ++clicks; });
        pointAt(box(), QPoint(6, 6));
        QTRY_COMPARE(check->shownImage(), CheckImage::MouseoverNoValue);
        xdotool({"mousedown", "1"});
        QTRY_COMPARE(check->shownImage(), CheckImage::PushedNoValue);
        QTest::qWait(60);
        QCOMPARE(check->shownImage(), CheckImage::PushedNoValue);
        xdotool({"mouseup", "1"});
        QTRY_COMPARE(clicks, 1);
        QTRY_COMPARE(check->shownImage(), CheckImage::MouseoverChecked);
        disconnect(c);
    }

    void realDoubleClickChangesOnce() {
        int clicks = 0, doubles = 0, downs = 0;
        auto c1 = connect(check, &Check::Click, this, [&] { ++clicks; });
        auto c2 = connect(check, &Check::DblClick, this, [&] { ++doubles; });
        auto c3 = connect(check, &Check::MouseDown, this, [&](short&, short&, float&, float&) { ++downs; });
        pointAt(box(), QPoint(6, 6));
        QTRY_COMPARE(check->shownImage(), CheckImage::MouseoverNoValue);
        xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
        QTRY_COMPARE(clicks, 2);
        QTRY_COMPARE(doubles, 1);
        QTest::qWait(100);
        QCOMPARE(downs, 1);
        QCOMPARE(check->value(), 1);
        disconnect(c1);
        disconnect(c2);
        disconnect(c3);
    }
};

QTEST_MAIN(TestCheckHover)
#include "tst_check_hover.moc"
