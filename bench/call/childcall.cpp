#include "childcall.h"

#include "clsws_ElectionResults.h"
#include "peakmemory.h"
#include "raisederror.h"

#include <QElapsedTimer>

#include <cstdio>

int ChildCall::run(const QString &wsdlUrl)
{
    const qint64 baseline = PeakMemory::peakBytes();
    ServiceSettings settings;
    settings.wsdlUrl = wsdlUrl;
    try {
        QElapsedTimer clock;
        clock.start();
        clsws_ElectionResults client(settings);
        const soap::Variant answer = client.wsm_getCountryResultsValnatt();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        std::printf("%zu %.4f %lld %lld\n", answer.array().size(), seconds, qlonglong(baseline),
                    qlonglong(PeakMemory::peakBytes()));
        return 0;
    } catch (const soap::RaisedError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
