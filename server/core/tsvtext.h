#pragma once

#include "dataseterror.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <vector>

// The text of our tab-separated files: UTF-8 (a BOM is allowed), read whole with a size cap, '#'
// comment lines and empty lines ignored. Failures are DataSetErrors that name the line and field.
class TsvText
{
public:
    struct Record
    {
        int line = 0;    // from 1
        QStringList fields;
    };

    static QByteArray readFile(const QString &path);
    static QString decode(const QByteArray &bytes);
    // The lines that are neither empty nor comments, split at tabs; a CR before the LF dropped.
    static std::vector<Record> records(const QString &text);

    [[noreturn]] static void failLine(int line, const QString &what);
    [[noreturn]] static void failField(int line, QLatin1StringView field, const QString &what);

    // `parse` on the file's bytes, with the path before any message.
    template <typename Parse>
    static auto parseFile(const QString &path, Parse parse)
    {
        const QByteArray text = readFile(path);
        try {
            return parse(text);
        } catch (const DataSetError &e) {
            throw DataSetError(path + QStringLiteral(": ") + e.message());
        }
    }
};
