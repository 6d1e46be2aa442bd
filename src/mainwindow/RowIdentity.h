#pragma once

#include "snapshot/ConnectionTable.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace widgets {
class ListView;
}

// What makes a list row the same connection after a rebuild: all of its texts and its owner.
// Matching by position instead would hand a later "Terminate" or copy a different connection.
struct RowIdentity {
    static constexpr int TextCount = 10; // every column of the list
    std::array<QString, TextCount> texts;
    std::int32_t processId = 0;

    // The "Status" column: the one text a connection changes while it lives.
    static constexpr int StateText = 4;

    bool operator==(const RowIdentity&) const = default;
    // All but the state agree.
    bool sameConnectionAs(const RowIdentity& other) const;

    // The identity of row `index` (1-based); nothing for a row that does not exist.
    static std::optional<RowIdentity> ofRow(widgets::ListView& list, const ConnectionSnapshot& snapshot,
                                            int index);
    // The first row with this identity, else the first that differs only in its state; 0 when
    // none is the same connection.
    int findIn(widgets::ListView& list, const ConnectionSnapshot& snapshot) const;
};
