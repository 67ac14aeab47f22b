#include "buffersink.h"

#include "errornumbers.h"
#include "layererror.h"
#include "raisederror.h"

namespace soap {

void BufferSink::append(const char *data, qsizetype size)
{
    if (m_body.size() + size > m_limit)
        throw LayerError::make(ErrorNumber::AnswerTooLarge,
                               QStringLiteral("%1 från %2 är större än gränsen på %3 byte")
                                   .arg(m_what, m_url)
                                   .arg(m_limit));
    m_body.append(data, size);
}

} // namespace soap
