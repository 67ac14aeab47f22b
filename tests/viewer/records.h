#pragma once

#include "struct_QueryResult.h"
#include "variant.h"

#include <QString>

#include <memory>

// Hand-made answers for tests that feed the window directly.
class Records
{
public:
    static std::shared_ptr<struct_QueryResult> region(const QString &name,
                                                      const QString &resultType = QString(),
                                                      const QString &code = QString())
    {
        auto record = std::make_shared<struct_QueryResult>();
        record->setName(name);
        record->setResultType(resultType);
        record->setCode(code);
        return record;
    }

    static soap::Variant answer(soap::Variant::Array elements)
    {
        return soap::Variant(std::move(elements));
    }
};
