#pragma once

#include "bodysink.h"

#include <QByteArray>

namespace soap {

// Keeps a whole body, for small documents read in one piece (the WSDL).
class BufferSink : public BodySink
{
public:
    void begin(const HttpResponseHead &) override {}
    void append(const char *data, qsizetype size) override { m_body.append(data, size); }

    const QByteArray &body() const { return m_body; }

private:
    QByteArray m_body;
};

} // namespace soap
