#pragma once

#include <QString>

namespace tray {

// The longest tip the tray shows: its field holds 64 characters with the terminating NUL.
constexpr qsizetype MaxTipLength = 63;

// The tip as the tray shows it: up to its first NUL, at most 63 characters, never ending in
// half of a character that takes two UTF-16 units.
QString fitTrayTip(const QString& tip);

} // namespace tray
