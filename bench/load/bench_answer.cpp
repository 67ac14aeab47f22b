// What one whole-country call costs inside the service, without HTTP: an answer made from
// scratch (tally, rows, XML) against one served from the cache, and the request parse alone.
#include "dataset.h"
#include "datasetparser.h"
#include "ksv_config.h"
#include "resultsservice.h"
#include "soaprequestreader.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace std::chrono_literals;

namespace {

const QByteArray Request =
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
        "<m:getCountryResultsValnatt xmlns:m=\"" KSV_SERVICE_NAMESPACE "\"/></SOAP-ENV:Body></SOAP-ENV:Envelope>";

template<typename F>
double microsecondsPer(int rounds, F &&f)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        f(i);
    return double(timer.nsecsElapsed()) / 1000.0 / rounds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    ServiceOptions options;
    options.frozenAt = 10min;
    ResultsService service(DataSetParser::bundled(), options);
    const int districts = service.night().districtCount();
    qint64 bytes = 0;

    // A new moment of the night each round: never the cached answer.
    const double fresh = microsecondsPer(2000, [&](int i) {
        service.clock().setElapsed(std::chrono::milliseconds(1 + i * 900));
        bytes += service.call(Request).body.size();
    });
    service.clock().setElapsed(10min);
    const double cached = microsecondsPer(20000, [&](int) { bytes += service.call(Request).body.size(); });
    const double parse = microsecondsPer(20000, [&](int) { bytes += SoapRequestReader::read(Request).operation.size(); });

    std::printf("districts %d\n", districts);
    std::printf("answer_bytes %lld\n", qint64(service.call(Request).body.size()));
    std::printf("fresh_answer_us %.1f\n", fresh);
    std::printf("cached_answer_us %.1f\n", cached);
    std::printf("request_parse_us %.1f\n", parse);
    return bytes > 0 ? 0 : 1;
}
