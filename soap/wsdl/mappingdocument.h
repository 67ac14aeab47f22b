#pragma once

#include "answertypes.h"

#include <QString>

#include <vector>

namespace soap {

// A service mapping document (WSML) as the client reads it: the type mappers it declares with
// <using> and the XML types it hands to them with <type>, for one service.
class MappingDocument
{
public:
    // The ProgID of the one type mapper this layer has.
    static constexpr const char *GenericMapperProgId = "MSSOAP.GenericCustomTypeMapper30";

    // Empty text maps nothing. Raises MappingInvalid for a document that cannot be used and
    // UnknownTypeMapper for a <using> whose PROGID is not ours.
    static MappingDocument parse(const QString &text, const QString &serviceName);

    // The mapped types, each with its <type> element as the DOM node given to the factory.
    const std::vector<MappedType> &types() const { return m_types; }

private:
    std::vector<MappedType> m_types;
};

} // namespace soap
