#include "intakeclient.h"
#include "ksv_config.h"
#include "reportcommandline.h"
#include "reportrun.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

namespace {

void printLine(FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text + u'\n'), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ksv-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KSV_VERSION));

    ReportCommandLine commandLine;
    if (!commandLine.parse(QCoreApplication::arguments())) {
        printLine(stderr, QStringLiteral("ksv-report: %1\nSe --help.").arg(commandLine.errorText()));
        return 2;
    }
    if (commandLine.helpRequested()) {
        printLine(stdout, commandLine.helpText());
        return 0;
    }
    if (commandLine.versionRequested()) {
        printLine(stdout, QStringLiteral("ksv-report " KSV_VERSION));
        return 0;
    }
    for (const QString &warning : commandLine.warnings())
        printLine(stderr, QStringLiteral("ksv-report: varning: %1").arg(warning));

    IntakeClient client(commandLine.url(), commandLine.token(), commandLine.attempts());
    if (!commandLine.caFile().isEmpty() && !client.addCertificates(commandLine.caFile())) {
        printLine(stderr, QStringLiteral("ksv-report: --ca-file: inga certifikat i %1").arg(commandLine.caFile()));
        return 2;
    }
    const bool progress = !commandLine.quiet() && ::isatty(STDERR_FILENO);
    ReportRun run(client, commandLine.jobs(), commandLine.parallel(), progress);
    QObject::connect(&run, &ReportRun::finished, &app, &QCoreApplication::quit);
    run.start();
    app.exec();

    for (const QString &problem : run.problems())
        printLine(stderr, QStringLiteral("avvisad: %1").arg(problem));
    printLine(stdout, run.summary());
    return run.problems().isEmpty() ? 0 : 1;
}
