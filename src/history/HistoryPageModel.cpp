#include "history/HistoryPageModel.h"

#include "history/HistoryStore.h"

#include <QDateTime>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>

#include <limits>

#include <span>

namespace history {

namespace {

enum class Shown { Text, Program, Number, Count, Time, Duration }; // a Count is grouped by thousands

struct Column {
    const char* header;
    const char* expression; // what the query selects and sorts by
    Shown shown;
};

const Column ConnectionColumns[] = {
    {"Program", "program", Shown::Program},
    {"User", "user", Shown::Text},
    {"Protocol", "protocol", Shown::Text},
    {"Local Address", "local_address", Shown::Text},
    {"Local Port", "local_port", Shown::Number},
    {"Remote Host", "remote_address", Shown::Text},
    {"Remote Port", "remote_port", Shown::Number},
    {"Opened", "opened", Shown::Time},
    {"Closed", "closed", Shown::Time},
    {"Duration", "closed - opened", Shown::Duration},
    {"Sent", "sent", Shown::Count},
    {"Received", "received", Shown::Count},
};
const Column ProgramColumns[] = {
    {"Day", "day", Shown::Text},
    {"Program", "program", Shown::Program},
    {"User", "user", Shown::Text},
    {"Connections", "connections", Shown::Count},
    {"Sent", "sent", Shown::Count},
    {"Received", "received", Shown::Count},
    {"Only Listened", "listening", Shown::Count},
    {"Carried Nothing", "idle", Shown::Count},
};

std::span<const Column> columnsOf(HistoryPageModel::Table table) {
    if (table == HistoryPageModel::Table::Connections)
        return ConnectionColumns;
    return ProgramColumns;
}

QString durationText(qint64 milliseconds) {
    if (milliseconds < 1000)
        return QStringLiteral("%1 ms").arg(milliseconds);
    if (milliseconds < 60000)
        return QStringLiteral("%1 s").arg(double(milliseconds) / 1000, 0, 'f', 1);
    const qint64 seconds = milliseconds / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

HistoryPageModel::HistoryPageModel(HistoryStore& store, Table table, std::function<QIcon(const QString&)> iconOf,
                                   QObject* parent)
    : QAbstractTableModel(parent), m_store(store), m_table(table), m_iconOf(std::move(iconOf)),
      m_sortColumn(table == Table::Connections ? 8 : 0) {
    refresh();
}

int HistoryPageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryPageModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columnsOf(m_table).size());
}

QStringList HistoryPageModel::headers() const {
    QStringList texts;
    for (const Column& column : columnsOf(m_table))
        texts.append(QLatin1String(column.header));
    return texts;
}

QVariant HistoryPageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return QLatin1String(columnsOf(m_table)[section].header);
    if (role == Qt::TextAlignmentRole && columnsOf(m_table)[section].shown >= Shown::Number && columnsOf(m_table)[section].shown <= Shown::Count)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QString HistoryPageModel::shown(const QVariantList& row, int column) const {
    const QVariant& value = row[column];
    if (value.isNull())
        return {};
    switch (columnsOf(m_table)[column].shown) {
    case Shown::Program:
        return QFileInfo(value.toString()).fileName().isEmpty() ? value.toString() : QFileInfo(value.toString()).fileName();
    case Shown::Count:
        return QLocale(QLocale::English).toString(value.toLongLong());
    case Shown::Time:
        return QDateTime::fromMSecsSinceEpoch(value.toLongLong()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Shown::Duration:
        return durationText(value.toLongLong());
    case Shown::Number:
    case Shown::Text:
        break;
    }
    return value.toString();
}

QVariant HistoryPageModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || std::size_t(index.row()) >= m_rows.size())
        return {};
    const QVariantList& row = m_rows[std::size_t(index.row())];
    const Shown kind = columnsOf(m_table)[index.column()].shown;
    switch (role) {
    case Qt::DisplayRole:
        return shown(row, index.column());
    case Qt::ToolTipRole:
        return kind == Shown::Program ? row[index.column()].toString() : QVariant();
    case Qt::DecorationRole:
        return kind == Shown::Program && m_iconOf ? m_iconOf(row[index.column()].toString()) : QVariant();
    case Qt::TextAlignmentRole:
        return kind >= Shown::Number && kind <= Shown::Count ? int(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

// The filter as one SQL condition over the table's text fields, with its values.
QString HistoryPageModel::filterCondition(QVariantList& values) const {
    QString pattern = m_filter;
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    pattern = QLatin1Char('%') + pattern + QLatin1Char('%');
    static const char* const ConnectionFields[] = {"program",        "user",        "local_address", "local_port",
                                                   "remote_address", "remote_port", "sent",          "received"};
    static const char* const ProgramFields[] = {"day", "program", "user"};
    QStringList tests;
    for (const char* field : m_table == Table::Connections ? std::span<const char* const>(ConnectionFields)
                                                           : std::span<const char* const>(ProgramFields)) {
        tests.append(QStringLiteral("%1 LIKE ? ESCAPE '\\'").arg(QLatin1String(field)));
        values.append(pattern);
    }
    return QLatin1Char('(') + tests.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

QString HistoryPageModel::selectedColumns() const {
    QStringList selected;
    for (const Column& column : columnsOf(m_table))
        selected.append(QLatin1String(column.expression));
    return selected.join(QStringLiteral(", "));
}

std::vector<QVariantList> HistoryPageModel::query(int limit, int offset) {
    const bool connections = m_table == Table::Connections;
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(selectedColumns(), connections ? QStringLiteral("connections")
                                                                                          : QStringLiteral("program_days"));
    QVariantList values;
    if (!m_filter.isEmpty())
        sql += QStringLiteral(" WHERE ") + filterCondition(values);
    const QString direction = m_order == Qt::AscendingOrder ? QStringLiteral("ASC") : QStringLiteral("DESC");
    sql += QStringLiteral(" ORDER BY %1 %2, %3 LIMIT ? OFFSET ?")
               .arg(QLatin1String(columnsOf(m_table)[m_sortColumn].expression), direction,
                    connections ? QStringLiteral("id DESC") : QStringLiteral("program"));
    values.append(qlonglong(limit));
    values.append(qlonglong(offset));
    return m_store.select(sql, values);
}

bool HistoryPageModel::scansInChunks() const {
    return !m_filter.isEmpty() && m_table == Table::Connections &&
           QLatin1String(columnsOf(m_table)[m_sortColumn].expression) == QLatin1String("closed");
}

// A filter that few rows pass would read the whole history before its first page is full:
// rows are read along the index on Closed a chunk at a time, and a keystroke waits for at
// most about one budget of chunks; the rest follow one chunk per turn of the event loop.
std::vector<QVariantList> HistoryPageModel::scanChunks() {
    const bool ascending = m_order == Qt::AscendingOrder;
    QVariantList values;
    const QString sql = QStringLiteral("SELECT %1, closed, id, %2 FROM connections WHERE (closed, id) %3 (?, ?)"
                                       " ORDER BY closed %4, id %4 LIMIT %5")
                            .arg(selectedColumns(), filterCondition(values), ascending ? QStringLiteral(">") : QStringLiteral("<"),
                                 ascending ? QStringLiteral("ASC") : QStringLiteral("DESC"))
                            .arg(ScanRows);
    const int columns = columnCount();
    std::vector<QVariantList> found;
    QElapsedTimer spent;
    spent.start();
    while (!m_scanDone && int(found.size()) < PageRows && spent.elapsed() < ScanBudgetMilliseconds) {
        QVariantList bound = values;
        bound << qlonglong(m_scanClosed) << qlonglong(m_scanId);
        const std::vector<QVariantList> chunk = m_store.select(sql, bound);
        m_scanDone = int(chunk.size()) < ScanRows;
        if (!chunk.empty()) {
            m_scanClosed = chunk.back()[columns].toLongLong();
            m_scanId = chunk.back()[columns + 1].toLongLong();
        }
        for (const QVariantList& row : chunk)
            if (row[columns + 2].toLongLong() != 0)
                found.push_back(row.mid(0, columns));
    }
    return found;
}

bool HistoryPageModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_more;
}

void HistoryPageModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || !m_more)
        return;
    std::vector<QVariantList> page;
    if (scansInChunks()) {
        page = scanChunks();
        m_more = !m_scanDone;
        // A first page not yet full goes on filling while the window answers.
        if (m_more && int(m_rows.size() + page.size()) < PageRows)
            QTimer::singleShot(0, this, [this] { fetchMore({}); });
    } else {
        page = query(PageRows, int(m_rows.size()));
        m_more = int(page.size()) == PageRows;
    }
    if (page.empty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(page.begin()), std::make_move_iterator(page.end()));
    endInsertRows();
}

void HistoryPageModel::refresh() {
    if (scansInChunks()) {
        beginResetModel();
        m_rows.clear();
        m_more = true;
        m_scanDone = false;
        const bool ascending = m_order == Qt::AscendingOrder;
        m_scanClosed = m_scanId = ascending ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        endResetModel();
        fetchMore({});
        return;
    }
    const int wanted = std::max(PageRows, int(m_rows.size()));
    std::vector<QVariantList> rows = query(wanted, 0);
    beginResetModel();
    m_more = int(rows.size()) == wanted;
    m_rows.swap(rows);
    endResetModel();
}

void HistoryPageModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount())
        return;
    m_sortColumn = column;
    m_order = order;
    m_rows.clear();
    refresh();
}

void HistoryPageModel::setFilter(const QString& text) {
    m_filter = text.trimmed();
    m_rows.clear();
    refresh();
}

QStringList HistoryPageModel::rowTexts(int row) const {
    QStringList texts;
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return texts;
    for (int column = 0; column < columnCount(); ++column)
        texts.append(columnsOf(m_table)[column].shown == Shown::Program ? m_rows[std::size_t(row)][column].toString()
                                                                          : shown(m_rows[std::size_t(row)], column));
    return texts;
}

QList<QStringList> HistoryPageModel::allRowTexts() {
    while (m_more)
        fetchMore({});
    QList<QStringList> rows;
    for (int row = 0; row < rowCount(); ++row)
        rows.append(rowTexts(row));
    return rows;
}

} // namespace history
