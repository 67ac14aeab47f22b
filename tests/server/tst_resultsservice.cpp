#include "dataset.h"
#include "ksv_config.h"
#include "percenttext.h"
#include "resultsservice.h"
#include "soapanswer.h"

#include <QDateTime>
#include <QDomDocument>
#include <QRegularExpression>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QString serviceNs = QStringLiteral(KSV_SERVICE_NAMESPACE);
const QString schemaNs = QStringLiteral(KSV_SCHEMA_NAMESPACE);
const QString envNs = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");

const QStringList memberNames = {
    "generated", "resultType", "code", "name", "readyDistricts", "allDistricts", "yesNum", "yesPerc",
    "noNum", "noPerc", "blankNum", "blankPerc", "invalidNum", "turnoutNum", "turnoutPerc",
};

QByteArray envelope(const QString &body, const QString &header = {})
{
    return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                   "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                   "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                   "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">%1"
                   "<SOAP-ENV:Body>%2</SOAP-ENV:Body></SOAP-ENV:Envelope>")
            .arg(header, body)
            .toUtf8();
}

QByteArray call(const QString &operation, const QString &county = {})
{
    const QString argument = county.isNull()
            ? QString()
            : QStringLiteral("<county xsi:type=\"xsd:string\">%1</county>").arg(county);
    return envelope(QStringLiteral("<m:%1 xmlns:m=\"%2\">%3</m:%1>").arg(operation, serviceNs, argument));
}

ServiceOptions frozen(WireStyle style, std::chrono::milliseconds at)
{
    ServiceOptions options;
    options.style = style;
    options.frozenAt = at;
    return options;
}

} // namespace

class TestResultsService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operations_data();
    void operations();
    void finalCountFigures_data();
    void finalCountFigures();
    void nightFollowsClock();
    void finalOptionServesCompleteCount();
    void generatedIsNow();
    void argumentForms_data();
    void argumentForms();
    void faults_data();
    void faults();
    void wsdlDescribesService();

private:
    DataSet m_data = DataSet::bundled();
};

void TestResultsService::operations_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("county");
    for (auto [style, styleName] : {std::pair{WireStyle::Inline, "inline"}, std::pair{WireStyle::MultiRef, "multiref"}}) {
        QTest::addRow("%s country night", styleName) << int(style) << "getCountryResultsValnatt" << QString();
        QTest::addRow("%s country final", styleName) << int(style) << "getCountryResultsSlutsam" << QString();
        QTest::addRow("%s county 01 night", styleName) << int(style) << "getCountyResultsValnatt" << "01";
        QTest::addRow("%s county 09 final", styleName) << int(style) << "getCountyResultsSlutsam" << "09";
        QTest::addRow("%s county 14 final", styleName) << int(style) << "getCountyResultsSlutsam" << "14";
        QTest::addRow("%s county 25 night", styleName) << int(style) << "getCountyResultsValnatt" << "25";
    }
}

void TestResultsService::operations()
{
    QFETCH(int, style);
    QFETCH(QString, operation);
    QFETCH(QString, county);
    ResultsService service(m_data, frozen(WireStyle(style), 10min));
    const SoapReply reply = service.call(call(operation, county));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.operation, operation);

    const SoapAnswer answer = SoapAnswer::read(reply.body);
    QVERIFY2(answer.wellFormed, qPrintable(answer.error));
    QVERIFY(answer.envelopeHasEncodingStyle);
    QCOMPARE(answer.responseElement, operation + "Response");
    QCOMPARE(answer.responseNamespace, serviceNs);
    QCOMPARE(answer.multiRefCount, WireStyle(style) == WireStyle::MultiRef ? int(answer.records.size()) : 0);
    QCOMPARE(answer.arrayType, QStringLiteral("{%1}QueryResult[%2]").arg(schemaNs).arg(answer.records.size()));
    QCOMPARE(answer.memberOrder, std::vector<QString>(memberNames.begin(), memberNames.end()));

    QStringList expected;    // resultType code name, row by row
    if (county.isEmpty()) {
        expected << "country 00 Riket";
        for (const County &c : m_data.counties())
            expected << "county " + c.code + ' ' + c.name;
    } else {
        const County &c = m_data.counties()[std::size_t(m_data.countyIndex(county))];
        expected << "county " + c.code + ' ' + c.name;
        for (const Municipality &m : c.municipalities)
            expected << "municipality " + m.code + ' ' + m.name;
    }
    QStringList actual;
    for (const auto &r : answer.records)
        actual << r["resultType"] + ' ' + r["code"] + ' ' + r["name"];
    QCOMPARE(actual, expected);
    if (county.isEmpty())
        QCOMPARE(answer.records.size(), std::size_t(22));
}

