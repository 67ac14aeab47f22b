// The answer decoder, as it meets a server's bytes: in pieces of any size, each in turn written
// into the parser's own buffer. The first byte chooses the piece size and the WSDL's style.
// Besides not crashing, a decoder that failed must stay failed with the same error.

#include "clsof_Factory_ElectionResul.h"
#include "ksv_config.h"
#include "raisederror.h"
#include "responsedecoder.h"
#include "xmldomnode.h"
#include "xmlelement.h"
#include "xmltreebuilder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

soap::DecodeSetup setup()
{
    // The program's own mapping node and factory: every record goes through the real by-name setter.
    static const std::shared_ptr<const soap::XmlElement> Types = soap::XmlTreeBuilder::parse(
        "<types><type name='QueryResult' targetNamespace='" KSV_SCHEMA_NAMESPACE
        "' uses='GCTM' targetClassName='struct_QueryResult'/></types>",
        QStringLiteral("fuzz"));
    soap::DecodeSetup setup;
    setup.types.push_back({{QStringLiteral(KSV_SCHEMA_NAMESPACE), QStringLiteral("QueryResult")},
                           std::make_shared<soap::XmlDomNode>(
                               std::shared_ptr<const soap::XmlElement>(Types, Types->children().front().get()))});
    setup.factory = std::make_shared<clsof_Factory_ElectionResul>();
    return setup;
}

soap::AnswerExpectation expectation(bool rpc)
{
    soap::AnswerExpectation expectation;
    expectation.operation = QStringLiteral("getCountryResultsValnatt");
    expectation.rpcStyle = expectation.encodedUse = rpc;
    expectation.returnPart = QStringLiteral("return");
    expectation.returnType = {QStringLiteral(KSV_SCHEMA_NAMESPACE),
                              rpc ? QStringLiteral("ArrayOfQueryResult") : QStringLiteral("getCountryResultsValnattResult")};
    expectation.itemType = {QStringLiteral(KSV_SCHEMA_NAMESPACE), QStringLiteral("QueryResult")};
    return expectation;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const soap::DecodeSetup Setup = setup();
    const std::size_t piece = 1 + (data[0] & 0x7F) * 37;
    soap::ResponseDecoder decoder(Setup, expectation((data[0] & 0x80) == 0), {}, QStringLiteral("fuzz"));
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    std::size_t left = size - 1;
    int failed = 0;
    try {
        while (left > 0) {
            const std::size_t n = std::min(piece, left);
            std::memcpy(decoder.room(qsizetype(n)), bytes, n);
            decoder.commit(qsizetype(n));
            bytes += n;
            left -= n;
        }
        const soap::DecodedAnswer answer = decoder.finish();
        if (answer.value.isArray()) {
            for (const soap::ObjectPtr &record : answer.value.array()) {
                if (!record)
                    std::abort(); // null records are left out, never handed on
            }
        }
        return 0;
    } catch (const soap::RaisedError &error) {
        failed = error.number();
    }
    try {
        decoder.finish();
    } catch (const soap::RaisedError &again) {
        if (again.number() == failed)
            return 0;
    }
    std::abort(); // a failed decoder went on, or with another error
}
