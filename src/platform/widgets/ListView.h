#pragma once

#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListViewModel.h"
#include "platform/widgets/ListViewOrder.h"

#include <QPoint>
#include <QPointer>
#include <QSet>
#include <QTreeView>

class QMenu;

namespace widgets {

class ListView;

// A handle on one row, by 1-based position. It stays usable while the row exists; on a row
// that no longer exists the getters answer empty values and the setters return false.
class ListItem {
public:
    ListItem() = default;
    ListItem(ListView* view, int index) : m_view(view), m_index(index) {}

    bool isValid() const;
    int index() const { return m_index; }

    QString text() const;
    bool setText(const QString& text);
    // Sub-items 1 to 5 (the columns beyond them are read through the list); any other number
    // is refused.
    QString subItem(int number) const;
    bool setSubItem(int number, const QString& text);
    // The text and the five sub-items, in column order.
    QStringList texts() const;

    int largeIcon() const;
    int smallIcon() const;
    bool setLargeIcon(int index);
    bool setSmallIcon(int index);

    RowMark mark() const;
    bool setMark(RowMark mark);

private:
    QPointer<ListView> m_view;
    int m_index = 0;
};

// A report view with column headers, rows of a text and sub-items addressed from 1, image lists
// bound or unbound, grid lines, and mouse notifications.
//
// It shows the rows of a model: its own list of texts (addColumn, addItem, setRows), or any
// model handed to setRowModel, whose columns it learns from the model's header roles
// (ListRoles.h) and knows nothing else of.
//
// A row's position (ListItem, selectedIndex, itemCount) is its place in the model, from 1:
// for its own texts, where it was added since the list was last emptied, whatever the user
// sorted or filtered. Sorting and filtering change only what is shown and in which order;
// shownRow() turns a place on screen into a position, and selectedIndex() is the position of
// the row the user selected.
class ListView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int SubItemCount = 5;

    // Mouse buttons and shift state as the notifications hand them over.
    enum Button { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
    enum Shift { ShiftKey = 1, ControlKey = 2, AltKey = 4 };

    explicit ListView(QWidget* parent = nullptr);

    // Columns of its own texts: the text, five sub-items and the columns beyond them; width in
    // pixels. A numeric column sorts by the number its texts start with, or by the number a
    // name stands for. A column not shown waits in the header's menu.
    void addColumn(const QString& header, int width, Qt::Alignment alignment = Qt::AlignLeft,
                   bool numeric = false, bool shown = true);
    QString columnHeader(int column) const;
    int columnCount() const;

    // Shows the rows of `rows` in place of its own texts (nullptr: its own again). The model
    // outlives the list or is set back first. A column whose header says
    // ColumnDescendingFirstRole sorts the largest on top at the first click, and a sort by it
    // follows the values as they change, the selection staying on its row.
    void setRowModel(QAbstractItemModel* rows);

    // Shows `tree` (a model that is a RowTree over the row model, with the same columns) in
    // place of the rows, as parents with their rows as children; nullptr shows the rows again.
    // Columns, widths and the sort stay; positions, the selection and the commands still mean
    // the rows, and a parent has no position (selectedIndex() is 0 while one is selected).
    // Parents keep their expansion and selection through resets of the tree, by KeyRole.
    void setRowTree(QAbstractItemModel* tree);
    bool showsTree() const { return m_tree != nullptr; }
    // The tree's index of the selected row, parent or child; invalid when none (or no tree).
    QModelIndex selectedTreeIndex() const;
    // Selects the parent of this key (KeyRole); false when no parent shown has it.
    bool selectParent(const QString& key);
    // Positions of the rows shown, in the order shown (in a tree, the children of each parent).
    QList<int> shownRows() const;

    // A right click on the header offers every column with a check mark; the last column shown
    // cannot be taken away. Hidden columns are not searched by the filter.
    bool isColumnShown(int column) const;
    void setColumnShown(int column, bool shown);
    // The columns shown, in the order shown.
    QList<int> shownColumns() const;
    // Scrolls the list sideways until the column is in view.
    void scrollToColumn(int column);
    // Of row `index`, the texts of every column, and of the columns shown in the order shown.
    QStringList rowTexts(int index) const;
    QStringList shownTexts(int index) const;
    QStringList shownHeaders() const;
    // The header's menu as it stands (made on first use); its entries follow the columns.
    QMenu* columnMenu();
    // The same entries, in place of what `menu` held.
    void addColumnEntries(QMenu* menu);

