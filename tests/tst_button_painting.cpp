// links: tavren_button tavren_host tavren_os
#include "controls/button/ButtonPalette.h"
#include "controls/button/CorvaneButton.h"
#include "platform/host/Colours.h"
#include "platform/host/MessageBoxService.h"

#include <QtTest>

#include <cmath>
#include <memory>

using controls::CorvaneButton;
using controls::ShadeColor;
using host::Colour;

namespace {

constexpr int W = 40;
constexpr int H = 20;
constexpr int MidX = W / 2;
constexpr int MidY = H / 2;

// Scheme 2 with this face gives a palette whose figures are easy to follow: face C0, light DF,
// highlight EF, shadow 80, dark shadow 0.
constexpr std::uint32_t F = 0xC0C0C0, Lt = 0xDFDFDF, Hi = 0xEFEFEF, Sh = 0x808080, Dk = 0x000000;
constexpr std::uint32_t Container = 0x00336699;

std::uint32_t shade(std::uint32_t colour, int delta, bool scaleBlue = false) {
    return ShadeColor(Colour{colour}, delta, scaleBlue).value;
}

// A dotted exclusive-or focus frame inverts every other pixel.
std::uint32_t inverted(std::uint32_t colour) {
    return colour ^ 0xFFFFFF;
}

std::uint32_t at(const CorvaneButton& button, int x, int y) {
    return host::fromQColor(button.surface().pixelColor(x, y)).value;
}

enum class Column { Normal, Disabled, Pressed, Selected, Focused, Hovered };

// A shown button of the look in the column's state, on a container of its own colour. The
// design-only settings are made in design mode; the state is then reached in run mode the way
// a user reaches it.
struct Fixture {
    host::ControlHost host{host::HostMode::Design};
    QWidget window;
    CorvaneButton* button = nullptr;

