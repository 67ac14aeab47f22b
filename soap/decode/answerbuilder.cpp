#include "answerbuilder.h"

#include "errornumbers.h"
#include "soapnames.h"

namespace soap {


AnswerBuilder::AnswerBuilder(const DecodeSetup &setup, AnswerExpectation expectation, DecodeFailure failure)
    : m_expectation(std::move(expectation))
    , m_failure(std::move(failure))
    , m_values(setup, m_expectation, m_failure)
{
    if (m_expectation.rpcStyle && !m_expectation.operation.isEmpty())
        m_answerName = (m_expectation.operation + QStringLiteral("Response")).toStdString();
    else if (!m_expectation.rpcStyle)
        m_answerName = m_expectation.returnType.localName.toStdString();
    m_roles.reserve(64);
}

void AnswerBuilder::setContext(const XmlContext *context)
{
    m_context = context;
    m_values.setContext(context);
}

void AnswerBuilder::fail(std::int32_t number, const QString &what) const
{
    throw m_failure.error(number, what);
}

void AnswerBuilder::characters(const char *data, int length)
{
    const Role role = m_roles.empty() ? Role::Skip : m_roles.back();
    if (role == Role::Fault || role == Role::InFault)
        m_faultReader.characters(data, length);
    else
        m_values.characters(data, length);
}

void AnswerBuilder::startElement(const RawName &name, const XmlAttribute *attributes, std::size_t count)
{
    Role role = Role::Skip;
    if (m_roles.empty()) {
        role = startEnvelope(name);
    } else {
        switch (m_roles.back()) {
        case Role::Envelope:
            role = startInEnvelope(name);
            break;
        case Role::Body:
            role = startInBody(name, attributes, count);
            break;
        case Role::Wrapper:
            m_values.startValue(name, m_values.read(attributes, count, true), ValueBuilder::Destination::ReturnPart);
            role = Role::Value;
            break;
        case Role::Value:
            switch (m_values.startChild(name, attributes, count)) {
            case ValueBuilder::Child::Value:
                role = Role::Value;
                break;
            case ValueBuilder::Child::Member:
                role = Role::Member;
                break;
            case ValueBuilder::Child::Text:
                role = Role::Text;
                break;
            case ValueBuilder::Child::Skip:
                break;
            }
            break;
        case Role::Member:
        case Role::Text:
            // Text content counts the text of nested elements too.
            role = Role::Text;
            break;
        case Role::Fault:
        case Role::InFault:
            m_faultReader.startElement(name);
            role = Role::InFault;
            break;
        case Role::Skip:
            break;
        }
    }
    m_roles.push_back(role);
}

void AnswerBuilder::endElement()
{
    const Role role = m_roles.back();
    m_roles.pop_back();
    switch (role) {
    case Role::Value:
        m_values.endValue();
        break;
    case Role::Member:
        m_values.endMember();
        break;
    case Role::InFault:
        m_faultReader.endElement();
        break;
    default:
        break;
    }
}

AnswerBuilder::Role AnswerBuilder::startEnvelope(const RawName &name)
{
    if (name.localName == "Envelope") {
        if (name.namespaceUri == soapnames::SoapEnvelope11)
            return Role::Envelope;
        // SOAP 1.1: an envelope in any other namespace is a version error, never a message.
        if (name.namespaceUri == soapnames::SoapEnvelope12)
            fail(ErrorNumber::VersionMismatch,
                 QStringLiteral("svaret är ett SOAP 1.2-meddelande, men anropet gjordes med SOAP 1.1; "
                                "det läses inte"));
        fail(ErrorNumber::VersionMismatch,
             QStringLiteral("svarets SOAP-kuvert har namnrymden \"%1\", inte SOAP 1.1:s %2; det läses inte")
                 .arg(soapnames::toQString(name.namespaceUri), soapnames::toQString(soapnames::SoapEnvelope11)));
    }
    fail(ErrorNumber::NotSoap, QStringLiteral("svaret är inget SOAP-meddelande: rotelementet är %1 %2")
                                   .arg(soapnames::describe(name), DecodeFailure::at(m_context->position())));
}

AnswerBuilder::Role AnswerBuilder::startInEnvelope(const RawName &name)
{
    // Header entries are not ours to read; the Body is read once.
    if (name.localName == "Body" && name.namespaceUri == soapnames::SoapEnvelope11 && !m_bodySeen) {
        m_bodySeen = true;
        return Role::Body;
    }
    return Role::Skip;
}

AnswerBuilder::Role AnswerBuilder::startInBody(const RawName &name, const XmlAttribute *attributes, std::size_t count)
{
    if (name.localName == "Fault" && name.namespaceUri == soapnames::SoapEnvelope11) {
        if (m_faultSeen)
            return Role::Skip;
        m_faultSeen = true;
        return Role::Fault;
    }

    // The answer's namespace is not checked: servers differ on it (body namespace, schema
    // namespace, none), while its name alone tells an answer to another operation.
    if (!m_answerSeen && (m_answerName.empty() || name.localName == m_answerName)) {
        m_answerSeen = true;
        if (m_expectation.rpcStyle)
            return Role::Wrapper;
        m_values.startValue(name, m_values.read(attributes, count, true), ValueBuilder::Destination::ReturnPart);
        return Role::Value;
    }

    // Independent elements (multiRef) may stand before or after the answer.
    const ValueBuilder::Attributes found = m_values.read(attributes, count, true);
    if (found.id) {
        m_values.startValue(name, found, ValueBuilder::Destination::Independent);
        return Role::Value;
    }
    if (!m_answerSeen) {
        fail(ErrorNumber::UnexpectedShape, QStringLiteral("väntade svarselementet <%1> men fann %2 %3")
                                               .arg(QString::fromStdString(m_answerName), soapnames::describe(name),
                                                    DecodeFailure::at(m_context->position())));
    }
    return Role::Skip;
}

DecodedAnswer AnswerBuilder::result()
{
    if (!m_bodySeen)
        fail(ErrorNumber::UnexpectedShape, QStringLiteral("SOAP-kuvertet saknar Body"));
    if (m_faultSeen)
        return {Variant(), m_faultReader.fault()};
    if (!m_answerSeen) {
        const QString expected = QString::fromStdString(m_answerName);
        fail(ErrorNumber::UnexpectedShape,
             expected.isEmpty() ? QStringLiteral("Body är tom")
                                : QStringLiteral("Body saknar svarselementet <%1>").arg(expected));
    }
    return {m_values.result(), std::nullopt};
}

} // namespace soap
