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

// Builds the errors of one document's reading, so that every one of them names the document in
// the same words: an answer by its URL, other documents as their reader calls them.
class DecodeFailure
{
public:
    // lead: what stands before the colon; empty for "Svaret från <where>".
    explicit DecodeFailure(QString where, QString lead = {});

    // "<lead>: <what>"
    RaisedError error(std::int32_t number, const QString &what) const;
    // "på rad 3, kolumn 17"
    static QString at(const XmlPosition &position);
    const QString &where() const { return m_where; }

private:
    QString m_where;
    QString m_lead;
};

} // namespace soap
