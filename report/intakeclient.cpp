#include "intakeclient.h"

#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QTimer>

#include <algorithm>

IntakeClient::IntakeClient(QUrl base, QByteArray token, int attempts, QObject *parent)
    : QObject(parent),
      m_base(std::move(base)),
      m_token(std::move(token)),
      m_attempts(std::max(1, attempts))
{
}

bool IntakeClient::addCertificates(const QString &pemFile)
{
    const auto certificates = QSslCertificate::fromPath(pemFile, QSsl::Pem);
    if (certificates.isEmpty())
        return false;
    m_tls.addCaCertificates(certificates);
    return true;
}

void IntakeClient::send(const ReportJob &job, Done done)
{
    attempt(job, 1, std::move(done));
}

void IntakeClient::attempt(const ReportJob &job, int number, Done done)
{
    QUrl url = m_base;
    url.setPath(m_base.path().chopped(m_base.path().endsWith(u'/') ? 1 : 0) + job.path);
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer " + m_token);
    if (!job.contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, job.contentType);
    request.setTransferTimeout(TimeoutMs);
    request.setSslConfiguration(m_tls);
    // A redirect would carry the token elsewhere.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = m_network.sendCustomRequest(request, job.method, job.body);
    connect(reply, &QNetworkReply::finished, this, [this, reply, job, number, done = std::move(done)]() mutable {
        reply->deleteLater();
        JobResult result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        const bool network = result.status == 0;
        if (network)
            result.error = reply->errorString();
        // A certificate that is not trusted will not become trusted by asking again.
        const bool retry = (network && reply->error() != QNetworkReply::SslHandshakeFailedError) || result.status == 503;
        if (retry && number < m_attempts) {
            int waitMs = std::min(30000, 500 << std::min(number - 1, 6));
            waitMs += int(QRandomGenerator::global()->bounded(waitMs / 4 + 1));    // replicas not all at once
            const int asked = reply->rawHeader("Retry-After").toInt();
            if (result.status == 503 && asked > 0)
                waitMs = std::min(30000, asked * 1000);
            QTimer::singleShot(waitMs, this, [this, job, number, done = std::move(done)]() mutable {
                attempt(job, number + 1, std::move(done));
            });
            return;
        }
        done(result);
    });
}
