#include "struct_QueryResult.h"

const std::array<QString, 15> &struct_QueryResult::memberNames()
{
    static const std::array<QString, 15> names = {
        QStringLiteral("generated"),  QStringLiteral("resultType"), QStringLiteral("code"),
        QStringLiteral("name"),       QStringLiteral("readyDistricts"),
        QStringLiteral("allDistricts"), QStringLiteral("yesNum"),   QStringLiteral("yesPerc"),
        QStringLiteral("noNum"),      QStringLiteral("noPerc"),     QStringLiteral("blankNum"),
        QStringLiteral("blankPerc"),  QStringLiteral("invalidNum"), QStringLiteral("turnoutNum"),
        QStringLiteral("turnoutPerc"),
    };
    return names;
}

QString *struct_QueryResult::slot(const QString &name)
{
    QString *const fields[] = {
        &m_generated, &m_resultType, &m_code,    &m_name,     &m_readyDistricts,
        &m_allDistricts, &m_yesNum,  &m_yesPerc, &m_noNum,    &m_noPerc,
        &m_blankNum,  &m_blankPerc,  &m_invalidNum, &m_turnoutNum, &m_turnoutPerc,
    };
    const auto &names = memberNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return fields[i];
    }
    return nullptr;
}

bool struct_QueryResult::setMember(const QString &name, const QString &value)
{
    QString *member = slot(name);
    if (!member)
        return false;
    *member = value;
    return true;
}

std::optional<QString> struct_QueryResult::member(const QString &name) const
{
    if (const QString *value = const_cast<struct_QueryResult *>(this)->slot(name))
        return *value;
    return std::nullopt;
}
