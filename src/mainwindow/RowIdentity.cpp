#include "mainwindow/RowIdentity.h"

#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"

static_assert(RowIdentity::TextCount < widgets::ListRow::ColumnCount);

std::optional<RowIdentity> RowIdentity::ofRow(widgets::ListView& list, const ConnectionSnapshot& snapshot,
                                              int index) {
    widgets::ListItem item = list.item(index);
    if (index < 1 || !item.isValid())
        return std::nullopt;
    RowIdentity identity;
    const QStringList texts = list.rowTexts(index);
    for (int column = 0; column < int(texts.size()) && column < int(identity.texts.size()); ++column)
        identity.texts[std::size_t(column)] = texts[column];
    if (const ConnectionRecord* entry = snapshot.RowTable.at(index))
        identity.processId = entry->ProcessId;
    return identity;
}

int RowIdentity::findIn(widgets::ListView& list, const ConnectionSnapshot& snapshot) const {
    // The same texts first; else the same connection whose state alone moved on
    // (established to close-wait), which is still the connection the user picked.
    int sameButState = 0;
    for (int index = 1; index <= list.itemCount(); ++index) {
        // The owner is the cheapest field to compare and rules out almost every row.
        const ConnectionRecord* entry = snapshot.RowTable.at(index);
        if (!entry || entry->ProcessId != processId)
            continue;
        const std::optional<RowIdentity> row = ofRow(list, snapshot, index);
        if (!row)
            continue;
        if (*row == *this)
            return index;
        if (!sameButState && row->sameConnectionAs(*this))
            sameButState = index;
    }
    return sameButState;
}

bool RowIdentity::sameConnectionAs(const RowIdentity& other) const {
    for (int number = 0; number < int(texts.size()); ++number)
        if (number != StateText && texts[std::size_t(number)] != other.texts[std::size_t(number)])
            return false;
    return processId == other.processId;
}
