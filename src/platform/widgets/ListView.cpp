#include "platform/widgets/ListView.h"

#include "platform/widgets/HeaderSortArrow.h"
#include "platform/widgets/ImageList.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace widgets {

ListView::ListView(QWidget* parent) : QTreeView(parent) {
    m_order.setRows(&m_model);
    setModel(&m_order);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, &ListView::rowValuesChanged);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    // Headers sort on a click; the direction shows only once the user has sorted.
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    HeaderSortArrow::apply(header());
    connect(header(), &QHeaderView::sectionClicked, this, &ListView::headerClicked);
    // Two quick clicks arrive as a click and a double-click; each counts.
    connect(header(), &QHeaderView::sectionDoubleClicked, this, &ListView::headerClicked);
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QHeaderView::customContextMenuRequested, this, &ListView::showColumnMenu);
    setIconSize(QSize(16, 16));
    setExpandsOnDoubleClick(false); // a double-click opens a row, a parent's too
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        m_expandedKeys.insert(index.data(KeyRole).toString());
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        m_expandedKeys.remove(index.data(KeyRole).toString());
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ListView::selectionMoved);
}

void ListView::addColumn(const QString& header, int width, Qt::Alignment alignment, bool numeric,
                         bool shown) {
    if (!showsOwnTexts())
        return;
    const int column = columnCount();
    m_order.setColumnShown(column, shown);
    m_model.addColumn(ListColumn{header, width, alignment, numeric, shown});
    m_widths.append(width);
    if (shown)
        setColumnWidth(m_order.shownPlace(column), width);
}

int ListView::columnCount() const {
    return m_rows->columnCount();
}

void ListView::setRowModel(QAbstractItemModel* rows) {
    if (!rows)
        rows = &m_model;
    if (rows == m_rows)
        return;
    if (!showsOwnTexts())
        disconnect(m_rows, nullptr, this, nullptr);
    else
        disconnect(&m_model, &QAbstractItemModel::dataChanged, this, &ListView::rowValuesChanged);
    m_rows = rows;
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    header()->setSortIndicatorShown(false);
    m_order.sort(-1);
    m_order.setRows(rows);
    m_widths.clear();
    takeColumns(0, rows->columnCount() - 1);
    connect(rows, &QAbstractItemModel::dataChanged, this, &ListView::rowValuesChanged);
    if (!showsOwnTexts()) {
        // A model of its own sorts only when told: after it was filled anew, sort it again.
        connect(rows, &QAbstractItemModel::modelReset, this, &ListView::resort);
        connect(rows, &QAbstractItemModel::rowsInserted, this, &ListView::resort);
    }
}

void ListView::takeColumns(int first, int last) {
    for (int column = first; column <= last; ++column) {
        const QVariant shown = m_rows->headerData(column, Qt::Horizontal, ColumnShownAtStartRole);
        m_order.setColumnShown(column, !shown.isValid() || shown.toBool());
        const QVariant width = m_rows->headerData(column, Qt::Horizontal, ColumnWidthRole);
        m_widths.append(width.isValid() ? width.toInt() : 100);
    }
    for (int column : shownColumns())
        setColumnWidth(m_order.shownPlace(column), m_widths.value(column, 100));
}

QString ListView::cellText(int index, int column) const {
    // Its own rows are read whole even while a rebuild has not published them yet.
    if (showsOwnTexts())
        return m_model.row(index - 1).texts.value(column);
    return m_rows->index(index - 1, column).data().toString();
}

void ListView::scrollToColumn(int column) {
    const int place = m_order.shownPlace(column);
    if (place < 0)
        return;
    // The header lays new sections out only when asked; until then it knows no position.
    executeDelayedItemsLayout();
    const int left = header()->sectionPosition(place);
    const int right = left + header()->sectionSize(place);
    QScrollBar* bar = horizontalScrollBar();
    const int visible = viewport()->width();
    if (right > bar->value() + visible)
        bar->setValue(std::min(left, right - visible));
    else if (left < bar->value())
        bar->setValue(left);
}

void ListView::resort() {
    if (m_sortColumn >= 0)
        m_order.resort();
}

// A sort by a column whose values moved follows them: one re-sort per change the model
// announces, however many rows it touched.
void ListView::rowValuesChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
    if (m_sortColumn >= topLeft.column() && m_sortColumn <= bottomRight.column())
        resort();
}

bool ListView::isColumnShown(int column) const {
    return column >= 0 && column < columnCount() && m_order.isColumnShown(column);
}

