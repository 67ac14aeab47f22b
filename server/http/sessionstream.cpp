#include "sessionstream.h"

SessionStream::SessionStream(Socket socket, boost::asio::ssl::context *tls)
{
    if (tls)
        m_tls.emplace(Stream(std::move(socket)), *tls);
    else
        m_plain.emplace(std::move(socket));
}
