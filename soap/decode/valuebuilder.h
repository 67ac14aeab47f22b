#pragma once

#include "answertypes.h"
#include "decodedvalue.h"
#include "decodefailure.h"
#include "genericcustomtypemapper.h"
#include "membertext.h"
#include "referencetable.h"
#include "typeresolver.h"
#include "xmleventhandler.h"

#include <QString>

#include <string>
#include <vector>

namespace soap {

// Builds the answer's values from the elements of the Body as they stream past: records are made
// through the type mapper and filled member by member, arrays collect their items, and elements
// with an id are kept for the href references, which are resolved once the Body is read.
class ValueBuilder
{
public:
    // Where a value goes once its element ends.
    enum class Destination : unsigned char { ReturnPart, ArrayItem, Independent };
    // What a child element of an open value is.
    enum class Child : unsigned char { Value, Member, Text, Skip };

    // The encoding attributes of an element, unresolved.
    struct Attributes
    {
        const char *type = nullptr;
        const char *href = nullptr;
        const char *id = nullptr;
        const char *arrayType = nullptr;
        bool nil = false;
    };

    ValueBuilder(const DecodeSetup &setup, const AnswerExpectation &expectation, const DecodeFailure &failure);

    void setContext(const XmlContext *context) { m_context = context; }
    // withTypes false: xsi:type and arrayType are not looked at (a member's are never read).
    Attributes read(const XmlAttribute *attributes, std::size_t count, bool withTypes) const;

    void startValue(const RawName &name, const Attributes &found, Destination destination);
    // A child element of the innermost open value; Value and Member are ended by endValue() and
    // endMember(), Text and Skip need no end.
    Child startChild(const RawName &name, const XmlAttribute *attributes, std::size_t count);
    void endValue();
    void endMember();
    void characters(const char *data, int length) { m_text.characters(data, length); }

    // Once the Body is read: the return part (by name, else the first), references resolved.
    Variant result();

private:
    struct OpenValue
    {
        TypeInfo itemType; // arrays: the items' type when they carry none
        enum class Kind : unsigned char { Undetermined, Text, Object, Array, Reference, Nothing, Untyped };
        Kind kind = Kind::Nothing;
        Destination destination = Destination::Independent;
        bool sawChild = false;
        int memberCount = 0;
        QString name; // return parts only
        std::string id;
        std::string reference;
        XmlPosition position;
        ObjectPtr object;
        std::shared_ptr<ArrayValue> array;
        std::shared_ptr<UntypedValue> untyped;
    };

    struct OpenMember
    {
        const QString *name = nullptr; // in m_text's names, which only change at the next member
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

    void startArray(OpenValue &value, const Attributes &attributes);
    void startMember(const RawName &name, const Attributes &found);
    std::string idFromHref(const char *href) const;
    void registerId(const std::string &id, DecodedValue value);
    XmlPosition here() const { return m_context->position(); }
    [[noreturn]] void fail(std::int32_t number, const QString &what) const;
    Variant toVariant(const DecodedValue &value);
    Variant::Array resolveArray(ArrayValue &array);

    GenericCustomTypeMapper m_mapper;
    const DecodeFailure &m_failure;
    TypeResolver m_types;
    ReferenceTable m_references;
    MemberText m_text;
    const XmlContext *m_context = nullptr;
    QString m_returnPart;
    TypeInfo m_returnType;
    TypeInfo m_itemType;

    std::vector<OpenValue> m_values;
    OpenMember m_member;
    std::vector<ReturnCandidate> m_candidates;
    std::vector<MemberReference> m_memberReferences;
};

} // namespace soap
