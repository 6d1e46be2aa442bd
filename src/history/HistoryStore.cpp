#include "history/HistoryStore.h"

#include "history/HistoryFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QVariant>

#include <sqlite3.h>

namespace history {

namespace {

constexpr std::int64_t DayMilliseconds = 24 * 60 * 60 * 1000;

std::int64_t nowMilliseconds() {
    return QDateTime::currentMSecsSinceEpoch();
}

QString dayOf(std::int64_t milliseconds) {
    return QDateTime::fromMSecsSinceEpoch(milliseconds).date().toString(Qt::ISODate);
}

// Copies rows from the attached database "other" into "main", keeping program days added up.
bool copyHistory(SqliteDatabase& database, const QString& otherPath, std::int64_t closedSince) {
    {
        SqliteStatement attach(database, QStringLiteral("ATTACH DATABASE ? AS other"));
        attach.bind(1, otherPath);
        if (attach.step() != SQLITE_DONE)
            return false;
    }
    bool copied = database.exec("BEGIN") == SQLITE_OK;
    {
        SqliteStatement rows(database, QStringLiteral(
            "INSERT INTO main.connections (program, user, process_id, protocol, local_address, local_port,"
            " remote_address, remote_port, opened, closed, sent, received, round_trip_us, retransmits)"
            " SELECT program, user, process_id, protocol, local_address, local_port, remote_address,"
            " remote_port, opened, closed, sent, received, round_trip_us, retransmits"
            " FROM other.connections WHERE closed >= ?"));
        rows.bind(1, closedSince);
        SqliteStatement days(database, QStringLiteral(
            "INSERT INTO main.program_days SELECT * FROM other.program_days WHERE day >= ?"
            " ON CONFLICT (day, program, user) DO UPDATE SET connections = connections + excluded.connections,"
            " sent = sent + excluded.sent, received = received + excluded.received,"
            " listening = listening + excluded.listening, idle = idle + excluded.idle"));
        days.bind(1, dayOf(closedSince));
        copied = copied && rows.step() == SQLITE_DONE && days.step() == SQLITE_DONE;
    }
    copied = copied && database.exec("COMMIT") == SQLITE_OK;
    if (!copied)
        database.exec("ROLLBACK");
    database.exec("DETACH DATABASE other");
    return copied;
}

const char* const CopyToKept =
    "BEGIN;"
    "INSERT INTO kept.connections (program, user, process_id, protocol, local_address, local_port,"
    " remote_address, remote_port, opened, closed, sent, received, round_trip_us, retransmits)"
    " SELECT program, user, process_id, protocol, local_address, local_port, remote_address, remote_port,"
    " opened, closed, sent, received, round_trip_us, retransmits FROM main.connections;"
    "INSERT INTO kept.program_days SELECT * FROM main.program_days WHERE true"
    " ON CONFLICT (day, program, user) DO UPDATE SET connections = connections + excluded.connections,"
    " sent = sent + excluded.sent, received = received + excluded.received,"
    " listening = listening + excluded.listening, idle = idle + excluded.idle;"
    "COMMIT;";

} // namespace

HistoryStore::HistoryStore(const QString& folder, QObject* parent)
    : QObject(parent), m_path(historyfile::fileIn(folder)), m_runStart(nowMilliseconds()) {
    m_keeping = QFile::exists(m_path);
    if (!openDatabase(m_keeping))
        openDatabase(false); // the file stays chosen: writing waits until it opens
    m_thread = std::thread(&HistoryStore::run, this);
}

HistoryStore::~HistoryStore() {
    {
        std::lock_guard lock(m_queueMutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void HistoryStore::tell(const QString& text) {
    // Through the window's event loop: also what the constructor finds reaches the status bar.
    QMetaObject::invokeMethod(this, [this, text] { emit message(text); }, Qt::QueuedConnection);
}

bool HistoryStore::openDatabase(bool file) {
    QString aside, error;
    SqliteDatabase opened;
    if (historyfile::open(opened, file ? m_path : QString(), aside, error) != SQLITE_OK) {
        const QString reason = QStringLiteral("History is not written to %1: %2")
                                   .arg(QDir::toNativeSeparators(m_path), error);
        {
            std::lock_guard lock(m_queueMutex);
            m_paused = reason;
        }
        tell(reason);
        return false;
    }
    if (!aside.isEmpty())
        tell(QStringLiteral("The history file could not be read; it was moved aside as %1 and a new one started.")
                         .arg(QDir::toNativeSeparators(aside)));
    std::lock_guard lock(m_databaseMutex);
    m_database.swap(opened);
    return true;
}

bool HistoryStore::keepsHistory() const {
    std::lock_guard lock(m_queueMutex);
    return m_keeping;
}

void HistoryStore::setKeepsHistory(bool keep, bool deleteFile) {
    if (keep == keepsHistory())
        return;
    flush();
    QString aside, error;
    SqliteDatabase next;
    if (historyfile::open(next, keep ? m_path : QString(), aside, error) != SQLITE_OK) {
        tell(QStringLiteral("History cannot be kept in %1: %2").arg(QDir::toNativeSeparators(m_path), error));
        return;
    }
    {
        std::lock_guard lock(m_databaseMutex);
        if (keep) {
            // This run's history so far goes into the file.
            bool attached;
            {
                SqliteStatement attach(m_database, QStringLiteral("ATTACH DATABASE ? AS kept"));
                attach.bind(1, m_path);
                attached = attach.step() == SQLITE_DONE;
            }
            if (!attached || m_database.exec(CopyToKept) != SQLITE_OK) {
                m_database.exec("ROLLBACK");
                tell(QStringLiteral("This run's history so far could not be copied into %1: %2")
                         .arg(QDir::toNativeSeparators(m_path), m_database.errorText()));
            }
            m_database.exec("DETACH DATABASE kept");
            m_database.swap(next);
        } else {
            // This run's part of the file stays in view for the rest of the run.
            copyHistory(next, m_path, m_runStart);
            m_database.swap(next);
            next.close();
            if (deleteFile)
                for (const char* suffix : {"", "-wal", "-shm"})
                    QFile::remove(m_path + QLatin1String(suffix));
        }
    }
    std::lock_guard lock(m_queueMutex);
    m_keeping = keep;
    m_paused.clear();
}

void HistoryStore::record(std::vector<HistoryEntry> entries) {
    if (entries.empty())
        return;
    std::lock_guard lock(m_queueMutex);
    if (m_queue.empty())
        m_queue = std::move(entries);
    else
        m_queue.insert(m_queue.end(), std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
}

void HistoryStore::flush() {
    std::unique_lock lock(m_queueMutex);
    const std::uint64_t wanted = ++m_flushWanted;
    m_wake.notify_all();
    m_written.wait(lock, [&] { return m_flushDone >= wanted || m_stopping; });
}

QString HistoryStore::pausedBecause() const {
    std::lock_guard lock(m_queueMutex);
    return m_paused;
}

void HistoryStore::run() {
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_stopping || m_flushWanted > m_flushDone; });
        const bool stopping = m_stopping;
        const std::uint64_t flushing = m_flushWanted;
        std::vector<HistoryEntry> entries;
        entries.swap(m_queue);
        const bool wasPaused = !m_paused.isEmpty();
        const bool keeping = m_keeping;
        lock.unlock();

        bool written = true;
        if (wasPaused && keeping) // try the file again
            written = openDatabase(true);
        if (written && !entries.empty())
            written = write(entries);
        if (written)
            pruneIfDue();

        lock.lock();
        if (!written) {
            // Kept for the next try, ahead of what came meanwhile.
            entries.insert(entries.end(), std::make_move_iterator(m_queue.begin()), std::make_move_iterator(m_queue.end()));
            m_queue.swap(entries);
        } else if (wasPaused && keeping) {
            m_paused.clear();
            tell(QStringLiteral("History is written again."));
        }
        m_flushDone = flushing;
        m_written.notify_all();
        if (written && !entries.empty())
            emit recorded();
        if (stopping)
            return;
    }
}

bool HistoryStore::write(const std::vector<HistoryEntry>& entries) {
    std::unique_lock lock(m_databaseMutex);
    int result = m_database.exec("BEGIN IMMEDIATE");
    if (result == SQLITE_OK) {
        SqliteStatement row(m_database, QStringLiteral(
            "INSERT INTO connections (program, user, process_id, protocol, local_address, local_port,"
            " remote_address, remote_port, opened, closed, sent, received, round_trip_us, retransmits)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        SqliteStatement day(m_database, QStringLiteral(
            "INSERT INTO program_days (day, program, user, connections, sent, received, listening, idle)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (day, program, user) DO UPDATE SET"
            " connections = connections + excluded.connections, sent = sent + excluded.sent,"
            " received = received + excluded.received, listening = listening + excluded.listening,"
            " idle = idle + excluded.idle"));
        for (const HistoryEntry& entry : entries) {
            using Kind = HistoryEntry::Kind;
            if (entry.kind == Kind::Connection) {
                row.reset();
                int at = 0;
                for (const QString& text : {entry.program, entry.user})
                    row.bind(++at, text);
                row.bind(++at, std::int64_t(entry.processId));
                for (const QString& text : {entry.protocol, entry.localAddress})
                    row.bind(++at, text);
                row.bind(++at, std::int64_t(entry.localPort));
                row.bind(++at, entry.remoteAddress);
                row.bind(++at, std::int64_t(entry.remotePort));
                entry.opened ? row.bind(++at, entry.opened) : row.bindNull(++at);
                row.bind(++at, entry.closed);
                for (const auto& count : {entry.sent, entry.received})
                    count ? row.bind(++at, *count) : row.bindNull(++at);
                row.bind(++at, entry.roundTripMicroseconds);
                row.bind(++at, entry.retransmits);
                if ((result = row.step()) != SQLITE_DONE)
                    break;
            }
            day.reset();
            day.bind(1, dayOf(entry.closed));
            day.bind(2, entry.program);
            day.bind(3, entry.user);
            day.bind(4, std::int64_t(entry.kind == Kind::Connection));
            day.bind(5, entry.sent.value_or(0));
            day.bind(6, entry.received.value_or(0));
            day.bind(7, std::int64_t(entry.kind == Kind::Listening));
            day.bind(8, std::int64_t(entry.kind == Kind::Idle));
            if ((result = day.step()) != SQLITE_DONE)
                break;
        }
        if (result == SQLITE_DONE)
            result = m_database.exec("COMMIT");
    }
    if (result == SQLITE_OK)
        return true;
    const QString error = m_database.errorText();
    m_database.exec("ROLLBACK");
    if (result == SQLITE_CORRUPT || result == SQLITE_NOTADB) {
        // Broken under us: reopening moves it aside and starts a new one; the batch waits.
        lock.unlock();
        if (keepsHistory())
            openDatabase(true);
        return false;
    }
    const QString reason = QStringLiteral("History writing is paused: %1").arg(error);
    {
        std::lock_guard queueLock(m_queueMutex);
        m_paused = reason;
    }
    tell(reason);
    return false;
}

void HistoryStore::pruneIfDue() {
    const std::int64_t now = nowMilliseconds();
    if (now - m_prunedAt < DayMilliseconds)
        return;
    m_prunedAt = now;
    std::lock_guard lock(m_databaseMutex);
    historyfile::prune(m_database, now - KeptDays * DayMilliseconds);
}

std::vector<QVariantList> HistoryStore::select(const QString& sql, const QVariantList& values) {
    std::lock_guard lock(m_databaseMutex);
    SqliteStatement query(m_database, sql);
    for (int at = 0; at < values.size(); ++at) {
        if (values[at].typeId() == QMetaType::QString)
            query.bind(at + 1, values[at].toString());
        else
            query.bind(at + 1, values[at].toLongLong());
    }
    std::vector<QVariantList> rows;
    while (query.step() == SQLITE_ROW) {
        QVariantList row;
        for (int column = 0; column < query.columnCount(); ++column)
            row.append(query.isNull(column) ? QVariant() : query.isText(column) ? QVariant(query.text(column))
                                                                                  : QVariant(qlonglong(query.integer(column))));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ProgramTotals> HistoryStore::programTotalsSinceStart() {
    std::vector<ProgramTotals> totals;
    for (const QVariantList& row : select(QStringLiteral(
             "SELECT program, user, count(*), total(sent), total(received) FROM connections"
             " WHERE closed >= ? GROUP BY program, user"),
                                          {qlonglong(m_runStart)}))
        totals.push_back({row[0].toString(), row[1].toString(), row[2].toLongLong(),
                          qint64(row[3].toDouble()), qint64(row[4].toDouble())});
    return totals;
}

} // namespace history
