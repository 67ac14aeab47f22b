#include "countycode.h"

#include <QLocale>
#include <QRegularExpression>

std::optional<double> CountyCode::toNumber(const QString &code)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)$"));
    QString figure = code.trimmed();
    if (!number.match(figure).hasMatch())
        return std::nullopt;
    figure.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(figure, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}
