#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// County name to county code, both texts. Names are compared exactly (letter case and blanks
// count) and come back in the order they were added.
class CountyDictionary
{
public:
    // The first code given for a name counts; a later one for the same name is ignored and false
    // is returned, so a county listed twice in an answer cannot change its code.
    bool add(const QString &name, const QString &code);

    bool contains(const QString &name) const;
    // The code stored under the name, or an empty text when there is none. Never adds the name.
    QString item(const QString &name) const;
    QStringList keys() const;
    qsizetype count() const;

private:
    QHash<QString, QString> m_codes;
    QStringList m_names;
};
