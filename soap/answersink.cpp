#include "answersink.h"

#include "errornumbers.h"
#include "raisederror.h"

namespace soap {

AnswerSink::AnswerSink(const DecodeSetup &setup, AnswerExpectation expectation, QString where)
    : m_setup(setup)
    , m_expectation(std::move(expectation))
    , m_where(std::move(where))
{
}

AnswerSink::~AnswerSink() = default;

void AnswerSink::begin(const HttpResponseHead &head)
{
    m_head = head;
    m_decoder = std::make_unique<ResponseDecoder>(m_setup, m_expectation, head.charset(),
                                                  head.url.toDisplayString());
}

void AnswerSink::append(const char *data, qsizetype size)
{
    try {
        m_decoder->feed(data, size);
    } catch (const RaisedError &) {
        if (!m_head.isSuccess())
            throw httpStatusError(); // an error page, not a Fault
        throw;
    }
}

DecodedAnswer AnswerSink::finish()
{
    if (!m_decoder)
        throw RaisedError(ErrorNumber::ConnectionClosed, QStringLiteral("SoapClient"),
                          QStringLiteral("Inget svar från %1").arg(m_where));
    DecodedAnswer answer;
    try {
        answer = m_decoder->finish();
    } catch (const RaisedError &) {
        if (!m_head.isSuccess())
            throw httpStatusError();
        throw;
    }
    if (!m_head.isSuccess() && !answer.fault)
        throw httpStatusError();
    return answer;
}

RaisedError AnswerSink::httpStatusError() const
{
    return RaisedError(ErrorNumber::HttpStatus, QStringLiteral("SoapClient"),
                       QStringLiteral("Servern svarade med HTTP-status %1 (%2) för %3")
                           .arg(m_head.status)
                           .arg(QString::fromLatin1(m_head.reason), m_head.url.toDisplayString()));
}

} // namespace soap
