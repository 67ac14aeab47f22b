#include "httpconnection.h"

#include "replybook.h"

#include <QTcpSocket>
#include <QTimer>

namespace testsupport {

HttpConnection::HttpConnection(QTcpSocket *socket, ReplyBook &book, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_book(book)
{
    socket->setParent(this);
    // Head and body go out in separate writes; without this, Nagle and delayed ACKs add 40 ms.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readRequests);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
}

void HttpConnection::readRequests()
{
    m_buffer += m_socket->readAll();
    RecordedRequest request;
    while (!m_busy && takeRequest(request)) {
        m_book.record(request);
        answer(m_book.replyFor(request.path));
    }
}

bool HttpConnection::takeRequest(RecordedRequest &request)
{
    const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    RecordedRequest parsed;
    parsed.method = requestLine.value(0);
    parsed.path = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        parsed.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    const qsizetype bodyStart = headEnd + 4;
    if (m_buffer.size() - bodyStart < contentLength)
        return false;
    parsed.body = m_buffer.mid(bodyStart, contentLength);
    m_buffer.remove(0, bodyStart + contentLength);
    request = parsed;
    return true;
}

void HttpConnection::answer(const CannedReply &reply)
{
    if (reply.stall) {
        m_busy = true; // the socket stays open and silent until the client gives up
        return;
    }
    m_busy = true;
    QTimer::singleShot(reply.delay, this, [this, reply] {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
            + (reply.reason.isEmpty() ? CannedReply::reasonPhrase(reply.status) : reply.reason)
            + "\r\n";
        for (const auto &header : reply.headers)
            head += header.first + ": " + header.second + "\r\n";
        const qsizetype length = reply.body().size();
        if (reply.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else
            head += "Content-Length: "
                + QByteArray::number(reply.closeMidAnswer ? length + 1000 : length) + "\r\n";
        head += "\r\n";
        m_socket->write(head);
        writeChunk(reply, 0);
    });
}

void HttpConnection::writeChunk(const CannedReply &reply, int index)
{
    for (; index < reply.chunks.size(); ++index) {
        const QByteArray &chunk = reply.chunks.at(index);
        if (!reply.chunked)
            m_socket->write(chunk);
        else if (!chunk.isEmpty())
            m_socket->write(QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n");
        if (reply.chunkDelay.count() > 0 && index + 1 < reply.chunks.size()) {
            m_socket->flush();
            QTimer::singleShot(reply.chunkDelay, this,
                               [this, reply, index] { writeChunk(reply, index + 1); });
            return;
        }
    }
    finishReply(reply);
}

void HttpConnection::finishReply(const CannedReply &reply)
{
    if (reply.closeMidAnswer) {
        m_socket->disconnectFromHost();
        return;
    }
    if (reply.chunked)
        m_socket->write("0\r\n\r\n");
    m_busy = false;
    if (!m_buffer.isEmpty())
        QTimer::singleShot(0, this, &HttpConnection::readRequests);
}

} // namespace testsupport
