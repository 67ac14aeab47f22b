#include "chunkeddecoder.h"
#include "decodertestobjects.h"
#include "errornumbers.h"
#include "httpheadparser.h"
#include "mappingdocument.h"
#include "raisederror.h"
#include "responsedecoder.h"
#include "wsdlreader.h"

#include <QStringEncoder>
#include <QTest>

#include <malloc.h>

#include <climits>
#include <ctime>
#include <functional>

using namespace soap;

namespace {

const QString SchemaNs = QStringLiteral("http://valresultat.example/ElectionResults.xsd");
const QString ServiceNs = QStringLiteral("http://valresultat.example/ElectionResults.wsdl");
const QString Where = QStringLiteral("http://test.example/svar");
enum Style { Rpc, Document, Bare }; // Bare: the WSDL said nothing of types, all comes from the answer

QByteArray envelope(const QByteArray &body, const QByteArray &header = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:ns1=\"http://valresultat.example/ElectionResults.xsd\" "
           "xmlns:ns2=\"http://valresultat.example/ElectionResults.wsdl\" "
           "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
        + header + "<SOAP-ENV:Body>" + body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
}

// after: independent elements after the response, as Axis writes its multiRefs.
QByteArray response(const QByteArray &content, const QByteArray &after = {})
{
    return envelope("<ns2:getCountryResultsValnattResponse>" + content + "</ns2:getCountryResultsValnattResponse>" + after);
}

QByteArray arrayOf(const QByteArray &items, const QByteArray &arrayType = "ns1:QueryResult[2]")
{
    return response("<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"" + arrayType + "\">" + items + "</return>");
}

QByteArray item(const QByteArray &code, const QByteArray &name)
{
    return "<item xsi:type=\"ns1:QueryResult\"><code xsi:type=\"xsd:string\">" + code
        + "</code><name xsi:type=\"xsd:string\">" + name + "</name></item>";
}

QByteArray record(const QByteArray &id, const QByteArray &code)
{
    return "<multiRef id=\"" + id + "\" xsi:type=\"ns1:QueryResult\"><code>" + code + "</code></multiRef>";
}

AnswerExpectation expectation(Style style)
{
    AnswerExpectation expectation;
    expectation.operation = QStringLiteral("getCountryResultsValnatt");
    expectation.bodyNamespace = ServiceNs;
    expectation.returnPart = QStringLiteral("return");
    if (style != Bare) {
        expectation.returnType = {SchemaNs, QStringLiteral("ArrayOfQueryResult")};
        expectation.itemType = {SchemaNs, QStringLiteral("QueryResult")};
    }
    if (style == Document) {
        expectation.rpcStyle = false;
        expectation.encodedUse = false;
        expectation.returnType = {ServiceNs, QStringLiteral("getCountryResultsValnattResult")};
    }
    return expectation;
}

DecodeSetup setupWith(std::shared_ptr<IGCTMObjectFactory> factory)
{
    DecodeSetup setup;
    setup.types.push_back({{SchemaNs, QStringLiteral("QueryResult")}, std::make_shared<TestNode>()});
    setup.factory = std::move(factory);
    return setup;
}

// "code,name,yesNum|code,name,yesNum", members that are not set shown empty; a fault as its code
// and string.
QString decode(const QByteArray &answer, Style style = Rpc, const QByteArray &charset = {}, qsizetype piece = 0,
               const DecodeSetup &setup = setupWith(std::make_shared<TestFactory>()), Deadline deadline = Deadline::never())
{
    ResponseDecoder decoder(setup, expectation(style), charset, Where, deadline);
    const qsizetype step = piece > 0 ? piece : std::max<qsizetype>(answer.size(), 1);
    DecodedAnswer decoded;
    try {
        for (qsizetype at = 0; at < answer.size(); at += step)
            decoder.feed(answer.constData() + at, std::min(step, answer.size() - at));
        decoded = decoder.finish();
    } catch (const RaisedError &error) {
        return QStringLiteral("!%1 %2: %3").arg(error.number()).arg(error.source(), error.description());
    }
    if (decoded.fault)
        return decoded.value.isEmpty() ? QStringLiteral("fault:%1,%2").arg(decoded.fault->code, decoded.fault->string)
                                       : QStringLiteral("fault with a value");
    if (decoded.value.isEmpty())
        return QStringLiteral("<empty>");
    if (decoded.value.isText())
        return QStringLiteral("text:") + decoded.value.text();
    QStringList rows;
    for (const ObjectPtr &object : decoded.value.array()) {
        QStringList cells;
        for (const QString &name : TestRecord::memberNames())
            cells << object->member(name).value_or(QStringLiteral("?"));
        rows << cells.join(QLatin1Char(','));
    }
    return rows.join(QLatin1Char('|'));
}

// Hostile shapes of every input the layer reads, at two sizes: the cost per byte must stay flat.

constexpr qsizetype Piece = 4096; // as a slow network hands it over

// The pattern `count` times, each '@' the running number (modulo `modulo`).
QByteArray each(int count, const QByteArray &pattern, int modulo = INT_MAX)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += QByteArray(pattern).replace('@', QByteArray::number(i % modulo));
    return out;
}

