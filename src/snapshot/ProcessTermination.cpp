#include "snapshot/ProcessTermination.h"

TerminationOutcome TerminateOwningProcess(os::OperatingSystem& system, std::int32_t processId) {
    TerminationOutcome outcome;
    const os::TerminateResult result = system.terminateProcess(processId);
    outcome.ended = result.ended;
    if (!result.ended)
        outcome.errorText = FormatLastSystemError(system, result.errorCode);
    return outcome;
}

QString FormatLastSystemError(os::OperatingSystem& system, int errorCode) {
    return system.systemErrorText(errorCode);
}
