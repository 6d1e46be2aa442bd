#pragma once

class QAccessibleInterface;
class QObject;
class QString;

namespace controls {

// Lets assistive technology read a CorvaneButton as a push button, or as a radio button while
// it acts as an option button, under its displayed caption.
QAccessibleInterface* buttonAccessibleFactory(const QString& className, QObject* object);

} // namespace controls
