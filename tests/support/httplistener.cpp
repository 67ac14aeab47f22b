#include "httplistener.h"

#include "httpconnection.h"

#include <QTcpSocket>

namespace testsupport {

HttpListener::HttpListener(ReplyBook &book)
    : m_book(book)
{
}

void HttpListener::incomingConnection(qintptr socketDescriptor)
{
    auto *socket = new QTcpSocket;
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    new HttpConnection(socket, m_book, this);
}

} // namespace testsupport
