#include "decodertestobjects.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "responsedecoder.h"

#include <QStringEncoder>
#include <QTest>

using namespace soap;

namespace {

const QString SchemaNs = QStringLiteral("http://valresultat.example/ElectionResults.xsd");
const QString ServiceNs = QStringLiteral("http://valresultat.example/ElectionResults.wsdl");
const QString Where = QStringLiteral("http://test.example/svar");

QByteArray envelope(const QByteArray &body, const QByteArray &header = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:ns1=\"http://valresultat.example/ElectionResults.xsd\" "
           "xmlns:ns2=\"http://valresultat.example/ElectionResults.wsdl\" "
           "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
        + header + "<SOAP-ENV:Body>" + body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
}

QByteArray response(const QByteArray &content)
{
    return envelope("<ns2:getCountryResultsValnattResponse>" + content + "</ns2:getCountryResultsValnattResponse>");
}

QByteArray arrayOf(const QByteArray &items, const QByteArray &arrayType = "ns1:QueryResult[2]")
{
    return response("<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"" + arrayType + "\">" + items
                    + "</return>");
}

QByteArray item(const QByteArray &code, const QByteArray &name)
{
    return "<item xsi:type=\"ns1:QueryResult\"><code xsi:type=\"xsd:string\">" + code
        + "</code><name xsi:type=\"xsd:string\">" + name + "</name></item>";
}

AnswerExpectation rpcExpectation()
{
    AnswerExpectation expectation;
    expectation.operation = QStringLiteral("getCountryResultsValnatt");
    expectation.bodyNamespace = ServiceNs;
    expectation.returnPart = QStringLiteral("return");
    expectation.returnType = {SchemaNs, QStringLiteral("ArrayOfQueryResult")};
    expectation.itemType = {SchemaNs, QStringLiteral("QueryResult")};
    return expectation;
}

AnswerExpectation documentExpectation()
{
    AnswerExpectation expectation = rpcExpectation();
    expectation.rpcStyle = false;
    expectation.encodedUse = false;
    expectation.returnType = {ServiceNs, QStringLiteral("getCountryResultsValnattResult")};
    return expectation;
}

// The WSDL said nothing of types: everything must come from the answer itself.
AnswerExpectation bareExpectation()
{
    AnswerExpectation expectation = rpcExpectation();
    expectation.returnType = {};
    expectation.itemType = {};
    return expectation;
}

DecodeSetup setupWith(std::shared_ptr<IGCTMObjectFactory> factory)
{
    DecodeSetup setup;
    setup.types.push_back({{SchemaNs, QStringLiteral("QueryResult")}, std::make_shared<TestNode>()});
    setup.factory = std::move(factory);
    return setup;
}

DecodedAnswer decode(const QByteArray &answer, const AnswerExpectation &expectation = rpcExpectation(),
                     const QByteArray &charset = {}, qsizetype piece = 0,
                     const DecodeSetup &setup = setupWith(std::make_shared<TestFactory>()))
{
    ResponseDecoder decoder(setup, expectation, charset, Where);
    const qsizetype step = piece > 0 ? piece : std::max<qsizetype>(answer.size(), 1);
    for (qsizetype at = 0; at < answer.size(); at += step)
        decoder.feed(answer.constData() + at, std::min(step, answer.size() - at));
    return decoder.finish();
}

// "code,name,yesNum|code,name,yesNum", members that are not set shown empty.
QString render(const Variant &value)
{
    if (value.isEmpty())
        return QStringLiteral("<empty>");
    if (value.isText())
        return QStringLiteral("text:") + value.text();
    QStringList rows;
    for (const ObjectPtr &object : value.array()) {
        QStringList cells;
        for (const QString &name : TestRecord::memberNames())
            cells << object->member(name).value_or(QStringLiteral("?"));
        rows << cells.join(QLatin1Char(','));
    }
    return rows.join(QLatin1Char('|'));
}

RaisedError decodeError(const QByteArray &answer, const QByteArray &charset = {},
                        const AnswerExpectation &expectation = rpcExpectation())
{
    try {
        decode(answer, expectation, charset);
    } catch (const RaisedError &error) {
        return error;
    }
    return RaisedError(0, QString(), QStringLiteral("no error"));
}

} // namespace

