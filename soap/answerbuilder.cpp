#include "answerbuilder.h"

#include "errornumbers.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace soap {

namespace {

constexpr std::string_view SoapEnvelope11 = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::string_view SoapEnvelope12 = "http://www.w3.org/2003/05/soap-envelope";
constexpr std::string_view SoapEncoding = "http://schemas.xmlsoap.org/soap/encoding/";
// Servers of the early 2000s still write the 1999 and 2000 schema drafts.
constexpr std::string_view SchemaNamespaces[] = {
    "http://www.w3.org/2001/XMLSchema",
    "http://www.w3.org/1999/XMLSchema",
    "http://www.w3.org/2000/10/XMLSchema",
};
constexpr std::string_view InstanceNamespaces[] = {
    "http://www.w3.org/2001/XMLSchema-instance",
    "http://www.w3.org/1999/XMLSchema-instance",
    "http://www.w3.org/2000/10/XMLSchema-instance",
};

bool isOneOf(std::string_view value, const std::string_view (&set)[3])
{
    return std::find(std::begin(set), std::end(set), value) != std::end(set);
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

AnswerBuilder::AnswerBuilder(const DecodeSetup &setup, AnswerExpectation expectation, DecodeFailure failure)
    : m_mapper(setup)
    , m_expectation(std::move(expectation))
    , m_failure(std::move(failure))
    , m_references(m_mapper, m_failure)
{
    if (m_expectation.rpcStyle && !m_expectation.operation.isEmpty())
        m_answerName = (m_expectation.operation + QStringLiteral("Response")).toStdString();
    else if (!m_expectation.rpcStyle)
        m_answerName = m_expectation.returnType.localName.toStdString();
    // In document style the part names an element, not a type.
    if (m_expectation.rpcStyle)
        m_returnType = classify(m_expectation.returnType);
    m_itemType = classify(m_expectation.itemType);
    m_roles.reserve(64);
    m_values.reserve(16);
}

AnswerBuilder::~AnswerBuilder() = default;

void AnswerBuilder::setContext(const XmlContext *context)
{
    m_context = context;
}

XmlPosition AnswerBuilder::here() const
{
    return m_context ? m_context->position() : XmlPosition();
}

void AnswerBuilder::registerId(const std::string &id, DecodedValue value)
{
    if (!m_references.add(id, std::move(value))) {
        fail(ErrorNumber::BadReference, QStringLiteral("id \"%1\" förekommer mer än en gång (andra gången %2)")
                                            .arg(QString::fromStdString(id), DecodeFailure::at(here())));
    }
}

void AnswerBuilder::fail(std::int32_t number, const QString &what) const
{
    throw m_failure.error(number, what);
}

QString AnswerBuilder::describe(const RawName &name)
{
    if (name.namespaceUri.empty())
        return QStringLiteral("<%1>").arg(toQString(name.localName));
    return QStringLiteral("<%1> (namnrymd %2)").arg(toQString(name.localName), toQString(name.namespaceUri));
}

void AnswerBuilder::characters(const char *data, int length)
{
    if (m_capturing)
        m_text.append(data, std::size_t(length));
}

void AnswerBuilder::capture(bool on)
{
    m_capturing = on;
    m_text.clear();
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
            role = startInBody(name, scan(attributes, count, true));
            break;
        case Role::Wrapper:
            startValue(name, scan(attributes, count, true), Destination::ReturnPart);
            role = Role::Value;
            break;
        case Role::Value: {
            // A member's xsi:type is never read: members are text.
            const OpenValue::Kind kind = m_values.back().kind;
            const bool member = kind == OpenValue::Kind::Object || kind == OpenValue::Kind::Untyped;
            role = startInValue(name, scan(attributes, count, !member));
            break;
        }
        case Role::Member:
        case Role::Inner:
        case Role::FaultText:
            // Text content counts the text of nested elements too.
            role = Role::Inner;
            break;
        case Role::Fault:
            role = startInFault(name);
            break;
        case Role::FaultCode:
            if (name.localName == "Value" && m_fault->code.isEmpty()) {
                m_faultTarget = &m_fault->code;
                capture(true);
                role = Role::FaultText;
            }
            break;
        case Role::FaultReason:
            if (name.localName == "Text" && !m_faultReasonTaken) {
                m_faultReasonTaken = true;
                m_faultTarget = &m_fault->string;
                capture(true);
                role = Role::FaultText;
            }
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
        endValue();
        break;
    case Role::Member:
        endMember();
        break;
    case Role::FaultText:
        *m_faultTarget = toQString(m_text);
        m_faultTarget = nullptr;
        capture(false);
        break;
    default:
        break;
    }
}

AnswerBuilder::Role AnswerBuilder::startEnvelope(const RawName &name)
{
    if (name.localName == "Envelope" && (name.namespaceUri == SoapEnvelope11 || name.namespaceUri == SoapEnvelope12)) {
        m_envelopeNamespace = std::string(name.namespaceUri);
        return Role::Envelope;
    }
    fail(ErrorNumber::NotSoap, QStringLiteral("svaret är inget SOAP-meddelande: rotelementet är %1 %2")
                                   .arg(describe(name), DecodeFailure::at(here())));
}

AnswerBuilder::Role AnswerBuilder::startInEnvelope(const RawName &name)
{
    // Header entries are not ours to read; the Body is read once.
    if (name.localName == "Body" && name.namespaceUri == m_envelopeNamespace && !m_bodySeen) {
        m_bodySeen = true;
        return Role::Body;
    }
    return Role::Skip;
}

AnswerBuilder::Role AnswerBuilder::startInBody(const RawName &name, const Attributes &found)
{
    if (name.localName == "Fault" && (name.namespaceUri == SoapEnvelope11 || name.namespaceUri == SoapEnvelope12)) {
        if (m_fault)
            return Role::Skip;
        m_fault.emplace();
        return Role::Fault;
    }

    // The answer's namespace is not checked: servers differ on it (body namespace, schema
    // namespace, none), while its name alone tells an answer to another operation.
    if (!m_answerSeen && (m_answerName.empty() || name.localName == m_answerName)) {
        m_answerSeen = true;
        if (m_expectation.rpcStyle)
            return Role::Wrapper;
        startValue(name, found, Destination::ReturnPart);
        return Role::Value;
    }

    // Independent elements (multiRef) may stand before or after the answer.
    if (found.id) {
        startValue(name, found, Destination::Independent);
        return Role::Value;
    }
    if (!m_answerSeen) {
        fail(ErrorNumber::UnexpectedShape, QStringLiteral("väntade svarselementet <%1> men fann %2 %3")
                                               .arg(QString::fromStdString(m_answerName), describe(name),
                                                    DecodeFailure::at(here())));
    }
    return Role::Skip;
}

AnswerBuilder::Role AnswerBuilder::startInFault(const RawName &name)
{
    const std::string_view local = name.localName;
    if (local == "faultcode" && m_fault->code.isEmpty()) {
        m_faultTarget = &m_fault->code;
        capture(true);
        return Role::FaultText;
    }
    if (local == "faultstring" && m_fault->string.isEmpty()) {
        m_faultTarget = &m_fault->string;
        capture(true);
        return Role::FaultText;
    }
    if (local == "Code")
        return Role::FaultCode;
    if (local == "Reason")
        return Role::FaultReason;
    return Role::Skip;
}

AnswerBuilder::Role AnswerBuilder::startInValue(const RawName &name, const Attributes &found)
{
    OpenValue &parent = m_values.back();
    switch (parent.kind) {
    case OpenValue::Kind::Object:
        startMember(name, found);
        return Role::Member;
    case OpenValue::Kind::Untyped:
        if (!parent.sawChild) {
            parent.sawChild = true;
            capture(false);
        }
        startMember(name, found);
        return Role::Member;
    case OpenValue::Kind::Undetermined:
        // Child elements make an untyped return part an array whose items name their types.
        parent.kind = OpenValue::Kind::Array;
        parent.array = std::make_shared<ArrayValue>();
        capture(false);
        startValue(name, found, Destination::ArrayItem);
        return Role::Value;
    case OpenValue::Kind::Array:
        startValue(name, found, Destination::ArrayItem);
        return Role::Value;
    case OpenValue::Kind::Text:
        return Role::Inner;
    case OpenValue::Kind::Reference:
    case OpenValue::Kind::Nothing:
        return Role::Skip;
    }
    return Role::Skip;
}

void AnswerBuilder::startValue(const RawName &name, const Attributes &found, Destination destination)
{
    OpenValue value;
    value.destination = destination;
    if (destination == Destination::ReturnPart)
        value.name = toQString(name.localName);
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
        const TypeInfo type = typeOf(name, found, context);
        const bool array = found.arrayType || type.typeClass == TypeClass::Array;

        if (destination == Destination::ArrayItem && (array || type.typeClass != TypeClass::Mapped)) {
            const QString what = array ? QStringLiteral("en inre vektor")
                : type.typeClass == TypeClass::Unknown
                    ? QStringLiteral("utan typ")
                    : QStringLiteral("av typen {%1}%2, som inte mappas till objekt")
                          .arg(type.name.namespaceUri, type.name.localName);
            fail(ErrorNumber::UnexpectedShape, QStringLiteral("vektorelementet %1 %2 är %3")
                                                   .arg(describe(name), DecodeFailure::at(here()), what));
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
    capture(kind == OpenValue::Kind::Text || kind == OpenValue::Kind::Undetermined
            || kind == OpenValue::Kind::Untyped);
}

void AnswerBuilder::startArray(OpenValue &value, const Attributes &attributes)
{
    value.kind = OpenValue::Kind::Array;
    value.array = std::make_shared<ArrayValue>();
    TypeInfo item = attributes.arrayType ? arrayItemType(attributes.arrayType) : TypeInfo();
    // "xsd:anyType[]" and the like say nothing; the WSDL may.
    if (item.typeClass == TypeClass::Unknown)
        item = m_itemType;
    value.array->itemType = item.name;
    value.itemType = std::move(item);
    if (attributes.arrayType)
        reserveFor(*value.array, attributes.arrayType);
}

void AnswerBuilder::endValue()
{
    OpenValue value = std::move(m_values.back());
    m_values.pop_back();

    DecodedValue decoded;
    switch (value.kind) {
    case OpenValue::Kind::Undetermined:
    case OpenValue::Kind::Text:
        decoded.kind = DecodedValue::Kind::Text;
        decoded.text = toQString(m_text);
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
            value.untyped->text = toQString(m_text);
        decoded.kind = DecodedValue::Kind::Untyped;
        decoded.untyped = std::move(value.untyped);
        break;
    }
    decoded.position = value.position;
    capture(false);

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

void AnswerBuilder::startMember(const RawName &name, const Attributes &found)
{
    OpenValue &owner = m_values.back();
    m_member.name = &memberName(name.localName, owner.memberCount++);
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
    capture(true);
}

void AnswerBuilder::endMember()
{
    OpenValue &owner = m_values.back();
    const QString &name = *m_member.name;
    QStringView text;
    if (!m_member.nil && m_member.reference.empty())
        text = decodedText();
    capture(false);

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

QStringView AnswerBuilder::decodedText()
{
    // The buffer only grows: after the first few records no member allocates.
    const qsizetype need = m_utf8.requiredSpace(qsizetype(m_text.size()));
    if (m_decoded.size() < need)
        m_decoded.resize(need);
    char16_t *const begin = m_decoded.data();
    // Members are mostly short ASCII (codes, counts): widened here without the decoder's call.
    std::size_t length = 0;
    for (; length < m_text.size(); ++length) {
        const auto byte = static_cast<unsigned char>(m_text[length]);
        if (byte >= 0x80)
            break;
        begin[length] = char16_t(byte);
    }
    if (length == m_text.size())
        return QStringView(begin, qsizetype(length));
    const QByteArrayView rest(m_text.data() + length, qsizetype(m_text.size() - length));
    QChar *const start = reinterpret_cast<QChar *>(begin + length);
    const QChar *const end = m_utf8.appendToBuffer(start, rest);
    return QStringView(begin, qsizetype(length) + (end - start));
}

AnswerBuilder::Attributes AnswerBuilder::scan(const XmlAttribute *attributes, std::size_t count,
                                              bool withTypes) const
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
                                                .arg(toQString(attribute.prefix), DecodeFailure::at(here())));
        }
        if (arrayType) {
            if (uri == SoapEncoding)
                found.arrayType = attribute.value;
        } else if (isOneOf(uri, InstanceNamespaces)) {
            if (type) {
                found.type = attribute.value;
            } else {
                const std::string_view flag = trimmed(attribute.value);
                found.nil = flag == "true" || flag == "1";
            }
        }
    }
    return found;
}

