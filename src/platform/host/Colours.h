#pragma once

#include "platform/host/PropertyValue.h"

#include <QColor>

namespace host {

// System colour indexes as colour references name them (high bit set, index in the low byte).
enum SystemColour : std::uint32_t {
    ScrollBarColour = 0,
    DesktopColour = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    MenuColour = 4,
    WindowBackground = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    ButtonFace = 15,
    ButtonShadow = 16,
    GrayText = 17,
    ButtonText = 18,
    InactiveCaptionText = 19,
    ButtonHighlight = 20,
    ButtonDarkShadow = 21,
    ButtonLight = 22,
    InfoText = 23,
    InfoBackground = 24,
};

constexpr std::uint32_t SystemColourFlag = 0x80000000u;
constexpr Colour systemColour(SystemColour index) {
    return Colour{SystemColourFlag | index};
}

// Resolves a colour reference to the colour to paint with: an RGB value 0x00BBGGRR as it is,
// a system colour from the application palette (unknown indexes give the window text colour).
QColor resolveColour(Colour colour);

// A colour reference made plain RGB for storing: a system colour (a value below -1 as a signed
// number) becomes its current RGB value; every other value, -1 among them, stays as it is.
Colour ResolveColor(Colour colour);

// The 0x00BBGGRR value of an RGB colour.
Colour fromQColor(const QColor& colour);

} // namespace host