    bool make(int type, Column column, int scheme = 2, int style = 0) {
        host::MessageBoxService::setObserver([](const host::MessageBoxRequest&) { return QMessageBox::Ok; });
        window.setObjectName("Form1");
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, host::resolveColour(Colour{Container}));
        window.setPalette(palette);
        window.resize(200, 100);
        button = new CorvaneButton(nullptr, &window, &host);
        button->setObjectName("Button1");
        button->create();
        button->setButtonType(type);
        button->setButtonStyle(style);
        button->setColorScheme(scheme);
        if (scheme == 2)
            button->setBackColor(Colour{F});
        button->setCaption(QString());
        button->setGeometry(10, 10, W, H);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        host.setMode(host::HostMode::Run);
        switch (column) {
        case Column::Disabled:
            button->setButtonEnabled(false);
            break;
        case Column::Pressed:
            QTest::mousePress(button, Qt::LeftButton, {}, QPoint(MidX, MidY));
            break;
        case Column::Selected:
            button->setOptionButton(true);
            button->setValue(true);
            break;
        case Column::Focused: {
            QFocusEvent in(QEvent::FocusIn);
            QApplication::sendEvent(button, &in);
            break;
        }
        case Column::Hovered: {
            // A move with no button held, as the window system delivers it.
            QMouseEvent move(QEvent::MouseMove, QPointF(MidX, MidY), button->mapToGlobal(QPointF(MidX, MidY)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(button, &move);
            break;
        }
        case Column::Normal:
            button->RefreshButton();
            break;
        }
        return true;
    }
};

struct Expect {
    int x, y;
    std::uint32_t colour;
};

} // namespace

Q_DECLARE_METATYPE(Column)
Q_DECLARE_METATYPE(QList<Expect>)

class TestButtonPainting : public QObject {
    Q_OBJECT
private slots:
    // Rings, frames and faces of the looks drawn with bevel rings and boxes. Points are chosen
    // away from the corners, where later segments cover earlier ones, and from the centre
    // caption.
    void raisedLooks_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<Column>("column");
        QTest::addColumn<QList<Expect>>("points");
        const int R = W - 1, B = H - 1;
        // Type 1: inset rings inside a dark frame; pressed swaps the ring colours and shows the
        // focus frame; selected fills light and draws swapped rings from the edge.
        QTest::newRow("1 normal") << 1 << Column::Normal
                                  << QList<Expect>{{0, MidY, Dk},     {MidX, 0, Dk}, {R, MidY, Dk},
                                                   {MidX, B, Dk},     {1, MidY, Hi}, {MidX, 1, Hi},
                                                   {2, MidY, Hi},     {MidX, 2, Hi}, {W - 2, MidY, Sh},
                                                   {MidX, H - 2, Sh}, {4, 4, F}};
        QTest::newRow("1 pressed") << 1 << Column::Pressed
                                   << QList<Expect>{{0, MidY, Dk},     {1, MidY, Sh},     {MidX, 2, Sh},
                                                    {W - 2, MidY, Hi}, {MidX, H - 2, Hi}, {4, 4, inverted(F)},
                                                    {5, 4, F}};
        QTest::newRow("1 selected") << 1 << Column::Selected
                                    << QList<Expect>{{0, MidY, Sh}, {MidX, 0, Sh}, {R, MidY, Hi},
                                                     {MidX, B, Hi}, {1, MidY, Sh}, {W - 2, MidY, Hi},
                                                     {4, 4, Lt},    {8, MidY, Lt}};
        // Type 2: classic rings; a dark frame and the focus frame only when focused.
        QTest::newRow("2 normal") << 2 << Column::Normal
                                  << QList<Expect>{{0, MidY, F},  {1, MidY, Hi},     {MidX, 1, Hi},
                                                   {R, MidY, Dk}, {MidX, B, Dk},     {2, MidY, Lt},
                                                   {MidX, 2, Lt}, {W - 2, MidY, Sh}, {MidX, H - 2, Sh},
                                                   {4, 4, F}};
        QTest::newRow("2 focused") << 2 << Column::Focused
                                   << QList<Expect>{{0, MidY, Dk}, {MidX, 0, Dk},
                                                    {1, MidY, Hi}, {4, 4, inverted(F)},
                                                    {5, 4, F},     {W - 5, H - 5, inverted(F)}};
        QTest::newRow("2 pressed") << 2 << Column::Pressed
                                   << QList<Expect>{{0, MidY, Dk}, {R, MidY, Dk},     {1, MidY, Sh},
                                                    {MidX, 1, Sh}, {W - 2, MidY, Sh}, {MidX, H - 2, Sh},
                                                    {2, MidY, F}};
        QTest::newRow("2 selected") << 2 << Column::Selected
                                    << QList<Expect>{{0, MidY, Dk},     {MidX, 0, Dk},     {R, MidY, Hi},
                                                     {MidX, B, Hi},     {1, MidY, Sh},     {MidX, 1, Sh},
                                                     {W - 2, MidY, Lt}, {MidX, H - 2, Lt}, {8, MidY, Lt}};
        QTest::newRow("2 disabled") << 2 << Column::Disabled
                                    << QList<Expect>{
                                           {1, MidY, Hi}, {R, MidY, Dk}, {2, MidY, Lt}, {W - 2, MidY, Sh}};
        // Type 4: a flat face one step lighter inside a highlight and a darker outline.
        QTest::newRow("4 normal") << 4 << Column::Normal
                                  << QList<Expect>{{0, MidY, shade(Sh, -26)},
                                                   {MidX, 0, shade(Sh, -26)},
                                                   {W - 2, MidY, shade(Sh, -26)},
                                                   {MidX, H - 2, shade(Sh, -26)},
                                                   {1, MidY, Hi},
                                                   {MidX, 1, Hi},
                                                   {R, MidY, F},
                                                   {MidX, B, F},
                                                   {4, 4, shade(F, +12)}};
        QTest::newRow("4 pressed") << 4 << Column::Pressed
                                   << QList<Expect>{{0, MidY, shade(Sh, -26)},
                                                    {W - 2, MidY, shade(Sh, -26)},
                                                    {R, MidY, F},
                                                    {W - 3, H - 3, shade(Sh, +16)},
                                                    {2, 2, shade(Sh, +16)}};
        QTest::newRow("4 selected") << 4 << Column::Selected << QList<Expect>{{0, MidY, Sh},
                                                                              {MidX, 0, Sh},
                                                                              {R, MidY, Hi},
                                                                              {MidX, B, Hi},
                                                                              {1, MidY, shade(Lt, +2)},
                                                                              {4, 4, shade(Lt, +2)}};
        QTest::newRow("4 disabled") << 4 << Column::Disabled
                                    << QList<Expect>{
                                           {0, MidY, Sh}, {R, MidY, Sh}, {MidX, B, Sh}, {1, MidY, F}};
        // Type 5: soft rings from the edge in shaded light and shadow.
        QTest::newRow("5 normal") << 5 << Column::Normal
                                  << QList<Expect>{{0, MidY, shade(Lt, +8)},
                                                   {1, MidY, shade(Lt, +8)},
                                                   {MidX, 0, shade(Lt, +8)},
                                                   {R, MidY, Sh},
                                                   {W - 2, MidY, Sh},
                                                   {MidX, B, Sh},
                                                   {4, 4, F}};
        QTest::newRow("5 pressed") << 5 << Column::Pressed
                                   << QList<Expect>{{0, MidY, Sh},
                                                    {R, MidY, shade(Lt, +8)},
                                                    {8, MidY, shade(Sh, -26)},
                                                    {4, 4, inverted(shade(Sh, -26))}};
        QTest::newRow("5 selected") << 5 << Column::Selected
                                    << QList<Expect>{{0, MidY, Sh}, {R, MidY, shade(Lt, +8)}, {8, MidY, Lt}};
        // Types 6 and 7: one thin ring; type 7 shows it only under the pointer and otherwise
        // shows its container's colour.
        QTest::newRow("6 normal")
            << 6 << Column::Normal
            << QList<Expect>{{0, MidY, Hi}, {MidX, 0, Hi}, {R, MidY, Sh}, {MidX, B, Sh}, {1, MidY, F}};
        QTest::newRow("6 pressed") << 6 << Column::Pressed
                                   << QList<Expect>{{0, MidY, Sh}, {R, MidY, Hi}, {4, 4, inverted(F)}};
        QTest::newRow("6 selected") << 6 << Column::Selected
                                    << QList<Expect>{{0, MidY, Sh}, {R, MidY, Hi}, {1, MidY, Lt}};
        QTest::newRow("7 normal") << 7 << Column::Normal
                                  << QList<Expect>{
                                         {0, MidY, Container}, {R, MidY, Container}, {8, MidY, Container}};
        QTest::newRow("7 hovered") << 7 << Column::Hovered
                                   << QList<Expect>{{0, MidY, Hi}, {R, MidY, Sh}, {8, MidY, F}};
        // Pressed is not hovered: the container still shows through.
        QTest::newRow("7 pressed") << 7 << Column::Pressed
                                   << QList<Expect>{
                                          {0, MidY, Sh}, {R, MidY, Hi}, {4, 4, inverted(Container)}};
        QTest::newRow("7 selected") << 7 << Column::Selected
                                    << QList<Expect>{{0, MidY, Sh}, {R, MidY, Hi}, {1, MidY, Lt}};
        QTest::newRow("7 disabled") << 7 << Column::Disabled
                                    << QList<Expect>{
                                           {0, MidY, Sh}, {R, MidY, Sh}, {MidX, B, Sh}, {1, MidY, Container}};
    }
    void raisedLooks() {
        QFETCH(int, type);
        QFETCH(Column, column);
        QFETCH(QList<Expect>, points);
        Fixture fixture;
        QVERIFY(fixture.make(type, column));
        for (const Expect& point : points)
            QVERIFY2(at(*fixture.button, point.x, point.y) == point.colour,
                     qPrintable(QStringLiteral("(%1,%2) is %3, expected %4")
                                    .arg(point.x)
                                    .arg(point.y)
                                    .arg(at(*fixture.button, point.x, point.y), 6, 16, QLatin1Char('0'))
                                    .arg(point.colour, 6, 16, QLatin1Char('0'))));
    }

