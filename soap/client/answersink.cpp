#include "answersink.h"

#include "errornumbers.h"
#include "layererror.h"
#include "raisederror.h"

namespace soap {

AnswerSink::AnswerSink(const DecodeSetup &setup, AnswerExpectation expectation, QString where, Deadline deadline)
    : m_setup(setup)
    , m_expectation(std::move(expectation))
    , m_where(std::move(where))
    , m_deadline(deadline)
{
}

AnswerSink::~AnswerSink() = default;

void AnswerSink::begin(const HttpResponseHead &head)
{
    m_head = head;
    m_decoder = std::make_unique<ResponseDecoder>(m_setup, m_expectation, head.charset(),
                                                  head.url.toDisplayString(), m_deadline);
}

template<typename Step>
auto AnswerSink::decoding(Step &&step)
{
    try {
        return step();
    } catch (const RaisedError &error) {
        // An error page is no Fault: its status says more than its XML. But the deadline, and an
        // envelope of another SOAP version, say what happened whatever the status.
        if (!m_head.isSuccess() && error.number() != ErrorNumber::Timeout
            && error.number() != ErrorNumber::VersionMismatch)
            throw httpStatusError();
        throw;
    }
}

void AnswerSink::append(const char *data, qsizetype size)
{
    decoding([&] { m_decoder->feed(data, size); });
}

char *AnswerSink::room(qsizetype size)
{
    return decoding([&] { return m_decoder->room(size); });
}

void AnswerSink::commit(qsizetype size)
{
    decoding([&] { m_decoder->commit(size); });
}

DecodedAnswer AnswerSink::finish()
{
    if (!m_decoder)
        throw LayerError::make(ErrorNumber::ConnectionClosed,
                               QStringLiteral("Inget svar från %1").arg(m_where));
    DecodedAnswer answer = decoding([&] { return m_decoder->finish(); });
    if (!m_head.isSuccess() && !answer.fault)
        throw httpStatusError();
    return answer;
}

RaisedError AnswerSink::httpStatusError() const
{
    return LayerError::make(ErrorNumber::HttpStatus,
                            QStringLiteral("Servern svarade med HTTP-status %1 (%2) för %3")
                                .arg(m_head.status)
                                .arg(QString::fromLatin1(m_head.reason), m_head.url.toDisplayString()));
}

} // namespace soap
