#include "resourcefile.h"

#include "binaryreader.h"

namespace {

QString readId(BinaryReader &reader)
{
    const qsizetype start = reader.offset();
    if (reader.u16() == 0xFFFF)
        return QLatin1Char('#') + QString::number(reader.u16());
    reader.seek(start);
    return reader.utf16z();
}

} // namespace

bool ResourceFile::fail(const QString &error)
{
    m_entries.clear();
    m_error = error;
    return false;
}

bool ResourceFile::load(const QByteArray &bytes)
{
    m_entries.clear();
    m_error.clear();
    qsizetype offset = 0;
    while (offset < bytes.size()) {
        BinaryReader reader(bytes, offset);
        const quint32 dataSize = reader.u32();
        const quint32 headerSize = reader.u32();
        Entry entry;
        entry.type = readId(reader);
        entry.name = readId(reader);
        reader.alignTo4(offset);
        reader.u32(); // data version
        reader.u16(); // memory flags
        entry.language = reader.u16();
        if (reader.failed() || reader.offset() - offset + 8 > headerSize)
            return fail(QStringLiteral("bad resource header at %1").arg(offset));
        if (qsizetype(headerSize) > bytes.size() - offset
            || qsizetype(dataSize) > bytes.size() - offset - headerSize)
            return fail(QStringLiteral("resource at %1 runs past the end").arg(offset));
        entry.data = bytes.mid(offset + headerSize, dataSize);
        // A .res begins with an empty entry of type 0 that only marks the format.
        if (!(entry.type == QLatin1String("#0") && dataSize == 0))
            m_entries.append(entry);
        offset += headerSize + dataSize;
        offset = (offset + 3) & ~qsizetype(3);
    }
    return true;
}

QList<ResourceFile::Entry> ResourceFile::ofType(const QString &type) const
{
    QList<Entry> found;
    for (const Entry &entry : m_entries) {
        if (entry.type == type)
            found.append(entry);
    }
    return found;
}

const ResourceFile::Entry *ResourceFile::find(const QString &type, const QString &name) const
{
    for (const Entry &entry : m_entries) {
        if (entry.type == type && entry.name == name)
            return &entry;
    }
    return nullptr;
}
