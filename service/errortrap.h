#pragma once

#include <QString>

// The one handler that the service classes' operations end in: the failure being handled, raised
// again as a soap::RaisedError under the operation's own source. A RaisedError keeps its number
// and description (a SOAP Fault is one already, raised by the SOAP client); running out of memory
// is OutOfMemory; any other exception is InternalFailure, described by its what(), or by
// `unknown` when it has none.
class ErrorTrap
{
public:
    // Only from inside a catch block.
    [[noreturn]] static void raiseAgain(const QString &source,
                                        const QString &unknown = QStringLiteral("Okänt fel"));
};
