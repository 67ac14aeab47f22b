#pragma once

#include "bodysink.h"
#include "responsedecoder.h"

#include <memory>
#include <optional>

namespace soap {

class RaisedError;

// Decodes a SOAP answer as it arrives. Whatever the HTTP status, the body is read as SOAP first,
// since servers send Faults with 200, 400 and 500 alike; only a body that is no SOAP Fault makes
// an error status an HTTP error.
class AnswerSink : public BodySink
{
public:
    AnswerSink(const DecodeSetup &setup, AnswerExpectation expectation, QString where, Deadline deadline);
    ~AnswerSink() override;

    void begin(const HttpResponseHead &head) override;
    void append(const char *data, qsizetype size) override;
    char *room(qsizetype size) override;
    void commit(qsizetype size) override;

    // The decoded answer of a complete exchange; raises for an HTTP error without a Fault.
    DecodedAnswer finish();

private:
    RaisedError httpStatusError() const;
    template<typename Step>
    auto decoding(Step &&step);

    const DecodeSetup &m_setup;
    AnswerExpectation m_expectation;
    QString m_where;
    Deadline m_deadline;
    HttpResponseHead m_head;
    std::unique_ptr<ResponseDecoder> m_decoder;
};

} // namespace soap
