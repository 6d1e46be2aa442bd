#include "platform/host/MessageBoxService.h"

#include <QPointer>

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
    // On the heap: the box's parent may be deleted while the box waits for an answer, and a
    // box on the stack would then be deleted twice.
    QPointer<QMessageBox> box =
        new QMessageBox(request.icon, request.title, request.text, request.buttons, request.parent);
    const int answer = box->exec();
    if (!box)
        return QMessageBox::NoButton;
    delete box.data();
    return static_cast<QMessageBox::StandardButton>(answer);
}

void MessageBoxService::setObserver(Observer newObserver) {
    observer() = std::move(newObserver);
}

} // namespace host