AnswerBuilder::TypeInfo AnswerBuilder::typeOf(const RawName &name, const Attributes &attributes,
                                              const TypeInfo &context) const
{
    if (attributes.type) {
        RawName type;
        if (!m_context->namespaces().resolve(trimmed(attributes.type), type)) {
            fail(ErrorNumber::MalformedXml, QStringLiteral("prefixet i xsi:type=\"%1\" %2 är inte deklarerat")
                                                .arg(QString::fromUtf8(attributes.type), DecodeFailure::at(here())));
        }
        return classify(type);
    }
    // SOAP encoding lets an element named after a type (SOAP-ENC:Array, SOAP-ENC:string) carry it.
    if (name.namespaceUri == SoapEncoding)
        return classify(name);
    return context;
}

AnswerBuilder::TypeInfo AnswerBuilder::classify(const RawName &type) const
{
    TypeInfo info;
    const bool schema = isOneOf(type.namespaceUri, SchemaNamespaces);
    if (schema && (type.localName == "anyType" || type.localName == "ur-type"))
        return info;
    if (const int index = m_mapper.find(type); index >= 0) {
        info.typeClass = TypeClass::Mapped;
        info.mapped = index;
        info.name = m_mapper.typeName(index);
        return info;
    }
    info.name = {toQString(type.namespaceUri), toQString(type.localName)};
    if (type.namespaceUri == SoapEncoding)
        info.typeClass = type.localName == "Array" ? TypeClass::Array : TypeClass::Simple;
    else if (schema)
        info.typeClass = TypeClass::Simple;
    else
        info.typeClass = TypeClass::Other;
    return info;
}

