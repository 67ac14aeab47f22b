#include "childcall.h"

#include "clsws_ElectionResults.h"
#include "raisederror.h"

#include <QElapsedTimer>

#include <QFile>

#include <cstdio>

namespace {

// VmHWM, the high-water mark of this process image; unlike ru_maxrss it does not carry over the
// parent's size through fork and exec.
qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

} // namespace

int ChildCall::run(const QString &wsdlUrl)
{
    const qint64 baseline = peakResidentBytes();
    ServiceSettings settings;
    settings.wsdlUrl = wsdlUrl;
    try {
        QElapsedTimer clock;
        clock.start();
        clsws_ElectionResults client(settings);
        const soap::Variant answer = client.wsm_getCountryResultsValnatt();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        std::printf("%zu %.4f %lld %lld\n", answer.array().size(), seconds, qlonglong(baseline),
                    qlonglong(peakResidentBytes()));
        return 0;
    } catch (const soap::RaisedError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
