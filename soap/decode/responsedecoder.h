#pragma once

#include "answertypes.h"
#include "deadline.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace soap {

// Decodes one SOAP answer, fed in pieces as they arrive, so that an answer never has to be held
// whole. Every failure raises a RaisedError whose description names what failed and where (the
// URL given, and the XML line and column); its source is "SoapClient". A raise leaves the decoder
// failed: later calls raise the same error again.
//
// How answers are read:
// - rpc: Body -> <operation>Response, in whatever namespace (servers differ on it; the name alone
//   tells an answer to another operation) -> the return part by name, else the first child. An
//   empty wrapper is an empty Variant. document: Body -> the part's element -> items.
// - An element's type comes from its xsi:type, else from the array's SOAP-ENC:arrayType, else from
//   the WSDL (returnType, itemType). Array items must be of a mapped type; the factory's null skips
//   the item, as does xsi:nil="true" on it. A nil member stays as the object made it.
// - href="#id" may point forward or backward to any element with that id in the Body (multiRef);
//   the same id twice gives the same object twice. Unknown, duplicate and cyclic ids raise
//   BadReference; a reference that does not start with '#' is never fetched and raises too.
// - A Fault anywhere in the Body is returned, not raised, whatever else is there. An envelope of
//   another namespace than SOAP 1.1's (SOAP 1.2's among them) raises VersionMismatch.
// - Decoding past the deadline raises Timeout; a tag longer than ExpatReader::MaxToken, or
//   nesting deeper than MaxDepth, is refused.
// - A DOCTYPE is refused where it starts: no entity is ever expanded or fetched.
class ResponseDecoder
{
public:
    // httpCharset: the charset parameter of the HTTP Content-Type, empty when there was none; it
    // takes precedence over the XML declaration. Decoding past the deadline raises Timeout.
    ResponseDecoder(const DecodeSetup &setup, AnswerExpectation expectation, QByteArray httpCharset,
                    QString where, Deadline deadline = Deadline::never());
    ~ResponseDecoder();

    ResponseDecoder(const ResponseDecoder &) = delete;
    ResponseDecoder &operator=(const ResponseDecoder &) = delete;

    void feed(const char *data, qsizetype size);
    // Room for size more bytes in the parser's own buffer; commit(n) decodes the n written there.
    char *room(qsizetype size);
    void commit(qsizetype size);
    // Once, after the last piece; the answer, or its fault.
    DecodedAnswer finish();

    // Deepest element nesting accepted; deeper input is refused (NestingTooDeep).
    static constexpr int MaxDepth = 256;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace soap