AnswerBuilder::TypeInfo AnswerBuilder::classify(const QualifiedName &type) const
{
    if (type.isEmpty())
        return {};
    const std::string uri = type.namespaceUri.toStdString();
    const std::string local = type.localName.toStdString();
    return classify(RawName{uri, local});
}

AnswerBuilder::TypeInfo AnswerBuilder::arrayItemType(const char *arrayType) const
{
    // "ns:QueryResult[22]"; "ns:QueryResult[][3]" holds arrays.
    const std::string_view text = trimmed(arrayType);
    const auto bracket = text.find('[');
    RawName type;
    if (!m_context->namespaces().resolve(trimmed(text.substr(0, bracket)), type)) {
        fail(ErrorNumber::MalformedXml, QStringLiteral("prefixet i arrayType=\"%1\" %2 är inte deklarerat")
                                            .arg(QString::fromUtf8(arrayType), DecodeFailure::at(here())));
    }
    if (type.localName.empty())
        return {};
    if (bracket != std::string_view::npos && text.find('[', bracket + 1) != std::string_view::npos) {
        TypeInfo nested;
        nested.typeClass = TypeClass::Array;
        nested.name = {toQString(SoapEncoding), QStringLiteral("Array")};
        return nested;
    }
    return classify(type);
}

void AnswerBuilder::reserveFor(ArrayValue &array, const char *arrayType)
{
    // "ns:QueryResult[50000]": room for that many items, and for as many multiRefs should they
    // come by reference. Capped, since the count is the sender's word only.
    constexpr qsizetype Cap = 1 << 17;
    const std::string_view text(arrayType);
    const auto open = text.find('[');
    if (open == std::string_view::npos)
        return;
    qsizetype count = 0;
    for (std::size_t i = open + 1; i < text.size() && text[i] >= '0' && text[i] <= '9' && count <= Cap; ++i)
        count = count * 10 + (text[i] - '0');
    count = std::min(count, Cap);
    array.items.reserve(std::size_t(count));
    array.references.reserve(std::size_t(count));
    m_references.reserve(count);
}

