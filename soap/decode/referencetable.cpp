#include "referencetable.h"

#include "errornumbers.h"

#include <utility>

namespace soap {

ReferenceTable::ReferenceTable(const GenericCustomTypeMapper &mapper, const DecodeFailure &failure)
    : m_mapper(mapper), m_failure(failure)
{
}

void ReferenceTable::reserve(std::size_t count)
{
    m_ids.reserve(count);
    m_values.reserve(count);
}

bool ReferenceTable::add(const std::string &id, DecodedValue value)
{
    if (!m_ids.insert(id))
        return false;
    m_values.push_back(std::move(value));
    return true;
}

std::size_t ReferenceTable::find(const std::string &id)
{
    std::size_t index = m_next;
    if (index >= m_ids.size() || m_ids.at(index) != id) {
        index = m_ids.find(id);
        if (index == IdIndex::NotFound)
            return std::string::npos;
    }
    m_next = index + 1;
    return index;
}

const DecodedValue &ReferenceTable::resolve(const std::string &id, const XmlPosition &from,
                                     const QualifiedName &expectedType)
{
    // Every reference on the way is pointed straight at the end, so that long chains shared by
    // many items are walked once.
    std::vector<DecodedValue *> chain;
    const std::string *current = &id;
    XmlPosition position = from;
    for (;;) {
        const std::size_t index = find(*current);
        if (index == std::string::npos) {
            throw m_failure.error(ErrorNumber::BadReference,
                                  QStringLiteral("referensen \"#%1\" %2 leder inte till något element")
                                      .arg(QString::fromStdString(*current), DecodeFailure::at(position)));
        }
        DecodedValue &value = m_values[index];
        if (value.kind != DecodedValue::Kind::Reference) {
            if (value.kind == DecodedValue::Kind::Untyped)
                materialise(value, *current, expectedType);
            for (DecodedValue *link : chain)
                *link = value;
            return value;
        }
        if (chain.size() >= std::size_t(m_values.size())) {
            throw m_failure.error(ErrorNumber::BadReference,
                                  QStringLiteral("referenserna från \"#%1\" %2 går i cirkel")
                                      .arg(QString::fromStdString(id), DecodeFailure::at(from)));
        }
        chain.push_back(&value);
        position = value.position;
        current = &value.reference;
    }
}

std::optional<QString> ReferenceTable::resolveText(const std::string &id, const XmlPosition &from)
{
    const DecodedValue &value = resolve(id, from, QualifiedName());
    switch (value.kind) {
    case DecodedValue::Kind::Text:
        return value.text;
    case DecodedValue::Kind::Nothing:
        return std::nullopt;
    default:
        throw m_failure.error(ErrorNumber::UnexpectedShape,
                              QStringLiteral("referensen \"#%1\" %2 ska leda till ett enkelt värde "
                                             "men leder till ett sammansatt")
                                  .arg(QString::fromStdString(id), DecodeFailure::at(from)));
    }
}

void ReferenceTable::fill(DispatchObject &object, const UntypedValue &untyped)
{
    for (const PendingMember &member : untyped.members) {
        if (member.nil)
            continue;
        if (member.reference.empty()) {
            object.setMember(member.name, member.value);
        } else if (const auto text = resolveText(member.reference, member.position)) {
            object.setMember(member.name, *text);
        }
    }
}

void ReferenceTable::materialise(DecodedValue &value, const std::string &id, const QualifiedName &expectedType)
{
    // Keep the untyped element alive: filling it may resolve further references.
    const std::shared_ptr<UntypedValue> untyped = value.untyped;
    const int index = expectedType.isEmpty() ? -1 : m_mapper.find(expectedType);
    if (index >= 0) {
        ObjectPtr object = m_mapper.create(index);
        value = DecodedValue();
        if (object) {
            // Marked done before filling, so that a member leading back here finds an object and
            // fails instead of recursing.
            value.kind = DecodedValue::Kind::Object;
            value.object = object;
            fill(*object, *untyped);
        }
        return;
    }
    if (untyped->members.empty()) {
        value.kind = DecodedValue::Kind::Text;
        value.text = untyped->text;
        value.untyped.reset();
        return;
    }
    throw m_failure.error(ErrorNumber::UnexpectedShape,
                          QStringLiteral("elementet med id \"%1\" saknar typ (xsi:type), och typen "
                                         "framgår inte av sammanhanget")
                              .arg(QString::fromStdString(id)));
}

} // namespace soap
