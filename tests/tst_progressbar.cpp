// links: tavren_progressbar tavren_host
// platforms: linux windows
#include "controls/progressbar/ProgressBar.h"
#include "controls/progressbar/ProgressLooks.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(host::PropertyStore)

using controls::ProgressBar;
namespace Looks = controls::ProgressLooks;

namespace {

const QColor White(255, 255, 255);

// A shown bar of the given size, so its first sizing has run as it does on a window.
std::unique_ptr<ProgressBar> makeBar(int width, int height, int max, int style, int look = 2) {
    auto bar = std::make_unique<ProgressBar>();
    bar->resize(width, height);
    bar->setProgressLook(look);
    bar->setMax(max);
    bar->setStyle(style);
    bar->show();
    if (!QTest::qWaitForWindowExposed(bar.get()))
        return nullptr;
    return bar;
}

// What the bar shows in column x between the frame's top and bottom borders: '0', '1' or '2'
// for a column of that tile of the current look, ' ' for white, 'f' for the untouched frame,
// '?' for anything else (a mixed or damaged column).
QChar column(const ProgressBar& bar, int x) {
    const QImage& surface = bar.surface();
    const int top = 3, bottom = surface.height() - 4;
    auto all = [&](auto predicate) {
        for (int y = top; y <= bottom; ++y)
            if (!predicate(surface.pixelColor(x, y), y))
                return false;
        return true;
    };
    if (all([](QColor c, int) { return c == White; }))
        return ' ';
    for (int tile = 0; tile < 3; ++tile) {
        const QImage& picture = bar.tile(tile);
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            colours.insert(picture.pixel(0, y));
        if (all([&](QColor c, int) { return colours.contains(c.rgb()); }))
            return QChar('0' + tile);
    }
    const QImage& frame = Looks::frame();
    const int ring = std::min(x, surface.width() - 1 - x);
    if (ring < 3) {
        const int frameX = x < 3 ? x : 58 - ring;
        if (all([&](QColor c, int) { return c.rgb() == frame.pixel(frameX, 6); }))
            return 'f';
    }
    return '?';
}

// The row of columns from x = 2 to the bar's width - 3, as `column` names them.
QString columns(const ProgressBar& bar) {
    QString row;
    for (int x = 2; x <= bar.width() - 3; ++x)
        row += column(bar, x);
    return row;
}

// The expected row: frame columns at both ends, white inside, and 4-pixel tiles at the given
// x positions ({x, '0'|'1'|'2'}).
QString marqueeRow(int width, const QList<QPair<int, char>>& tiles, QChar rightEnd = 'f') {
    QString row = QStringLiteral("f") + QString(width - 6, ' ') + rightEnd;
    for (const auto& [x, tile] : tiles)
        for (int i = 0; i < 4; ++i)
            row[x - 2 + i] = QLatin1Char(tile);
    return row;
}

// Left edges of the full-colour blocks and their widths, as "4 14 24" (a narrowed block shows
// its width after a colon: "134:3").
QString blocks(const ProgressBar& bar) {
    const QString row = columns(bar);
    QStringList found;
    for (int i = 0; i < row.size(); ++i) {
        if (row[i] != '2')
            continue;
        int end = i;
        while (end < row.size() && row[end] == '2')
            ++end;
        const int x = i + 2, width = end - i;
        found << (width == 8 ? QString::number(x) : QStringLiteral("%1:%2").arg(x).arg(width));
        i = end - 1;
    }
    if (row.contains('?') || row.contains('0') || row.contains('1'))
        found << QStringLiteral("damaged");
    return found.join(' ');
}

// True when the whole border is the frame picture's border, stretched to the bar.
bool frameIntact(const ProgressBar& bar) {
    const QImage& surface = bar.surface();
    const QImage& frame = Looks::frame();
    const int w = surface.width(), h = surface.height();
    auto frameCoordinate = [](int v, int size, int pictureSize) {
        return v < 3 ? v : v >= size - 3 ? pictureSize - (size - v) : 3;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x >= 3 && x < w - 3 && y >= 3 && y < h - 3)
                continue;
            const int fx = frameCoordinate(x, w, 59), fy = frameCoordinate(y, h, 13);
            if (surface.pixel(x, y) != frame.pixel(fx, fy))
                return false;
        }
    return true;
}

} // namespace

