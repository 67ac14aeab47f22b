#pragma once

#include <QByteArray>
#include <QObject>

class QTcpSocket;

// Watches the bytes coming in on one connection, ahead of the HTTP server that reads them, and
// refuses a request whose header or declared body is over the cap before the body is read: Qt's
// HTTP server would otherwise hold any body in memory whole. A refused connection gets its status
// (413 body too large, 411 chunked body, 431 header too large, 400 bad length), is half-closed
// and drained, and the server sees nothing more of it.
class RequestSizeGuard : public QObject
{
    Q_OBJECT

public:
    // Must be made before anyone else connects to the socket's readyRead.
    RequestSizeGuard(QTcpSocket *socket, qint64 maxBodySize, qint64 maxHeaderSize);

Q_SIGNALS:
    void refused(const QByteArray &requestLine, int status);

private:
    enum class State { Header, Body, Refused };

    void inspect();
    // Reads one complete request header; false if the request was refused.
    bool checkHeader(const QByteArray &header);
    void refuse(int status, const QByteArray &requestLine);
    void drain();

    QTcpSocket *m_socket = nullptr;
    qint64 m_maxBodySize = 0;
    qint64 m_maxHeaderSize = 0;
    State m_state = State::Header;
    QByteArray m_header;        // the part of the current header seen so far
    qint64 m_bodyLeft = 0;
};
