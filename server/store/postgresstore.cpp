#include "postgresstore.h"

#include "storeerror.h"

#include <libpq-fe.h>

#include <poll.h>

#include <memory>
#include <vector>

namespace {

const char Channel[] = "ksv_audit";

const char Schema[] = R"(
CREATE TABLE IF NOT EXISTS night(id INTEGER PRIMARY KEY CHECK (id = 1), seq BIGINT NOT NULL, started_ms BIGINT NOT NULL);
CREATE TABLE IF NOT EXISTS audit(
    seq BIGINT PRIMARY KEY, at_ms BIGINT NOT NULL, kind TEXT NOT NULL, status INTEGER NOT NULL,
    reporter TEXT NOT NULL, client TEXT NOT NULL, request TEXT NOT NULL, area TEXT NOT NULL,
    district INTEGER NOT NULL, yes BIGINT, no BIGINT, blank BIGINT, invalid BIGINT, reason TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS current(
    municipality TEXT NOT NULL, district INTEGER NOT NULL,
    yes BIGINT NOT NULL, no BIGINT NOT NULL, blank BIGINT NOT NULL, invalid BIGINT NOT NULL,
    PRIMARY KEY(municipality, district));
CREATE OR REPLACE FUNCTION ksv_audit_append_only() RETURNS trigger LANGUAGE plpgsql AS
    $$ BEGIN RAISE EXCEPTION 'the audit trail is append-only'; END $$;
DROP TRIGGER IF EXISTS audit_append_only ON audit;
CREATE TRIGGER audit_append_only BEFORE UPDATE OR DELETE OR TRUNCATE ON audit
    FOR EACH STATEMENT EXECUTE FUNCTION ksv_audit_append_only();
INSERT INTO night VALUES (1, 0, (extract(epoch FROM clock_timestamp()) * 1000)::bigint) ON CONFLICT (id) DO NOTHING;
)";

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// Parameters travel as text, apart from the SQL: nothing a client sent is ever part of a query.
class Params
{
public:
    Params &add(const QString &value) { return add(value.toUtf8()); }
    Params &add(std::int64_t value) { return add(QByteArray::number(qint64(value))); }
    Params &add(QByteArray value)
    {
        m_values.push_back(std::move(value));
        m_null.push_back(false);
        return *this;
    }
    Params &addNull()
    {
        m_values.emplace_back();
        m_null.push_back(true);
        return *this;
    }
    std::vector<const char *> pointers() const
    {
        std::vector<const char *> p;
        for (std::size_t i = 0; i < m_values.size(); ++i)
            p.push_back(m_null[i] ? nullptr : m_values[i].constData());
        return p;
    }

private:
    std::vector<QByteArray> m_values;
    std::vector<bool> m_null;
};

std::int64_t integer(const PGresult *result, int row, int column)
{
    return QByteArray(PQgetvalue(result, row, column)).toLongLong();
}

// libpq's messages run over several lines; a log line is one.
QString oneLine(const char *message)
{
    return QString::fromUtf8(message).simplified();
}

QString text(const PGresult *result, int row, int column)
{
    return QString::fromUtf8(PQgetvalue(result, row, column), PQgetlength(result, row, column));
}

} // namespace

class PostgresStore::Connection
{
public:
    explicit Connection(const QByteArray &uri) : m_uri(uri) { connect(); }
    ~Connection() { PQfinish(m_conn); }

    PGconn *get()
    {
        if (PQstatus(m_conn) != CONNECTION_OK) {
            PQfinish(m_conn);
            m_conn = nullptr;
            connect();
        }
        return m_conn;
    }

    Result run(const char *sql, const Params &params = {})
    {
        PGconn *conn = get();
        const auto values = params.pointers();
        Result result(PQexecParams(conn, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0), &PQclear);
        check(conn, result.get());
        return result;
    }

    // Several statements of our own, with no parameters.
    void script(const char *sql)
    {
        PGconn *conn = get();
        Result result(PQexec(conn, sql), &PQclear);
        check(conn, result.get());
    }

    bool listening = false;

private:
    static void check(PGconn *conn, const PGresult *result)
    {
        const auto status = PQresultStatus(result);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return;
        const QString reason = oneLine(result ? PQresultErrorMessage(result) : "");
        throw StoreError(QStringLiteral("PostgreSQL: %1").arg(reason.isEmpty() ? oneLine(PQerrorMessage(conn)) : reason));
    }

    void connect()
    {
        m_conn = PQconnectdb(m_uri.constData());
        if (PQstatus(m_conn) != CONNECTION_OK) {
            const QString reason = oneLine(PQerrorMessage(m_conn));
            PQfinish(m_conn);
            m_conn = nullptr;
            throw StoreError(QStringLiteral("PostgreSQL: ingen anslutning: %1").arg(reason));
        }
        listening = false;
        PQsetNoticeProcessor(m_conn, [](void *, const char *) {}, nullptr);
    }

    QByteArray m_uri;
    PGconn *m_conn = nullptr;
};

class PostgresStore::Transaction : public StoreTransaction
{
public:
    explicit Transaction(Connection &connection)
        : m_connection(connection)
    {
        m_connection.script("BEGIN");
        // The night's row is the turn: held to the commit, so seqs are given in commit order.
        const Result row = m_connection.run(
                "SELECT seq, (extract(epoch FROM clock_timestamp()) * 1000)::bigint FROM night WHERE id = 1 FOR UPDATE");
        if (PQntuples(row.get()) != 1)
            throw StoreError(QStringLiteral("PostgreSQL: tabellen night saknar sin rad"));
        m_seq = integer(row.get(), 0, 0);
        m_now = integer(row.get(), 0, 1);
    }

