#include "storelocation.h"

#include "postgresstore.h"
#include "sqlitestore.h"

#include <QRegularExpression>

namespace {

bool isUri(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

} // namespace

std::unique_ptr<ReportStore> StoreLocation::open(const QString &location, ReportStore::Access access)
{
    if (isUri(location))
        return std::make_unique<PostgresStore>(location, access);
    return std::make_unique<SqliteStore>(location, access);
}

QString StoreLocation::shown(const QString &location)
{
    if (!isUri(location))
        return location;
    QString text = location;
    static const QRegularExpression Password(QStringLiteral("^([a-z]+://[^:@/]*):[^@/]*@"));
    text.replace(Password, QStringLiteral("\\1:***@"));
    static const QRegularExpression Parameter(QStringLiteral("([?&]password=)[^&]*"));
    text.replace(Parameter, QStringLiteral("\\1***"));
    return text;
}
