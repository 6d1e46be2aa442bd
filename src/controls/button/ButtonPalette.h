#pragma once

#include "platform/host/PropertyValue.h"

#include <cstdint>
#include <optional>

namespace controls {

// The seven colours the button paints with, plain RGB 0x00BBGGRR.
struct ButtonPalette {
    host::Colour FaceColor;
    host::Colour LightColor;
    host::Colour HighlightColor;
    host::Colour ShadowColor;
    host::Colour DarkShadowColor;
    host::Colour TextColor;
    host::Colour HoverTextColor;
    friend bool operator==(const ButtonPalette&, const ButtonPalette&) = default;
};

// Moves red, green and blue by delta, each clamped to 0..255. With scaleBlue, blue moves by
// blue x delta / 192 instead (truncated toward zero), which keeps blue faces blue when shaded.
host::Colour ShadeColor(host::Colour colour, int delta, bool scaleBlue = false);

// What the palette is computed from: the button's colour scheme and custom colours, and the
// colours of the window it sits in.
struct PaletteSource {
    std::int32_t colorScheme = 1;
    host::Colour backColor;
    host::Colour foreColor;
    host::Colour mouseOver;
    host::Colour containerBackColor;
    host::Colour containerTextColor;
};

// The palette of a scheme, and what it writes back into the button's own properties: the
// emboss colours (schemes other than the custom ones) and, on a reset, the three custom colours.
struct PaletteResult {
    ButtonPalette palette;
    std::optional<host::Colour> embossMid;
    std::optional<host::Colour> embossShadow;
    std::optional<host::Colour> backColor;
    std::optional<host::Colour> foreColor;
    std::optional<host::Colour> mouseOver;
};

PaletteResult RebuildPalette(const PaletteSource& source, bool reset);

} // namespace controls
