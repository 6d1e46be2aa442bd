#include "tray/modTrayIcon.h"

#include "tray/TrayIntegration.h"
#include "tray/TrayMessage.h"

#include <QPointer>

namespace tray {

namespace {
QPointer<TrayIntegration>& receiverSlot() {
    static QPointer<TrayIntegration> receiver;
    return receiver;
}
} // namespace

void registerTrayReceiver(TrayIntegration* receiver) {
    receiverSlot() = receiver;
}

TrayIntegration* trayReceiver() {
    return receiverSlot().data();
}

bool TrayWindowProcedure::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == TrayMessageEvent::eventType()) {
        const auto* message = static_cast<const TrayMessageEvent*>(event);
        const auto code = message->secondParameter();
        if (message->message() == TrayCallbackMessage && code >= LeftButtonDownCode &&
            code <= MiddleButtonDoubleClickCode) {
            if (TrayIntegration* receiver = trayReceiver())
                receiver->dispatchMouseMessage(static_cast<std::uint32_t>(code));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tray
