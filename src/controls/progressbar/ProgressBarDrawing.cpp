#include "controls/progressbar/ProgressBar.h"

#include "controls/progressbar/ProgressLooks.h"

#include <QPaintEvent>
#include <QResizeEvent>

#include <cmath>
#include <limits>
#include <optional>

namespace controls {
namespace {

// A tile element's extent, whatever picture it holds.
constexpr double TileElementWidth = 8;
constexpr double TileElementHeight = 10;
constexpr double BlockPitch = 10; // an 8-pixel block and a 2-pixel gap
constexpr double Border = 3;      // the frame's border on every side
constexpr double BarTop = 3;

// Conversion to a 16-bit integer: nearest, halves to even; nothing when out of range.
std::optional<std::int16_t> toInt16(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
          rounded <= std::numeric_limits<std::int16_t>::max()))
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

// Where the conversion has no answer the step count saturates, so a reset always completes.
std::int16_t toStepCount(double value) {
    if (auto converted = toInt16(value))
        return *converted;
    return value < 0 ? std::numeric_limits<std::int16_t>::min() : std::numeric_limits<std::int16_t>::max();
}

} // namespace

void ProgressBar::resizeEvent(QResizeEvent* event) {
    HostedControl::resizeEvent(event);
    catchUpWithSize();
}

void ProgressBar::paintEvent(QPaintEvent* event) {
    m_surface.paint(*this, event->rect(), palette().color(QPalette::Window));
}

void ProgressBar::catchUpWithSize() {
    if (m_surface.size() != size() || m_state.framesDrawn == 0)
        DrawFrame();
}

void ProgressBar::clearSurface() {
    m_surface.resize(size());
    m_surface.fill(palette().color(QPalette::Window));
}

void ProgressBar::drawTile(const QImage& tile, double x, double width) {
    m_surface.stretchDraw(tile, QRectF(0, 0, m_state.TileWidth, m_state.TileHeight),
                          QRectF(x, BarTop, width, m_state.BarHeight));
}

void ProgressBar::DrawFrame() {
    clearSurface();
    ++m_state.framesDrawn;
    const double W = width();
    const double H = height();
    const double R = W - Border;
    const double B = H - Border;
    const double MW = W - 2 * Border;
    const double MH = toInt16(H - 2 * Border).value_or(0);
    const QImage& img = ProgressLooks::frame();
    struct Piece {
        QRectF source, target;
    };
    const Piece pieces[] = {
        {{0, 0, 3, 3}, {0, 0, 3, 3}},    // top-left corner
        {{56, 0, 3, 3}, {R, 0, 3, 3}},   // top-right corner
        {{56, 10, 3, 3}, {R, B, 3, 3}},  // bottom-right corner
        {{0, 10, 3, 3}, {0, B, 3, 3}},   // bottom-left corner
        {{3, 0, 12, 3}, {3, 0, MW, 3}},  // top edge
        {{56, 3, 3, 3}, {R, 3, 3, MH}},  // right edge
        {{3, 10, 1, 3}, {3, B, MW, 3}},  // bottom edge
        {{0, 3, 3, 3}, {0, 3, 3, MH}},   // left edge
        {{4, 4, 51, 7}, {3, 3, MW, MH}}, // centre
    };
    for (const Piece& piece : pieces)
        m_surface.stretchDraw(img, piece.source, piece.target);
    m_state.MarqueeX = 4;
    ResetDrawState();
}

void ProgressBar::ResetDrawState() {
    m_state.NextBlockX = 4;
    if (m_state.PendingFlag == 1) {
        m_state.Threshold = m_state.PendingValue;
        m_state.StepCount = toStepCount(m_state.PendingValue);
        m_state.PendingFlag = 0;
    } else {
        // With Min 0 this is the value itself.
        const double offset = double(m_value) - double(min());
        m_state.Threshold = offset;
        m_state.StepCount = toStepCount(offset);
        m_state.LastValue = offset;
    }
    m_state.BarWidth = width();
    m_state.BarHeight = height() - 2 * Border;
    m_state.TileWidth = TileElementWidth;
    m_state.TileHeight = TileElementHeight;
    m_state.BarFull = 0;
}

void ProgressBar::DrawBlockStep() {
    if (m_state.NextBlockX == 4)
        DrawFrame();
    if (m_value < m_state.LastValue) {
        m_state.PendingValue = m_value;
        m_state.PendingFlag = 1;
        DrawFrame();
    } else {
        m_state.LastValue = m_value;
    }
    if (m_value <= min())
        DrawFrame();

    const double unit = 0.01 * m_state.BarWidth;
    // A range that does not fit 16 bits fails to convert and stays 0, as does the division
    // by it below: no block is drawn but the step count still advances.
    const double range = toInt16(double(max()) - double(min())).value_or(0);
    double increment = range * 0.01;
    if (m_value > 0 && max() != 100)
        increment = 0;

    if (m_value < m_state.Threshold + min())
        return;
    m_state.Threshold += increment;

    const double pixelsPerUnit = range != 0 ? (100.0 / range) * unit : 0.0;
    while (m_state.NextBlockX < m_state.StepCount * pixelsPerUnit) {
        if (m_state.NextBlockX + BlockPitch >= m_state.BarWidth)
            FinishBlockBar();
        if (m_state.BarFull != 0)
            break;
        drawTile(m_pc[2], m_state.NextBlockX, m_state.TileWidth);
        m_state.NextBlockX += BlockPitch;
    }
    if (m_state.StepCount < std::numeric_limits<std::int16_t>::max())
        ++m_state.StepCount;
}

void ProgressBar::FinishBlockBar() {
    // The last block is squeezed into what is left before the right border.
    const double remaining = (m_state.BarWidth - Border) - m_state.NextBlockX;
    if (remaining > 0)
        drawTile(m_pc[2], m_state.NextBlockX, remaining);
    m_state.BarFull = 1;
}

void ProgressBar::DrawMarqueeStep() {
    const double x = m_state.MarqueeX;
    const double half = m_state.TileWidth / 2;
    const double barWidth = m_state.BarWidth;
    // Erase the tail the previous step left, except at the two starting positions.
    if (x != 2 && x != 4)
        drawTile(ProgressLooks::blank(), x - 5, half);
    if (x + 20 < barWidth)
        drawTile(m_pc[2], x + 10, half);
    if (x + 10 < barWidth)
        drawTile(m_pc[1], x + 5, half);
    if (x + 5 < barWidth)
        drawTile(m_pc[0], x, half);
    if (x + 5 >= barWidth) {
        // At the right end: wipe the rest of the bar and start again from the left.
        const double rest = toInt16((barWidth - Border) - x).value_or(0);
        if (rest > 0)
            drawTile(ProgressLooks::blank(), x, rest);
        m_state.MarqueeX = 2;
        return;
    }
    m_state.MarqueeX = x + 5;
}

} // namespace controls
