// The mapping document reader, and the DOM node it hands to the factory.

#include "domnode.h"
#include "mappingdocument.h"
#include "raisederror.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const soap::MappingDocument mapping = soap::MappingDocument::parse(text, QStringLiteral("ElectionResults"));
        for (const soap::MappedType &type : mapping.types()) {
            const auto attributes = type.mappingNode->attributes();
            for (const char *name : {"targetClassName", "uses", "x:y", ":", ""}) {
                if (const auto attribute = attributes->getNamedItem(QString::fromLatin1(name)))
                    attribute->nodeValue();
            }
        }
    } catch (const soap::RaisedError &) {
    }
    return 0;
}
