#include "platform/widgets/ListView.h"

#include <QHeaderView>

// The list showing a tree over its rows: parents whose children are the rows, positions still
// the rows' own, and parents kept open and selected by their keys through resets.

namespace widgets {

void ListView::setRowTree(QAbstractItemModel* tree) {
    if (tree == m_tree)
        return;
    const int kept = selectedIndex();
    keepColumnWidths();
    if (m_tree)
        disconnect(m_tree, nullptr, this, nullptr);
    m_tree = tree;
    m_rowTree = dynamic_cast<const RowTree*>(tree);
    if (!m_rowTree)
        m_tree = nullptr;
    setRootIsDecorated(m_tree != nullptr);
    setItemsExpandable(m_tree != nullptr);
    m_order.setRows(m_tree ? m_tree : m_rows);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ListView::selectionMoved,
            Qt::UniqueConnection);
    if (m_tree)
        connect(m_tree, &QAbstractItemModel::modelReset, this, &ListView::treeReset);
    applyColumnWidths();
    sortRows(m_sortColumn, m_sortOrder);
    if (m_tree)
        treeReset();
    if (kept > 0)
        setSelectedIndex(kept);
}

void ListView::keepColumnWidths() {
    for (int each : shownColumns())
        if (each < m_widths.size())
            m_widths[each] = header()->sectionSize(m_order.shownPlace(each));
}

void ListView::applyColumnWidths() {
    for (int each : shownColumns())
        setColumnWidth(m_order.shownPlace(each), m_widths.value(each, 100));
}

// A new listing rebuilt the tree: its parents open and selected as the user left them.
void ListView::treeReset() {
    resort();
    if (!m_expandedKeys.isEmpty())
        for (int place = 0; place < m_order.rowCount(); ++place) {
            const QModelIndex parent = m_order.index(place, 0);
            if (m_expandedKeys.contains(parent.data(KeyRole).toString()))
                expand(parent);
        }
    if (!m_selectedKey.isEmpty() && !selectionModel()->hasSelection())
        selectParent(m_selectedKey);
}

void ListView::selectionMoved() {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_tree)
        return; // emptied by a reset: what was selected comes back after it
    m_selectedKey = rows.first().parent().isValid() ? QString() : rows.first().data(KeyRole).toString();
}

QModelIndex ListView::selectedTreeIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return m_tree && !rows.isEmpty() ? m_order.mapToSource(rows.first()) : QModelIndex();
}

bool ListView::selectParent(const QString& key) {
    for (int place = 0; place < m_order.rowCount(); ++place) {
        const QModelIndex parent = m_order.index(place, shownColumns().isEmpty() ? 0 : 0);
        if (parent.data(KeyRole).toString() == key) {
            selectionModel()->setCurrentIndex(parent, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
            return true;
        }
    }
    return false;
}

QList<int> ListView::shownRows() const {
    QList<int> rows;
    for (int place = 0; place < m_order.rowCount(); ++place) {
        const QModelIndex shown = m_order.index(place, 0);
        if (!m_tree) {
            rows.append(positionOf(shown));
            continue;
        }
        for (int child = 0; child < m_order.rowCount(shown); ++child)
            rows.append(positionOf(m_order.index(child, 0, shown)));
    }
    return rows;
}

QModelIndex ListView::shownIndexOf(int index, int column) const {
    const QModelIndex at =
        m_tree ? m_rowTree->indexOfRow(index - 1, column) : m_rows->index(index - 1, column);
    return m_order.mapFromSource(at);
}

int ListView::positionOf(const QModelIndex& shown) const {
    if (!shown.isValid())
        return 0;
    const QModelIndex at = m_order.mapToSource(shown);
    return (m_tree ? m_rowTree->rowOf(at) : at.row()) + 1;
}

} // namespace widgets