    ListItem addItem(const QString& text);
    ListItem item(int index);
    int itemCount() const;
    void removeAll();
    // Every row at once, in place of all there were: however many, the list is filled in one
    // step, sorted and filtered once.
    void setRows(QList<ListRow> rows);
    // How numeric columns learn the number of a name (a service name's port).
    void setNumberOfName(NumberOfName numberOfName) { m_model.setNumberOfName(std::move(numberOfName)); }

    // Rows shown after filtering, and the position of the one shown at 1-based place
    // `shown` from the top (0 when there is none).
    int shownCount() const { return m_tree ? int(shownRows().size()) : m_order.rowCount(); }
    int shownRow(int shown) const;

    // A click on a column header sorts by that column ascending, a second click on the same
    // header descending; -1 is the order of adding, in which the list starts. Columns are
    // those of the rows, shown or not; a column not shown does not sort.
    void sortRows(int column, Qt::SortOrder order);
    // What a click on the column's header does: the column's first order, or the other one
    // when it is sorted so already.
    void sortAsClicked(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // Sorts again by the present column, after the values of the rows moved.
    void resort();

    // Shows only rows with this text in any shown column, without regard to case; empty shows all.
    void setFilterText(const QString& text);
    QString filterText() const { return m_order.filterText(); }

    // 1-based position of the selected row, 0 when none.
    int selectedIndex() const;
    ListItem selectedItem();
    // Selects the row at `index`; 0 clears the selection. False for a row that does not exist
    // or is not shown (the selection is cleared then).
    bool setSelectedIndex(int index);
    // The same, leaving both scroll positions where they are: selecting scrolls the row into
    // view, which a refresh putting back the user's row must not do.
    bool setSelectedIndexKeepingView(int index);

    // nullptr unbinds.
    void setIcons(ImageList* list);
    void setSmallIcons(ImageList* list);
    ImageList* icons() const { return m_icons; }
    ImageList* smallIcons() const { return m_smallIcons; }

    void setGridLines(bool on);
    bool gridLines() const { return m_gridLines; }

    // A rebuild (remove all, then append every row again) suspends painting, publishes the new
    // rows to the view in one go, and keeps the selected position and the scroll position when
    // the new list still reaches them. Rebuilds nest; use RebuildGuard to pair the calls.
    void beginRebuild();
    void endRebuild();
    bool isRebuilding() const { return m_rebuildDepth > 0; }

    class RebuildGuard {
    public:
        explicit RebuildGuard(ListView& view) : m_view(view) { m_view.beginRebuild(); }
        ~RebuildGuard() { m_view.endRebuild(); }
        RebuildGuard(const RebuildGuard&) = delete;
        RebuildGuard& operator=(const RebuildGuard&) = delete;

    private:
        ListView& m_view;
    };

signals:
    // Button and shift as the enums above; x and y in pixels of the view.
    void mouseDown(int button, int shift, int x, int y);
    void doubleClick();
    // A column was shown or taken away.
    void columnShownChanged(int column, bool shown);
    // The sort column or its order changed (-1: the model's order).
    void sortChanged(int column, Qt::SortOrder order);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    // A section of the header: a place among the shown columns.
    void headerClicked(int section);
    void showColumnMenu(const QPoint& at);
    friend class ListItem;
    bool hasRow(int index) const { return index >= 1 && index <= itemCount(); }
    bool showsOwnTexts() const { return m_rows == &m_model; }
    QString cellText(int index, int column) const;
    // Takes the columns of the model shown now: shown at start or not, and their widths.
    void takeColumns(int first, int last);
    void rowValuesChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void bind(QPointer<ImageList>& slot, ImageList* list);
    // The shown index of a row's position; invalid when it is filtered out.
    QModelIndex shownIndexOf(int index, int column) const;
    int positionOf(const QModelIndex& shown) const;
    void keepColumnWidths();
    void applyColumnWidths();
    void treeReset();
    void selectionMoved();
    void imagesChanged();

    ListViewModel m_model;
    QAbstractItemModel* m_rows = &m_model;
    ListViewOrder m_order;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QPointer<ImageList> m_icons;
    QPointer<ImageList> m_smallIcons;
    bool m_gridLines = false;
    int m_rebuildDepth = 0;
    int m_keptSelection = 0;
    QPoint m_keptScroll;
    QMenu* m_columnMenu = nullptr;
    QList<int> m_widths; // of every column, shown or not
    QAbstractItemModel* m_tree = nullptr;
    const RowTree* m_rowTree = nullptr;
    QSet<QString> m_expandedKeys;
    QString m_selectedKey; // of the parent last selected, while no child has been since
};

} // namespace widgets
