#include "platform/host/RetainedSurface.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace host {

void RetainedSurface::resize(QSize size) {
    if (m_image.size() == size)
        return;
    m_image = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
}

void RetainedSurface::fill(const QColor& colour) {
    if (!m_image.isNull())
        m_image.fill(colour);
}

void RetainedSurface::paint(QWidget& widget, const QRect& area, const QColor& fallback) const {
    QPainter painter(&widget);
    if (m_image.isNull())
        painter.fillRect(area, fallback);
    else
        painter.drawImage(area.topLeft(), m_image, area);
}

void RetainedSurface::fillRect(int x1, int y1, int x2, int y2, const QColor& colour) {
    // Clipped by hand: QImage writes are exact, with no painter state to get in the way.
    const int left = std::max(x1, 0);
    const int top = std::max(y1, 0);
    const int right = std::min(x2, m_image.width());
    const int bottom = std::min(y2, m_image.height());
    if (left >= right || top >= bottom)
        return;
    const QRgb rgb = colour.rgb();
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        std::fill(row + left, row + right, rgb);
    }
}

void RetainedSurface::frameRect(int x1, int y1, int x2, int y2, const QColor& colour) {
    if (x1 >= x2 || y1 >= y2)
        return;
    fillRect(x1, y1, x2, y1 + 1, colour);
    fillRect(x1, y2 - 1, x2, y2, colour);
    fillRect(x1, y1, x1 + 1, y2, colour);
    fillRect(x2 - 1, y1, x2, y2, colour);
}

void RetainedSurface::line(int x1, int y1, int x2, int y2, const QColor& colour) {
    // Bresenham, stepping along the longer axis and stopping before the end point.
    const int dx = std::abs(x2 - x1);
    const int dy = std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int error = dx - dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        setPixel(x, y, colour);
        const int twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            x += sx;
        }
        if (twice < dx) {
            error += dx;
            y += sy;
        }
    }
}

void RetainedSurface::setPixel(int x, int y, const QColor& colour) {
    if (m_image.valid(x, y))
        m_image.setPixel(x, y, colour.rgb());
}

QColor RetainedSurface::pixel(int x, int y) const {
    if (!m_image.valid(x, y))
        return {};
    return m_image.pixelColor(x, y);
}

void RetainedSurface::stretchDraw(const QImage& picture, const QRectF& source, const QRectF& target) {
    if (picture.isNull() || m_image.isNull() || !(target.width() > 0) || !(target.height() > 0))
        return;
    QPainter painter(&m_image);
    painter.drawImage(target, picture, source);
}

} // namespace host
