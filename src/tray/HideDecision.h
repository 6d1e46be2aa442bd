#pragma once

#include <QString>

namespace tray {

// Where the main window goes when the user sends it to the tray. Without a system tray an
// icon would never appear and a hidden window could not be brought back, so the window is
// minimised instead and the user is told why.
enum class HideAction { HideIntoTray, Minimise };

struct HideDecision {
    HideAction action = HideAction::HideIntoTray;
    QString statusText; // what the status bar says; empty when the window goes into the tray
};

HideDecision decideHide(bool trayAvailable);

// The decision for the desktop the program runs on.
HideDecision decideHideForThisDesktop();

} // namespace tray
