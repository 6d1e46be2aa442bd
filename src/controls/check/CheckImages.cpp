#include "controls/check/CheckImages.h"

#include <array>

// Resources of a static library must be registered by hand; outside any namespace by rule.
static void registerCheckResources() {
    Q_INIT_RESOURCE(check);
}

namespace controls {
namespace {

constexpr std::array<const char*, 12> Names = {
    "IdleNoValue",      "IdleChecked",     "IdleGreyed",      "MouseoverNoValue",
    "MouseoverChecked", "MouseoverGreyed", "PushedNoValue",   "PushedChecked",
    "PushedGreyed",     "DisabledNoValue", "CheckedDisabled", "DisabledGrey",
};

} // namespace

std::optional<CheckImage> checkImageFor(CheckLook look, std::int32_t value) {
    if (value < 0 || value > 2)
        return std::nullopt;
    return CheckImage(int(look) * 3 + value);
}

QString checkImageName(CheckImage image) {
    return QString::fromLatin1(Names.at(std::size_t(image)));
}

QImage checkImagePicture(CheckImage image) {
    static const std::array<QImage, 12> pictures = [] {
        registerCheckResources();
        std::array<QImage, 12> loaded;
        for (std::size_t i = 0; i < loaded.size(); ++i)
            loaded[i] = QImage(QStringLiteral(":/check/images/%1.png").arg(QLatin1String(Names[i])));
        return loaded;
    }();
    return pictures.at(std::size_t(image));
}

} // namespace controls