void TestResultsService::finalCountFigures_data()
{
    QTest::addColumn<int>("style");
    QTest::newRow("inline") << int(WireStyle::Inline);
    QTest::newRow("multiref") << int(WireStyle::MultiRef);
}

void TestResultsService::finalCountFigures()
{
    // The final count at the very start of the night: the final operations never wait for it.
    QFETCH(int, style);
    ResultsService service(m_data, frozen(WireStyle(style), 0ms));
    const SoapAnswer answer = SoapAnswer::read(service.call(call("getCountryResultsSlutsam")).body);
    QCOMPARE(answer.records.size(), std::size_t(22));

    auto check = [](const SoapAnswer::Record &r, qint64 districts, qint64 electorate, qint64 yes, qint64 no,
                    qint64 blank, qint64 invalid) {
        // Shares written out independently: plain decimal arithmetic, comma for the point.
        auto share = [](qint64 part, qint64 whole) {
            return QString::number(double(part) * 100.0 / double(whole), 'f', 1).replace('.', ',');
        };
        QCOMPARE(r["readyDistricts"], QString::number(districts));
        QCOMPARE(r["allDistricts"], QString::number(districts));
        QCOMPARE(r["yesNum"], QString::number(yes));
        QCOMPARE(r["noNum"], QString::number(no));
        QCOMPARE(r["blankNum"], QString::number(blank));
        QCOMPARE(r["invalidNum"], QString::number(invalid));
        QCOMPARE(r["turnoutNum"], QString::number(yes + no + blank + invalid));
        QCOMPARE(r["yesPerc"], share(yes, yes + no + blank));
        QCOMPARE(r["noPerc"], share(no, yes + no + blank));
        QCOMPARE(r["blankPerc"], share(blank, yes + no + blank));
        QCOMPARE(r["turnoutPerc"], share(yes + no + blank + invalid, electorate));
    };
    qint64 all[6] = {};
    for (std::size_t c = 0; c < m_data.counties().size(); ++c) {
        qint64 sums[6] = {};
        for (const Municipality &m : m_data.counties()[c].municipalities) {
            const qint64 values[6] = {m.districts, m.electorate, m.yes, m.no, m.blank, m.invalid};
            for (int i = 0; i < 6; ++i)
                sums[i] += values[i];
        }
        check(answer.records[c + 1], sums[0], sums[1], sums[2], sums[3], sums[4], sums[5]);
        for (int i = 0; i < 6; ++i)
            all[i] += sums[i];
    }
    check(answer.records[0], all[0], all[1], all[2], all[3], all[4], all[5]);
}

void TestResultsService::nightFollowsClock()
{
    ResultsService service(m_data, frozen(WireStyle::Inline, 0ms));
    auto country = [&] { return SoapAnswer::read(service.call(call("getCountryResultsValnatt")).body).records.at(0); };

    const auto start = country();
    QCOMPARE(start["readyDistricts"], QStringLiteral("0"));
    QCOMPARE(start["allDistricts"], QString::number(m_data.districtCount()));
    QCOMPARE(start["yesNum"], QStringLiteral("0"));
    for (const char *share : {"yesPerc", "noPerc", "blankPerc", "turnoutPerc"})
        QCOMPARE(start[share], QStringLiteral("0,0"));

    // Same second, later moment of the night: the answer must not come from the cache.
    service.clock().setElapsed(12min);
    const auto middle = country();
    QCOMPARE(middle["readyDistricts"], QString::number(service.night().arrivedBy(12min)));
    QVERIFY(middle["readyDistricts"].toInt() > 0);
    QVERIFY(middle["readyDistricts"].toInt() < m_data.districtCount());
    QVERIFY(middle["yesNum"].toLongLong() > 0);

    service.clock().setElapsed(30min);
    auto end = country();
    auto final = SoapAnswer::read(service.call(call("getCountryResultsSlutsam")).body).records.at(0);
    end.remove("generated");
    final.remove("generated");
    QCOMPARE(end, final);

    // A county answer counts what its county row says and its municipalities add up to it.
    service.clock().setElapsed(7min);
    const auto records = SoapAnswer::read(service.call(call("getCountyResultsValnatt", "12")).body).records;
    qint64 ready = 0;
    qint64 yes = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        ready += records[i]["readyDistricts"].toLongLong();
        yes += records[i]["yesNum"].toLongLong();
    }
    QCOMPARE(QString::number(ready), records[0]["readyDistricts"]);
    QCOMPARE(QString::number(yes), records[0]["yesNum"]);
}

