#pragma once

#include <QLine>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>

namespace controls {

// What the caption layout depends on. Sizes are pixels; the text is the displayed caption
// (access-key marks already taken out).
struct CaptionLayoutInput {
    QString text;
    int accessKeyPosition = 0; // 1-based index into text; 0 for none
    int width = 0;
    int height = 0;
    std::int32_t buttonStyle = 0;
    std::int32_t alignment = 1;
    std::int32_t captionOrientation = 0;
    bool hasIcon = false;
    std::int32_t iconSize = 2;
    std::int32_t iconAlignment = 0;
};

// The font as the layout sees it: single-line widths, the line pitch and the baseline.
struct CaptionMeasure {
    std::function<int(const QString&)> width;
    int lineHeight = 0;
    int ascent = 0;
};

struct CaptionLayoutLine {
    QString text;
    QRect box; // in the button; for vertical captions the line's length runs along the height
};

struct CaptionLayout {
    QList<CaptionLayoutLine> lines;
    QRect block;     // bounding box of all lines
    QRect focusRect; // where a caption-bound focus indication goes
    QPoint iconPosition;
    QLine underline; // access-key underline, from its start towards its (excluded) end
    bool hasUnderline = false;
};

// Wraps, cuts, aligns and places the caption lines and the icon for the button's size, style and
// caption orientation.
CaptionLayout LayOutCaption(const CaptionLayoutInput& input, const CaptionMeasure& measure);

} // namespace controls
