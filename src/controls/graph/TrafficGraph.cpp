#include "controls/graph/TrafficGraph.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace controls {
namespace {

const QString EmptyText = QStringLiteral("No samples yet");
const QString ClosedText = QStringLiteral("closed");
const QString SentText = QStringLiteral("Sent/s");
const QString ReceivedText = QStringLiteral("Received/s");
const QString SpanText = QStringLiteral("2 min");
const QString NowText = QStringLiteral("now");

constexpr double Kibibyte = 1024;

double usable(double rate) {
    return std::isfinite(rate) && rate > 0 ? rate : 0;
}

} // namespace

TrafficGraph::TrafficGraph(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Traffic graph"));
}

void TrafficGraph::addPoint(double sentPerSecond, double receivedPerSecond) {
    m_points.push_back({usable(sentPerSecond), usable(receivedPerSecond)});
    while (m_points.size() > std::size_t(Span))
        m_points.pop_front();
    changed();
}

void TrafficGraph::setPoints(const std::deque<Point>& points) {
    m_points.clear();
    const std::size_t first = points.size() > std::size_t(Span) ? points.size() - std::size_t(Span) : 0;
    for (std::size_t index = first; index < points.size(); ++index)
        m_points.push_back({usable(points[index].sentPerSecond), usable(points[index].receivedPerSecond)});
    changed();
}

void TrafficGraph::clear() {
    m_points.clear();
    m_closed = false;
    changed();
}

void TrafficGraph::setClosed(bool closed) {
    if (closed == m_closed)
        return;
    m_closed = closed;
    changed();
}

double TrafficGraph::scaleTop() const {
    double peak = 0;
    for (const Point& point : m_points)
        peak = std::max({peak, point.sentPerSecond, point.receivedPerSecond});
    double top = Kibibyte;
    while (top < peak)
        top *= 2;
    return top;
}

QString TrafficGraph::rateText(double bytesPerSecond) {
    static const char* const units[] = {"B/s", "KiB/s", "MiB/s", "GiB/s", "TiB/s"};
    int unit = 0;
    double value = usable(bytesPerSecond);
    while (value >= Kibibyte && unit < 4) {
        value /= Kibibyte;
        ++unit;
    }
    // Whole numbers where the scale's powers of two fall on them; one decimal otherwise.
    const bool whole = unit == 0 || value == std::floor(value);
    return QString::number(value, 'f', whole ? 0 : 1) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QImage TrafficGraph::image() {
    if (m_stale || m_image.size() != size() * devicePixelRatioF())
        draw();
    return m_image;
}

void TrafficGraph::changed() {
    m_stale = true;
    update();
}

void TrafficGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, image());
}

void TrafficGraph::resizeEvent(QResizeEvent*) {
    m_stale = true;
}

void TrafficGraph::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::EnabledChange)
        m_stale = true;
    QWidget::changeEvent(event);
}

void TrafficGraph::drawLines(QPainter& painter, const QRect& plot, double top) const {
    // The newest point on the right edge, each older one a step to the left.
    const double step = double(plot.width()) / double(Span - 1);
    const auto pathOf = [&](double Point::*rate) {
        QPainterPath path;
        const std::size_t count = m_points.size();
        for (std::size_t index = 0; index < count; ++index) {
            const QPointF at(plot.right() - double(count - 1 - index) * step,
                             plot.bottom() - (m_points[index].*rate) / top * plot.height());
            index == 0 ? path.moveTo(at) : path.lineTo(at);
        }
        return path;
    };
    painter.save();
    painter.setClipRect(plot.adjusted(0, -1, 1, 1));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(sentColour(), 1.5));
    painter.drawPath(pathOf(&Point::sentPerSecond));
    painter.setPen(QPen(receivedColour(), 1.5));
    painter.drawPath(pathOf(&Point::receivedPerSecond));
    painter.restore();
}

void TrafficGraph::draw() {
    m_stale = false;
    const qreal ratio = devicePixelRatioF();
    m_image = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(ratio);
    const QPalette& colours = palette();
    m_image.fill(colours.color(QPalette::Base));
    QPainter painter(&m_image);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawRect(QRect(0, 0, width() - 1, height() - 1));

    // The legend along the top: a short line of each colour before its name.
    int x = 6;
    const int legendY = 3 + line / 2;
    for (const auto& [colour, text] :
         {std::pair{sentColour(), SentText}, std::pair{receivedColour(), ReceivedText}}) {
        painter.setPen(QPen(colour, 2));
        painter.drawLine(x, legendY, x + 14, legendY);
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(QPoint(x + 18, 3 + metrics.ascent()), text);
        x += 18 + metrics.horizontalAdvance(text) + 12;
    }

    const double top = scaleTop();
    const QString topText = rateText(top);
    const QString halfText = rateText(top / 2);
    const int labelWidth =
        std::max(metrics.horizontalAdvance(topText), metrics.horizontalAdvance(halfText)) + 8;
    const QRect plot(labelWidth, line + 8, width() - labelWidth - 6, height() - 2 * line - 12);
    if (plot.width() < 4 || plot.height() < 4)
        return;

    // The scale: its top, its middle and zero, with the span of time below.
    painter.setPen(colours.color(QPalette::Midlight));
    painter.drawLine(plot.left(), plot.top(), plot.right(), plot.top());
    painter.drawLine(plot.left(), plot.center().y(), plot.right(), plot.center().y());
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.setPen(colours.color(QPalette::Text));
    const auto label = [&](int y, const QString& text) {
        painter.drawText(QRect(0, y - line / 2, labelWidth - 4, line), Qt::AlignRight | Qt::AlignVCenter,
                         text);
    };
    label(plot.top(), topText);
    label(plot.center().y(), halfText);
    label(plot.bottom(), rateText(0));
    const QRect below(plot.left(), plot.bottom() + 2, plot.width(), line);
    painter.drawText(below, Qt::AlignLeft | Qt::AlignTop, SpanText);
    painter.drawText(below, Qt::AlignRight | Qt::AlignTop, NowText);

    if (m_points.empty()) {
        painter.setPen(colours.color(QPalette::PlaceholderText));
        painter.drawText(plot, Qt::AlignCenter, EmptyText);
    } else {
        drawLines(painter, plot, top);
    }

    if (m_closed) {
        // Veiled, and said in words: the lines stay readable as the connection's last minutes.
        QColor veil = colours.color(QPalette::Base);
        veil.setAlpha(110);
        painter.fillRect(plot, veil);
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(plot.adjusted(4, 2, -4, -2), Qt::AlignRight | Qt::AlignTop, ClosedText);
    }
}

} // namespace controls
