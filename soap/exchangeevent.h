#pragma once

#include "httpresponsehead.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace soap {

// What the network thread tells the waiting caller about one exchange.
struct ExchangeEvent
{
    enum class Kind { Head, Data, Done, Failed };

    Kind kind = Kind::Done;
    HttpResponseHead head;        // Head
    QByteArray data;              // Data
    std::int32_t errorNumber = 0; // Failed
    QString errorDescription;     // Failed
};

} // namespace soap