class tst_ResponseDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodesAnswers_data();
    void decodesAnswers();
    void sameIdTwiceIsTheSameObject();
    void decodesInAnyPieces_data();
    void decodesInAnyPieces();
    void readsCharsets_data();
    void readsCharsets();
    void refusesBadAnswers_data();
    void refusesBadAnswers();
    void factoryDecidesWhatIsMade();
    void truncatedAnswersAlwaysRaise();
};

void tst_ResponseDecoder::decodesAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("style"); // 0 rpc, 1 document, 2 rpc without WSDL types
    QTest::addColumn<QString>("expected");

    QTest::newRow("inline items, typed") << arrayOf(item("01", "Stockholms län") + item("03", "Uppsala län")) << 0
                                         << "01,Stockholms län,|03,Uppsala län,";
    QTest::newRow("items typed by arrayType only")
        << arrayOf("<item><code>01</code></item><item><code>03</code></item>") << 2 << "01,,|03,,";
    QTest::newRow("items typed by the WSDL only")
        << response("<return><item><code>01</code></item><item><code>03</code></item></return>") << 0
        << "01,,|03,,";
    QTest::newRow("prefixes of the answer's own choosing")
        << envelope("<e:getCountryResultsValnattResponse xmlns:e=\"http://valresultat.example/ElectionResults.wsdl\">"
                    "<return xmlns:q=\"http://valresultat.example/ElectionResults.xsd\" "
                    "xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\" "
                    "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" "
                    "i:type=\"enc:Array\" enc:arrayType=\"q:QueryResult[1]\">"
                    "<item i:type=\"q:QueryResult\"><code>07</code></item></return>"
                    "</e:getCountryResultsValnattResponse>")
        << 2 << "07,,";
    QTest::newRow("a redeclaration ends with its element")
        << arrayOf("<item xmlns:ns1=\"urn:other\" xmlns:ns2=\"http://valresultat.example/ElectionResults.xsd\" "
                   "xsi:type=\"ns2:QueryResult\"><code>01</code></item>"
                   "<item xsi:type=\"ns1:QueryResult\"><code>02</code></item>",
                   "xsd:anyType[2]")
        << 2 << "01,,|02,,";
    QTest::newRow("type in the default namespace")
        << arrayOf("<item xmlns=\"http://valresultat.example/ElectionResults.xsd\" xsi:type=\"QueryResult\">"
                   "<code>07</code></item>",
                   "xsd:anyType[1]")
        << 2 << "07,,";
    QTest::newRow("1999 schema instance namespace")
        << arrayOf("<item xmlns:x=\"http://www.w3.org/1999/XMLSchema-instance\" x:type=\"ns1:QueryResult\">"
                   "<code>07</code><name x:null=\"1\"/></item>",
                   "xsd:anyType[1]")
        << 2 << "07,,";
    QTest::newRow("multiRef after the response")
        << envelope("<ns2:getCountryResultsValnattResponse><return xsi:type=\"SOAP-ENC:Array\" "
                    "SOAP-ENC:arrayType=\"ns1:QueryResult[2]\"><item href=\"#id0\"/><item href=\"#id1\"/></return>"
                    "</ns2:getCountryResultsValnattResponse>"
                    "<multiRef id=\"id0\" SOAP-ENC:root=\"0\" xsi:type=\"ns1:QueryResult\"><code>01</code></multiRef>"
                    "<multiRef id=\"id1\" SOAP-ENC:root=\"0\" xsi:type=\"ns1:QueryResult\"><code>03</code></multiRef>")
        << 2 << "01,,|03,,";
    QTest::newRow("multiRef before the response, in reverse order")
        << envelope("<multiRef id=\"b\" xsi:type=\"ns1:QueryResult\"><code>03</code></multiRef>"
                    "<multiRef id=\"a\" xsi:type=\"ns1:QueryResult\"><code>01</code></multiRef>"
                    "<ns2:getCountryResultsValnattResponse><return><item href=\"#a\"/><item href=\"#b\"/></return>"
                    "</ns2:getCountryResultsValnattResponse>")
        << 0 << "01,,|03,,";
    QTest::newRow("untyped multiRef takes the array's item type")
        << envelope("<ns2:getCountryResultsValnattResponse><return SOAP-ENC:arrayType=\"ns1:QueryResult[1]\">"
                    "<item href=\"#id0\"/></return></ns2:getCountryResultsValnattResponse>"
                    "<multiRef id=\"id0\"><code>01</code><name>Stockholms län</name></multiRef>")
        << 2 << "01,Stockholms län,";
    QTest::newRow("reference through a reference")
        << envelope("<ns2:getCountryResultsValnattResponse><return><item href=\"#a\"/></return>"
                    "</ns2:getCountryResultsValnattResponse>"
                    "<multiRef id=\"a\" href=\"#b\"/><multiRef id=\"b\" xsi:type=\"ns1:QueryResult\"><code>09</code></multiRef>")
        << 0 << "09,,";
    QTest::newRow("array itself a multiRef")
        << envelope("<ns2:getCountryResultsValnattResponse><return href=\"#arr\"/></ns2:getCountryResultsValnattResponse>"
                    "<SOAP-ENC:Array id=\"arr\" SOAP-ENC:arrayType=\"ns1:QueryResult[1]\"><item href=\"#r\"/></SOAP-ENC:Array>"
                    "<multiRef id=\"r\" xsi:type=\"ns1:QueryResult\"><code>11</code></multiRef>")
        << 2 << "11,,";
    QTest::newRow("member value by reference")
        << envelope("<ns2:getCountryResultsValnattResponse><return><item xsi:type=\"ns1:QueryResult\">"
                    "<code href=\"#c\"/><name>Gotland</name></item></return></ns2:getCountryResultsValnattResponse>"
                    "<multiRef id=\"c\" xsi:type=\"xsd:string\">09</multiRef>")
        << 0 << "09,Gotland,";
    QTest::newRow("nil member stays empty, nil item left out")
        << arrayOf("<item xsi:type=\"ns1:QueryResult\"><code xsi:nil=\"true\"/><name>Gotland</name></item>"
                   "<item xsi:nil=\"true\"/>")
        << 0 << ",Gotland,";
    QTest::newRow("members in any order, missing and unknown ones, blanks kept")
        << arrayOf("<item xsi:type=\"ns1:QueryResult\"><yesNum>12</yesNum><turnout>80</turnout><code> 01 </code></item>")
        << 0 << " 01 ,,12";
    QTest::newRow("CDATA, entities and character references")
        << arrayOf("<item xsi:type=\"ns1:QueryResult\"><code><![CDATA[<01>]]></code>"
                   "<name>V&#xE4;stra G&#246;taland &amp; &lt;&gt;&quot;&apos;</name></item>")
        << 0 << "<01>,Västra Götaland & <>\"',";
    QTest::newRow("long member, then shorter ones")
        << arrayOf(item("01", QByteArray("\xC3\xB6").repeated(600)) + item("03", "\xC3\x85"))
        << 0 << QStringLiteral("01,") + QString(600, QChar(0xF6)) + QStringLiteral(",|03,\u00C5,");
    QTest::newRow("leading U+FEFF and characters beyond 16 bits kept")
        << arrayOf(item("01", "\xEF\xBB\xBF" "x\xF0\x9F\x97\xB3"))
        << 0 << QStringLiteral("01,") + QChar(0xFEFF) + QStringLiteral("x") + QString::fromUtf8("\xF0\x9F\x97\xB3")
               + QStringLiteral(",");
    QTest::newRow("empty array, [0]")
        << response("<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"ns1:QueryResult[0]\"/>") << 2 << "";
    QTest::newRow("header skipped")
        << envelope("<ns2:getCountryResultsValnattResponse><return>" + item("01", "A")
                        + "</return></ns2:getCountryResultsValnattResponse>",
                    "<SOAP-ENV:Header><t:Trace xmlns:t=\"urn:t\"><item href=\"#nowhere\"/></t:Trace></SOAP-ENV:Header>")
        << 0 << "01,A,";
    QTest::newRow("wrapper in another namespace")
        << envelope("<getCountryResultsValnattResponse xmlns=\"urn:other\"><return xmlns=\"\">" + item("01", "A")
                    + "</return></getCountryResultsValnattResponse>")
        << 0 << "01,A,";
    QTest::newRow("return part picked by name")
        << response("<status xsi:type=\"xsd:string\">ok</status><return>" + item("01", "A") + "</return>") << 0
        << "01,A,";
    // Envelope, Body, wrapper, return, item and member take six levels.
    const int inner = ResponseDecoder::MaxDepth - 6;
    QTest::newRow("nesting up to the limit")
        << arrayOf(item("01", QByteArray("<b>").repeated(inner) + "x" + QByteArray("</b>").repeated(inner))) << 0 << "01,x,";
    QTest::newRow("simple value") << response("<return xsi:type=\"xsd:string\">klart</return>") << 2 << "text:klart";
    QTest::newRow("void answer") << response("") << 0 << "<empty>";
    QTest::newRow("one record alone") << response("<return xsi:type=\"ns1:QueryResult\"><code>01</code></return>")
                                      << 2 << "01,,";
    // A Fault is returned, not raised; the rest of the Body does not matter.
    QTest::newRow("fault")
        << envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>"
                    "<faultstring>Okänd länskod: '99'</faultstring><detail><x>1</x></detail></SOAP-ENV:Fault>")
        << 0 << "fault:SOAP-ENV:Client,Okänd länskod: '99'";
    QTest::newRow("fault, qualified children, split text, after the answer")
        << envelope("<ns2:getCountryResultsValnattResponse/><SOAP-ENV:Fault><SOAP-ENV:faultstring>Fel <![CDATA[&]]> "
                    "fel</SOAP-ENV:faultstring><SOAP-ENV:faultcode>SOAP-ENV:Server</SOAP-ENV:faultcode></SOAP-ENV:Fault>")
        << 0 << "fault:SOAP-ENV:Server,Fel & fel";
    QTest::newRow("document/literal")
        << envelope("<getCountryResultsValnattResult xmlns=\"http://valresultat.example/ElectionResults.wsdl\">"
                    "<QueryResult><code>01</code><name>A</name></QueryResult>"
                    "<QueryResult><code>03</code><name>B</name></QueryResult></getCountryResultsValnattResult>")
        << 1 << "01,A,|03,B,";
}

