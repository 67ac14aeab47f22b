#pragma once

#include "answertypes.h"
#include "namespacescope.h"
#include "qualifiedname.h"

#include <string>
#include <vector>

namespace soap {

// Which XML types become objects from the factory, and the making of them. Types are compared by
// their UTF-8 bytes, straight from the parser, so that recognising a record's type allocates
// nothing.
class GenericCustomTypeMapper
{
public:
    explicit GenericCustomTypeMapper(const DecodeSetup &setup);

    // Index of the mapped type, or -1.
    int find(const RawName &type) const;
    int find(const QualifiedName &type) const;
    const QualifiedName &typeName(int index) const;
    // A new object for a mapped type; null when the factory gives none or there is no factory.
    ObjectPtr create(int index) const;

private:
    struct Entry
    {
        std::string namespaceUri;
        std::string localName;
        MappedType mapped;
    };
    std::vector<Entry> m_types;
    std::shared_ptr<IGCTMObjectFactory> m_factory;
};

} // namespace soap
