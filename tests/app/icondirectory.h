#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The directory of a Windows icon: of an .ico file (ICONDIR, entries pointing at offsets) or of
// an RT_GROUP_ICON resource (GRPICONDIR, entries naming RT_ICON ids).
class IconDirectory
{
public:
    enum class Source { IcoFile, GroupResource };

    struct Entry
    {
        int width = 0; // 0 in the directory means 256
        int height = 0;
        int colourCount = 0;
        int planes = 0;
        int bitCount = 0;
        quint32 bytes = 0;
        quint32 offset = 0; // IcoFile only
        quint16 id = 0; // GroupResource only
    };

    bool load(const QByteArray &bytes, Source source);
    QString errorString() const { return m_error; }

    const QList<Entry> &entries() const { return m_entries; }

private:
    bool fail(const QString &error);

    QList<Entry> m_entries;
    QString m_error;
};
