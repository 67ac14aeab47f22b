#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One run of a child program, measured from outside: wall time from spawn to exit and the CPU
// time of the whole process (every thread, user and system) from wait4.
struct ChildRun
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
    QByteArray output; // its standard output
};

class ChildProcess
{
public:
    // Throws std::runtime_error when the child cannot be started or does not exit with 0.
    static ChildRun run(const QString &program, const QStringList &arguments);
};
