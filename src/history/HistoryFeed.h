#pragma once

#include "history/HistoryEntry.h"
#include "platform/os/ConnectionRecorder.h"

#include <QHash>
#include <QObject>

#include <memory>

namespace connectionlist {
class ConnectionModel;
}
namespace os {
class OperatingSystem;
}

namespace history {

class HistoryStore;

// Carries closed connections from the operating-system layer's recorder into the history:
// each gets its owner (process, program, user) and the time it was first seen from the latest
// listing that saw the same ends.
class HistoryFeed : public QObject {
    Q_OBJECT
public:
    static inline const QString NeverSeen = QStringLiteral("closed before it was seen");

    HistoryFeed(os::OperatingSystem& system, const connectionlist::ConnectionModel& rows, HistoryStore& store,
                QObject* parent = nullptr);
    ~HistoryFeed() override;

    // False where the platform tells no byte counts of closed connections.
    bool countsBytes() const;
    // Takes what the recorder holds now (it also does so by itself as connections close).
    void takeClosed();

signals:
    // Something the user should read in the status bar.
    void message(const QString& text);
    // Closed connections as they are handed to the store, for live totals kept elsewhere.
    void closedConnections(const std::vector<history::HistoryEntry>& entries);

private:
    struct Owner {
        std::int32_t processId = 0;
        QString program;
        QString user;
        std::int64_t firstSeen = 0;
    };
    void indexRows();
    HistoryEntry entryOf(const os::ClosedSocket& socket);

    os::OperatingSystem& m_system;
    const connectionlist::ConnectionModel& m_rows;
    HistoryStore& m_store;
    std::unique_ptr<os::ConnectionRecorder> m_recorder;
    QHash<os::ConnectionEnds, Owner> m_owners;
};

} // namespace history