void TestResultsService::finalOptionServesCompleteCount()
{
    ServiceOptions options = frozen(WireStyle::Inline, 0ms);
    options.finalCount = true;
    ResultsService service(m_data, options);
    const auto r = SoapAnswer::read(service.call(call("getCountryResultsValnatt")).body).records.at(0);
    QCOMPARE(r["readyDistricts"], QString::number(m_data.districtCount()));
}

void TestResultsService::generatedIsNow()
{
    ResultsService service(m_data, frozen(WireStyle::MultiRef, 5min));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const auto records = SoapAnswer::read(service.call(call("getCountyResultsValnatt", "03")).body).records;
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    const QString generated = records.at(0)["generated"];
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$").match(generated).hasMatch(),
             qPrintable(generated));
    const QDateTime moment = QDateTime::fromString(generated, Qt::ISODate);
    QVERIFY(moment >= before.addMSecs(-before.time().msec()) && moment <= after);
    for (const auto &r : records)
        QCOMPARE(r["generated"], generated);
}

void TestResultsService::argumentForms_data()
{
    QTest::addColumn<QByteArray>("request");
    const QString op = "getCountyResultsSlutsam";
    QTest::newRow("typed") << call(op, "12");
    QTest::newRow("untyped") << envelope(QString("<m:%1 xmlns:m=\"%2\"><county>12</county></m:%1>").arg(op, serviceNs));
    QTest::newRow("other wrapper prefix")
            << envelope(QString("<ns7:%1 xmlns:ns7=\"%2\"><county>12</county></ns7:%1>").arg(op, serviceNs));
    QTest::newRow("default namespace wrapper")
            << envelope(QString("<%1 xmlns=\"%2\"><county xmlns=\"\">12</county></%1>").arg(op, serviceNs));
    QTest::newRow("by position") << envelope(QString("<m:%1 xmlns:m=\"%2\"><c-gensym3>12</c-gensym3></m:%1>").arg(op, serviceNs));
    QTest::newRow("named after others")
            << envelope(QString("<m:%1 xmlns:m=\"%2\"><extra>99</extra><county>12</county></m:%1>").arg(op, serviceNs));
    QTest::newRow("soapenc string")
            << envelope(QString("<m:%1 xmlns:m=\"%2\" xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\">"
                                "<county xsi:type=\"enc:string\">12</county></m:%1>").arg(op, serviceNs));
    QTest::newRow("CDATA and comment")
            << envelope(QString("<m:%1 xmlns:m=\"%2\"><!-- län --><county><![CDATA[1]]>2</county></m:%1>").arg(op, serviceNs));
    QTest::newRow("character reference") << envelope(QString("<m:%1 xmlns:m=\"%2\"><county>&#49;2</county></m:%1>").arg(op, serviceNs));
    QTest::newRow("optional header")
            << envelope(QString("<m:%1 xmlns:m=\"%2\"><county>12</county></m:%1>").arg(op, serviceNs),
                        "<SOAP-ENV:Header><t:Trace xmlns:t=\"urn:x\">1</t:Trace></SOAP-ENV:Header>");
    QTest::newRow("ISO-8859-1")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                          "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
                          "<m:getCountyResultsSlutsam xmlns:m=\"" KSV_SERVICE_NAMESPACE "\"><!-- l\xE4n -->"
                          "<county>12</county></m:getCountyResultsSlutsam></e:Body></e:Envelope>");
}

void TestResultsService::argumentForms()
{
    QFETCH(QByteArray, request);
    ResultsService service(m_data, frozen(WireStyle::Inline, 0ms));
    const SoapReply reply = service.call(request);
    QCOMPARE(reply.status, 200);
    const SoapAnswer answer = SoapAnswer::read(reply.body);
    QVERIFY2(!answer.records.empty(), reply.body.left(400).constData());
    QCOMPARE(answer.records[0]["name"], QStringLiteral("Skåne län"));
    QCOMPARE(answer.records.size(), std::size_t(34));
}

