#pragma once

#include <QRect>
#include <QSize>

class QApplication;

namespace host {

// The size a window of size `wanted` takes in `available`: unchanged when it fits, else both
// sides scaled by one factor so that it fits and keeps its proportions, except that no side
// goes below `minimum` (a side held there keeps it, and only the other shrinks).
QSize fittedSize(QSize wanted, QSize available, QSize minimum);

// `frame` moved as little as it must to lie within `available`. Where it is larger, its
// top left stays inside, so that the title bar and its buttons can be reached.
QRect placedWithin(QRect frame, QRect available);

// From now on every window and dialog, when first shown, opens no larger than the available
// area of its screen (keeping its proportions where it can) and wholly on it, frame and title
// bar included; a dialog without a position of its own opens centred over its parent window.
void fitWindowsToScreen(QApplication& application);

} // namespace host