void tst_ResponseDecoder::decodesAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, style);
    QFETCH(QString, expected);

    const AnswerExpectation expectation = style == 0 ? rpcExpectation()
        : style == 1                                 ? documentExpectation()
                                                     : bareExpectation();
    const DecodedAnswer decoded = decode(answer, expectation);
    QCOMPARE(decoded.fault ? QStringLiteral("fault:%1,%2").arg(decoded.fault->code, decoded.fault->string)
                           : render(decoded.value),
             expected);
    QVERIFY(!decoded.fault || decoded.value.isEmpty());
}

void tst_ResponseDecoder::sameIdTwiceIsTheSameObject()
{
    const QByteArray answer = envelope(
        "<ns2:getCountryResultsValnattResponse><return><item href=\"#a\"/><item href=\"#a\"/><item href=\"#b\"/>"
        "</return></ns2:getCountryResultsValnattResponse>"
        "<multiRef id=\"a\" xsi:type=\"ns1:QueryResult\"><code>01</code></multiRef>"
        "<multiRef id=\"b\"><code>02</code></multiRef>");
    const auto factory = std::make_shared<TestFactory>();
    const Variant::Array array = decode(answer, rpcExpectation(), {}, 0, setupWith(factory)).value.array();
    QCOMPARE(array.size(), std::size_t(3));
    QVERIFY(array[0] == array[1]);
    QVERIFY(array[0] != array[2]);
    QCOMPARE(factory->nodes.size(), std::size_t(2));
}

