#pragma once

#include "decodedvalue.h"
#include "decodefailure.h"
#include "genericcustomtypemapper.h"
#include "idindex.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace soap {

// The Body's elements by id, for href references: forward and backward, shared, chained. The
// same id referred to twice yields the same object twice, as SOAP encoding means it.
class ReferenceTable
{
public:
    ReferenceTable(const GenericCustomTypeMapper &mapper, const DecodeFailure &failure);

    void reserve(std::size_t count);
    // False, and nothing added, when the id is already taken.
    bool add(const std::string &id, DecodedValue value);
    // The value an href finally leads to, never a reference; an untyped element becomes an object
    // of expectedType. Raises BadReference for an unknown id or a cycle.
    // The value stays valid until the next add().
    const DecodedValue &resolve(const std::string &id, const XmlPosition &from, const QualifiedName &expectedType);
    // The text an href of a member leads to; no value for nil or a skipped element. Raises
    // UnexpectedShape when it leads to an object or array.
    std::optional<QString> resolveText(const std::string &id, const XmlPosition &from);

    // Sets the members of an object from an untyped element, resolving member references.
    void fill(DispatchObject &object, const UntypedValue &untyped);

private:
    void materialise(DecodedValue &value, const std::string &id, const QualifiedName &expectedType);

    const GenericCustomTypeMapper &m_mapper;
    const DecodeFailure &m_failure;
    std::size_t find(const std::string &id);

    // m_values[i] belongs to the id numbered i.
    IdIndex m_ids;
    std::vector<DecodedValue> m_values;
    // Servers write independent elements in the order they refer to them; trying the one after
    // the last found before the index spares most lookups a cache miss.
    std::size_t m_next = 0;
};

} // namespace soap
