#pragma once

#include "connectionlist/ConnectionRow.h"

#include <QString>
#include <Qt>

#include <array>

namespace connectionlist {

// The list's columns, in the order the header shows them: the six designed ones, then those a
// user adds from the header's menu.
enum class Column : int {
    File,
    LocalPort,
    RemoteHost,
    RemotePort,
    Status,
    FilePath,
    Pid,
    User,
    LocalAddress,
    Protocol,
    Sent,
    Received,
    RoundTrip,
    CommandLine,
    Service,
    Namespace,
    // How many connections a program has (the view by program's parent rows), and the bytes
    // moved: a connection's own, a program's since the run first saw it.
    Connections,
    SentTotal,
    ReceivedTotal,
};
inline constexpr int ColumnCount = int(Column::ReceivedTotal) + 1;

// How a column sorts: by its text; by a number (ports, ids), the text breaking ties and
// ordering cells without one; or as a live figure, the largest first, with gone rows last in
// either order.
enum class SortKind { Text, Number, Figure };

// What a cell sorts by: a number (-1 for none) and the text; a cell marked last goes below the
// others in either order (a gone row in a sort by a live figure).
struct SortValue {
    qint64 number = -1;
    QString text;
    bool last = false;
};

// One column: all the list, the header's menu, the copy commands and the saved file know of it.
struct ColumnDescriptor {
    Column column;
    const char* header;
    double width; // HIMETRIC
    Qt::Alignment alignment;
    bool shownAtStart;
    SortKind sort;
    QString (*shown)(const ConnectionRow&);
    SortValue (*sortValue)(const ConnectionRow&);
    // The cell's tooltip where it is more than the shown text.
    QString (*toolTip)(const ConnectionRow&) = nullptr;
};

// Every column, indexed by Column.
const std::array<ColumnDescriptor, ColumnCount>& columns();

// What two rows sort by in one column, compared for a sort in `order`, as the list and any
// other view of the rows sorts them (see SortKind): below 0 when the left one goes first in an
// ascending sort, 0 for a tie.
int compareSortValues(const SortValue& left, const SortValue& right, Qt::SortOrder order);

} // namespace connectionlist
