#include "platform/host/MessageBoxService.h"

#include <QLabel>
#include <QPointer>

namespace host {
namespace {
MessageBoxService::Observer& observer() {
    static MessageBoxService::Observer instance;
    return instance;
}

// What the box's picture says, for assistive technology, which cannot see it.
QString iconName(QMessageBox::Icon icon) {
    switch (icon) {
    case QMessageBox::Information:
        return QStringLiteral("Information");
    case QMessageBox::Warning:
        return QStringLiteral("Warning");
    case QMessageBox::Critical:
        return QStringLiteral("Error");
    case QMessageBox::Question:
        return QStringLiteral("Question");
    default:
        return {};
    }
}
} // namespace

QMessageBox::StandardButton MessageBoxService::show(const MessageBoxRequest& request) {
    if (observer())
        return observer()(request);
    // On the heap: the box's parent may be deleted while the box waits for an answer, and a
    // box on the stack would then be deleted twice.
    QPointer<QMessageBox> box =
        new QMessageBox(request.icon, request.title, request.text, request.buttons, request.parent);
    if (auto* picture = box->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        picture->setAccessibleName(iconName(request.icon));
    if (request.defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(request.defaultButton);
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
