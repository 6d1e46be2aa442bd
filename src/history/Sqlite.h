#pragma once

#include <QString>

#include <cstdint>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace history {

// The few calls of SQLite's C interface the history needs, with its handles owned.
class SqliteDatabase {
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // A file (created when missing, when `create`) or, for an empty path, a database in memory.
    // SQLite's result code: 0 when open.
    int open(const QString& path, bool create);
    void close();
    bool isOpen() const { return m_handle != nullptr; }
    // Runs statements that return no rows; SQLite's result code.
    int exec(const char* sql);
    // The text of the last error, for the user.
    QString errorText() const;
    std::int64_t changes() const;
    sqlite3* handle() const { return m_handle; }
    void swap(SqliteDatabase& other) { std::swap(m_handle, other.m_handle); }

private:
    sqlite3* m_handle = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& database, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // SQLite's result code of preparing it: 0 when ready.
    int prepared() const { return m_prepared; }
    void bind(int at, std::int64_t value);
    void bind(int at, const QString& value);
    void bindNull(int at);
    // SQLITE_ROW (100) for a row, SQLITE_DONE (101) at the end, else an error code.
    int step();
    void reset();
    std::int64_t integer(int column) const;
    QString text(int column) const;
    bool isNull(int column) const;
    bool isText(int column) const;
    int columnCount() const;

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_prepared = 0;
};

} // namespace history
