#include "dataset.h"
#include "datasetparser.h"
#include "ksv_config.h"
#include "percenttext.h"
#include "resultsservice.h"
#include "soapanswer.h"
#include "soapcall.h"
#include "soapfault.h"
#include "soaprequestreader.h"
#include "tally.h"

#include <QDateTime>
#include <QDomDocument>
#include <QRegularExpression>
#include <QTest>

#include <climits>
#include <ctime>

using namespace std::chrono_literals;

namespace {

const QString ServiceNs = QStringLiteral(KSV_SERVICE_NAMESPACE);
const QString SchemaNs = QStringLiteral(KSV_SCHEMA_NAMESPACE);
const QString EnvNs = QStringLiteral("{http://schemas.xmlsoap.org/soap/envelope/}");

const QStringList MemberNames = {
    "generated", "resultType", "code", "name", "readyDistricts", "allDistricts", "yesNum", "yesPerc",
    "noNum", "noPerc", "blankNum", "blankPerc", "invalidNum", "turnoutNum", "turnoutPerc",
};

ServiceOptions frozen(WireStyle style, std::chrono::milliseconds at)
{
    ServiceOptions options;
    options.style = style;
    options.frozenAt = at;
    return options;
}

// A municipality's final figures, or none counted yet.
Tally figures(const Municipality &m, bool counted)
{
    return counted ? Tally{m.districts, m.districts, m.electorate, m.yes, m.no, m.blank, m.invalid}
                   : Tally{0, m.districts};
}

// A record's members after `generated`, as one line.
QString line(const QString &type, const QString &code, const QString &name, const Tally &t)
{
    auto n = [](std::int64_t v) { return QString::number(v); };
    return QStringList{type, code, name, n(t.readyDistricts), n(t.allDistricts), n(t.yes),
                       PercentText::of(t.yes, t.valid()), n(t.no), PercentText::of(t.no, t.valid()), n(t.blank),
                       PercentText::of(t.blank, t.valid()), n(t.invalid), n(t.cast()),
                       PercentText::of(t.cast(), t.electorate)}
            .join(u' ');
}

// The pattern `count` times, '@' replaced by the number of each, counting up to `modulo`.
QByteArray each(int count, const QByteArray &pattern, int modulo = INT_MAX)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += QByteArray(pattern).replace('@', QByteArray::number(i % modulo));
    return out;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// CPU time per byte of reading the request, the least of five rounds of about 512 KiB each: the
// least is what the work costs, the rest is load.
double costPerByte(const QByteArray &request)
{
    const int times = std::max(1, 512 * 1024 / int(request.size()));
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const double start = threadCpuSeconds();
        for (int i = 0; i < times; ++i) {
            try {
                SoapRequestReader::read(request);
            } catch (const SoapFault &) {
            }
        }
        best = std::min(best, threadCpuSeconds() - start);
    }
    return best / double(times) / double(request.size());
}

} // namespace

class TestResultsService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operations_data();
    void operations();
    void nightFollowsClock();
    void requests_data();
    void requests();
    void readingStaysLinear_data();
    void readingStaysLinear();
    void wsdlDescribesService();

private:
    DataSet m_data = DataSetParser::bundled();
};

void TestResultsService::operations_data()
{
    QTest::addColumn<WireStyle>("style");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("county");
    for (auto [style, name] : {std::pair{WireStyle::Inline, "inline"}, std::pair{WireStyle::MultiRef, "multiref"}}) {
        QTest::addRow("%s country night", name) << style << "getCountryResultsValnatt" << QString();
        QTest::addRow("%s country final", name) << style << "getCountryResultsSlutsam" << QString();
        QTest::addRow("%s county 01 night", name) << style << "getCountyResultsValnatt" << "01";
        QTest::addRow("%s county 14 final", name) << style << "getCountyResultsSlutsam" << "14";
    }
}

