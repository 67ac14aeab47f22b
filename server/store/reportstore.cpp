#include "reportstore.h"

#include "postgresstore.h"
#include "sqlitestore.h"

#include <QRegularExpression>

namespace {

bool isUri(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

} // namespace

std::unique_ptr<ReportStore> ReportStore::open(const QString &location, Access access)
{
    if (isUri(location))
        return std::make_unique<PostgresStore>(location, access);
    return std::make_unique<SqliteStore>(location, access);
}

QString ReportStore::shown(const QString &location)
{
    if (!isUri(location))
        return location;
    QString text = location;
    static const QRegularExpression password(QStringLiteral("^([a-z]+://[^:@/]*):[^@/]*@"));
    text.replace(password, QStringLiteral("\\1:***@"));
    static const QRegularExpression parameter(QStringLiteral("([?&]password=)[^&]*"));
    text.replace(parameter, QStringLiteral("\\1***"));
    return text;
}
