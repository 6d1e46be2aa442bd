#pragma once

#include <QSortFilterProxyModel>
#include <QString>

#include <vector>

namespace widgets {

class RowOrdering;
class RowTree;

// The order and the selection of rows the list shows, over the rows of any model: sorted by
// one column when the user asks for it (ties keep the model's order), and narrowed to the rows
// that contain a filter text in any shown column, without regard to case. The model's
// SortRole gives what a column sorts by; a model that implements RowOrdering answers directly.
//
// Over a tree (a model that is a RowTree), parents sort among themselves and children within
// their parent; the filter keeps a parent that contains the text or has a child that does, with
// all its children when it contains the text itself, else with those that do.
//
// It sorts only when told (sort(), resort()): a sample that changes every row's figures is
// one re-sort, not one move per changed cell.
class ListViewOrder : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ListViewOrder(QObject* parent = nullptr);

    void setRows(QAbstractItemModel* rows);

    void setFilterText(const QString& text);
    const QString& filterText() const { return m_filterText; }
    // Columns not shown are left out of the rows the views see (assistive technology reads
    // only what is on screen) and of what the filter searches. Columns count from the rows'.
    void setColumnShown(int column, bool shown);
    bool isColumnShown(int column) const {
        return column >= 0 && (std::size_t(column) >= m_hidden.size() || !m_hidden[std::size_t(column)]);
    }
    // Where a column of the rows is among the shown ones; -1 when it is not shown.
    int shownPlace(int column) const;

    // Sorts again by the present column and order, after the rows' values moved.
    void resort();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const RowOrdering* m_ordering = nullptr;
    const RowTree* m_tree = nullptr;
    QString m_filterText;
    std::vector<bool> m_hidden; // by the rows' column; columns past its end are shown
};

} // namespace widgets
