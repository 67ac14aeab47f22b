#pragma once

#include "answertypes.h"
#include "decodefailure.h"
#include "faultreader.h"
#include "valuebuilder.h"
#include "xmleventhandler.h"

#include <optional>
#include <string>
#include <vector>

namespace soap {

// Turns a SOAP answer's parse events into the decoded answer as they arrive: it knows the
// envelope's shape and hands each element to the part that reads it, a Fault to the fault reader
// and the answer's values to the value builder.
class AnswerBuilder : public XmlEventHandler
{
public:
    AnswerBuilder(const DecodeSetup &setup, AnswerExpectation expectation, DecodeFailure failure);

    void setContext(const XmlContext *context) override;
    void startElement(const RawName &name, const XmlAttribute *attributes, std::size_t count) override;
    void endElement() override;
    void characters(const char *data, int length) override;

    // Once the document has ended: the answer or its fault. Raises when the envelope does not
    // hold the expected answer or a reference cannot be resolved.
    DecodedAnswer result();

private:
    // What an open element is to the answer.
    enum class Role : unsigned char { Envelope, Body, Wrapper, Value, Member, Text, Fault, InFault, Skip };

    Role startEnvelope(const RawName &name);
    Role startInEnvelope(const RawName &name);
    Role startInBody(const RawName &name, const XmlAttribute *attributes, std::size_t count);
    [[noreturn]] void fail(std::int32_t number, const QString &what) const;

    AnswerExpectation m_expectation;
    DecodeFailure m_failure;
    ValueBuilder m_values;
    FaultReader m_faultReader;
    const XmlContext *m_context = nullptr;

    std::string m_answerName; // rpc: the wrapper's local name; document: the element's
    std::vector<Role> m_roles;
    bool m_bodySeen = false;
    bool m_answerSeen = false;
    bool m_faultSeen = false;
};

} // namespace soap
