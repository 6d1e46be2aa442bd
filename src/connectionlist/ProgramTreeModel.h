#pragma once

#include "connectionlist/ConnectionColumns.h"
#include "connectionlist/ProgramTraffic.h"
#include "platform/widgets/ListRoles.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QPersistentModelIndex>

#include <vector>

namespace connectionlist {

class ConnectionModel;

// One program of the view by program: what its parent row shows, and its connections as the
// connection model's rows.
struct ProgramGroup {
    ProgramKey key;
    QString fileName;
    QString shownPath;
    std::vector<int> rows;                // of the connection model, in its order
    int connections = 0;                  // live ones; rows of gone connections stay a moment
    std::vector<std::int32_t> processIds; // of the live connections, each once, in order of first row
    bool sampled = false;                 // some connection has figures
    ProgramRates rates;
    ProgramTotals totals;
};

// The connection model's rows as a tree: one parent per program (ProgramKey), its connections
// as children with every column of the flat list. A parent's cells are the program's file,
// connection count, rates and totals, user and path; the rest stay empty. It follows the
// connection model: a new listing rebuilds it, a sample or gone rows leaving move it without
// losing expansion or selection.
class ProgramTreeModel : public QAbstractItemModel, public widgets::RowTree {
    Q_OBJECT
public:
    ProgramTreeModel(ConnectionModel& rows, const ProgramTraffic& traffic, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QModelIndex indexOfRow(int row, int column) const override;
    int rowOf(const QModelIndex& index) const override;
    int compareItems(const QModelIndex& left, const QModelIndex& right, int column,
                     Qt::SortOrder order) const override;
    bool itemContains(const QModelIndex& index, int column, const QString& text) const override;

    // The program of a parent row; nothing for a child or an invalid index.
    const ProgramGroup* programAt(const QModelIndex& index) const;
    const ProgramGroup* program(const ProgramKey& key) const;
    const std::vector<ProgramGroup>& programs() const { return m_programs; }
    // A row of the connection model, by its place there.
    const ConnectionRow* connectionRow(int row) const;
    // A parent's cell as shown and as sorted.
    QString programText(const ProgramGroup& program, int column) const;
    SortValue programSortValue(const ProgramGroup& program, int column) const;

private:
    void rebuild();
    // A change that keeps the rows (a sample) or only drops some (gone rows leaving): the
    // views keep their expanded and selected rows through it.
    void beginRelayout();
    void endRelayout(int removedFirst = -1, int removedCount = 0);

    ConnectionModel& m_rows;
    const ProgramTraffic& m_traffic;
    std::vector<ProgramGroup> m_programs;
    QHash<ProgramKey, int> m_programIndex;
    // Of each connection row: its program and its place among the program's rows.
    std::vector<std::pair<int, int>> m_placeOfRow;
    // Held over a relayout: what each persistent index stood for (a program, or a flat row).
    struct Held {
        ProgramKey program;
        int row = -1;
        int column = 0;
    };
    QModelIndexList m_heldIndexes;
    std::vector<Held> m_held;
};

} // namespace connectionlist
