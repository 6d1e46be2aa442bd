#include "platform/host/Units.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace host {

double logicalDpi() {
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInch();
        if (dpi > 0)
            return dpi;
    }
    return 96.0;
}

int twipsToPixels(double twips) {
    return int(std::lround(twips * logicalDpi() / 1440.0));
}

double pixelsToTwips(int pixels) {
    return pixels * 1440.0 / logicalDpi();
}

int himetricToPixels(double himetric) {
    return int(std::lround(himetric * logicalDpi() / 2540.0));
}

QRect twipsRect(double left, double top, double width, double height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace host