void TestResultsService::faults_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");    // the fault string contains it

    const QString op = "getCountyResultsValnatt";
    auto withArgument = [&](const QString &argument) {
        return envelope(QString("<m:%1 xmlns:m=\"%2\">%3</m:%1>").arg(op, serviceNs, argument));
    };
    QTest::newRow("unknown county") << call(op, "99") << "Client" << "Okänd länskod: '99'";
    QTest::newRow("country code") << call(op, "00") << "Client" << "Okänd länskod: '00'";
    QTest::newRow("county code 02") << call("getCountyResultsSlutsam", "02") << "Client" << "Okänd länskod: '02'";
    QTest::newRow("one digit") << call(op, "1") << "Client" << "Felaktig länskod: '1'";
    QTest::newRow("three digits") << call(op, "001") << "Client" << "Felaktig länskod: '001'";
    QTest::newRow("letters") << call(op, "AB") << "Client" << "Felaktig länskod: 'AB'";
    QTest::newRow("blank around") << call(op, " 01") << "Client" << "Felaktig länskod: ' 01'";
    QTest::newRow("non-ASCII digits") << call(op, "٠١") << "Client" << "Felaktig länskod";
    QTest::newRow("empty") << call(op, "") << "Client" << "Felaktig länskod: ''";
    QTest::newRow("very long")
            << call(op, QString(5000, 'x')) << "Client" << "Felaktig länskod: '" + QString(40, 'x') + "…'";
    QTest::newRow("missing") << call(op) << "Client" << "Länskod saknas";
    QTest::newRow("nil") << withArgument("<county xsi:nil=\"true\"/>") << "Client" << "Länskod saknas";
    QTest::newRow("structure") << withArgument("<county><a>01</a></county>") << "Client" << "inte en struktur";
    QTest::newRow("reference") << withArgument("<county href=\"#id0\"/>") << "Client" << "referens";
    QTest::newRow("unknown operation") << call("getMunicipalityResults") << "Client" << "Okänd operation: 'getMunicipalityResults'";
    QTest::newRow("wrong namespace")
            << envelope("<m:getCountryResultsValnatt xmlns:m=\"urn:other\"/>") << "Client" << "Okänd operation";
    QTest::newRow("empty body") << envelope("") << "Client" << "inget anrop";
    QTest::newRow("no Body")
            << QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"/>") << "Client" << "saknar Body";
    QTest::newRow("malformed XML") << QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>")
                                   << "Client" << "Felaktig XML";
    QTest::newRow("mismatched tags")
            << QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\">\n<e:Body></e:Envelope>")
            << "Client" << "Felaktig XML på rad 2";
    QTest::newRow("not XML") << QByteArray("county=01") << "Client" << "Felaktig XML";
    QTest::newRow("JSON") << QByteArray("{\"county\": \"01\"}") << "Client" << "Felaktig XML";
    QTest::newRow("empty request") << QByteArray() << "Client" << "Begäran är tom";
    QTest::newRow("HTML") << QByteArray("<html><body>hej</body></html>") << "Client" << "Inte ett SOAP-meddelande";
    QTest::newRow("Envelope without namespace") << QByteArray("<Envelope><Body/></Envelope>") << "Client" << "Inte ett SOAP-meddelande";
    QTest::newRow("DOCTYPE")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY x \"01\">]>"
                          "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body/></e:Envelope>")
            << "Client" << "DOCTYPE";
    QTest::newRow("external entity")
            << QByteArray("<!DOCTYPE e SYSTEM \"file:///etc/passwd\"><e/>") << "Client" << "DOCTYPE";
    QTest::newRow("SOAP 1.2")
            << QByteArray("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body/></e:Envelope>")
            << "VersionMismatch" << "SOAP 1.1";
    QTest::newRow("must understand")
            << envelope(QString("<m:getCountryResultsValnatt xmlns:m=\"%1\"/>").arg(serviceNs),
                        "<SOAP-ENV:Header><t:Auth xmlns:t=\"urn:x\" SOAP-ENV:mustUnderstand=\"1\"/></SOAP-ENV:Header>")
            << "MustUnderstand" << "t:Auth";
    QTest::newRow("too deep")
            << envelope(QString("<m:getCountryResultsValnatt xmlns:m=\"%1\"/>").arg(serviceNs),
                        "<SOAP-ENV:Header>" + QString("<a>").repeated(40) + QString("</a>").repeated(40)
                                + "</SOAP-ENV:Header>")
            << "Client" << "nästlad";
    QTest::newRow("element after envelope")
            << call("getCountryResultsValnatt") + "<more/>" << "Client" << "Felaktig XML";
}

void TestResultsService::faults()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, code);
    QFETCH(QString, text);
    ResultsService service(m_data, frozen(WireStyle::Inline, 0ms));
    const SoapReply reply = service.call(request);
    QCOMPARE(reply.status, 500);
    const SoapAnswer answer = SoapAnswer::read(reply.body);
    QVERIFY2(answer.wellFormed, qPrintable(answer.error));
    QCOMPARE(answer.responseElement, QStringLiteral("Fault"));
    QCOMPARE(answer.faultCode, '{' + envNs + '}' + code);
    QVERIFY2(answer.faultString.contains(text), qPrintable(answer.faultString));
}