void tst_ResponseDecoder::decodesInAnyPieces_data()
{
    QTest::addColumn<qsizetype>("piece");
    for (qsizetype piece : {1, 3, 7, 4096})
        QTest::addRow("%lld bytes", qlonglong(piece)) << piece;
}

void tst_ResponseDecoder::decodesInAnyPieces()
{
    QFETCH(qsizetype, piece);
    // Split tokens must accumulate: CDATA, references and multi-byte characters across pieces.
    const QByteArray answer = envelope(
        "<ns2:getCountryResultsValnattResponse><return><item href=\"#id0\"/>"
        "<item xsi:type=\"ns1:QueryResult\"><code><![CDATA[0]]>2</code><name>Örebro &amp; Västerås</name></item>"
        "</return></ns2:getCountryResultsValnattResponse>"
        "<multiRef id=\"id0\" xsi:type=\"ns1:QueryResult\"><code>01</code><name>Jämtland&#x2013;Härjedalen</name></multiRef>");
    QCOMPARE(render(decode(answer, rpcExpectation(), {}, piece).value),
             QStringLiteral("01,Jämtland–Härjedalen,|02,Örebro & Västerås,"));
}

void tst_ResponseDecoder::readsCharsets_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QString>("expected");

    const QString name = QStringLiteral("Västra Götaland – 5 €");
    const auto make = [](const QString &declared, const QString &text) {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(declared)
            + QString::fromUtf8(arrayOf(item("14", "@"), "ns1:QueryResult[1]")
                                    .mid(arrayOf({}).indexOf("<SOAP-ENV:Envelope")))
                  .replace(QLatin1Char('@'), text);
    };
    const auto encoded = [](QStringConverter::Encoding encoding, const QString &text, bool bom) {
        QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder(text));
    };
    const QString latin = QStringLiteral("Västra Götaland");

    QTest::newRow("UTF-8") << make("UTF-8", name).toUtf8() << QByteArray() << name;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + make("UTF-8", name).toUtf8() << QByteArray() << name;
    QTest::newRow("UTF-16LE with BOM") << encoded(QStringConverter::Utf16LE, make("UTF-16", name), true)
                                       << QByteArray() << name;
    QTest::newRow("ISO-8859-1 declared") << make("ISO-8859-1", latin).toLatin1() << QByteArray() << latin;
    QByteArray cp1252 = make("windows-1252", QStringLiteral("Västra Götaland # 5 $")).toLatin1();
    cp1252.replace('#', '\x96').replace('$', '\x80');
    QTest::newRow("windows-1252 declared") << cp1252 << QByteArray() << name;
    QByteArray undeclared1252 = cp1252;
    undeclared1252.replace("encoding=\"windows-1252\"", "encoding=\"UTF-8\"");
    QTest::newRow("HTTP charset wins over the declaration") << undeclared1252 << QByteArray("Windows-1252") << name;
    QTest::newRow("HTTP charset quoted") << make("UTF-8", latin).toLatin1() << QByteArray("\"iso-8859-1\"") << latin;
}