// Declarations on the Header, as many as a shape needs.
QByteArray answer(const QByteArray &declarations, const QByteArray &header, const QByteArray &body,
                  const QByteArray &after = {})
{
    return response(body, after).replace("<SOAP-ENV:Body>", "<SOAP-ENV:Header" + declarations + ">" + header
                                                                 + "</SOAP-ENV:Header><SOAP-ENV:Body>");
}

// A WSDL of `operations` operations; with a wrapper, document/literal ones whose requests all use
// one element of that many children.
QByteArray wsdl(int operations, int wrapperChildren = 0)
{
    const QByteArray style = wrapperChildren > 0 ? "document" : "rpc";
    const QByteArray use = wrapperChildren > 0 ? "literal" : "encoded";
    const QByteArray part = wrapperChildren > 0 ? "element='t:W'" : "type='x:string'";
    return "<w:definitions xmlns:w='http://schemas.xmlsoap.org/wsdl/' xmlns:s='http://schemas.xmlsoap.org/wsdl/soap/' "
           "xmlns:x='http://www.w3.org/2001/XMLSchema' xmlns:t='urn:s' targetNamespace='urn:s'><w:types>"
           "<x:schema targetNamespace='urn:s'><x:element name='W'><x:complexType><x:sequence>"
        + each(wrapperChildren, "<x:element name='c@' type='x:string'/>")
        + "</x:sequence></x:complexType></x:element></x:schema></w:types>"
        + each(operations, "<w:message name='m@'><w:part name='p' " + part + "/></w:message>") + "<w:portType name='T'>"
        + each(operations, "<w:operation name='o@'><w:input message='t:m@'/><w:output message='t:m@'/></w:operation>")
        + "</w:portType><w:binding name='B' type='t:T'><s:binding style='" + style
        + "' transport='http://schemas.xmlsoap.org/soap/http'/>"
        + each(operations, "<w:operation name='o@'><s:operation soapAction=''/><w:input><s:body use='" + use
                               + "'/></w:input><w:output><s:body use='" + use + "'/></w:output></w:operation>")
        + "</w:binding><w:service name='S'><w:port name='P' binding='t:B'><s:address location='http://h/x'/>"
          "</w:port></w:service></w:definitions>";
}

// What the heap holds (glibc's count; zero under a sanitizer's allocator), and the most the last
// answer read held, measured once all of it had arrived.
qint64 heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}
qint64 heldByAnswer = 0;

// Records decoded, or -1 when the answer was refused (which is fine: the cost is what counts).
int readAnswer(const QByteArray &bytes)
{
    const DecodeSetup setup = setupWith(std::make_shared<TestFactory>());
    const qint64 before = heapBytes();
    try {
        ResponseDecoder decoder(setup, expectation(Bare), {}, Where);
        for (qsizetype at = 0; at < bytes.size(); at += Piece)
            decoder.feed(bytes.constData() + at, std::min(Piece, bytes.size() - at));
        heldByAnswer = heapBytes() - before;
        const Variant value = decoder.finish().value;
        return value.isArray() ? int(value.array().size()) : -1;
    } catch (const RaisedError &) {
        heldByAnswer = heapBytes() - before;
        return -1;
    }
}

