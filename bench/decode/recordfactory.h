#pragma once

#include "objectfactory.h"

// Makes struct_QueryResult records the way the service's own factory does: by the mapping node's
// targetClassName, read through the DOM for every record, so that its cost is measured too.
class RecordFactory : public soap::IGCTMObjectFactory
{
public:
    soap::ObjectPtr IGCTMObjectFactory_CreateObject(const std::shared_ptr<soap::DomNode> &par_WSMLNode) override;
};
