#include "mainwindow/Form1.h"

#include "mainwindow/MainCommands.h"

#include "platform/widgets/ListView.h"
#include "platform/widgets/Toolbar.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

// The window's keyboard path: Tab walks the list, each toolbar button and the filter field;
// on the list, Return opens the selected row as a double-click does, and Shift+F10 or the
// Menu key opens the list's menu at the selected row.

void Form1::setUpKeyboard() {
    QWidget* previous = ListView1;
    for (int index = 1; index <= Toolbar1->buttonCount(); ++index) {
        if (QWidget* button = Toolbar1->buttonWidget(index)) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
    setTabOrder(previous, TxtFilter);
    ListView1->installEventFilter(this);
    // The list is where a user starts.
    ListView1->setFocus();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ListView1 || m_ended)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ContextMenu)
        // The Menu key's own notification; the key itself already opened the menu below.
        return static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        ListView1_DblClick();
        return true;
    }
    if ((key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
        (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        m_commands->openListMenuAtSelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