// Other readers: only the cost counts, whatever they make of the input.
int readWsdl(const QByteArray &bytes)
try {
    WsdlReader(QStringLiteral("S"), QStringLiteral("P"), QStringLiteral("urn:s")).read(bytes, {});
    return -1;
} catch (const RaisedError &) {
    return -1;
}

int readMapping(const QByteArray &bytes)
try {
    MappingDocument::parse(QString::fromUtf8(bytes), QStringLiteral("S"));
    return -1;
} catch (const RaisedError &) {
    return -1;
}

int readChunked(const QByteArray &bytes)
{
    ChunkedDecoder decoder;
    for (qsizetype at = 0; at < bytes.size() && decoder.error().isEmpty(); at += Piece)
        decoder.decode(QByteArray(bytes.mid(at, Piece)).data(), std::min(Piece, bytes.size() - at));
    return -1;
}

int readHead(const QByteArray &bytes)
{
    HttpHeadParser parser;
    for (qsizetype at = 0; at < bytes.size() && parser.feed(bytes.constData() + at, std::min(Piece, bytes.size() - at)) >= 0;)
        at += Piece;
    return -1;
}

struct Shape
{
    const char *name;
    std::function<QByteArray(int n)> make; // about n bytes
    std::function<int(const QByteArray &)> read;
    std::function<int(int n)> records; // what a valid answer holds; for the others, any outcome
};

const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> All = {
        {"answer: five prefixes used past many declarations", [](int n) {
             return answer(each(5, " xmlns:p@='urn:q'") + each(n / 50, " xmlns:f@='urn:f'"), each(n / 20, "<p@:x/>", 5), "");
         }, readAnswer, {}},
        {"answer: arrays claiming 131072 items", [](int n) {
             return answer("", "", "<return SOAP-ENC:arrayType='ns1:QueryResult[0]'/>",
                           each(n / 90, "<a id='a@' SOAP-ENC:arrayType='ns1:QueryResult[131072]'/>"));
         }, readAnswer, {}},
        {"answer: one start tag longer than every piece", [](int n) { return answer("", "<x a='" + QByteArray(n, 'a') + "'/>", ""); },
         readAnswer, {}},
        {"answer: many attributes on one element", [](int n) { return answer("", "<x" + each(n / 10, " a@=''") + "/>", ""); },
         readAnswer, {}},
        {"answer: records by reference, through a chain", [](int n) {
             return answer("", "", "<return SOAP-ENC:arrayType='ns1:QueryResult[]'>" + each(n / 100, "<i href='#r@'/>") + "</return>",
                           each(n / 100, "<r id='r@' href='#s@'/><s id='s@' xsi:type='ns1:QueryResult'><code>@</code></s>"));
         }, readAnswer, [](int n) { return n / 100; }},
        {"answer: members of ever new names", [](int n) {
             return answer("", "", "<return SOAP-ENC:arrayType='ns1:QueryResult[1]'><i xsi:type='ns1:QueryResult'>"
                                       + each(n / 24, "<m@>x</m@>") + "</i></return>");
         }, readAnswer, [](int) { return 1; }},
        {"WSDL: many operations", [](int n) { return wsdl(n / 450); }, readWsdl, {}},
        {"WSDL: operations sharing one large wrapper", [](int n) { return wsdl(n / 900, n / 90); }, readWsdl, {}},
        {"WSDL: a namespace declared on every element", [](int n) {
             return "<w:definitions xmlns:w='http://schemas.xmlsoap.org/wsdl/'" + each(n / 40, " xmlns:r@='urn:r'")
                 + "><w:documentation>" + each(n / 40, "<d xmlns:d@='urn:d'/>") + "</w:documentation></w:definitions>";
         }, readWsdl, {}},
        {"mapping: deep nesting", [](int n) {
             return "<servicemapping>" + QByteArray("<a>").repeated(n / 7) + QByteArray("</a>").repeated(n / 7) + "</servicemapping>";
         }, readMapping, {}},
        {"mapping: many types", [](int n) {
             return "<servicemapping><service name='S'><using PROGID='MSSOAP.GenericCustomTypeMapper30' ID='G'/><types>"
                 + each(n / 80, "<type name='T@' uses='G' targetClassName='x'/>") + "</types></service></servicemapping>";
         }, readMapping, {}},
        {"HTTP: one-byte chunks", [](int n) { return QByteArray("1\r\nx\r\n").repeated(n / 6) + "0\r\n\r\n"; }, readChunked, {}},
        {"HTTP: a field without end", [](int n) { return "HTTP/1.1 200 OK\r\nX: " + QByteArray(n, 'a'); }, readHead, {}},
    };
    return All;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// CPU time per byte, the least of three reads: the least is what the work costs, the rest is load.
