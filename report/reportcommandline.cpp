#include "reportcommandline.h"

#include "intakerefusal.h"
#include "reportcsv.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString UrlOption = QStringLiteral("url");
const QString TokenOption = QStringLiteral("token-file");
const QString CorrectionOption = QStringLiteral("correction");
const QString WholeOption = QStringLiteral("all-or-nothing");
const QString FinalOption = QStringLiteral("final");
const QString ParallelOption = QStringLiteral("parallel");
const QString RetriesOption = QStringLiteral("attempts");
const QString CaOption = QStringLiteral("ca-file");
const QString QuietOption = QStringLiteral("quiet");

constexpr qint64 MaxCsvBytes = 64 * 1024 * 1024;
// The service takes a batch of at most this size.
constexpr qint64 MaxBatchBytes = 1024 * 1024;

QByteArray reportJson(const Figures &f, const QString &correction)
{
    QJsonObject o{{QStringLiteral("yes"), qint64(f.yes)}, {QStringLiteral("no"), qint64(f.no)},
                  {QStringLiteral("blank"), qint64(f.blank)}, {QStringLiteral("invalid"), qint64(f.invalid)}};
    if (!correction.isEmpty())
        o.insert(QStringLiteral("correction"), correction);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

ReportJob putJob(const QString &municipality, int district, const Figures &f, const QString &correction)
{
    const QString label = municipality + u'/' + QString::number(district);
    return ReportJob{"PUT", QStringLiteral("/reports/") + label, reportJson(f, correction),
                     "application/json", label, 1};
}

bool isLoopback(const QString &host)
{
    const QHostAddress address(host);
    return host == u"localhost" || (!address.isNull() && address.isLoopback());
}

} // namespace

ReportCommandLine::ReportCommandLine()
{
    m_parser.setApplicationDescription(QStringLiteral(
            "Skickar rösträkningens rapporter till resultattjänstens mottagning (ksv-results-service\n"
            "--night live): CSV-filer (rubrikraden municipality,district,yes,no,blank,invalid) och\n"
            "enskilda rapporter skrivna kommun/distrikt=ja,nej,blanka,ogiltiga, t.ex. 0114/3=900,700,40,12.\n"
            "Varje rapport skickas för sig (PUT /reports/kommun/distrikt), om inte --all-or-nothing.\n"
            "Vid anslutningsfel och 503 försöker den igen efter en väntan som fördubblas; en upprepad\n"
            "identisk rapport räknas bara en gång. Slutar med en summering och status 1 om något\n"
            "avvisades eller aldrig kom fram, 2 vid fel på kommandoraden eller i en fil."));
    m_parser.addOptions({
        {UrlOption, QStringLiteral("Mottagningens adress (standard http://127.0.0.1:8804). Utanför den egna datorn "
                                   "bara https."), QStringLiteral("url"), QStringLiteral("http://127.0.0.1:8804")},
        {TokenOption, QStringLiteral("Fil med nyckeln på första raden (krävs)."), QStringLiteral("fil")},
        {CorrectionOption, QStringLiteral("Skicka siffrorna som en rättelse av dem som redan rapporterats, med detta skäl."),
         QStringLiteral("skäl")},
        {WholeOption, QStringLiteral("Skicka varje CSV-fil i ett stycke (POST /reports): alla dess rader tas emot, "
                                     "eller ingen.")},
        {FinalOption, QStringLiteral("Förklara länets räkning slutlig (00: hela landet; kräver rollen admin). "
                                     "Kan anges flera gånger."), QStringLiteral("län")},
        {ParallelOption, QStringLiteral("Så många rapporter på väg samtidigt (standard 4)."), QStringLiteral("antal"),
         QStringLiteral("4")},
        {RetriesOption, QStringLiteral("Försök per rapport vid anslutningsfel och 503 (standard 8)."),
         QStringLiteral("antal"), QStringLiteral("8")},
        {CaOption, QStringLiteral("Lita på certifikaten i denna PEM-fil för https (t.ex. tjänstens eget)."),
         QStringLiteral("fil")},
        {QuietOption, QStringLiteral("Visa inga framsteg, bara summeringen.")},
    });
    m_parser.addPositionalArgument(QStringLiteral("rapporter"), QStringLiteral("CSV-filer och enskilda rapporter."),
                                   QStringLiteral("[fil.csv | kommun/distrikt=ja,nej,blanka,ogiltiga ...]"));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
}

