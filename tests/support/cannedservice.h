#pragma once

#include "cannedreply.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>

namespace testsupport {

class TestHttpServer;

// Canned documents of an ElectionResults-like service, for a TestHttpServer to serve: a WSDL in
// either binding style, answers with QueryResult records, and SOAP Faults.
class CannedService
{
public:
    enum class Style { RpcEncoded, DocumentLiteral };
    using Record = QMap<QString, QString>; // member name -> text

    static constexpr const char *WsdlPath = "/emu2003/webservices/ElectionResults/ElectionResults.wsdl";
    static constexpr const char *EndpointPath = "/emu2003/webservices/ElectionResults";

    // The service's WSDL with the given endpoint; the names and namespaces are the program's.
    static QByteArray wsdl(const QUrl &endpoint, Style style = Style::RpcEncoded);
    // An answer to `operation` holding the records in order.
    static QByteArray answer(const QString &operation, const QList<Record> &records,
                             Style style = Style::RpcEncoded);
    static QByteArray fault11(const QString &code, const QString &text);
    // A record with every member set to "<member>-<tag>", resultType "county".
    static Record record(const QString &tag);

    // Serves the WSDL at WsdlPath (endpoint: this server's EndpointPath) and `reply` at the
    // endpoint; returns the WSDL URL.
    static QUrl install(TestHttpServer &server, const CannedReply &reply,
                        Style style = Style::RpcEncoded);
};

} // namespace testsupport