void tst_ResponseDecoder::readsCharsets()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, charset);
    QFETCH(QString, expected);
    QCOMPARE(render(decode(answer, rpcExpectation(), charset).value), QStringLiteral("14,%1,").arg(expected));
}

void tst_ResponseDecoder::refusesBadAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("mentions");

    const QByteArray valid = arrayOf(item("01", "A"));
    QTest::newRow("mismatched tag")
        << QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\">\n<e:Header>\n  <c></b></c>")
        << QByteArray() << ErrorNumber::MalformedXml << "felaktig XML på rad 3, kolumn 8: sluttaggen passar inte";
    QTest::newRow("junk after the envelope") << valid + "<x/>" << QByteArray() << ErrorNumber::MalformedXml
                                             << "felaktig XML";
    QTest::newRow("undefined entity") << arrayOf(item("01", "&nbsp;")) << QByteArray() << ErrorNumber::MalformedXml
                                      << "okänd entitet";
    QTest::newRow("invalid UTF-8") << arrayOf(item("01", "\xC3\x28")) << QByteArray() << ErrorNumber::MalformedXml
                                   << "felaktig XML";
    QTest::newRow("prefix bound to another namespace")
        << arrayOf("<item xsi:type=\"ns2:QueryResult\"/>") << QByteArray() << ErrorNumber::UnexpectedShape
        << "ElectionResults.wsdl}QueryResult";
    QTest::newRow("undeclared prefix in xsi:type")
        << arrayOf("<item xsi:type=\"zz:QueryResult\"/>") << QByteArray() << ErrorNumber::MalformedXml << "zz:QueryResult";
    QTest::newRow("HTML page") << QByteArray("<html><body><h1>500 Internal Server Error</h1></body></html>")
                               << QByteArray() << ErrorNumber::NotSoap << "<html>";
    QTest::newRow("HTML page with DOCTYPE")
        << QByteArray("<!DOCTYPE html>\n<html><body>Fel</body></html>") << QByteArray() << ErrorNumber::DoctypeRefused
        << "DOCTYPE";
    QTest::newRow("entity expansion")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                      "<e>&b;</e>")
        << QByteArray() << ErrorNumber::DoctypeRefused << "rad 1";
    QTest::newRow("external entity")
        << QByteArray("<!DOCTYPE e [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><e>&x;</e>") << QByteArray()
        << ErrorNumber::DoctypeRefused << "DOCTYPE";
    QTest::newRow("nesting too deep")
        << envelope("<ns2:getCountryResultsValnattResponse/>", "<SOAP-ENV:Header>" + QByteArray("<a>").repeated(ResponseDecoder::MaxDepth)
                                      + QByteArray("</a>").repeated(ResponseDecoder::MaxDepth) + "</SOAP-ENV:Header>")
        << QByteArray() << ErrorNumber::NestingTooDeep << "256";
    // SOAP 1.1 reads an envelope of another namespace as another version, never as a message.
    QTest::newRow("SOAP 1.2 envelope")
        << QByteArray("<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body>"
                      "<m:getCountryResultsValnattResponse xmlns:m=\"urn:x\"><return><item><code>01</code></item>"
                      "</return></m:getCountryResultsValnattResponse></env:Body></env:Envelope>")
        << QByteArray() << ErrorNumber::VersionMismatch << "SOAP 1.2";
    QTest::newRow("Envelope of another namespace")
        << QByteArray("<Envelope xmlns=\"urn:x\"><Body/></Envelope>") << QByteArray() << ErrorNumber::VersionMismatch
        << "urn:x";
    QTest::newRow("no Body")
        << QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Header/></e:Envelope>")
        << QByteArray() << ErrorNumber::UnexpectedShape << "Body";
    QTest::newRow("empty Body") << envelope("") << QByteArray() << ErrorNumber::UnexpectedShape
                                << "getCountryResultsValnattResponse";
    QTest::newRow("answer to another operation")
        << envelope("<ns2:getCountyResultsValnattResponse/>") << QByteArray() << ErrorNumber::UnexpectedShape
        << "getCountyResultsValnattResponse";
    QTest::newRow("item of an unmapped type") << arrayOf("<item xsi:type=\"ns2:Other\"/>") << QByteArray()
                                              << ErrorNumber::UnexpectedShape << "Other";
    QTest::newRow("unknown reference")
        << arrayOf("<item href=\"#nowhere\"/>") << QByteArray() << ErrorNumber::BadReference << "#nowhere";
    QTest::newRow("duplicate id")
        << envelope("<ns2:getCountryResultsValnattResponse><return><item href=\"#a\"/></return>"
                    "</ns2:getCountryResultsValnattResponse><multiRef id=\"a\" xsi:type=\"ns1:QueryResult\"/>"
                    "<multiRef id=\"a\" xsi:type=\"ns1:QueryResult\"/>")
        << QByteArray() << ErrorNumber::BadReference << "\"a\"";
    QTest::newRow("cycle")
        << envelope("<ns2:getCountryResultsValnattResponse><return><item href=\"#a\"/></return>"
                    "</ns2:getCountryResultsValnattResponse><multiRef id=\"a\" href=\"#b\"/><multiRef id=\"b\" href=\"#a\"/>")
        << QByteArray() << ErrorNumber::BadReference << "cirkel";
    QTest::newRow("reference outside the answer")
        << arrayOf("<item href=\"http://evil.example/x.xml\"/>") << QByteArray() << ErrorNumber::BadReference
        << "evil.example";
    QTest::newRow("member referring to a record")
        << envelope("<ns2:getCountryResultsValnattResponse><return><item xsi:type=\"ns1:QueryResult\">"
                    "<code href=\"#r\"/></item></return></ns2:getCountryResultsValnattResponse>"
                    "<multiRef id=\"r\" xsi:type=\"ns1:QueryResult\"><code>1</code></multiRef>")
        << QByteArray() << ErrorNumber::UnexpectedShape << "#r";
    QTest::newRow("unknown declared charset")
        << QByteArray("<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>") << QByteArray()
        << ErrorNumber::UnsupportedEncoding << "KOI8-R";
    QTest::newRow("unknown HTTP charset") << valid << QByteArray("x-mac-cyrillic") << ErrorNumber::UnsupportedEncoding
                                          << "x-mac-cyrillic";
}

