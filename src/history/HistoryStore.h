#pragma once

#include "history/HistoryEntry.h"
#include "history/Sqlite.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace history {

// The history of closed connections: in memory for this run, or in the history file while the
// user keeps history (the file's existence is that choice). Entries are written on a thread of
// its own, all that arrived in one transaction at least once a second: the window never waits
// for the disk. A file that cannot be written pauses the writing (nothing is lost: the entries
// wait) until it can be written again.
class HistoryStore : public QObject {
    Q_OBJECT
public:
    static constexpr std::int64_t KeptDays = 30;

    // `folder`: where the history file lives (tests give a temporary one).
    explicit HistoryStore(const QString& folder, QObject* parent = nullptr);
    ~HistoryStore() override;

    QString filePath() const { return m_path; }
    bool keepsHistory() const;
    // Starts or stops keeping the history in the file. Turning it on copies this run's
    // history into it; turning it off stops writing, and deletes the file when asked.
    void setKeepsHistory(bool keep, bool deleteFile = false);

    // Queues closed connections for the next write. Safe from any thread.
    void record(std::vector<HistoryEntry> entries);
    // Writes what is queued now, and returns once it is written (or the writing is paused).
    void flush();

    // The closed-connection totals of each program (path and user) since this run started.
    std::vector<ProgramTotals> programTotalsSinceStart();

    // Rows of a query over the history (the window's pages), each field as text or number.
    std::vector<QVariantList> select(const QString& sql, const QVariantList& values);

    // Why writing is paused, in words for the user; empty while it writes.
    QString pausedBecause() const;

signals:
    // Rows were written. Sent from the writing thread.
    void recorded();
    // Something the user should read in the status bar. Sent from the window's thread.
    void message(const QString& text);

private:
    void run();
    // Opens the memory database or the file; false, with the reason said, when it cannot.
    bool openDatabase(bool file);
    bool write(const std::vector<HistoryEntry>& entries);
    void pruneIfDue();
    void tell(const QString& text);

    const QString m_path;
    const std::int64_t m_runStart;
    mutable std::mutex m_databaseMutex; // the connection, shared by the writer and the readers
    SqliteDatabase m_database;
    bool m_keeping = false;
    std::int64_t m_prunedAt = 0;

    mutable std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    std::vector<HistoryEntry> m_queue;
    std::uint64_t m_flushWanted = 0, m_flushDone = 0;
    bool m_stopping = false;
    QString m_paused;
    std::thread m_thread;
};

} // namespace history
