#include "mainwindow/RowIdentity.h"

#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListView.h"

std::optional<RowIdentity> RowIdentity::ofRow(widgets::ListView& list, const ConnectionSnapshot& snapshot,
                                              int index) {
    widgets::ListItem item = list.item(index);
    if (index < 1 || !item.isValid())
        return std::nullopt;
    RowIdentity identity;
    identity.texts[0] = item.text();
    for (int number = 1; number < int(identity.texts.size()); ++number)
        identity.texts[std::size_t(number)] = item.subItem(number);
    if (const ConnectionRecord* entry = snapshot.RowTable.at(index))
        identity.processId = entry->ProcessId;
    return identity;
}

int RowIdentity::findIn(widgets::ListView& list, const ConnectionSnapshot& snapshot) const {
    for (int index = 1; index <= list.itemCount(); ++index) {
        // The owner is the cheapest field to compare and rules out almost every row.
        const ConnectionRecord* entry = snapshot.RowTable.at(index);
        if (!entry || entry->ProcessId != processId)
            continue;
        if (ofRow(list, snapshot, index) == *this)
            return index;
    }
    return 0;
}
