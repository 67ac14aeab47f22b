#include "freshness.h"

#include <QStringList>

namespace {

// The text is one line of the status bar: a line break or other control character the service
// put in `generated` is shown as a space, every other character as sent.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

void Freshness::shown(const QString &region, const QString &generated)
{
    m_region = region;
    m_generated = generated;
    m_shown = true;
    m_failedAt = QTime();
}

void Freshness::failed(const QTime &at)
{
    m_failedAt = at;
}

QString Freshness::text() const
{
    QStringList parts;
    if (m_shown) {
        parts << oneLine(m_region);
        parts << (m_generated.isEmpty() ? QStringLiteral("tid okänd") : oneLine(m_generated));
    }
    if (m_failedAt.isValid()) {
        parts << QStringLiteral("Senaste hämtningen misslyckades ")
                     + m_failedAt.toString(QStringLiteral("HH:mm:ss"));
    }
    return parts.join(QStringLiteral(" · "));
}
