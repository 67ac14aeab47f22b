#pragma once

#include "jobresult.h"
#include "reportjob.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QSslConfiguration>
#include <QUrl>

#include <functional>

// Sends jobs to the intake with the reporter's token. A connection error, a time-out or a 503 is
// tried again after a back-off that doubles each time (0.5 s, 1 s, 2 s ... at most 30 s, or the
// Retry-After the service asks for): safe, because the service answers an identical repeat with
// 200 and counts it once.
class IntakeClient : public QObject
{
    Q_OBJECT

public:
    IntakeClient(QUrl base, QByteArray token, int attempts, QObject *parent = nullptr);

    // Trusts these certificates (PEM) for https, besides the system's.
    bool addCertificates(const QString &pemFile);

    using Done = std::function<void(const JobResult &)>;
    void send(const ReportJob &job, Done done);

    static constexpr int TimeoutMs = 30000;

private:
    void attempt(const ReportJob &job, int number, Done done);

    QNetworkAccessManager m_network;
    QUrl m_base;
    QByteArray m_token;
    int m_attempts;
    QSslConfiguration m_tls = QSslConfiguration::defaultConfiguration();
};
