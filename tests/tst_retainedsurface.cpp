// links: tavren_host
// platforms: linux windows
#include "platform/host/RetainedSurface.h"

#include <QtTest>

using host::RetainedSurface;

namespace {

const QColor Paper(255, 255, 255);
const QColor Ink(0, 0, 0);

// The surface as rows of '#' (ink) and '.' (paper), top row first.
QStringList picture(const RetainedSurface& surface) {
    QStringList rows;
    for (int y = 0; y < surface.size().height(); ++y) {
        QString row;
        for (int x = 0; x < surface.size().width(); ++x)
            row += surface.pixel(x, y) == Ink ? '#' : '.';
        rows << row;
    }
    return rows;
}

} // namespace

class TestRetainedSurface : public QObject {
    Q_OBJECT
private slots:
    void primitives_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QList<int>>("at");
        QTest::addColumn<QStringList>("expected");
        // A filled rectangle leaves out its right column and bottom row.
        QTest::newRow("fill") << "fill" << QList<int>{1, 1, 4, 3}
                              << QStringList{".....", ".###.", ".###.", ".....", "....."};
        // A frame lies inside the same rectangle.
        QTest::newRow("frame") << "frame" << QList<int>{0, 0, 5, 4}
                               << QStringList{"#####", "#...#", "#...#", "#####", "....."};
        QTest::newRow("frame 1 wide")
            << "frame" << QList<int>{2, 1, 3, 4} << QStringList{".....", "..#..", "..#..", "..#..", "....."};
        QTest::newRow("empty frame") << "frame" << QList<int>{2, 2, 2, 4}
                                     << QStringList{".....", ".....", ".....", ".....", "....."};
        // A line leaves out its end point, in every direction.
        QTest::newRow("line right") << "line" << QList<int>{0, 2, 4, 2}
                                    << QStringList{".....", ".....", "####.", ".....", "....."};
        QTest::newRow("line up") << "line" << QList<int>{1, 4, 1, 0}
                                 << QStringList{".....", ".#...", ".#...", ".#...", ".#..."};
        QTest::newRow("diagonal") << "line" << QList<int>{0, 0, 4, 4}
                                  << QStringList{"#....", ".#...", "..#..", "...#.", "....."};
        QTest::newRow("zero length") << "line" << QList<int>{2, 2, 2, 2}
                                     << QStringList{".....", ".....", ".....", ".....", "....."};
        // Drawing reaching past the edges is clipped, not wrapped or refused.
        QTest::newRow("fill clipped")
            << "fill" << QList<int>{-3, 3, 9, 9} << QStringList{".....", ".....", ".....", "#####", "#####"};
        QTest::newRow("line clipped")
            << "line" << QList<int>{-2, 1, 7, 1} << QStringList{".....", "#####", ".....", ".....", "....."};
    }
    void primitives() {
        QFETCH(QString, shape);
        QFETCH(QList<int>, at);
        QFETCH(QStringList, expected);
        RetainedSurface surface;
        surface.resize(QSize(5, 5));
        surface.fill(Paper);
        if (shape == "fill")
            surface.fillRect(at[0], at[1], at[2], at[3], Ink);
        else if (shape == "frame")
            surface.frameRect(at[0], at[1], at[2], at[3], Ink);
        else
            surface.line(at[0], at[1], at[2], at[3], Ink);
        QCOMPARE(picture(surface), expected);
    }

    void pixelsOutsideAreInvalid() {
        RetainedSurface surface;
        QVERIFY(!surface.pixel(0, 0).isValid());
        surface.resize(QSize(3, 2));
        surface.fill(Paper);
        surface.setPixel(3, 0, Ink); // outside: ignored
        QCOMPARE(surface.pixel(2, 1), Paper);
        QVERIFY(!surface.pixel(3, 0).isValid());
        QVERIFY(!surface.pixel(0, -1).isValid());
        surface.resize(QSize(0, 4));
        QVERIFY(surface.isNull());
    }
};

QTEST_MAIN(TestRetainedSurface)
#include "tst_retainedsurface.moc"
