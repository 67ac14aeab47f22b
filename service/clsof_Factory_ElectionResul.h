#pragma once

#include "objectfactory.h"

// Makes the records the type mapper fills, by the class name the mapping document gives.
// Stateless: every call stands alone.
class clsof_Factory_ElectionResul : public soap::IGCTMObjectFactory
{
public:
    // A new struct_QueryResult when the node's targetClassName is exactly "struct_QueryResult";
    // otherwise no object and no error. A failing node raises with this class's name as source.
    soap::ObjectPtr IGCTMObjectFactory_CreateObject(const std::shared_ptr<soap::DomNode> &par_WSMLNode) override;
};
