// The viewer's figures: start-up to the first paint (a process per run) and "&Visa" to the rows
// painted, against the bundled service on this machine. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/viewer/ksv-bench-viewer
#include "applicationsetup.h"
#ifdef KSV_HAS_APP_ICON
#include "appicon.h"
#endif
#include "clsws_ElectionResults.h"
#include "form1.h"
#include "resultsserverthread.h"
#include "samples.h"
#include "startupbench.h"
#include "visabench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

using namespace std::chrono_literals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
#ifdef KSV_HAS_APP_ICON
    ApplicationSetup::apply(app, appIcon());
#else
    ApplicationSetup::apply(app);
#endif
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--startup-child"))
        return StartupBench::runChild(arguments[2]);

    ProgramOptions options;
    options.port = 0;
    options.logRequests = false;
    options.service.frozenAt = 15min; // mid-night: every region has a partial count
    ResultsServerThread service(options);

    std::printf("platform %s, service %s\n", qPrintable(QGuiApplication::platformName()),
                qPrintable(service.wsdlUrl()));

    const Samples startup =
        StartupBench::measure(QCoreApplication::applicationFilePath(), service.wsdlUrl(), 20);
    std::printf("start-up to first paint:        %s\n", qPrintable(startup.summary()));

    ServiceSettings settings;
    settings.wsdlUrl = service.wsdlUrl();
    Form1 window(settings);
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    // Every press finds new figures, as a refresh on election night does: the night stands at 15
    // and 16 minutes in turn. The first press of each region rebuilds the rows; the rest change
    // them in place.
    const auto newFigures = [&service](int run) { service.setElapsed(run % 2 ? 16min : 15min); };
    const Samples country =
        VisaBench::measure(window, QStringLiteral("Hela landet"), 50, newFigures);
    std::printf("&Visa, whole country, to paint: %s\n", qPrintable(country.summary()));
    const Samples county =
        VisaBench::measure(window, QStringLiteral("Stockholms l\u00e4n"), 50, newFigures);
    std::printf("&Visa, Stockholms l\u00e4n, to paint: %s\n", qPrintable(county.summary()));

    // For comparison: the service client alone (a new client, its WSDL, the call, the decoding).
    Samples fetchOnly;
    for (int run = 0; run < 50; ++run) {
        QElapsedTimer clock;
        clock.start();
        clsws_ElectionResults(settings).wsm_getCountryResultsValnatt();
        fetchOnly.add(clock.nsecsElapsed() / 1e6);
    }
    std::printf("(client alone, whole country:   %s)\n", qPrintable(fetchOnly.summary()));
    return 0;
}