double costPerByte(const Shape &shape, int n)
{
    const QByteArray input = shape.make(n);
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const double start = threadCpuSeconds();
        const int records = shape.read(input);
        best = std::min(best, threadCpuSeconds() - start);
        if (shape.records && records != shape.records(n))
            qFatal("%s: %d records decoded, not %d", shape.name, records, shape.records(n));
    }
    return best / double(input.size());
}

} // namespace

class TestReaders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodes_data();
    void decodes();
    void factoryDecidesWhatIsMade();
    void staysFlat_data();
    void staysFlat();
};

void TestReaders::decodes_data()
{
    // number 0: decoded to `expected`, whole, in any pieces, and raising when cut anywhere;
    // otherwise refused with that number and a description mentioning `expected`.
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("style");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    const auto ok = [](const char *name, const QByteArray &answer, const QString &expected, Style style = Rpc,
                       const QByteArray &charset = {}) {
        QTest::newRow(name) << answer << int(style) << charset << 0 << expected;
    };
    const auto refused = [](const char *name, const QByteArray &answer, int number, const QString &mentions,
                            const QByteArray &charset = {}) {
        QTest::newRow(name) << answer << int(Rpc) << charset << number << mentions;
    };

    ok("inline items, typed", arrayOf(item("01", "Stockholms län") + item("03", "Uppsala län")),
       "01,Stockholms län,|03,Uppsala län,");
    ok("items typed by arrayType only", arrayOf("<item><code>01</code></item><item><code>03</code></item>"), "01,,|03,,",
       Bare);
    ok("items typed by the WSDL only", response("<return><item><code>01</code></item><item><code>03</code></item></return>"),
       "01,,|03,,");
    ok("prefixes of the answer's own choosing",
       envelope("<e:getCountryResultsValnattResponse xmlns:e=\"http://valresultat.example/ElectionResults.wsdl\">"
                "<return xmlns:q=\"http://valresultat.example/ElectionResults.xsd\" "
                "xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" "
                "i:type=\"enc:Array\" enc:arrayType=\"q:QueryResult[1]\"><item i:type=\"q:QueryResult\"><code>07</code>"
                "</item></return></e:getCountryResultsValnattResponse>"), "07,,", Bare);
    ok("a redeclaration ends with its element",
       arrayOf("<item xmlns:ns1=\"urn:other\" xmlns:ns2=\"http://valresultat.example/ElectionResults.xsd\" "
               "xsi:type=\"ns2:QueryResult\"><code>01</code></item><item xsi:type=\"ns1:QueryResult\"><code>02</code></item>",
               "xsd:anyType[2]"), "01,,|02,,", Bare);
    ok("type in the default namespace",
       arrayOf("<item xmlns=\"http://valresultat.example/ElectionResults.xsd\" xsi:type=\"QueryResult\"><code>07</code>"
               "</item>", "xsd:anyType[1]"), "07,,", Bare);
    ok("1999 schema instance namespace",
       arrayOf("<item xmlns:x=\"http://www.w3.org/1999/XMLSchema-instance\" x:type=\"ns1:QueryResult\">"
               "<code>07</code><name x:null=\"1\"/></item>", "xsd:anyType[1]"), "07,,", Bare);
    ok("multiRef after the response",
       response("<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"ns1:QueryResult[2]\"><item href=\"#id0\"/>"
                "<item href=\"#id1\"/></return>", record("id0", "01") + record("id1", "03")), "01,,|03,,", Bare);
    ok("multiRef before the response, in reverse order",
       envelope(record("b", "03") + record("a", "01") + "<ns2:getCountryResultsValnattResponse><return><item href=\"#a\"/>"
                "<item href=\"#b\"/></return></ns2:getCountryResultsValnattResponse>"), "01,,|03,,");
    ok("untyped multiRef takes the array's item type",
       response("<return SOAP-ENC:arrayType=\"ns1:QueryResult[1]\"><item href=\"#id0\"/></return>",
                "<multiRef id=\"id0\"><code>01</code><name>Stockholms län</name></multiRef>"), "01,Stockholms län,", Bare);
    ok("reference through a reference",
       response("<return><item href=\"#a\"/></return>", "<multiRef id=\"a\" href=\"#b\"/>" + record("b", "09")), "09,,");
    ok("array itself a multiRef",
       response("<return href=\"#arr\"/>", "<SOAP-ENC:Array id=\"arr\" SOAP-ENC:arrayType=\"ns1:QueryResult[1]\">"
                "<item href=\"#r\"/></SOAP-ENC:Array>" + record("r", "11")), "11,,", Bare);
    ok("member value by reference",
       response("<return><item xsi:type=\"ns1:QueryResult\"><code href=\"#c\"/><name>Gotland</name></item></return>",
                "<multiRef id=\"c\" xsi:type=\"xsd:string\">09</multiRef>"), "09,Gotland,");
    ok("nil member stays empty, nil item left out",
       arrayOf("<item xsi:type=\"ns1:QueryResult\"><code xsi:nil=\"1\"/><name xsi:nil=\"false\">Gotland</name></item><item xsi:nil=\"true\"/>"),
       ",Gotland,");
    ok("members in any order, missing and unknown ones, blanks kept",
       arrayOf("<item xsi:type=\"ns1:QueryResult\"><yesNum>12</yesNum><turnout>80</turnout><code> 01 </code></item>"),
       " 01 ,,12");
    ok("CDATA, entities and character references",
       arrayOf("<item xsi:type=\"ns1:QueryResult\"><code><![CDATA[<01>]]></code>"
               "<name>V&#xE4;stra G&#246;taland &amp; &lt;&gt;&quot;&apos;</name></item>"), "<01>,Västra Götaland & <>\"',");
    ok("long member, then shorter ones", arrayOf(item("01", QByteArray("\xC3\xB6").repeated(600)) + item("03", "\xC3\x85")),
       QStringLiteral("01,") + QString(600, QChar(0xF6)) + QStringLiteral(",|03,\u00C5,"));
    ok("leading U+FEFF and characters beyond 16 bits kept", arrayOf(item("01", "\xEF\xBB\xBF" "x\xF0\x9F\x97\xB3")),
       QStringLiteral("01,") + QChar(0xFEFF) + QStringLiteral("x") + QString::fromUtf8("\xF0\x9F\x97\xB3,"));
    ok("empty array, [0]", response("<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"ns1:QueryResult[0]\"/>"), "",
       Bare);
    ok("header skipped", envelope("<ns2:getCountryResultsValnattResponse><return>" + item("01", "A")
                                      + "</return></ns2:getCountryResultsValnattResponse>",
                                  "<SOAP-ENV:Header><t:T xmlns:t=\"urn:t\"><item href=\"#no\"/></t:T></SOAP-ENV:Header>"),
       "01,A,");
    ok("wrapper in another namespace",
       envelope("<getCountryResultsValnattResponse xmlns=\"urn:other\"><return xmlns=\"\">" + item("01", "A")
                + "</return></getCountryResultsValnattResponse>"), "01,A,");
    ok("return part picked by name",
       response("<status xsi:type=\"xsd:string\">ok</status><return>" + item("01", "A") + "</return>"), "01,A,");
    // Envelope, Body, wrapper, return, item and member take six levels.
    const int inner = ResponseDecoder::MaxDepth - 6;
    ok("nesting up to the limit",
       arrayOf(item("01", QByteArray("<b>").repeated(inner) + "x" + QByteArray("</b>").repeated(inner))), "01,x,");
    ok("simple value", response("<return xsi:type=\"xsd:string\">klart</return>"), "text:klart", Bare);
    ok("void answer", response(""), "<empty>");
    ok("one record alone", response("<return xsi:type=\"ns1:QueryResult\"><code>01</code></return>"), "01,,", Bare);
    // A Fault is returned, not raised; the rest of the Body does not matter.
    ok("fault", envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode><faultstring>Okänd länskod: '99'"
                         "</faultstring><detail><x>1</x></detail></SOAP-ENV:Fault>"),
       "fault:SOAP-ENV:Client,Okänd länskod: '99'");
    ok("fault, qualified children, split text, after the answer",
       envelope("<ns2:getCountryResultsValnattResponse/><SOAP-ENV:Fault><SOAP-ENV:faultstring>Fel <![CDATA[&]]> fel"
                "</SOAP-ENV:faultstring><SOAP-ENV:faultcode>SOAP-ENV:Server</SOAP-ENV:faultcode></SOAP-ENV:Fault>"),
       "fault:SOAP-ENV:Server,Fel & fel");
    ok("document/literal",
       envelope("<getCountryResultsValnattResult xmlns=\"http://valresultat.example/ElectionResults.wsdl\">"
                "<QueryResult><code>01</code><name>A</name></QueryResult><QueryResult><code>03</code><name>B</name>"
                "</QueryResult></getCountryResultsValnattResult>"), "01,A,|03,B,", Document);

    // Charsets: the declaration's, the byte order mark's, or the HTTP header's, which wins.
    const QString name = QStringLiteral("Västra Götaland – 5 €");
    const QString latin = QStringLiteral("Västra Götaland");
    const auto declared = [](const QString &encoding, const QString &text) {
        const QByteArray whole = arrayOf(item("14", "@"), "ns1:QueryResult[1]");
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(encoding)
            + QString::fromUtf8(whole.mid(whole.indexOf("<SOAP-ENV:Envelope"))).replace(QLatin1Char('@'), text);
    };
    const QString inName = QStringLiteral("14,%1,").arg(name);
    ok("UTF-8", declared("UTF-8", name).toUtf8(), inName);
    ok("UTF-8 with BOM", "\xEF\xBB\xBF" + declared("UTF-8", name).toUtf8(), inName);
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    ok("UTF-16LE with BOM", utf16(declared("UTF-16", name)), inName);
    ok("ISO-8859-1 declared", declared("ISO-8859-1", latin).toLatin1(), QStringLiteral("14,%1,").arg(latin));
    QByteArray cp1252 = declared("windows-1252", QStringLiteral("Västra Götaland # 5 $")).toLatin1();
    ok("windows-1252 declared", cp1252.replace('#', '\x96').replace('$', '\x80'), inName);
    ok("HTTP charset wins over the declaration", cp1252.replace("\"windows-1252\"", "\"UTF-8\""), inName, Rpc,
       "Windows-1252");
    ok("HTTP charset quoted", declared("UTF-8", latin).toLatin1(), QStringLiteral("14,%1,").arg(latin), Rpc,
       "\"iso-8859-1\"");

    refused("mismatched tag", "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\">\n<e:Header>\n  <c></b></c>",
            ErrorNumber::MalformedXml, "felaktig XML på rad 3, kolumn 8: sluttaggen passar inte");
    refused("junk after the envelope", arrayOf(item("01", "A")) + "<x/>", ErrorNumber::MalformedXml, "felaktig XML");
    refused("undefined entity", arrayOf(item("01", "&nbsp;")), ErrorNumber::MalformedXml, "okänd entitet");
    refused("invalid UTF-8", arrayOf(item("01", "\xC3\x28")), ErrorNumber::MalformedXml, "felaktig XML");
    refused("prefix bound to another namespace", arrayOf("<item xsi:type=\"ns2:QueryResult\"/>"),
            ErrorNumber::UnexpectedShape, "ElectionResults.wsdl}QueryResult");
    refused("undeclared prefix in xsi:type", arrayOf("<item xsi:type=\"zz:QueryResult\"/>"), ErrorNumber::MalformedXml,
            "zz:QueryResult");
    refused("HTML page", "<html><body><h1>500 Internal Server Error</h1></body></html>", ErrorNumber::NotSoap, "<html>");
    refused("HTML page with DOCTYPE", "<!DOCTYPE html>\n<html><body>Fel</body></html>", ErrorNumber::DoctypeRefused,
            "DOCTYPE");
    refused("entity expansion", "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY a \"aaaaaaaaaa\">"
                                "<!ENTITY b \"&a;&a;&a;&a;\">]><e>&b;</e>", ErrorNumber::DoctypeRefused, "rad 1");
    refused("external entity", "<!DOCTYPE e [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><e>&x;</e>",
            ErrorNumber::DoctypeRefused, "DOCTYPE");
    refused("nesting too deep", envelope("<ns2:getCountryResultsValnattResponse/>", "<SOAP-ENV:Header>"
                + QByteArray("<a>").repeated(ResponseDecoder::MaxDepth) + QByteArray("</a>").repeated(ResponseDecoder::MaxDepth)
                + "</SOAP-ENV:Header>"), ErrorNumber::NestingTooDeep, "256");
    // SOAP 1.1 reads an envelope of another namespace as another version, never as a message.
    refused("SOAP 1.2 envelope", "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body>"
                                 "<m:getCountryResultsValnattResponse xmlns:m=\"urn:x\"><return><item><code>01</code></item>"
                                 "</return></m:getCountryResultsValnattResponse></env:Body></env:Envelope>",
            ErrorNumber::VersionMismatch, "SOAP 1.2");
    refused("Envelope of another namespace", "<Envelope xmlns=\"urn:x\"><Body/></Envelope>", ErrorNumber::VersionMismatch,
            "urn:x");
    refused("no Body", "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Header/></e:Envelope>",
            ErrorNumber::UnexpectedShape, "Body");
    refused("empty Body", envelope(""), ErrorNumber::UnexpectedShape, "getCountryResultsValnattResponse");
    refused("answer to another operation", envelope("<ns2:getCountyResultsValnattResponse/>"),
            ErrorNumber::UnexpectedShape, "getCountyResultsValnattResponse");
    refused("item of an unmapped type", arrayOf("<item xsi:type=\"ns2:Other\"/>"), ErrorNumber::UnexpectedShape, "Other");
    refused("unknown reference", arrayOf("<item href=\"#nowhere\"/>"), ErrorNumber::BadReference, "#nowhere");
    refused("duplicate id", response("<return><item href=\"#a\"/></return>", record("a", "1") + record("a", "2")),
            ErrorNumber::BadReference, "\"a\"");
    refused("cycle", response("<return><item href=\"#a\"/></return>",
                              "<multiRef id=\"a\" href=\"#b\"/><multiRef id=\"b\" href=\"#a\"/>"),
            ErrorNumber::BadReference, "cirkel");
    refused("reference outside the answer", arrayOf("<item href=\"http://evil.example/x.xml\"/>"),
            ErrorNumber::BadReference, "evil.example");
    refused("member referring to a record",
            response("<return><item xsi:type=\"ns1:QueryResult\"><code href=\"#r\"/></item></return>", record("r", "1")),
            ErrorNumber::UnexpectedShape, "#r");
    refused("unknown declared charset", "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>", ErrorNumber::UnsupportedEncoding,
            "KOI8-R");
    refused("unknown HTTP charset", arrayOf(item("01", "A")), ErrorNumber::UnsupportedEncoding, "x-mac-cyrillic",
            "x-mac-cyrillic");
}

