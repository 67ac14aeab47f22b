#pragma once

#include "raisederror.h"

#include <QString>

#include <cstdint>

namespace soap {

struct XmlPosition
{
    qint64 line = 0;
    qint64 column = 0;
};

// Builds the errors of one answer's decoding, so that every one of them names the answer's URL
// in the same words.
class DecodeFailure
{
public:
    explicit DecodeFailure(QString where);

    // "Svaret från <where>: <what>"
    RaisedError error(std::int32_t number, const QString &what) const;
    // "på rad 3, kolumn 17"
    static QString at(const XmlPosition &position);
    static QString source();

private:
    QString m_where;
};

} // namespace soap
