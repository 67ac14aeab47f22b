#include "servicecommandline.h"

#include "ksv_config.h"
#include "resultsservice.h"
#include "serverresources.h"

#include <QDateTime>

namespace {

const QString BindOption = QStringLiteral("bind");
const QString PortOption = QStringLiteral("port");
const QString StyleOption = QStringLiteral("style");
const QString FinalOption = QStringLiteral("final");
const QString SeedOption = QStringLiteral("seed");
const QString NightOption = QStringLiteral("night-minutes");
const QString AtOption = QStringLiteral("at");
const QString DataOption = QStringLiteral("data");
const QString QuietOption = QStringLiteral("quiet");
const QString NightStartOption = QStringLiteral("night-start");
const QString ThreadsOption = QStringLiteral("threads");
const QString MaxConnectionsOption = QStringLiteral("max-connections");
const QString PerClientOption = QStringLiteral("max-connections-per-client");
const QString MemoryOption = QStringLiteral("memory-target");
const QString DrainOption = QStringLiteral("drain-seconds");
const QString NightKindOption = QStringLiteral("night");
const QString DistrictsOption = QStringLiteral("districts");
const QString ReportersOption = QStringLiteral("reporters");
const QString StoreOption = QStringLiteral("store");
const QString IntakeBindOption = QStringLiteral("intake-bind");
const QString IntakePortOption = QStringLiteral("intake-port");
const QString TlsCertOption = QStringLiteral("intake-tls-cert");
const QString TlsKeyOption = QStringLiteral("intake-tls-key");
const QString AuditOption = QStringLiteral("audit");
const QString NewTokenOption = QStringLiteral("new-token");
const QString CountiesOption = QStringLiteral("counties");
const QString RoleOption = QStringLiteral("role");

constexpr int MaxNightMinutes = 7 * 24 * 60;
constexpr int MaxThreads = 256;
constexpr int MaxConnections = 1000000;
constexpr int MaxMemoryTargetMiB = 1024 * 1024;
// Requests must have at least this much between them.
constexpr std::size_t LeastRequestBudget = 1024 * 1024;
constexpr int MaxDrainSeconds = 3600;
constexpr std::size_t Mebibyte = 1024 * 1024;

} // namespace

