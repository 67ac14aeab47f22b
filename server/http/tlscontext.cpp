#include "tlscontext.h"

#include <openssl/ssl.h>

#include <stdexcept>

namespace ssl = boost::asio::ssl;

std::shared_ptr<ssl::context> TlsContext::fromFiles(const std::string &certificateChain, const std::string &privateKey)
{
    auto context = std::make_shared<ssl::context>(ssl::context::tls_server);
    context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3
                         | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 | ssl::context::no_compression
                         | ssl::context::single_dh_use);
    SSL_CTX *native = context->native_handle();
    SSL_CTX_set_options(native, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    boost::system::error_code ec;
    context->use_certificate_chain_file(certificateChain, ec);
    if (ec)
        throw std::runtime_error(certificateChain + ": " + ec.message());
    context->use_private_key_file(privateKey, ssl::context::pem, ec);
    if (ec)
        throw std::runtime_error(privateKey + ": " + ec.message());
    if (SSL_CTX_check_private_key(native) != 1)
        throw std::runtime_error(privateKey + ": nyckeln hör inte till certifikatet");
    return context;
}
