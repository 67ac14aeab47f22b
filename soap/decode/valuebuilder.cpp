#include "valuebuilder.h"

#include "errornumbers.h"
#include "soapnames.h"

#include <algorithm>

namespace soap {


ValueBuilder::ValueBuilder(const DecodeSetup &setup, const AnswerExpectation &expectation,
                           const DecodeFailure &failure)
    : m_mapper(setup)
    , m_failure(failure)
    , m_types(m_mapper, failure)
    , m_references(m_mapper, failure)
    , m_returnPart(expectation.returnPart)
{
    // In document style the part names an element, not a type.
    if (expectation.rpcStyle)
        m_returnType = m_types.classify(expectation.returnType);
    m_itemType = m_types.classify(expectation.itemType);
    m_values.reserve(16);
}

void ValueBuilder::fail(std::int32_t number, const QString &what) const
{
    throw m_failure.error(number, what);
}

ValueBuilder::Attributes ValueBuilder::read(const XmlAttribute *attributes, std::size_t count, bool withTypes) const
{
    Attributes found;
    for (std::size_t i = 0; i < count; ++i) {
        const XmlAttribute &attribute = attributes[i];
        const std::string_view local = attribute.localName;
        if (attribute.prefix.empty()) {
            if (local == "href")
                found.href = attribute.value;
            else if (local == "id")
                found.id = attribute.value;
            continue;
        }
        const bool nil = local == "nil" || local == "null";
        const bool type = withTypes && local == "type";
        const bool arrayType = withTypes && local == "arrayType";
        if (!nil && !type && !arrayType)
            continue;
        std::string_view uri;
        if (!m_context->namespaces().lookup(attribute.prefix, uri)) {
            fail(ErrorNumber::MalformedXml, QStringLiteral("odeklarerat namnrymdsprefix \"%1\" %2")
                                                .arg(soapnames::toQString(attribute.prefix), DecodeFailure::at(here())));
        }
        if (arrayType) {
            if (uri == soapnames::SoapEncoding)
                found.arrayType = attribute.value;
        } else if (soapnames::isInstanceNamespace(uri)) {
            if (type) {
                found.type = attribute.value;
            } else {
                const std::string_view flag = soapnames::trimmed(attribute.value);
                found.nil = flag == "true" || flag == "1";
            }
        }
    }
    return found;
}

ValueBuilder::Child ValueBuilder::startChild(const RawName &name, const XmlAttribute *attributes, std::size_t count)
{
    OpenValue &parent = m_values.back();
    switch (parent.kind) {
    case OpenValue::Kind::Object:
        startMember(name, read(attributes, count, false));
        return Child::Member;
    case OpenValue::Kind::Untyped:
        if (!parent.sawChild) {
            parent.sawChild = true;
            m_text.capture(false);
        }
        startMember(name, read(attributes, count, false));
        return Child::Member;
    case OpenValue::Kind::Undetermined:
        // Child elements make an untyped return part an array whose items name their types.
        parent.kind = OpenValue::Kind::Array;
        parent.array = std::make_shared<ArrayValue>();
        m_text.capture(false);
        startValue(name, read(attributes, count, true), Destination::ArrayItem);
        return Child::Value;
    case OpenValue::Kind::Array:
        startValue(name, read(attributes, count, true), Destination::ArrayItem);
        return Child::Value;
    case OpenValue::Kind::Text:
        return Child::Text;
    case OpenValue::Kind::Reference:
    case OpenValue::Kind::Nothing:
        return Child::Skip;
    }
    return Child::Skip;
}

void ValueBuilder::startValue(const RawName &name, const Attributes &found, Destination destination)
{
    OpenValue value;
    value.destination = destination;
    if (destination == Destination::ReturnPart)
        value.name = soapnames::toQString(name.localName);
    if (found.id || found.href)
        value.position = here();
    if (found.id)
        value.id = found.id;

    if (found.href) {
        value.kind = OpenValue::Kind::Reference;
        value.reference = idFromHref(found.href);
    } else if (found.nil) {
        value.kind = OpenValue::Kind::Nothing;
    } else {
        static const TypeInfo none;
        const TypeInfo &context = destination == Destination::ReturnPart ? m_returnType
            : destination == Destination::ArrayItem                      ? m_values.back().itemType
                                                                         : none;
        const TypeInfo type = m_types.typeOf(name, found.type, context, *m_context);
        const bool array = found.arrayType || type.typeClass == TypeClass::Array;

        if (destination == Destination::ArrayItem && (array || type.typeClass != TypeClass::Mapped)) {
            const QString what = array ? QStringLiteral("en inre vektor")
                : type.typeClass == TypeClass::Unknown
                    ? QStringLiteral("utan typ")
                    : QStringLiteral("av typen {%1}%2, som inte mappas till objekt")
                          .arg(type.name.namespaceUri, type.name.localName);
            fail(ErrorNumber::UnexpectedShape, QStringLiteral("vektorelementet %1 %2 är %3")
                                                   .arg(soapnames::describe(name), DecodeFailure::at(here()), what));
        }

        if (array) {
            startArray(value, found);
        } else if (type.typeClass == TypeClass::Mapped) {
            value.object = m_mapper.create(type.mapped);
            // No object from the factory: the element is skipped.
            value.kind = value.object ? OpenValue::Kind::Object : OpenValue::Kind::Nothing;
        } else if (type.typeClass == TypeClass::Simple) {
            value.kind = OpenValue::Kind::Text;
        } else if (destination == Destination::ReturnPart) {
            if (m_itemType.typeClass != TypeClass::Unknown) {
                value.kind = OpenValue::Kind::Array;
                value.array = std::make_shared<ArrayValue>();
                value.array->itemType = m_itemType.name;
                value.itemType = m_itemType;
            } else {
                value.kind = OpenValue::Kind::Undetermined;
            }
        } else if (type.typeClass == TypeClass::Unknown) {
            value.kind = OpenValue::Kind::Untyped;
            value.untyped = std::make_shared<UntypedValue>();
        } else {
            value.kind = OpenValue::Kind::Text;
        }
    }

    const OpenValue::Kind kind = value.kind;
    m_values.push_back(std::move(value));
    m_text.capture(kind == OpenValue::Kind::Text || kind == OpenValue::Kind::Undetermined
                   || kind == OpenValue::Kind::Untyped);
}

void ValueBuilder::startArray(OpenValue &value, const Attributes &attributes)
{
    value.kind = OpenValue::Kind::Array;
    value.array = std::make_shared<ArrayValue>();
    TypeInfo item = attributes.arrayType ? m_types.arrayItemType(attributes.arrayType, *m_context) : TypeInfo();
    // "xsd:anyType[]" and the like say nothing; the WSDL may. The count in brackets is the
    // sender's word only: room is made as items arrive, never reserved by it.
    if (item.typeClass == TypeClass::Unknown)
        item = m_itemType;
    value.array->itemType = item.name;
    value.itemType = std::move(item);
}

void ValueBuilder::endValue()
{
    OpenValue value = std::move(m_values.back());
    m_values.pop_back();

    DecodedValue decoded;
    switch (value.kind) {
    case OpenValue::Kind::Undetermined:
    case OpenValue::Kind::Text:
        decoded.kind = DecodedValue::Kind::Text;
        decoded.text = m_text.toQString();
        break;
    case OpenValue::Kind::Object:
        decoded.kind = DecodedValue::Kind::Object;
        decoded.object = std::move(value.object);
        break;
    case OpenValue::Kind::Array:
        decoded.kind = DecodedValue::Kind::Array;
        decoded.array = std::move(value.array);
        break;
    case OpenValue::Kind::Reference:
        decoded.kind = DecodedValue::Kind::Reference;
        decoded.reference = std::move(value.reference);
        break;
    case OpenValue::Kind::Nothing:
        break;
    case OpenValue::Kind::Untyped:
        if (!value.sawChild)
            value.untyped->text = m_text.toQString();
        decoded.kind = DecodedValue::Kind::Untyped;
        decoded.untyped = std::move(value.untyped);
        break;
    }
    decoded.position = value.position;
    m_text.capture(false);

    if (value.destination == Destination::ArrayItem) {
        ArrayValue &array = *m_values.back().array;
        if (decoded.kind == DecodedValue::Kind::Object) {
            array.items.push_back(decoded.object);
        } else if (decoded.kind == DecodedValue::Kind::Reference) {
            array.references.push_back({array.items.size(), decoded.reference, decoded.position});
            array.items.emplace_back();
        }
        // A nil item, or one the factory gave no object for, is left out.
    }
    if (!value.id.empty())
        registerId(value.id, value.destination == Destination::Independent ? std::move(decoded) : decoded);
    if (value.destination == Destination::ReturnPart)
        m_candidates.push_back({std::move(value.name), std::move(decoded)});
}

void ValueBuilder::startMember(const RawName &name, const Attributes &found)
{
    OpenValue &owner = m_values.back();
    m_member.name = &m_text.memberName(name.localName, owner.memberCount++);
    m_member.nil = found.nil;
    if (found.id)
        m_member.id = found.id;
    else
        m_member.id.clear();
    if (found.href)
        m_member.reference = idFromHref(found.href);
    else
        m_member.reference.clear();
    if (found.id || found.href)
        m_member.position = here();
    m_text.capture(true);
}

void ValueBuilder::endMember()
{
    OpenValue &owner = m_values.back();
    const QString &name = *m_member.name;
    QStringView text;
    if (!m_member.nil && m_member.reference.empty())
        text = m_text.decoded();
    m_text.capture(false);

    if (owner.kind == OpenValue::Kind::Object) {
        if (!m_member.reference.empty()) {
            m_memberReferences.push_back({owner.object, name, m_member.reference, m_member.position});
        } else if (!m_member.nil) {
            // A name the object lacks is ignored.
            owner.object->setMember(name, text);
        }
    } else {
        owner.untyped->members.push_back({name, text.toString(), m_member.reference, m_member.position, m_member.nil});
    }

    if (!m_member.id.empty()) {
        DecodedValue decoded;
        if (!m_member.reference.empty()) {
            decoded.kind = DecodedValue::Kind::Reference;
            decoded.reference = m_member.reference;
        } else if (!m_member.nil) {
            decoded.kind = DecodedValue::Kind::Text;
            decoded.text = text.toString();
        }
        decoded.position = m_member.position;
        registerId(m_member.id, std::move(decoded));
    }
}

std::string ValueBuilder::idFromHref(const char *href) const
{
    const std::string_view text = soapnames::trimmed(href);
    // Only references within this answer; nothing is ever fetched.
    if (text.size() < 2 || text.front() != '#') {
        fail(ErrorNumber::BadReference, QStringLiteral("referensen href=\"%1\" %2 pekar utanför svaret")
                                            .arg(QString::fromUtf8(href), DecodeFailure::at(here())));
    }
    return std::string(text.substr(1));
}

void ValueBuilder::registerId(const std::string &id, DecodedValue value)
{
    if (!m_references.add(id, std::move(value))) {
        fail(ErrorNumber::BadReference, QStringLiteral("id \"%1\" förekommer mer än en gång (andra gången %2)")
                                            .arg(QString::fromStdString(id), DecodeFailure::at(here())));
    }
}

Variant ValueBuilder::result()
{
    for (const MemberReference &reference : m_memberReferences) {
        if (const auto text = m_references.resolveText(reference.id, reference.position))
            reference.object->setMember(reference.member, *text);
    }
    if (m_candidates.empty())
        return {};
    auto chosen = std::find_if(m_candidates.begin(), m_candidates.end(),
                               [this](const ReturnCandidate &candidate) { return candidate.name == m_returnPart; });
    if (chosen == m_candidates.end())
        chosen = m_candidates.begin();
    return toVariant(chosen->value);
}

Variant ValueBuilder::toVariant(const DecodedValue &value)
{
    switch (value.kind) {
    case DecodedValue::Kind::Nothing:
    case DecodedValue::Kind::Untyped:
        return Variant();
    case DecodedValue::Kind::Text:
        return Variant(value.text);
    case DecodedValue::Kind::Object:
        // One record alone still reaches the caller the way every answer does: as an array.
        return Variant(Variant::Array{value.object});
    case DecodedValue::Kind::Array:
        return Variant(resolveArray(*value.array));
    case DecodedValue::Kind::Reference: {
        const DecodedValue &target = m_references.resolve(value.reference, value.position, m_returnType.name);
        return toVariant(target);
    }
    }
    return Variant();
}

Variant::Array ValueBuilder::resolveArray(ArrayValue &array)
{
    for (const PendingReference &reference : array.references) {
        const DecodedValue &target = m_references.resolve(reference.id, reference.position, array.itemType);
        if (target.kind == DecodedValue::Kind::Object) {
            array.items[reference.index] = target.object;
        } else if (target.kind != DecodedValue::Kind::Nothing) {
            fail(ErrorNumber::UnexpectedShape,
                 QStringLiteral("vektorelementet %1 leder via \"#%2\" till ett värde som inte är ett objekt")
                     .arg(DecodeFailure::at(reference.position), QString::fromStdString(reference.id)));
        }
    }
    array.references.clear();
    Variant::Array items = std::move(array.items);
    items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
    return items;
}

} // namespace soap
