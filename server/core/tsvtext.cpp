#include "tsvtext.h"

#include <QFile>
#include <QStringDecoder>

QByteArray TsvText::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DataSetError(QStringLiteral("%1: kan inte läsas: %2").arg(path, file.errorString()));
    // Our files are a few hundred kilobytes at most; anything huge (or endless, like a device) is
    // not one.
    constexpr qint64 MaxSize = 16 * 1024 * 1024;
    const QByteArray text = file.read(MaxSize + 1);
    if (text.size() > MaxSize)
        throw DataSetError(QStringLiteral("%1: filen är för stor").arg(path));
    return text;
}

QString TsvText::decode(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        throw DataSetError(QStringLiteral("inte giltig UTF-8"));
    if (decoded.startsWith(QChar(0xFEFF)))
        decoded.remove(0, 1);
    return decoded;
}

std::vector<TsvText::Record> TsvText::records(const QString &text)
{
    std::vector<Record> records;
    int number = 0;
    for (QString line : text.split(u'\n')) {
        ++number;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.isEmpty() && !line.startsWith(u'#'))
            records.push_back(Record{number, line.split(u'\t')});
    }
    return records;
}

void TsvText::failLine(int line, const QString &what)
{
    throw DataSetError(QStringLiteral("rad %1: %2").arg(line).arg(what));
}

void TsvText::failField(int line, QLatin1StringView field, const QString &what)
{
    throw DataSetError(QStringLiteral("rad %1, fältet \"%2\": %3").arg(line).arg(field, what));
}
