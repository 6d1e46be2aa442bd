#include "connectionlist/ProgramTreeModel.h"

#include "connectionlist/ConnectionModel.h"

#include <algorithm>

namespace connectionlist {
namespace {

// A parent's internal id is 0; a child's is its program's place plus one, times a large odd
// number. An index's hash is its row times 16 plus its column and id, and the persistent
// indexes' table finds its slot from the hash's low bits: ids in plain sequence would put
// thousands of children in one run of slots, and every insertion and removal would walk it.
constexpr quintptr ParentId = 0;
constexpr quintptr ProgramSpread = 0x9E3779B1u;

quintptr childId(int program) {
    return (quintptr(program) + 1) * ProgramSpread;
}

int programOf(quintptr id) {
    return int(id / ProgramSpread) - 1;
}

} // namespace

ProgramTreeModel::ProgramTreeModel(ConnectionModel& rows, const ProgramTraffic& traffic, QObject* parent)
    : QAbstractItemModel(parent), m_rows(rows), m_traffic(traffic) {
    connect(&rows, &QAbstractItemModel::modelAboutToBeReset, this, &ProgramTreeModel::beginResetModel);
    connect(&rows, &QAbstractItemModel::modelReset, this, [this] {
        rebuild();
        endResetModel();
    });
    connect(&rows, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { beginRelayout(); });
    connect(&rows, &QAbstractItemModel::layoutChanged, this, [this] { endRelayout(); });
    connect(&rows, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { beginRelayout(); });
    connect(&rows, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { endRelayout(first, last - first + 1); });
    connect(&rows, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                    emit dataChanged(indexOfRow(row, topLeft.column()),
                                     indexOfRow(row, bottomRight.column()));
            });
    rebuild();
}

void ProgramTreeModel::rebuild() {
    m_programs.clear();
    m_programIndex.clear();
    const std::vector<ConnectionRow>& rows = m_rows.rows();
    m_placeOfRow.assign(rows.size(), {-1, -1});
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const ConnectionRow& row = rows[index];
        ProgramKey key = programKeyOf(row);
        auto found = m_programIndex.constFind(key);
        if (found == m_programIndex.cend()) {
            found = m_programIndex.insert(key, int(m_programs.size()));
            ProgramGroup program;
            program.key = std::move(key);
            program.fileName = row.fileName;
            program.shownPath = row.shownPath;
            m_programs.push_back(std::move(program));
        }
        ProgramGroup& program = m_programs[std::size_t(*found)];
        m_placeOfRow[index] = {*found, int(program.rows.size())};
        program.rows.push_back(int(index));
        if (row.isGone())
            continue;
        ++program.connections;
        if (std::find(program.processIds.begin(), program.processIds.end(), row.processId) ==
            program.processIds.end())
            program.processIds.push_back(row.processId);
        if (row.traffic) {
            program.sampled = true;
            program.rates.sentPerSecond += row.traffic->sentPerSecond.value_or(0);
            program.rates.receivedPerSecond += row.traffic->receivedPerSecond.value_or(0);
        }
    }
    for (ProgramGroup& program : m_programs)
        program.totals = m_traffic.totalsOf(program.key);
}

void ProgramTreeModel::beginRelayout() {
    emit layoutAboutToBeChanged();
    m_heldIndexes = persistentIndexList();
    m_held.clear();
    m_held.reserve(std::size_t(m_heldIndexes.size()));
    for (const QModelIndex& index : std::as_const(m_heldIndexes)) {
        const ProgramGroup* program = programAt(index);
        m_held.push_back({program ? program->key : ProgramKey{}, rowOf(index), index.column()});
    }
}

void ProgramTreeModel::endRelayout(int removedFirst, int removedCount) {
    rebuild();
    QModelIndexList now;
    now.reserve(m_heldIndexes.size());
    for (const Held& held : m_held) {
        if (held.row < 0) {
            const auto found = m_programIndex.constFind(held.program);
            now.append(found == m_programIndex.cend() ? QModelIndex() : index(*found, held.column));
            continue;
        }
        int row = held.row;
        if (removedCount > 0 && row >= removedFirst)
            row = row < removedFirst + removedCount ? -1 : row - removedCount;
        now.append(row < 0 ? QModelIndex() : indexOfRow(row, held.column));
    }
    changePersistentIndexList(m_heldIndexes, now);
    m_heldIndexes.clear();
    m_held.clear();
    emit layoutChanged();
}

QModelIndex ProgramTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    if (!parent.isValid())
        return std::size_t(row) < m_programs.size() ? createIndex(row, column, ParentId) : QModelIndex();
    if (parent.internalId() != ParentId || std::size_t(parent.row()) >= m_programs.size())
        return {};
    const ProgramGroup& program = m_programs[std::size_t(parent.row())];
    return std::size_t(row) < program.rows.size() ? createIndex(row, column, childId(parent.row()))
                                                  : QModelIndex();
}

