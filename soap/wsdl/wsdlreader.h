#pragma once

#include "deadline.h"
#include "servicedescription.h"

#include <QByteArray>
#include <QString>

namespace soap {

class SchemaIndex;
class XmlElement;

// Reads one service port of a WSDL 1.1 document with a SOAP 1.1 HTTP binding: the endpoint and,
// per operation, style, use, soapAction, body namespace and parts. Anything the client would need
// and the document lacks is a RaisedError naming the document's URL.
class WsdlReader
{
public:
    WsdlReader(QString serviceName, QString portName, QString serviceNamespace);

    ServiceDescription read(const QByteArray &document, const QString &where,
                            const Deadline &deadline = Deadline::never()) const;

private:
    class Context;
    OperationInfo readOperation(Context &context, const XmlElement &bindingOperation, bool rpcDefault) const;
    [[noreturn]] void fail(std::int32_t number, const Context &context, const QString &what) const;

    QString m_serviceName;
    QString m_portName;
    QString m_serviceNamespace;
};

} // namespace soap
