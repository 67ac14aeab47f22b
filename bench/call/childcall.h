#pragma once

#include <QString>

// The child process of the big-answer run: one new client and one whole-country call, nothing
// else, so that its peak memory is the call's. Prints "records seconds baseline_bytes peak_bytes".
class ChildCall
{
public:
    static int run(const QString &wsdlUrl);
};
