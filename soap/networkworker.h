#pragma once

#include "httprequest.h"
#include "proxysetting.h"
#include "transportlimits.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace soap {

class ExchangeQueue;

// Lives in the transport's network thread and runs one exchange at a time, reading the answer
// into the exchange's queue only as fast as the caller takes it.
class NetworkWorker : public QObject
{
    Q_OBJECT
public:
    explicit NetworkWorker(TransportLimits limits);

    // All of these run in the network thread.
    void setProxy(const ProxySetting &proxy);
    void start(const HttpRequest &request, const std::shared_ptr<ExchangeQueue> &queue);
    void pump();
    void abort();

private:
    QNetworkAccessManager &manager();
    void onFinished();
    void sendHead();
    void fail(std::int32_t number, const QString &description);
    void release();

    const TransportLimits m_limits;
    ProxySetting m_proxy;
    QNetworkAccessManager *m_manager = nullptr; // child; made in the network thread
    QPointer<QNetworkReply> m_reply;
    std::shared_ptr<ExchangeQueue> m_queue;
    QUrl m_url;
    qint64 m_received = 0;
    bool m_headSent = false;
    bool m_finished = false;
};

} // namespace soap
