#pragma once

#include "connectionlist/ConnectionRow.h"
#include "snapshot/ConnectionTable.h"
#include "snapshot/NetstatCommand.h"
#include "snapshot/NetstatParser.h"
#include "snapshot/Yield.h"

#include <functional>
#include <optional>
#include <vector>

namespace os {
class OperatingSystem;
}

namespace connectionlist {

// What one run of the lister found.
struct Listing {
    std::vector<ConnectionRow> rows; // in the command's order
    // Why the command gave no listing; empty when it ran and succeeded.
    QString failure;
    // The listing was longer than the runner keeps: it holds only the first connections.
    bool cut = false;
    // Connections whose owners the listing could not name: left out (other users', closing
    // ones) or listed as "Unknown" (not found in time).
    OwnerlessCounts ownerless;
};

// What the list shows: the kinds of socket, and numbers in place of names.
struct ListingChoice {
    ListingKinds kinds;
    bool numeric = false;
};

// Takes a snapshot of the machine's connections and builds one row per connection: runs the
// listing command, parses it into the snapshot's table, matches each line to the kernel's
// socket, reads the owners' paths, users and command lines. It knows no window: the caller
// lets window messages run and shows progress through the callbacks.
class ConnectionLister {
public:
    struct Callbacks {
        // Inside loops over many lines or rows: lets window messages run now and then.
        YieldFunction pacedYield;
        // While the command runs (the runner spaces these itself).
        YieldFunction commandYield;
        // After each stage, with the progress reached (4, 6, 8); false abandons the listing
        // (the window went away meanwhile).
        std::function<bool(int progress)> stageDone;
        // Asked after every yield; false abandons the listing.
        std::function<bool()> stillWanted;
    };

    ConnectionLister(os::OperatingSystem& system, ConnectionSnapshot& snapshot);

    // Nothing when abandoned.
    std::optional<Listing> list(const ListingChoice& choice, const Callbacks& callbacks);

private:
    std::optional<std::vector<ConnectionRow>> buildRows(const Callbacks& callbacks);

    os::OperatingSystem& m_system;
    ConnectionSnapshot& m_snapshot;
};

} // namespace connectionlist
