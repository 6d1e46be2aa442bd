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
    if (!index.isValid() || index.row() >= m_published || index.column() >= m_columns.size())
        return {};
    const ListRow& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // the whole text of a cell too narrow for it
        return row.texts[index.column()];
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[index.column()].alignment | Qt::AlignVCenter);
    case Qt::DecorationRole:
        // Report view shows the small icon beside the item's own text.
        if (index.column() == 0 && m_smallIcons && row.smallIcon > 0) {
            const QIcon icon = m_smallIcons->icon(row.smallIcon);
            if (!icon.isNull())
                return icon;
        }
        return {};
    case SortRole:
        return row.numbers[index.column()] >= 0 ? QVariant(row.numbers[index.column()])
                                                : QVariant(row.texts[index.column()]);
    case MarkRole:
        return int(row.mark);
    case Qt::BackgroundRole:
        return row.mark == RowMark::None ? QVariant() : QVariant(markColour(row.mark));
    case Qt::ForegroundRole:
        // Dark text on the light mark colours, whatever the palette's text colour is.
        return row.mark == RowMark::None ? QVariant() : QVariant(QColor(Qt::black));
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
    if (role == ColumnWidthRole)
        return m_columns[section].width;
    if (role == ColumnShownAtStartRole)
        return m_columns[section].shownAtStart;
    if (role == ColumnDescendingFirstRole)
        return false;
    return {};
}

int ListViewModel::compareRows(int left, int right, int column, Qt::SortOrder) const {
    const ListRow& a = m_rows[left];
    const ListRow& b = m_rows[right];
    return textCompare(a.texts[column], a.numbers[column], b.texts[column], b.numbers[column]);
}

bool ListViewModel::cellContains(int row, int column, const QString& text) const {
    return textMatches(m_rows[row].texts[column], m_rows[row].numbers[column], text);
}

void ListViewModel::addColumn(const ListColumn& column) {
    const int at = int(m_columns.size());
    beginInsertColumns({}, at, at);
    m_columns.append(column);
    for (ListRow& row : m_rows)
        fitColumns(row);
    endInsertColumns();
}

void ListViewModel::fitColumns(ListRow& row) const {
    row.texts.resize(m_columns.size());
    row.numbers.resize(m_columns.size(), -1);
}

void ListViewModel::appendRow(const QString& text) {
    ListRow row;
    fitColumns(row);
    if (!row.texts.isEmpty()) {
        row.texts[0] = text;
        keepNumbers(row, 0);
    }
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

void ListViewModel::replaceRows(QList<ListRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    for (ListRow& row : m_rows) {
        fitColumns(row);
        for (int column = 0; column < m_columns.size(); ++column)
            keepNumbers(row, column);
    }
    m_published = int(m_rows.size());
    endResetModel();
}

qint64 ListViewModel::numberOf(const QString& text) const {
    qint64 number = 0;
    qsizetype digits = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        // Ports have five digits at most; longer runs only need to stay ordered, not exact.
        if (number < (qint64(1) << 50))
            number = number * 10 + (c.unicode() - '0');
        ++digits;
    }
    if (digits > 0)
        return number;
    if (m_numberOfName && !text.isEmpty())
        if (const std::optional<qint64> named = m_numberOfName(text))
            return *named;
    return -1;
}

void ListViewModel::keepNumbers(ListRow& row, int column) const {
    const bool numeric = column < m_columns.size() && m_columns[column].numeric;
    row.numbers[column] = numeric ? numberOf(row.texts[column]) : -1;
}

void ListViewModel::setText(int index0, int column, const QString& text) {
    if (column < 0 || column >= m_columns.size())
        return;
    m_rows[index0].texts[column] = text;
    keepNumbers(m_rows[index0], column);
    rowChanged(index0, column);
}

void ListViewModel::setIcons(int index0, int largeIcon, int smallIcon) {
    m_rows[index0].largeIcon = largeIcon;
    m_rows[index0].smallIcon = smallIcon;
    rowChanged(index0, 0, {Qt::DecorationRole});
}

void ListViewModel::setMark(int index0, RowMark mark) {
    if (m_rows[index0].mark == mark)
        return;
    m_rows[index0].mark = mark;
    if (isPublished(index0))
        emit dataChanged(index(index0, 0), index(index0, int(m_columns.size()) - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

QColor markColour(RowMark mark) {
    switch (mark) {
    case RowMark::New:
        return QColor(0xcc, 0xf2, 0xcc);
    case RowMark::Gone:
        return QColor(0xf6, 0xcc, 0xcc);
    case RowMark::None:
        break;
    }
    return {};
}

void ListViewModel::removeAll() {
    beginResetModel();
    m_rows = {}; // its room too: the next rows are built beside it before they replace it
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

void ListViewModel::rowChanged(int index0, int column, const QList<int>& roles) {
    if (isPublished(index0)) {
        const QModelIndex at = index(index0, column);
        emit dataChanged(at, at, roles);
    }
}

} // namespace widgets
