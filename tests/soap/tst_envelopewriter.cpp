#include "envelopewriter.h"

#include <QTest>
#include <QXmlStreamReader>

using soap::EnvelopeWriter;
using soap::OperationInfo;
using soap::QualifiedName;

namespace {

constexpr auto Envelope11 = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr auto Encoding = "http://schemas.xmlsoap.org/soap/encoding/";
constexpr auto Xsi = "http://www.w3.org/2001/XMLSchema-instance";
constexpr auto Xsd = "http://www.w3.org/2001/XMLSchema";

OperationInfo rpcOperation()
{
    OperationInfo info;
    info.name = QStringLiteral("getCountyResultsValnatt");
    info.rpcStyle = true;
    info.encodedUse = true;
    info.encodingStyle = QString::fromLatin1(Encoding);
    info.requestWrapper = {QStringLiteral("urn:service"), info.name};
    info.parameters = {{QString(), QStringLiteral("str_county")}};
    return info;
}

OperationInfo literalOperation()
{
    OperationInfo info = rpcOperation();
    info.rpcStyle = false;
    info.encodedUse = false;
    info.encodingStyle.clear();
    info.requestWrapper = {QStringLiteral("urn:schema"), info.name};
    info.parameters = {{QStringLiteral("urn:schema"), QStringLiteral("str_county")}};
    return info;
}

// The parsed request: element names with namespaces, the argument's text and attributes.
struct Parsed
{
    QStringList path; // "{ns}local" of every element, in document order
    QString argument;
    QString encodingStyle;
    bool wellFormed = false;
};

Parsed parse(const QByteArray &envelope)
{
    Parsed parsed;
    QXmlStreamReader reader(envelope);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) {
            if (reader.isEndElement())
                --depth;
            continue;
        }
        ++depth;
        parsed.path.append(QStringLiteral("{%1}%2").arg(reader.namespaceUri(), reader.name()));
        if (depth == 3)
            parsed.encodingStyle = reader.attributes().value(QLatin1String(Envelope11), QLatin1String("encodingStyle")).toString();
        if (depth == 4) {
            parsed.path.last() += QStringLiteral("=");
            parsed.argument = reader.readElementText();
            --depth;
        }
    }
    parsed.wellFormed = !reader.hasError();
    return parsed;
}

} // namespace

class TestEnvelopeWriter : public QObject
{
    Q_OBJECT
private slots:
    void rpcEncoded();
    void documentLiteral();
    void argumentTextSurvives_data();
    void argumentTextSurvives();
    void noArgument();
};

void TestEnvelopeWriter::rpcEncoded()
{
    const QByteArray envelope = EnvelopeWriter::write(rpcOperation(), {QStringLiteral("01")});
    const Parsed parsed = parse(envelope);
    QVERIFY(parsed.wellFormed);
    QCOMPARE(parsed.path, (QStringList{QStringLiteral("{%1}Envelope").arg(QLatin1String(Envelope11)),
                                       QStringLiteral("{%1}Body").arg(QLatin1String(Envelope11)),
                                       QStringLiteral("{urn:service}getCountyResultsValnatt"),
                                       QStringLiteral("{}str_county=")}));
    QCOMPARE(parsed.argument, QStringLiteral("01"));
    QCOMPARE(parsed.encodingStyle, QString::fromLatin1(Encoding));
    // xsi:type="xsd:string", with xsd bound to XML Schema on the envelope.
    QVERIFY(envelope.contains("xsi:type=\"xsd:string\""));
    QVERIFY(envelope.contains(QByteArray("xmlns:xsd=\"") + Xsd + '"'));
    QVERIFY(envelope.contains(QByteArray("xmlns:xsi=\"") + Xsi + '"'));
    QVERIFY(envelope.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
}

void TestEnvelopeWriter::documentLiteral()
{
    const QByteArray envelope = EnvelopeWriter::write(literalOperation(), {QStringLiteral("01")});
    const Parsed parsed = parse(envelope);
    QVERIFY(parsed.wellFormed);
    QCOMPARE(parsed.path.mid(2), (QStringList{QStringLiteral("{urn:schema}getCountyResultsValnatt"),
                                              QStringLiteral("{urn:schema}str_county=")}));
    QCOMPARE(parsed.argument, QStringLiteral("01"));
    QVERIFY(parsed.encodingStyle.isEmpty());
    QVERIFY(!envelope.contains("xsi:type"));
}

void TestEnvelopeWriter::argumentTextSurvives_data()
{
    QTest::addColumn<QString>("argument");
    QTest::newRow("markup") << QStringLiteral("</str_county><injected/>");
    QTest::newRow("entities") << QStringLiteral("&amp; &lt; \" '");
    QTest::newRow("non-ASCII") << QStringLiteral("Västerås ÅÄÖ €");
    QTest::newRow("blanks kept") << QStringLiteral("  01 ");
    QTest::newRow("empty") << QString();
}

void TestEnvelopeWriter::argumentTextSurvives()
{
    QFETCH(QString, argument);
    for (const OperationInfo &operation : {rpcOperation(), literalOperation()}) {
        const Parsed parsed = parse(EnvelopeWriter::write(operation, {argument}));
        QVERIFY(parsed.wellFormed);
        QCOMPARE(parsed.path.size(), 4);
        QCOMPARE(parsed.argument, argument);
    }
}

void TestEnvelopeWriter::noArgument()
{
    OperationInfo country = rpcOperation();
    country.parameters.clear();
    const Parsed parsed = parse(EnvelopeWriter::write(country, {}));
    QVERIFY(parsed.wellFormed);
    QCOMPARE(parsed.path.size(), 3);
    QCOMPARE(parsed.path.last(), QStringLiteral("{urn:service}getCountyResultsValnatt"));
}

QTEST_MAIN(TestEnvelopeWriter)
#include "tst_envelopewriter.moc"
