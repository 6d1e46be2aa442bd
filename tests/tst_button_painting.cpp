// links: tavren_button tavren_host tavren_os
// platforms: linux windows
#include "controls/button/ButtonPalette.h"
#include "controls/button/CorvaneButton.h"
#include "platform/host/Colours.h"
#include "platform/host/MessageBoxService.h"

#include <QtTest>

#include <cmath>
#include <memory>
#include <optional>

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

enum class Column { Normal, Disabled, Pressed, Selected, SelectedDisabled, Focused, Hovered };

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
        case Column::SelectedDisabled:
            button->setOptionButton(true);
            button->setValue(true);
            if (column == Column::SelectedDisabled)
                button->setButtonEnabled(false);
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

// Colours by name as the rules give them: palette slots (F, Lt, Hi, Sh, Dk), the container
// (C), a value written as 0x00BBGGRR ("#733C00"), a slot shaded ("Sh-26"), or inverted by the
// focus frame ("~F"); "-" checks nothing.
std::optional<std::uint32_t> colourNamed(QString name) {
    if (name == "-")
        return std::nullopt;
    if (name.startsWith('~'))
        return inverted(*colourNamed(name.mid(1)));
    if (name.startsWith('#'))
        return name.mid(1).toUInt(nullptr, 16);
    const qsizetype sign = std::max(name.indexOf('+'), name.indexOf('-'));
    if (sign > 0)
        return shade(*colourNamed(name.left(sign)), name.mid(sign).toInt());
    static const QHash<QString, std::uint32_t> named{{"F", F},   {"Lt", Lt}, {"Hi", Hi},
                                                     {"Sh", Sh}, {"Dk", Dk}, {"C", Container}};
    return named.value(name);
}

// Checks the middle of each side of the rings: "left top right bottom" for the ring at the
// window's edge, then "/" and the ring one pixel further in, and so on; then points "x,y=name".
void checkRings(const CorvaneButton& button, const QString& rings, const QString& points = {}) {
    const QStringList groups = rings.split('/');
    for (int inset = 0; inset < groups.size(); ++inset) {
        const QStringList sides = groups[inset].split(' ', Qt::SkipEmptyParts);
        const QPoint at[] = {{inset, MidY}, {MidX, inset}, {W - 1 - inset, MidY}, {MidX, H - 1 - inset}};
        for (int side = 0; side < 4; ++side)
            if (const auto colour = colourNamed(sides.value(side, "-")))
                QVERIFY2(::at(button, at[side].x(), at[side].y()) == *colour,
                         qPrintable(QStringLiteral("ring %1 side %2 is %3")
                                        .arg(inset)
                                        .arg(side)
                                        .arg(::at(button, at[side].x(), at[side].y()), 6, 16)));
    }
    for (const QString& point : points.split(' ', Qt::SkipEmptyParts)) {
        const QStringList xy = point.section('=', 0, 0).split(',');
        QVERIFY2(::at(button, xy[0].toInt(), xy[1].toInt()) == *colourNamed(point.section('=', 1)),
                 qPrintable(point));
    }
}

} // namespace

Q_DECLARE_METATYPE(Column)

