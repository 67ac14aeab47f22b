// The hostile inputs that once cost far more than their size, at the sizes they were found at:
// time, peak memory and outcome of each, one fresh process per input.
//   ksv-bench-hostile            all of them
//   ksv-bench-hostile NAME SIZE  one (names below)

#include "cannedservice.h"
#include "ksv_config.h"
#include "mappingdocument.h"
#include "peakmemory.h"
#include "raisederror.h"
#include "responsedecoder.h"
#include "soapclient.h"
#include "testhttpserver.h"
#include "wsdlreader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <functional>

using namespace soap;

namespace {

// The pattern `count` times, each '@' the running number modulo `modulo`.
QByteArray each(int count, const QByteArray &pattern, int modulo = 1 << 30)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += QByteArray(pattern).replace('@', QByteArray::number(i % modulo));
    return out;
}

QByteArray answer(const QByteArray &header, const QByteArray &after = {})
{
    return "<e:Envelope xmlns:e='http://schemas.xmlsoap.org/soap/envelope/' xmlns:q='" KSV_SCHEMA_NAMESPACE "' "
           "xmlns:enc='http://schemas.xmlsoap.org/soap/encoding/' xmlns:p0='urn:q' xmlns:p1='urn:q' xmlns:p2='urn:q' "
           "xmlns:p3='urn:q' xmlns:p4='urn:q'><e:Header>" + header + "</e:Header><e:Body>"
           "<m:getCountryResultsValnattResponse xmlns:m='urn:m'><return enc:arrayType='q:QueryResult[0]'/>"
           "</m:getCountryResultsValnattResponse>" + after + "</e:Body></e:Envelope>";
}

// Five prefixes declared first, used past many declared after them, spread over nested elements.
QByteArray prefixes(int bytes)
{
    const int levels = 1 + bytes / 1000000;
    QByteArray open;
    for (int level = 0; level < levels; ++level)
        open += "<h" + each(bytes / 50 / levels, " xmlns:f@x" + QByteArray::number(level) + "='urn:f'") + ">";
    return answer(open + each(bytes / 20, "<p@:x/>", 5) + QByteArray("</h>").repeated(levels));
}

void decode(const QByteArray &bytes)
{
    AnswerExpectation expectation;
    expectation.operation = QStringLiteral("getCountryResultsValnatt");
    ResponseDecoder decoder(DecodeSetup{}, expectation, {}, QStringLiteral("bench"));
    for (qsizetype at = 0; at < bytes.size(); at += 65536)
        decoder.feed(bytes.constData() + at, std::min<qsizetype>(65536, bytes.size() - at));
    decoder.finish();
}

QByteArray wsdl(int operations)
{
    return "<w:definitions xmlns:w='http://schemas.xmlsoap.org/wsdl/' xmlns:s='http://schemas.xmlsoap.org/wsdl/soap/' "
           "xmlns:x='http://www.w3.org/2001/XMLSchema' xmlns:t='urn:s' targetNamespace='urn:s'>"
        + each(operations, "<w:message name='m@'><w:part name='p' type='x:string'/></w:message>") + "<w:portType name='T'>"
        + each(operations, "<w:operation name='o@'><w:input message='t:m@'/><w:output message='t:m@'/></w:operation>")
        + "</w:portType><w:binding name='B' type='t:T'><s:binding style='rpc' transport='http://schemas.xmlsoap.org/soap/http'/>"
        + each(operations, "<w:operation name='o@'><s:operation soapAction=''/><w:input><s:body use='encoded'/>"
                           "</w:input><w:output><s:body use='encoded'/></w:output></w:operation>")
        + "</w:binding><w:service name='S'><w:port name='P' binding='t:B'><s:address location='http://h/x'/></w:port>"
          "</w:service></w:definitions>";
}

int runOne(const QByteArray &name, int size)
{
    QByteArray input;
    std::function<void()> run;
    std::unique_ptr<CannedService> service;
    std::unique_ptr<SoapClient> client;
    if (name == "prefixes") {
        input = prefixes(size);
        run = [&] { decode(input); };
    } else if (name == "arrays") {
        input = answer({}, each(size / 90, "<a id='a@' enc:arrayType='q:QueryResult[131072]'/>"));
        run = [&] { decode(input); };
    } else if (name == "wsdl") {
        input = wsdl(size);
        run = [&] { WsdlReader(QStringLiteral("S"), QStringLiteral("P"), QStringLiteral("urn:s")).read(input, {}); };
    } else if (name == "mapping") {
        input = "<servicemapping>" + QByteArray("<a>").repeated(size) + QByteArray("</a>").repeated(size) + "</servicemapping>";
        run = [&] { MappingDocument::parse(QString::fromUtf8(input), QStringLiteral("S")); };
    } else if (name == "deadline") {
        // The prefix answer served whole, under a 1 s deadline.
        input = prefixes(size);
        service = std::make_unique<CannedService>();
        service->reply(testsupport::CannedReply::ok(input));
        const QUrl url = service->wsdlUrl();
        TransportLimits limits;
        limits.timeout = std::chrono::seconds(1);
        client = std::make_unique<SoapClient>(limits);
        client->initialise(url.toString(), {}, QStringLiteral(KSV_SERVICE_NAME), QStringLiteral(KSV_PORT_NAME),
                           QStringLiteral(KSV_SERVICE_NAMESPACE));
        run = [&] { client->invoke(QStringLiteral("getCountryResultsValnatt")); };
    } else {
        std::fprintf(stderr, "ksv-bench-hostile: no input named %s\n", name.constData());
        return 2;
    }
    const qint64 before = PeakMemory::peakBytes();
    QString outcome = QStringLiteral("accepted");
    QElapsedTimer clock;
    clock.start();
    try {
        run();
    } catch (const RaisedError &error) {
        outcome = QStringLiteral("0x%1 %2").arg(quint32(error.number()), 0, 16).arg(error.description().left(60));
    }
    std::printf("%-9s %8.1f MB input %8.3f s %8.1f MB peak rise  %s\n", name.constData(), double(input.size()) / 1e6,
                double(clock.nsecsElapsed()) / 1e9, double(PeakMemory::peakBytes() - before) / 1e6, qPrintable(outcome));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3)
        return runOne(argv[1], std::atoi(argv[2]));
    // The sizes each was found at: a 12 MB answer, 2 MB of array claims, 4,000 operations,
    // 40,000 levels, a 50 MB answer under a 1 s deadline.
    const QList<QPair<QString, QString>> all{{"prefixes", "16000000"}, {"arrays", "3300000"}, {"wsdl", "4000"},
                                             {"mapping", "40000"}, {"deadline", "64000000"}};
    for (const auto &[name, size] : all) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {name, size});
        child.waitForFinished(-1);
    }
    return 0;
}
