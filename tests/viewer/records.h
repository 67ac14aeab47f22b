#pragma once

#include "struct_QueryResult.h"
#include "variant.h"

#include <memory>

// Hand-made answers for tests that feed the window directly.
class Records
{
public:
    static std::shared_ptr<struct_QueryResult> region(const QString &name)
    {
        auto record = std::make_shared<struct_QueryResult>();
        record->setName(name);
        return record;
    }

    static soap::Variant answer(soap::Variant::Array elements) { return soap::Variant(std::move(elements)); }
};
