#pragma once

#include "decodedvalue.h"
#include "decodefailure.h"
#include "genericcustomtypemapper.h"
#include "namespacescope.h"
#include "referencetable.h"
#include "responsedecoder.h"
#include "xmleventhandler.h"

#include <QString>
#include <QStringDecoder>
#include <QStringView>
#include <QVarLengthArray>

#include <optional>
#include <string>
#include <vector>

namespace soap {

// Turns a SOAP answer's parse events into the decoded answer as they arrive: objects are made and
// filled while their elements stream past; only references wait for the end of the Body.
class AnswerBuilder : public XmlEventHandler
{
public:
    AnswerBuilder(const DecodeSetup &setup, AnswerExpectation expectation, DecodeFailure failure);
    ~AnswerBuilder() override;

    void setContext(const XmlContext *context) override;
    void startElement(const RawName &name, const XmlAttribute *attributes, std::size_t count) override;
    void endElement() override;
    void characters(const char *data, int length) override;

    // Once the document has ended: the answer or its fault. Raises when the envelope does not
    // hold the expected answer or a reference cannot be resolved.
    DecodedAnswer result();

private:
    enum class Role : unsigned char {
        Envelope, Body, Wrapper, Value, Member, Inner, Fault, FaultCode, FaultReason, FaultText, Skip
    };
    enum class Destination : unsigned char { ReturnPart, ArrayItem, Independent };
    enum class TypeClass : unsigned char { Unknown, Mapped, Array, Simple, Other };

    struct TypeInfo
    {
        TypeClass typeClass = TypeClass::Unknown;
        int mapped = -1;
        QualifiedName name;
    };

    struct Attributes
    {
        const char *type = nullptr;
        const char *href = nullptr;
        const char *id = nullptr;
        const char *arrayType = nullptr;
        bool nil = false;
    };

    struct OpenValue
    {
        TypeInfo itemType; // arrays: the items' type when they carry none
        enum class Kind : unsigned char { Undetermined, Text, Object, Array, Reference, Nothing, Untyped };
        Kind kind = Kind::Nothing;
        Destination destination = Destination::Independent;
        bool sawChild = false;
        int memberCount = 0;
        QString name;  // return parts only
        std::string id;
        std::string reference;
        XmlPosition position;
        ObjectPtr object;
        std::shared_ptr<ArrayValue> array;
        std::shared_ptr<UntypedValue> untyped;
    };

    struct OpenMember
    {
        const QString *name = nullptr; // in m_memberNames, which only changes at the next member
        std::string id;
        std::string reference;
        XmlPosition position;
        bool nil = false;
    };

    struct MemberReference
    {
        ObjectPtr object;
        QString member;
        std::string id;
        XmlPosition position;
    };

    struct ReturnCandidate
    {
        QString name;
        DecodedValue value;
    };

    Role startEnvelope(const RawName &name);
    Role startInEnvelope(const RawName &name);
    Role startInBody(const RawName &name, const Attributes &found);
    Role startInValue(const RawName &name, const Attributes &found);
    Role startInFault(const RawName &name);
    void startValue(const RawName &name, const Attributes &found, Destination destination);
    void startMember(const RawName &name, const Attributes &found);
    void startArray(OpenValue &value, const Attributes &attributes);
    void endValue();
    void endMember();
    QStringView decodedText();
    void capture(bool on);

    // withTypes false: xsi:type and arrayType are not looked at.
    Attributes scan(const XmlAttribute *attributes, std::size_t count, bool withTypes) const;
    TypeInfo typeOf(const RawName &name, const Attributes &attributes, const TypeInfo &context) const;
    TypeInfo classify(const RawName &type) const;
    TypeInfo classify(const QualifiedName &type) const;
    TypeInfo arrayItemType(const char *arrayType) const;
    std::string idFromHref(const char *href) const;
    void reserveFor(ArrayValue &array, const char *arrayType);
    const QString &memberName(std::string_view local, int ordinal);
    static QString describe(const RawName &name);
    XmlPosition here() const;
    void registerId(const std::string &id, DecodedValue value);
    [[noreturn]] void fail(std::int32_t number, const QString &what) const;
    Variant toVariant(const DecodedValue &value);
    Variant::Array resolveArray(ArrayValue &array);

    GenericCustomTypeMapper m_mapper;
    AnswerExpectation m_expectation;
    DecodeFailure m_failure;
    ReferenceTable m_references;
    const XmlContext *m_context = nullptr;

    std::string m_answerName; // rpc: the wrapper's local name; document: the element's
    std::string m_envelopeNamespace;
    TypeInfo m_returnType;
    TypeInfo m_itemType;

    std::vector<Role> m_roles;
    std::vector<OpenValue> m_values;
    OpenMember m_member;
    std::string m_text;
    // A member's text decoded, handed to its object as a view. Decoded as QString::fromUtf8
    // would: each member on its own, a leading U+FEFF kept as text.
    QStringDecoder m_utf8{QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
    QVarLengthArray<char16_t, 256> m_decoded;
    bool m_capturing = false;
    QString *m_faultTarget = nullptr;
    bool m_faultReasonTaken = false;

    bool m_bodySeen = false;
    bool m_answerSeen = false;
    std::optional<SoapFault> m_fault;
    std::vector<ReturnCandidate> m_candidates;
    std::vector<MemberReference> m_memberReferences;

    // Records repeat their member names in the same order; keeping the converted names by
    // position spares an allocation per member.
    struct CachedName
    {
        std::string raw;
        QString name;
    };
    std::vector<CachedName> m_memberNames;
};

} // namespace soap
