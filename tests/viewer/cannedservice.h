#pragma once

#include "resultrow.h"
#include "servicesettings.h"
#include "testhttpserver.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A results service whose answers a test sets: the real WSDL, then whatever answer, fault or
// failure the endpoint should give next. Counts what the viewer asked for.
class CannedService
{
public:
    CannedService();

    ServiceSettings settings() const;

    // One record as the service would send it; the figures are filler.
    static ResultRow row(const QString &name, const QString &resultType = QStringLiteral("county"),
                         const QString &code = QStringLiteral("01"));

    void answer(const QString &operation, const std::vector<ResultRow> &rows);
    void fault(const QString &faultString);
    void reply(const testsupport::CannedReply &reply);

    // Service calls and WSDL fetches received since the last clearRequests().
    int calls() const { return requestsTo(EndpointPath); }
    int wsdlFetches() const { return requestsTo(WsdlPath); }
    // The text between <county ...> and </county> of each call that had one.
    QStringList countyArguments() const;
    void clearRequests();

private:
    static constexpr const char *WsdlPath = "/ElectionResults.wsdl";
    static constexpr const char *EndpointPath = "/soap";
    int requestsTo(const QByteArray &path) const;

    testsupport::TestHttpServer m_server;
};