    // The rounded blue look: rows darkening by 25 steps, edge shading, frame and corner pixels;
    // the pressed and selected looks start from other bases.
    void roundedBlueLook_data() {
        QTest::addColumn<Column>("column");
        QTest::addColumn<std::uint32_t>("base");
        QTest::newRow("normal") << Column::Normal << shade(F, +48, true);
        QTest::newRow("pressed") << Column::Pressed << shade(shade(F, +48, true), -32, true);
        QTest::newRow("selected") << Column::Selected << shade(shade(F, -22, true), +32, true);
    }
    void roundedBlueLook() {
        QFETCH(Column, column);
        QFETCH(std::uint32_t, base);
        Fixture fixture;
        QVERIFY(fixture.make(3, column));
        const CorvaneButton& b = *fixture.button;
        for (int y = 3; y < H - 3; ++y)
            QCOMPARE(at(b, 8, y), shade(base, -int(std::lround(25.0 * y / H)), true));
        QCOMPARE(at(b, 0, MidY), 0x733C00u);
        QCOMPARE(at(b, MidX, 0), 0x733C00u);
        QCOMPARE(at(b, W - 1, MidY), 0x733C00u);
        for (const QPoint corner : {QPoint(1, 1), QPoint(1, H - 2), QPoint(W - 2, 1), QPoint(W - 2, H - 2)})
            QCOMPARE(at(b, corner.x(), corner.y()), 0x7B4D10u);
        const bool sunken = column != Column::Normal;
        QCOMPARE(at(b, MidX, 1), shade(base, sunken ? -32 : +16, true));
        QCOMPARE(at(b, MidX, H - 2), shade(base, sunken ? +16 : -48, true));
        QCOMPARE(at(b, 1, MidY), shade(base, sunken ? -32 : -5, true));
    }

