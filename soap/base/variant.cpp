#include "variant.h"

#include "errornumbers.h"
#include "raisederror.h"

namespace soap {

const QString &Variant::text() const
{
    if (const auto *text = std::get_if<QString>(&m_value))
        return *text;
    throw RaisedError(ErrorNumber::UnexpectedShape, QStringLiteral("Variant"),
                      QStringLiteral("Värdet är inte en text."));
}

const Variant::Array &Variant::array() const
{
    if (const auto *array = std::get_if<Array>(&m_value))
        return *array;
    throw RaisedError(ErrorNumber::UnexpectedShape, QStringLiteral("Variant"),
                      QStringLiteral("Värdet är inte en vektor."));
}

} // namespace soap
