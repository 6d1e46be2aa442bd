#pragma once

#include <QSortFilterProxyModel>
#include <QString>

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

    // The ordering of two texts of one column, each with the number it stands for (-1 for
    // none, and always in a column that is not numeric). Texts with a number come first, by
    // that number (a named port by the port it names), then the others as text; text
    // compares without regard to case.
    static bool textLess(const QString& left, qint64 leftNumber, const QString& right, qint64 rightNumber);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    ListViewModel& m_rows;
    QString m_filterText;
};

} // namespace widgets
