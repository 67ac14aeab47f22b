#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QList>

// One image of an .ico file as its directory lists it.
struct IcoEntry
{
    int width = 0;
    int height = 0;
    int colourCount = 0;
    int planes = 0;
    int bitCount = 0;
    quint32 bytes = 0;
    quint32 offset = 0;
};

// The directory of an .ico file, in file order; empty if it is not one or is cut short.
inline QList<IcoEntry> icoDirectory(const QByteArray &ico)
{
    QDataStream in(ico);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 1, type = 0, count = 0;
    in >> reserved >> type >> count;
    QList<IcoEntry> entries;
    for (int i = 0; reserved == 0 && type == 1 && i < count; ++i) {
        quint8 width, height, colours, pad;
        quint16 planes, bitCount;
        quint32 bytes, offset;
        in >> width >> height >> colours >> pad >> planes >> bitCount >> bytes >> offset;
        // 0 in the directory means 256.
        entries.append({width ? width : 256, height ? height : 256, colours, planes, bitCount, bytes, offset});
    }
    return in.status() == QDataStream::Ok ? entries : QList<IcoEntry>();
}
