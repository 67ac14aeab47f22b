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

using Status = QHttpServerResponder::StatusCode;

const QByteArray xmlType = QByteArrayLiteral("text/xml; charset=utf-8");
const QByteArray textType = QByteArrayLiteral("text/plain; charset=utf-8");

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
    if (!server->listen(address, port))
        return 0;
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
    QHttpServerResponder responder = makeResponder(request, socket);
    QString operation;
    Status status = Status::Ok;

    if (path == ResultsService::wsdlPath()) {
        if (method == QHttpServerRequest::Method::Get || method == QHttpServerRequest::Method::Head) {
            const QByteArray wsdl = m_service.wsdl(hostForWsdl(request, socket));
            if (method == QHttpServerRequest::Method::Head) {
                responder.writeStatusLine(status);
                responder.writeHeader("Content-Type", xmlType);
                responder.writeHeader("Content-Length", QByteArray::number(wsdl.size()));
                responder.writeBody(QByteArray());
            } else {
                responder.write(wsdl, xmlType, status);
            }
        } else {
            status = Status::MethodNotAllowed;
            responder.write(QByteArrayLiteral("Endast GET och HEAD.\n"),
                            {{"Content-Type", textType}, {"Allow", "GET, HEAD"}}, status);
        }
    } else if (path == ResultsService::endpointPath()) {
        if (method != QHttpServerRequest::Method::Post) {
            status = Status::MethodNotAllowed;
            responder.write(QByteArrayLiteral("Endast POST.\n"),
                            {{"Content-Type", textType}, {"Allow", "POST"}}, status);
        } else if (request.body().size() > maxBodySize) {
            status = Status::PayloadTooLarge;
            responder.write(QByteArrayLiteral("Begäran är större än %1 byte.\n")
                                    .replace("%1", QByteArray::number(maxBodySize)),
                            textType, status);
        } else {
            const SoapReply reply = m_service.call(request.body());
            operation = reply.operation;
            status = Status(reply.status);
            responder.write(reply.body, xmlType, status);
        }
    } else {
        status = Status::NotFound;
        responder.write(QByteArrayLiteral("Sidan finns inte.\n"), textType, status);
    }

    log(request.remoteAddress(), QString::fromLatin1(methodName(method)), path, operation, int(status),
        timer.nsecsElapsed());
    return true;
}

void HttpBinding::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    makeResponder(request, socket).write(QByteArrayLiteral("Sidan finns inte.\n"), textType, Status::NotFound);
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
