#pragma once

#include <QByteArray>

#include <string>

// One complete request as the routes see it.
struct HttpRequest
{
    std::string method;
    std::string path;         // the target without its query
    std::string authority;    // a valid host[:port] from the Host header, else the listening address
    std::string client;       // the client's address
    std::string authorization;    // the Authorization header, as sent
    QByteArray body;
};
