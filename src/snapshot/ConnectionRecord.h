#pragma once

#include "platform/os/OperatingSystem.h"

#include <QString>

#include <cstdint>

// One TCP connection as the command output and the process scan describe it.
struct ConnectionRecord {
    QString ImagePath;          // owning executable's full path; empty when not resolved
    std::int32_t ProcessId = 0; // owning process; 0 when no process the user may see holds it
    QString LocalPort;
    QString RemotePort;
    QString RemoteHost;
    QString State;     // empty for a UDP endpoint, which has none
    QString Protocol;  // "TCP" or "UDP", as printed
    QString LocalHost; // the local address as printed, without brackets
    // The remote address in numbers ("::1"), whatever RemoteHost shows; empty when unknown.
    QString RemoteAddress;
    // When the owning process started, read with its path: Terminate ends the process only
    // while its id still names that same process. 0 when it was gone by then.
    std::uint64_t ProcessStartTime = 0;
    // Where ImagePath was read: a path not read from the executable link is unverified.
    os::PathSource ImagePathSource = os::PathSource::ExecutableLink;
    // The network namespace the connection is in, by its inode; 0 for the program's own.
    std::uint64_t NetNamespace = 0;

    bool operator==(const ConnectionRecord&) const = default;
};
