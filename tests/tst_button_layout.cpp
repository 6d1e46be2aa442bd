// links: tavren_button tavren_host tavren_os
// platforms: linux windows
#include "controls/button/ButtonCaptionLayout.h"

#include <QtTest>

using controls::CaptionLayout;
using controls::CaptionLayoutInput;
using controls::CaptionMeasure;
using controls::LayOutCaption;

namespace {

// A font of 7-pixel characters, 15-pixel lines, baseline 12 below a line's top.
const CaptionMeasure Fixed{[](const QString& text) { return int(text.size()) * 7; }, 15, 12};

CaptionLayoutInput input(const QString& text, int width, int height) {
    CaptionLayoutInput in;
    in.text = text;
    in.width = width;
    in.height = height;
    return in;
}

} // namespace

class TestButtonLayout : public QObject {
    Q_OBJECT
private slots:
    // Wrapping at spaces into as many lines as the height holds, and the "..." cut.
    void lines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QStringList>("lines");
        // 5 characters (35 px) fit the 88 px a 100 px button leaves: one line however tall.
        QTest::newRow("fits, tall button") << "OK Go" << QSize(100, 200) << QStringList{"OK Go"};
        // 80 px leaves 68 px: "alpha beta" (70 px) does not fit, so each word takes a line.
        QTest::newRow("wraps") << "alpha beta gamma" << QSize(80, 60)
                               << QStringList{"alpha", "beta", "gamma"};
        QTest::newRow("two lines fit") << "ab cd ef" << QSize(50, 40) << QStringList{"ab cd", "ef"};
        // One line allowed: 16 characters measured 112 px for 68 px give 9, halved to 4, and
        // 4 is not more than 4, so nothing more is dropped.
        QTest::newRow("cut, one line high") << "alpha beta gamma" << QSize(80, 20) << QStringList{"alph..."};
        // 45 characters (315 px) for 248 px give 35, halved 17, less 3 is 14.
        QTest::newRow("cut drops three more") << "connection list of every program on this host"
                                              << QSize(260, 20) << QStringList{"connection lis..."};
        // Two lines allowed: the second one takes the cut rest, 14 characters (98 px) for
        // 48 px: 6, halved 3.
        QTest::newRow("cut on last line")
            << "aaaa bbbb cccc dddd" << QSize(60, 30) << QStringList{"aaaa", "bbb..."};
        // Shallower than one line: one line, neither wrapped nor cut.
        QTest::newRow("too shallow to wrap")
            << "alpha beta gamma" << QSize(80, 10) << QStringList{"alpha beta gamma"};
        QTest::newRow("long word alone")
            << "abcdefghijkl x" << QSize(70, 60) << QStringList{"abcdefghijkl", "x"};
    }
    void lines() {
        QFETCH(QString, text);
        QFETCH(QSize, size);
        QFETCH(QStringList, lines);
        const CaptionLayout layout = LayOutCaption(input(text, size.width(), size.height()), Fixed);
        QStringList texts;
        for (const auto& line : layout.lines)
            texts << line.text;
        QCOMPARE(texts, lines);
        // Lines are stacked from a top that centres the block.
        const int top = (size.height() - int(lines.size()) * 15) / 2;
        for (int n = 0; n < layout.lines.size(); ++n)
            QCOMPARE(layout.lines[n].box.top(), top + n * 15);
    }

    // Left edges by alignment, style and icon; the icon beside the block.
    void horizontalPlacement_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon"); // -1 none, 0 left, 1 right
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("iconX");
        // "Hi" is 14 px on a 100 by 30 button; an IconSize 2 icon is 16 px plus a 5 px gap.
        QTest::newRow("left, style 0") << 0 << 0 << -1 << 6 << 0;
        QTest::newRow("left, style 2") << 0 << 2 << -1 << 18 << 0;
        QTest::newRow("right, style 0") << 2 << 0 << -1 << 80 << 0;
        QTest::newRow("right, style 1") << 2 << 1 << -1 << 68 << 0;
        QTest::newRow("centre, style 0") << 1 << 0 << -1 << 43 << 0;
        QTest::newRow("centre, style 1") << 1 << 1 << -1 << 34 << 0;
        QTest::newRow("centre, style 3") << 1 << 3 << -1 << 52 << 0;
        QTest::newRow("centre, icon left") << 1 << 0 << 0 << 53 << 32;
        QTest::newRow("centre, icon right, style 1") << 1 << 1 << 1 << 24 << 43;
        QTest::newRow("left, icon left") << 0 << 0 << 0 << 27 << 6;
        QTest::newRow("left, icon right") << 0 << 0 << 1 << 6 << 25;
        QTest::newRow("right, icon left") << 2 << 0 << 0 << 80 << 59;
        QTest::newRow("right, icon right") << 2 << 0 << 1 << 59 << 78;
    }
    void horizontalPlacement() {
        QFETCH(int, alignment);
        QFETCH(int, style);
        QFETCH(int, icon);
        QFETCH(int, left);
        QFETCH(int, iconX);
        CaptionLayoutInput in = input("Hi", 100, 30);
        in.alignment = alignment;
        in.buttonStyle = style;
        in.hasIcon = icon >= 0;
        in.iconAlignment = std::max(icon, 0);
        const CaptionLayout layout = LayOutCaption(in, Fixed);
        QCOMPARE(layout.lines.size(), 1);
        QCOMPARE(layout.lines[0].box, QRect(left, 7, 14, 15));
        if (icon >= 0)
            QCOMPARE(layout.iconPosition, QPoint(iconX, 7)); // centred on the block: 7 + (15 - 16) / 2
        // The focus rectangle: the block grown by 2 and moved 1 up and left.
        QCOMPARE(layout.focusRect, QRect(left - 3, 4, 18, 19));
    }

    void iconAlone_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("style 0") << 0 << QPoint(42, 7);
        QTest::newRow("style 1 towards the straight left edge") << 1 << QPoint(33, 7);
        QTest::newRow("style 2") << 2 << QPoint(42, 7);
        QTest::newRow("style 3 towards the straight right edge") << 3 << QPoint(51, 7);
    }
    void iconAlone() {
        QFETCH(int, style);
        QFETCH(QPoint, position);
        CaptionLayoutInput in = input(QString(), 100, 30);
        in.hasIcon = true;
        in.buttonStyle = style;
        const CaptionLayout layout = LayOutCaption(in, Fixed);
        QCOMPARE(layout.iconPosition, position);
        QVERIFY(layout.lines.isEmpty());
    }

    // Vertical captions: a line's length runs along the height from the reading start.
    void vertical_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QPoint>("iconAt");
        // "Hi" (14 px) on a 30 by 100 button: lines 15 px across, centred at x 7.
        QTest::newRow("up, start") << 1 << 0 << -1 << QRect(7, 80, 15, 14) << QPoint();
        QTest::newRow("down, start") << 2 << 0 << -1 << QRect(7, 6, 15, 14) << QPoint();
        QTest::newRow("up, end") << 1 << 2 << -1 << QRect(7, 6, 15, 14) << QPoint();
        QTest::newRow("up, centre") << 1 << 1 << -1 << QRect(7, 43, 15, 14) << QPoint();
        // With an icon before the text (below it when reading upwards) the text moves up by
        // half the 21 px icon space, and the icon sits 5 px below the block, centred across it
        // (7 + (15 - 16) / 2, truncated toward zero).
        QTest::newRow("up, centre, icon before") << 1 << 1 << 0 << QRect(7, 33, 15, 14) << QPoint(7, 52);
        QTest::newRow("down, centre, icon before") << 2 << 1 << 0 << QRect(7, 53, 15, 14) << QPoint(7, 32);
        QTest::newRow("up, start, icon before") << 1 << 0 << 0 << QRect(7, 59, 15, 14) << QPoint(7, 78);
    }
    void vertical() {
        QFETCH(int, orientation);
        QFETCH(int, alignment);
        QFETCH(int, icon);
        QFETCH(QRect, box);
        QFETCH(QPoint, iconAt);
        CaptionLayoutInput in = input("Hi", 30, 100);
        in.captionOrientation = orientation;
        in.alignment = alignment;
        in.hasIcon = icon >= 0;
        in.iconAlignment = std::max(icon, 0);
        const CaptionLayout layout = LayOutCaption(in, Fixed);
        QCOMPARE(layout.lines.size(), 1);
        QCOMPARE(layout.lines[0].box, box);
        if (icon >= 0)
            QCOMPARE(layout.iconPosition, iconAt);
    }

    // The underline lies under the access-key character, as wide as it.
    void underline_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QLine>("segment");
        // "Save & Exit": 77 px centred on 200 gives left 61; x is the 9th character.
        QTest::newRow("horizontal") << "Save & Exit" << 9 << 0 << QLine(61 + 56, 7 + 13, 61 + 63, 7 + 13);
        QTest::newRow("first character") << "Save & Exit" << 1 << 0 << QLine(61, 20, 68, 20);
        QTest::newRow("none") << "Save & Exit" << 0 << 0 << QLine();
        // Upwards the baseline runs along x = left + 13 from the text's bottom row (centred:
        // top 43, 14 px long) up.
        QTest::newRow("upwards") << "Hi" << 1 << 1 << QLine(7 + 13, 56, 7 + 13, 56 - 7);
    }
    void underline() {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, orientation);
        QFETCH(QLine, segment);
        CaptionLayoutInput in = orientation == 0 ? input(text, 200, 30) : input(text, 30, 100);
        in.accessKeyPosition = position;
        in.captionOrientation = orientation;
        const CaptionLayout layout = LayOutCaption(in, Fixed);
        QCOMPARE(layout.hasUnderline, position > 0);
        if (position > 0)
            QCOMPARE(layout.underline, segment);
    }
};

QTEST_MAIN(TestButtonLayout)
#include "tst_button_layout.moc"
