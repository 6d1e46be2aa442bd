#include "controls/button/ButtonPlatform.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>

#include <cmath>

namespace controls {
namespace {

struct PlatformTraits {
    std::int16_t graphicsMode;
    bool gradients;
};

// Version keys "platform.major.minor" of the platforms with known needs; any other key draws
// gradients and needs no particular graphics mode.
const QHash<QString, PlatformTraits>& knownPlatforms() {
    static const QHash<QString, PlatformTraits> table{
        {QStringLiteral("1.4.0"), {0, false}}, {QStringLiteral("1.4.10"), {0, true}},
        {QStringLiteral("1.4.90"), {0, true}}, {QStringLiteral("2.3.51"), {2, false}},
        {QStringLiteral("2.4.0"), {1, false}}, {QStringLiteral("2.5.0"), {0, true}},
        {QStringLiteral("2.5.1"), {0, true}},
    };
    return table;
}

constexpr int SlantPixels = 18;

} // namespace

std::int16_t ProbePlatform(const std::optional<QString>& versionKey, std::int16_t query) {
    if (!versionKey)
        return 0;
    const auto found = knownPlatforms().constFind(*versionKey);
    const PlatformTraits traits = found == knownPlatforms().constEnd() ? PlatformTraits{0, true} : *found;
    if (query == -1 && !traits.gradients)
        return -1;
    return traits.graphicsMode;
}

QPolygon ButtonOutline(std::int32_t buttonStyle, int width, int height) {
    int slantLeft = 0;
    int slantRight = 0;
    switch (buttonStyle) {
    case 1:
        slantRight = SlantPixels;
        break;
    case 2:
        slantLeft = slantRight = SlantPixels;
        break;
    case 3:
        slantLeft = SlantPixels;
        break;
    default:
        return {};
    }
    return QPolygon(
        {QPoint(0, 0), QPoint(slantLeft, height), QPoint(width, height), QPoint(width - slantRight, 0)});
}

QRegion ButtonShape(std::int32_t buttonStyle, std::int32_t buttonType, int width, int height) {
    if (buttonStyle >= 1 && buttonStyle <= 3)
        return QRegion(ButtonOutline(buttonStyle, width, height), Qt::WindingFill);

    const int w = width;
    const int h = height;
    QRegion shape(0, 0, w, h);
    // Corner cuts as rectangles (left, top, right, bottom), right and bottom excluded.
    const auto cut = [&shape](int x1, int y1, int x2, int y2) { shape -= QRegion(x1, y1, x2 - x1, y2 - y1); };
    switch (buttonType) {
    case 1:
        cut(0, 0, 1, 1);
        cut(0, h - 1, 1, h);
        cut(w - 1, 0, w, 1);
        cut(w - 1, h - 1, w, h);
        break;
    case 3:
    case 8:
        cut(0, 0, 2, 1);
        cut(0, 1, 1, 2);
        cut(0, h - 1, 2, h);
        cut(0, h - 2, 1, h - 1);
        cut(w - 2, 0, w, 1);
        cut(w - 1, 1, w, 2);
        cut(w - 2, h - 1, w, h);
        cut(w - 1, h - 2, w, h - 1);
        break;
    case 4:
        cut(0, h - 1, 1, h);
        cut(w - 1, 0, w, 1);
        break;
    default:
        break;
    }
    return shape;
}

CaptionFontRecord MakeCaptionFontRecord(const QFont& textFont, std::int32_t captionOrientation,
                                        double twipsPerPixelY) {
    CaptionFontRecord record;
    // Bold and italic go into the record's own fields: font matching knows faces by family
    // name, and a face name with " Bold" or " Italic" appended would match no family.
    record.weight = textFont.bold() ? 700 : 0;
    record.italic = textFont.italic();
    record.underline = textFont.underline();
    record.strikeOut = textFont.strikeOut();

    // The face field holds 31 bytes and its terminating zero; cut whole characters only.
    QString face = textFont.family();
    while (face.toLocal8Bit().size() > 31)
        face.chop(1);
    record.faceName = face.toLocal8Bit();

    double points = textFont.pointSizeF();
    if (points <= 0 && textFont.pixelSize() > 0 && twipsPerPixelY > 0)
        points = textFont.pixelSize() * twipsPerPixelY / 20.0;
    if (twipsPerPixelY > 0)
        record.height = std::int32_t(std::lround(-(points * 20.0) / twipsPerPixelY));

    if (captionOrientation == 1)
        record.escapement = 900;
    else if (captionOrientation == 2)
        record.escapement = 2700;
    return record;
}

QFont CaptionFontFromRecord(const CaptionFontRecord& record) {
    QFont font(QString::fromLocal8Bit(record.faceName));
    if (record.height < 0)
        font.setPixelSize(-record.height);
    else if (record.height > 0)
        font.setPixelSize(record.height); // a cell height; near enough to the character height
    font.setWeight(record.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(record.italic);
    font.setUnderline(record.underline);
    font.setStrikeOut(record.strikeOut);
    return font;
}

bool IsOutlineFont(const QFont& font) {
    const QFontInfo info(font);
    return QFontDatabase::isSmoothlyScalable(info.family(), info.styleName());
}

} // namespace controls
