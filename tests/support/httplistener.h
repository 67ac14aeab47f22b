#pragma once

#include <QTcpServer>

namespace testsupport {

class ReplyBook;

// Accepts connections in the server's thread and gives each its own HttpConnection.
class HttpListener : public QTcpServer
{
    Q_OBJECT
public:
    explicit HttpListener(ReplyBook &book);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    ReplyBook &m_book;
};

} // namespace testsupport
