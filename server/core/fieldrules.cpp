#include "fieldrules.h"

bool FieldRules::isDigits(const QString &s, int length)
{
    if (s.size() != length)
        return false;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

std::optional<QString> FieldRules::nameFault(const QString &name)
{
    if (name.isEmpty() || name.trimmed() != name)
        return QStringLiteral("tomt eller med blanktecken först eller sist: '%1'").arg(name);
    for (QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("innehåller ett styrtecken");
    }
    return std::nullopt;
}

std::optional<std::int64_t> FieldRules::count(const QString &s)
{
    if (s.isEmpty() || s.size() > MaxDigits || !isDigits(s, int(s.size())))
        return std::nullopt;
    return s.toLongLong();
}

QString FieldRules::countFault(const QString &s)
{
    return QStringLiteral("'%1' är inte ett heltal från 0 till 999999999").arg(s);
}
