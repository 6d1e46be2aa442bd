#pragma once

#include "connectionlist/ConnectionRow.h"
#include "snapshot/ConnectionTable.h"
#include "snapshot/NetstatCommand.h"
#include "snapshot/NetstatParser.h"
#include "snapshot/Yield.h"

#include <QHash>

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
    // When the other network namespaces were read: the connections of each, the program's own
    // first, by the name the Namespace column gives it; `shown` is false for those left out.
    struct NamespaceCount {
        QString name;
        int connections = 0;
        bool shown = true;
    };
    std::vector<NamespaceCount> namespaceCounts;
};

// What the list shows: the kinds of socket, numbers in place of names, and the network
// namespaces: the other ones are read when asked, and listed when also shown.
struct ListingChoice {
    ListingKinds kinds;
    bool numeric = false;
    bool readNamespaces = false;
    bool showNamespaces = false;
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
    // The services of the owners and of the namespaces' processes, from one look at the system.
    QHash<std::int32_t, os::ProcessService> readServices() const;
    // Counts the connections of each namespace, and leaves the other namespaces' out when they
    // are not shown.
    void countNamespaces(bool shown, std::vector<Listing::NamespaceCount>& counts,
                         const QHash<std::int32_t, os::ProcessService>& services);
    std::optional<std::vector<ConnectionRow>>
    buildRows(const Callbacks& callbacks, const QHash<std::int32_t, os::ProcessService>& services);

    // The shown name of each other namespace of the last listing.
    QHash<std::uint64_t, QString> m_namespaceNames;

    os::OperatingSystem& m_system;
    ConnectionSnapshot& m_snapshot;
};

} // namespace connectionlist
