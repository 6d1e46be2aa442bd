// links: tavren_host
// needs: x11
#include "platform/host/ScreenFit.h"

#include <QApplication>
#include <QScreen>
#include <QtTest>

class ScreenFitTest : public QObject {
    Q_OBJECT

private slots:
    // Fits as it is, or both sides shrink by one factor; a side held at its minimum frees the
    // other from that factor.
    void fittedSize_data() {
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QSize>("fitted");
        const QSize room(800, 480);
        QTest::newRow("fits") << QSize(640, 284) << QSize() << QSize(640, 284);
        QTest::newRow("exactly") << room << QSize(0, 0) << room;
        QTest::newRow("too wide") << QSize(1610, 568) << QSize(0, 0) << QSize(800, 282);
        QTest::newRow("too tall") << QSize(400, 960) << QSize(0, 0) << QSize(200, 480);
        QTest::newRow("both, height rules") << QSize(1000, 1200) << QSize(0, 0) << QSize(400, 480);
        QTest::newRow("minimum height") << QSize(1600, 300) << QSize(100, 250) << QSize(800, 250);
        QTest::newRow("minimum width") << QSize(700, 960) << QSize(600, 0) << QSize(600, 480);
        QTest::newRow("minimum past the room") << QSize(1000, 600) << QSize(900, 500) << QSize(900, 500);
    }
    void fittedSize() {
        QFETCH(QSize, wanted);
        QFETCH(QSize, minimum);
        QTEST(host::fittedSize(wanted, QSize(800, 480), minimum.isValid() ? minimum : QSize(0, 0)), "fitted");
    }

    // Moved in as little as it must; a frame larger than the area keeps its top left inside.
    void placedWithin_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("inside") << QRect(10, 20, 100, 50) << QRect(10, 20, 100, 50);
        QTest::newRow("off the right") << QRect(750, 20, 100, 50) << QRect(700, 20, 100, 50);
        QTest::newRow("off the bottom") << QRect(10, 590, 100, 50) << QRect(10, 550, 100, 50);
        QTest::newRow("off the top left") << QRect(-30, -5, 100, 50) << QRect(0, 0, 100, 50);
        QTest::newRow("larger") << QRect(-30, 40, 900, 700) << QRect(0, 0, 900, 700);
    }
    void placedWithin() {
        QFETCH(QRect, frame);
        QTEST(host::placedWithin(frame, QRect(0, 0, 800, 600)), "placed");
    }

    // Under a window manager: a window wider than the screen opens on it whole, title bar
    // included, in its proportions; a dialog opens centred over its window.
    void realWindowsFit() {
        host::fitWindowsToScreen(*qApp);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window;
        window.setGeometry(40, 60, available.width() * 2, available.width() * 2 / 5);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(window.frameGeometry() != window.geometry());
        QTRY_VERIFY(available.contains(window.frameGeometry()));
        QVERIFY(window.width() >= available.width() * 9 / 10);
        QVERIFY(qAbs(window.width() - 5 * window.height()) <= 5); // as designed, 5 to 1

        QWidget dialog(&window, Qt::Dialog);
        dialog.resize(300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY(qAbs(dialog.frameGeometry().center().x() - window.frameGeometry().center().x()) <= 2);
        QVERIFY(qAbs(dialog.frameGeometry().center().y() - window.frameGeometry().center().y()) <= 2);
    }
};

QTEST_MAIN(ScreenFitTest)
#include "tst_screenfit.moc"
