#pragma once

#include <QByteArray>
#include <QUrl>

namespace soap {

// What the transport knows of an answer before its body: status line and the headers it needs.
struct HttpResponseHead
{
    int status = 0;
    QByteArray reason;
    QByteArray contentType; // as sent, e.g. "text/xml; charset=utf-8"
    QUrl url;               // after redirects

    bool isSuccess() const { return status >= 200 && status < 300; }
    // The charset parameter of the Content-Type, without quotes; empty when there is none.
    QByteArray charset() const;
};

} // namespace soap
