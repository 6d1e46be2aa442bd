#include "controls/button/CorvaneButton.h"

#include "controls/button/ButtonCaptionLayout.h"
#include "platform/host/AccessKey.h"
#include "platform/host/Colours.h"
#include "platform/host/Units.h"

#include <QFontMetrics>
#include <QIcon>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include <array>

// How the button draws itself: the whole window is painted into a retained image on every
// state change, and the paint event only shows that image.

namespace controls {
namespace {

constexpr host::Colour NoColour{0xFFFFFFFFu}; // -1: a caption pass that is skipped

QColor rgb(host::Colour colour) {
    return host::resolveColour(colour);
}

// Slant of the left and right edge for ButtonStyle 0..3, as the window shape cuts them.
constexpr int SlantLeft[] = {0, 0, 18, 18};
constexpr int SlantRight[] = {0, 18, 18, 0};

} // namespace

int CorvaneButton::slantLeft() const {
    return m_buttonStyle >= 0 && m_buttonStyle <= 3 ? SlantLeft[m_buttonStyle] : 0;
}

int CorvaneButton::slantRight() const {
    return m_buttonStyle >= 0 && m_buttonStyle <= 3 ? SlantRight[m_buttonStyle] : 0;
}

void CorvaneButton::paintEvent(QPaintEvent* event) {
    m_surface.paint(*this, event->rect(), rgb(m_palette.FaceColor));
}

void CorvaneButton::PaintButton(bool snapshot) {
    const std::int32_t savedState = m_visualState;
    const bool savedEnabled = m_enabled;
    if (snapshot) {
        m_visualState = DisabledSnapshot;
        m_enabled = false;
    }
    m_surface.resize(size());
    bool fontMadeHere = false;
    if (m_layoutDirty) {
        CreateCaptionFont(true);
        m_layoutDirty = false;
        fontMadeHere = true;
    }
    // A window without extent has nothing to draw on.
    if (!m_surface.isNull()) {
        paintBackground();
        if (m_buttonType == 3)
            paintRoundedBlueLook(snapshot);
        else if (m_buttonType == 8)
            paintRoundedGreyLook(snapshot);
        else
            paintRaisedLook(snapshot);
    }
    if (fontMadeHere)
        releaseCaptionFont();
    update();
    if (snapshot) {
        m_visualState = savedState;
        m_enabled = savedEnabled;
    }
    if (!isRunMode())
        m_visualState = Idle;
}

void CorvaneButton::paintBackground() {
    if (m_colorScheme == 5)
        paintGradient();
    else if (m_buttonType == 7 && m_colorScheme == 2 && m_visualState != Hover)
        m_surface.fill(rgb(containerBackColour())); // blends into its container until hovered
    else
        m_surface.fill(rgb(m_palette.FaceColor));
}

void CorvaneButton::paintGradient() {
    const int W = width();
    const int H = height();
    // Orientations 2 and 3 run from the right or the bottom: the colours swap ends.
    const bool reversed = m_gradientOrientation > 1;
    const bool vertical = (reversed ? m_gradientOrientation - 2 : m_gradientOrientation) == 1;
    const QColor first = rgb(reversed ? m_gradientStop : m_gradientStart);
    const QColor last = rgb(reversed ? m_gradientStart : m_gradientStop);
    // One rectangle from the first vertex at 0 to the second at the far edge (W or H), each
    // channel a 16-bit value (the 8 bits shifted up by 8): pixel i weighs the ends by its
    // distance from them, so the last pixel stops one step short of the second colour.
    const int length = vertical ? H : W;
    auto mix = [length](qint64 a, qint64 b, int i) {
        return int(((a << 8) * (length - i) + (b << 8) * i) / length >> 8);
    };
    for (int i = 0; i < length; ++i) {
        const QColor c(mix(first.red(), last.red(), i), mix(first.green(), last.green(), i),
                       mix(first.blue(), last.blue(), i));
        if (vertical)
            m_surface.fillRect(0, i, W, i + 1, c);
        else
            m_surface.fillRect(i, 0, i + 1, H, c);
    }
}

void CorvaneButton::DrawBox(int x1, int y1, int x2, int y2, host::Colour colour, bool outlineOnly) {
    const QColor c = rgb(colour);
    if (!outlineOnly) {
        m_surface.fillRect(x1, y1, x2, y2, c);
    } else if (m_buttonStyle >= 1 && m_buttonStyle <= 3) {
        const QPoint corners[] = {
            {x1, y1}, {x2 - slantRight(), y1}, {x2, y2 - 1}, {x1 + slantLeft(), y2 - 1}};
        for (int i = 0; i < 4; ++i) {
            const QPoint& a = corners[i];
            const QPoint& b = corners[(i + 1) % 4];
            m_surface.line(a.x(), a.y(), b.x(), b.y(), c);
        }
    } else {
        m_surface.frameRect(x1, y1, x2, y2, c);
    }
}

void CorvaneButton::BevelRings(host::Colour outerTopLeft, host::Colour outerBottomRight,
                               host::Colour innerTopLeft, host::Colour innerBottomRight, int inset,
                               bool outerOnly) {
    const int W = width();
    const int H = height();
    const int sl = slantLeft();
    const int sr = slantRight();
    // Each ring is one path: up the left edge and along the top in the first colour, down the
    // right edge and back along the bottom in the second; every segment leaves out its end.
    auto ring = [&](int in, int bottomY, int rightX, int endX, host::Colour topLeft,
                    host::Colour bottomRight) {
        const QColor tl = rgb(topLeft);
        const QColor br = rgb(bottomRight);
        m_surface.line(in + sl, H - 1, in, in, tl);
        m_surface.line(in, in, rightX - sr, in, tl);
        m_surface.line(rightX - sr, in, rightX, bottomY, br);
        m_surface.line(rightX, bottomY, endX, bottomY, br);
    };
    ring(inset, H - 1, W - 1, inset + sl - 1, outerTopLeft, outerBottomRight);
    if (!outerOnly) {
        // The inner ring's left edge starts on the bottom row, like the outer one.
        const QColor tl = rgb(innerTopLeft);
        const QColor br = rgb(innerBottomRight);
        const int in = inset + 1;
        m_surface.line(in + sl, H - 1, in, in, tl);
        m_surface.line(in, in, W - 2 - sr, in, tl);
        m_surface.line(W - 2 - sr, in, W - 2, H - 2, br);
        m_surface.line(W - 2, H - 2, inset + sl, H - 2, br);
    }
}

void CorvaneButton::DrawFocus() {
    if (!m_showFocus)
        return;
    int x1 = 4, y1 = 4, x2 = width() - 4, y2 = height() - 4;
    if ((m_buttonStyle >= 1 && m_buttonStyle <= 3) || m_buttonType == 4) {
        x1 = m_focusRect.left();
        y1 = m_focusRect.top();
        x2 = m_focusRect.right() + 1;
        y2 = m_focusRect.bottom() + 1;
    }
    if (x1 >= x2 || y1 >= y2)
        return;
    // A dotted frame inside the rectangle, every other pixel inverted, so drawing it twice
    // takes it away again.
    QImage& image = m_surface.image();
    auto invert = [&](int x, int y) {
        if (((x + y) & 1) == 0 && image.valid(x, y))
            image.setPixel(x, y, image.pixel(x, y) ^ 0x00FFFFFFu);
    };
    for (int x = x1; x < x2; ++x) {
        invert(x, y1);
        if (y2 - 1 != y1)
            invert(x, y2 - 1);
    }
    for (int y = y1 + 1; y < y2 - 1; ++y) {
        invert(x1, y);
        if (x2 - 1 != x1)
            invert(x2 - 1, y);
    }
}

void CorvaneButton::DrawCaption(host::Colour c3, host::Colour c2, host::Colour c1) {
    struct Pass {
        host::Colour colour;
        int offset;
    };
    std::array<Pass, 3> passes{{{c1, -1}, {c2, +1}, {c3, 0}}};
    if (m_colorScheme == 5 && !m_enabled) {
        // A disabled gradient button etches its caption in colours of its container.
        const host::Colour back = containerBackColour();
        const host::Colour mid = ShadeColor(back, -192);
        const host::Colour shadow = ShadeColor(back, +31);
        if (isSelectedOption())
            passes = {{{shadow, -1}, {mid, +1}, {ShadeColor(back, +47), 0}}};
        else
            passes = {{{mid, -1}, {shadow, +1}, {host::Colour{0}, 0}}};
    } else if (m_enabled && m_captionStyle == 1) {
        passes = {{{m_embossShadow, -1}, {m_embossMid, +1}, {c3, 0}}};
    } else if (m_enabled && m_captionStyle == 2) {
        passes = {{{m_embossMid, -1}, {m_embossShadow, +1}, {c3, 0}}};
    } else if (m_enabled && m_captionStyle == 3) {
        passes = {{{m_embossShadow, +1}, {m_embossShadow, -1}, {c3, 0}}};
    }
    const int pressed = m_visualState == Pressed && m_buttonType != 4 && !m_optionButton ? 1 : 0;

    const bool fontMadeHere = !m_captionFont.held;
    if (fontMadeHere)
        CreateCaptionFont(false);
    {
        QPainter painter(&m_surface.image());
        painter.setFont(m_captionFont.font);
        const int escapement = m_captionFont.record.escapement;
        for (const CaptionLine& line : m_captionLines) {
            for (const Pass& pass : passes) {
                if (pass.colour == NoColour)
                    continue;
                painter.setPen(rgb(pass.colour));
                const int x = line.left + pressed + pass.offset;
                const int y = line.top + pressed + pass.offset;
                painter.save();
                // Vertical lines are drawn along their box, rotated about its reading start.
                if (escapement == 900) {
                    painter.translate(x, y + line.height);
                    painter.rotate(-90);
                } else if (escapement == 2700) {
                    painter.translate(x + line.width, y);
                    painter.rotate(90);
                } else {
                    painter.translate(x, y);
                }
                const int length = escapement == 0 ? line.width : line.height;
                const int depth = escapement == 0 ? line.height : line.width;
                painter.drawText(QRect(0, 0, length + 1, depth),
                                 Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                                 line.text);
                painter.restore();
            }
        }
    }
    if (m_accessKeyPosition > 0 && !m_accessKeySegment.isNull())
        m_surface.line(m_accessKeySegment.x1() + pressed, m_accessKeySegment.y1() + pressed,
                       m_accessKeySegment.x2() + pressed, m_accessKeySegment.y2() + pressed, rgb(c3));
    if (m_hasIcon) {
        const int edge = m_iconSize * 8;
        const QRect target(m_iconPosition + QPoint(pressed, pressed), QSize(edge, edge));
        QPainter painter(&m_surface.image());
        if (m_enabled)
            painter.drawImage(target, m_icon);
        else if (!m_picIcon.isNull())
            painter.drawImage(target.topLeft(), m_picIcon);
    }
    if (fontMadeHere)
        releaseCaptionFont();
}

void CorvaneButton::drawEnabledCaption() {
    DrawCaption(m_visualState == Hover ? m_palette.HoverTextColor : m_palette.TextColor, NoColour, NoColour);
}

void CorvaneButton::drawDisabledCaption(bool snapshot, bool etched) {
    if (snapshot)
        return; // the icon preparation wants the bare face
    if (etched)
        DrawCaption(m_palette.ShadowColor, m_palette.HighlightColor, NoColour);
    else
        DrawCaption(m_palette.ShadowColor, NoColour, NoColour);
}

void CorvaneButton::LayoutCaption() {
    const QFont font =
        CaptionFontFromRecord(MakeCaptionFontRecord(m_textFont, 0, 1440.0 / host::logicalDpi()));
    const QFontMetrics metrics(font);
    CaptionLayoutInput input;
    const host::AccessKey key = host::FindAccessKey(m_caption);
    input.text = key.displayed;
    input.accessKeyPosition = key.position;
    input.width = width();
    input.height = height();
    input.buttonStyle = m_buttonStyle;
    input.alignment = m_alignment;
    input.captionOrientation = m_captionOrientation;
    input.hasIcon = m_hasIcon;
    input.iconSize = m_iconSize;
    input.iconAlignment = m_iconAlignment;
    const CaptionMeasure measure{[&metrics](const QString& text) { return metrics.horizontalAdvance(text); },
                                 metrics.height(), metrics.ascent()};
    const CaptionLayout layout = LayOutCaption(input, measure);
    m_captionLines.clear();
    for (const CaptionLayoutLine& line : layout.lines)
        m_captionLines.append(
            {line.text, line.box.left(), line.box.top(), line.box.width(), line.box.height()});
    m_captionBlock = layout.block;
    m_focusRect = layout.focusRect;
    m_iconPosition = layout.iconPosition;
    m_accessKeySegment = layout.hasUnderline ? layout.underline : QLine();
}

void CorvaneButton::PrepareIcon() {
    if (!m_hasIcon || !m_shown || m_icon.isNull() || size().isEmpty())
        return;
    const QSize natural = m_icon.size();
    const int edge = m_iconSize * 8;
    const QColor face = rgb(m_palette.FaceColor);
    m_surface.resize(size());
    m_surface.fillRect(0, 0, natural.width(), natural.height(), face);
    m_picIcon = QImage(edge, edge, QImage::Format_RGB32);
    m_picIcon.fill(face);
    // The platform's disabled rendering of the picture, drawn over the face colour.
    const QPixmap disabled = QIcon(QPixmap::fromImage(m_icon)).pixmap(natural, QIcon::Disabled);
    {
        QPainter painter(&m_surface.image());
        painter.drawPixmap(0, 0, disabled);
    }
    {
        QPainter painter(&m_picIcon);
        painter.drawImage(QRect(0, 0, edge, edge), m_surface.image(), QRect(QPoint(0, 0), natural));
    }
    PaintButton(true);
    // Where the icon shows the flat face, it takes the painted background instead.
    const QRgb faceRgb = face.rgb();
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            if (m_picIcon.pixel(x, y) != faceRgb)
                continue;
            const QColor under = m_surface.pixel(m_iconPosition.x() + x + 1, m_iconPosition.y() + y + 1);
            if (under.isValid() && under.rgb() != faceRgb)
                m_picIcon.setPixel(x, y, under.rgb());
        }
    }
}

} // namespace controls
