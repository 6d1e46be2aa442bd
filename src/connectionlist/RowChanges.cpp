#include "connectionlist/RowChanges.h"

#include <QHash>

namespace connectionlist {
namespace {

// How often each connection occurs: two rows can share one key (a listing whose lines lack
// the local address), and each occurrence pairs with one on the other side.
QHash<ConnectionKey, int> occurrences(const std::vector<ConnectionRow>& rows) {
    QHash<ConnectionKey, int> counts;
    counts.reserve(qsizetype(rows.size()));
    for (const ConnectionRow& row : rows)
        ++counts[row.key];
    return counts;
}

} // namespace

RowChanges RowChanges::between(const std::vector<ConnectionRow>& previous,
                               const std::vector<ConnectionRow>& current) {
    RowChanges changes;
    QHash<ConnectionKey, int> before = occurrences(previous);
    changes.isNew.reserve(current.size());
    for (const ConnectionRow& row : current) {
        auto left = before.find(row.key);
        const bool known = left != before.end() && *left > 0;
        if (known)
            --*left;
        changes.isNew.push_back(!known);
    }
    QHash<ConnectionKey, int> now = occurrences(current);
    for (std::size_t index = 0; index < previous.size(); ++index) {
        auto left = now.find(previous[index].key);
        if (left != now.end() && *left > 0)
            --*left;
        else
            changes.gone.push_back(index);
    }
    return changes;
}

void markChanges(const std::vector<ConnectionRow>& previous, std::vector<ConnectionRow>& current,
                 std::chrono::steady_clock::time_point now) {
    const RowChanges changes = RowChanges::between(previous, current);
    for (std::size_t index = 0; index < changes.isNew.size(); ++index)
        if (changes.isNew[index]) {
            current[index].mark = RowMark::New;
            current[index].markedAt = now;
        }
    current.reserve(current.size() + changes.gone.size());
    for (const std::size_t gone : changes.gone) {
        ConnectionRow& row = current.emplace_back(previous[gone]);
        row.mark = RowMark::Gone;
        row.markedAt = now;
        // A gone connection moves nothing any more: it shows no rates, and a sort by them
        // keeps it below the live rows.
        row.traffic.reset();
    }
}

} // namespace connectionlist
