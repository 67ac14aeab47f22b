#include "operation.h"

#include "ksv_config.h"

QString Operation::soapAction() const
{
    return QStringLiteral(KSV_SERVICE_NAMESPACE "#") + name;
}

const std::array<Operation, 4> &Operation::all()
{
    static const std::array<Operation, 4> Operations = {
        Operation{QStringLiteral("getCountryResultsValnatt"), false, false},
        Operation{QStringLiteral("getCountyResultsValnatt"), true, false},
        Operation{QStringLiteral("getCountyResultsSlutsam"), true, true},
        Operation{QStringLiteral("getCountryResultsSlutsam"), false, true},
    };
    return Operations;
}

const Operation *Operation::find(const QString &name)
{
    for (const Operation &op : all()) {
        if (op.name == name)
            return &op;
    }
    return nullptr;
}
