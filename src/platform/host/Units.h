#pragma once

#include <QRect>

namespace host {

// Design values are in twips (1/1440 inch) and list column widths in HIMETRIC (1/100 mm);
// drawing is in pixels. At 96 dpi a pixel is 15 twips and about 26.46 HIMETRIC; other screens
// scale by their logical dpi.
double logicalDpi();
int twipsToPixels(double twips);
double pixelsToTwips(int pixels);
int himetricToPixels(double himetric);

// A design rectangle (left, top, width, height in twips) in pixels.
QRect twipsRect(double left, double top, double width, double height);

} // namespace host