void TestResultsService::wsdlDescribesService()
{
    const QString wsdlNs = "http://schemas.xmlsoap.org/wsdl/";
    const QString soapNs = "http://schemas.xmlsoap.org/wsdl/soap/";
    const QString xsdNs = "http://www.w3.org/2001/XMLSchema";
    ResultsService service(m_data, ServiceOptions{});
    const QByteArray text = service.wsdl("results.example:8123");
    QDomDocument wsdl;
    QVERIFY(wsdl.setContent(text, true));
    const QDomElement definitions = wsdl.documentElement();
    QCOMPARE(definitions.attribute("targetNamespace"), serviceNs);
    auto all = [&](const QString &ns, const QString &name) {
        QList<QDomElement> found;
        const QDomNodeList nodes = wsdl.elementsByTagNameNS(ns, name);
        for (int i = 0; i < nodes.size(); ++i)
            found << nodes.at(i).toElement();
        return found;
    };

    const QDomElement schema = all(xsdNs, "schema").value(0);
    QCOMPARE(schema.attribute("targetNamespace"), schemaNs);
    QStringList members;
    for (const QDomElement &e : all(xsdNs, "element"))
        members << e.attribute("name") + ':' + e.attribute("type");
    QStringList expectedMembers;
    for (const QString &m : memberNames)
        expectedMembers << m + ":xsd:string";
    QCOMPARE(members, expectedMembers);
    // The array type the usual way; its prefix must lead to the schema namespace.
    const QDomElement arrayAttribute = all(xsdNs, "attribute").value(0);
    QCOMPARE(arrayAttribute.attribute("ref"), QStringLiteral("soapenc:arrayType"));
    QCOMPARE(arrayAttribute.attributeNS(wsdlNs, "arrayType"), QStringLiteral("typens:QueryResult[]"));
    QVERIFY(text.contains("xmlns:typens=\"" + schemaNs.toUtf8() + '"'));
    QCOMPARE(all(xsdNs, "restriction").value(0).attribute("base"), QStringLiteral("soapenc:Array"));

    QStringList parts;
    for (const QDomElement &message : all(wsdlNs, "message")) {
        for (QDomElement part = message.firstChildElement("part"); !part.isNull(); part = part.nextSiblingElement("part"))
            parts << message.attribute("name") + '(' + part.attribute("name") + ':' + part.attribute("type") + ')';
    }
    QCOMPARE(parts, QStringList({
            "getCountryResultsValnattResponse(return:typens:ArrayOfQueryResult)",
            "getCountyResultsValnatt(county:xsd:string)",
            "getCountyResultsValnattResponse(return:typens:ArrayOfQueryResult)",
            "getCountyResultsSlutsam(county:xsd:string)",
            "getCountyResultsSlutsamResponse(return:typens:ArrayOfQueryResult)",
            "getCountryResultsSlutsamResponse(return:typens:ArrayOfQueryResult)"}));

    QCOMPARE(all(soapNs, "binding").value(0).attribute("style"), QStringLiteral("rpc"));
    QStringList operations;
    for (const QDomElement &op : all(wsdlNs, "operation")) {
        if (op.parentNode().localName() == u"binding")
            operations << op.attribute("name");
    }
    QCOMPARE(operations, QStringList({"getCountryResultsValnatt", "getCountyResultsValnatt",
                                      "getCountyResultsSlutsam", "getCountryResultsSlutsam"}));
    const QList<QDomElement> bodies = all(soapNs, "body");
    QCOMPARE(bodies.size(), 8);
    for (const QDomElement &body : bodies) {
        QCOMPARE(body.attribute("use"), QStringLiteral("encoded"));
        QCOMPARE(body.attribute("namespace"), serviceNs);
        QCOMPARE(body.attribute("encodingStyle"), QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/"));
    }

    const QDomElement serviceElement = all(wsdlNs, "service").value(0);
    QCOMPARE(serviceElement.attribute("name"), QStringLiteral("ElectionResults"));
    QCOMPARE(all(wsdlNs, "port").value(0).attribute("name"), QStringLiteral("ElectionResultsPort0"));
    QCOMPARE(all(soapNs, "address").value(0).attribute("location"),
             QStringLiteral("http://results.example:8123/emu2003/webservices/ElectionResults/soap"));
}

QTEST_MAIN(TestResultsService)
#include "tst_resultsservice.moc"