void ListView::setColumnShown(int column, bool shown) {
    if (column < 0 || column >= columnCount() || isColumnShown(column) == shown ||
        (!shown && shownColumns().size() == 1))
        return;
    // The header forgets the widths of the columns it loses and gains: each column keeps its
    // own, as the user left it, and one shown again comes back at that width.
    for (int each : shownColumns())
        if (each < m_widths.size())
            m_widths[each] = header()->sectionSize(m_order.shownPlace(each));
    m_order.setColumnShown(column, shown);
    for (int each : shownColumns())
        setColumnWidth(m_order.shownPlace(each), m_widths.value(each, 100));
    // The sort follows its column; a column taken away takes its sort with it.
    sortRows(isColumnShown(m_sortColumn) ? m_sortColumn : -1, m_sortOrder);
    // A column the user asked for is one to look at.
    if (shown)
        scrollToColumn(column);
    emit columnShownChanged(column, shown);
}

QList<int> ListView::shownColumns() const {
    QList<int> shown;
    for (int column = 0; column < columnCount(); ++column)
        if (isColumnShown(column))
            shown.append(column);
    return shown;
}

QStringList ListView::rowTexts(int index) const {
    if (!hasRow(index))
        return {};
    QStringList texts;
    for (int column = 0; column < columnCount(); ++column)
        texts.append(cellText(index, column));
    return texts;
}

QStringList ListView::shownTexts(int index) const {
    if (!hasRow(index))
        return {};
    QStringList texts;
    for (int column : shownColumns())
        texts.append(cellText(index, column));
    return texts;
}

QStringList ListView::shownHeaders() const {
    QStringList headers;
    for (int column : shownColumns())
        headers.append(columnHeader(column));
    return headers;
}

QMenu* ListView::columnMenu() {
    if (!m_columnMenu) {
        m_columnMenu = new QMenu(QStringLiteral("Columns"), this);
        m_columnMenu->setObjectName(QStringLiteral("ColumnMenu"));
    }
    addColumnEntries(m_columnMenu);
    return m_columnMenu;
}

void ListView::addColumnEntries(QMenu* menu) {
    // Made afresh each time, so it always lists every column with its present state.
    menu->clear();
    const int shown = int(shownColumns().size());
    for (int column = 0; column < columnCount(); ++column) {
        QAction* entry = menu->addAction(columnHeader(column));
        entry->setCheckable(true);
        entry->setChecked(isColumnShown(column));
        entry->setEnabled(!(shown == 1 && isColumnShown(column)));
        connect(entry, &QAction::toggled, this, [this, column](bool on) { setColumnShown(column, on); });
    }
}

void ListView::showColumnMenu(const QPoint& at) {
    columnMenu()->exec(header()->viewport()->mapToGlobal(at));
}

QString ListView::columnHeader(int column) const {
    return column >= 0 && column < columnCount() ? m_rows->headerData(column, Qt::Horizontal).toString()
                                                 : QString();
}

int ListView::shownRow(int shown) const {
    if (shown < 1 || shown > m_order.rowCount())
        return 0;
    return positionOf(m_order.index(shown - 1, 0));
}

void ListView::headerClicked(int section) {
    const QList<int> shown = shownColumns();
    if (section < 0 || section >= shown.size())
        return;
    // The header has already flipped its own indicator; the order is decided here alone.
    sortAsClicked(shown[section]);
}

void ListView::sortAsClicked(int column) {
    if (!isColumnShown(column))
        return;
    const Qt::SortOrder first =
        m_rows->headerData(column, Qt::Horizontal, ColumnDescendingFirstRole).toBool() ? Qt::DescendingOrder
                                                                                       : Qt::AscendingOrder;
    const bool again = column == m_sortColumn && m_sortOrder == first;
    const Qt::SortOrder other = first == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortRows(column, again ? other : first);
}

void ListView::sortRows(int column, Qt::SortOrder order) {
    if (column < -1 || column >= columnCount())
        return;
    if (column >= 0 && !isColumnShown(column))
        column = -1;
    m_sortColumn = column;
    m_sortOrder = order;
    const int place = column >= 0 ? m_order.shownPlace(column) : -1;
    header()->setSortIndicatorShown(column >= 0);
    header()->setSortIndicator(place, order);
    m_order.sort(place, order);
    emit sortChanged(column, order);
}

void ListView::setFilterText(const QString& text) {
    m_order.setFilterText(text);
}

ListItem ListView::addItem(const QString& text) {
    if (!showsOwnTexts())
        return {};
    m_model.appendRow(text);
    resort();
    return ListItem(this, itemCount());
}

