#include "history/HistoryFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

namespace history::historyfile {

namespace {

constexpr int SchemaVersion = 1;

const char* const Schema = R"(
CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);
INSERT INTO schema_version SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM schema_version);
CREATE TABLE IF NOT EXISTS connections (
    id INTEGER PRIMARY KEY,
    program TEXT NOT NULL, user TEXT NOT NULL, process_id INTEGER NOT NULL,
    protocol TEXT NOT NULL,
    local_address TEXT NOT NULL, local_port INTEGER NOT NULL,
    remote_address TEXT NOT NULL, remote_port INTEGER NOT NULL,
    opened INTEGER, closed INTEGER NOT NULL,
    sent INTEGER, received INTEGER,
    round_trip_us INTEGER NOT NULL, retransmits INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS connections_by_closed ON connections (closed);
CREATE TABLE IF NOT EXISTS program_days (
    day TEXT NOT NULL, program TEXT NOT NULL, user TEXT NOT NULL,
    connections INTEGER NOT NULL DEFAULT 0, sent INTEGER NOT NULL DEFAULT 0,
    received INTEGER NOT NULL DEFAULT 0, listening INTEGER NOT NULL DEFAULT 0,
    idle INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (day, program, user));
)";

// Whether an open file holds a history this program can write: an empty database, or one
// with this program's tables and schema version that passes SQLite's own check. SQLITE_OK
// when it does, SQLITE_NOTADB when it is something else, and the error of a file that could
// not be read (it may be whole: it is left where it is).
int checkHistory(SqliteDatabase& database) {
    const auto readError = [](int result) {
        return result == SQLITE_NOTADB || result == SQLITE_CORRUPT || result == SQLITE_OK ? SQLITE_NOTADB : result;
    };
    SqliteStatement tables(database, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    bool any = false, versioned = false;
    int result;
    while ((result = tables.step()) == SQLITE_ROW) {
        any = true;
        versioned |= tables.text(0) == QLatin1String("schema_version");
    }
    if (result != SQLITE_DONE)
        return readError(result);
    if (!any)
        return SQLITE_OK;
    if (!versioned)
        return SQLITE_NOTADB;
    SqliteStatement version(database, QStringLiteral("SELECT version FROM schema_version"));
    if ((result = version.step()) != SQLITE_ROW)
        return readError(result);
    if (version.integer(0) != SchemaVersion)
        return SQLITE_NOTADB;
    SqliteStatement check(database, QStringLiteral("PRAGMA quick_check"));
    if ((result = check.step()) != SQLITE_ROW)
        return readError(result);
    return check.text(0) == QLatin1String("ok") ? SQLITE_OK : SQLITE_NOTADB;
}

// Renames the file and its write-ahead log aside; empty when that failed.
QString moveAside(const QString& path) {
    const QString aside =
        path + QStringLiteral(".broken-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(path, aside))
        return {};
    for (const char* suffix : {"-wal", "-shm"})
        if (QFile::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    return aside;
}

int openChecked(SqliteDatabase& database, const QString& path) {
    int result = database.open(path, true);
    if (result != SQLITE_OK)
        return result;
    if ((result = checkHistory(database)) != SQLITE_OK)
        return result;
    if (!path.isEmpty()) {
        // Readers go on while the writer writes; a commit is whole after a crash.
        SqliteStatement wal(database, QStringLiteral("PRAGMA journal_mode = WAL"));
        if ((result = wal.step()) != SQLITE_ROW)
            return result;
        database.exec("PRAGMA synchronous = NORMAL");
    }
    return database.exec(Schema);
}

} // namespace

QString defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tavren-netstat");
}

QString fileIn(const QString& folder) {
    return folder + QStringLiteral("/history.sqlite");
}

int open(SqliteDatabase& database, const QString& path, QString& movedAside, QString& error) {
    movedAside.clear();
    if (!path.isEmpty()) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!QDir().mkpath(folder)) {
            error = QStringLiteral("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder));
            return SQLITE_CANTOPEN;
        }
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile file(path);
        // Made private before SQLite writes a byte; its logs take the same mode.
        if (!file.exists() && file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            file.close();
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    int result = openChecked(database, path);
    if ((result == SQLITE_NOTADB || result == SQLITE_CORRUPT) && !path.isEmpty()) {
        database.close();
        movedAside = moveAside(path);
        if (movedAside.isEmpty()) {
            error = QStringLiteral("%1 is not a history and cannot be moved aside.").arg(QDir::toNativeSeparators(path));
            return result;
        }
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            file.close();
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        result = openChecked(database, path);
    }
    if (result != SQLITE_OK)
        error = database.errorText();
    return result;
}

void prune(SqliteDatabase& database, std::int64_t before) {
    SqliteStatement rows(database, QStringLiteral("DELETE FROM connections WHERE closed < ?"));
    rows.bind(1, before);
    rows.step();
    SqliteStatement days(database, QStringLiteral("DELETE FROM program_days WHERE day < ?"));
    days.bind(1, QDateTime::fromMSecsSinceEpoch(before).date().toString(Qt::ISODate));
    days.step();
}

} // namespace history::historyfile