class TestProgressBar : public QObject {
    Q_OBJECT
private slots:
    void picturesHaveTheirSizesAndColours_data() {
        QTest::addColumn<int>("look");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("centre");
        QTest::newRow("0") << 0 << "master" << QColor(41, 210, 44);
        QTest::newRow("1") << 1 << "blue" << QColor(0, 118, 236);
        QTest::newRow("2") << 2 << "bluemet" << QColor(9, 60, 45);
        QTest::newRow("3") << 3 << "goldmet" << QColor(216, 166, 47);
        QTest::newRow("4") << 4 << "grmet" << QColor(131, 174, 118);
        QTest::newRow("5") << 5 << "greymet" << QColor(108, 108, 108);
        QTest::newRow("6") << 6 << "orangemet" << QColor(255, 210, 45);
        QTest::newRow("7") << 7 << "redmet" << QColor(228, 134, 74);
    }
    void picturesHaveTheirSizesAndColours() {
        QFETCH(int, look);
        QFETCH(QString, name);
        QFETCH(QColor, centre);
        QCOMPARE(Looks::frame().size(), QSize(59, 13));
        QCOMPARE(Looks::blank().size(), QSize(8, 10));
        QCOMPARE(Looks::blank().pixelColor(7, 9), White);
        QCOMPARE(Looks::lookName(look), name);
        const auto* tiles = Looks::look(look);
        QVERIFY(tiles);
        for (const QImage& tile : *tiles)
            QCOMPARE(tile.size(), QSize(8, 10));
        QCOMPARE((*tiles)[2].pixelColor(4, 5), centre);
        // Palest to full colour: each step further from white.
        auto distance = [](QColor c) { return 3 * 255 - c.red() - c.green() - c.blue(); };
        QVERIFY(distance((*tiles)[0].pixelColor(4, 5)) < distance((*tiles)[1].pixelColor(4, 5)));
        QVERIFY(distance((*tiles)[1].pixelColor(4, 5)) < distance((*tiles)[2].pixelColor(4, 5)));
        QVERIFY(!Looks::look(8));
        QVERIFY(!Looks::look(-1));
    }

