#pragma once

#include <QString>

#include <optional>

class QObject;
class QWidget;

namespace host {

// Controls of one name on a window can form an indexed array ("Panel(0)", "Panel(2)", ...).
// Any widget can be an element, controls and the frames holding them alike, so the index is
// kept on the object itself.
void setControlArrayIndex(QObject* object, std::optional<int> index);
std::optional<int> controlArrayIndex(const QObject* object);

// The object's name as a host displays it: "Panel(2)" for an array element, the plain name
// otherwise (empty for an object without a name).
QString hostDisplayName(const QObject* object);

// The widget on the window (the window itself or any widget inside it) with the name and, when
// given, the array index; nullptr when none.
QWidget* findControl(QWidget* window, const QString& name, std::optional<int> index);

} // namespace host
