#pragma once

#include "answertypes.h"
#include "namespacescope.h"

#include <string>

namespace soap {

// Reads a SOAP 1.1 Fault from the elements inside it: the first faultcode and faultstring, each
// with all the text it holds (nested elements', CDATA split across pieces). Detail is not read.
class FaultReader
{
public:
    void startElement(const RawName &name);
    void endElement();
    void characters(const char *data, int length);

    const ReceivedFault &fault() const { return m_fault; }

private:
    ReceivedFault m_fault;
    int m_depth = 0;             // below the Fault element
    QString *m_target = nullptr; // the field being read, a child of the Fault
    bool m_codeRead = false;
    bool m_stringRead = false;
    std::string m_text;
};

} // namespace soap