class TestButtonPainting : public QObject {
    Q_OBJECT
private slots:
    // Rings, frames and faces by look and state, checked at the middle of each side, away from
    // the corners (where later segments cover earlier ones) and from the centred caption.
    void looks_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<Column>("column");
        QTest::addColumn<QString>("rings");
        QTest::addColumn<QString>("points");
        // Type 1: rings from inset 1 inside a dark frame; pressed swaps the ring colours and shows
        // the focus frame; selected fills light and draws swapped rings from the edge.
        QTest::newRow("1 normal") << 1 << Column::Normal << "Dk Dk Dk Dk/Hi Hi Sh Sh/Hi Hi - -"
                                  << "4,4=F";
        QTest::newRow("1 pressed") << 1 << Column::Pressed << "Dk/Sh - Hi Hi/Sh Sh"
                                   << "4,4=~F 5,4=F";
        QTest::newRow("1 selected") << 1 << Column::Selected << "Sh Sh Hi Hi/Sh - Hi Hi/Lt"
                                    << "4,4=Lt";
        // Type 2: classic rings; a dark frame and the focus frame only when focused.
        QTest::newRow("2 normal") << 2 << Column::Normal << "F - Dk Dk/Hi Hi Sh Sh/Lt Lt - -"
                                  << "4,4=F";
        QTest::newRow("2 focused") << 2 << Column::Focused << "Dk Dk/Hi"
                                   << "4,4=~F 5,4=F 35,15=~F";
        QTest::newRow("2 pressed") << 2 << Column::Pressed << "Dk - Dk/Sh Sh Sh Sh/F"
                                   << "";
        QTest::newRow("2 selected") << 2 << Column::Selected << "Dk Dk Hi Hi/Sh Sh Lt Lt/Lt"
                                    << "";
        QTest::newRow("2 disabled") << 2 << Column::Disabled << "- - Dk/Hi - Sh/Lt"
                                    << "";
        // Type 4: a flat face one step lighter inside a highlight and a darker outline.
        QTest::newRow("4 normal") << 4 << Column::Normal << "Sh-26 Sh-26 F F/Hi Hi Sh-26 Sh-26/F+12"
                                  << "";
        QTest::newRow("4 pressed") << 4 << Column::Pressed << "Sh-26 - F/- - Sh-26/Sh+16"
                                   << "37,17=Sh+16";
        QTest::newRow("4 selected") << 4 << Column::Selected << "Sh Sh Hi Hi/Lt+2"
                                    << "4,4=Lt+2";
        QTest::newRow("4 disabled") << 4 << Column::Disabled << "Sh - Sh Sh/F"
                                    << "";
        // Type 5: soft rings from the edge in shaded light and shadow.
        QTest::newRow("5 normal") << 5 << Column::Normal << "Lt+8 Lt+8 Sh Sh/Lt+8 - Sh"
                                  << "4,4=F";
        QTest::newRow("5 pressed") << 5 << Column::Pressed << "Sh - Lt+8"
                                   << "8,10=Sh-26 4,4=~Sh-26";
        QTest::newRow("5 selected") << 5 << Column::Selected << "Sh - Lt+8"
                                    << "8,10=Lt";
        // Types 6 and 7: one thin ring; type 7 shows it only under the pointer and otherwise
        // lets its container show through.
        QTest::newRow("6 normal") << 6 << Column::Normal << "Hi Hi Sh Sh/F"
                                  << "";
        QTest::newRow("6 pressed") << 6 << Column::Pressed << "Sh - Hi"
                                   << "4,4=~F";
        QTest::newRow("6 selected") << 6 << Column::Selected << "Sh - Hi/Lt"
                                    << "";
        QTest::newRow("7 normal") << 7 << Column::Normal << "C C C C"
                                  << "8,10=C";
        QTest::newRow("7 hovered") << 7 << Column::Hovered << "Hi - Sh"
                                   << "8,10=F";
        // Pressed is not hovered: the container still shows through.
        QTest::newRow("7 pressed") << 7 << Column::Pressed << "Sh - Hi"
                                   << "4,4=~C";
        QTest::newRow("7 selected") << 7 << Column::Selected << "Sh - Hi/Lt"
                                    << "";
        QTest::newRow("7 disabled") << 7 << Column::Disabled << "Sh - Sh Sh/C"
                                    << "";
        // Type 3's rings over its shaded face (the face itself is checked below).
        QTest::newRow("3 hovered") << 3 << Column::Hovered
                                   << "#733C00/#6BCBFF #CEF3FF #6BCBFF #0096E7/#31B2FF - #31B2FF"
                                   << "";
        QTest::newRow("3 focused") << 3 << Column::Focused << "#733C00/#E7AE8C/- #E7AE8C/- #FFE7CE"
                                   << "";
        // Type 8: the rounded grey face with graded inner lines; pressed is flat and darker.
        QTest::newRow("8 normal") << 8 << Column::Normal << "Dk Dk Dk Dk/- - Sh Sh/Hi Hi F F/Lt"
                                  << "1,1=Dk 38,18=Dk 1,2=F 2,1=F 3,3=Hi 37,17=Sh";
        QTest::newRow("8 pressed") << 8 << Column::Pressed << "Dk Dk Dk Dk/Sh-16 Sh-16 Sh-16 Sh-16"
                                   << "38,1=Dk 1,18=Dk 8,10=Sh-16";
        QTest::newRow("8 selected") << 8 << Column::Selected << "Dk/Sh-16"
                                    << "8,10=Sh-16";
        QTest::newRow("8 selected, disabled") << 8 << Column::SelectedDisabled << "Dk/Sh-16"
                                              << "8,10=Sh-16";
    }
    void looks() {
        QFETCH(int, type);
        QFETCH(Column, column);
        QFETCH(QString, rings);
        QFETCH(QString, points);
        Fixture fixture;
        QVERIFY(fixture.make(type, column));
        checkRings(*fixture.button, rings, points);
        // Painted as pressed, and stays so.
        if (type == 8 && (column == Column::Selected || column == Column::SelectedDisabled))
            QCOMPARE(fixture.button->visualState(), std::int32_t(CorvaneButton::Pressed));
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

    void roundedBlueDisabled() {
        Fixture fixture;
        QVERIFY(fixture.make(3, Column::Disabled));
        const std::uint32_t base = shade(F, +48, true);
        QCOMPARE(at(*fixture.button, 0, MidY), shade(base, -84, true));
        QCOMPARE(at(*fixture.button, 1, 1), shade(base, -72, true));
        QCOMPARE(at(*fixture.button, 8, MidY), shade(base, -24, true));
    }

    // The gradient face runs from the start colour to the stop colour; orientations 2 and 3
    // start from the right and the bottom. Vertex 1 lies one pixel beyond the far edge, whose
    // pixel keeps 1/length of the other colour: 0xFF00 x 39 / 40 >> 8 = 248, 0xFF00 / 40 >> 8 = 6
    // across 40 pixels; 242 and 12 down 20.
    void gradientEnds_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QPoint>("startAt");
        QTest::addColumn<QPoint>("stopAt");
        QTest::addColumn<std::uint32_t>("farEdge");
        QTest::newRow("0 left to right") << 0 << QPoint(0, MidY) << QPoint(W - 1, MidY) << 0x00F806u;
        QTest::newRow("1 top to bottom") << 1 << QPoint(MidX, 0) << QPoint(MidX, H - 1) << 0x00F20Cu;
        QTest::newRow("2 right to left") << 2 << QPoint(W - 1, MidY) << QPoint(0, MidY) << 0x0006F8u;
        QTest::newRow("3 bottom to top") << 3 << QPoint(MidX, H - 1) << QPoint(MidX, 0) << 0x000CF2u;
    }
    void gradientEnds() {
        QFETCH(int, orientation);
        QFETCH(QPoint, startAt);
        QFETCH(QPoint, stopAt);
        QFETCH(std::uint32_t, farEdge);
        Fixture fixture;
        // Type 7 away from the pointer draws nothing over its face.
        QVERIFY(fixture.make(7, Column::Normal, 5));
        fixture.host.setMode(host::HostMode::Design);
        fixture.button->setGradientStartColor(Colour{0x0000FF});
        fixture.button->setGradientStopColor(Colour{0x00FF00});
        fixture.button->setGradientOrientation(orientation);
        fixture.button->RefreshButton();
        QCOMPARE(at(*fixture.button, startAt.x(), startAt.y()), orientation > 1 ? farEdge : 0x0000FFu);
        QCOMPARE(at(*fixture.button, stopAt.x(), stopAt.y()), orientation > 1 ? 0x00FF00u : farEdge);
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

    // Styled captions: with the caption in the face colour only the offset passes show. Red is
    // the emboss shadow and blue the middle colour; shadowed captions use the shadow twice and
    // never the middle colour.
    void captionStylePasses_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("shadow");
        QTest::addColumn<bool>("middle");
        QTest::newRow("plain") << 0 << false << false;
        QTest::newRow("engraved") << 1 << true << true;
        QTest::newRow("embossed") << 2 << true << true;
        QTest::newRow("shadowed") << 3 << true << false;
    }
    void captionStylePasses() {
        QFETCH(int, style);
        QFETCH(bool, shadow);
        QFETCH(bool, middle);
        Fixture fixture;
        QVERIFY(fixture.make(2, Column::Normal));
        CorvaneButton& b = *fixture.button;
        fixture.host.setMode(host::HostMode::Design);
        b.setBackColor(Colour{0xFFFFFF});
        b.setForeColor(Colour{0xFFFFFF});
        b.setEmbossEngraveShadow(Colour{0x0000FF});
        b.setEmbossEngraveMid(Colour{0xFF0000});
        b.setCaptionStyle(style);
        b.setTextFont(QFont(QStringLiteral("DejaVu Sans"), 12, QFont::Bold));
        b.setCaption(QStringLiteral("HIH"));
        b.RefreshButton();
        bool red = false, blue = false;
        const QRect block = b.captionBlock().adjusted(-2, -2, 2, 2) & QRect(2, 2, W - 4, H - 4);
        for (int y = block.top(); y <= block.bottom(); ++y)
            for (int x = block.left(); x <= block.right(); ++x) {
                const QColor c = b.surface().pixelColor(x, y);
                red = red || (c.red() > 200 && c.green() < 128);
                blue = blue || (c.blue() > 200 && c.green() < 128);
            }
        QCOMPARE(red, shadow);
        QCOMPARE(blue, middle);
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
