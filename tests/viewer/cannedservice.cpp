#include "cannedservice.h"

#include "answerwriter.h"
#include "faultwriter.h"
#include "wsdlwriter.h"

#include <QRegularExpression>

CannedService::CannedService()
{
    m_server.setReply(WsdlPath, testsupport::CannedReply::ok(
                                    WsdlWriter::write(m_server.url(EndpointPath).toString())));
    answer(QStringLiteral("getCountryResultsValnatt"), {});
}

ServiceSettings CannedService::settings() const
{
    ServiceSettings settings;
    settings.wsdlUrl = m_server.url(WsdlPath).toString();
    settings.timeout = std::chrono::seconds(5);
    return settings;
}

ResultRow CannedService::row(const QString &name, const QString &resultType, const QString &code)
{
    ResultRow row;
    row.values = {QStringLiteral("2003-09-14T22:00:00"), resultType, code, name,
                  QStringLiteral("3"), QStringLiteral("10"), QStringLiteral("120"),
                  QStringLiteral("40,0"), QStringLiteral("171"), QStringLiteral("57,0"),
                  QStringLiteral("9"), QStringLiteral("3,0"), QStringLiteral("2"),
                  QStringLiteral("302"), QStringLiteral("81,5")};
    return row;
}

void CannedService::answer(const QString &operation, const std::vector<ResultRow> &rows)
{
    reply(testsupport::CannedReply::ok(AnswerWriter(WireStyle::Inline).write(operation, rows)));
}

void CannedService::fault(const QString &faultString)
{
    reply(testsupport::CannedReply::withStatus(
        500, FaultWriter::write(SoapFault(QStringLiteral("Server"), faultString))));
}

void CannedService::reply(const testsupport::CannedReply &reply)
{
    m_server.setReply(EndpointPath, reply);
}

int CannedService::requestsTo(const QByteArray &path) const
{
    int count = 0;
    for (const auto &request : m_server.requests())
        count += request.path == path;
    return count;
}

QStringList CannedService::countyArguments() const
{
    static const QRegularExpression county(QStringLiteral("<county[^>]*>([^<]*)</county>"));
    QStringList arguments;
    for (const auto &request : m_server.requests()) {
        const auto match = county.match(QString::fromUtf8(request.body));
        if (request.path == EndpointPath && match.hasMatch())
            arguments << match.captured(1);
    }
    return arguments;
}

void CannedService::clearRequests()
{
    m_server.clearRequests();
}
