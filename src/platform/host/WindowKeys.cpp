#include "platform/host/WindowKeys.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

namespace host {
namespace {

const char* const RoleProperty = "tavrenWindowRole";

QAccessibleInterface* windowRoleFactory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(RoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}

// Sees the keys the focused part left unanswered on their way up to the dialog.
class DialogKeys : public QObject {
public:
    DialogKeys(QWidget* dialog, QAbstractButton* defaultButton, QAbstractButton* cancelButton)
        : QObject(dialog), m_default(defaultButton), m_cancel(cancelButton) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        QAbstractButton* pressed = nullptr;
        if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier)
            pressed = m_cancel;
        else if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier)
            pressed = m_default;
        if (!pressed || !pressed->isEnabled())
            return QObject::eventFilter(watched, event);
        pressed->click();
        return true;
    }

private:
    QPointer<QAbstractButton> m_default;
    QPointer<QAbstractButton> m_cancel;
};

} // namespace

void setWindowRole(QWidget* window, QAccessible::Role role) {
    static const bool installed = (QAccessible::installFactory(windowRoleFactory), true);
    Q_UNUSED(installed);
    window->setProperty(RoleProperty, int(role));
}

void answerDialogKeys(QWidget* dialog, QAbstractButton* defaultButton, QAbstractButton* cancelButton) {
    for (QAbstractButton* button : {defaultButton, cancelButton})
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(true); // Return on a focused button presses that button
    if (auto* push = qobject_cast<QPushButton*>(defaultButton))
        push->setDefault(true);
    dialog->installEventFilter(new DialogKeys(dialog, defaultButton, cancelButton));
}

} // namespace host