    void roundedBlueRings_data() {
        QTest::addColumn<Column>("column");
        QTest::addColumn<QList<Expect>>("points");
        QTest::newRow("hover ring") << Column::Hovered
                                    << QList<Expect>{{2, MidY, 0x31B2FF},     {W - 3, MidY, 0x31B2FF},
                                                     {1, MidY, 0x6BCBFF},     {W - 2, MidY, 0x6BCBFF},
                                                     {MidX, H - 2, 0x0096E7}, {MidX, 1, 0xCEF3FF}};
        QTest::newRow("focus ring") << Column::Focused
                                    << QList<Expect>{
                                           {1, MidY, 0xE7AE8C}, {MidX, 2, 0xE7AE8C}, {MidX, 3, 0xFFE7CE}};
        const std::uint32_t base = shade(F, +48, true);
        QTest::newRow("disabled") << Column::Disabled
                                  << QList<Expect>{{0, MidY, shade(base, -84, true)},
                                                   {1, 1, shade(base, -72, true)},
                                                   {8, MidY, shade(base, -24, true)}};
    }
    void roundedBlueRings() {
        QFETCH(Column, column);
        QFETCH(QList<Expect>, points);
        Fixture fixture;
        QVERIFY(fixture.make(3, column));
        for (const Expect& point : points)
            QCOMPARE(at(*fixture.button, point.x, point.y), point.colour);
    }

    void roundedGreyLook_data() {
        QTest::addColumn<Column>("column");
        QTest::addColumn<QList<Expect>>("points");
        QTest::newRow("normal") << Column::Normal
                                << QList<Expect>{{0, MidY, Dk},      {1, 1, Dk},       {W - 2, H - 2, Dk},
                                                 {1, 2, F},          {2, 1, F},        {3, 3, Hi},
                                                 {W - 3, H - 3, Sh}, {MidX, 2, Hi},    {2, MidY, Hi},
                                                 {W - 3, MidY, F},   {MidX, H - 3, F}, {W - 2, MidY, Sh},
                                                 {MidX, H - 2, Sh},  {8, MidY, Lt}};
        // Pressed: a darker flat face inside the dark frame, the inner corners kept dark.
        QTest::newRow("pressed") << Column::Pressed
                                 << QList<Expect>{{0, MidY, Dk},
                                                  {W - 2, 1, Dk},
                                                  {1, H - 2, Dk},
                                                  {8, MidY, shade(Sh, -16)},
                                                  {W - 2, MidY, shade(Sh, -16)}};
        QTest::newRow("selected") << Column::Selected
                                  << QList<Expect>{{0, MidY, Dk}, {8, MidY, shade(Sh, -16)}};
    }
    void roundedGreyLook() {
        QFETCH(Column, column);
        QFETCH(QList<Expect>, points);
        Fixture fixture;
        QVERIFY(fixture.make(8, column));
        for (const Expect& point : points)
            QCOMPARE(at(*fixture.button, point.x, point.y), point.colour);
        if (column == Column::Selected)
            QCOMPARE(fixture.button->visualState(), std::int32_t(CorvaneButton::Pressed));
    }