void TestResultsService::operations()
{
    // At the very start of the night: nothing counted yet, while the final count is all there.
    QFETCH(WireStyle, style);
    QFETCH(QString, operation);
    QFETCH(QString, county);
    ResultsService service(m_data, frozen(style, 0ms));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const SoapReply reply = service.call(SoapCall::of(operation, county));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.operation, operation);
    const SoapAnswer answer = SoapAnswer::read(reply.body);
    QVERIFY2(answer.error.isEmpty() && answer.encodingStyle, qPrintable(answer.error));
    QCOMPARE(answer.response, QStringLiteral("{%1}%2Response").arg(ServiceNs, operation));
    QCOMPARE(answer.multiRefCount, style == WireStyle::MultiRef ? int(answer.records.size()) : 0);
    QCOMPARE(answer.arrayType, QStringLiteral("{%1}QueryResult[%2]").arg(SchemaNs).arg(answer.records.size()));
    QCOMPARE(answer.memberOrder, MemberNames);

    const bool counted = operation.endsWith("Slutsam");
    QStringList expected;
    Tally sum;
    for (const County &c : m_data.counties()) {
        if (!county.isEmpty() && c.code != county)
            continue;
        Tally countySum;
        QStringList municipalities;
        for (const Municipality &m : c.municipalities) {
            countySum.add(figures(m, counted));
            municipalities << line("municipality", m.code, m.name, figures(m, counted));
        }
        sum.add(countySum);
        expected << line("county", c.code, c.name, countySum) << (county.isEmpty() ? QStringList() : municipalities);
    }
    if (county.isEmpty())
        expected.prepend(line("country", "00", "Riket", sum));
    // Every row made at the same moment: now, to the second.
    const QString generated = answer.records.at(0)["generated"];
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$").match(generated).hasMatch(),
             qPrintable(generated));
    const QDateTime moment = QDateTime::fromString(generated, Qt::ISODate);
    QVERIFY(moment >= before && moment <= QDateTime::currentDateTime().addSecs(1));
    QStringList actual;
    for (const auto &r : answer.records) {
        QCOMPARE(r["generated"], generated);
        QStringList values;
        for (const QString &member : MemberNames.mid(1))
            values << r[member];
        actual << values.join(u' ');
    }
    QCOMPARE(actual, expected);
}

void TestResultsService::nightFollowsClock()
{
    ResultsService service(m_data, frozen(WireStyle::Inline, 0ms));
    auto country = [](ResultsService &service, const char *operation) {
        auto record = SoapAnswer::read(service.call(SoapCall::of(operation)).body).records.at(0);
        record.remove("generated");
        return record;
    };
    QCOMPARE(country(service, "getCountryResultsValnatt")["readyDistricts"], QStringLiteral("0"));
    // Same second, later moment of the night: the answer must not come from the cache.
    service.clock().setElapsed(12min);
    const auto middle = country(service, "getCountryResultsValnatt");
    QCOMPARE(middle["readyDistricts"], QString::number(service.night().arrivedBy(12min)));
    QVERIFY(middle["readyDistricts"].toInt() > 0 && middle["readyDistricts"].toInt() < m_data.districtCount());
    QVERIFY(middle["yesNum"].toLongLong() > 0);
    service.clock().setElapsed(30min);
    QCOMPARE(country(service, "getCountryResultsValnatt"), country(service, "getCountryResultsSlutsam"));
    service.clock().resume();
    QTRY_VERIFY(service.clock().elapsed() > 30min);

    // Replicas: the same seed and start give the same night, however far apart they were made;
    // before the start nothing is in; --final serves the complete count all night.
    ServiceOptions options;
    options.nightStart = ReplayClock::WallClock::now() - 12min;
    ResultsService early(m_data, options);
    QTest::qWait(50);
    ResultsService late(m_data, options);
    QVERIFY(std::chrono::abs(early.clock().elapsed() - late.clock().elapsed()) < 20ms);
    QVERIFY(early.clock().elapsed() >= 12min && early.clock().elapsed() < 12min + 1s);
    options.nightStart = ReplayClock::WallClock::now() + 1h;
    QCOMPARE(ResultsService(m_data, options).clock().elapsed(), 0ms);
    options.finalCount = true;
    ResultsService final(m_data, options);
    QCOMPARE(country(final, "getCountryResultsValnatt"), country(final, "getCountryResultsSlutsam"));
}

