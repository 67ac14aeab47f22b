#pragma once

#include "httpanswer.h"
#include "httprequest.h"

#include <functional>
#include <string>
#include <vector>

// Which handler answers which path and methods. A path that is not listed gets 404 (or goes to
// the fallback, if there is one), a method the path does not take 405 with Allow. A route that
// takes HEAD answers it as GET; the session leaves out the body.
class Routes
{
public:
    using Handler = std::function<HttpAnswer(const HttpRequest &)>;

    void add(std::string path, std::vector<std::string> methods, Handler handler);
    // Answers every path not added, whatever the method; it names its route itself.
    void setFallback(Handler handler);

    HttpAnswer answer(const HttpRequest &request) const;

private:
    struct Route
    {
        std::string path;
        std::vector<std::string> methods;
        Handler handler;
    };

    std::vector<Route> m_routes;
    Handler m_fallback;
};
