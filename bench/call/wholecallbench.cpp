#include "wholecallbench.h"

#include "clsws_ElectionResults.h"
#include "resultsserverthread.h"

#include <QElapsedTimer>

#include <stdexcept>

Durations WholeCallBench::run(WireStyle style, int repetitions)
{
    ProgramOptions options;
    options.service.style = style;
    options.logRequests = false;
    options.service.frozenAt = std::chrono::minutes(15);
    ResultsServerThread server(options);
    ServiceSettings settings;
    settings.wsdlUrl = server.wsdlUrl();

    Durations durations;
    for (int i = -10; i < repetitions; ++i) { // the first ten warm caches on both sides
        QElapsedTimer clock;
        clock.start();
        clsws_ElectionResults client(settings);
        const soap::Variant answer = client.wsm_getCountryResultsValnatt();
        const qint64 elapsed = clock.nsecsElapsed();
        if (answer.array().empty())
            throw std::runtime_error("empty answer");
        if (i >= 0)
            durations.add(double(elapsed) / 1000);
    }
    return durations;
}
