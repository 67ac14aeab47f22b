#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text of our tab-separated files: UTF-8 (a BOM is allowed), read whole with a size cap.
// Failures are DataSetErrors.
class TsvText
{
public:
    static QByteArray readFile(const QString &path);
    static QString decode(const QByteArray &bytes);
    // Lines as the files mean them: a CR before the LF dropped.
    static QStringList lines(const QString &text);
};
