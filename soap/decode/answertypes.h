#pragma once

#include "domnode.h"
#include "objectfactory.h"
#include "qualifiedname.h"
#include "variant.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

// What the decoding of an answer is given and what it yields: the mapping document and the WSDL
// fill the first, the caller reads the second.
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

// A SOAP Fault as the service sent it.
struct ReceivedFault
{
    QString code;   // faultcode as sent (e.g. "SOAP-ENV:Client")
    QString string; // faultstring
};

struct DecodedAnswer
{
    Variant value;                 // empty when the answer is a fault
    std::optional<ReceivedFault> fault;
};

} // namespace soap