    void blockBarFollowsTheRefreshSequence_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<QStringList>("blocksAfter"); // after 2, 4, 6, 8, 10, 0
        QTest::addColumn<QList<int>>("framesAfter");  // frame redraws of each assignment
        QTest::newRow("Max 10") << 10 << QStringList{"4 14 24",
                                                     "4 14 24 34",
                                                     "4 14 24 34 44 54",
                                                     "4 14 24 34 44 54 64",
                                                     "4 14 24 34 44 54 64 74",
                                                     ""}
                                << QList<int>{1, 0, 0, 0, 0, 2};
        QTest::newRow("Max 100") << 100 << QStringList{"", "4", "4", "4", "4", ""}
                                 << QList<int>{1, 1, 0, 0, 0, 2};
    }
    void blockBarFollowsTheRefreshSequence() {
        QFETCH(int, max);
        QFETCH(QStringList, blocksAfter);
        QFETCH(QList<int>, framesAfter);
        auto bar = makeBar(137, 17, max, 0);
        QVERIFY(bar);
        const QList<int> values{2, 4, 6, 8, 10, 0};
        for (int run = 1; run <= 2; ++run) {
            for (int i = 0; i < values.size(); ++i) {
                const int frames = bar->drawState().framesDrawn;
                bar->setValue(values[i]);
                QCOMPARE(blocks(*bar), blocksAfter[i]);
                QCOMPARE(bar->drawState().framesDrawn - frames, framesAfter[i]);
                QVERIFY(frameIntact(*bar));
            }
        }
    }

    void countingOneByOneToMax100() {
        auto bar = makeBar(137, 17, 100, 0);
        QVERIFY(bar);
        QList<int> newBlockAt;
        int full = -1;
        for (int value = 0; value <= 100; ++value) {
            const int before = blocks(*bar).split(' ', Qt::SkipEmptyParts).size();
            bar->setValue(value);
            const int after = blocks(*bar).split(' ', Qt::SkipEmptyParts).size();
            QVERIFY2(after - before <= 1, qPrintable(QStringLiteral("value %1").arg(value)));
            if (after > before)
                newBlockAt << value;
            if (full < 0 && bar->drawState().BarFull)
                full = value;
        }
        QCOMPARE(newBlockAt, (QList<int>{3, 11, 18, 25, 33, 40, 47, 55, 62, 69, 76, 84, 91}));
        QCOMPARE(full, 98);
        // No space was left for a narrowed block before the right border.
        QCOMPARE(blocks(*bar), QStringLiteral("4 14 24 34 44 54 64 74 84 94 104 114 124"));
    }

    void lastBlockIsSqueezedBeforeTheBorder() {
        // 133 wide: the block at 124 is followed by 6 pixels up to the border.
        auto bar = makeBar(133, 17, 10, 0);
        QVERIFY(bar);
        // A first assignment starts the step count at the value itself: the bar fills at once.
        bar->setValue(10);
        QCOMPARE(blocks(*bar), QStringLiteral("4 14 24 34 44 54 64 74 84 94 104 114 124:6"));
        QVERIFY(bar->drawState().BarFull);
        QVERIFY(frameIntact(*bar));
    }

    void decreaseClearsAndRestartsFromTheNewValue() {
        auto bar = makeBar(137, 17, 10, 0);
        QVERIFY(bar);
        for (int value : {2, 4, 6, 8})
            bar->setValue(value);
        QCOMPARE(blocks(*bar), QStringLiteral("4 14 24 34 44 54 64"));
        const int frames = bar->drawState().framesDrawn;
        bar->setValue(3);
        QCOMPARE(bar->drawState().framesDrawn - frames, 1);
        QCOMPARE(blocks(*bar), QStringLiteral("4 14 24 34"));
    }

    // With Min 5 a reset counts steps from Value - Min, while a decrease restarts from the
    // value itself and keeps the last value seen, so the bar stays empty until it catches up.
    void nonZeroMinCountsFromMin() {
        auto bar = makeBar(137, 17, 15, 0);
        QVERIFY(bar);
        bar->setMin(5);
        const QList<QPair<int, QString>> steps{
            {7, "4 14 24"}, {9, "4 14 24 34"},       {12, "4 14 24 34 44 54"},
            {8, ""},        {9, "4 14 24 34 44 54"}, {5, ""},
        };
        for (const auto& [value, expected] : steps) {
            bar->setValue(value);
            QVERIFY2(blocks(*bar) == expected,
                     qPrintable(QStringLiteral("after %1: %2").arg(value).arg(blocks(*bar))));
            QVERIFY(frameIntact(*bar));
        }
    }

    void repeatedValue_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("again");
        // With Max 100 the threshold holds a repeated value back; otherwise each assignment
        // lets a lagging bar catch up by one step.
        QTest::newRow("Max 100") << 100 << 50 << "4 14 24 34 44 54 64"
                                 << "4 14 24 34 44 54 64";
        QTest::newRow("Max 10") << 10 << 4 << "4 14 24 34 44 54"
                                << "4 14 24 34 44 54 64";
    }
    void repeatedValue() {
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(QString, first);
        QFETCH(QString, again);
        auto bar = makeBar(137, 17, max, 0);
        QVERIFY(bar);
        bar->setValue(value);
        QCOMPARE(blocks(*bar), first);
        bar->setValue(value);
        QCOMPARE(blocks(*bar), again);
    }

    void equalBoundsDrawNoBlock() {
        auto bar = makeBar(137, 17, 0, 0);
        QVERIFY(bar);
        bar->setValue(0);
        bar->setValue(0);
        QCOMPARE(blocks(*bar), QString());
        QCOMPARE(bar->drawState().StepCount, std::int16_t{1});
    }

    void marqueeMovesAlongA40PixelBar() {
        auto bar = makeBar(40, 17, 100, 1);
        QVERIFY(bar);
        const QList<QString> expected{
            marqueeRow(40, {{4, '0'}, {9, '1'}, {14, '2'}}),
            marqueeRow(40, {{9, '0'}, {14, '1'}, {19, '2'}}),
            marqueeRow(40, {{14, '0'}, {19, '1'}, {24, '2'}}),
            marqueeRow(40, {{19, '0'}, {24, '1'}, {29, '2'}}),
            marqueeRow(40, {{24, '0'}, {29, '1'}}), // x = 24: no full-colour tile
            marqueeRow(40, {{29, '0'}, {34, '1'}}), // the medium tile reaches over the border
            marqueeRow(40, {{34, '0'}}),            // x = 34: the palest tile only
            marqueeRow(40, {}, ' '),                // x = 39: erases and starts over
            marqueeRow(40, {{2, '0'}, {7, '1'}, {12, '2'}}, ' '),
        };
        const QList<double> nextX{9, 14, 19, 24, 29, 34, 39, 2, 7};
        for (int step = 0; step < expected.size(); ++step) {
            bar->setValue(step + 1);
            QCOMPARE(columns(*bar), expected[step]);
            QCOMPARE(bar->drawState().MarqueeX, nextX[step]);
        }
        // Max empties the bar and restarts the comet.
        bar->setValue(100);
        QVERIFY(frameIntact(*bar));
        QCOMPARE(columns(*bar), marqueeRow(40, {}));
        QCOMPARE(bar->drawState().MarqueeX, 4.0);
    }

    void marqueeOnATooNarrowBar() {
        auto bar = makeBar(9, 17, 100, 1);
        QVERIFY(bar);
        bar->setValue(1);
        QCOMPARE(columns(*bar), QStringLiteral("f   f")); // no tile
        QCOMPARE(bar->drawState().MarqueeX, 2.0);
    }

    void resizeClearsEverything() {
        auto bar = makeBar(137, 17, 10, 0);
        QVERIFY(bar);
        bar->setValue(6);
        QVERIFY(!blocks(*bar).isEmpty());
        bar->resize(160, 20);
        QCOMPARE(bar->surface().size(), QSize(160, 20));
        QVERIFY(frameIntact(*bar));
        QCOMPARE(blocks(*bar), QString());
        QCOMPARE(bar->drawState().NextBlockX, 4.0);
        QCOMPARE(bar->drawState().BarWidth, 160.0);
        QCOMPARE(bar->drawState().BarHeight, 14.0);
        // What is drawn stays until the next clear: a repaint shows the retained surface.
        bar->setValue(8);
        const QImage drawn = bar->surface();
        QCOMPARE(bar->grab().toImage().convertToFormat(QImage::Format_RGB32), drawn);
    }

    void rangeRules_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("assigned");
        QTest::addColumn<bool>("accepted");
        // Every case starts from Min 10, Max 50, Value 30.
        QTest::newRow("Value = Max") << "Value" << 50 << true;
        QTest::newRow("Value = Min") << "Value" << 10 << true;
        QTest::newRow("Value = Max + 1") << "Value" << 51 << false;
        QTest::newRow("Value = Min - 1") << "Value" << 9 << false;
        QTest::newRow("Min = -1") << "Min" << -1 << false;
        QTest::newRow("Min = 0") << "Min" << 0 << true;
        QTest::newRow("Min = Max") << "Min" << 50 << true;
        QTest::newRow("Min = Max + 1") << "Min" << 51 << false;
        QTest::newRow("Max = Min") << "Max" << 10 << true;
        QTest::newRow("Max = Min - 1") << "Max" << 9 << false;
        QTest::newRow("Max below Value") << "Max" << 20 << true;
        QTest::newRow("Style has no range") << "Style" << -7 << true;
        QTest::newRow("ProgressLook has no range") << "ProgressLook" << 99 << true;
    }
    void rangeRules() {
        QFETCH(QString, property);
        QFETCH(int, assigned);
        QFETCH(bool, accepted);
        auto bar = makeBar(137, 17, 50, 0);
        QVERIFY(bar);
        bar->setMin(10);
        bar->setValue(30);
        const QImage before = bar->surface();
        const QVariant old = bar->property(qPrintable(property));
        QSignalSpy changed(bar.get(), &ProgressBar::propertyChanged);
        QVERIFY(bar->setProperty(qPrintable(property), assigned));
        QCOMPARE(bar->property(qPrintable(property)).toInt(), accepted ? assigned : old.toInt());
        QCOMPARE(changed.count(), accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(changed[0][0].toString(), property);
        if (property != "Value") {
            // Only Value draws; the others never adjust Value.
            QCOMPARE(bar->surface(), before);
            QCOMPARE(bar->value(), 30);
        } else if (!accepted) {
            QCOMPARE(bar->surface(), before);
        }
    }

    void styleChangeDrawsWithTheNextValue() {
        auto bar = makeBar(137, 17, 10, 0);
        QVERIFY(bar);
        bar->setValue(4);
        bar->setStyle(1);
        QCOMPARE(blocks(*bar), QStringLiteral("4 14 24 34 44 54"));
        bar->setValue(5);
        // The comet is drawn over the blocks at the marquee's start.
        QCOMPARE(column(*bar, 4), QChar('0'));
        QCOMPARE(column(*bar, 24), QChar('2'));
    }

    void lookOutsideTheTableKeepsTheTiles() {
        ProgressBar bar;
        QVERIFY(bar.tile(0).isNull()); // no look applied at initialisation
        bar.setProgressLook(3);
        QCOMPARE(bar.tile(2), (*Looks::look(3))[2]);
        bar.setProgressLook(8);
        QCOMPARE(bar.progressLook(), 8);
        QCOMPARE(bar.tile(2), (*Looks::look(3))[2]);
        const host::PropertyStore saved = bar.save();
        QCOMPARE(host::toInt32(saved.find(QStringLiteral("ProgressLook"))->value), 8);

        ProgressBar fresh;
        fresh.load(saved);
        QCOMPARE(fresh.progressLook(), 8);
        for (int i = 0; i < 3; ++i)
            QVERIFY(fresh.tile(i).isNull());
        // Without tiles the block bar draws nothing but keeps its frame.
        fresh.resize(137, 17);
        fresh.setMax(10);
        fresh.setValue(6);
        QVERIFY(frameIntact(fresh));
        QCOMPARE(columns(fresh), marqueeRow(137, {}));
    }

    void storeWithEveryKeyAbsent() {
        ProgressBar bar;
        QSignalSpy changed(&bar, &ProgressBar::propertyChanged);
        bar.load(host::PropertyStore());
        QCOMPARE(bar.min(), 0);
        QCOMPARE(bar.max(), 100);
        QCOMPARE(bar.value(), 0);
        QCOMPARE(bar.style(), 0);
        QCOMPARE(bar.progressLook(), 0);
        QCOMPARE(bar.tile(2), (*Looks::look(0))[2]); // the master look is applied
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toString(), QStringLiteral("ProgressLook"));
        QVERIFY(bar.save().isEmpty());
    }

    void loadSaveLoadKeepsTheStore_data() {
        QTest::addColumn<host::PropertyStore>("store");
        host::PropertyStore design; // as the main window's design data keeps it
        design.write(QStringLiteral("progresslook"), std::int32_t{2}, std::int32_t{0});
        QTest::newRow("main window design") << design;

        host::PropertyStore wide;
        wide.write(QStringLiteral("Min"), std::int32_t{70000}, std::int16_t{0});
        wide.write(QStringLiteral("Max"), std::int32_t{90000}, std::int16_t{100});
        wide.write(QStringLiteral("Value"), std::int32_t{80000}, std::int16_t{0});
        wide.write(QStringLiteral("Style"), std::int32_t{1}, std::int32_t{0});
        wide.write(QStringLiteral("ProgressLook"), std::int32_t{7}, std::int32_t{0});
        QTest::newRow("32-bit values") << wide;

        host::PropertyStore narrow;
        narrow.write(QStringLiteral("Min"), std::int16_t{5}, std::int16_t{0});
        narrow.write(QStringLiteral("Max"), std::int16_t{10}, std::int16_t{100});
        QTest::newRow("16-bit bounds keep their width") << narrow;

        host::PropertyStore unchecked; // taken as stored, without range checks
        unchecked.write(QStringLiteral("Min"), std::int16_t{50}, std::int16_t{0});
        unchecked.write(QStringLiteral("Max"), std::int16_t{10}, std::int16_t{100});
        unchecked.write(QStringLiteral("Value"), std::int32_t{-4}, std::int16_t{0});
        QTest::newRow("out of range as stored") << unchecked;
    }
    void loadSaveLoadKeepsTheStore() {
        QFETCH(host::PropertyStore, store);
        ProgressBar first;
        first.load(store);
        const host::PropertyStore saved = first.save();
        QVERIFY(saved == store);
        ProgressBar second;
        second.load(saved);
        QCOMPARE(second.min(), first.min());
        QCOMPARE(second.max(), first.max());
        QCOMPARE(second.value(), first.value());
        QCOMPARE(second.style(), first.style());
        QCOMPARE(second.progressLook(), first.progressLook());
        QVERIFY(second.save() == saved);
    }

    void saveWritesInOrderWithWidths() {
        ProgressBar bar;
        bar.setMax(1000);
        bar.setMin(3);
        bar.setValue(7);
        bar.setStyle(2);
        bar.setProgressLook(4);
        const host::PropertyStore store = bar.save();
        QStringList keys;
        for (const auto& entry : store.entries())
            keys << entry.key;
        QCOMPARE(keys, (QStringList{"Min", "Max", "Value", "Style", "ProgressLook"}));
        // Bounds assigned at run time are 32-bit; untouched ones keep 16 bits.
        QVERIFY(std::holds_alternative<std::int32_t>(store.entries()[0].value));
        ProgressBar untouched;
        untouched.setMin(0); // equal to its default: dropped whatever its width
        QVERIFY(untouched.save().isEmpty());
    }
};

QTEST_MAIN(TestProgressBar)
#include "tst_progressbar.moc"
