#include "icondirectory.h"

#include "binaryreader.h"

bool IconDirectory::fail(const QString &error)
{
    m_entries.clear();
    m_error = error;
    return false;
}

bool IconDirectory::load(const QByteArray &bytes, Source source)
{
    m_entries.clear();
    m_error.clear();
    BinaryReader reader(bytes);
    const quint16 reserved = reader.u16();
    const quint16 type = reader.u16();
    const quint16 count = reader.u16();
    if (reader.failed() || reserved != 0 || type != 1)
        return fail(QStringLiteral("not an icon directory"));
    for (int i = 0; i < count; ++i) {
        Entry entry;
        const int width = reader.u8();
        const int height = reader.u8();
        entry.width = width == 0 ? 256 : width;
        entry.height = height == 0 ? 256 : height;
        entry.colourCount = reader.u8();
        reader.u8(); // reserved
        entry.planes = reader.u16();
        entry.bitCount = reader.u16();
        entry.bytes = reader.u32();
        if (source == Source::IcoFile)
            entry.offset = reader.u32();
        else
            entry.id = reader.u16();
        if (reader.failed())
            return fail(QStringLiteral("directory cut short at entry %1 of %2").arg(i).arg(count));
        if (source == Source::IcoFile
            && (entry.offset > quint32(bytes.size()) || entry.bytes > bytes.size() - entry.offset))
            return fail(QStringLiteral("image %1 lies outside the file").arg(i));
        m_entries.append(entry);
    }
    return true;
}
