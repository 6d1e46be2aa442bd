#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QVariantList>

#include <functional>
#include <vector>

namespace history {

class HistoryStore;

// One tab of the History window: the rows of one query over the history, read a page at a
// time as the view scrolls, so that a million rows open at once. Sorting and filtering are
// the query's own.
class HistoryPageModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Table { Connections, Programs };
    static constexpr int PageRows = 500;
    static constexpr int ScanRows = 2000;
    static constexpr int ScanBudgetMilliseconds = 100;

    HistoryPageModel(HistoryStore& store, Table table, std::function<QIcon(const QString&)> iconOf,
                     QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    void sort(int column, Qt::SortOrder order) override;

    // Shows the rows any of whose texts holds `text` (no case); all for an empty one.
    void setFilter(const QString& text);
    // Reads the rows shown again, as many as were read, after the history grew.
    void refresh();
    // A row's texts as shown; every matching row's with `all`, else those read.
    QStringList rowTexts(int row) const;
    QList<QStringList> allRowTexts();
    QStringList headers() const;

private:
    std::vector<QVariantList> query(int limit, int offset);
    QString filterCondition(QVariantList& values) const;
    QString selectedColumns() const;
    bool scansInChunks() const;
    std::vector<QVariantList> scanChunks();
    QString shown(const QVariantList& row, int column) const;

    HistoryStore& m_store;
    const Table m_table;
    std::function<QIcon(const QString&)> m_iconOf;
    std::vector<QVariantList> m_rows;
    bool m_more = true;
    // Where a chunked scan goes on: past this Closed time and row id, in the sort's direction.
    bool m_scanDone = false;
    qint64 m_scanClosed = 0;
    qint64 m_scanId = 0;
    QString m_filter;
    int m_sortColumn;
    Qt::SortOrder m_order = Qt::DescendingOrder;
};

} // namespace history
