#include "platform/host/MessageBoxService.h"

namespace host {
namespace {
MessageBoxService::Observer& observer() {
    static MessageBoxService::Observer instance;
    return instance;
}
} // namespace

QMessageBox::StandardButton MessageBoxService::show(const MessageBoxRequest& request) {
    if (observer())
        return observer()(request);
    QMessageBox box(request.icon, request.title, request.text, request.buttons, request.parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBoxService::setObserver(Observer newObserver) {
    observer() = std::move(newObserver);
}

} // namespace host
