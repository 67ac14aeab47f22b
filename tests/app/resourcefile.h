#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A compiled Win32 resource file (.res): the entries that windres or rc.exe wrote.
class ResourceFile
{
public:
    struct Entry
    {
        QString type; // numeric ids as "#16", the way FindResource spells them
        QString name;
        quint16 language = 0;
        QByteArray data;
    };

    bool load(const QByteArray &bytes);
    QString errorString() const { return m_error; }

    const QList<Entry> &entries() const { return m_entries; }
    QList<Entry> ofType(const QString &type) const;
    const Entry *find(const QString &type, const QString &name) const;

private:
    bool fail(const QString &error);

    QList<Entry> m_entries;
    QString m_error;
};
