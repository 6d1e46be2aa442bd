#pragma once

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

// How a row stands against the list before the last rebuild: unchanged, new since then, or
// gone since then and kept for one more rebuild.
enum class RowMark { None, New, Gone };

// One row of the list: its text and sub-items (column 0 is the text), the texts of the
// columns beyond them, and its icon indexes.
struct ListRow {
    static constexpr int ColumnCount = 13;
    std::array<QString, ColumnCount> texts;
    int largeIcon = 0; // 1-based into the large-icon list, 0 for none
    int smallIcon = 0; // 1-based into the small-icon list, 0 for none
    RowMark mark = RowMark::None;
    // Of a numeric column, the number its text stands for, -1 for none; kept by the model.
    std::array<qint64, ColumnCount> numbers = noNumbers();

private:
    static constexpr std::array<qint64, ColumnCount> noNumbers() {
        std::array<qint64, ColumnCount> none{};
        none.fill(-1);
        return none;
    }
};

// The number a name stands for in a numeric column ("x11-1" is port 6001); nothing when unknown.
using NumberOfName = std::function<std::optional<qint64>(const QString& name)>;

struct ListColumn {
    QString header;
    int width = 100; // pixels
    Qt::Alignment alignment = Qt::AlignLeft;
    // Sorted by the number the text starts with (ports) rather than as text.
    bool numeric = false;
    // Live figures: the rows bring the numbers it sorts by, and its first sort puts the
    // largest on top.
    bool live = false;
};

// Flat rows in a plain array, so rebuilding thousands of rows costs little. While a batch is
// open, appended rows are stored but not yet published to the views: the views keep seeing a
// consistent model even when the owner yields to the event loop in the middle of a rebuild.
class ListViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListViewModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void addColumn(const ListColumn& column);
    const QList<ListColumn>& columns() const { return m_columns; }

    // Every stored row, published or not.
    int storedRows() const { return int(m_rows.size()); }
    const ListRow& row(int index0) const { return m_rows[index0]; }
    void appendRow(const QString& text);
    // All rows at once in place of the ones there were: the views are told once, however many.
    void replaceRows(QList<ListRow> rows);
    // Removes the rows from index0 to the end.
    void removeRowsFrom(int index0);
    void setNumberOfName(NumberOfName numberOfName) { m_numberOfName = std::move(numberOfName); }
    void setText(int index0, int column, const QString& text);
    // A cell of a live column, with the number it sorts by; the views hear only of a change.
    void setCell(int index0, int column, const QString& text, qint64 number);
    void setLive(int column);
    void setIcons(int index0, int largeIcon, int smallIcon);
    void setMark(int index0, RowMark mark);
    void removeAll();

    // Backgrounds of marked rows: light enough that the text stays readable.
    static QColor markColour(RowMark mark);

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

    QList<ListColumn> m_columns;
    QList<ListRow> m_rows;
    int m_published = 0;
    int m_batch = 0;
    QPointer<ImageList> m_smallIcons;
    NumberOfName m_numberOfName;
};

} // namespace widgets