void TestResultsService::requests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("code");    // of the fault; empty: Skåne's answer
    QTest::addColumn<QString>("text");    // the fault string contains it

    auto wrapped = [](const QString &argument, const QString &header = {},
                      const QString &wrapper = "m:getCountyResultsSlutsam xmlns:m") {
        const QString name = wrapper.section(u' ', 0, 0);
        return SoapCall::envelope(QString("<%1=\"%2\">%3</%4>").arg(wrapper, ServiceNs, argument, name), header);
    };
    auto accepted = [](const char *name, const QByteArray &request) {
        QTest::newRow(name) << request << QString() << QString();
    };
    accepted("typed", SoapCall::of("getCountyResultsSlutsam", "12"));
    accepted("untyped", wrapped("<county>12</county>"));
    accepted("default namespace wrapper", wrapped("<county xmlns=\"\">12</county>", {}, "getCountyResultsSlutsam xmlns"));
    accepted("by position", wrapped("<c-gensym3>12</c-gensym3>"));
    accepted("named after others", wrapped("<extra>99</extra><county>12</county>"));
    accepted("soapenc string",
             wrapped("<county xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\" xsi:type=\"enc:string\">12</county>"));
    accepted("CDATA and comment", wrapped("<!-- län --><county><![CDATA[1]]>2</county>"));
    accepted("character reference", wrapped("<county>&#49;2</county>"));
    accepted("optional header",
             wrapped("<county>12</county>", "<SOAP-ENV:Header><t:Trace xmlns:t=\"urn:x\">1</t:Trace></SOAP-ENV:Header>"));
    accepted("ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                           "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
                           "<m:getCountyResultsSlutsam xmlns:m=\"" KSV_SERVICE_NAMESPACE "\"><!-- l\xE4n -->"
                           "<county>12</county></m:getCountyResultsSlutsam></e:Body></e:Envelope>");

    const QString op = "getCountyResultsValnatt";
    const QByteArray envelopeStart = "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\">";
    QTest::newRow("unknown county") << SoapCall::of(op, "99") << "Client" << "Okänd länskod: '99'";
    QTest::newRow("country code") << SoapCall::of(op, "00") << "Client" << "Okänd länskod: '00'";
    QTest::newRow("one digit") << SoapCall::of(op, "1") << "Client" << "Felaktig länskod: '1'";
    QTest::newRow("blank around") << SoapCall::of(op, " 01") << "Client" << "Felaktig länskod: ' 01'";
    QTest::newRow("non-ASCII digits") << SoapCall::of(op, "٠١") << "Client" << "Felaktig länskod";
    QTest::newRow("empty") << SoapCall::of(op, "") << "Client" << "Felaktig länskod: ''";
    QTest::newRow("very long")
            << SoapCall::of(op, QString(5000, 'x')) << "Client" << "Felaktig länskod: '" + QString(40, 'x') + "…'";
    QTest::newRow("missing") << SoapCall::of(op) << "Client" << "Länskod saknas";
    QTest::newRow("nil") << wrapped("<county xsi:nil=\"true\"/>") << "Client" << "Länskod saknas";
    QTest::newRow("structure") << wrapped("<county><a>01</a></county>") << "Client" << "inte en struktur";
    QTest::newRow("reference") << wrapped("<county href=\"#id0\"/>") << "Client" << "referens";
    QTest::newRow("unknown operation") << SoapCall::of("getMunicipalityResults") << "Client"
                                       << "Okänd operation: 'getMunicipalityResults'";
    QTest::newRow("wrong namespace")
            << SoapCall::envelope("<m:getCountryResultsValnatt xmlns:m=\"urn:other\"/>") << "Client" << "Okänd operation";
    QTest::newRow("empty body") << SoapCall::envelope("") << "Client" << "inget anrop";
    QTest::newRow("no Body") << envelopeStart + "</e:Envelope>" << "Client" << "saknar Body";
    QTest::newRow("malformed XML") << envelopeStart + "<e:Body>" << "Client" << "Felaktig XML";
    QTest::newRow("mismatched tags") << envelopeStart + "\n<e:Body></e:Envelope>" << "Client" << "Felaktig XML på rad 2";
    QTest::newRow("empty request") << QByteArray() << "Client" << "Begäran är tom";
    QTest::newRow("HTML") << QByteArray("<html><body>hej</body></html>") << "Client" << "Inte ett SOAP-meddelande";
    QTest::newRow("Envelope without namespace") << QByteArray("<Envelope><Body/></Envelope>") << "Client"
                                                << "Inte ett SOAP-meddelande";
    QTest::newRow("DOCTYPE") << "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY x \"01\">]>" + envelopeStart
                    + "<e:Body/></e:Envelope>" << "Client" << "DOCTYPE";
    QTest::newRow("external entity") << QByteArray("<!DOCTYPE e SYSTEM \"file:///etc/passwd\"><e/>") << "Client"
                                     << "DOCTYPE";
    QTest::newRow("SOAP 1.2")
            << QByteArray("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body/></e:Envelope>")
            << "VersionMismatch" << "SOAP 1.1";
    QTest::newRow("must understand")
            << SoapCall::envelope(QString("<m:getCountryResultsValnatt xmlns:m=\"%1\"/>").arg(ServiceNs),
                                  "<SOAP-ENV:Header><t:Auth xmlns:t=\"urn:x\" SOAP-ENV:mustUnderstand=\"1\"/></SOAP-ENV:Header>")
            << "MustUnderstand" << "t:Auth";
    QTest::newRow("too deep")
            << SoapCall::envelope(QString("<m:getCountryResultsValnatt xmlns:m=\"%1\"/>").arg(ServiceNs),
                                  "<SOAP-ENV:Header>" + QString("<a>").repeated(40) + QString("</a>").repeated(40)
                                          + "</SOAP-ENV:Header>")
            << "Client" << "nästlad";
    QTest::newRow("element after envelope") << SoapCall::of("getCountryResultsValnatt") + "<more/>" << "Client" << "Felaktig XML";
}

