#pragma once

#include <QSortFilterProxyModel>
#include <QString>

#include <bitset>

namespace widgets {

class ListViewModel;

// The order and the selection of rows the list shows, over the rows as they were added: sorted
// by one column when the user asks for it (ties keep the order of adding), and narrowed to the
// rows that contain a filter text in any column, without regard to case; a named port is
// also found by its number.
class ListViewOrder : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ListViewOrder(ListViewModel& rows, QObject* parent = nullptr);

    void setFilterText(const QString& text);
    const QString& filterText() const { return m_filterText; }
    // Columns not shown are left out of the rows the views see (assistive technology reads
    // only what is on screen) and of what the filter searches. Columns count from the rows'.
    void setColumnShown(int column, bool shown);
    bool isColumnShown(int column) const {
        return column >= 0 && column < 32 && !m_hidden[std::size_t(column)];
    }
    // Where a column of the rows is among the shown ones; -1 when it is not shown.
    int shownPlace(int column) const;

    // The ordering of two texts of one column, each with the number it stands for (-1 for
    // none, and always in a column that is not numeric). Texts with a number come first, by
    // that number (a named port by the port it names), then the others as text; text
    // compares without regard to case.
    static bool textLess(const QString& left, qint64 leftNumber, const QString& right, qint64 rightNumber);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    ListViewModel& m_rows;
    QString m_filterText;
    std::bitset<32> m_hidden;
};

} // namespace widgets
