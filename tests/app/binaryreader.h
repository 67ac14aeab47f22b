#pragma once

#include <QByteArray>
#include <QString>

// Little-endian reads from a byte block with bounds checks: a read past the end sets failed() and
// yields 0 or an empty text, so a parser checks once at the end of a structure.
class BinaryReader
{
public:
    explicit BinaryReader(const QByteArray &bytes, qsizetype offset = 0);

    quint8 u8();
    quint16 u16();
    quint32 u32();
    // UTF-16 up to and including a NUL; the NUL is not part of the result.
    QString utf16z();
    QByteArray bytes(qsizetype count);
    void skip(qsizetype count);
    // Pads to a multiple of 4 bytes from base; never past the end.
    void alignTo4(qsizetype base = 0);

    qsizetype offset() const { return m_offset; }
    void seek(qsizetype offset);
    bool failed() const { return m_failed; }

private:
    bool take(qsizetype count);

    const QByteArray &m_bytes;
    qsizetype m_offset = 0;
    bool m_failed = false;
};
