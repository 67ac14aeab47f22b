#pragma once

#include <boost/asio/ssl/context.hpp>

#include <memory>
#include <string>

// The TLS settings of a listener: its certificate chain and key (PEM files, read once), TLS 1.2
// and later only, no compression, no renegotiation, the server's cipher order. Throws
// std::runtime_error naming the file and OpenSSL's reason.
class TlsContext
{
public:
    static std::shared_ptr<boost::asio::ssl::context> fromFiles(const std::string &certificateChain,
                                                                const std::string &privateKey);
};
