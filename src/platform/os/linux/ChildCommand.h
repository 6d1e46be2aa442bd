#pragma once

#include "platform/os/OperatingSystem.h"

namespace os::linuxbackend {

// Starts the program by its absolute path with standard output on a pipe, drains the pipe
// while the child runs, and kills the child when it outlives the request's timeout.
CommandResult runChildCommand(const CommandRequest& request);

} // namespace os::linuxbackend
