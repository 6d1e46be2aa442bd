#include "mainwindow/FilterField.h"

#include "platform/widgets/ListView.h"
#include "platform/widgets/Toolbar.h"

#include <QLayout>
#include <QLineEdit>
#include <QShortcut>

namespace {

constexpr int FilterWidth = 200; // pixels

} // namespace

FilterField::FilterField(widgets::Toolbar& toolbar, widgets::ListView& list, QWidget& window)
    : QObject(&window), m_toolbar(toolbar), m_list(list) {
    // At the free end of the toolbar, so that showing it moves nothing else in the window.
    auto* space = new QWidget(&toolbar);
    space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_space = toolbar.addWidget(space);
    m_field = new QLineEdit(&toolbar);
    m_field->setObjectName(QStringLiteral("TxtFilter"));
    m_field->setPlaceholderText(QStringLiteral("Filter"));
    m_field->setClearButtonEnabled(true);
    m_field->setFixedWidth(FilterWidth);
    m_field->setAccessibleName(QStringLiteral("Filter"));
    m_field->setAccessibleDescription(QStringLiteral("Shows only the connections that contain this text"));
    m_place = toolbar.addWidget(m_field);
    m_space->setVisible(false);
    m_place->setVisible(false);
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_list.setFilterText(text);
        emit changed();
    });

    auto* find = new QShortcut(QKeySequence::Find, &window);
    connect(find, &QShortcut::activated, this, &FilterField::show);
    m_clear = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    m_clear->setEnabled(false);
    connect(m_clear, &QShortcut::activated, this, &FilterField::hide);
}

void FilterField::place(bool shown) {
    m_space->setVisible(shown);
    m_place->setVisible(shown);
    // The toolbar shows or hides the field only when it next lays out; the keyboard can go
    // only to a field that is visible already.
    m_toolbar.layout()->activate();
    m_clear->setEnabled(shown);
}

bool FilterField::isShown() const {
    return m_place->isVisible();
}

void FilterField::show() {
    place(true);
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    emit changed();
}

void FilterField::hide() {
    place(false);
    m_field->clear();
    emit changed();
    m_list.setFocus(Qt::ShortcutFocusReason);
}
