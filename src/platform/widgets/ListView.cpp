#include "platform/widgets/ListView.h"

#include "platform/widgets/HeaderSortArrow.h"
#include "platform/widgets/ImageList.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace widgets {

bool ListItem::isValid() const {
    return m_view && m_view->hasRow(m_index);
}

QString ListItem::text() const {
    return isValid() ? m_view->m_model.row(m_index - 1).texts[0] : QString();
}

bool ListItem::setText(const QString& text) {
    if (!isValid())
        return false;
    m_view->m_model.setText(m_index - 1, 0, text);
    return true;
}

QString ListItem::subItem(int number) const {
    if (!isValid() || number < 1 || number > ListView::SubItemCount)
        return {};
    return m_view->m_model.row(m_index - 1).texts[number];
}

bool ListItem::setSubItem(int number, const QString& text) {
    if (!isValid() || number < 1 || number > ListView::SubItemCount)
        return false;
    m_view->m_model.setText(m_index - 1, number, text);
    return true;
}

QStringList ListItem::texts() const {
    if (!isValid())
        return {};
    const ListRow& row = m_view->m_model.row(m_index - 1);
    return QStringList(row.texts.begin(), row.texts.begin() + 1 + ListView::SubItemCount);
}

int ListItem::largeIcon() const {
    return isValid() ? m_view->m_model.row(m_index - 1).largeIcon : 0;
}

int ListItem::smallIcon() const {
    return isValid() ? m_view->m_model.row(m_index - 1).smallIcon : 0;
}

bool ListItem::setLargeIcon(int index) {
    if (!isValid() || index < 0)
        return false;
    m_view->m_model.setIcons(m_index - 1, index, smallIcon());
    return true;
}

bool ListItem::setSmallIcon(int index) {
    if (!isValid() || index < 0)
        return false;
    m_view->m_model.setIcons(m_index - 1, largeIcon(), index);
    return true;
}

RowMark ListItem::mark() const {
    return isValid() ? m_view->m_model.row(m_index - 1).mark : RowMark::None;
}

bool ListItem::setMark(RowMark mark) {
    if (!isValid())
        return false;
    m_view->m_model.setMark(m_index - 1, mark);
    return true;
}

ListView::ListView(QWidget* parent) : QTreeView(parent) {
    setModel(&m_order);
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
}

void ListView::addColumn(const QString& header, int width, Qt::Alignment alignment, bool numeric,
                         bool shown) {
    if (columnCount() >= ListRow::ColumnCount)
        return;
    const int column = columnCount();
    m_order.setColumnShown(column, shown);
    m_model.addColumn(ListColumn{header, width, alignment, numeric});
    m_widths.append(width);
    if (shown)
        setColumnWidth(m_order.shownPlace(column), width);
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
        m_widths[each] = header()->sectionSize(m_order.shownPlace(each));
    m_order.setColumnShown(column, shown);
    for (int each : shownColumns())
        setColumnWidth(m_order.shownPlace(each), m_widths[each]);
    // The sort follows its column; a column taken away takes its sort with it.
    sortRows(isColumnShown(m_sortColumn) ? m_sortColumn : -1, m_sortOrder);
    emit columnShownChanged(column, shown);
}

void ListView::setLiveColumn(int column) {
    m_model.setLive(column);
}

void ListView::setCell(int index, int column, const QString& text, qint64 number) {
    if (hasRow(index) && column >= 0 && column < columnCount())
        m_model.setCell(index - 1, column, text, number);
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
    const ListRow& row = m_model.row(index - 1);
    return QStringList(row.texts.begin(), row.texts.begin() + columnCount());
}

QStringList ListView::shownTexts(int index) const {
    if (!hasRow(index))
        return {};
    const ListRow& row = m_model.row(index - 1);
    QStringList texts;
    for (int column : shownColumns())
        texts.append(row.texts[std::size_t(column)]);
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
    // Made afresh each time, so it always lists every column with its present state.
    m_columnMenu->clear();
    const int shown = int(shownColumns().size());
    for (int column = 0; column < columnCount(); ++column) {
        QAction* entry = m_columnMenu->addAction(columnHeader(column));
        entry->setCheckable(true);
        entry->setChecked(isColumnShown(column));
        entry->setEnabled(!(shown == 1 && isColumnShown(column)));
        connect(entry, &QAction::toggled, this, [this, column](bool on) { setColumnShown(column, on); });
    }
    return m_columnMenu;
}

void ListView::showColumnMenu(const QPoint& at) {
    columnMenu()->exec(header()->viewport()->mapToGlobal(at));
}

QString ListView::columnHeader(int column) const {
    return column >= 0 && column < columnCount() ? m_model.columns()[column].header : QString();
}

int ListView::shownRow(int shown) const {
    if (shown < 1 || shown > m_order.rowCount())
        return 0;
    return m_order.mapToSource(m_order.index(shown - 1, 0)).row() + 1;
}

void ListView::headerClicked(int section) {
    const QList<int> shown = shownColumns();
    if (section < 0 || section >= shown.size())
        return;
    const int column = shown[section];
    // The header has already flipped its own indicator; the order is decided here alone.
    const Qt::SortOrder first = m_model.columns()[column].live ? Qt::DescendingOrder : Qt::AscendingOrder;
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
}

void ListView::setFilterText(const QString& text) {
    m_order.setFilterText(text);
}

ListItem ListView::addItem(const QString& text) {
    m_model.appendRow(text);
    return ListItem(this, itemCount());
}

ListItem ListView::item(int index) {
    return ListItem(this, index);
}

void ListView::removeAll() {
    m_model.removeAll();
}

void ListView::setRows(QList<ListRow> rows) {
    m_model.replaceRows(std::move(rows));
}

void ListView::removeRowsFrom(int index) {
    m_model.removeRowsFrom(index - 1);
}

int ListView::selectedIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : m_order.mapToSource(rows.first()).row() + 1;
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
    if (index < 1 || index > m_model.rowCount())
        return false;
    const QModelIndex at = m_order.mapFromSource(m_model.index(index - 1, shownColumns().value(0)));
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
    if (m_keptSelection > 0 && m_keptSelection <= m_model.rowCount())
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