void TestResultsService::requests()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, code);
    QFETCH(QString, text);
    ResultsService service(m_data, frozen(WireStyle::Inline, 0ms));
    const SoapReply reply = service.call(request);
    const SoapAnswer answer = SoapAnswer::read(reply.body);
    if (code.isEmpty()) {
        QCOMPARE(reply.status, 200);
        QCOMPARE(answer.records.size(), std::size_t(34));
        QCOMPARE(answer.records[0]["name"], QStringLiteral("Skåne län"));
        return;
    }
    QCOMPARE(reply.status, 500);
    QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
    QCOMPARE(answer.response, EnvNs + "Fault");
    QCOMPARE(answer.faultCode, EnvNs + code);
    QVERIFY2(answer.faultString.contains(text), qPrintable(answer.faultString));
}

void TestResultsService::readingStaysLinear_data()
{
    // Hostile shapes of a request, each at about 8 and 64 KiB (the most a request may be).
    QTest::addColumn<QByteArray>("small");
    QTest::addColumn<QByteArray>("large");
    const QByteArray call = "<m:getCountyResultsSlutsam xmlns:m=\"" KSV_SERVICE_NAMESPACE "\"";
    const auto shape = [&](const char *name, const std::function<QByteArray(int)> &make) {
        QTest::newRow(name) << make(8 * 1024) << make(64 * 1024);
    };
    const auto inHeader = [](const QByteArray &entries) {
        return SoapCall::envelope(QString(), QString::fromUtf8("<SOAP-ENV:Header>" + entries + "</SOAP-ENV:Header>"));
    };
    shape("attributes on the call", [&](int n) { return SoapCall::envelope(call + each(n / 9, " a@=''") + "/>"); });
    shape("prefixes used in turn", [&](int n) {
        return inHeader("<h" + each(64, " xmlns:p@='urn:p@'") + ">" + each(n / 9, "<p@:x/>", 64) + "</h>");
    });
    shape("prefixes used past many declarations", [&](int n) {
        return inHeader("<h" + each(5, " xmlns:p@='urn:p'") + each(n / 40, " xmlns:f@='urn:f'") + ">"
                        + each(n / 16, "<p@:x/>", 5) + "</h>");
    });
    shape("a declaration on every element", [&](int n) { return inHeader(each(n / 30, "<q@:x xmlns:q@='urn:q@'/>")); });
    shape("references", [&](int n) {
        return SoapCall::envelope(call + "><county>" + each(n / 20, "&#49;&amp;&#x32;&lt;") + "</county></m:getCountyResultsSlutsam>");
    });
    shape("comments", [&](int n) { return inHeader(each(n / 12, "<!-- x@ -->")); });
    shape("nesting", [&](int n) {
        return inHeader(each(n / 200, QByteArray("<a>").repeated(28) + QByteArray("</a>").repeated(28)));
    });
}

