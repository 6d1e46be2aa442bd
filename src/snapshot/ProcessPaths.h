#pragma once

#include "platform/os/OperatingSystem.h"
#include "snapshot/ConnectionTable.h"
#include "snapshot/Yield.h"

// Writes the owning executable's path into ImagePath of every live record whose process
// can be read; the others keep the empty path the parser gave them.
void ResolveProcessPaths(ConnectionSnapshot& snapshot, os::OperatingSystem& system,
                         const YieldFunction& yield = {});
