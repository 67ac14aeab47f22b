// Service call figures: the whole call against the bundled service, and a very large answer.
// Usage: ksv-bench-call [--repetitions N] [--big-runs N] [--records N]

#include "biganswerbench.h"
#include "childcall.h"
#include "wholecallbench.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <exception>

namespace {

void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() == 3 && app.arguments().at(1) == QLatin1String("--child"))
        return ChildCall::run(app.arguments().at(2));

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption repetitions(QStringLiteral("repetitions"), QStringLiteral("whole calls to time"),
                                   QStringLiteral("n"), QStringLiteral("200"));
    QCommandLineOption bigRuns(QStringLiteral("big-runs"), QStringLiteral("child processes for the big answer"),
                               QStringLiteral("n"), QStringLiteral("5"));
    QCommandLineOption records(QStringLiteral("records"), QStringLiteral("records in the big answer"),
                               QStringLiteral("n"), QStringLiteral("50000"));
    parser.addOptions({repetitions, bigRuns, records});
    parser.process(app);

    try {
        print(QStringLiteral("Whole call (new client, WSDL, whole-country answer, 22 records), bundled service in-process:"));
        for (WireStyle style : {WireStyle::Inline, WireStyle::MultiRef}) {
            const Durations durations = WholeCallBench::run(style, parser.value(repetitions).toInt());
            print(QStringLiteral("  %1: %2").arg(style == WireStyle::Inline ? QStringLiteral("inline  ")
                                                                            : QStringLiteral("multiRef"),
                                                 durations.summary()));
        }

        print(QStringLiteral("Big answer (whole call in a child process, served from this one):"));
        for (bench::WireStyle style : {bench::WireStyle::Inline, bench::WireStyle::MultiRef}) {
            const BigAnswerBench::Result r = BigAnswerBench::run(
                app.applicationFilePath(), parser.value(records).toInt(), style, parser.value(bigRuns).toInt());
            print(QStringLiteral("  %1: %2 records, answer %3; time median %4 s (min %5 s); "
                                 "peak RSS %6 = %7 x answer (before the call %8; call's own %9 = %10 x)")
                      .arg(bench::SampleAnswer::styleName(style))
                      .arg(r.records)
                      .arg(megabytes(r.answerBytes))
                      .arg(r.medianSeconds, 0, 'f', 3)
                      .arg(r.minSeconds, 0, 'f', 3)
                      .arg(megabytes(r.peakBytes))
                      .arg(double(r.peakBytes) / double(r.answerBytes), 0, 'f', 2)
                      .arg(megabytes(r.baselineBytes))
                      .arg(megabytes(r.peakBytes - r.baselineBytes))
                      .arg(double(r.peakBytes - r.baselineBytes) / double(r.answerBytes), 0, 'f', 2));
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "ksv-bench-call: %s\n", error.what());
        return 1;
    }
    return 0;
}
