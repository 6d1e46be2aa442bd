#include "platform/host/Colours.h"

#include <QApplication>
#include <QPalette>

namespace host {

QColor resolveColour(Colour colour) {
    const std::uint32_t v = colour.value;
    if ((v & SystemColourFlag) == 0)
        return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));

    const QPalette palette = QApplication::palette();
    switch (v & 0xFF) {
    case ScrollBarColour:
        return palette.color(QPalette::Button);
    case DesktopColour:
        return palette.color(QPalette::Dark);
    case ActiveCaption:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case InactiveCaption:
        return palette.color(QPalette::Inactive, QPalette::Highlight);
    case MenuColour:
        return palette.color(QPalette::Window);
    case WindowBackground:
        return palette.color(QPalette::Base);
    case WindowFrame:
        return palette.color(QPalette::Shadow);
    case MenuText:
        return palette.color(QPalette::WindowText);
    case WindowText:
        return palette.color(QPalette::Text);
    case CaptionText:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case ActiveBorder:
        return palette.color(QPalette::Window);
    case InactiveBorder:
        return palette.color(QPalette::Window);
    case AppWorkspace:
        return palette.color(QPalette::Mid);
    case Highlight:
        return palette.color(QPalette::Highlight);
    case HighlightText:
        return palette.color(QPalette::HighlightedText);
    case ButtonFace:
        return palette.color(QPalette::Button);
    case ButtonShadow:
        return palette.color(QPalette::Dark);
    case GrayText:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case ButtonText:
        return palette.color(QPalette::ButtonText);
    case InactiveCaptionText:
        return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case ButtonHighlight:
        return palette.color(QPalette::Light);
    case ButtonDarkShadow:
        return palette.color(QPalette::Shadow);
    case ButtonLight:
        return palette.color(QPalette::Midlight);
    case InfoText:
        return palette.color(QPalette::ToolTipText);
    case InfoBackground:
        return palette.color(QPalette::ToolTipBase);
    default:
        return palette.color(QPalette::WindowText);
    }
}

Colour ResolveColor(Colour colour) {
    if (static_cast<std::int32_t>(colour.value) < -1)
        return fromQColor(resolveColour(colour));
    return colour;
}

Colour fromQColor(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return Colour{std::uint32_t(rgb.red()) | (std::uint32_t(rgb.green()) << 8) |
                  (std::uint32_t(rgb.blue()) << 16)};
}

} // namespace host
