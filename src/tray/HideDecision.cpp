#include "tray/HideDecision.h"

#include <QSystemTrayIcon>

namespace tray {

HideDecision decideHide(bool trayAvailable) {
    if (trayAvailable)
        return {HideAction::HideIntoTray, {}};
    return {HideAction::Minimise, QStringLiteral("No system tray on this desktop: window minimised instead")};
}

HideDecision decideHideForThisDesktop() {
    return decideHide(QSystemTrayIcon::isSystemTrayAvailable());
}

} // namespace tray
