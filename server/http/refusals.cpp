#include "refusals.h"

#include <boost/beast/http/status.hpp>

#include <array>

namespace {

struct Row
{
    Refusal refusal;
    int status;
    std::string_view text;
    std::string_view name;
};

constexpr std::array<Row, 19> Table = {{
    {Refusal::BlankLines, 400, "För många tomma rader före begäran.\n", {}},
    {Refusal::HeadTooLarge, 431, "Begärans huvud är större än {} byte eller har fler än {} rader.\n", {}},
    {Refusal::Malformed, 400, "Felaktig HTTP-begäran ({}).\n", {}},
    {Refusal::BadFraming, 400, "Felaktig eller motstridig Content-Length eller Transfer-Encoding.\n", {}},
    {Refusal::FoldedField, 400, "Ett huvudfält fortsätter på nästa rad (obs-fold).\n", {}},
    {Refusal::ContentLengthTwice, 400, "Content-Length anges mer än en gång.\n", {}},
    {Refusal::HostTwice, 400, "Host anges mer än en gång.\n", {}},
    {Refusal::HostMissing, 400, "Host saknas (krävs i HTTP/1.1).\n", {}},
    {Refusal::LengthAndChunked, 400, "Både Content-Length och Transfer-Encoding.\n", {}},
    {Refusal::ChunkedOnly, 411, "Ange Content-Length; delad (chunked) kropp tas inte emot.\n", {}},
    {Refusal::TargetScheme, 400, "Endast http- och https-adresser tas emot som mål.\n", {}},
    {Refusal::TargetAuthority, 400, "Målets adress saknar värd eller har användaruppgifter.\n", {}},
    {Refusal::BodyTooLarge, 413, "Begäran är större än {} byte.\n", {}},
    {Refusal::NotFound, 404, "Sidan finns inte.\n", {}},
    {Refusal::MethodNotAllowed, 405, "Endast {}.\n", {}},
    {Refusal::InternalError, 500, "Internt fel: {}\n", {}},
    {Refusal::OutOfMemory, 503, "Tjänsten tar emot för mycket just nu, försök igen om en stund.\n", "out-of-memory"},
    {Refusal::ServerFull, 503, "För många anslutningar, försök igen om en stund.\n", "server-full"},
    {Refusal::ClientFull, 503, "För många anslutningar, försök igen om en stund.\n", "client-full"},
}};

constexpr bool inOrder()
{
    for (std::size_t i = 0; i < Table.size(); ++i) {
        if (std::size_t(Table[i].refusal) != i)
            return false;
    }
    return std::size_t(Refusal::ClientFull) + 1 == Table.size();
}
static_assert(inOrder(), "one row per refusal, in the enum's order");

const Row &row(Refusal refusal)
{
    return Table[std::size_t(refusal)];
}

} // namespace

int Refusals::status(Refusal refusal)
{
    return row(refusal).status;
}

std::string Refusals::text(Refusal refusal, Figures figures)
{
    const std::string_view text = row(refusal).text;
    std::string made;
    auto figure = figures.begin();
    std::size_t from = 0;
    for (std::size_t at = text.find("{}"); at != std::string_view::npos; at = text.find("{}", from)) {
        made.append(text.substr(from, at - from));
        if (figure != figures.end())
            made.append(*figure++);
        from = at + 2;
    }
    made.append(text.substr(from));
    return made;
}

std::string_view Refusals::name(Refusal refusal)
{
    return row(refusal).name;
}

HttpError Refusals::error(Refusal refusal, Figures figures)
{
    return HttpError(refusal, status(refusal), text(refusal, figures));
}

HttpAnswer Refusals::answer(Refusal refusal, Figures figures)
{
    HttpAnswer answer;
    answer.status = status(refusal);
    answer.body = QByteArray::fromStdString(text(refusal, figures));
    return answer;
}

std::string Refusals::closingAnswer(Refusal refusal)
{
    const int code = status(refusal);
    const std::string body = text(refusal);
    std::string answer = "HTTP/1.1 " + std::to_string(code) + ' '
            + std::string(boost::beast::http::obsolete_reason(boost::beast::http::status(code))) + "\r\n";
    if (code == 503)
        answer += "Retry-After: " + std::string(RetryAfter) + "\r\n";
    answer += "Content-Type: text/plain; charset=utf-8\r\n"
              "Content-Length: " + std::to_string(body.size()) + "\r\n"
              "Connection: close\r\n"
              "\r\n" + body;
    return answer;
}
