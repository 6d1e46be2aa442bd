#pragma once

#include <QSortFilterProxyModel>
#include <QString>

namespace widgets {

class ListViewModel;

// The order and the selection of rows the list shows, over the rows as they were added: sorted
// by one column when the user asks for it (ties keep the order of adding), and narrowed to the
// rows that contain a filter text in any column, without regard to case.
class ListViewOrder : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ListViewOrder(ListViewModel& rows, QObject* parent = nullptr);

    void setFilterText(const QString& text);
    const QString& filterText() const { return m_filterText; }

    // The ordering of two texts of one column. Numeric columns put texts that start with a
    // number first, by that number, then the others (service names) as text; text compares
    // without regard to case.
    static bool textLess(const QString& left, const QString& right, bool numeric);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    ListViewModel& m_rows;
    QString m_filterText;
};

} // namespace widgets
