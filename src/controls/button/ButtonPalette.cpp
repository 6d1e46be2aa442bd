#include "controls/button/ButtonPalette.h"

#include "platform/host/Colours.h"

#include <algorithm>

namespace controls {
namespace {

host::Colour system(host::SystemColour index) {
    return host::ResolveColor(host::systemColour(index));
}

host::Colour shade(host::Colour colour, int delta) {
    return ShadeColor(colour, delta, false);
}

// The shaded ring colours of a face; the schemes that take their face from a colour share them.
ButtonPalette shadedFrom(host::Colour face, host::Colour text, host::Colour hoverText) {
    return ButtonPalette{face, shade(face, 31), shade(face, 47), shade(face, -64), shade(face, -192),
                         text, hoverText};
}

constexpr host::Colour FixedMid{0x00C0C0C0};
constexpr host::Colour FixedShadow{0x00FFFFFF};

} // namespace

host::Colour ShadeColor(host::Colour colour, int delta, bool scaleBlue) {
    const int red = int(colour.value & 0xFF);
    const int green = int((colour.value >> 8) & 0xFF);
    const int blue = int((colour.value >> 16) & 0xFF);
    const auto clamp = [](int channel) { return std::uint32_t(std::clamp(channel, 0, 255)); };
    const int newBlue = scaleBlue ? blue + (blue * delta) / 192 : blue + delta;
    return host::Colour{clamp(red + delta) | (clamp(green + delta) << 8) | (clamp(newBlue) << 16)};
}

PaletteResult RebuildPalette(const PaletteSource& source, bool reset) {
    PaletteResult result;
    switch (source.colorScheme) {
    case 2:
    case 5: {
        // Stored colours are plain RGB, but a store written elsewhere may still hold a reference.
        const host::Colour face = host::ResolveColor(source.backColor);
        result.palette =
            shadedFrom(face, host::ResolveColor(source.foreColor), host::ResolveColor(source.mouseOver));
        return result;
    }
    case 3:
        result.palette =
            ButtonPalette{host::Colour{0x00C0C0C0}, host::Colour{0x00DFDFDF}, host::Colour{0x00FFFFFF},
                          host::Colour{0x00808080}, host::Colour{0},          host::Colour{0},
                          host::Colour{0}};
        break;
    case 4:
        result.palette =
            shadedFrom(source.containerBackColor, source.containerTextColor, source.containerTextColor);
        break;
    default:
        result.palette = ButtonPalette{system(host::ButtonFace),       system(host::ButtonLight),
                                       system(host::ButtonHighlight),  system(host::ButtonShadow),
                                       system(host::ButtonDarkShadow), system(host::ButtonText),
                                       system(host::ButtonText)};
        break;
    }
    result.embossMid = FixedMid;
    result.embossShadow = FixedShadow;
    if (reset) {
        result.backColor = result.palette.FaceColor;
        result.foreColor = result.palette.TextColor;
        result.mouseOver = result.palette.HoverTextColor;
    }
    return result;
}

} // namespace controls
