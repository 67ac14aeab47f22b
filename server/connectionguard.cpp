#include "connectionguard.h"

#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 400: return QByteArrayLiteral("Bad Request");
    case 408: return QByteArrayLiteral("Request Timeout");
    case 411: return QByteArrayLiteral("Length Required");
    case 413: return QByteArrayLiteral("Payload Too Large");
    case 431: return QByteArrayLiteral("Request Header Fields Too Large");
    default: return QByteArrayLiteral("Error");
    }
}

QByteArray explanation(int status, qint64 maxBody, qint64 maxHeader)
{
    switch (status) {
    case 408: return QByteArrayLiteral("Begäran blev aldrig färdig.\n");
    case 411: return QByteArrayLiteral("Ange Content-Length; delad (chunked) kropp tas inte emot.\n");
    case 413: return "Begäran är större än " + QByteArray::number(maxBody) + " byte.\n";
    case 431: return "Begärans huvud är större än " + QByteArray::number(maxHeader) + " byte.\n";
    default: return QByteArrayLiteral("Felaktig Content-Length.\n");
    }
}

// A client that goes on sending after the refusal gets this long to read it and close.
constexpr int lingerMs = 2000;

} // namespace

ConnectionGuard::ConnectionGuard(QTcpSocket *socket, const ConnectionLimits &limits)
    : QObject(socket), m_socket(socket), m_limits(limits)
{
    connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::inspect);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ConnectionGuard::timedOut);
    restartTimer();
}

void ConnectionGuard::restartTimer()
{
    const bool midRequest = m_state == State::Body || !m_header.isEmpty();
    m_timer.start(midRequest ? m_limits.stallTimeout : m_limits.idleTimeout);
}

void ConnectionGuard::timedOut()
{
    if (m_state == State::Body || !m_header.isEmpty())
        refuse(408, m_header.left(m_header.indexOf('\r')));
    else
        m_socket->disconnectFromHost();
}

void ConnectionGuard::inspect()
{
    if (m_state == State::Refused) {
        drain();
        return;
    }
    // Only what arrived since the server last read: it reads everything on every readyRead.
    const QByteArray data = m_socket->peek(m_socket->bytesAvailable());
    inspectBytes(data);
    if (m_state != State::Refused)
        restartTimer();
}

void ConnectionGuard::inspectBytes(const QByteArray &data)
{
    qsizetype pos = 0;
    while (pos < data.size()) {
        if (m_state == State::Body) {
            const qint64 take = std::min<qint64>(m_bodyLeft, data.size() - pos);
            pos += take;
            m_bodyLeft -= take;
            if (m_bodyLeft == 0)
                m_state = State::Header;
            continue;
        }
        const qsizetype before = m_header.size();
        m_header += data.mid(pos);
        // Search only the new bytes (and the three before): a header sent a byte at a time must
        // not cost quadratic time.
        const qsizetype end = m_header.indexOf("\r\n\r\n", std::max<qsizetype>(0, before - 3));
        if (end < 0) {
            if (m_header.size() > m_limits.maxHeaderSize)
                refuse(431, m_header.left(m_header.indexOf('\r')));
            return;
        }
        pos += end + 4 - before;
        const QByteArray header = m_header.left(end);
        m_header.clear();
        if (!checkHeader(header))
            return;
    }
}

bool ConnectionGuard::checkHeader(const QByteArray &header)
{
    const QList<QByteArray> lines = header.split('\n');
    const QByteArray requestLine = lines.value(0).trimmed();
    qint64 length = 0;
    bool expectsContinue = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower() != "identity") {
            refuse(411, requestLine);
            return false;
        }
        if (name == "expect")
            expectsContinue = value.toLower() == "100-continue";
        if (name == "content-length") {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok || length < 0) {
                refuse(400, requestLine);
                return false;
            }
        }
    }
    if (length > m_limits.maxBodySize) {
        refuse(413, requestLine);
        return false;
    }
    // Qt's server never says it; .NET clients, for one, wait for it before sending a body.
    if (expectsContinue && length > 0)
        m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    m_bodyLeft = length;
    m_state = length > 0 ? State::Body : State::Header;
    return true;
}

void ConnectionGuard::refuse(int status, const QByteArray &requestLine)
{
    m_state = State::Refused;
    m_header.clear();
    m_timer.stop();
    drain();
    const QByteArray body = explanation(status, m_limits.maxBodySize, m_limits.maxHeaderSize);
    m_socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status)
                    + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    m_socket->flush();
    // Half-close so the client reads the answer and its end, rather than a reset while it still
    // sends; the linger timer closes for good.
    auto shutWrite = [socket = m_socket] {
        if (socket->bytesToWrite() == 0 && socket->socketDescriptor() != -1)
            ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
    };
    if (m_socket->bytesToWrite() == 0)
        shutWrite();
    else
        connect(m_socket, &QTcpSocket::bytesWritten, this, shutWrite);
    QTimer::singleShot(lingerMs, m_socket, [socket = m_socket] { socket->abort(); });
    Q_EMIT refused(requestLine, status);
}

void ConnectionGuard::drain()
{
    // The server may hold the connection's bytes in a read transaction; end it, so discarded
    // bytes are freed and the server never sees the refused request.
    if (m_socket->isTransactionStarted())
        m_socket->commitTransaction();
    m_socket->skip(m_socket->bytesAvailable());
}
