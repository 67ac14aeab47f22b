#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

namespace testsupport {

// One request as the test server received it.
struct RecordedRequest
{
    QByteArray method;
    QByteArray path;    // with the query, as on the request line
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first header of that name, compared without regard to case; empty when absent.
    QByteArray header(const QByteArray &name) const
    {
        for (const auto &header : headers) {
            if (header.first.compare(name, Qt::CaseInsensitive) == 0)
                return header.second;
        }
        return {};
    }
};

} // namespace testsupport
