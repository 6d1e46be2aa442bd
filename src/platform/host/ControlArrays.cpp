#include "platform/host/ControlArrays.h"

#include <QVariant>
#include <QWidget>

namespace host {
namespace {
const char IndexProperty[] = "tavrenControlArrayIndex";
}

void setControlArrayIndex(QObject* object, std::optional<int> index) {
    if (!object)
        return;
    object->setProperty(IndexProperty, index ? QVariant(*index) : QVariant());
}

std::optional<int> controlArrayIndex(const QObject* object) {
    if (!object)
        return std::nullopt;
    const QVariant value = object->property(IndexProperty);
    if (!value.isValid())
        return std::nullopt;
    return value.toInt();
}

QString hostDisplayName(const QObject* object) {
    if (!object)
        return {};
    const QString name = object->objectName();
    if (name.isEmpty())
        return name;
    if (const auto index = controlArrayIndex(object))
        return QStringLiteral("%1(%2)").arg(name).arg(*index);
    return name;
}

QWidget* findControl(QWidget* window, const QString& name, std::optional<int> index) {
    if (!window || name.isEmpty())
        return nullptr;
    const auto matches = [&](const QWidget* w) {
        return w->objectName() == name && controlArrayIndex(w) == index;
    };
    if (matches(window))
        return window;
    const auto children = window->findChildren<QWidget*>(name);
    for (QWidget* child : children)
        if (matches(child))
            return child;
    return nullptr;
}

} // namespace host
