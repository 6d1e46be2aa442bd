#pragma once

#include "platform/os/OperatingSystem.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

// What became of a request to end a process.
struct TerminationOutcome {
    bool ended = false;        // told to end; TerminationWatch says when it is gone
    bool alreadyEnded = false; // the id no longer named the process: nothing was ended
    QString errorText;         // the system's description of a refusal; empty otherwise
};

// Tells the process to end at once and says whether it was. With the start time the row's
// process had at the refresh, a process that ended since and whose id now names another
// program is left alone (start time 0: the process was already gone at the refresh).
TerminationOutcome TerminateOwningProcess(os::OperatingSystem& system, std::int32_t processId,
                                          std::optional<std::uint64_t> startTime = std::nullopt);

// The system's message text for the error code of a failed call.
QString FormatLastSystemError(os::OperatingSystem& system, int errorCode);

// Watches, without blocking, a process that was told to end: `finished(true)` once it is
// gone, `finished(false)` when it is still there after the limit. Emitted once.
class TerminationWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds DefaultLimit{3000};
    static constexpr std::chrono::milliseconds CheckInterval{20};

    TerminationWatch(os::OperatingSystem& system, std::int32_t processId, std::uint64_t startTime,
                     std::chrono::milliseconds limit = DefaultLimit, QObject* parent = nullptr);

signals:
    void finished(bool ended);

private:
    void check();

    os::OperatingSystem& m_system;
    std::int32_t m_processId;
    std::uint64_t m_startTime;
    std::chrono::steady_clock::time_point m_deadline;
    QTimer m_timer;
    bool m_done = false;
};
