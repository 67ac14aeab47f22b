#include "envelopewriter.h"

#include <QTest>
#include <QXmlStreamReader>

using soap::EnvelopeWriter;
using soap::OperationInfo;

namespace {

constexpr auto Encoding = "http://schemas.xmlsoap.org/soap/encoding/";

OperationInfo operation(bool rpc, bool withArgument)
{
    OperationInfo info;
    info.name = QStringLiteral("getCountyResultsValnatt");
    info.rpcStyle = info.encodedUse = rpc;
    if (rpc)
        info.encodingStyle = QString::fromLatin1(Encoding);
    const QString ns = rpc ? QStringLiteral("urn:service") : QStringLiteral("urn:schema");
    info.requestWrapper = {ns, info.name};
    if (withArgument)
        info.parameters = {{rpc ? QString() : ns, QStringLiteral("str_county")}};
    return info;
}

} // namespace

class TestEnvelopeWriter : public QObject
{
    Q_OBJECT
private slots:
    void writesTheRequest_data();
    void writesTheRequest();
};

void TestEnvelopeWriter::writesTheRequest_data()
{
    // Element names and namespaces on the wire are the SOAP client's tests; here the argument's
    // text, the encoding attributes and the shape.
    QTest::addColumn<bool>("rpc");
    QTest::addColumn<QStringList>("arguments");
    for (bool rpc : {true, false}) {
        const char *style = rpc ? "rpc/encoded" : "document/literal";
        QTest::addRow("%s, plain", style) << rpc << QStringList{"01"};
        QTest::addRow("%s, markup", style) << rpc << QStringList{"</str_county><injected/>"};
        QTest::addRow("%s, entities", style) << rpc << QStringList{"&amp; &lt; \" '"};
        QTest::addRow("%s, non-ASCII", style) << rpc << QStringList{"Västerås ÅÄÖ €"};
        QTest::addRow("%s, blanks kept", style) << rpc << QStringList{"  01 "};
        QTest::addRow("%s, empty", style) << rpc << QStringList{QString()};
        QTest::addRow("%s, no argument", style) << rpc << QStringList();
    }
}

void TestEnvelopeWriter::writesTheRequest()
{
    QFETCH(bool, rpc);
    QFETCH(QStringList, arguments);
    const QByteArray envelope = EnvelopeWriter::write(operation(rpc, !arguments.isEmpty()),
                                                      std::vector<QString>(arguments.begin(), arguments.end()));
    QVERIFY(envelope.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));

    QXmlStreamReader reader(envelope);
    QStringList texts;
    QString encodingStyle;
    int elements = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (++elements == 3) // the wrapper
            encodingStyle = reader.attributes()
                                .value(QLatin1String("http://schemas.xmlsoap.org/soap/envelope/"),
                                       QLatin1String("encodingStyle"))
                                .toString();
        if (elements == 4)
            texts.append(reader.readElementText());
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(elements, 3 + int(arguments.size()));
    QCOMPARE(texts, arguments);
    QCOMPARE(encodingStyle, rpc ? QString::fromLatin1(Encoding) : QString());
    // xsi:type="xsd:string" with both prefixes bound, in rpc/encoded only.
    QCOMPARE(envelope.contains("xsi:type=\"xsd:string\""), rpc && !arguments.isEmpty());
    if (rpc && !arguments.isEmpty()) {
        QVERIFY(envelope.contains("xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""));
        QVERIFY(envelope.contains("xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""));
    }
}

QTEST_MAIN(TestEnvelopeWriter)
#include "tst_envelopewriter.moc"