ServiceCommandLine::ServiceCommandLine()
{
    const HttpLimits limits;
    m_parser.setApplicationDescription(QStringLiteral(
            "Valresultattjänsten ElectionResults (SOAP 1.1, rpc/encoded) för " KSV_APP_TITLE ".\n"
            "Spelar upp en valnatt: valdistrikten rapporterar i slumpvis (men av --seed bestämd)\n"
            "ordning under --night-minutes minuter från --night-start (standard: när tjänsten\n"
            "startade). Valnatt-operationerna svarar med det som hunnit räknas, Slutsam-operationerna\n"
            "med slutresultatet. Flera instanser med samma --seed och --night-start svarar likadant\n"
            "i samma sekund och kan stå bakom en lastbalanserare.\n"
            "Med --night live publicerar den i stället en riktig räkning: distrikten räknas när\n"
            "rapportörerna i --reporters skickar in dem (ksv-report) på en egen port, och varje\n"
            "rapport sparas i --store innan den besvaras.\n\n"
            "GET %1 ger WSDL-dokumentet,\n"
            "POST %2 tar SOAP-anropen.\n"
            "Fältet generated är den lokala tid då svaret gjordes (ISO 8601, hela sekunder).\n\n"
            "Skriver \"WSDL: <adress>\" på standard ut när den lyssnar och en rad per begäran på\n"
            "standard fel (tid, klient, metod, sökväg, operation, status, tid i ms).\n\n"
            "HTTP-gränser: kropp högst %3 byte (413, redan på Content-Length), huvud högst %4 byte\n"
            "och %5 rader (431); dubbel Content-Length, Content-Length med Transfer-Encoding,\n"
            "radvikning och ensam CR ger 400, delad kropp 411. Huvudet ska vara framme inom %6 s\n"
            "från första byten, hela begäran inom %7 s och varje svar skrivet inom %8 s; en\n"
            "oanvänd anslutning stängs efter %9 s (%10 s när 90 % av --max-connections är öppna).\n"
            "När alla platser är tagna stänger en ny anslutning den som väntat längst mellan två\n"
            "begäranden; finns ingen sådan, eller är --max-connections-per-client nådd (IPv6: per\n"
            "/64), får den 503 med Retry-After. Begäranden under mottagning delar på det som\n"
            "--memory-target lämnar; därutöver får en begäran 503.\n\n"
            "Signaler: SIGINT, SIGTERM och SIGHUP avslutar tjänsten på samma sätt; den skriver\n"
            "vilken signal den fick på standard fel, tar inte emot fler anslutningar, besvarar de\n"
            "begäranden den redan fått (med Connection: close) och avslutar inom --drain-seconds.\n"
            "En signal som var ignorerad när tjänsten startade (nohup) förblir ignorerad. Loggen går\n"
            "till standard fel via en kö: en läsare som slutar läsa stoppar inte tjänsten, rader som\n"
            "inte ryms tappas och räknas. Loggen öppnas aldrig om.")
            .arg(ResultsService::wsdlPath(), ResultsService::endpointPath())
            .arg(limits.maxBodyBytes)
            .arg(limits.maxHeaderBytes)
            .arg(limits.maxHeaderLines)
            .arg(limits.headDeadline.count() / 1000)
            .arg(limits.requestDeadline.count() / 1000)
            .arg(limits.writeDeadline.count() / 1000)
            .arg(limits.idleTimeout.count() / 1000)
            .arg(limits.pressedIdleTimeout.count() / 1000));
    m_parser.addOptions({
        {BindOption, QStringLiteral("Adress att lyssna på (standard 127.0.0.1)."), QStringLiteral("adress"),
         QStringLiteral("127.0.0.1")},
        {PortOption, QStringLiteral("Port att lyssna på; 0 väljer en ledig port (standard 8803)."),
         QStringLiteral("port"), QStringLiteral("8803")},
        {StyleOption, QStringLiteral("Hur svarens vektorer kodas: inline (varje post på plats, standard) "
                                     "eller multiref (href-referenser till multiRef-element, som Axis och .NET)."),
         QStringLiteral("stil"), QStringLiteral("inline")},
        {FinalOption, QStringLiteral("Servera slutresultatet direkt, även från Valnatt-operationerna.")},
        {SeedOption, QStringLiteral("Frö för distriktens rapportordning (standard 20030914)."),
         QStringLiteral("tal"), QStringLiteral("20030914")},
        {NightOption, QStringLiteral("Valnattens längd i minuter; då har alla distrikt rapporterat "
                                     "(standard 30, högst 10080)."),
         QStringLiteral("minuter"), QStringLiteral("30")},
        {AtOption, QStringLiteral("Frys valnatten så många sekunder efter start (decimaler tillåtna)."),
         QStringLiteral("sekunder")},
        {DataOption, QStringLiteral("Datafil att använda i stället för den inbyggda (tabbseparerad UTF-8, "
                                    "se README.md)."),
         QStringLiteral("fil")},
        {QuietOption, QStringLiteral("Skriv ingen rad per begäran.")},
        {NightStartOption, QStringLiteral("När valnatten började, ISO 8601: lokal tid (2003-09-14T20:00:00) eller "
                                          "med tidszon (2003-09-14T18:00:00Z, ...+02:00). Standard: när tjänsten "
                                          "startade."),
         QStringLiteral("tid")},
        {ThreadsOption, QStringLiteral("Antal trådar som betjänar anslutningarna (standard: antalet kärnor)."),
         QStringLiteral("antal")},
        {MaxConnectionsOption, QStringLiteral("Högst så många öppna anslutningar (standard %1).").arg(limits.maxConnections),
         QStringLiteral("antal"), QString::number(limits.maxConnections)},
        {PerClientOption, QStringLiteral("Högst så många öppna anslutningar från samma klientadress; 0 tar bort "
                                         "gränsen, som bakom en lastbalanserare (standard %1).")
                                  .arg(limits.maxConnectionsPerClient),
         QStringLiteral("antal"), QString::number(limits.maxConnectionsPerClient)},
        {MemoryOption, QStringLiteral("Ungefär så många MiB minne tar tjänsten som mest: %1 MiB för sig själv och "
                                      "%2 KiB för varje anslutning som --max-connections tillåter avsätts, resten får "
                                      "begäranden under mottagning dela på; därutöver får en begäran 503 (standard %3).")
                               .arg(ServerResources::ProcessBytes / Mebibyte)
                               .arg(ServerResources::ConnectionBytes / 1024)
                               .arg(limits.memoryTarget / Mebibyte),
         QStringLiteral("MiB"), QString::number(limits.memoryTarget / Mebibyte)},
        {DrainOption, QStringLiteral("Vid SIGTERM, SIGINT och SIGHUP: så många sekunder att besvara begäranden "
                                     "som redan tagits emot innan de anslutningar som är kvar stängs (standard %1).")
                              .arg(limits.drainLimit.count() / 1000),
         QStringLiteral("sekunder"), QString::number(limits.drainLimit.count() / 1000)},
    });
    m_parser.addOptions({
        {NightKindOption, QStringLiteral("replay (standard): spela upp valnatten; live: en riktig räkning, där distrikten "
                                         "räknas först när någon rapporterar dem (se README.md)."),
         QStringLiteral("natt"), QStringLiteral("replay")},
        {DistrictsOption, QStringLiteral("Live: valdistrikten från denna fil (kommunkod, nummer, namn, röstberättigade; "
                                         "tabbseparerad UTF-8) i stället för datafilens uppdelning."),
         QStringLiteral("fil")},
        {ReportersOption, QStringLiteral("Live (krävs): vilka som får rapportera; en rad per rapportör med namn, SHA-256 av "
                                         "nyckeln, län (eller *) och roll (reporter eller admin), tabbseparerade. "
                                         "Läses vid start."),
         QStringLiteral("fil")},
        {StoreOption, QStringLiteral("Live (krävs): var rapporterna och granskningsloggen sparas, innan de besvaras: en "
                                     "SQLite-fil, eller postgresql://... som flera instanser delar."),
         QStringLiteral("fil-eller-url")},
        {IntakeBindOption, QStringLiteral("Live: adress för rapporterna (standard 127.0.0.1); en annan än loopback bara "
                                          "med TLS."),
         QStringLiteral("adress"), QStringLiteral("127.0.0.1")},
        {IntakePortOption, QStringLiteral("Live: port för rapporterna, aldrig SOAP-porten; 0 väljer en ledig (standard 8804)."),
         QStringLiteral("port"), QStringLiteral("8804")},
        {TlsCertOption, QStringLiteral("Live: TLS för rapporterna, certifikatkedjan (PEM)."), QStringLiteral("fil")},
        {TlsKeyOption, QStringLiteral("Live: TLS för rapporterna, den privata nyckeln (PEM)."), QStringLiteral("fil")},
        {AuditOption, QStringLiteral("Skriv granskningsloggen i en SQLite-fil eller PostgreSQL-databas som CSV på "
                                     "standard ut, och avsluta."),
         QStringLiteral("fil-eller-url")},
        {NewTokenOption, QStringLiteral("Skriv en ny slumpad nyckel för rapportören NAMN och, på nästa rad, dess rad "
                                        "till rapportörsfilen, och avsluta."),
         QStringLiteral("namn")},
        {CountiesOption, QStringLiteral("Med --new-token: länen rapportören får rapportera, koder med komma emellan "
                                        "(standard *: alla)."),
         QStringLiteral("län"), QStringLiteral("*")},
        {RoleOption, QStringLiteral("Med --new-token: reporter (standard) eller admin, som också kan förklara en räkning "
                                    "slutlig."),
         QStringLiteral("roll"), QStringLiteral("reporter")},
    });
    m_parser.addHelpOption();
    m_parser.addVersionOption();
}