void TestResultsService::readingStaysLinear()
{
    QFETCH(QByteArray, small);
    QFETCH(QByteArray, large);
    // A cost that grows with the square of the size is eight times as high per byte at eight
    // times the size; in proportion it stays the same, or nearly. Four times is far from both.
    const double smallCost = costPerByte(small);
    const double largeCost = costPerByte(large);
    qInfo("%.1f ns a byte at %lld bytes, %.1f at %lld", smallCost * 1e9, small.size(), largeCost * 1e9, large.size());
    QVERIFY2(largeCost < 4 * smallCost, qPrintable(QStringLiteral("%1 times the cost per byte").arg(largeCost / smallCost)));
}

void TestResultsService::wsdlDescribesService()
{
    const QString wsdlNs = "http://schemas.xmlsoap.org/wsdl/";
    const QString xsdNs = "http://www.w3.org/2001/XMLSchema";
    const QByteArray text = ResultsService(m_data, ServiceOptions{}).wsdl("results.example:8123");
    QDomDocument wsdl;
    QVERIFY(wsdl.setContent(text, true));
    // One attribute of every such element, in document order.
    auto all = [&](const QString &ns, const QString &name, const QString &attribute) {
        QStringList found;
        const QDomNodeList nodes = wsdl.elementsByTagNameNS(ns, name);
        for (int i = 0; i < nodes.size(); ++i)
            found << nodes.at(i).toElement().attribute(attribute);
        return found.join(u' ');
    };
    QCOMPARE(all(wsdlNs, "definitions", "targetNamespace") + ' ' + all(xsdNs, "schema", "targetNamespace"),
             ServiceNs + ' ' + SchemaNs);
    QCOMPARE(all(xsdNs, "element", "name"), MemberNames.join(u' '));
    QCOMPARE(all(xsdNs, "element", "type"), QStringList(15, "xsd:string").join(u' '));
    QCOMPARE(all(xsdNs, "restriction", "base"), QStringLiteral("soapenc:Array"));
    QCOMPARE(wsdl.elementsByTagNameNS(xsdNs, "attribute").at(0).toElement().attributeNS(wsdlNs, "arrayType"),
             QStringLiteral("typens:QueryResult[]"));
    QVERIFY(text.contains("xmlns:typens=\"" + SchemaNs.toUtf8() + '"'));
    const QString operations = "getCountryResultsValnatt getCountyResultsValnatt getCountyResultsSlutsam "
                               "getCountryResultsSlutsam";
    QCOMPARE(all(wsdlNs, "operation", "name"), operations + ' ' + operations);    // port type, binding
    // Parts in message order: each operation's request (if it has a part), then its response.
    QCOMPARE(all(wsdlNs, "part", "name") + ' ' + all(wsdlNs, "part", "type"),
             QStringLiteral("return county return county return return typens:ArrayOfQueryResult xsd:string "
                            "typens:ArrayOfQueryResult xsd:string typens:ArrayOfQueryResult typens:ArrayOfQueryResult"));
    const QString soapNs = "http://schemas.xmlsoap.org/wsdl/soap/";
    QCOMPARE(all(soapNs, "binding", "style") + ' ' + all(soapNs, "body", "use") + ' ' + all(soapNs, "body", "namespace"),
             "rpc " + QStringList(8, "encoded").join(u' ') + ' ' + QStringList(8, ServiceNs).join(u' '));
    QCOMPARE(all(wsdlNs, "service", "name") + ' ' + all(wsdlNs, "port", "name"),
             QStringLiteral("ElectionResults ElectionResultsPort0"));
}

QTEST_MAIN(TestResultsService)
#include "tst_resultsservice.moc"
