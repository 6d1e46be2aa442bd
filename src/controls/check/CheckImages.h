#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

namespace controls {

// The twelve box pictures, each 13 x 13 pixels.
enum class CheckImage {
    IdleNoValue,
    IdleChecked,
    IdleGreyed,
    MouseoverNoValue,
    MouseoverChecked,
    MouseoverGreyed,
    PushedNoValue,
    PushedChecked,
    PushedGreyed,
    DisabledNoValue,
    CheckedDisabled,
    DisabledGrey,
};

enum class CheckLook { Idle, Mouseover, Pushed, Disabled };

constexpr int CheckImageSize = 13;

// The picture for a value (0 no value, 1 checked, 2 greyed) in a look; none for other values.
std::optional<CheckImage> checkImageFor(CheckLook look, std::int32_t value);

QString checkImageName(CheckImage image);
// The picture as drawn; each control makes its own pixmaps from these.
QImage checkImagePicture(CheckImage image);

} // namespace controls
