#pragma once

#include "platform/os/TrafficSampler.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace os {

// One TCP connection the system closed, with what it knew of it at the end.
struct ClosedSocket {
    ConnectionEnds ends;
    // Payload figures at the end; none where the platform tells no final counts.
    std::optional<TrafficFigures> figures;
    std::uint64_t cookie = 0;            // the kernel's name for the socket, 0 where none
    std::optional<std::uint32_t> userId; // the socket's owner, where the system tells
    QString userName;                    // that user's name (or number), where it tells
    std::int32_t processId = 0;          // where the system's table tells, else 0
    std::chrono::system_clock::time_point closedAt;
};

// Collects closed connections on a thread of its own and hands them over in batches. What
// arrives while the window is busy waits in a queue of bounded size; past the bound the
// excess is counted, never silently lost.
class ConnectionRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t QueueBound = 100000;

    using QObject::QObject;

    virtual void start() = 0;
    // Returns once nothing is being recorded any more.
    virtual void stop() = 0;
    // False where the platform tells no byte counts of closed connections.
    virtual bool countsBytes() const = 0;

    struct Batch {
        std::vector<ClosedSocket> sockets;
        std::uint64_t dropped = 0; // closed connections lost since the last batch
    };
    // What closed since the last call. Safe from any thread.
    Batch take();
    // Why recording does not run, in words for the user; empty while it runs.
    QString failure() const;

signals:
    // The queue was empty and now holds something. Sent from the recording thread.
    void closed();

protected:
    // Adds to the queue, counting what passes its bound; `lost` counts what the system
    // itself could not deliver.
    void deliver(std::vector<ClosedSocket>& sockets, std::uint64_t lost = 0);
    void setFailure(const QString& failure);

private:
    mutable std::mutex m_mutex;
    std::vector<ClosedSocket> m_queue;
    std::uint64_t m_dropped = 0;
    QString m_failure;
};

} // namespace os
