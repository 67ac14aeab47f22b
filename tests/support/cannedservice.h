#pragma once

#include "resultrow.h"
#include "servicesettings.h"
#include "testhttpserver.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A results service whose answers a test sets: the real WSDL at the real service's paths, then
// whatever answer, fault or failure the endpoint should give next. Counts what it was asked.
class CannedService
{
public:
    CannedService();

    ServiceSettings settings() const;
    QUrl wsdlUrl() const;
    QUrl endpointUrl() const;

    // One record as the service would send it; the figures are filler.
    static ResultRow row(const QString &name, const QString &resultType = QStringLiteral("county"),
                         const QString &code = QStringLiteral("01"));
    // The service's WSDL, rewritten to document/literal: each answer element is the array itself.
    static QByteArray documentLiteralWsdl(const QUrl &endpoint);

    void answer(const QString &operation, const std::vector<ResultRow> &rows);
    void fault(const QString &faultString);
    void reply(const testsupport::CannedReply &reply);
    void wsdlReply(const testsupport::CannedReply &reply);

    // Service calls and WSDL fetches received since the last clearRequests().
    int calls() const { return requestsTo(endpointPath()); }
    int wsdlFetches() const { return requestsTo(wsdlPath()); }
    QList<testsupport::RecordedRequest> requests() const { return m_server.requests(); }
    // The text between <county ...> and </county> of each call that had one.
    QStringList countyArguments() const;
    void clearRequests();

private:
    static QByteArray wsdlPath();
    static QByteArray endpointPath();
    int requestsTo(const QByteArray &path) const;

    testsupport::TestHttpServer m_server;
};
