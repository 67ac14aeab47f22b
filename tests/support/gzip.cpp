#include "gzip.h"

#include <QtEndian>

namespace testsupport {

namespace {

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace

QByteArray gzip(const QByteArray &data)
{
    // qCompress gives a 4-byte size, a 2-byte zlib header, the deflate stream and an Adler-32;
    // gzip wants the bare deflate stream between its own header and trailer.
    const QByteArray zlib = qCompress(data, 9);
    const QByteArray deflate = zlib.mid(6, zlib.size() - 6 - 4);
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    out += deflate;
    char trailer[8];
    qToLittleEndian<quint32>(crc32(data), trailer);
    qToLittleEndian<quint32>(quint32(data.size()), trailer + 4);
    out.append(trailer, 8);
    return out;
}

} // namespace testsupport
