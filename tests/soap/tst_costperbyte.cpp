#include "chunkeddecoder.h"
#include "decodertestobjects.h"
#include "httpheadparser.h"
#include "mappingdocument.h"
#include "raisederror.h"
#include "responsedecoder.h"
#include "wsdlreader.h"

#include <QTest>

#include <malloc.h>

#include <climits>
#include <ctime>
#include <functional>

using namespace soap;

namespace {

constexpr qsizetype Piece = 4096; // as a slow network hands it over

// The pattern `count` times, each '@' the running number (modulo `modulo`).
QByteArray each(int count, const QByteArray &pattern, int modulo = INT_MAX)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += QByteArray(pattern).replace('@', QByteArray::number(i % modulo));
    return out;
}

// after: independent elements after the response, as Axis writes its multiRefs.
QByteArray answer(const QByteArray &declarations, const QByteArray &header, const QByteArray &body,
                  const QByteArray &after = {})
{
    return "<e:Envelope xmlns:e='http://schemas.xmlsoap.org/soap/envelope/' xmlns:q='urn:q' "
           "xmlns:enc='http://schemas.xmlsoap.org/soap/encoding/' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'"
        + declarations + "><e:Header>" + header + "</e:Header><e:Body><m:getCountryResultsValnattResponse xmlns:m='urn:m'>"
        + body + "</m:getCountryResultsValnattResponse>" + after + "</e:Body></e:Envelope>";
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
    AnswerExpectation expectation;
    expectation.operation = QStringLiteral("getCountryResultsValnatt");
    DecodeSetup setup;
    setup.types.push_back({{QStringLiteral("urn:q"), QStringLiteral("QueryResult")}, std::make_shared<TestNode>()});
    setup.factory = std::make_shared<TestFactory>();
    const qint64 before = heapBytes();
    try {
        ResponseDecoder decoder(setup, expectation, {}, QStringLiteral("test"));
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
    static const std::vector<Shape> all = {
        {"answer: five prefixes used past many declarations", [](int n) {
             return answer(each(5, " xmlns:p@='urn:q'") + each(n / 50, " xmlns:f@='urn:f'"), each(n / 20, "<p@:x/>", 5), "");
         }, readAnswer, {}},
        {"answer: arrays claiming 131072 items", [](int n) {
             return answer("", "", "<return enc:arrayType='q:QueryResult[0]'/>",
                           each(n / 90, "<a id='a@' enc:arrayType='q:QueryResult[131072]'/>"));
         }, readAnswer, {}},
        {"answer: one start tag longer than every piece", [](int n) { return answer("", "<x a='" + QByteArray(n, 'a') + "'/>", ""); },
         readAnswer, {}},
        {"answer: many attributes on one element", [](int n) { return answer("", "<x" + each(n / 10, " a@=''") + "/>", ""); },
         readAnswer, {}},
        {"answer: records by reference, through a chain", [](int n) {
             return answer("", "", "<return enc:arrayType='q:QueryResult[]'>" + each(n / 100, "<i href='#r@'/>") + "</return>",
                           each(n / 100, "<r id='r@' href='#s@'/><s id='s@' xsi:type='q:QueryResult'><code>@</code></s>"));
         }, readAnswer, [](int n) { return n / 100; }},
        {"answer: members of ever new names", [](int n) {
             return answer("", "", "<return enc:arrayType='q:QueryResult[1]'><i xsi:type='q:QueryResult'>"
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
    return all;
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

class TestCostPerByte : public QObject
{
    Q_OBJECT
private slots:
    void staysFlat_data();
    void staysFlat();
};

void TestCostPerByte::staysFlat_data()
{
    QTest::addColumn<int>("shape");
    for (std::size_t i = 0; i < shapes().size(); ++i)
        QTest::newRow(shapes()[i].name) << int(i);
}

void TestCostPerByte::staysFlat()
{
    QFETCH(int, shape);
    // A cost that grows with the square of the input is eight times as high per byte at eight
    // times the size; in proportion it stays the same, or nearly: larger tables fit the caches
    // less well (counted in instructions, these shapes stay flat). Four times is far from both.
    const Shape &tested = shapes()[std::size_t(shape)];
    constexpr int small = 128 * 1024;
    const double smallCost = costPerByte(tested, small);
    const double largeCost = costPerByte(tested, 8 * small);
    // Memory is reserved as items arrive, never on the sender's word: an answer holds a few
    // times its size in records and tables, not what it claims.
    const double held = double(std::exchange(heldByAnswer, 0)) / (8 * small);
    qInfo("%.1f ns a byte at %d KiB, %.1f at %d KiB, %.1f bytes held a byte", smallCost * 1e9, small / 1024,
          largeCost * 1e9, 8 * small / 1024, held);
    QVERIFY2(largeCost < 4 * smallCost, qPrintable(QStringLiteral("%1 times the cost per byte").arg(largeCost / smallCost)));
    QVERIFY(held < 16);
}

QTEST_MAIN(TestCostPerByte)
#include "tst_costperbyte.moc"
