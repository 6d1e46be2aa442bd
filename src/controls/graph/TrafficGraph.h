#pragma once

#include <QImage>
#include <QWidget>

#include <deque>

class QPainter;

namespace controls {

// A line graph of two rates over the last two minutes, one point per sample: bytes sent and
// received per second, in two colours with a legend. The scale is in binary units and rises and
// falls with the highest point shown. A graph marked closed keeps its points and says so.
//
// Drawn into an image that is kept until the next sample or a change of size, so that the many
// repaints between two samples (a window moved over it, the dialog's other fields) cost a copy.
class TrafficGraph : public QWidget {
    Q_OBJECT
public:
    // Two minutes of one sample a second.
    static constexpr int Span = 120;

    struct Point {
        double sentPerSecond = 0;
        double receivedPerSecond = 0;
    };

    explicit TrafficGraph(QWidget* parent = nullptr);

    // One more point on the right; the oldest leaves once there are Span of them. Rates below
    // zero or not numbers count as none.
    void addPoint(double sentPerSecond, double receivedPerSecond);
    // All points at once, oldest first; only the last Span are kept.
    void setPoints(const std::deque<Point>& points);
    const std::deque<Point>& points() const { return m_points; }
    void clear();

    // The connection or program has ended: the graph stops moving and says "closed".
    void setClosed(bool closed);
    bool isClosed() const { return m_closed; }

    // The top of the scale for the points shown: the smallest power of two bytes per second at
    // or above the highest point, 1 KiB/s at least.
    double scaleTop() const;
    // "512 B/s", "4 KiB/s", "1.5 MiB/s": binary units, as the scale and legend write them.
    static QString rateText(double bytesPerSecond);

    // The picture as last drawn, at the widget's size.
    QImage image();

    QSize sizeHint() const override { return {360, 140}; }
    QSize minimumSizeHint() const override { return {160, 80}; }

    static QColor sentColour() { return QColor(0xd0, 0x5a, 0x1e); }
    static QColor receivedColour() { return QColor(0x1e, 0x6e, 0xc8); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void changed();
    void draw();
    void drawLines(QPainter& painter, const QRect& plot, double top) const;

    std::deque<Point> m_points;
    bool m_closed = false;
    QImage m_image;
    bool m_stale = true;
};

} // namespace controls
