#include "startupbench.h"

#include "firstpaintprobe.h"
#include "form1.h"
#include "samples.h"
#include "startup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

Samples StartupBench::measure(const QString &program, const QString &wsdlUrl, int runs)
{
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        child.start(program, {QStringLiteral("--startup-child"), wsdlUrl});
        QByteArray said;
        while (!said.contains("painted") && child.waitForReadyRead(10000))
            said += child.readAllStandardOutput();
        const double elapsed = clock.nsecsElapsed() / 1e6;
        child.waitForFinished(10000);
        if (!said.contains("painted")) {
            std::fprintf(stderr, "run %d: the window was never painted (%s)\n", run,
                         said.constData());
            continue;
        }
        samples.add(elapsed);
    }
    return samples;
}

int StartupBench::runChild(const QString &wsdlUrl)
{
    ServiceSettings settings;
    settings.wsdlUrl = wsdlUrl;
    Startup startup(settings);
    FirstPaintProbe probe(&startup.window());
    QObject::connect(&probe, &FirstPaintProbe::firstPainted, [] {
        std::fputs("painted\n", stdout);
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    if (!startup.run())
        return Startup::FailureExitCode;
    return QCoreApplication::exec();
}
