#pragma once

#include "ConnectionListing.h"

#include <cstdint>
#include <vector>

// Appends the connections of every other network namespace that some process the user may
// see is in, namespace by namespace, each marked with its place in the returned list (from 1).
// Each namespace is read once, through its first process: /proc/PID/net/tcp and tcp6, and
// udp and udp6 with -a. Finding a namespace needs the process's ns link, which only the
// process's own user may read without the grant.
std::vector<ListedNamespace> collectNamespaceConnections(const ListingOptions& options,
                                                         std::vector<ListedConnection>& connections);
