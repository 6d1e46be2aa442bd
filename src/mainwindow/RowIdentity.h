#pragma once

#include "snapshot/ConnectionTable.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace widgets {
class ListView;
}

// What makes a list row the same connection after a rebuild: all of its texts and its owner.
// Matching by position instead would hand a later "Terminate" or copy a different connection.
struct RowIdentity {
    // Every column of the list but the live figures, which change while the connection lives.
    static constexpr int TextCount = 10;
    std::array<QString, TextCount> texts;
    std::int32_t processId = 0;

    RowIdentity() = default;
    // From a row's texts, those of the live figures left out.
    template <std::size_t Columns>
    RowIdentity(const std::array<QString, Columns>& rowTexts, std::int32_t owner) : processId(owner) {
        static_assert(Columns >= TextCount);
        std::copy_n(rowTexts.begin(), TextCount, texts.begin());
    }

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
