#include "sqlitestatement.h"

#include "storeerror.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql)
    : m_db(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        fail(db, QStringLiteral("förbereda SQL"));
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement &SqliteStatement::bind(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK)
        fail(m_db, QStringLiteral("binda en parameter"));
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    if (sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        fail(m_db, QStringLiteral("binda en parameter"));
    return *this;
}

SqliteStatement &SqliteStatement::bindNull(int index)
{
    if (sqlite3_bind_null(m_statement, index) != SQLITE_OK)
        fail(m_db, QStringLiteral("binda en parameter"));
    return *this;
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement);
    fail(m_db, QStringLiteral("köra SQL"));
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

void SqliteStatement::run()
{
    while (step()) {
    }
    reset();
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::text(int column) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
}

void SqliteStatement::exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString text = QString::fromUtf8(error ? error : "?");
        sqlite3_free(error);
        throw StoreError(QStringLiteral("SQLite: %1").arg(text));
    }
}

void SqliteStatement::fail(sqlite3 *db, const QString &what)
{
    throw StoreError(QStringLiteral("SQLite: kunde inte %1: %2").arg(what, QString::fromUtf8(sqlite3_errmsg(db))));
}
