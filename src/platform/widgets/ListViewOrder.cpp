#include "platform/widgets/ListViewOrder.h"

#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListViewModel.h"

namespace widgets {
namespace {

// The filter also finds a named port by its number: "6001" finds "x11-1". A text that starts
// with its number ("80 (Http)") is found by its own text already.
bool numberMatches(const QString& text, qint64 number, const QString& filter) {
    if (number < 0 || (!text.isEmpty() && text[0].isDigit()))
        return false;
    return QString::number(number).contains(filter);
}

} // namespace

ListViewOrder::ListViewOrder(ListViewModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent), m_rows(rows) {
    setSourceModel(&rows);
}

void ListViewOrder::setFilterText(const QString& text) {
    if (text == m_filterText)
        return;
    m_filterText = text;
    invalidateFilter();
}

void ListViewOrder::setColumnShown(int column, bool shown) {
    if (column < 0 || column >= int(m_hidden.size()) || isColumnShown(column) == shown)
        return;
    m_hidden[std::size_t(column)] = !shown;
    invalidateColumnsFilter();
    if (!m_filterText.isEmpty())
        invalidateFilter();
}

int ListViewOrder::shownPlace(int column) const {
    if (!isColumnShown(column))
        return -1;
    int place = 0;
    for (int before = 0; before < column; ++before)
        place += isColumnShown(before) ? 1 : 0;
    return place;
}

bool ListViewOrder::filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const {
    return !sourceParent.isValid() && isColumnShown(sourceColumn);
}

bool ListViewOrder::textLess(const QString& left, qint64 leftNumber, const QString& right,
                             qint64 rightNumber) {
    if (leftNumber != rightNumber) {
        if (leftNumber >= 0 && rightNumber >= 0)
            return leftNumber < rightNumber;
        return leftNumber >= 0;
    }
    return QString::compare(left, right, Qt::CaseInsensitive) < 0;
}

bool ListViewOrder::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (m_filterText.isEmpty() || sourceParent.isValid())
        return true;
    const ListRow& row = m_rows.row(sourceRow);
    for (int column = 0; column < ListRow::ColumnCount; ++column)
        if (isColumnShown(column) && (row.texts[column].contains(m_filterText, Qt::CaseInsensitive) ||
                                      numberMatches(row.texts[column], row.numbers[column], m_filterText)))
            return true;
    return false;
}

bool ListViewOrder::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int column = left.column();
    if (column < 0 || column >= ListRow::ColumnCount)
        return false;
    const ListRow& a = m_rows.row(left.row());
    const ListRow& b = m_rows.row(right.row());
    return textLess(a.texts[column], a.numbers[column], b.texts[column], b.numbers[column]);
}

} // namespace widgets