int ListView::itemCount() const {
    return showsOwnTexts() ? m_model.storedRows() : m_rows->rowCount();
}

ListItem ListView::item(int index) {
    return ListItem(this, index);
}

void ListView::removeAll() {
    if (showsOwnTexts())
        m_model.removeAll();
}

void ListView::setRows(QList<ListRow> rows) {
    if (!showsOwnTexts())
        return;
    m_model.replaceRows(std::move(rows));
    resort();
}

int ListView::selectedIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : std::max(0, positionOf(rows.first()));
}

ListItem ListView::selectedItem() {
    const int index = selectedIndex();
    return index > 0 ? ListItem(this, index) : ListItem();
}

bool ListView::setSelectedIndex(int index) {
    if (index == 0) {
        // The current row goes too: it would keep its focus frame with nothing selected. Set
        // explicitly, so that the list taking the focus does not make its first row current.
        selectionModel()->clear();
        setCurrentIndex(QModelIndex());
        return true;
    }
    if (index < 1 || index > m_rows->rowCount())
        return false;
    const QModelIndex at = shownIndexOf(index, shownColumns().value(0));
    if (at.parent().isValid())
        expand(at.parent()); // a row chosen for the user is one to see
    if (!at.isValid()) {
        // Filtered out: nothing the user sees is selected.
        selectionModel()->clearSelection();
        return false;
    }
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

bool ListView::setSelectedIndexKeepingView(int index) {
    // The scroll range follows new rows only once the layout has run.
    executeDelayedItemsLayout();
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const bool selected = setSelectedIndex(index);
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
    return selected;
}

void ListView::setIcons(ImageList* list) {
    bind(m_icons, list);
}

void ListView::setSmallIcons(ImageList* list) {
    bind(m_smallIcons, list);
    m_model.setSmallIcons(list);
    if (list)
        setIconSize(list->imageSize());
    imagesChanged();
}

void ListView::bind(QPointer<ImageList>& slot, ImageList* list) {
    if (slot == list)
        return;
    if (slot)
        disconnect(slot, nullptr, this, nullptr);
    slot = list;
    if (list)
        connect(list, &ImageList::changed, this, &ListView::imagesChanged);
}

void ListView::imagesChanged() {
    // Icons are read from the list when painted, so a repaint is all a change needs.
    if (!isRebuilding())
        viewport()->update();
}

void ListView::setGridLines(bool on) {
    if (m_gridLines == on)
        return;
    m_gridLines = on;
    viewport()->update();
}

void ListView::beginRebuild() {
    if (m_rebuildDepth++ > 0)
        return;
    m_keptSelection = selectedIndex();
    m_keptScroll = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    setUpdatesEnabled(false);
    m_model.beginBatch();
}

void ListView::endRebuild() {
    if (m_rebuildDepth == 0 || --m_rebuildDepth > 0)
        return;
    m_model.endBatch();
    resort();
    if (m_keptSelection > 0 && m_keptSelection <= m_rows->rowCount())
        setSelectedIndex(m_keptSelection);
    // The scroll range follows the new rows only once the layout has run.
    executeDelayedItemsLayout();
    horizontalScrollBar()->setValue(m_keptScroll.x());
    verticalScrollBar()->setValue(m_keptScroll.y());
    setUpdatesEnabled(true);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    // The press selects first, so a handler that acts on the selected row sees the row clicked.
    QTreeView::mousePressEvent(event);
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = LeftButton;
        break;
    case Qt::RightButton:
        button = RightButton;
        break;
    case Qt::MiddleButton:
        button = MiddleButton;
        break;
    default:
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int shift = (modifiers & Qt::ShiftModifier ? ShiftKey : 0) |
                      (modifiers & Qt::ControlModifier ? ControlKey : 0) |
                      (modifiers & Qt::AltModifier ? AltKey : 0);
    const QPoint at = event->position().toPoint();
    emit mouseDown(button, shift, at.x(), at.y());
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClick();
}

void ListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    if (!m_gridLines)
        return;
    painter->save();
    painter->setPen(palette().color(QPalette::Midlight));
    const QRect row = option.rect;
    painter->drawLine(row.left(), row.bottom(), row.right(), row.bottom());
    const QHeaderView* head = header();
    for (int column = 0; column < head->count(); ++column) {
        const int x = head->sectionViewportPosition(column) + head->sectionSize(column) - 1;
        painter->drawLine(x, row.top(), x, row.bottom());
    }
    painter->restore();
}

} // namespace widgets
