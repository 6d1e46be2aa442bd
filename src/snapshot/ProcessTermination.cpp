#include "snapshot/ProcessTermination.h"

#include <cerrno>

TerminationOutcome TerminateOwningProcess(os::OperatingSystem& system, std::int32_t processId,
                                          std::optional<std::uint64_t> startTime) {
    TerminationOutcome outcome;
    if (startTime && *startTime == 0) {
        // Gone before the refresh finished: its id may already be another program's.
        outcome.alreadyEnded = true;
        return outcome;
    }
    const os::TerminateResult result = system.terminateProcess(processId, startTime);
    outcome.ended = result.signalled;
    outcome.alreadyEnded = result.alreadyEnded;
    if (!result.signalled && !result.alreadyEnded)
        outcome.errorText = FormatLastSystemError(system, result.errorCode);
    return outcome;
}

QString FormatLastSystemError(os::OperatingSystem& system, int errorCode) {
    return system.systemErrorText(errorCode);
}

TerminationWatch::TerminationWatch(os::OperatingSystem& system, std::int32_t processId,
                                   std::uint64_t startTime, std::chrono::milliseconds limit, QObject* parent)
    : QObject(parent), m_system(system), m_processId(processId), m_startTime(startTime),
      m_deadline(std::chrono::steady_clock::now() + limit) {
    m_timer.setInterval(CheckInterval);
    connect(&m_timer, &QTimer::timeout, this, &TerminationWatch::check);
    m_timer.start();
    // The first look comes from the event loop as well, so the caller can connect first.
}

void TerminationWatch::check() {
    if (m_done)
        return;
    const bool ended = m_system.processHasEnded(m_processId, m_startTime);
    if (!ended && std::chrono::steady_clock::now() < m_deadline)
        return;
    m_done = true;
    m_timer.stop();
    emit finished(ended);
}
