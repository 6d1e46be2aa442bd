#pragma once

#include <QCursor>
#include <QImage>

#include <cstdint>
#include <optional>

namespace host {

// Pointer shape codes of control windows.
enum MousePointerCode : std::int16_t {
    DefaultPointer = 0,
    ArrowPointer = 1,
    CrossPointer = 2,
    IBeamPointer = 3,
    IconPointer = 4,
    SizePointer = 5,
    SizeNESWPointer = 6,
    SizeNSPointer = 7,
    SizeNWSEPointer = 8,
    SizeWEPointer = 9,
    UpArrowPointer = 10,
    HourglassPointer = 11,
    NoDropPointer = 12,
    ArrowHourglassPointer = 13,
    ArrowQuestionPointer = 14,
    SizeAllPointer = 15,
    CustomPointer = 99,
};

// The cursor a window shows for a pointer code; nothing for the default pointer, for an
// unknown code and for the custom pointer without an icon (the window then shows its parent's).
std::optional<QCursor> cursorForPointer(std::int16_t code, const QImage& mouseIcon);

} // namespace host