void TestReaders::decodes()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, style);
    QFETCH(QByteArray, charset);
    QFETCH(int, number);
    QFETCH(QString, expected);
    if (number == 0) {
        // Split tokens must accumulate: CDATA, references and multi-byte characters across pieces.
        for (qsizetype piece : {0, 1, 7})
            QCOMPARE(decode(answer, Style(style), charset, piece), expected);
        for (qsizetype length = 0; length <= answer.lastIndexOf('>'); ++length)
            QVERIFY2(decode(answer.left(length), Style(style), charset).startsWith('!'), qPrintable(QString::number(length)));
        return;
    }
    const QString error = decode(answer, Style(style), charset);
    QVERIFY2(error.startsWith(QStringLiteral("!%1 SoapClient: Svaret från %2: ").arg(number).arg(Where)), qPrintable(error));
    QVERIFY2(error.contains(expected), qPrintable(error));
}

void TestReaders::factoryDecidesWhatIsMade()
{
    const QByteArray answer = arrayOf(item("01", "A") + item("02", "B") + item("03", "C"), "ns1:QueryResult[3]");

    // No object for the second record: it is left out, the others keep their order.
    auto factory = std::make_shared<TestFactory>();
    factory->make = [](int call) -> ObjectPtr { return call == 1 ? nullptr : std::make_shared<TestRecord>(); };
    DecodeSetup setup = setupWith(factory);
    QCOMPARE(decode(answer, Rpc, {}, 0, setup), QStringLiteral("01,A,|03,C,"));
    QCOMPARE(factory->nodes.size(), std::size_t(3));
    QVERIFY(factory->nodes.front() == setup.types.front().mappingNode);

    // No factory at all: nothing can be made.
    QCOMPARE(decode(answer, Rpc, {}, 0, setupWith(nullptr)), QString());

    // One record by two references is one object, made once.
    factory = std::make_shared<TestFactory>();
    ResponseDecoder decoder(setupWith(factory), expectation(Rpc), {}, Where);
    const QByteArray shared = response("<return><item href=\"#a\"/><item href=\"#a\"/><item href=\"#b\"/></return>",
                                       record("a", "01") + "<multiRef id=\"b\"><code>02</code></multiRef>");
    decoder.feed(shared.constData(), shared.size());
    const Variant::Array array = decoder.finish().value.array();
    QCOMPARE(array.size(), std::size_t(3));
    QVERIFY(array[0] == array[1]);
    QVERIFY(array[0] != array[2]);
    QCOMPARE(factory->nodes.size(), std::size_t(2));

    // Past the deadline even an answer of a few events is refused, at the latest when it ends.
    QVERIFY(decode(answer, Rpc, {}, 0, setupWith(factory), Deadline::after(std::chrono::milliseconds(0)))
                .startsWith(QStringLiteral("!%1 ").arg(ErrorNumber::Timeout)));
    // The factory's own error reaches the caller unchanged.
    factory->make = [](int) -> ObjectPtr { throw RaisedError(0x1234, QStringLiteral("fabrik"), QStringLiteral("DOM-fel")); };
    QCOMPARE(decode(answer, Rpc, {}, 0, setupWith(factory)), QStringLiteral("!4660 fabrik: DOM-fel"));
}

