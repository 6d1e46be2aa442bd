#pragma once

#include "HostNames.h"
#include "TcpSocketTable.h"

#include <chrono>
#include <string>
#include <vector>

struct ListingOptions {
    bool numeric = false; // -n: no service or host names
    bool all = false;     // -a: the listening TCP sockets and the UDP endpoints too
    bool trafficInfo = false; // each TCP socket's tcp_info too (--json -i)
    std::chrono::milliseconds lookupDeadline{500};
    // The owner scan's budget: whatever it has not found by then is printed as unknown.
    std::chrono::milliseconds ownerScanBudget{2000};
    std::string procRoot = "/proc";
};

// What the listing can say of a socket's owner.
enum class OwnerKind {
    Found,          // processId holds it
    None,           // no process holds it (time-wait, an orphan, one kept by the kernel alone)
    Hidden,         // a process the user may not see may hold it
    NotFoundInTime, // the owner scan's budget ran out before it was found
};

struct ListedConnection {
    os::sockets::TcpSocket socket;
    std::int32_t processId = 0; // 0 unless the owner was found
    OwnerKind owner = OwnerKind::None;
    // 0 for the command's own network namespace, else the other namespace's place (from 1).
    std::uint32_t space = 0;
};

// A network namespace other than the command's own, as the listing names it: by the inode of
// its /proc/PID/ns/net link and the process it was read through (the lowest id in it).
struct ListedNamespace {
    std::uint64_t inode = 0;
    std::int32_t processId = 0;
};

// Every TCP connection that is not listening, IPv4 then IPv6, in the kernel's order, owners
// not yet known. `readable` (when given) is set to false when the kernel's TCP table could
// be read from no source at all: the empty list then means nothing.
std::vector<ListedConnection> collectConnections(const ListingOptions& options, bool* readable = nullptr);

// Sets each connection's owning process, from one pass over the descriptors of every process
// that the calling thread shares with a few threads it starts (about one a processor): they
// have its capabilities, and all have ended when it returns. The pass stops at the budget.
void findOwners(std::vector<ListedConnection>& connections, const std::string& procRoot,
                std::chrono::milliseconds budget = std::chrono::milliseconds(2000));

// Hides each owner whose /proc entry the user could not search without capabilities:
// where /proc hides other users' processes (hidepid), the listing must not show them either.
void hideOwnersUnseenByTheUser(std::vector<ListedConnection>& connections, const std::string& procRoot);

// "127.0.0.1" or "[::1]"; an IPv4-mapped IPv6 address stays IPv6. A link-local IPv6 address
// carries the zone of its interface, "[fe80::1%lo]": without it, it names no one host.
std::string numericHost(int family, const std::array<std::uint8_t, 16>& address, std::uint32_t interfaceIndex = 0);

// The owner column: the process id, "0" when no process holds the socket, "-" when one the
// user may not see may hold it, "?" when the scan ran out of time before finding it.
std::string ownerField(const ListedConnection& connection);

// The whole text: title, column header, one CRLF-ended line per connection. hostNames
// holds, per connection, the foreign host's name or an empty text for the numeric form.
// Connections of other network namespaces follow the command's own, each namespace under a
// title and header of its own that names it (`namespaces` as collectNamespaceConnections
// returns them).
class ServiceNames;
std::string formatListing(const std::vector<ListedConnection>& connections, bool numeric,
                          ServiceNames* services, const std::vector<std::string>& hostNames,
                          const std::vector<ListedNamespace>& namespaces = {});

// The foreign host name of each connection (empty = numeric), looked up in parallel, each
// distinct address once. Those of other network namespaces stay numeric: this machine's
// resolver need not be theirs, and the program matches names back to numbers only in its own. Sets
// allAnswered to false when the deadline cut lookups short.
std::vector<std::string> foreignHostNames(const std::vector<ListedConnection>& connections,
                                          std::chrono::milliseconds deadline, bool* allAnswered);