QModelIndex ProgramTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == ParentId)
        return {};
    return createIndex(programOf(child.internalId()), 0, ParentId);
}

int ProgramTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_programs.size());
    if (parent.internalId() != ParentId || parent.column() != 0)
        return 0;
    return int(m_programs[std::size_t(parent.row())].rows.size());
}

int ProgramTreeModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

const ProgramGroup* ProgramTreeModel::programAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.internalId() != ParentId)
        return nullptr;
    return std::size_t(index.row()) < m_programs.size() ? &m_programs[std::size_t(index.row())] : nullptr;
}

const ProgramGroup* ProgramTreeModel::program(const ProgramKey& key) const {
    const auto found = m_programIndex.constFind(key);
    return found == m_programIndex.cend() ? nullptr : &m_programs[std::size_t(*found)];
}

const ConnectionRow* ProgramTreeModel::connectionRow(int row) const {
    return m_rows.row(row);
}

int ProgramTreeModel::rowOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.internalId() == ParentId)
        return -1;
    const ProgramGroup& program = m_programs[std::size_t(programOf(index.internalId()))];
    return std::size_t(index.row()) < program.rows.size() ? program.rows[std::size_t(index.row())] : -1;
}

QModelIndex ProgramTreeModel::indexOfRow(int row, int column) const {
    if (row < 0 || std::size_t(row) >= m_placeOfRow.size())
        return {};
    const auto [program, place] = m_placeOfRow[std::size_t(row)];
    return createIndex(place, column, childId(program));
}

QString ProgramTreeModel::programText(const ProgramGroup& program, int column) const {
    const auto rate = [&program](double rate) {
        return program.sampled ? bytesPerSecondText(rate) : QString();
    };
    const auto total = [&program](std::uint64_t bytes) {
        return program.sampled || bytes > 0 ? bytesText(double(bytes)) : QString();
    };
    switch (Column(column)) {
    case Column::File:
        return program.fileName;
    case Column::FilePath:
        return program.shownPath;
    case Column::User:
        return program.key.user;
    case Column::Connections:
        return QString::number(program.connections);
    case Column::Sent:
        return rate(program.rates.sentPerSecond);
    case Column::Received:
        return rate(program.rates.receivedPerSecond);
    case Column::SentTotal:
        return total(program.totals.sent);
    case Column::ReceivedTotal:
        return total(program.totals.received);
    default:
        return {};
    }
}

SortValue ProgramTreeModel::programSortValue(const ProgramGroup& program, int column) const {
    switch (Column(column)) {
    case Column::Connections:
        return {program.connections, {}};
    case Column::Sent:
        return {qRound64(program.rates.sentPerSecond), {}};
    case Column::Received:
        return {qRound64(program.rates.receivedPerSecond), {}};
    case Column::SentTotal:
        return {qint64(program.totals.sent), {}};
    case Column::ReceivedTotal:
        return {qint64(program.totals.received), {}};
    default:
        return {-1, programText(program, column)};
    }
}

QVariant ProgramTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (const int row = rowOf(index); row >= 0)
        return m_rows.data(m_rows.index(row, index.column()), role);
    const ProgramGroup* program = programAt(index);
    if (!program)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return programText(*program, index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(columns()[std::size_t(index.column())].alignment | Qt::AlignVCenter);
    case Qt::DecorationRole:
        // The program's icon, as its connections show it.
        return index.column() == int(Column::File) && !program->rows.empty()
                   ? m_rows.data(m_rows.index(program->rows.front(), index.column()), role)
                   : QVariant();
    case widgets::SortRole: {
        const SortValue value = programSortValue(*program, index.column());
        return value.number >= 0 ? QVariant(value.number) : QVariant(value.text);
    }
    case widgets::MarkRole:
        return int(widgets::RowMark::None);
    case widgets::KeyRole:
        return program->key.path + QChar(0) + program->key.user;
    default:
        return {};
    }
}

QVariant ProgramTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return m_rows.headerData(section, orientation, role);
}

int ProgramTreeModel::compareItems(const QModelIndex& left, const QModelIndex& right, int column,
                                   Qt::SortOrder order) const {
    const int leftRow = rowOf(left);
    const int rightRow = rowOf(right);
    if (leftRow >= 0 && rightRow >= 0)
        return m_rows.compareRows(leftRow, rightRow, column, order);
    const ProgramGroup* leftProgram = programAt(left);
    const ProgramGroup* rightProgram = programAt(right);
    if (!leftProgram || !rightProgram)
        return 0;
    return compareSortValues(programSortValue(*leftProgram, column), programSortValue(*rightProgram, column),
                             order);
}

bool ProgramTreeModel::itemContains(const QModelIndex& index, int column, const QString& text) const {
    if (const int row = rowOf(index); row >= 0)
        return m_rows.cellContains(row, column, text);
    const ProgramGroup* program = programAt(index);
    return program && widgets::textMatches(programText(*program, column), -1, text);
}

} // namespace connectionlist
