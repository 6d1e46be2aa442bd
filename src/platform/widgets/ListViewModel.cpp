#include "platform/widgets/ListViewModel.h"

#include "platform/widgets/ImageList.h"

namespace widgets {

ListViewModel::ListViewModel(QObject* parent) : QAbstractTableModel(parent) {}

int ListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_published;
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_published || index.column() >= ListRow::ColumnCount)
        return {};
    const ListRow& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.texts[index.column()];
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[index.column()].alignment | Qt::AlignVCenter);
    case Qt::DecorationRole:
        // Report view shows the small icon beside the item's own text.
        if (index.column() == 0 && m_smallIcons && row.smallIcon > 0) {
            const QPixmap image = m_smallIcons->image(row.smallIcon);
            if (!image.isNull())
                return image;
        }
        return {};
    default:
        return {};
    }
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].header;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[section].alignment | Qt::AlignVCenter);
    return {};
}

void ListViewModel::addColumn(const ListColumn& column) {
    if (m_columns.size() >= ListRow::ColumnCount)
        return;
    const int at = int(m_columns.size());
    beginInsertColumns({}, at, at);
    m_columns.append(column);
    endInsertColumns();
}

void ListViewModel::appendRow(const QString& text) {
    ListRow row;
    row.texts[0] = text;
    if (m_batch > 0) {
        m_rows.append(std::move(row));
        return;
    }
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.append(std::move(row));
    m_published = int(m_rows.size());
    endInsertRows();
}

void ListViewModel::setText(int index0, int column, const QString& text) {
    m_rows[index0].texts[column] = text;
    rowChanged(index0, column);
}

void ListViewModel::setIcons(int index0, int largeIcon, int smallIcon) {
    m_rows[index0].largeIcon = largeIcon;
    m_rows[index0].smallIcon = smallIcon;
    rowChanged(index0, 0);
}

void ListViewModel::removeAll() {
    beginResetModel();
    m_rows.clear();
    m_published = 0;
    endResetModel();
}

void ListViewModel::endBatch() {
    if (m_batch == 0 || --m_batch > 0)
        return;
    if (m_published < m_rows.size()) {
        beginInsertRows({}, m_published, int(m_rows.size()) - 1);
        m_published = int(m_rows.size());
        endInsertRows();
    }
}

void ListViewModel::rowChanged(int index0, int column) {
    if (isPublished(index0)) {
        const QModelIndex at = index(index0, column);
        emit dataChanged(at, at);
    }
}

} // namespace widgets
