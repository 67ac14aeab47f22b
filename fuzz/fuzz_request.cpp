// The results service's request reader, on a request body as a client sends it.

#include "soaprequestreader.h"

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        SoapRequestReader::read(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const std::exception &) {
        // Refused, as a Fault: fine.
    }
    return 0;
}