    // The gradient face runs from the start colour to the stop colour; orientations 2 and 3
    // start from the right and the bottom.
    void gradientEnds_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QPoint>("startAt");
        QTest::addColumn<QPoint>("stopAt");
        QTest::newRow("0 left to right") << 0 << QPoint(0, MidY) << QPoint(W - 1, MidY);
        QTest::newRow("1 top to bottom") << 1 << QPoint(MidX, 0) << QPoint(MidX, H - 1);
        QTest::newRow("2 right to left") << 2 << QPoint(W - 1, MidY) << QPoint(0, MidY);
        QTest::newRow("3 bottom to top") << 3 << QPoint(MidX, H - 1) << QPoint(MidX, 0);
    }
    void gradientEnds() {
        QFETCH(int, orientation);
        QFETCH(QPoint, startAt);
        QFETCH(QPoint, stopAt);
        Fixture fixture;
        // Type 7 away from the pointer draws nothing over its face.
        QVERIFY(fixture.make(7, Column::Normal, 5));
        fixture.host.setMode(host::HostMode::Design);
        fixture.button->setGradientStartColor(Colour{0x0000FF});
        fixture.button->setGradientStopColor(Colour{0x00FF00});
        fixture.button->setGradientOrientation(orientation);
        fixture.button->RefreshButton();
        QCOMPARE(at(*fixture.button, startAt.x(), startAt.y()), 0x0000FFu);
        QCOMPARE(at(*fixture.button, stopAt.x(), stopAt.y()), 0x00FF00u);
        const QPoint middle = (startAt + stopAt) / 2;
        const std::uint32_t mid = at(*fixture.button, middle.x(), middle.y());
        QVERIFY((mid & 0xFF) > 0x40 && (mid & 0xFF) < 0xC0); // red falls as green rises
    }

    // A pressed command button draws its caption and icon one pixel right and down; the flat
    // look and option buttons do not move.
    void pressedOffset_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("option");
        QTest::addColumn<int>("offset");
        QTest::newRow("type 2 command") << 2 << false << 1;
        QTest::newRow("type 3 command") << 3 << false << 1;
        QTest::newRow("type 8 command") << 8 << false << 1;
        QTest::newRow("type 4 command") << 4 << false << 0;
        QTest::newRow("type 2 option") << 2 << true << 0;
    }
    void pressedOffset() {
        QFETCH(int, type);
        QFETCH(bool, option);
        QFETCH(int, offset);
        Fixture fixture;
        QVERIFY(fixture.make(type, Column::Normal));
        QImage icon(16, 16, QImage::Format_RGB32);
        icon.fill(QColor(0, 255, 0));
        fixture.button->setIcon(icon);
        fixture.button->setOptionButton(option);
        const QPoint p = fixture.button->iconPosition();
        QCOMPARE(p, QPoint((W - 16) / 2, (H - 16) / 2)); // an icon alone is centred
        QTest::mousePress(fixture.button, Qt::LeftButton, {}, QPoint(MidX, MidY));
        const CorvaneButton& b = *fixture.button;
        QCOMPARE(at(b, p.x() + offset, p.y() + offset), 0x00FF00u);
        QCOMPARE(at(b, p.x() + 15 + offset, p.y() + 15 + offset), 0x00FF00u);
        QVERIFY(at(b, p.x() + 16 + offset, p.y() + 8) != 0x00FF00u);
    }

    // A disabled icon is prepared against the painted face: where the picture is clear, it
    // carries the gradient found one pixel further in, not the flat face colour.
    void disabledIconCarriesThePaintedFace() {
        Fixture fixture;
        QVERIFY(fixture.make(7, Column::Normal, 5));
        fixture.host.setMode(host::HostMode::Design);
        fixture.button->setGradientStartColor(Colour{0x0000FF});
        fixture.button->setGradientStopColor(Colour{0x00FF00});
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        for (int y = 6; y < 10; ++y)
            for (int x = 6; x < 10; ++x)
                icon.setPixelColor(x, y, Qt::black);
        fixture.button->setIcon(icon);
        fixture.button->setButtonEnabled(false);
        CorvaneButton& b = *fixture.button;
        const QPoint p = b.iconPosition();
        const QImage& prepared = b.preparedIcon();
        QCOMPARE(prepared.size(), QSize(16, 16));
        const std::uint32_t face = b.buttonPalette().FaceColor.value;
        // Row 1 shows the bare gradient of the column: the type's outline is on row 0.
        for (int x : {0, 5, 15}) {
            QCOMPARE(host::fromQColor(prepared.pixelColor(x, 0)).value, at(b, p.x() + x + 1, 1));
            QVERIFY(host::fromQColor(prepared.pixelColor(x, 0)).value != face);
            // The disabled button shows the prepared picture.
            QCOMPARE(at(b, p.x() + x, p.y()), host::fromQColor(prepared.pixelColor(x, 0)).value);
        }
    }

    // A button without extent paints nothing and does not fail.
    void emptyButtonPaintsNothing() {
        Fixture fixture;
        QVERIFY(fixture.make(3, Column::Normal));
        fixture.button->resize(0, 0);
        fixture.button->RefreshButton();
        QVERIFY(fixture.button->surface().isNull());
    }
};

QTEST_MAIN(TestButtonPainting)
#include "tst_button_painting.moc"
