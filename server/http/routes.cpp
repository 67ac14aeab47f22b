#include "routes.h"

#include "refusals.h"

#include <algorithm>

void Routes::setFallback(Handler handler)
{
    m_fallback = std::move(handler);
}

void Routes::add(std::string path, std::vector<std::string> methods, Handler handler)
{
    m_routes.push_back(Route{std::move(path), std::move(methods), std::move(handler)});
}

HttpAnswer Routes::answer(const HttpRequest &request) const
{
    const auto route = std::find_if(m_routes.begin(), m_routes.end(),
                                    [&](const Route &r) { return r.path == request.path; });
    if (route == m_routes.end()) {
        if (m_fallback)
            return m_fallback(request);
        HttpAnswer missing = Refusals::answer(Refusal::NotFound);
        missing.route = "-";
        return missing;
    }
    const auto &methods = route->methods;
    if (std::find(methods.begin(), methods.end(), request.method) != methods.end()) {
        HttpAnswer answer = route->handler(request);
        answer.route = route->path;
        return answer;
    }

    std::string allow;
    std::string spoken;
    for (std::size_t i = 0; i < methods.size(); ++i) {
        allow += (i ? ", " : "") + methods[i];
        spoken += (i == 0 ? "" : i + 1 == methods.size() ? " och " : ", ") + methods[i];
    }
    HttpAnswer answer = Refusals::answer(Refusal::MethodNotAllowed, {spoken});
    answer.allow = allow;
    answer.route = route->path;
    return answer;
}