void TestReaders::staysFlat_data()
{
    QTest::addColumn<int>("shape");
    for (std::size_t i = 0; i < shapes().size(); ++i)
        QTest::newRow(shapes()[i].name) << int(i);
}

void TestReaders::staysFlat()
{
    QFETCH(int, shape);
    // A cost that grows with the square of the input is eight times as high per byte at eight
    // times the size; in proportion it stays the same, or nearly: larger tables fit the caches
    // less well (counted in instructions, these shapes stay flat). Four times is far from both.
    const Shape &tested = shapes()[std::size_t(shape)];
    constexpr int Small = 128 * 1024;
    const double smallCost = costPerByte(tested, Small);
    const double largeCost = costPerByte(tested, 8 * Small);
    // Memory is reserved as items arrive, never on the sender's word: an answer holds a few
    // times its size in records and tables, not what it claims.
    const double held = double(std::exchange(heldByAnswer, 0)) / (8 * Small);
    qInfo("%.1f ns a byte at %d KiB, %.1f at %d KiB, %.1f bytes held a byte", smallCost * 1e9, Small / 1024,
          largeCost * 1e9, 8 * Small / 1024, held);
    QVERIFY2(largeCost < 4 * smallCost, qPrintable(QStringLiteral("%1 times the cost per byte").arg(largeCost / smallCost)));
    QVERIFY(held < 16);
}

QTEST_MAIN(TestReaders)
#include "tst_readers.moc"
