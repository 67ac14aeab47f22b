#pragma once

#include <QString>

class Samples;

// The program's start, process by process: spawn to the window's first paint.
class StartupBench
{
public:
    // Parent: runs the child `runs` times against the service and times each.
    static Samples measure(const QString &program, const QString &wsdlUrl, int runs);
    // Child: starts as the program does, prints "painted" at the first paint and ends.
    static int runChild(const QString &wsdlUrl);
};
