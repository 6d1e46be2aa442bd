// links: tavren_button
// platforms: linux windows
#include "controls/button/ButtonPalette.h"
#include "controls/button/ButtonPlatform.h"
#include "platform/host/AccessKey.h"

#include <QtTest>

using namespace controls;
using host::Colour;

namespace {

// Pixels of the rectangle w x h that the shape leaves out.
QList<QPoint> missingPixels(const QRegion& shape, int w, int h) {
    QList<QPoint> missing;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!shape.contains(QPoint(x, y)))
                missing << QPoint(x, y);
    return missing;
}

QFont font(const QString& family, double points, bool bold = false, bool italic = false) {
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

} // namespace

class TestButtonLooks : public QObject {
    Q_OBJECT
private slots:
    void shadeColor_data() {
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<int>("delta");
        QTest::addColumn<bool>("scaleBlue");
        QTest::addColumn<quint32>("expected");
        // Channels clamp at both ends.
        QTest::newRow("grey up to white") << 0x00808080u << 200 << false << 0x00FFFFFFu;
        QTest::newRow("dark down to black") << 0x00101030u << -64 << false << 0x00000000u;
        QTest::newRow("each channel alone") << 0x00102030u << 31 << false << 0x002F3F4Fu;
        // Blue moves by blue x delta / 192: 128 - 64 = 64, red and green by the plain delta.
        QTest::newRow("scaled blue down") << 0x00808080u << -96 << true << 0x00402020u;
        QTest::newRow("scaled blue up") << 0x00C80000u << 48 << true << 0x00FA3030u;
        // 100 x -25 / 192 = -13.02, truncated toward zero: 87 (0x57), not 86.
        QTest::newRow("scaled blue truncates toward zero") << 0x00644010u << -25 << true << 0x00572700u;
        QTest::newRow("high byte ignored") << 0xFF000000u << 0 << false << 0x00000000u;
    }
    void shadeColor() {
        QFETCH(quint32, colour);
        QFETCH(int, delta);
        QFETCH(bool, scaleBlue);
        QFETCH(quint32, expected);
        QCOMPARE(ShadeColor(Colour{colour}, delta, scaleBlue).value, expected);
    }

