#pragma once

#include "connectionlist/ConnectionColumns.h"
#include "connectionlist/ConnectionRow.h"
#include "platform/widgets/ListRoles.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>
#include <vector>

namespace connectionlist {

// The listed connections, one ConnectionRow each, as one table model that the list and any
// other view share: columns from the one column table, sorting through SortRole (or directly,
// RowOrdering), icons from a cache by the executable's path.
class ConnectionModel : public QAbstractTableModel, public widgets::RowOrdering {
    Q_OBJECT
public:
    // The icon of a row's program; a null icon for none.
    using IconOf = std::function<QIcon(const ConnectionRow&)>;

    explicit ConnectionModel(QObject* parent = nullptr);

    // Without the base's checks through the virtual counts: a sort asks for two indexes at
    // each of its comparisons.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int compareRows(int left, int right, int column, Qt::SortOrder order) const override;
    bool cellContains(int row, int column, const QString& text) const override;

    // Nothing for a row that does not exist.
    const ConnectionRow* row(int index0) const;
    const std::vector<ConnectionRow>& rows() const { return m_rows; }
    // The first row of a live connection with this key, the one in `state` before others
    // (two rows can share a key); -1 when none has it.
    int find(const ConnectionKey& key, int state = 0) const;

    // All rows at once, in place of those there were: the views hear of it once.
    void setRows(std::vector<ConnectionRow> rows);
    // Drops the gone rows, which follow the live ones; the others stay where they are.
    void removeGoneRows();
    int goneRows() const;
    // One sample's figures for every row at once: the views hear of one change over the live
    // columns, and a sort by one of them sorts once.
    void applyTraffic(const TrafficByConnection& traffic);

    void setIconOf(IconOf iconOf) { m_iconOf = std::move(iconOf); }
    // Widths in the header roles are given in pixels: this turns a column's design width.
    void setPixelsOfWidth(std::function<int(double)> pixels) { m_pixelsOfWidth = std::move(pixels); }

private:
    // What every row sorts by in one column, worked out at a sort's first comparison: a sort
    // of 64,000 rows compares about a million times. Dropped whenever a row changes.
    void takeSortValues(int column) const;
    void dropSortValues() const { m_sortColumn = -1; }

    std::vector<ConnectionRow> m_rows;
    mutable std::vector<SortValue> m_sortValues;
    mutable int m_sortColumn = -1;
    IconOf m_iconOf;
    std::function<int(double)> m_pixelsOfWidth;
};

} // namespace connectionlist
