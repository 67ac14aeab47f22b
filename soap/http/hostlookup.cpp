#include "hostlookup.h"

#include <QHostInfo>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace soap {

namespace {

struct Pending
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    QList<QHostAddress> addresses;
};

} // namespace

HostLookup::Result HostLookup::lookup(const QString &host, const Deadline &deadline)
{
    Result result;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        result.addresses.append(literal);
        return result;
    }
    auto pending = std::make_shared<Pending>();
    std::thread([pending, host] {
        const QList<QHostAddress> addresses = QHostInfo::fromName(host).addresses();
        std::lock_guard lock(pending->mutex);
        pending->addresses = addresses;
        pending->finished = true;
        pending->done.notify_one();
    }).detach();

    std::unique_lock lock(pending->mutex);
    const auto waited = std::chrono::milliseconds(deadline.remainingMs());
    if (!pending->done.wait_for(lock, waited, [&] { return pending->finished; })) {
        result.timedOut = true;
        return result;
    }
    result.addresses = pending->addresses;
    return result;
}

} // namespace soap