    ~Transaction() override
    {
        if (m_done)
            return;
        try {
            m_connection.script("ROLLBACK");
        } catch (const StoreError &) {
            // the connection is gone, and with it the transaction
        }
    }

    std::int64_t nowMs() const override { return m_now; }

    std::optional<AuditRecord::Votes> current(const QString &municipality, int district) override
    {
        const Result r = m_connection.run("SELECT yes, no, blank, invalid FROM current WHERE municipality = $1 AND district = $2",
                                          Params().add(municipality).add(district));
        if (PQntuples(r.get()) == 0)
            return std::nullopt;
        return AuditRecord::Votes{integer(r.get(), 0, 0), integer(r.get(), 0, 1), integer(r.get(), 0, 2), integer(r.get(), 0, 3)};
    }

    void setCurrent(const QString &municipality, int district, const AuditRecord::Votes &v) override
    {
        m_connection.run("INSERT INTO current VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (municipality, district) "
                         "DO UPDATE SET yes = $3, no = $4, blank = $5, invalid = $6",
                         Params().add(municipality).add(district).add(v.yes).add(v.no).add(v.blank).add(v.invalid));
    }

    void append(AuditRecord &r) override
    {
        r.seq = ++m_seq;
        r.atMs = m_now;
        Params p;
        p.add(r.seq).add(r.atMs).add(AuditRecord::kindName(r.kind)).add(r.status).add(r.reporter).add(r.client);
        p.add(r.request).add(r.area).add(r.district);
        if (r.votes)
            p.add(r.votes->yes).add(r.votes->no).add(r.votes->blank).add(r.votes->invalid);
        else
            p.addNull().addNull().addNull().addNull();
        p.add(r.reason);
        m_connection.run("INSERT INTO audit VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)", p);
    }

    void commit() override
    {
        m_connection.run("UPDATE night SET seq = $1 WHERE id = 1", Params().add(m_seq));
        m_connection.script("NOTIFY ksv_audit; COMMIT");
        m_done = true;
    }

private:
    Connection &m_connection;
    std::int64_t m_seq = 0;
    std::int64_t m_now = 0;
    bool m_done = false;
};

PostgresStore::PostgresStore(const QString &uri, Access access)
    : m_uri(uri.toUtf8()),
      m_reader(std::make_unique<Connection>(m_uri))
{
    if (access == Access::ReadOnly)
        return;
    m_writer = std::make_unique<Connection>(m_uri);
    // Replicas starting together must not make the schema at the same time.
    m_writer->script("BEGIN; SELECT pg_advisory_xact_lock(20030914);");
    m_writer->script(Schema);
    m_writer->script("COMMIT");
}

PostgresStore::~PostgresStore() = default;

std::unique_ptr<StoreTransaction> PostgresStore::begin()
{
    if (!m_writer)
        throw StoreError(QStringLiteral("PostgreSQL: öppnad endast för läsning"));
    return std::make_unique<Transaction>(*m_writer);
}

std::vector<AuditRecord> PostgresStore::readAfter(std::int64_t seq, int limit)
{
    const Result r = m_reader->run("SELECT seq, at_ms, kind, status, reporter, client, request, area, district, "
                                   "yes, no, blank, invalid, reason FROM audit WHERE seq > $1 ORDER BY seq LIMIT $2",
                                   Params().add(seq).add(std::int64_t(limit)));
    std::vector<AuditRecord> records;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        AuditRecord a;
        a.seq = integer(r.get(), i, 0);
        a.atMs = integer(r.get(), i, 1);
        a.kind = AuditRecord::kindNamed(text(r.get(), i, 2)).value_or(AuditRecord::Kind::Refused);
        a.status = int(integer(r.get(), i, 3));
        a.reporter = text(r.get(), i, 4);
        a.client = text(r.get(), i, 5);
        a.request = text(r.get(), i, 6);
        a.area = text(r.get(), i, 7);
        a.district = int(integer(r.get(), i, 8));
        if (!PQgetisnull(r.get(), i, 9))
            a.votes = AuditRecord::Votes{integer(r.get(), i, 9), integer(r.get(), i, 10), integer(r.get(), i, 11),
                                         integer(r.get(), i, 12)};
        a.reason = text(r.get(), i, 13);
        records.push_back(std::move(a));
    }
    return records;
}

std::int64_t PostgresStore::startedMs()
{
    const Result r = m_reader->run("SELECT started_ms FROM night WHERE id = 1");
    return PQntuples(r.get()) == 1 ? integer(r.get(), 0, 0) : 0;
}

void PostgresStore::waitForNews(std::chrono::milliseconds timeout)
{
    PGconn *conn = m_reader->get();
    if (!m_reader->listening) {
        m_reader->script("LISTEN ksv_audit");
        m_reader->listening = true;
    }
    pollfd fd{PQsocket(conn), POLLIN, 0};
    if (::poll(&fd, 1, int(timeout.count())) <= 0)
        return;
    if (!PQconsumeInput(conn))
        throw StoreError(QStringLiteral("PostgreSQL: %1").arg(oneLine(PQerrorMessage(conn))));
    while (PGnotify *notice = PQnotifies(conn))
        PQfreemem(notice);
}
