#include "platform/widgets/ListViewOrder.h"

#include "platform/widgets/ListRoles.h"

namespace widgets {

bool textMatches(const QString& text, qint64 number, const QString& filter) {
    if (text.contains(filter, Qt::CaseInsensitive))
        return true;
    // A text that starts with its number ("80 (Http)") was searched above already.
    if (number < 0 || (!text.isEmpty() && text[0].isDigit()))
        return false;
    return QString::number(number).contains(filter);
}

int textCompare(const QString& left, qint64 leftNumber, const QString& right, qint64 rightNumber) {
    if (leftNumber != rightNumber) {
        if (leftNumber >= 0 && rightNumber >= 0)
            return leftNumber < rightNumber ? -1 : 1;
        return leftNumber >= 0 ? -1 : 1;
    }
    // Figures sort by their numbers alone: most comparisons of a sort by a rate end here.
    if (left.isEmpty() && right.isEmpty())
        return 0;
    return QString::compare(left, right, Qt::CaseInsensitive);
}

ListViewOrder::ListViewOrder(QObject* parent) : QSortFilterProxyModel(parent) {
    setDynamicSortFilter(false);
}

void ListViewOrder::setRows(QAbstractItemModel* rows) {
    m_ordering = dynamic_cast<const RowOrdering*>(rows);
    m_tree = dynamic_cast<const RowTree*>(rows);
    setRecursiveFilteringEnabled(m_tree != nullptr);
    setAutoAcceptChildRows(m_tree != nullptr);
    setSourceModel(rows);
}

void ListViewOrder::setFilterText(const QString& text) {
    if (text == m_filterText)
        return;
    m_filterText = text;
    invalidateFilter();
    resort(); // rows let in again come back in their sorted place
}

void ListViewOrder::setColumnShown(int column, bool shown) {
    if (column < 0 || isColumnShown(column) == shown)
        return;
    if (std::size_t(column) >= m_hidden.size())
        m_hidden.resize(std::size_t(column) + 1, false);
    m_hidden[std::size_t(column)] = !shown;
    invalidateColumnsFilter();
    if (!m_filterText.isEmpty()) {
        invalidateFilter();
        resort();
    }
}

int ListViewOrder::shownPlace(int column) const {
    if (!isColumnShown(column))
        return -1;
    int place = 0;
    for (int before = 0; before < column; ++before)
        place += isColumnShown(before) ? 1 : 0;
    return place;
}

void ListViewOrder::resort() {
    if (sortColumn() >= 0)
        sort(sortColumn(), sortOrder());
}

bool ListViewOrder::filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const {
    Q_UNUSED(sourceParent);
    return isColumnShown(sourceColumn);
}

bool ListViewOrder::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (m_filterText.isEmpty())
        return true;
    const int columns = sourceModel()->columnCount();
    if (m_tree) {
        for (int column = 0; column < columns; ++column)
            if (isColumnShown(column) &&
                m_tree->itemContains(sourceModel()->index(sourceRow, column, sourceParent), column, m_filterText))
                return true;
        return false;
    }
    if (sourceParent.isValid())
        return true;
    for (int column = 0; column < columns; ++column) {
        if (!isColumnShown(column))
            continue;
        if (m_ordering ? m_ordering->cellContains(sourceRow, column, m_filterText)
                       : sourceModel()->index(sourceRow, column).data().toString().contains(m_filterText,
                                                                                           Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool ListViewOrder::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    int order = 0;
    if (m_tree) {
        order = m_tree->compareItems(left, right, left.column(), sortOrder());
    } else if (m_ordering) {
        order = m_ordering->compareRows(left.row(), right.row(), left.column(), sortOrder());
    } else {
        const QVariant a = left.data(SortRole);
        const QVariant b = right.data(SortRole);
        const bool numbers = a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong;
        order = textCompare(a.toString(), numbers ? a.toLongLong() : -1, b.toString(), numbers ? b.toLongLong() : -1);
    }
    if (order != 0)
        return order < 0;
    // Ties keep the model's order in either direction, whatever order the last sort left them
    // in: rows with equal figures do not trade places from one sample to the next. A
    // descending sort asks the other way round.
    return sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
}

} // namespace widgets
