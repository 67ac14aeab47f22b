#pragma once

#include "answertypes.h"
#include "qualifiedname.h"

#include <QList>
#include <QString>

namespace soap {

// What the WSDL says of one operation: how to write its request and what its answer looks like.
struct OperationInfo
{
    QString name;
    QString soapAction;
    bool rpcStyle = true;
    bool encodedUse = true;
    QString encodingStyle;               // encoded use: the soap:body encodingStyle
    QualifiedName requestWrapper;        // rpc: operation name in the body namespace; document: the part's element
    QList<QualifiedName> parameters;     // the argument elements, in order; shared between operations
    AnswerExpectation answer;
};

} // namespace soap
