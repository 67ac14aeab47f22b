#pragma once

#include "dispatchobject.h"
#include "domnode.h"

#include <memory>

namespace soap {

// What the generic custom type mapper asks for the objects it fills. The node is the mapping
// document's <type> element of the type being decoded. A null result means: skip the element.
class IGCTMObjectFactory
{
public:
    virtual ~IGCTMObjectFactory() = default;

    virtual ObjectPtr IGCTMObjectFactory_CreateObject(const std::shared_ptr<DomNode> &par_WSMLNode) = 0;
};

} // namespace soap
