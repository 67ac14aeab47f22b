#include "routes.h"

#include <algorithm>

namespace {

HttpAnswer textAnswer(int status, const std::string &text)
{
    HttpAnswer answer;
    answer.status = status;
    answer.body = QByteArray::fromStdString(text);
    return answer;
}

} // namespace

void Routes::add(std::string path, std::vector<std::string> methods, Handler handler)
{
    m_routes.push_back(Route{std::move(path), std::move(methods), std::move(handler)});
}

HttpAnswer Routes::answer(const HttpRequest &request) const
{
    const auto route = std::find_if(m_routes.begin(), m_routes.end(),
                                    [&](const Route &r) { return r.path == request.path; });
    if (route == m_routes.end())
        return textAnswer(404, "Sidan finns inte.\n");
    const auto &methods = route->methods;
    if (std::find(methods.begin(), methods.end(), request.method) != methods.end())
        return route->handler(request);

    std::string allow;
    std::string spoken;
    for (std::size_t i = 0; i < methods.size(); ++i) {
        allow += (i ? ", " : "") + methods[i];
        spoken += (i == 0 ? "" : i + 1 == methods.size() ? " och " : ", ") + methods[i];
    }
    HttpAnswer answer = textAnswer(405, "Endast " + spoken + ".\n");
    answer.allow = allow;
    return answer;
}