    void rebuildPalette_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<quint32>("back");
        QTest::addColumn<QList<quint32>>("expected"); // face, light, highlight, shadow, dark, text, hover
        QTest::addColumn<bool>("embossFixed");
        // Custom colours: the face and its shades; the caption colours as set.
        QTest::newRow("custom grey") << 2 << 0x00C0C0C0u
                                     << QList<quint32>{0x00C0C0C0, 0x00DFDFDF, 0x00EFEFEF, 0x00808080,
                                                       0,          0x00112233, 0x00445566}
                                     << false;
        QTest::newRow("fixed grey") << 3 << 0x00123456u
                                    << QList<quint32>{0x00C0C0C0, 0x00DFDFDF, 0x00FFFFFF, 0x00808080, 0, 0, 0}
                                    << true;
        // The container's colours: background 0x00605040, text 0x000000FF.
        QTest::newRow("container") << 4 << 0x00123456u
                                   << QList<quint32>{0x00605040, 0x007F6F5F, 0x008F7F6F, 0x00201000,
                                                     0,          0x000000FF, 0x000000FF}
                                   << true;
    }
    void rebuildPalette() {
        QFETCH(int, scheme);
        QFETCH(quint32, back);
        QFETCH(QList<quint32>, expected);
        QFETCH(bool, embossFixed);
        PaletteSource source;
        source.colorScheme = scheme;
        source.backColor = Colour{back};
        source.foreColor = Colour{0x00112233};
        source.mouseOver = Colour{0x00445566};
        source.containerBackColor = Colour{0x00605040};
        source.containerTextColor = Colour{0x000000FF};

        // Without a reset the custom colours stay; the button's own test covers the reset.
        const PaletteResult result = RebuildPalette(source, false);
        const ButtonPalette& p = result.palette;
        const QList<quint32> got{p.FaceColor.value,     p.LightColor.value,      p.HighlightColor.value,
                                 p.ShadowColor.value,   p.DarkShadowColor.value, p.TextColor.value,
                                 p.HoverTextColor.value};
        QCOMPARE(got, expected);
        QVERIFY(!result.backColor);
        // Schemes without custom colours write fixed emboss colours.
        QCOMPARE(result.embossMid.has_value(), embossFixed);
        if (embossFixed)
            QVERIFY(result.embossMid->value == 0x00C0C0C0u && result.embossShadow->value == 0x00FFFFFFu);
    }

    void cornerCuts_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<QPoint>>("missing");
        const int w = 100, h = 30;
        const QList<QPoint> corners{{0, 0}, {0, h - 1}, {w - 1, 0}, {w - 1, h - 1}};
        // Three pixels at each corner: the corner, its neighbour along the edge and below / above it.
        const QList<QPoint> rounded{{0, 0},     {1, 0},         {0, 1},         {0, h - 2},
                                    {0, h - 1}, {1, h - 1},     {w - 2, 0},     {w - 1, 0},
                                    {w - 1, 1}, {w - 1, h - 2}, {w - 2, h - 1}, {w - 1, h - 1}};
        QTest::newRow("type 1: four corner pixels") << 1 << corners;
        QTest::newRow("type 2: whole rectangle") << 2 << QList<QPoint>{};
        QTest::newRow("type 3: twelve pixels") << 3 << rounded;
        QTest::newRow("type 4: two opposite corners") << 4 << QList<QPoint>{{0, h - 1}, {w - 1, 0}};
        QTest::newRow("type 5") << 5 << QList<QPoint>{};
        QTest::newRow("type 6") << 6 << QList<QPoint>{};
        QTest::newRow("type 7") << 7 << QList<QPoint>{};
        QTest::newRow("type 8: twelve pixels") << 8 << rounded;
    }
    void cornerCuts() {
        QFETCH(int, type);
        QFETCH(QList<QPoint>, missing);
        QList<QPoint> got = missingPixels(ButtonShape(0, type, 100, 30), 100, 30);
        const auto byRow = [](const QPoint& a, const QPoint& b) {
            return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
        };
        std::sort(got.begin(), got.end(), byRow);
        std::sort(missing.begin(), missing.end(), byRow);
        QCOMPARE(got, missing);
    }

    void slantedShapes_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QPolygon>("outline");
        QTest::addColumn<QPoint>("inside");
        QTest::addColumn<QPoint>("outside");
        // 100 x 30; the slanted edges run 18 pixels across the height.
        QTest::newRow("right edge slanted")
            << 1 << QPolygon({{0, 0}, {0, 30}, {100, 30}, {82, 0}}) << QPoint(0, 29) << QPoint(90, 0);
        QTest::newRow("both edges slanted")
            << 2 << QPolygon({{0, 0}, {18, 30}, {100, 30}, {82, 0}}) << QPoint(20, 29) << QPoint(10, 29);
        QTest::newRow("left edge slanted")
            << 3 << QPolygon({{0, 0}, {18, 30}, {100, 30}, {100, 0}}) << QPoint(99, 0) << QPoint(0, 29);
    }
    void slantedShapes() {
        QFETCH(int, style);
        QFETCH(QPolygon, outline);
        QFETCH(QPoint, inside);
        QFETCH(QPoint, outside);
        QCOMPARE(ButtonOutline(style, 100, 30), outline);
        // No corner is cut on a slanted button, whatever its type.
        for (int type : {1, 2, 3}) {
            const QRegion shape = ButtonShape(style, type, 100, 30);
            QVERIFY(shape.contains(inside));
            QVERIFY(!shape.contains(outside));
        }
    }

    void captionFontRecord_data() {
        QTest::addColumn<QFont>("textFont");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<double>("twipsPerPixel");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("escapement");
        // Height = -(points x 20 / twips per pixel), to the nearest pixel.
        QTest::newRow("bold 10 pt upwards") << font("Arial", 10, true) << 1 << 15.0 << -13 << 900;
        QTest::newRow("bold 10 pt downwards") << font("Arial", 10, true) << 2 << 15.0 << -13 << 2700;
        QTest::newRow("8 pt rounds up") << font("DejaVu Sans", 8) << 0 << 15.0 << -11 << 0;
        QTest::newRow("12 pt italic") << font("DejaVu Sans", 12, false, true) << 0 << 15.0 << -16 << 0;
        QTest::newRow("10 pt at 120 dpi") << font("DejaVu Sans", 10) << 0 << 12.0 << -17 << 0;
        QFont lined = font(QString(40, QLatin1Char('F')), 9, true, true);
        lined.setUnderline(true);
        lined.setStrikeOut(true);
        QTest::newRow("lines and a long face") << lined << 0 << 15.0 << -12 << 0;
    }
    void captionFontRecord() {
        QFETCH(QFont, textFont);
        QFETCH(int, orientation);
        QFETCH(double, twipsPerPixel);
        QFETCH(int, height);
        QFETCH(int, escapement);
        const CaptionFontRecord record = MakeCaptionFontRecord(textFont, orientation, twipsPerPixel);
        QCOMPARE(record.height, height);
        QCOMPARE(record.escapement, escapement);
        // Bold and italic are the record's own attributes; the face name is the family, cut to
        // the 31 bytes its field holds besides the terminating zero.
        QCOMPARE(record.weight, textFont.bold() ? 700 : 0);
        QCOMPARE(record.italic, textFont.italic());
        QCOMPARE(record.underline, textFont.underline());
        QCOMPARE(record.strikeOut, textFont.strikeOut());
        QCOMPARE(record.faceName, textFont.family().toLocal8Bit().left(31));

        const QFont made = CaptionFontFromRecord(record);
        QCOMPARE(made.family(), QString::fromLocal8Bit(record.faceName));
        QCOMPARE(made.pixelSize(), -height);
        QCOMPARE(made.bold(), textFont.bold());
        QCOMPARE(made.italic(), textFont.italic());
        QCOMPARE(made.underline(), textFont.underline());
        QCOMPARE(made.strikeOut(), textFont.strikeOut());
    }

    void accessKeys_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("displayed");
        QTest::newRow("key after a literal ampersand") << "Save && E&xit"
                                                       << "x" << 9 << "Save & Exit";
        QTest::newRow("key first") << "&Save && Exit"
                                   << "S" << 1 << "Save & Exit";
        QTest::newRow("no ampersand") << "Refresh"
                                      << "" << 0 << "Refresh";
        QTest::newRow("only a literal ampersand") << "A&&B"
                                                  << "" << 0 << "A&B";
        QTest::newRow("trailing ampersand marks nothing") << "Stop&"
                                                          << "" << 0 << "Stop";
        QTest::newRow("pair before the key") << "&&&Go"
                                             << "G" << 2 << "&Go";
        QTest::newRow("only the first single one marks") << "&a&b"
                                                         << "a" << 1 << "ab";
        QTest::newRow("empty") << ""
                               << "" << 0 << "";
    }
    void accessKeys() {
        QFETCH(QString, caption);
        QFETCH(QString, key);
        QFETCH(int, position);
        QFETCH(QString, displayed);
        const host::AccessKey found = host::FindAccessKey(caption);
        QCOMPARE(found.character.isNull() ? QString() : QString(found.character), key);
        QCOMPARE(found.position, position);
        QCOMPARE(found.displayed, displayed);
        if (position > 0)
            QCOMPARE(found.displayed.at(position - 1), found.character);
    }
};

QTEST_MAIN(TestButtonLooks)
#include "tst_buttonlooks.moc"
