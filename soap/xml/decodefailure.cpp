#include "decodefailure.h"

#include "layererror.h"

#include <utility>

namespace soap {

DecodeFailure::DecodeFailure(QString where, QString lead)
    : m_where(std::move(where)), m_lead(std::move(lead))
{
    if (m_lead.isEmpty())
        m_lead = m_where.isEmpty() ? QStringLiteral("Svaret") : QStringLiteral("Svaret från %1").arg(m_where);
}

RaisedError DecodeFailure::error(std::int32_t number, const QString &what) const
{
    return LayerError::make(number, QStringLiteral("%1: %2").arg(m_lead, what));
}

QString DecodeFailure::at(const XmlPosition &position)
{
    return QStringLiteral("på rad %1, kolumn %2").arg(position.line).arg(position.column);
}

} // namespace soap