bool ServiceCommandLine::parseLiveNight()
{
    m_audit = m_parser.value(AuditOption);
    if (m_parser.isSet(AuditOption) && m_audit.isEmpty())
        return fail(QStringLiteral("--audit: ange en SQLite-fil eller en postgresql://-adress"));
    if (m_parser.isSet(NewTokenOption)) {
        const QString role = m_parser.value(RoleOption);
        if (role != u"reporter" && role != u"admin")
            return fail(QStringLiteral("--role: '%1' är varken reporter eller admin").arg(role));
        m_newReporter = NewReporter{m_parser.value(NewTokenOption), m_parser.value(CountiesOption), role};
    }

    const QString night = m_parser.value(NightKindOption);
    if (night != u"replay" && night != u"live")
        return fail(QStringLiteral("--night: '%1' är varken replay eller live").arg(night));
    m_options.service.liveNight = night == u"live";
    const QStringList liveOnly{DistrictsOption, ReportersOption, StoreOption, IntakeBindOption, IntakePortOption,
                               TlsCertOption, TlsKeyOption};
    if (!m_options.service.liveNight) {
        for (const QString &option : liveOnly) {
            if (m_parser.isSet(option))
                return fail(QStringLiteral("--%1 gäller bara --night live").arg(option));
        }
        return true;
    }
    if (m_options.service.finalCount)
        return fail(QStringLiteral("--final gäller bara en uppspelad natt; en riktig räkning förklaras slutlig av en admin"));
    for (const QString &required : {ReportersOption, StoreOption}) {
        if (m_parser.value(required).isEmpty())
            return fail(QStringLiteral("--night live kräver --%1").arg(required));
    }
    m_options.service.districtsFile = m_parser.value(DistrictsOption);
    m_options.service.reportersFile = m_parser.value(ReportersOption);
    m_options.service.store = m_parser.value(StoreOption);

    const QString bind = m_parser.value(IntakeBindOption);
    if (!m_options.intakeAddress.setAddress(bind))
        return fail(QStringLiteral("--intake-bind: '%1' är ingen IP-adress").arg(bind));
    bool ok = false;
    const uint port = m_parser.value(IntakePortOption).toUInt(&ok);
    if (!ok || port > 65535)
        return fail(QStringLiteral("--intake-port: '%1' är ingen port (0 till 65535)").arg(m_parser.value(IntakePortOption)));
    m_options.intakePort = quint16(port);
    if (port != 0 && port == m_options.port)
        return fail(QStringLiteral("--intake-port: rapporterna tas aldrig emot på SOAP-porten (%1)").arg(port));

    m_options.intakeTlsCert = m_parser.value(TlsCertOption);
    m_options.intakeTlsKey = m_parser.value(TlsKeyOption);
    if (m_options.intakeTlsCert.isEmpty() != m_options.intakeTlsKey.isEmpty())
        return fail(QStringLiteral("--intake-tls-cert och --intake-tls-key anges tillsammans"));
    // Tokens must not cross a network in clear.
    if (!m_options.intakeAddress.isLoopback() && m_options.intakeTlsCert.isEmpty())
        return fail(QStringLiteral("--intake-bind: %1 är inte loopback; rapporter tas då bara emot med TLS "
                                   "(--intake-tls-cert och --intake-tls-key)").arg(bind));
    return true;
}

