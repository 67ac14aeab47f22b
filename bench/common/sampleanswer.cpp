#include "sampleanswer.h"

#include "ksv_config.h"
#include "samplemappingnode.h"

#include <array>

namespace bench {

namespace {

const std::array<const char *, 21> Counties = {
    "Stockholms län", "Uppsala län", "Södermanlands län", "Östergötlands län", "Jönköpings län",
    "Kronobergs län", "Kalmar län", "Gotlands län", "Blekinge län", "Skåne län", "Hallands län",
    "Västra Götalands län", "Värmlands län", "Örebro län", "Västmanlands län", "Dalarnas län",
    "Gävleborgs län", "Västernorrlands län", "Jämtlands län", "Västerbottens län", "Norrbottens län",
};

QByteArray percent(int tenths)
{
    return QByteArray::number(tenths / 10) + ',' + QByteArray::number(tenths % 10);
}

void appendMember(QByteArray &out, const char *name, const QByteArray &value)
{
    out += '<';
    out += name;
    out += " xsi:type=\"xsd:string\">";
    out += value;
    out += "</";
    out += name;
    out += '>';
}

void appendMembers(QByteArray &out, int index)
{
    QByteArray resultType = "municipality";
    QByteArray code = QByteArray::number(index).rightJustified(4, '0');
    QByteArray name = "Kommun " + QByteArray::number(index);
    if (index == 0) {
        resultType = "country";
        code = "00";
        name = "Hela landet";
    } else if (index <= int(Counties.size())) {
        resultType = "county";
        code = QByteArray::number(index).rightJustified(2, '0');
        name = Counties[std::size_t(index - 1)];
    }
    const int all = 40 + (index * 37) % 900;
    const int ready = all - (index % 7);
    const int yes = 1000 + (index * 7919) % 90000;
    const int no = 1000 + (index * 104729) % 90000;
    const int blank = 10 + (index * 31) % 2000;
    const int total = yes + no + blank;
    const int seconds = index % 60;

    appendMember(out, "generated", "2003-09-14T21:05:" + QByteArray::number(seconds).rightJustified(2, '0'));
    appendMember(out, "resultType", resultType);
    appendMember(out, "code", code);
    appendMember(out, "name", name);
    appendMember(out, "readyDistricts", QByteArray::number(ready));
    appendMember(out, "allDistricts", QByteArray::number(all));
    appendMember(out, "yesNum", QByteArray::number(yes));
    appendMember(out, "yesPerc", percent(int(qint64(yes) * 1000 / total)));
    appendMember(out, "noNum", QByteArray::number(no));
    appendMember(out, "noPerc", percent(int(qint64(no) * 1000 / total)));
    appendMember(out, "blankNum", QByteArray::number(blank));
    appendMember(out, "blankPerc", percent(int(qint64(blank) * 1000 / total)));
    appendMember(out, "invalidNum", QByteArray::number(5 + index % 300));
    appendMember(out, "turnoutNum", QByteArray::number(total + 5 + index % 300));
    appendMember(out, "turnoutPerc", percent(700 + index % 200));
}

} // namespace

QByteArray SampleAnswer::generate(int records, WireStyle style, const QString &operation)
{
    const QByteArray wrapper = "ns1:" + operation.toUtf8() + "Response";
    QByteArray out;
    out.reserve(qsizetype(records) * (style == WireStyle::Inline ? 900 : 1250) + 1024);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
           "<SOAP-ENV:Body><" + wrapper + " xmlns:ns1=\"" KSV_SERVICE_NAMESPACE "\">"
           "<return xmlns:ns2=\"" KSV_SCHEMA_NAMESPACE "\" xsi:type=\"SOAP-ENC:Array\" "
           "SOAP-ENC:arrayType=\"ns2:QueryResult[" + QByteArray::number(records) + "]\">";
    for (int i = 0; i < records; ++i) {
        if (style == WireStyle::Inline) {
            out += "<item xsi:type=\"ns2:QueryResult\">";
            appendMembers(out, i);
            out += "</item>";
        } else {
            out += "<item href=\"#id" + QByteArray::number(i) + "\"/>";
        }
    }
    out += "</return></" + wrapper + ">";
    if (style == WireStyle::MultiRef) {
        for (int i = 0; i < records; ++i) {
            out += "<multiRef id=\"id" + QByteArray::number(i) + "\" SOAP-ENC:root=\"0\" "
                   "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\" "
                   "xsi:type=\"ns3:QueryResult\" xmlns:ns3=\"" KSV_SCHEMA_NAMESPACE "\">";
            appendMembers(out, i);
            out += "</multiRef>";
        }
    }
    out += "</SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
    return out;
}

soap::AnswerExpectation SampleAnswer::expectation(const QString &operation)
{
    soap::AnswerExpectation expectation;
    expectation.operation = operation;
    expectation.bodyNamespace = QStringLiteral(KSV_SERVICE_NAMESPACE);
    expectation.returnPart = QStringLiteral("return");
    expectation.returnType = {QStringLiteral(KSV_SCHEMA_NAMESPACE), QStringLiteral("ArrayOfQueryResult")};
    expectation.itemType = {QStringLiteral(KSV_SCHEMA_NAMESPACE), QStringLiteral("QueryResult")};
    return expectation;
}

soap::DecodeSetup SampleAnswer::setup(std::shared_ptr<soap::IGCTMObjectFactory> factory)
{
    soap::DecodeSetup setup;
    setup.types.push_back({{QStringLiteral(KSV_SCHEMA_NAMESPACE), QStringLiteral("QueryResult")},
                           SampleMappingNode::queryResultType(QStringLiteral(KSV_SCHEMA_NAMESPACE))});
    setup.factory = std::move(factory);
    return setup;
}

QString SampleAnswer::styleName(WireStyle style)
{
    return style == WireStyle::Inline ? QStringLiteral("inline") : QStringLiteral("multiRef");
}

} // namespace bench
