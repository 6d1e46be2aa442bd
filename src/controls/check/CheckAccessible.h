#pragma once

class QAccessibleInterface;
class QObject;
class QString;

namespace controls {

// What assistive technology reads from the check box's focusable caption: a check box whose
// checked state is the control's value (1 checked, 2 checked and mixed, as its greyed picture
// shows), and whose press or toggle clicks the control as Space does.
QAccessibleInterface* checkAccessibleFactory(const QString& className, QObject* object);

} // namespace controls