bool ServiceCommandLine::fail(const QString &error)
{
    m_error = error;
    return false;
}

QString ServiceCommandLine::helpText() const
{
    return m_parser.helpText();
}

bool ServiceCommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments))
        return fail(m_parser.errorText());
    if (!m_parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Okänt argument: %1").arg(m_parser.positionalArguments().first()));
    m_help = m_parser.isSet(QStringLiteral("help"));
    m_version = m_parser.isSet(QStringLiteral("version"));

    const QString bind = m_parser.value(BindOption);
    if (!m_options.bindAddress.setAddress(bind))
        return fail(QStringLiteral("--bind: '%1' är ingen IP-adress").arg(bind));

    bool ok = false;
    const uint port = m_parser.value(PortOption).toUInt(&ok);
    if (!ok || port > 65535)
        return fail(QStringLiteral("--port: '%1' är ingen port (0 till 65535)").arg(m_parser.value(PortOption)));
    m_options.port = quint16(port);

    const QString style = m_parser.value(StyleOption);
    if (style == u"inline")
        m_options.service.style = WireStyle::Inline;
    else if (style == u"multiref")
        m_options.service.style = WireStyle::MultiRef;
    else
        return fail(QStringLiteral("--style: '%1' är varken inline eller multiref").arg(style));

    m_options.service.finalCount = m_parser.isSet(FinalOption);

    m_options.service.seed = m_parser.value(SeedOption).toULongLong(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed: '%1' är inget icke-negativt heltal").arg(m_parser.value(SeedOption)));

    const int minutes = m_parser.value(NightOption).toInt(&ok);
    if (!ok || minutes < 1 || minutes > MaxNightMinutes)
        return fail(QStringLiteral("--night-minutes: '%1' ligger inte mellan 1 och %2")
                            .arg(m_parser.value(NightOption))
                            .arg(MaxNightMinutes));
    m_options.service.nightMinutes = minutes;

    if (m_parser.isSet(AtOption)) {
        const double seconds = m_parser.value(AtOption).toDouble(&ok);
        if (!ok || !(seconds >= 0) || seconds > 1e9)
            return fail(QStringLiteral("--at: '%1' är inget antal sekunder").arg(m_parser.value(AtOption)));
        m_options.service.frozenAt = std::chrono::milliseconds(qRound64(seconds * 1000));
    }

    if (m_parser.isSet(NightStartOption)) {
        const QString text = m_parser.value(NightStartOption);
        const QDateTime start = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!start.isValid() || !text.contains(u'T'))
            return fail(QStringLiteral("--night-start: '%1' är ingen tidpunkt (ISO 8601, t.ex. 2003-09-14T20:00:00)")
                                .arg(text));
        m_options.service.nightStart = std::chrono::system_clock::time_point(std::chrono::milliseconds(start.toMSecsSinceEpoch()));
    }

    if (m_parser.isSet(ThreadsOption)) {
        m_options.threads = m_parser.value(ThreadsOption).toInt(&ok);
        if (!ok || m_options.threads < 1 || m_options.threads > MaxThreads)
            return fail(QStringLiteral("--threads: '%1' ligger inte mellan 1 och %2")
                                .arg(m_parser.value(ThreadsOption))
                                .arg(MaxThreads));
    }
    m_options.http.maxConnections = m_parser.value(MaxConnectionsOption).toInt(&ok);
    if (!ok || m_options.http.maxConnections < 1 || m_options.http.maxConnections > MaxConnections)
        return fail(QStringLiteral("--max-connections: '%1' ligger inte mellan 1 och %2")
                            .arg(m_parser.value(MaxConnectionsOption))
                            .arg(MaxConnections));
    m_options.http.maxConnectionsPerClient = m_parser.value(PerClientOption).toInt(&ok);
    if (!ok || m_options.http.maxConnectionsPerClient < 0 || m_options.http.maxConnectionsPerClient > MaxConnections)
        return fail(QStringLiteral("--max-connections-per-client: '%1' ligger inte mellan 0 och %2")
                            .arg(m_parser.value(PerClientOption))
                            .arg(MaxConnections));

    const int memoryTarget = m_parser.value(MemoryOption).toInt(&ok);
    if (!ok || memoryTarget < 1 || memoryTarget > MaxMemoryTargetMiB)
        return fail(QStringLiteral("--memory-target: '%1' ligger inte mellan 1 och %2")
                            .arg(m_parser.value(MemoryOption))
                            .arg(MaxMemoryTargetMiB));
    m_options.http.memoryTarget = std::size_t(memoryTarget) * Mebibyte;
    if (ServerResources::requestBudget(m_options.http) < LeastRequestBudget) {
        const std::size_t least = ServerResources::ProcessBytes
                + std::size_t(m_options.http.maxConnections) * ServerResources::ConnectionBytes + LeastRequestBudget;
        return fail(QStringLiteral("--memory-target: %1 MiB räcker inte för %2 anslutningar (minst %3 MiB)")
                            .arg(memoryTarget)
                            .arg(m_options.http.maxConnections)
                            .arg((least + Mebibyte - 1) / Mebibyte));
    }
    const int drainSeconds = m_parser.value(DrainOption).toInt(&ok);
    if (!ok || drainSeconds < 0 || drainSeconds > MaxDrainSeconds)
        return fail(QStringLiteral("--drain-seconds: '%1' ligger inte mellan 0 och %2")
                            .arg(m_parser.value(DrainOption))
                            .arg(MaxDrainSeconds));
    m_options.http.drainLimit = std::chrono::seconds(drainSeconds);

    m_options.service.dataFile = m_parser.value(DataOption);
    if (m_parser.isSet(DataOption) && m_options.service.dataFile.isEmpty())
        return fail(QStringLiteral("--data: filnamnet är tomt"));
    m_options.logRequests = !m_parser.isSet(QuietOption);
    return parseLiveNight();
}
