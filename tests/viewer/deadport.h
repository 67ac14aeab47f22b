#pragma once

#include <QHostAddress>
#include <QTcpServer>

// A port on 127.0.0.1 where nothing listens: taken from the system, then given back.
class DeadPort
{
public:
    static quint16 take()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
};
