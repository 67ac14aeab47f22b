#pragma once

#include "connectionlimits.h"

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QByteArray>
#include <QHostAddress>

class ResultsService;

// The service over HTTP: GET (or HEAD) of the WSDL path gives the WSDL, POST to the endpoint path
// a SOAP call; another method gets 405 with Allow, another path 404, a body over the cap 413.
// Writes one log line per request to stderr when asked to.
class HttpBinding : public QAbstractHttpServer
{
    Q_OBJECT

public:
    HttpBinding(ResultsService &service, bool logRequests, QObject *parent = nullptr);

    // Listens with every connection guarded against oversized requests; the port, or 0 on failure.
    quint16 listenOn(const QHostAddress &address, quint16 port);
    // Why the last listenOn() failed.
    QString listenError() const { return m_listenError; }

    static constexpr qint64 maxBodySize = ConnectionLimits().maxBodySize;
    static constexpr qint64 maxHeaderSize = ConnectionLimits().maxHeaderSize;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    using Status = QHttpServerResponder::StatusCode;

    struct Answer
    {
        Status status = Status::Ok;
        QByteArray contentType = QByteArrayLiteral("text/plain; charset=utf-8");
        QByteArray body;
        QByteArray allow;     // for 405
        bool head = false;    // headers only
        bool close = false;   // the client asked to close the connection after this answer
    };

    static void send(QHttpServerResponder responder, const Answer &answer);
    void log(const QHostAddress &peer, const QString &method, const QString &path, const QString &operation,
             int status, qint64 nanoseconds) const;
    QString hostForWsdl(const QHttpServerRequest &request, const QTcpSocket *socket) const;

    ResultsService &m_service;
    bool m_logRequests = true;
    QString m_listenError;
};
