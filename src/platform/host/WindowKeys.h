#pragma once

#include <QAccessible>

class QAbstractButton;
class QWidget;

namespace host {

// What assistive technology reports a window as: windows are frames, dialogs are dialogs. A
// plain widget window would otherwise read as a filler.
void setWindowRole(QWidget* window, QAccessible::Role role);

// The keys every dialog answers: Return and Enter press `defaultButton` (a focused push button
// that takes them itself presses itself instead), Escape presses `cancelButton`.
void answerDialogKeys(QWidget* dialog, QAbstractButton* defaultButton, QAbstractButton* cancelButton);

} // namespace host
