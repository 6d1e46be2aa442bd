#pragma once

#include <Qt>

namespace host {

// The codes hosts receive in mouse and key events, whatever the windowing system reports.

// One button: 1 left, 2 right, 4 middle, 0 any other.
short mouseButtonCode(Qt::MouseButton button);
// The buttons held, as the sum of their codes.
short heldButtonCodes(Qt::MouseButtons buttons);
// 1 Shift, 2 Ctrl, 4 Alt, summed.
short shiftCode(Qt::KeyboardModifiers modifiers);

} // namespace host
