#pragma once

#include "domnode.h"
#include "objectfactory.h"
#include "qualifiedname.h"
#include "variant.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace soap {

// An XML type that the generic custom type mapper turns into objects from the factory.
struct MappedType
{
    QualifiedName type;
    std::shared_ptr<DomNode> mappingNode; // the mapping document's <type> element, for the factory
};

// What the mapping document and the client properties give every call's decoding.
struct DecodeSetup
{
    std::vector<MappedType> types;
    std::shared_ptr<IGCTMObjectFactory> factory; // may be null: mapped elements are then skipped
};

// What the WSDL says of one operation's answer.
struct AnswerExpectation
{
    QString operation;          // e.g. "getCountryResultsValnatt"
    QString bodyNamespace;      // rpc: the namespace of the <operation>Response wrapper
    bool rpcStyle = true;       // false: document style
    bool encodedUse = true;     // false: literal use
    QString returnPart;         // the output part's name, e.g. "return"
    QualifiedName returnType;   // rpc: the part's type; document: the part's element; may be empty
    QualifiedName itemType;     // when the part is an array: its items' type from the schema
};

struct SoapFault
{
    QString code;   // as sent: SOAP 1.1 faultcode, SOAP 1.2 Code/Value (e.g. "SOAP-ENV:Client")
    QString string; // SOAP 1.1 faultstring, SOAP 1.2 the first Reason/Text
};

struct DecodedAnswer
{
    Variant value;                 // empty when the answer is a fault
    std::optional<SoapFault> fault;
};

// Decodes one SOAP answer, fed in pieces as they arrive, so that an answer never has to be held
// whole. Every failure raises a RaisedError whose description names what failed and where (the
// URL given, and the XML line and column).
class ResponseDecoder
{
public:
    // httpCharset: the charset parameter of the HTTP Content-Type, empty when there was none; it
    // takes precedence over the XML declaration.
    ResponseDecoder(const DecodeSetup &setup, AnswerExpectation expectation, QByteArray httpCharset,
                    QString where);
    ~ResponseDecoder();

    ResponseDecoder(const ResponseDecoder &) = delete;
    ResponseDecoder &operator=(const ResponseDecoder &) = delete;

    void feed(const char *data, qsizetype size);
    DecodedAnswer finish();

    // Deepest element nesting accepted; deeper input is refused (NestingTooDeep).
    static constexpr int MaxDepth = 256;

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace soap
