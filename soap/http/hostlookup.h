#pragma once

#include "deadline.h"

#include <QHostAddress>
#include <QList>
#include <QString>

namespace soap {

// A host name's addresses, given up at the deadline. The system's resolver cannot be interrupted,
// so it runs in a thread of its own that finishes in its own time if the caller leaves first.
class HostLookup
{
public:
    struct Result
    {
        QList<QHostAddress> addresses; // empty when the name is unknown
        bool timedOut = false;
    };

    static Result lookup(const QString &host, const Deadline &deadline);
};

} // namespace soap
