#pragma once

#include "bodysink.h"

#include <QByteArray>
#include <QString>

namespace soap {

// Keeps a whole body, for small documents read in one piece (the WSDL). A body over the limit
// raises AnswerTooLarge while it arrives: a document read whole must stay small.
class BufferSink : public BodySink
{
public:
    BufferSink(qsizetype limit, QString what) : m_limit(limit), m_what(std::move(what)) {}

    void begin(const HttpResponseHead &head) override { m_url = head.url.toDisplayString(); }
    void append(const char *data, qsizetype size) override;

    const QByteArray &body() const { return m_body; }

private:
    const qsizetype m_limit;
    const QString m_what;
    QString m_url;
    QByteArray m_body;
};

} // namespace soap
