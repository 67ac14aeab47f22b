// KSV against a gSOAP client generated from the service's own WSDL, on the same answer bytes.
//   ksv-bench-gsoap [--runs N] [--records N] [--gsoap PATH]
//   ksv-bench-gsoap --serve [--records N] [--multiref]   serves the answer until standard input
//       ends, printing the WSDL and endpoint URLs, to run either client by hand under a profiler:
//       valgrind --tool=callgrind ksv-bench-gsoap --child WSDL-URL; ksv-gsoap-client ENDPOINT-URL
//   ksv-bench-gsoap --child WSDL-URL [--verify]     (internal) the KSV side of one run

#include "comparison.h"
#include "ksvchild.h"

#include "cannedservice.h"
#include "testhttpserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <exception>

namespace {

void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString row(const QString &what, const std::vector<double> &ksv, const std::vector<double> &gsoap, double scale,
            const QString &unit)
{
    const double k = Comparison::median(ksv);
    const double g = Comparison::median(gsoap);
    return QStringLiteral("  %1 KSV %2 %4, gSOAP %3 %4, KSV/gSOAP %5")
        .arg(what, -16)
        .arg(k * scale, 8, 'f', 1)
        .arg(g * scale, 8, 'f', 1)
        .arg(unit)
        .arg(g > 0 ? k / g : 0, 0, 'f', 3);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("--child"))
        return KsvChild::run(arguments.at(2), arguments.size() > 3 && arguments.at(3) == QLatin1String("--verify"));

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("paired runs per style"), QStringLiteral("n"),
                            QStringLiteral("9"));
    QCommandLineOption records(QStringLiteral("records"), QStringLiteral("records in the answer"),
                               QStringLiteral("n"), QStringLiteral("50000"));
    QCommandLineOption gsoap(QStringLiteral("gsoap"), QStringLiteral("the gSOAP client"), QStringLiteral("path"),
                             QDir(app.applicationDirPath()).filePath(QStringLiteral("ksv-gsoap-client")));
    QCommandLineOption serve(QStringLiteral("serve"), QStringLiteral("only serve the answer"));
    QCommandLineOption multiRef(QStringLiteral("multiref"), QStringLiteral("--serve: the multiRef answer"));
    parser.addOptions({runs, records, gsoap, serve, multiRef});
    parser.process(app);

    if (parser.isSet(serve)) {
        CannedService service;
        const auto style = parser.isSet(multiRef) ? bench::WireStyle::MultiRef : bench::WireStyle::Inline;
        service.reply(testsupport::CannedReply::ok(bench::SampleAnswer::generate(parser.value(records).toInt(), style)));
        print(QStringLiteral("WSDL: %1\nendpoint: %2").arg(service.wsdlUrl().toString(), service.endpointUrl().toString()));
        while (std::getchar() != EOF) {
        }
        return 0;
    }

    try {
        const Comparison comparison(app.applicationFilePath(), parser.value(gsoap));
        for (bench::WireStyle style : {bench::WireStyle::Inline, bench::WireStyle::MultiRef}) {
            const Comparison::Result r =
                comparison.run(parser.value(records).toInt(), style, parser.value(runs).toInt());
            print(QStringLiteral("%1: %2 records, answer %3 MB, medians of %4 paired runs (same records decoded):")
                      .arg(bench::SampleAnswer::styleName(style))
                      .arg(r.records)
                      .arg(double(r.answerBytes) / 1e6, 0, 'f', 1)
                      .arg(r.ksv.callWall.size()));
            print(row(QStringLiteral("call wall"), r.ksv.callWall, r.gsoap.callWall, 1000, QStringLiteral("ms")));
            print(row(QStringLiteral("call CPU"), r.ksv.callCpu, r.gsoap.callCpu, 1000, QStringLiteral("ms")));
            print(row(QStringLiteral("process wall"), r.ksv.processWall, r.gsoap.processWall, 1000,
                      QStringLiteral("ms")));
            print(row(QStringLiteral("process CPU"), r.ksv.processCpu, r.gsoap.processCpu, 1000,
                      QStringLiteral("ms")));
            print(row(QStringLiteral("peak RSS"), r.ksv.peakBytes, r.gsoap.peakBytes, 1e-6, QStringLiteral("MB")));
            print(QStringLiteral("  peak RSS / answer: KSV %1, gSOAP %2")
                      .arg(Comparison::median(r.ksv.peakBytes) / double(r.answerBytes), 0, 'f', 2)
                      .arg(Comparison::median(r.gsoap.peakBytes) / double(r.answerBytes), 0, 'f', 2));
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "ksv-bench-gsoap: %s\n", error.what());
        return 1;
    }
    return 0;
}
