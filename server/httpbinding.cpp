#include "httpbinding.h"

#include "guardedtcpserver.h"
#include "resultsservice.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QTcpSocket>

#include <cstdio>

namespace {

const QByteArray xmlType = QByteArrayLiteral("text/xml; charset=utf-8");

QByteArray methodName(QHttpServerRequest::Method method)
{
    const char *key = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return key ? QByteArray(key).toUpper() : QByteArrayLiteral("UNKNOWN");
}

} // namespace

HttpBinding::HttpBinding(ResultsService &service, bool logRequests, QObject *parent)
    : QAbstractHttpServer(parent), m_service(service), m_logRequests(logRequests)
{
}

quint16 HttpBinding::listenOn(const QHostAddress &address, quint16 port)
{
    auto server = std::make_unique<GuardedTcpServer>(ConnectionLimits(), this);
    if (!server->listen(address, port)) {
        m_listenError = server->errorString();
        return 0;
    }
    connect(server.get(), &GuardedTcpServer::refused, this,
            [this](const QHostAddress &peer, const QByteArray &requestLine, int status) {
                const QList<QByteArray> parts = requestLine.split(' ');
                log(peer, QString::fromLatin1(parts.value(0).left(16)), QString::fromLatin1(parts.value(1)),
                    QString(), status, 0);
            });
    const quint16 listening = server->serverPort();
    bind(server.release());
    return listening;
}

void HttpBinding::log(const QHostAddress &peer, const QString &method, const QString &path,
                      const QString &operation, int status, qint64 nanoseconds) const
{
    if (!m_logRequests)
        return;
    const QByteArray line = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 ms\n")
                                    .arg(QDateTime::currentDateTime().toString(Qt::ISODate), peer.toString(),
                                         method.isEmpty() ? QStringLiteral("-") : method,
                                         path.isEmpty() ? QStringLiteral("-") : path.left(200),
                                         operation.isEmpty() ? QStringLiteral("-") : operation.left(80))
                                    .arg(status)
                                    .arg(double(nanoseconds) / 1e6, 0, 'f', 2)
                                    .toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
}

bool HttpBinding::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QElapsedTimer timer;
    timer.start();
    const QString path = request.url().path();
    const auto method = request.method();
    Answer answer;
    answer.head = method == QHttpServerRequest::Method::Head;
    answer.close = request.value("Connection").toLower().contains("close");
    QString operation;

    if (path == ResultsService::wsdlPath()) {
        if (method == QHttpServerRequest::Method::Get || answer.head) {
            answer.body = m_service.wsdl(hostForWsdl(request, socket));
            answer.contentType = xmlType;
        } else {
            answer.status = Status::MethodNotAllowed;
            answer.allow = "GET, HEAD";
            answer.body = QByteArrayLiteral("Endast GET och HEAD.\n");
        }
    } else if (path == ResultsService::endpointPath()) {
        if (method != QHttpServerRequest::Method::Post) {
            answer.status = Status::MethodNotAllowed;
            answer.allow = "POST";
            answer.body = QByteArrayLiteral("Endast POST.\n");
        } else if (request.body().size() > maxBodySize) {
            // The connection guard refuses these before the body arrives; this is the backstop.
            answer.status = Status::PayloadTooLarge;
            answer.body = "Begäran är större än " + QByteArray::number(maxBodySize) + " byte.\n";
        } else {
            const SoapReply reply = m_service.call(request.body());
            operation = reply.operation;
            answer.status = Status(reply.status);
            answer.contentType = xmlType;
            answer.body = reply.body;
        }
    } else {
        answer.status = Status::NotFound;
        answer.body = QByteArrayLiteral("Sidan finns inte.\n");
    }

    send(makeResponder(request, socket), answer);
    // Qt's server keeps every connection open; a client that asked to close reads until it does.
    if (answer.close)
        socket->disconnectFromHost();
    log(request.remoteAddress(), QString::fromLatin1(methodName(method)), path, operation, int(answer.status),
        timer.nsecsElapsed());
    return true;
}

void HttpBinding::send(QHttpServerResponder responder, const Answer &answer)
{
    responder.writeStatusLine(answer.status);
    responder.writeHeader("Content-Type", answer.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    if (!answer.allow.isEmpty())
        responder.writeHeader("Allow", answer.allow);
    if (answer.close)
        responder.writeHeader("Connection", "close");
    // A HEAD answer has the GET answer's headers and no body.
    responder.writeBody(answer.head ? QByteArray() : answer.body);
}

void HttpBinding::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // Not reached: handleRequest answers every request.
    Answer answer;
    answer.status = Status::NotFound;
    answer.body = QByteArrayLiteral("Sidan finns inte.\n");
    send(makeResponder(request, socket), answer);
}

QString HttpBinding::hostForWsdl(const QHttpServerRequest &request, const QTcpSocket *socket) const
{
    // The endpoint follows the address the client used, so a WSDL fetched through any name or
    // port leads back to this server; a Host header that is no host name is not echoed.
    static const QRegularExpression validHost(
            QStringLiteral("^([A-Za-z0-9.-]{1,253}|\\[[0-9A-Fa-f:.]{2,45}\\])(:[0-9]{1,5})?$"));
    const QString host = QString::fromLatin1(request.value("Host"));
    if (validHost.match(host).hasMatch())
        return host;
    QHostAddress address = socket->localAddress();
    const QString text = address.protocol() == QAbstractSocket::IPv6Protocol
            ? QStringLiteral("[%1]").arg(address.toString())
            : address.toString();
    return QStringLiteral("%1:%2").arg(text).arg(socket->localPort());
}
