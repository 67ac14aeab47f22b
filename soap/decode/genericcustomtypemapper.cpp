#include "genericcustomtypemapper.h"

namespace soap {

GenericCustomTypeMapper::GenericCustomTypeMapper(const DecodeSetup &setup) : m_factory(setup.factory)
{
    m_types.reserve(setup.types.size());
    for (const MappedType &type : setup.types)
        m_types.push_back({type.type.namespaceUri.toStdString(), type.type.localName.toStdString(), type});
}

int GenericCustomTypeMapper::find(const RawName &type) const
{
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        if (m_types[i].localName == type.localName && m_types[i].namespaceUri == type.namespaceUri)
            return int(i);
    }
    return -1;
}

int GenericCustomTypeMapper::find(const QualifiedName &type) const
{
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        if (m_types[i].mapped.type == type)
            return int(i);
    }
    return -1;
}

const QualifiedName &GenericCustomTypeMapper::typeName(int index) const
{
    return m_types[std::size_t(index)].mapped.type;
}

ObjectPtr GenericCustomTypeMapper::create(int index) const
{
    if (!m_factory)
        return nullptr;
    return m_factory->IGCTMObjectFactory_CreateObject(m_types[std::size_t(index)].mapped.mappingNode);
}

} // namespace soap
