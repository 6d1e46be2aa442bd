#include "tray/TrayTip.h"

namespace tray {

QString fitTrayTip(const QString& tip) {
    qsizetype length = tip.indexOf(QChar(0));
    if (length < 0)
        length = tip.size();
    if (length > MaxTipLength) {
        length = MaxTipLength;
        if (tip.at(length - 1).isHighSurrogate())
            --length;
    }
    return tip.left(length);
}

} // namespace tray
