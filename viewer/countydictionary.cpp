#include "countydictionary.h"

bool CountyDictionary::add(const QString &name, const QString &code)
{
    if (m_codes.contains(name))
        return false;
    m_codes.insert(name, code);
    m_names.append(name);
    return true;
}

bool CountyDictionary::contains(const QString &name) const
{
    return m_codes.contains(name);
}

QString CountyDictionary::item(const QString &name) const
{
    return m_codes.value(name);
}

QStringList CountyDictionary::keys() const
{
    return m_names;
}

qsizetype CountyDictionary::count() const
{
    return m_names.size();
}
