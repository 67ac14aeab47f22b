#include "outgoinganswer.h"

#include "refusals.h"

#include <cstdio>
#include <ctime>

namespace http = boost::beast::http;

namespace {

// The Date header (RFC 9110, IMF-fixdate), made once a second per thread. Names spelt out: the
// C library would give the process locale's.
const char *httpDate()
{
    static constexpr const char *Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char *Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    thread_local std::time_t made = -1;
    thread_local char text[32];
    const std::time_t now = std::time(nullptr);
    if (now != made) {
        std::tm utc{};
        gmtime_r(&now, &utc);
        std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", Days[utc.tm_wday], utc.tm_mday,
                      Months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
        made = now;
    }
    return text;
}

} // namespace

void OutgoingAnswer::set(const HttpAnswer &answer, unsigned version, bool keepAlive, bool headersOnly)
{
    m_body = answer.body;
    m_message = Message();
    m_message.version(version);
    m_message.result(unsigned(answer.status));
    m_message.set(http::field::date, httpDate());
    m_message.set(http::field::content_type,
                  std::string_view(answer.contentType.constData(), std::size_t(answer.contentType.size())));
    if (!answer.allow.empty())
        m_message.set(http::field::allow, answer.allow);
    if (!answer.challenge.empty())
        m_message.set(http::field::www_authenticate, answer.challenge);
    if (answer.status == 503)
        m_message.set(http::field::retry_after, Refusals::RetryAfter);
    m_message.keep_alive(keepAlive);
    m_message.content_length(std::uint64_t(m_body.size()));
    if (!headersOnly)
        m_message.body() = Message::body_type::value_type(m_body.constData(), std::size_t(m_body.size()));
}
