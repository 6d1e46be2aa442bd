#pragma once

#include "connectionlist/ConnectionRow.h"

#include <chrono>
#include <vector>

namespace connectionlist {

// How the rows of one refresh differ from those of the refresh before. A connection is the
// same one while its key stays: a state that moved on (ESTABLISHED to CLOSE_WAIT) or a path
// read differently does not make it new.
struct RowChanges {
    std::vector<bool> isNew;          // one per current row
    std::vector<std::size_t> gone;    // indexes into the previous rows, in their order

    static RowChanges between(const std::vector<ConnectionRow>& previous, const std::vector<ConnectionRow>& current);
};

// Marks the rows of `current` that are new since `previous`, and appends the rows of
// `previous` that are gone since, marked gone at `now` and without their figures.
void markChanges(const std::vector<ConnectionRow>& previous, std::vector<ConnectionRow>& current,
                 std::chrono::steady_clock::time_point now);

} // namespace connectionlist
