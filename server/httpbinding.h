#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>

class ResultsService;

// The service over HTTP: GET (or HEAD) of the WSDL path gives the WSDL, POST to the endpoint path
// a SOAP call; another method gets 405 with Allow, another path 404, a body over the cap 413.
// Writes one log line per request to stderr when asked to.
class HttpBinding : public QAbstractHttpServer
{
    Q_OBJECT

public:
    HttpBinding(ResultsService &service, bool logRequests, QObject *parent = nullptr);

    static constexpr qint64 maxBodySize = 64 * 1024;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    QString hostForWsdl(const QHttpServerRequest &request, const QTcpSocket *socket) const;

    ResultsService &m_service;
    bool m_logRequests = true;
};
