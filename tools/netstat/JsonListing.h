#pragma once

// The companion's machine-readable listing (--json): one JSON object per socket and line
// (NDJSON), always in numbers. Plain C++.

#include "ConnectionListing.h"

#include <string>
#include <string_view>
#include <vector>

// The executable path of each connection's owner (empty where there is none or it cannot be
// read), each process read once. Read while the owners are, with the same rights.
std::vector<std::string> ownerProgramPaths(const std::vector<ListedConnection>& connections,
                                           const std::string& procRoot);

// Appends `text` as a JSON string: quoted, with quotes, backslashes and control, line- and
// direction-formatting characters escaped, and bytes that are no UTF-8 as U+FFFD.
void appendJsonString(std::string& out, std::string_view text);

// One line per connection; `programs` as ownerProgramPaths gives them. With trafficInfo, each
// object carries "tcp_info": the kernel's counters, or null where it gave none.
std::string formatJsonListing(const std::vector<ListedConnection>& connections,
                              const std::vector<std::string>& programs, bool trafficInfo);
