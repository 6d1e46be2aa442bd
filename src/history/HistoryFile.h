#pragma once

#include "history/Sqlite.h"

#include <QString>

namespace history {

// The history file's place and the checks before it is used: the folder private to the user
// (0700), the file too (0600), and a file that is not a history (corrupt, foreign, cut short)
// moved aside, never deleted.
namespace historyfile {

// The folder of the history file under the platform's data folder (XDG_DATA_HOME on Linux,
// the local application data folder on Windows).
QString defaultFolder();
QString fileIn(const QString& folder);

// Opens the history in `path`, creating the file (and the folder) when missing, and makes
// its tables. A file that is not a history is renamed to "<name>.broken-<time>" and a new one
// started; `movedAside` then names where it went. An empty path opens one in memory.
// SQLite's result code, 0 when open; `error` says why not, for the user.
int open(SqliteDatabase& database, const QString& path, QString& movedAside, QString& error);

// Removes rows closed before `before` (milliseconds since the epoch).
void prune(SqliteDatabase& database, std::int64_t before);

} // namespace historyfile
} // namespace history
