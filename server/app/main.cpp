#include "auditcsv.h"
#include "dataset.h"
#include "dataseterror.h"
#include "datasetparser.h"
#include "httpserver.h"
#include "intakeserver.h"
#include "ksv_config.h"
#include "livecount.h"
#include "livenight.h"
#include "metricsregistry.h"
#include "reporters.h"
#include "reportstore.h"
#include "resultsservice.h"
#include "servicecommandline.h"
#include "serviceroutes.h"
#include "storeerror.h"
#include "storelocation.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

void printLine(FILE *stream, const QString &text)
{
    const QByteArray bytes = (text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

const char *signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    default: return "?";
    }
}

// SIGINT, SIGTERM and SIGHUP, but not one that was ignored when we started: whoever started us
// with nohup, or as a background job, meant it to be.
std::vector<int> stoppingSignals()
{
    std::vector<int> stopping{SIGTERM};
    for (const int signal : {SIGINT, SIGHUP}) {
        struct sigaction current = {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            stopping.push_back(signal);
    }
    return stopping;
}

// Descriptors for `connections` connections and the process's own, as far as the hard limit
// allows; the number of connections that fit.
int raiseDescriptorLimit(int connections)
{
    constexpr rlim_t OwnUse = 32;    // standard streams, listener, epoll, timers, data file
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return connections;
    const rlim_t wanted = rlim_t(connections) + OwnUse;
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur >= wanted ? connections : int(std::max<rlim_t>(limit.rlim_cur, 2 * OwnUse) - OwnUse);
}

// The audit trail as CSV on standard output; the exit status.
int printAudit(const QString &source)
{
    try {
        const auto store = StoreLocation::open(source, ReportStore::Access::ReadOnly);
        std::fwrite(AuditCsv::header().constData(), 1, std::size_t(AuditCsv::header().size()), stdout);
        std::int64_t seq = 0;
        for (;;) {
            const auto records = store->readAfter(seq, 10000);
            if (records.empty())
                break;
            QByteArray text;
            for (const AuditRecord &r : records)
                text += AuditCsv::line(r);
            std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
            seq = records.back().seq;
        }
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const StoreError &e) {
        printLine(stderr, QStringLiteral("ksv-results-service: %1: %2").arg(StoreLocation::shown(source), e.message()));
        return 1;
    }
}

// A new token on the first line, its reporters file line on the second; the exit status.
int printNewToken(const ServiceCommandLine::NewReporter &reporter, const DataSet &data)
{
    const Reporters::NewToken made = Reporters::newToken(reporter.name, reporter.counties, reporter.role);
    try {
        Reporters::parse(made.line.toUtf8(), data);    // the line must read back as written
    } catch (const DataSetError &e) {
        printLine(stderr, QStringLiteral("ksv-results-service: --new-token: %1").arg(e.message()));
        return 2;
    }
    printLine(stdout, QString::fromLatin1(made.token) + u'\n' + made.line);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // A closed log pipe must not end the service; its writes just fail.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ksv-results-service"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KSV_VERSION));

    ServiceCommandLine commandLine;
    if (!commandLine.parse(QCoreApplication::arguments())) {
        printLine(stderr, QStringLiteral("ksv-results-service: %1\nSe --help.").arg(commandLine.errorText()));
        return 2;
    }
    if (commandLine.helpRequested()) {
        printLine(stdout, commandLine.helpText());
        return 0;
    }
    if (commandLine.versionRequested()) {
        printLine(stdout, QStringLiteral("ksv-results-service " KSV_VERSION));
        return 0;
    }
    ProgramOptions options = commandLine.options();
    if (!commandLine.auditSource().isEmpty())
        return printAudit(commandLine.auditSource());

    // Declared in the order of need: the servers refer to the night, which counts in the metrics.
    MetricsRegistry metrics;
    std::unique_ptr<LiveNight> live;
    std::unique_ptr<ResultsService> service;
    try {
        DataSet data = options.service.dataFile.isEmpty() ? DataSetParser::bundled() : DataSetParser::fromFile(options.service.dataFile);
        if (commandLine.newReporter())
            return printNewToken(*commandLine.newReporter(), data);
        if (options.service.liveNight)
            live = std::make_unique<LiveNight>(data, options.service, metrics);
        service = std::make_unique<ResultsService>(std::move(data), options.service, live ? &live->count() : nullptr);
    } catch (const DataSetError &e) {
        printLine(stderr, QStringLiteral("ksv-results-service: %1").arg(e.message()));
        return 1;
    } catch (const StoreError &e) {
        printLine(stderr, QStringLiteral("ksv-results-service: %1: %2").arg(StoreLocation::shown(options.service.store), e.message()));
        return 1;
    } catch (const std::runtime_error &e) {
        printLine(stderr, QStringLiteral("ksv-results-service: %1").arg(QString::fromUtf8(e.what())));
        return 1;
    }

    const int intakeConnections = live ? IntakeServer::MaxConnections : 0;
    const int fitting = raiseDescriptorLimit(options.http.maxConnections + intakeConnections) - intakeConnections;
    if (fitting < options.http.maxConnections) {
        printLine(stderr, QStringLiteral("ksv-results-service: högst %1 anslutningar (gränsen för öppna filer)").arg(fitting));
        options.http.maxConnections = fitting;
    }
    const int threads = options.threads > 0 ? options.threads : std::max(1, int(std::thread::hardware_concurrency()));

    HttpServer server(ServiceRoutes::of(*service), options.http, options.logRequests, threads);
    server.countIn(metrics, "soap");
    std::unique_ptr<IntakeServer> intake;
    if (live) {
        intake = std::make_unique<IntakeServer>(live->intake(), options.http, options.logRequests, metrics);
        try {
            const quint16 intakePort = intake->listen(options.intakeAddress, options.intakePort, options.intakeTlsCert,
                                                      options.intakeTlsKey);
            printLine(stdout, QStringLiteral("Rapporter: %1").arg(intake->url(options.intakeAddress, intakePort)));
        } catch (const std::runtime_error &e) {
            printLine(stderr, QStringLiteral("ksv-results-service: rapporterna kan inte tas emot på %1 port %2: %3")
                                      .arg(options.intakeAddress.toString())
                                      .arg(options.intakePort)
                                      .arg(QString::fromLocal8Bit(e.what())));
            return 1;
        }
        intake->start();
    }
    // Before the WSDL line: whoever reads it may signal us at once. From here on standard error
    // is written through the server's log, which never holds up serving.
    server.stopOnSignals(stoppingSignals(), [&server, &intake](int signalNumber) {
        if (intake)
            intake->drain();
        server.logLine(QStringLiteral("ksv-results-service: signal %1 (%2), avslutar")
                               .arg(signalNumber)
                               .arg(QLatin1String(signalName(signalNumber)))
                               .toStdString());
    });
    quint16 port = 0;
    try {
        port = server.listen(options.bindAddress.toString().toStdString(), options.port);
    } catch (const std::runtime_error &e) {
        printLine(stderr, QStringLiteral("ksv-results-service: kan inte lyssna på %1 port %2: %3")
                                  .arg(options.bindAddress.toString())
                                  .arg(options.port)
                                  .arg(QString::fromLocal8Bit(e.what())));
        return 1;
    }
    const QString host = options.bindAddress.protocol() == QAbstractSocket::IPv6Protocol
            ? QStringLiteral("[%1]").arg(options.bindAddress.toString())
            : options.bindAddress.toString();
    printLine(stdout, QStringLiteral("WSDL: http://%1:%2%3").arg(host).arg(port).arg(ResultsService::wsdlPath()));

    server.run();
    return 0;
}
