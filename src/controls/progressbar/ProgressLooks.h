#pragma once

#include <QImage>
#include <QString>

#include <array>

namespace controls {

// The progress bar's design pictures: the frame, the blank used to erase, and per look three
// tiles (0 palest, 1 medium, 2 full colour). Loaded once and shared by every instance.
namespace ProgressLooks {

constexpr int LookCount = 8;
using Tiles = std::array<QImage, 3>;

const QImage& frame();
const QImage& blank();
// The tiles of look `index` (0..7, the look table's order), or nullptr for any other index.
const Tiles* look(int index);
// The picture set's name for look `index` ("master", "blue", ...), empty outside 0..7.
QString lookName(int index);

} // namespace ProgressLooks
} // namespace controls