bool ReportCommandLine::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool ReportCommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments))
        return fail(m_parser.errorText());
    m_help = m_parser.isSet(QStringLiteral("help"));
    m_version = m_parser.isSet(QStringLiteral("version"));
    if (m_help || m_version)
        return true;

    m_url = QUrl(m_parser.value(UrlOption), QUrl::StrictMode);
    const QString scheme = m_url.scheme();
    if (!m_url.isValid() || m_url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return fail(QStringLiteral("--url: '%1' är ingen http- eller https-adress").arg(m_parser.value(UrlOption)));
    if (scheme == u"http" && !isLoopback(m_url.host()))
        return fail(QStringLiteral("--url: nyckeln skickas inte okrypterat över nätet; använd https"));
    if (!m_parser.isSet(TokenOption))
        return fail(QStringLiteral("--token-file saknas"));
    if (!readToken(m_parser.value(TokenOption)))
        return false;

    bool ok = false;
    m_parallel = m_parser.value(ParallelOption).toInt(&ok);
    if (!ok || m_parallel < 1 || m_parallel > 64)
        return fail(QStringLiteral("--parallel: '%1' ligger inte mellan 1 och 64").arg(m_parser.value(ParallelOption)));
    m_attempts = m_parser.value(RetriesOption).toInt(&ok);
    if (!ok || m_attempts < 1 || m_attempts > 100)
        return fail(QStringLiteral("--attempts: '%1' ligger inte mellan 1 och 100").arg(m_parser.value(RetriesOption)));
    m_caFile = m_parser.value(CaOption);
    m_quiet = m_parser.isSet(QuietOption);

    const QString correction = m_parser.value(CorrectionOption);
    if (m_parser.isSet(CorrectionOption) && correction.trimmed().isEmpty())
        return fail(QStringLiteral("--correction: skälet är tomt"));
    const bool whole = m_parser.isSet(WholeOption);
    if (whole && !correction.isEmpty())
        return fail(QStringLiteral("--correction gäller enskilda rapporter, inte --all-or-nothing"));

    static const QRegularExpression Single(QStringLiteral("^(\\d{4})/(\\d{1,9})=(\\d{1,9}),(\\d{1,9}),(\\d{1,9}),(\\d{1,9})$"));
    for (const QString &argument : m_parser.positionalArguments()) {
        const auto match = Single.match(argument);
        if (match.hasMatch()) {
            const Figures f{match.captured(3).toLongLong(), match.captured(4).toLongLong(),
                            match.captured(5).toLongLong(), match.captured(6).toLongLong()};
            m_jobs.push_back(putJob(match.captured(1), match.captured(2).toInt(), f, correction));
        } else if (!addCsv(argument, whole, correction)) {
            return false;
        }
    }
    static const QRegularExpression County(QStringLiteral("^\\d\\d$"));
    for (const QString &code : m_parser.values(FinalOption)) {
        if (!County.match(code).hasMatch())
            return fail(QStringLiteral("--final: '%1' är ingen länskod (två siffror, 00 för hela landet)").arg(code));
        m_jobs.push_back(ReportJob{"POST", QStringLiteral("/final/") + code, {}, {}, QStringLiteral("slutresultat ") + code, 0});
    }
    if (m_jobs.empty())
        return fail(QStringLiteral("inget att skicka: ange CSV-filer, rapporter eller --final"));
    return true;
}

bool ReportCommandLine::readToken(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("--token-file: %1: %2").arg(path, file.errorString()));
    m_token = file.readLine(4096).trimmed();
    if (m_token.isEmpty())
        return fail(QStringLiteral("--token-file: %1: första raden är tom").arg(path));
    if (QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther))
        m_warnings << QStringLiteral("%1 kan läsas av andra än du (chmod 600 %1)").arg(path);
    return true;
}

bool ReportCommandLine::addCsv(const QString &path, bool whole, const QString &correction)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const QByteArray text = file.read(MaxCsvBytes + 1);
    if (text.size() > MaxCsvBytes)
        return fail(QStringLiteral("%1: filen är för stor").arg(path));
    std::vector<ReportCsv::Line> lines;
    try {
        lines = ReportCsv::read(text);
    } catch (const IntakeRefusal &e) {
        return fail(QStringLiteral("%1: %2").arg(path, e.text()));
    }
    if (whole) {
        if (text.size() > MaxBatchBytes)
            return fail(QStringLiteral("%1: över %2 byte, mer än tjänsten tar i ett stycke").arg(path).arg(MaxBatchBytes));
        m_jobs.push_back(ReportJob{"POST", QStringLiteral("/reports"), text, "text/csv; charset=utf-8", path, int(lines.size())});
        return true;
    }
    for (const ReportCsv::Line &line : lines) {
        ReportJob job = putJob(line.municipality, line.district, line.figures, correction);
        job.label = QStringLiteral("%1 rad %2 (%3)").arg(path).arg(line.line).arg(job.label);
        m_jobs.push_back(std::move(job));
    }
    return true;
}
