#pragma once

#include <QByteArray>
#include <QString>

// Requests as clients send them, built by the tests rather than by any code under test.
struct SoapCall
{
    static QByteArray envelope(const QString &body, const QString &header = {});
    // The county argument is left out when `county` is null.
    static QByteArray of(const QString &operation, const QString &county = QString());
    // An HTTP/1.1 POST of `body` to the service's endpoint, or to `path`.
    static QByteArray post(const QByteArray &body, const QString &path = QString());
};
