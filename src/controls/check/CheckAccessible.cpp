#include "controls/check/CheckAccessible.h"

#include "controls/check/Check.h"
#include "controls/check/CheckParts.h"

#include <QAccessibleWidget>
#include <QPointer>

namespace controls {
namespace {

class CheckAccessible : public QAccessibleWidget {
public:
    explicit CheckAccessible(CaptionPart* caption) : QAccessibleWidget(caption, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty())
            return QAccessibleWidget::text(t);
        QString name = caption()->text();
        return name.remove(QLatin1Char('&'));
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        if (const Check* check = owner()) {
            const std::int32_t value = check->shownValue();
            s.checked = value == 1 || value == 2;
            s.checkStateMixed = value == 2;
            s.disabled = s.disabled || !check->isCheckEnabled();
        }
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action != pressAction() && action != toggleAction())
            return QAccessibleWidget::doAction(action);
        if (Check* check = owner())
            check->clickAsKeyboardDoes();
    }

private:
    CaptionPart* caption() const { return static_cast<CaptionPart*>(widget()); }
    Check* owner() const { return qobject_cast<Check*>(widget()->parentWidget()); }
};

} // namespace

QAccessibleInterface* checkAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("controls::CaptionPart") && object && object->isWidgetType())
        return new CheckAccessible(static_cast<CaptionPart*>(object));
    return nullptr;
}

} // namespace controls
