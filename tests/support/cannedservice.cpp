#include "cannedservice.h"

#include "answerwriter.h"
#include "faultwriter.h"
#include "operation.h"
#include "resultsservice.h"
#include "wsdlwriter.h"

#include <QRegularExpression>

using testsupport::CannedReply;

CannedService::CannedService()
{
    wsdlReply(CannedReply::ok(WsdlWriter::write(endpointUrl().toString())));
    answer(QStringLiteral("getCountryResultsValnatt"), {});
}

ServiceSettings CannedService::settings() const
{
    return ServiceSettings{wsdlUrl().toString(), std::chrono::seconds(5)};
}

QUrl CannedService::wsdlUrl() const { return m_server.url(wsdlPath()); }
QUrl CannedService::endpointUrl() const { return m_server.url(endpointPath()); }
QByteArray CannedService::wsdlPath() { return ResultsService::wsdlPath().toLatin1(); }
QByteArray CannedService::endpointPath() { return ResultsService::endpointPath().toLatin1(); }

ResultRow CannedService::row(const QString &name, const QString &resultType, const QString &code)
{
    const QStringList filler = QStringLiteral("3 10 120 40,0 171 57,0 9 3,0 2 302 81,5").split(QLatin1Char(' '));
    ResultRow row{{QStringLiteral("2003-09-14T22:00:00"), resultType, code, name}};
    std::copy(filler.begin(), filler.end(), row.values.begin() + 4);
    return row;
}

QByteArray CannedService::documentLiteralWsdl(const QUrl &endpoint)
{
    QString wsdl = QString::fromUtf8(WsdlWriter::write(endpoint.toString()));
    const auto dotAll = QRegularExpression::DotMatchesEverythingOption;
    wsdl.replace(QStringLiteral("style=\"rpc\""), QStringLiteral("style=\"document\""))
        .replace(QRegularExpression(QStringLiteral("use=\"encoded\"[^>]*\"")), QStringLiteral("use=\"literal\""))
        .replace(QRegularExpression(QStringLiteral("<wsdl:message name=\"(\\w+)\"(/>|>.*?</wsdl:message>)"), dotAll),
                 QStringLiteral("<wsdl:message name=\"\\1\"><wsdl:part name=\"p\" element=\"typens:\\1\"/></wsdl:message>"))
        .replace(QRegularExpression(QStringLiteral("<xsd:complexContent>.*</xsd:complexContent>"), dotAll),
                 QStringLiteral("<xsd:sequence><xsd:element name=\"QueryResult\" type=\"typens:QueryResult\" "
                                "maxOccurs=\"unbounded\"/></xsd:sequence>"))
        .replace(QStringLiteral("<xsd:schema "), QStringLiteral("<xsd:schema elementFormDefault=\"qualified\" "));
    QString elements;
    for (const Operation &op : Operation::all())
        elements += QStringLiteral("<xsd:element name=\"%1\"><xsd:complexType><xsd:sequence>%2</xsd:sequence>"
                                   "</xsd:complexType></xsd:element>"
                                   "<xsd:element name=\"%1Response\" type=\"typens:ArrayOfQueryResult\"/>")
                        .arg(op.name, op.takesCounty ? QStringLiteral("<xsd:element name=\"county\" "
                                                                      "type=\"xsd:string\"/>") : QString());
    return wsdl.replace(QStringLiteral("</xsd:schema>"), elements + QStringLiteral("</xsd:schema>")).toUtf8();
}

void CannedService::answer(const QString &operation, const std::vector<ResultRow> &rows)
{
    reply(CannedReply::ok(AnswerWriter(WireStyle::Inline).write(operation, rows)));
}

void CannedService::fault(const QString &faultString)
{
    reply(CannedReply::withStatus(500, FaultWriter::write(SoapFault(QStringLiteral("Server"), faultString))));
}

void CannedService::reply(const CannedReply &reply) { m_server.setReply(endpointPath(), reply); }
void CannedService::wsdlReply(const CannedReply &reply) { m_server.setReply(wsdlPath(), reply); }

int CannedService::requestsTo(const QByteArray &path) const
{
    const auto all = m_server.requests();
    return int(std::count_if(all.begin(), all.end(), [&](const auto &request) { return request.path == path; }));
}

QStringList CannedService::countyArguments() const
{
    static const QRegularExpression County(QStringLiteral("<county[^>]*>([^<]*)</county>"));
    QStringList arguments;
    for (const auto &request : m_server.requests()) {
        const auto match = County.match(QString::fromUtf8(request.body));
        if (request.path == endpointPath() && match.hasMatch())
            arguments << match.captured(1);
    }
    return arguments;
}

void CannedService::clearRequests() { m_server.clearRequests(); }
