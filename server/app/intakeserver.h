#pragma once

#include "httplimits.h"

#include <QHostAddress>
#include <QString>

#include <memory>

class HttpServer;
class IntakeService;
class MetricsRegistry;

// A live night's intake on a listener of its own, never the SOAP port's, and on threads of its
// own: a report waits for its commit, and SOAP answers must not wait with it.
class IntakeServer
{
public:
    // The intake and the metrics outlive the server.
    IntakeServer(IntakeService &intake, const HttpLimits &soapLimits, bool logRequests, MetricsRegistry &metrics);
    ~IntakeServer();

    // Listens there, with TLS when a certificate and key are given; returns the port. Throws
    // std::runtime_error for a certificate or key that cannot be used, or an address it cannot
    // have.
    quint16 listen(const QHostAddress &address, quint16 port, const QString &tlsCertificate, const QString &tlsKey);
    // The address to print: http(s)://host:port/reports
    QString url(const QHostAddress &address, quint16 port) const;
    void start();
    // Answers what has begun and stops, from any thread.
    void drain();

    // A report waits for its commit on one of these; many wait for one commit together.
    static constexpr int Threads = 16;
    // A night's CSV in one piece: some 30,000 lines.
    static constexpr std::size_t MaxBodyBytes = 1024 * 1024;
    // Reporters are few; the rest of the descriptors are the viewers'.
    static constexpr int MaxConnections = 1000;

private:
    std::unique_ptr<HttpServer> m_server;
    bool m_tls = false;
};
