// links: tavren_button tavren_host tavren_os
// needs: x11
#include "controls/button/CorvaneButton.h"
#include "platform/host/Colours.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using controls::CorvaneButton;

namespace {

bool movePointer(QPoint global) {
    return QProcess::execute(
               QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())}) == 0;
}

std::uint32_t at(const CorvaneButton& button, int x, int y) {
    return host::fromQColor(button.surface().pixelColor(x, y)).value;
}

} // namespace

class TestButtonX11 : public QObject {
    Q_OBJECT
private slots:
    // The real pointer over a rounded blue button brings the orange hover ring; leaving it,
    // the hover timer raises MouseOut on its next tick and the ring goes.
    void hoverRingFollowsThePointer() {
        host::ControlHost designHost(host::HostMode::Design);
        QWidget window;
        window.setObjectName("Form1");
        window.resize(240, 120);
        auto* button = new CorvaneButton(nullptr, &window, &designHost);
        button->setObjectName("Button1");
        button->create();
        button->setButtonType(3);
        button->setCaption("Hover");
        button->setGeometry(60, 40, 100, 30);
        designHost.setMode(host::HostMode::Run);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(movePointer(window.mapToGlobal(QPoint(5, 5))));
        QTest::qWait(150);
        const int midY = button->height() / 2;
        const std::uint32_t ringSide = 0x6BCBFF; // left edge of the orange ring
        QVERIFY(at(*button, 1, midY) != ringSide);

        QSignalSpy out(button, &CorvaneButton::MouseOut);
        QVERIFY(movePointer(button->mapToGlobal(QPoint(50, 15))));
        QTRY_VERIFY(button->isHovered());
        QCOMPARE(at(*button, 1, midY), ringSide);
        QCOMPARE(at(*button, 2, midY), 0x31B2FFu);
        // Still over the button: ticks come and go without MouseOut.
        QTest::qWait(250);
        QCOMPARE(out.count(), 0);

        QElapsedTimer left;
        left.start();
        QVERIFY(movePointer(window.mapToGlobal(QPoint(5, 5))));
        QTRY_COMPARE_WITH_TIMEOUT(out.count(), 1, 2000);
        // One tick of the 100 ms timer, with room for a loaded machine.
        QVERIFY2(left.elapsed() < 600, qPrintable(QString::number(left.elapsed())));
        QVERIFY(!button->isHovered());
        // The left edge shows the blue focus ring when the button has the focus, else its
        // shading: the face base (face + 48) less 5.
        const host::Colour base = controls::ShadeColor(button->buttonPalette().FaceColor, +48, true);
        QCOMPARE(at(*button, 1, midY),
                 button->hasFocus() ? 0xE7AE8Cu : controls::ShadeColor(base, -5, true).value);
        QVERIFY(at(*button, 2, midY) != 0x31B2FFu);
    }
};

QTEST_MAIN(TestButtonX11)
#include "tst_button_x11.moc"
