#include "controls/button/CorvaneButton.h"

#include "platform/host/Colours.h"

#include <cmath>

// The painters of the eight looks, one column per state: normal (idle, focused, hovered; enabled
// or disabled), pressed, and selected (an option button whose Value is True).

namespace controls {
namespace {

constexpr host::Colour NoColour{0xFFFFFFFFu};

// The rounded blue look's fixed frame and ring colours.
constexpr host::Colour BlueFrame{0x00733C00};
constexpr host::Colour BlueCorner{0x007B4D10};
constexpr host::Colour HoverRing{0x0031B2FF};
constexpr host::Colour HoverSides{0x006BCBFF};
constexpr host::Colour HoverBottom{0x000096E7};
constexpr host::Colour HoverTop{0x00CEF3FF};
constexpr host::Colour FocusRing{0x00E7AE8C};
constexpr host::Colour FocusTop{0x00FFE7CE};
constexpr host::Colour FocusSides{0x00F0D1B5};
constexpr host::Colour FocusBottom{0x00EF826B};

host::Colour shade(host::Colour colour, int delta) {
    return ShadeColor(colour, delta, false);
}

host::Colour blueShade(host::Colour colour, int delta) {
    return ShadeColor(colour, delta, true);
}

// Swaps the state for its complement while a selected option button is painted.
class ComplementedState {
public:
    ComplementedState(std::int32_t& state, bool selected) : m_state(state), m_active(selected) {
        if (m_active)
            m_state = ~m_state;
    }
    ~ComplementedState() {
        if (m_active)
            m_state = ~m_state;
    }
    ComplementedState(const ComplementedState&) = delete;
    ComplementedState& operator=(const ComplementedState&) = delete;

private:
    std::int32_t& m_state;
    bool m_active;
};

} // namespace

void CorvaneButton::paintRaisedLook(bool snapshot) {
    const int W = width();
    const int H = height();
    const ButtonPalette& p = m_palette;
    const host::Colour Hi = p.HighlightColor, Sh = p.ShadowColor, Dk = p.DarkShadowColor, Lt = p.LightColor;
    const ComplementedState complement(m_visualState, isSelectedOption());
    const bool selected = m_visualState < 0;
    const std::int32_t state = selected ? ~m_visualState : m_visualState;
    const bool pressed = !selected && state == Pressed;
    const bool focused = state == Focused;
    const bool hovered = state == Hover;
    const int type = m_buttonType;

    // Captions by column; a disabled button always shows its disabled caption.
    const bool etched = type == 1 || type == 6 || type == 7 || type == 8 || (type == 2 && !m_optionButton);
    auto caption = [&](bool hoverColour) {
        if (!m_enabled)
            drawDisabledCaption(snapshot, etched);
        else
            DrawCaption(hoverColour ? p.HoverTextColor : p.TextColor, NoColour, NoColour);
    };

    if (selected) {
        switch (type) {
        case 1:
            DrawBox(0, 0, W, H, Lt, false);
            BevelRings(Sh, Hi, Sh, Hi, 0, false);
            caption(hovered);
            if (focused || state == Pressed)
                DrawFocus();
            break;
        case 2:
            DrawBox(0, 0, W, H, Lt, false);
            BevelRings(Dk, Hi, Sh, Lt, 0, false);
            if (focused || state == Pressed)
                DrawFocus();
            caption(hovered);
            break;
        case 4:
            DrawBox(0, 0, W, H, shade(Lt, +2), false);
            BevelRings(Sh, Hi, NoColour, NoColour, 0, true);
            caption(hovered);
            if (focused)
                DrawFocus();
            break;
        case 5:
            DrawBox(0, 0, W, H, Lt, false);
            BevelRings(Sh, shade(Lt, +8), Sh, shade(Lt, +8), 0, false);
            caption(hovered);
            if (focused)
                DrawFocus();
            break;
        default: // 6 and 7
            DrawBox(0, 0, W, H, Lt, false);
            BevelRings(Sh, Hi, NoColour, NoColour, 0, true);
            caption(hovered);
            if (focused)
                DrawFocus();
            break;
        }
        return;
    }

    if (pressed) {
        switch (type) {
        case 1:
            BevelRings(Sh, Hi, Sh, Hi, 1, false);
            DrawBox(0, 0, W, H, Dk, true);
            DrawFocus();
            caption(false);
            break;
        case 2:
            DrawBox(0, 0, W, H, Dk, true);
            DrawBox(1, 1, W - 1, H - 1, Sh, true);
            DrawFocus();
            caption(false);
            break;
        case 4:
            DrawBox(1, 1, W - 2, H - 2, shade(Sh, +16), false);
            caption(false);
            DrawFocus();
            DrawBox(0, 0, W - 1, H - 1, shade(Sh, -26), true);
            break;
        case 5:
            DrawBox(0, 0, W - 1, H - 1, shade(Sh, -26), false);
            caption(false);
            DrawFocus();
            BevelRings(Sh, shade(Lt, +8), Sh, shade(Lt, +8), 0, false);
            break;
        default: // 6 and 7
            caption(false);
            DrawFocus();
            BevelRings(Sh, Hi, NoColour, NoColour, 0, true);
            break;
        }
        return;
    }

    switch (type) {
    case 1:
        BevelRings(Hi, Sh, Hi, Sh, 1, false);
        DrawBox(0, 0, W, H, Dk, true);
        caption(hovered);
        if (m_enabled && focused)
            DrawFocus();
        break;
    case 2:
        BevelRings(Hi, Dk, Lt, Sh, 1, false);
        if (m_enabled && focused) {
            DrawBox(0, 0, W, H, Dk, true);
            DrawFocus();
        }
        caption(hovered);
        break;
    case 4:
        if (m_enabled || m_optionButton) {
            DrawBox(1, 1, W - 1, H - 1, shade(p.FaceColor, +12), false);
            DrawBox(1, 1, W - 1, H - 1, Hi, true);
            DrawBox(0, 0, W - 1, H - 1, shade(Sh, -26), true);
            if (m_buttonStyle >= 1 && m_buttonStyle <= 3) {
                m_surface.setPixel(1, H - 2, host::resolveColour(Hi));
                m_surface.setPixel(W - 2, 1, host::resolveColour(Hi));
            }
        } else {
            DrawBox(0, 0, W, H, Sh, true);
        }
        if (m_enabled && focused)
            DrawFocus();
        caption(hovered);
        break;
    case 5:
        caption(hovered);
        BevelRings(shade(Lt, +8), Sh, shade(Lt, +8), Sh, 0, false);
        if (m_enabled && focused)
            DrawFocus();
        break;
    case 7:
        caption(hovered);
        if (!m_enabled)
            DrawBox(0, 0, W, H, Sh, true);
        else if (m_hoverFlag || hovered)
            BevelRings(Hi, Sh, NoColour, NoColour, 0, true);
        if (m_enabled && focused)
            DrawFocus();
        break;
    default: // 6
        caption(hovered);
        BevelRings(Hi, Sh, NoColour, NoColour, 0, true);
        if (m_enabled && focused)
            DrawFocus();
        break;
    }
}

void CorvaneButton::paintRoundedBlueLook(bool snapshot) {
    const int W = width();
    const int H = height();
    const ComplementedState complement(m_visualState, isSelectedOption());
    const bool selected = m_visualState < 0;
    const std::int32_t state = selected ? ~m_visualState : m_visualState;
    const bool segmented = m_buttonStyle >= 1 && m_buttonStyle <= 3;
    const host::Colour face = m_palette.FaceColor;
    auto row = [&](int y, host::Colour colour) { m_surface.line(0, y, W, y, host::resolveColour(colour)); };

    if (!m_enabled) {
        const host::Colour base = blueShade(face, +48);
        DrawBox(0, 0, W, H, blueShade(base, -24), false);
        DrawBox(0, 0, W, H, blueShade(base, -84), true);
        if (!segmented)
            for (const QPoint& corner :
                 {QPoint(1, 1), QPoint(1, H - 2), QPoint(W - 2, 1), QPoint(W - 2, H - 2)})
                m_surface.setPixel(corner.x(), corner.y(), host::resolveColour(blueShade(base, -72)));
        if (!snapshot)
            DrawCaption(blueShade(base, -104), NoColour, NoColour);
        return;
    }

    const bool pressed = !selected && state == Pressed;
    host::Colour base = blueShade(face, +48);
    if (pressed)
        base = blueShade(blueShade(face, +48), -32);
    else if (selected)
        base = blueShade(blueShade(face, -22), +32);

    // The face darkens by 25 steps from the top row to the bottom one.
    for (int y = 1; y <= H; ++y)
        row(y, blueShade(base, -int(std::lround(25.0 * y / H))));

    // Edge shading inside the frame: raised when idle, sunken when pressed or selected.
    auto hline = [&](int y, host::Colour colour) {
        m_surface.line(1, y, W - 1, y, host::resolveColour(colour));
    };
    auto vline = [&](int x, host::Colour colour) {
        m_surface.line(x, 1, x, H - 1, host::resolveColour(colour));
    };
    if (pressed || selected) {
        hline(1, blueShade(base, -32));
        hline(2, blueShade(base, -24));
        vline(1, blueShade(base, -32));
        vline(2, blueShade(base, -22));
        vline(W - 2, blueShade(base, +5));
        hline(H - 3, blueShade(base, +10));
        hline(H - 2, blueShade(base, +16));
    } else {
        hline(1, blueShade(base, +16));
        hline(2, blueShade(base, +10));
        vline(1, blueShade(base, -5));
        vline(2, blueShade(base, -10));
        vline(W - 3, blueShade(base, -24));
        vline(W - 2, blueShade(base, -36));
        hline(H - 3, blueShade(base, -32));
        hline(H - 2, blueShade(base, -48));
    }

    DrawBox(0, 0, W, H, BlueFrame, true);
    const bool hovered = state == Hover;
    const bool focused = state == Focused;
    if (!segmented) {
        for (const QPoint& corner : {QPoint(1, 1), QPoint(1, H - 2), QPoint(W - 2, 1), QPoint(W - 2, H - 2)})
            m_surface.setPixel(corner.x(), corner.y(), host::resolveColour(BlueCorner));
        if (hovered) {
            DrawBox(2, 2, W - 2, H - 2, HoverRing, true);
            m_surface.line(1, 2, 1, H - 2, host::resolveColour(HoverSides));
            m_surface.line(W - 2, 2, W - 2, H - 2, host::resolveColour(HoverSides));
            m_surface.line(2, H - 2, W - 2, H - 2, host::resolveColour(HoverBottom));
            m_surface.line(2, 1, W - 2, 1, host::resolveColour(HoverTop));
        } else if (focused) {
            DrawBox(1, 2, W - 2, H - 2, FocusRing, true);
            m_surface.line(4, 3, W - 4, 3, host::resolveColour(FocusTop));
            m_surface.line(3, 3, 3, H - 4, host::resolveColour(FocusSides));
            m_surface.line(W - 4, 3, W - 4, H - 4, host::resolveColour(FocusSides));
            m_surface.line(3, H - 4, W - 3, H - 4, host::resolveColour(FocusBottom));
        }
    } else if (hovered) {
        DrawBox(1, 1, W - 1, H - 1, HoverSides, true);
        DrawBox(2, 2, W - 2, H - 2, HoverRing, true);
    } else if (focused) {
        DrawBox(1, 1, W - 1, H - 1, FocusRing, true);
    }
    DrawCaption(hovered ? m_palette.HoverTextColor : m_palette.TextColor, NoColour, NoColour);
}

void CorvaneButton::paintRoundedGreyLook(bool snapshot) {
    const int W = width();
    const int H = height();
    const ButtonPalette& p = m_palette;
    const host::Colour Sh = p.ShadowColor, Dk = p.DarkShadowColor;
    // A selected option button shows, and keeps, the pressed state.
    if (isSelectedOption())
        m_visualState = Pressed;
    if (m_visualState < Idle || m_visualState > Hover)
        return;
    const bool segmented = m_buttonStyle >= 1 && m_buttonStyle <= 3;
    auto pixel = [&](int x, int y, host::Colour colour) {
        m_surface.setPixel(x, y, host::resolveColour(colour));
    };
    auto line = [&](int x1, int y1, int x2, int y2, host::Colour colour) {
        m_surface.line(x1, y1, x2, y2, host::resolveColour(colour));
    };
    const QPoint corners[] = {{1, 1}, {1, H - 2}, {W - 2, 1}, {W - 2, H - 2}};

    // A disabled option button that is selected keeps the pressed look too; only its caption
    // takes the disabled colours.
    if (m_visualState == Pressed) {
        if (!segmented) {
            for (const QPoint& corner : corners)
                pixel(corner.x(), corner.y(), Dk);
            pixel(2, 2, shade(Sh, -64));
            pixel(3, 3, shade(Sh, -32));
            DrawBox(1, 1, W - 2, H - 2, shade(Sh, -64), true);
            DrawBox(2, 2, W - 4, H - 4, shade(Sh, -32), true);
        }
        // The light edge along the bottom and the right, inside the rounded corners.
        line(2, H - 2, W - 2, H - 2, shade(Sh, -16));
        line(W - 2, 2, W - 2, H - 2, shade(Sh, -16));
        DrawFocus();
        DrawBox(1, 1, W - 2, H - 2, shade(Sh, -16), false);
        DrawBox(0, 0, W, H, Dk, true);
        if (m_enabled)
            DrawCaption(p.TextColor, NoColour, NoColour);
        else
            drawDisabledCaption(snapshot, true);
        return;
    }

    if (m_enabled)
        DrawBox(1, 1, W - 1, H - 1, p.LightColor, false);
    else
        DrawBox(1, 1, W - 2, H - 2, p.LightColor, false);
    DrawBox(0, 0, W, H, Dk, true);
    if (!segmented) {
        for (const QPoint& corner : corners)
            pixel(corner.x(), corner.y(), Dk);
        if (m_enabled) {
            pixel(1, 2, p.FaceColor);
            pixel(2, 1, p.FaceColor);
            pixel(3, 3, p.HighlightColor);
        }
        pixel(W - 4, H - 4, p.FaceColor);
        pixel(W - 3, H - 3, Sh);
        pixel(2, H - 2, p.FaceColor);
        pixel(2, H - 3, p.LightColor);
        pixel(W - 2, 2, p.FaceColor);
        pixel(W - 3, 2, p.LightColor);
        line(3, 2, W - 3, 2, p.HighlightColor);
        line(2, 2, 2, H - 3, p.HighlightColor);
        line(W - 3, 1, W - 3, H - 3, p.FaceColor);
        line(1, H - 3, W - 3, H - 3, p.FaceColor);
        line(W - 2, 3, W - 2, H - 2, Sh);
        line(3, H - 2, W - 2, H - 2, Sh);
    }
    if (m_enabled) {
        DrawCaption(m_visualState == Hover ? p.HoverTextColor : p.TextColor, NoColour, NoColour);
        if (m_visualState == Focused)
            DrawFocus();
    } else {
        drawDisabledCaption(snapshot, true);
    }
}

} // namespace controls
