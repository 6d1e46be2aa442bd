#pragma once

#include <QColor>
#include <QModelIndex>
#include <QString>
#include <Qt>

namespace widgets {

// How a row stands against the list before the last rebuild: unchanged, new since then, or
// gone since then and kept for a moment.
enum class RowMark { None, New, Gone };

// What the list asks of any model it shows, beyond Qt's own roles, so that it knows nothing of
// the program's columns.
enum ItemRole {
    // The value a column sorts by: a number (qint64) or a text.
    SortRole = Qt::UserRole + 1,
    // The row's RowMark, as an int, on every cell.
    MarkRole,
    // Of a parent row in a tree: a text that names it across resets of the model, by which
    // the list keeps it expanded and selected.
    KeyRole,
};
enum HeaderRole {
    // Width in pixels a column starts with.
    ColumnWidthRole = Qt::UserRole + 1,
    // False for a column that waits in the header's menu until the user shows it.
    ColumnShownAtStartRole,
    // True for a column of live figures: its first sort puts the largest on top.
    ColumnDescendingFirstRole,
};

// Backgrounds of marked rows: light enough that the text stays readable.
QColor markColour(RowMark mark);

// Sorting and searching tens of thousands of rows through a QVariant per cell would cost more
// than the rows themselves: a model that holds many rows answers these directly. Rows and
// columns are the model's own.
class RowOrdering {
public:
    virtual ~RowOrdering() = default;
    // Below 0 when row `left` goes before row `right` in an ascending sort by `column`, above
    // 0 when after, 0 for a tie; the list puts ties in the model's order. Given the order, a
    // model may keep some rows last in either.
    virtual int compareRows(int left, int right, int column, Qt::SortOrder order) const = 0;
    // Whether the cell shows `text` (the caller's filter), without regard to case; a named
    // port is also found by its number.
    virtual bool cellContains(int row, int column, const QString& text) const = 0;
};

// A model that shows the rows of a flat model as the children of parent rows (a tree of two
// levels), so that the list can show it in place of the flat one while positions, commands and
// the selection still mean the flat rows. It sorts and searches its rows itself, as
// RowOrdering does for a flat model.
class RowTree {
public:
    virtual ~RowTree() = default;
    // Where the flat model's row `row` (from 0) is in the tree, in `column`; invalid for none.
    virtual QModelIndex indexOfRow(int row, int column) const = 0;
    // The flat row behind a child; -1 for a parent.
    virtual int rowOf(const QModelIndex& index) const = 0;
    // As RowOrdering's, for two rows under one parent (or two parents).
    virtual int compareItems(const QModelIndex& left, const QModelIndex& right, int column,
                             Qt::SortOrder order) const = 0;
    virtual bool itemContains(const QModelIndex& index, int column, const QString& text) const = 0;
};

// The ordering of two texts of one column, each with the number it stands for (-1 for none,
// and always in a column that is not numeric). Texts with a number come first, by that number
// (a named port by the port it names), then the others as text, without regard to case.
// Below 0, 0 or above 0 as a three-way comparison.
int textCompare(const QString& left, qint64 leftNumber, const QString& right, qint64 rightNumber);

// Whether a cell showing `text`, which stands for `number` (-1 for none), holds the filter
// text: in its own text, or, for a name that stands for a number ("x11-1" for 6001), in
// that number.
bool textMatches(const QString& text, qint64 number, const QString& filter);

} // namespace widgets
