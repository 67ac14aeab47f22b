#include "sqlitestore.h"

#include "sqlitestatement.h"
#include "storeerror.h"

#include <QDateTime>

#include <sqlite3.h>

namespace {

// The audit trail is only ever appended to: the triggers refuse anything else, whoever asks.
const char Schema[] = R"(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS audit(
    seq INTEGER PRIMARY KEY, at_ms INTEGER NOT NULL, kind TEXT NOT NULL, status INTEGER NOT NULL,
    reporter TEXT NOT NULL, client TEXT NOT NULL, request TEXT NOT NULL, area TEXT NOT NULL,
    district INTEGER NOT NULL, yes INTEGER, no INTEGER, blank INTEGER, invalid INTEGER,
    reason TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS current(
    municipality TEXT NOT NULL, district INTEGER NOT NULL,
    yes INTEGER NOT NULL, no INTEGER NOT NULL, blank INTEGER NOT NULL, invalid INTEGER NOT NULL,
    PRIMARY KEY(municipality, district)) WITHOUT ROWID;
CREATE TRIGGER IF NOT EXISTS audit_no_update BEFORE UPDATE ON audit
    BEGIN SELECT RAISE(ABORT, 'the audit trail is append-only'); END;
CREATE TRIGGER IF NOT EXISTS audit_no_delete BEFORE DELETE ON audit
    BEGIN SELECT RAISE(ABORT, 'the audit trail is append-only'); END;
)";

const char SelectAfter[] = "SELECT seq, at_ms, kind, status, reporter, client, request, area, district, "
                           "yes, no, blank, invalid, reason FROM audit WHERE seq > ?1 ORDER BY seq LIMIT ?2";

AuditRecord recordAt(const SqliteStatement &row)
{
    AuditRecord r;
    r.seq = row.integer(0);
    r.atMs = row.integer(1);
    r.kind = AuditRecord::kindNamed(row.text(2)).value_or(AuditRecord::Kind::Refused);
    r.status = int(row.integer(3));
    r.reporter = row.text(4);
    r.client = row.text(5);
    r.request = row.text(6);
    r.area = row.text(7);
    r.district = int(row.integer(8));
    if (!row.isNull(9))
        r.votes = AuditRecord::Votes{row.integer(9), row.integer(10), row.integer(11), row.integer(12)};
    r.reason = row.text(13);
    return r;
}

} // namespace

struct SqliteStore::Connection
{
    Connection(const QString &path, int flags)
    {
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            const QString reason = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("slut på minne");
            sqlite3_close(db);
            throw StoreError(QStringLiteral("%1: kan inte öppnas: %2").arg(path, reason));
        }
        sqlite3_busy_timeout(db, 5000);
    }
    ~Connection() { sqlite3_close(db); }

    sqlite3 *db = nullptr;
};

class SqliteStore::Transaction : public StoreTransaction
{
public:
    explicit Transaction(SqliteStore &store)
        : m_store(store),
          m_db(store.m_writer->db),
          m_now(QDateTime::currentMSecsSinceEpoch())
    {
        // IMMEDIATE: the write lock now, so no other writer slips in between read and write.
        SqliteStatement::exec(m_db, "BEGIN IMMEDIATE");
        SqliteStatement last(m_db, "SELECT coalesce(max(seq), 0) FROM audit");
        last.step();
        m_seq = last.integer(0);
    }

    ~Transaction() override
    {
        if (!m_done)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    std::int64_t nowMs() const override { return m_now; }

    std::optional<AuditRecord::Votes> current(const QString &municipality, int district) override
    {
        SqliteStatement select(m_db, "SELECT yes, no, blank, invalid FROM current WHERE municipality = ?1 AND district = ?2");
        select.bind(1, municipality).bind(2, district);
        if (!select.step())
            return std::nullopt;
        return AuditRecord::Votes{select.integer(0), select.integer(1), select.integer(2), select.integer(3)};
    }

    void setCurrent(const QString &municipality, int district, const AuditRecord::Votes &v) override
    {
        SqliteStatement upsert(m_db, "INSERT INTO current VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(municipality, district) "
                                     "DO UPDATE SET yes = ?3, no = ?4, blank = ?5, invalid = ?6");
        upsert.bind(1, municipality).bind(2, district).bind(3, v.yes).bind(4, v.no).bind(5, v.blank).bind(6, v.invalid);
        upsert.run();
    }

    void append(AuditRecord &r) override
    {
        r.seq = ++m_seq;
        r.atMs = m_now;
        SqliteStatement insert(m_db, "INSERT INTO audit VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
        insert.bind(1, r.seq).bind(2, r.atMs).bind(3, AuditRecord::kindName(r.kind)).bind(4, r.status);
        insert.bind(5, r.reporter).bind(6, r.client).bind(7, r.request).bind(8, r.area).bind(9, r.district);
        if (r.votes)
            insert.bind(10, r.votes->yes).bind(11, r.votes->no).bind(12, r.votes->blank).bind(13, r.votes->invalid);
        else
            insert.bindNull(10).bindNull(11).bindNull(12).bindNull(13);
        insert.bind(14, r.reason);
        insert.run();
    }

    void commit() override
    {
        SqliteStatement::exec(m_db, "COMMIT");
        m_done = true;
        m_store.committed();
    }

private:
    SqliteStore &m_store;
    sqlite3 *m_db;
    std::int64_t m_now;
    std::int64_t m_seq = 0;
    bool m_done = false;
};

SqliteStore::SqliteStore(const QString &path, Access access)
{
    if (access == Access::ReadOnly) {
        m_reader = std::make_unique<Connection>(path, SQLITE_OPEN_READONLY);
        SqliteStatement check(m_reader->db, "SELECT count(*) FROM meta WHERE key = 'started_ms'");
        return;
    }
    m_writer = std::make_unique<Connection>(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    SqliteStatement::exec(m_writer->db, "PRAGMA journal_mode = WAL");
    SqliteStatement::exec(m_writer->db, "PRAGMA synchronous = FULL");
    SqliteStatement::exec(m_writer->db, Schema);
    SqliteStatement started(m_writer->db, "INSERT OR IGNORE INTO meta VALUES ('started_ms', ?1)");
    started.bind(1, QString::number(QDateTime::currentMSecsSinceEpoch())).run();
    m_reader = std::make_unique<Connection>(path, SQLITE_OPEN_READONLY);
}

SqliteStore::~SqliteStore() = default;

std::unique_ptr<StoreTransaction> SqliteStore::begin()
{
    if (!m_writer)
        throw StoreError(QStringLiteral("SQLite: öppnad endast för läsning"));
    return std::make_unique<Transaction>(*this);
}

std::vector<AuditRecord> SqliteStore::readAfter(std::int64_t seq, int limit)
{
    SqliteStatement select(m_reader->db, SelectAfter);
    select.bind(1, seq).bind(2, limit);
    std::vector<AuditRecord> records;
    while (select.step())
        records.push_back(recordAt(select));
    return records;
}

std::int64_t SqliteStore::startedMs()
{
    SqliteStatement select(m_reader->db, "SELECT value FROM meta WHERE key = 'started_ms'");
    return select.step() ? select.text(0).toLongLong() : 0;
}

void SqliteStore::committed()
{
    {
        std::lock_guard lock(m_newsMutex);
        ++m_commits;
    }
    m_news.notify_all();
}

void SqliteStore::waitForNews(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_newsMutex);
    m_news.wait_for(lock, timeout, [this] { return m_commits != m_commitsSeen; });
    m_commitsSeen = m_commits;
}
