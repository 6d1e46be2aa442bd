#pragma once

#include <QObject>

namespace tray {

class TrayIntegration;

// The tray receiver: the one object whose mouse dispatcher the tray procedure calls. It is
// replaced, never cleared, by a later registration; an object that is destroyed stops
// receiving.
void registerTrayReceiver(TrayIntegration* receiver);
TrayIntegration* trayReceiver();

// The window procedure the tray operations put in front of the window's own while its icon
// is shown: it takes the tray's mouse messages to the receiver's dispatcher and lets every
// other event (the tray message with another mouse code included) through unchanged to the
// window's own handling, which stays in place behind it.
class TrayWindowProcedure : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tray
