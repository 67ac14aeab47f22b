#include "intakeservice.h"

#include "fieldrules.h"
#include "intakerefusal.h"
#include "livecount.h"
#include "metricsregistry.h"
#include "reportbody.h"
#include "reportcsv.h"
#include "reportledger.h"
#include "resultsservice.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr int MaxAuditedPath = 200;

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

IntakeAnswer jsonAnswer(int status, const QJsonObject &object)
{
    IntakeAnswer a;
    a.status = status;
    a.body = json(object);
    return a;
}

IntakeAnswer methodNotAllowed(const QByteArray &allow)
{
    IntakeAnswer a = jsonAnswer(405, {{QStringLiteral("error"), QStringLiteral("Endast %1.").arg(QString::fromLatin1(allow))}});
    a.allow = allow;
    return a;
}

QJsonObject figuresJson(const Figures &f)
{
    return {{QStringLiteral("yes"), qint64(f.yes)}, {QStringLiteral("no"), qint64(f.no)},
            {QStringLiteral("blank"), qint64(f.blank)}, {QStringLiteral("invalid"), qint64(f.invalid)}};
}

// "Bearer <token68>", the scheme in any case.
std::optional<QByteArray> bearerToken(const QByteArray &authorization)
{
    const QByteArray value = authorization.trimmed();
    if (value.size() < 8 || value.left(7).toLower() != "bearer ")
        return std::nullopt;
    const QByteArray token = value.mid(7).trimmed();
    for (const char c : token) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                || c == '-' || c == '.' || c == '_' || c == '~' || c == '+' || c == '/' || c == '=';
        if (!allowed)
            return std::nullopt;
    }
    return token;
}

QString atLine(int line)
{
    return line > 0 ? QStringLiteral("Rad %1: ").arg(line) : QString();
}

} // namespace

IntakeService::IntakeService(const Reporters &reporters, LiveCount &count, ReportLedger &ledger, MetricsRegistry &metrics)
    : m_reporters(reporters),
      m_count(count),
      m_ledger(ledger),
      m_metrics(metrics)
{
}

IntakeAnswer IntakeService::answer(const IntakeRequest &request)
{
    IntakeAnswer a = route(request);
    const QStringList parts = request.path.split(u'/');
    if (parts.value(1) == u"reports" && parts.size() == 4)
        a.route = "/reports/{municipality}/{district}";
    else if (parts.value(1) == u"final" && parts.size() == 3)
        a.route = "/final/{county}";
    else if (request.path == u"/reports" || request.path == u"/status" || request.path == u"/metrics")
        a.route = request.path.toLatin1();
    else
        a.route = "-";
    return a;
}

IntakeAnswer IntakeService::route(const IntakeRequest &request)
{
    const QStringList parts = request.path.split(u'/');    // "", "reports", ...
    const QString &first = parts.value(1);
    if (request.path == u"/status" || request.path == u"/metrics") {
        if (request.method != u"GET" && request.method != u"HEAD")
            return methodNotAllowed("GET, HEAD");
        if (request.path == u"/status")
            return status();
        IntakeAnswer a;
        a.contentType = QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");
        a.body = QByteArray::fromStdString(m_metrics.text());
        return a;
    }
    if (request.path == u"/reports")
        return request.method == u"POST" ? postBatch(request) : methodNotAllowed("POST");
    if (first == u"reports" && parts.size() == 4)
        return request.method == u"PUT" ? putReport(request, parts) : methodNotAllowed("PUT");
    if (first == u"final" && parts.size() == 3)
        return request.method == u"POST" ? postFinal(request, parts) : methodNotAllowed("POST");
    return jsonAnswer(404, {{QStringLiteral("error"), QStringLiteral("Sidan finns inte.")}});
}

Reporter IntakeService::authenticated(const QByteArray &authorization) const
{
    const auto token = bearerToken(authorization);
    const auto reporter = token ? m_reporters.authenticate(*token) : std::nullopt;
    if (!reporter)
        throw IntakeRefusal(401, QStringLiteral("Giltig nyckel saknas (Authorization: Bearer <nyckel>)."));
    return *reporter;
}

int IntakeService::district(const Reporter &reporter, const QString &municipality, const QString &number, int line) const
{
    if (!FieldRules::isDigits(municipality, 4) || m_count.data().countyIndex(municipality.left(2)) < 0)
        throw IntakeRefusal(404, atLine(line) + QStringLiteral("Kommunen '%1' finns inte.").arg(municipality.left(40)), {}, line);
    if (!reporter.mayReport(municipality.left(2)))
        throw IntakeRefusal(403, atLine(line) + QStringLiteral("%1 får inte rapportera för län %2.")
                                                       .arg(reporter.name, municipality.left(2)), {}, line);
    const auto n = FieldRules::count(number);
    const auto index = n ? m_count.districts().find(municipality, int(*n)) : std::nullopt;
    if (!index)
        throw IntakeRefusal(404, atLine(line) + QStringLiteral("Distrikt '%1' i kommun %2 finns inte.")
                                                       .arg(number.left(40), municipality), {}, line);
    return *index;
}

void IntakeService::checkElectorate(int district, const Figures &figures, int line) const
{
    const std::int64_t electorate = m_count.districts().entries()[std::size_t(district)].electorate;
    if (figures.cast() > electorate) {
        throw IntakeRefusal(422, atLine(line) + QStringLiteral("Fler röster (%1) än röstberättigade i distriktet (%2).")
                                                        .arg(figures.cast()).arg(electorate),
                            QStringLiteral("yes+no+blank+invalid"), line);
    }
}

