#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

class QWidget;

namespace host {

// A control's retained drawing surface: an image of the control's size that the control draws
// into when its state changes, and that its paint event only copies. What is drawn stays until
// the control clears it, so incremental drawing keeps what it drew, and every pixel can be read
// back exactly.
//
// The primitives follow the drawing conventions the controls' figures are written in: a line
// leaves out its end point, a filled rectangle leaves out its right column and bottom row, and
// a one-pixel frame lies inside its rectangle. Pixels outside the surface are not drawn.
class RetainedSurface {
public:
    const QImage& image() const { return m_image; }
    // For drawing with a painter (text, pictures); the conventions above are then the caller's.
    QImage& image() { return m_image; }
    bool isNull() const { return m_image.isNull(); }
    QSize size() const { return m_image.size(); }

    // Gives the surface this size; a new size starts from an undefined image. An empty size
    // leaves no surface at all.
    void resize(QSize size);
    void fill(const QColor& colour);

    // Copies the surface's part under `area` onto the widget, or fills the area with `fallback`
    // while there is no surface yet. Meant for the control's paint event.
    void paint(QWidget& widget, const QRect& area, const QColor& fallback) const;

    // (x1, y1) to (x2, y2), without the right column x2 and the bottom row y2.
    void fillRect(int x1, int y1, int x2, int y2, const QColor& colour);
    // A one-pixel frame along the inner edge of the same rectangle.
    void frameRect(int x1, int y1, int x2, int y2, const QColor& colour);
    // A one-pixel line from (x1, y1) towards (x2, y2), without the end point.
    void line(int x1, int y1, int x2, int y2, const QColor& colour);
    void setPixel(int x, int y, const QColor& colour);
    // The pixel's colour, or an invalid colour outside the surface.
    QColor pixel(int x, int y) const;

    // Copies `source` of `picture` into `target` of the surface, scaled; a null picture or an
    // empty target draws nothing.
    void stretchDraw(const QImage& picture, const QRectF& source, const QRectF& target);

private:
    QImage m_image;
};

} // namespace host
