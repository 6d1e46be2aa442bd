#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace host {

// Every message box of the program goes through here, so tests can watch and answer them
// instead of blocking on a modal window.
struct MessageBoxRequest {
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton; // none: the box chooses
};

class MessageBoxService {
public:
    using Observer = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;

    // Shows the box (modal) and returns the button chosen; with an observer installed the
    // observer answers instead and nothing is shown.
    static QMessageBox::StandardButton show(const MessageBoxRequest& request);

    // Installs an observer for tests; an empty one restores real message boxes.
    static void setObserver(Observer observer);
};

} // namespace host
