#include "connectionlist/ConnectionModel.h"

#include <QColor>

namespace connectionlist {

size_t qHash(const ConnectionKey& key, size_t seed) {
    const auto bytes = [](const std::array<std::uint8_t, 16>& address) {
        return QByteArrayView(reinterpret_cast<const char*>(address.data()), qsizetype(address.size()));
    };
    return qHashMulti(seed, key.udp, key.ipv6, bytes(key.localAddress), bytes(key.remoteAddress),
                      key.localPort, key.remotePort, key.unresolvedEnds, key.processId, key.processStartTime,
                      key.netNamespace);
}

ConnectionModel::ConnectionModel(QObject* parent) : QAbstractTableModel(parent) {}

QModelIndex ConnectionModel::index(int row, int column, const QModelIndex& parent) const {
    const bool inside = !parent.isValid() && row >= 0 && std::size_t(row) < m_rows.size() && column >= 0 &&
                        column < ColumnCount;
    return inside ? createIndex(row, column) : QModelIndex();
}

int ConnectionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ConnectionModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

const ConnectionRow* ConnectionModel::row(int index0) const {
    return index0 >= 0 && std::size_t(index0) < m_rows.size() ? &m_rows[std::size_t(index0)] : nullptr;
}

QVariant ConnectionModel::data(const QModelIndex& index, int role) const {
    const ConnectionRow* row = index.isValid() ? this->row(index.row()) : nullptr;
    if (!row || index.column() >= ColumnCount)
        return {};
    const ColumnDescriptor& column = columns()[std::size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return column.shown(*row);
    case Qt::ToolTipRole: // the whole text of a cell too narrow for it, or what it stands for
        return column.toolTip ? column.toolTip(*row) : column.shown(*row);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    case Qt::DecorationRole:
        if (column.column == Column::File && m_iconOf) {
            const QIcon icon = m_iconOf(*row);
            if (!icon.isNull())
                return icon;
        }
        return {};
    case widgets::SortRole: {
        const SortValue value = column.sortValue(*row);
        return value.number >= 0 ? QVariant(value.number) : QVariant(value.text);
    }
    case widgets::MarkRole:
        return int(row->mark);
    case Qt::BackgroundRole:
        return row->mark == RowMark::None ? QVariant() : QVariant(widgets::markColour(row->mark));
    case Qt::ForegroundRole:
        // Dark text on the light mark colours, whatever the palette's text colour is.
        return row->mark == RowMark::None ? QVariant() : QVariant(QColor(Qt::black));
    default:
        return {};
    }
}

QVariant ConnectionModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    const ColumnDescriptor& column = columns()[std::size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromLatin1(column.header);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    case widgets::ColumnWidthRole:
        return m_pixelsOfWidth ? m_pixelsOfWidth(column.width) : int(column.width / 26.46);
    case widgets::ColumnShownAtStartRole:
        return column.shownAtStart;
    case widgets::ColumnDescendingFirstRole:
        return column.sort == SortKind::Figure;
    default:
        return {};
    }
}

int ConnectionModel::compareRows(int left, int right, int column, Qt::SortOrder order) const {
    if (column != m_sortColumn)
        takeSortValues(column);
    return compareSortValues(m_sortValues[std::size_t(left)], m_sortValues[std::size_t(right)], order);
}

void ConnectionModel::takeSortValues(int column) const {
    const ColumnDescriptor& descriptor = columns()[std::size_t(column)];
    m_sortValues.resize(m_rows.size());
    for (std::size_t index = 0; index < m_rows.size(); ++index)
        m_sortValues[index] = descriptor.sortValue(m_rows[index]);
    m_sortColumn = column;
}

bool ConnectionModel::cellContains(int row, int column, const QString& text) const {
    const ConnectionRow& connection = m_rows[std::size_t(row)];
    const ColumnDescriptor& descriptor = columns()[std::size_t(column)];
    // Only a port column's number stands for a name it may show ("x11-1" for 6001).
    const qint64 number = descriptor.sort == SortKind::Number && column != int(Column::Pid)
                              ? descriptor.sortValue(connection).number
                              : -1;
    return widgets::textMatches(descriptor.shown(connection), number, text);
}

int ConnectionModel::find(const ConnectionKey& key, int state) const {
    int found = -1;
    for (std::size_t index = 0; index < m_rows.size(); ++index) {
        const ConnectionRow& row = m_rows[index];
        if (row.isGone() || !(row.key == key))
            continue;
        if (row.state == state)
            return int(index);
        if (found < 0)
            found = int(index);
    }
    return found;
}

void ConnectionModel::setRows(std::vector<ConnectionRow> rows) {
    dropSortValues();
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int ConnectionModel::goneRows() const {
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const ConnectionRow& row) { return row.isGone(); }));
}

void ConnectionModel::removeGoneRows() {
    int first = int(m_rows.size());
    while (first > 0 && m_rows[std::size_t(first) - 1].isGone())
        --first;
    if (first == int(m_rows.size()))
        return;
    dropSortValues();
    beginRemoveRows({}, first, int(m_rows.size()) - 1);
    m_rows.resize(std::size_t(first));
    endRemoveRows();
}

void ConnectionModel::applyTraffic(const TrafficByConnection& traffic) {
    std::vector<const ConnectionTraffic*> figures(m_rows.size(), nullptr);
    bool changed = false;
    for (std::size_t index = 0; index < m_rows.size(); ++index) {
        const ConnectionRow& row = m_rows[index];
        if (!row.trafficEnds || row.isGone())
            continue;
        const auto found = traffic.find(*row.trafficEnds);
        figures[index] = found == traffic.end() ? nullptr : &found.value();
        changed = changed || (figures[index] ? row.traffic != *figures[index] : row.traffic.has_value());
    }
    if (!changed)
        return;
    // Told as one change of the whole layout rather than of every cell: views and proxies
    // then place and paint the rows once, a sort by a figure sorting once, however many rows
    // the sample moved.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    dropSortValues();
    for (std::size_t index = 0; index < m_rows.size(); ++index) {
        ConnectionRow& row = m_rows[index];
        if (row.trafficEnds && !row.isGone())
            row.traffic = figures[index] ? std::optional<ConnectionTraffic>(*figures[index]) : std::nullopt;
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace connectionlist
