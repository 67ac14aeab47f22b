#include "raisederror.h"

#include <utility>

namespace soap {

RaisedError::RaisedError(std::int32_t number, QString source, QString description)
    : m_number(number)
    , m_source(std::move(source))
    , m_description(std::move(description))
    , m_what(QStringLiteral("%1 (0x%2): %3")
                 .arg(m_source)
                 .arg(quint32(m_number), 8, 16, QLatin1Char('0'))
                 .arg(m_description)
                 .toUtf8())
{
}

RaisedError RaisedError::withSource(const QString &source) const
{
    return RaisedError(m_number, source, m_description);
}

} // namespace soap
