#pragma once

#include <QObject>

#include <functional>

class QAction;
class QLineEdit;
class QShortcut;
namespace widgets {
class ListView;
class Toolbar;
} // namespace widgets

// The list's filter field at the free end of the toolbar: hidden, and taking no space, until
// Ctrl+F; Escape clears and hides it again. Its text narrows the list.
class FilterField : public QObject {
    Q_OBJECT
public:
    FilterField(widgets::Toolbar& toolbar, widgets::ListView& list, QWidget& window);

    QLineEdit* field() const { return m_field; }
    bool isShown() const;
    void show();
    void hide();

signals:
    // The field was shown, hidden or its text changed: what the list shows may have changed.
    void changed();

private:
    void place(bool shown);

    widgets::Toolbar& m_toolbar;
    widgets::ListView& m_list;
    QLineEdit* m_field = nullptr;
    QAction* m_place = nullptr;
    QAction* m_space = nullptr;
    QShortcut* m_clear = nullptr;
};
