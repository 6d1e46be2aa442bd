#pragma once

#include "platform/os/OperatingSystem.h"

#include <QString>

// What became of a request to end a process.
struct TerminationOutcome {
    bool ended = false;
    QString errorText; // the system's description of the failure; empty when ended
};

// Ends the process at once and says whether it did.
TerminationOutcome TerminateOwningProcess(os::OperatingSystem& system, std::int32_t processId);

// The system's message text for the error code of a failed call.
QString FormatLastSystemError(os::OperatingSystem& system, int errorCode);