IntakeAnswer IntakeService::submit(const IntakeRequest &request, const Fill &fill)
{
    Submission s;
    s.client = request.client;
    s.request = request.method + u' ' + request.path.left(MaxAuditedPath);
    try {
        const Reporter reporter = authenticated(request.authorization);
        s.reporter = reporter.name;
        fill(s, reporter);
        return store(s, nullptr);
    } catch (const IntakeRefusal &refusal) {
        s.lines.clear();
        return store(s, &refusal);
    }
}

IntakeAnswer IntakeService::putReport(const IntakeRequest &request, const QStringList &parts)
{
    return submit(request, [&](Submission &s, const Reporter &reporter) {
        s.area = parts[2].left(40);
        const int index = district(reporter, parts[2], parts[3], 0);
        s.district = m_count.districts().entries()[std::size_t(index)].number;
        const ReportBody body = ReportBody::read(request.body);
        s.figures = body.figures;
        checkElectorate(index, body.figures, 0);
        s.kind = Submission::Kind::Report;
        s.correction = body.correction;
    });
}

IntakeAnswer IntakeService::postBatch(const IntakeRequest &request)
{
    return submit(request, [&](Submission &s, const Reporter &reporter) {
        s.lines = ReportCsv::read(request.body);
        for (const ReportCsv::Line &line : s.lines) {
            const int index = district(reporter, line.municipality, QString::number(line.district), line.line);
            checkElectorate(index, line.figures, line.line);
        }
        s.kind = Submission::Kind::Batch;
    });
}

IntakeAnswer IntakeService::postFinal(const IntakeRequest &request, const QStringList &parts)
{
    return submit(request, [&](Submission &s, const Reporter &reporter) {
        const QString &county = parts[2];
        if (!(county == u"00" || (FieldRules::isDigits(county, 2) && m_count.data().countyIndex(county) >= 0)))
            throw IntakeRefusal(404, QStringLiteral("Länet '%1' finns inte (00 är hela landet).").arg(county.left(40)));
        s.area = county;
        if (!reporter.admin)
            throw IntakeRefusal(403, QStringLiteral("Bara en admin kan förklara en räkning slutlig."));
        s.kind = Submission::Kind::Final;
    });
}

IntakeAnswer IntakeService::store(Submission &s, const IntakeRefusal *refusal)
{
    if (refusal) {
        s.kind = Submission::Kind::Refusal;
        s.status = refusal->status();
        s.reason = refusal->text();
    }
    const Outcome o = m_ledger.submit(s);
    if (o.status >= 400) {
        QJsonObject error{{QStringLiteral("error"), o.text}};
        if (refusal && !refusal->field().isEmpty())
            error.insert(QStringLiteral("field"), refusal->field());
        if (o.line > 0 || (refusal && refusal->line() > 0))
            error.insert(QStringLiteral("line"), o.line > 0 ? o.line : refusal->line());
        if (o.reported)
            error.insert(QStringLiteral("reported"), figuresJson(*o.reported));
        IntakeAnswer a = jsonAnswer(o.status, error);
        a.challenge = o.status == 401;
        return a;
    }
    QJsonObject result;
    switch (s.kind) {
    case Submission::Kind::Report:
        result = {{QStringLiteral("result"), o.corrected ? QStringLiteral("correction")
                                                         : o.added ? QStringLiteral("new") : QStringLiteral("identical")},
                  {QStringLiteral("municipality"), s.area},
                  {QStringLiteral("district"), s.district}};
        break;
    case Submission::Kind::Batch:
        result = {{QStringLiteral("result"), QStringLiteral("taken")},
                  {QStringLiteral("new"), o.added},
                  {QStringLiteral("identical"), o.identical}};
        break;
    case Submission::Kind::Final:
        result = {{QStringLiteral("result"), QStringLiteral("final")}, {QStringLiteral("county"), s.area}};
        break;
    case Submission::Kind::Refusal:
        break;
    }
    return jsonAnswer(o.status, result);
}

IntakeAnswer IntakeService::status() const
{
    const LiveCount::Status st = m_count.status(QDateTime::currentMSecsSinceEpoch());
    const auto &counties = m_count.data().counties();
    QJsonArray list;
    int ready = 0;
    int all = 0;
    for (std::size_t c = 0; c < counties.size(); ++c) {
        const auto &county = st.counties[c];
        list.append(QJsonObject{{QStringLiteral("code"), counties[c].code},
                                {QStringLiteral("name"), counties[c].name},
                                {QStringLiteral("readyDistricts"), county.ready},
                                {QStringLiteral("allDistricts"), county.all},
                                {QStringLiteral("final"), county.final}});
        ready += county.ready;
        all += county.all;
    }
    return jsonAnswer(200, {{QStringLiteral("readyDistricts"), ready},
                            {QStringLiteral("allDistricts"), all},
                            {QStringLiteral("newestReport"), st.newestMs > 0
                                     ? QJsonValue(ResultsService::generatedText(st.newestMs / 1000)) : QJsonValue()},
                            {QStringLiteral("final"), st.countryFinal},
                            {QStringLiteral("counties"), list}});
}
