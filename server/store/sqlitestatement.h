#pragma once

#include <QString>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

// A prepared SQLite statement whose parameters are bound, never spliced into its text.
// Failures throw StoreError.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const char *sql);
    ~SqliteStatement();

    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    SqliteStatement &bind(int index, std::int64_t value);
    SqliteStatement &bind(int index, const QString &value);
    SqliteStatement &bindNull(int index);
    // True while there is a row to read; false once done. Then reset() for another run.
    bool step();
    void reset();
    // Runs a statement that returns no rows.
    void run();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    QString text(int column) const;

    // Runs SQL text of our own (no parameters): a schema or a pragma.
    static void exec(sqlite3 *db, const char *sql);
    [[noreturn]] static void fail(sqlite3 *db, const QString &what);

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};
