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
        QTest::newRow("fits") << QSize(640, 284) << QSize() << QSize(640, 284);
        QTest::newRow("too wide") << QSize(1610, 568) << QSize(0, 0) << QSize(800, 282);
        QTest::newRow("both, height rules") << QSize(1000, 1200) << QSize(0, 0) << QSize(400, 480);
        QTest::newRow("minimum height") << QSize(1600, 300) << QSize(100, 250) << QSize(800, 250);
        QTest::newRow("minimum width") << QSize(700, 960) << QSize(600, 0) << QSize(600, 480);
    }
    void fittedSize() {
        QFETCH(QSize, wanted);
        QFETCH(QSize, minimum);
        QTEST(host::fittedSize(wanted, QSize(800, 480), minimum.isValid() ? minimum : QSize(0, 0)), "fitted");
    }

    // Under a window manager: a window wider than the screen, placed partly off it, opens on it
    // whole, title bar included, in its proportions; a dialog opens centred over its window.
    void realWindowsFit() {
        host::fitWindowsToScreen(*qApp);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window;
        window.setGeometry(-40, 60, available.width() * 2, available.width() * 2 / 5);
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
