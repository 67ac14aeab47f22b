#include "binaryreader.h"

#include <QtEndian>

BinaryReader::BinaryReader(const QByteArray &bytes, qsizetype offset)
    : m_bytes(bytes)
{
    seek(offset);
}

bool BinaryReader::take(qsizetype count)
{
    if (m_failed || count < 0 || count > m_bytes.size() - m_offset) {
        m_failed = true;
        return false;
    }
    return true;
}

quint8 BinaryReader::u8()
{
    if (!take(1))
        return 0;
    return quint8(m_bytes[m_offset++]);
}

quint16 BinaryReader::u16()
{
    if (!take(2))
        return 0;
    const auto value = qFromLittleEndian<quint16>(m_bytes.constData() + m_offset);
    m_offset += 2;
    return value;
}

quint32 BinaryReader::u32()
{
    if (!take(4))
        return 0;
    const auto value = qFromLittleEndian<quint32>(m_bytes.constData() + m_offset);
    m_offset += 4;
    return value;
}

QString BinaryReader::utf16z()
{
    QString text;
    for (;;) {
        const quint16 unit = u16();
        if (m_failed || unit == 0)
            return m_failed ? QString() : text;
        text.append(QChar(unit));
    }
}

QByteArray BinaryReader::bytes(qsizetype count)
{
    if (!take(count))
        return {};
    const QByteArray part = m_bytes.mid(m_offset, count);
    m_offset += count;
    return part;
}

void BinaryReader::skip(qsizetype count)
{
    if (take(count))
        m_offset += count;
}

void BinaryReader::alignTo4(qsizetype base)
{
    // The last item of a block may lack its padding: stop at the end rather than fail.
    const qsizetype misalignment = (m_offset - base) % 4;
    if (misalignment != 0)
        m_offset = qMin(m_offset + 4 - misalignment, m_bytes.size());
}

void BinaryReader::seek(qsizetype offset)
{
    if (offset < 0 || offset > m_bytes.size())
        m_failed = true;
    else
        m_offset = offset;
}
