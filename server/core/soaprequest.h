#pragma once

#include <QString>

#include <optional>
#include <vector>

// What a SOAP rpc call asks for: the operation (the body's first element) and its arguments in
// the order sent. A nil argument has no value.
struct SoapRequest
{
    struct Argument
    {
        QString name;    // local name; the prefix a client chose does not matter
        std::optional<QString> value;
    };

    QString operationNamespace;
    QString operation;
    std::vector<Argument> arguments;
};
