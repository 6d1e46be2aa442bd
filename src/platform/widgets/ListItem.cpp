#include "platform/widgets/ListView.h"

// A row of the list by its position, read through the list's model.

namespace widgets {

bool ListItem::isValid() const {
    return m_view && m_view->hasRow(m_index);
}

QString ListItem::text() const {
    return isValid() ? m_view->cellText(m_index, 0) : QString();
}

// The setters write only the list's own texts: another model's rows are that model's.
bool ListItem::setText(const QString& text) {
    if (!isValid() || !m_view->showsOwnTexts())
        return false;
    m_view->m_model.setText(m_index - 1, 0, text);
    return true;
}

QString ListItem::subItem(int number) const {
    if (!isValid() || number < 1 || number > ListView::SubItemCount)
        return {};
    return m_view->cellText(m_index, number);
}

bool ListItem::setSubItem(int number, const QString& text) {
    if (!isValid() || number < 1 || number > ListView::SubItemCount || !m_view->showsOwnTexts())
        return false;
    m_view->m_model.setText(m_index - 1, number, text);
    return true;
}

QStringList ListItem::texts() const {
    if (!isValid())
        return {};
    QStringList texts;
    for (int column = 0; column <= ListView::SubItemCount; ++column)
        texts.append(m_view->cellText(m_index, column));
    return texts;
}

int ListItem::largeIcon() const {
    return isValid() && m_view->showsOwnTexts() ? m_view->m_model.row(m_index - 1).largeIcon : 0;
}

int ListItem::smallIcon() const {
    return isValid() && m_view->showsOwnTexts() ? m_view->m_model.row(m_index - 1).smallIcon : 0;
}

bool ListItem::setLargeIcon(int index) {
    if (!isValid() || index < 0 || !m_view->showsOwnTexts())
        return false;
    m_view->m_model.setIcons(m_index - 1, index, smallIcon());
    return true;
}

bool ListItem::setSmallIcon(int index) {
    if (!isValid() || index < 0 || !m_view->showsOwnTexts())
        return false;
    m_view->m_model.setIcons(m_index - 1, largeIcon(), index);
    return true;
}

RowMark ListItem::mark() const {
    if (!isValid())
        return RowMark::None;
    if (m_view->showsOwnTexts())
        return m_view->m_model.row(m_index - 1).mark;
    return RowMark(m_view->m_rows->index(m_index - 1, 0).data(MarkRole).toInt());
}

bool ListItem::setMark(RowMark mark) {
    if (!isValid() || !m_view->showsOwnTexts())
        return false;
    m_view->m_model.setMark(m_index - 1, mark);
    return true;
}

} // namespace widgets
