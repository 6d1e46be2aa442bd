#include "history/Sqlite.h"

#include <sqlite3.h>

namespace history {

SqliteDatabase::~SqliteDatabase() {
    close();
}

int SqliteDatabase::open(const QString& path, bool create) {
    close();
    // The memory database is named, not flagged: a flag would make the files it attaches
    // memory databases too.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const QByteArray name = path.isEmpty() ? QByteArray(":memory:") : path.toUtf8();
    const int result = sqlite3_open_v2(name.constData(), &m_handle, flags, nullptr);
    if (result != SQLITE_OK)
        return result; // the handle stays for errorText(); close() frees it
    sqlite3_extended_result_codes(m_handle, 0);
    // A second program on the same file writes now and then: wait for it instead of failing.
    sqlite3_busy_timeout(m_handle, 5000);
    return SQLITE_OK;
}

void SqliteDatabase::close() {
    if (m_handle)
        sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

int SqliteDatabase::exec(const char* sql) {
    return m_handle ? sqlite3_exec(m_handle, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

QString SqliteDatabase::errorText() const {
    return m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : QStringLiteral("out of memory");
}

std::int64_t SqliteDatabase::changes() const {
    return m_handle ? sqlite3_changes(m_handle) : 0;
}

SqliteStatement::SqliteStatement(SqliteDatabase& database, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    m_prepared = database.handle()
                     ? sqlite3_prepare_v2(database.handle(), text.constData(), int(text.size()), &m_statement, nullptr)
                     : SQLITE_MISUSE;
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

void SqliteStatement::bind(int at, std::int64_t value) {
    sqlite3_bind_int64(m_statement, at, value);
}

void SqliteStatement::bind(int at, const QString& value) {
    const QByteArray text = value.toUtf8();
    sqlite3_bind_text(m_statement, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindNull(int at) {
    sqlite3_bind_null(m_statement, at);
}

int SqliteStatement::step() {
    return m_statement ? sqlite3_step(m_statement) : m_prepared;
}

void SqliteStatement::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::int64_t SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return bytes ? QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column)) : QString();
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

bool SqliteStatement::isText(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_TEXT;
}

int SqliteStatement::columnCount() const {
    return sqlite3_column_count(m_statement);
}

} // namespace history