std::string AnswerBuilder::idFromHref(const char *href) const
{
    const std::string_view text = trimmed(href);
    // Only references within this answer; nothing is ever fetched.
    if (text.size() < 2 || text.front() != '#') {
        fail(ErrorNumber::BadReference, QStringLiteral("referensen href=\"%1\" %2 pekar utanför svaret")
                                            .arg(QString::fromUtf8(href), DecodeFailure::at(here())));
    }
    return std::string(text.substr(1));
}

const QString &AnswerBuilder::memberName(std::string_view local, int ordinal)
{
    const auto slot = std::size_t(ordinal);
    if (slot < m_memberNames.size() && m_memberNames[slot].raw == local)
        return m_memberNames[slot].name;
    for (const CachedName &cached : m_memberNames) {
        if (cached.raw == local)
            return cached.name;
    }
    // Bounded: an answer with endless distinct names does not grow the cache.
    constexpr std::size_t Capacity = 64;
    if (m_memberNames.size() < Capacity) {
        m_memberNames.push_back({std::string(local), toQString(local)});
        return m_memberNames.back().name;
    }
    CachedName &victim = m_memberNames[slot % Capacity];
    victim = {std::string(local), toQString(local)};
    return victim.name;
}

DecodedAnswer AnswerBuilder::result()
{
    if (!m_bodySeen)
        fail(ErrorNumber::UnexpectedShape, QStringLiteral("SOAP-kuvertet saknar Body"));
    if (m_fault)
        return {Variant(), m_fault};
    if (!m_answerSeen) {
        const QString expected = QString::fromStdString(m_answerName);
        fail(ErrorNumber::UnexpectedShape,
             expected.isEmpty() ? QStringLiteral("Body är tom")
                                : QStringLiteral("Body saknar svarselementet <%1>").arg(expected));
    }

    for (const MemberReference &reference : m_memberReferences) {
        if (const auto text = m_references.resolveText(reference.id, reference.position))
            reference.object->setMember(reference.member, *text);
    }

    if (m_candidates.empty())
        return {};
    auto chosen = std::find_if(m_candidates.begin(), m_candidates.end(), [this](const ReturnCandidate &candidate) {
        return candidate.name == m_expectation.returnPart;
    });
    if (chosen == m_candidates.end())
        chosen = m_candidates.begin();
    return {toVariant(chosen->value), std::nullopt};
}

Variant AnswerBuilder::toVariant(const DecodedValue &value)
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

Variant::Array AnswerBuilder::resolveArray(ArrayValue &array)
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
