// The results service's data file parser, on a file given with --data.

#include "datasetparser.h"

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        DataSetParser::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const std::exception &) {
        // Refused with its line and field named: fine.
    }
    return 0;
}
