#pragma once

#include "platform/widgets/ListRoles.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace widgets {

class ImageList;

// One row of a list of texts: its text and sub-items (column 0 is the text), one per column,
// and its icon indexes.
struct ListRow {
    QList<QString> texts;
    int largeIcon = 0; // 1-based into the large-icon list, 0 for none
    int smallIcon = 0; // 1-based into the small-icon list, 0 for none
    RowMark mark = RowMark::None;
    // Of a numeric column, the number its text stands for, -1 for none; kept by the model.
    QList<qint64> numbers;
};

// The number a name stands for in a numeric column ("x11-1" is port 6001); nothing when unknown.
using NumberOfName = std::function<std::optional<qint64>(const QString& name)>;

struct ListColumn {
    QString header;
    int width = 100; // pixels
    Qt::Alignment alignment = Qt::AlignLeft;
    // Sorted by the number the text starts with (ports) rather than as text.
    bool numeric = false;
    // Waits in the header's menu until the user shows it.
    bool shownAtStart = true;
};

// Flat rows in a plain array, so rebuilding thousands of rows costs little. While a batch is
// open, appended rows are stored but not yet published to the views: the views keep seeing a
// consistent model even when the owner yields to the event loop in the middle of a rebuild.
class ListViewModel : public QAbstractTableModel, public RowOrdering {
    Q_OBJECT
public:
    explicit ListViewModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int compareRows(int left, int right, int column, Qt::SortOrder order) const override;
    bool cellContains(int row, int column, const QString& text) const override;

    void addColumn(const ListColumn& column);
    const QList<ListColumn>& columns() const { return m_columns; }

    // Every stored row, published or not.
    int storedRows() const { return int(m_rows.size()); }
    const ListRow& row(int index0) const { return m_rows[index0]; }
    void appendRow(const QString& text);
    // All rows at once in place of the ones there were: the views are told once, however many.
    void replaceRows(QList<ListRow> rows);
    void setNumberOfName(NumberOfName numberOfName) { m_numberOfName = std::move(numberOfName); }
    void setText(int index0, int column, const QString& text);
    void setIcons(int index0, int largeIcon, int smallIcon);
    void setMark(int index0, RowMark mark);
    void removeAll();


    void setSmallIcons(ImageList* list) { m_smallIcons = list; }

    void beginBatch() { ++m_batch; }
    void endBatch();

private:
    bool isPublished(int index0) const { return index0 < m_published; }
    void rowChanged(int index0, int column, const QList<int>& roles = {});
    // What a numeric column's text stands for: the number it starts with ("443 (Https)" is
    // 443), else the number of the name it is.
    qint64 numberOf(const QString& text) const;
    void keepNumbers(ListRow& row, int column) const;
    // Every column has its text and number.
    void fitColumns(ListRow& row) const;

    QList<ListColumn> m_columns;
    QList<ListRow> m_rows;
    int m_published = 0;
    int m_batch = 0;
    QPointer<ImageList> m_smallIcons;
    NumberOfName m_numberOfName;
};

} // namespace widgets
