#include "controls/button/ButtonAccessible.h"

#include "controls/button/CorvaneButton.h"

#include <QAccessibleWidget>

namespace controls {
namespace {

class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(CorvaneButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::Role role() const override {
        return button()->optionButton() ? QAccessible::RadioButton : QAccessible::Button;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->optionButton()) {
            s.checkable = true;
            s.checked = button()->value();
        }
        if (!button()->isButtonEnabled())
            s.disabled = true;
        return s;
    }

private:
    CorvaneButton* button() const { return static_cast<CorvaneButton*>(widget()); }
};

} // namespace

QAccessibleInterface* buttonAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("controls::CorvaneButton") && object && object->isWidgetType())
        return new ButtonAccessible(static_cast<CorvaneButton*>(object));
    return nullptr;
}

} // namespace controls