void tst_ResponseDecoder::refusesBadAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, charset);
    QFETCH(int, number);
    QFETCH(QString, mentions);

    const RaisedError error = decodeError(answer, charset);
    QCOMPARE(error.number(), number);
    QCOMPARE(error.source(), QStringLiteral("SoapClient"));
    QVERIFY2(error.description().startsWith(QStringLiteral("Svaret från %1: ").arg(Where)), qPrintable(error.description()));
    QVERIFY2(error.description().contains(mentions), qPrintable(error.description()));
}

void tst_ResponseDecoder::factoryDecidesWhatIsMade()
{
    const QByteArray answer = arrayOf(item("01", "A") + item("02", "B") + item("03", "C"), "ns1:QueryResult[3]");

    // No object for the second record: it is left out, the others keep their order.
    auto factory = std::make_shared<TestFactory>();
    factory->make = [](int call) -> ObjectPtr { return call == 1 ? nullptr : std::make_shared<TestRecord>(); };
    DecodeSetup setup = setupWith(factory);
    QCOMPARE(render(decode(answer, rpcExpectation(), {}, 0, setup).value), QStringLiteral("01,A,|03,C,"));
    QCOMPARE(factory->nodes.size(), std::size_t(3));
    QVERIFY(factory->nodes.front() == setup.types.front().mappingNode);

    // No factory at all: nothing can be made.
    QCOMPARE(render(decode(answer, rpcExpectation(), {}, 0, setupWith(nullptr)).value), QString());

    // The factory's own error reaches the caller unchanged.
    factory->make = [](int) -> ObjectPtr { throw RaisedError(0x1234, QStringLiteral("fabrik"), QStringLiteral("DOM-fel")); };
    try {
        decode(answer, rpcExpectation(), {}, 0, setupWith(factory));
        QFAIL("no error");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), 0x1234);
        QCOMPARE(error.source(), QStringLiteral("fabrik"));
    }
}

void tst_ResponseDecoder::truncatedAnswersAlwaysRaise()
{
    const QByteArray answer = envelope(
        "<ns2:getCountryResultsValnattResponse><return><item href=\"#id0\"/>" + item("02", "B&amp;C")
        + "</return></ns2:getCountryResultsValnattResponse>"
          "<multiRef id=\"id0\" xsi:type=\"ns1:QueryResult\"><code><![CDATA[01]]></code></multiRef>");
    for (qsizetype length = 0; length <= answer.lastIndexOf('>'); ++length)
        QVERIFY2(decodeError(answer.left(length)).number() != 0, qPrintable(QString::number(length)));
}

QTEST_MAIN(tst_ResponseDecoder)
#include "tst_responsedecoder.moc"
