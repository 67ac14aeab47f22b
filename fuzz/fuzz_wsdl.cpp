// The WSDL reader, on a document as the server sends it. Whatever it accepts, the requests the
// client would write from it must be well-formed XML: the WSDL's names go on the wire.

#include "envelopewriter.h"
#include "ksv_config.h"
#include "raisederror.h"
#include "wsdlreader.h"

#include <QXmlStreamReader>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    soap::ServiceDescription description;
    try {
        description = soap::WsdlReader(QStringLiteral(KSV_SERVICE_NAME), QStringLiteral(KSV_PORT_NAME),
                                       QStringLiteral(KSV_SERVICE_NAMESPACE))
                          .read(document, QStringLiteral("fuzz"));
    } catch (const soap::RaisedError &) {
        return 0;
    }
    for (const soap::OperationInfo &operation : std::as_const(description.operations)) {
        QXmlStreamReader request(soap::EnvelopeWriter::write(operation, {QStringLiteral("01 <&>")}));
        while (!request.atEnd())
            request.readNext();
        if (request.hasError())
            std::abort();
    }
    return 0;
}
