#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

namespace soap {

// One HTTP request as the transport sends it: a GET when there is no body, a POST otherwise.
struct OutgoingRequest
{
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    bool post = false;
};

} // namespace soap
