#include "faultreader.h"

namespace soap {

void FaultReader::startElement(const RawName &name)
{
    // SOAP 1.1 leaves faultcode and faultstring unqualified; servers qualify them all the same.
    if (++m_depth != 1 || m_target)
        return;
    if (name.localName == "faultcode" && !m_codeRead) {
        m_codeRead = true;
        m_target = &m_fault.code;
    } else if (name.localName == "faultstring" && !m_stringRead) {
        m_stringRead = true;
        m_target = &m_fault.string;
    }
    m_text.clear();
}

void FaultReader::endElement()
{
    if (m_depth-- == 1 && m_target) {
        *m_target = QString::fromUtf8(m_text.data(), qsizetype(m_text.size()));
        m_target = nullptr;
    }
}

void FaultReader::characters(const char *data, int length)
{
    if (m_target)
        m_text.append(data, std::size_t(length));
}

} // namespace soap
