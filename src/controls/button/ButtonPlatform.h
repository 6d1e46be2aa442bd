#pragma once

#include <QByteArray>
#include <QFont>
#include <QPolygon>
#include <QRegion>

#include <cstdint>
#include <optional>

namespace controls {

// What the platform's version key says about the button: the graphics mode the caption font
// needs (query 0), or whether gradient faces can be drawn (query -1: -1 when they cannot).
// A failed version query (no key) answers 0.
std::int16_t ProbePlatform(const std::optional<QString>& versionKey, std::int16_t query);

// The slanted outline of ButtonStyle 1 to 3 (empty for style 0).
QPolygon ButtonOutline(std::int32_t buttonStyle, int width, int height);

// The window shape for the style, type and size: the slanted polygon, or the rectangle with the
// type's corner pixels cut away.
QRegion ButtonShape(std::int32_t buttonStyle, std::int32_t buttonType, int width, int height);

// The caption font as a logical font record: only height, escapement, weight, italic,
// underline, strike-out and face name are filled.
struct CaptionFontRecord {
    std::int32_t height = 0;     // negative: character height in pixels
    std::int32_t escapement = 0; // tenths of a degree, counter-clockwise
    std::int32_t weight = 0;     // 0 default, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QByteArray faceName; // at most 31 bytes in the local 8-bit encoding

    friend bool operator==(const CaptionFontRecord&, const CaptionFontRecord&) = default;
};

// The record for a caption font, at the screen's vertical twips per pixel; captionOrientation
// 1 reads upwards (escapement 900), 2 downwards (2700).
CaptionFontRecord MakeCaptionFontRecord(const QFont& textFont, std::int32_t captionOrientation,
                                        double twipsPerPixelY);

// The font to draw with for a record (the escapement is the painter's rotation, not the font's).
QFont CaptionFontFromRecord(const CaptionFontRecord& record);

// False for bitmap fonts, which may not draw rotated.
bool IsOutlineFont(const QFont& font);

} // namespace controls
