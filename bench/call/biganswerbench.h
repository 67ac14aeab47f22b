#pragma once

#include "sampleanswer.h"

// The whole call for a very large answer (50,000 records, about 45 MB), served by a test server
// in this process and fetched by a child process that does nothing else, so that the child's
// peak memory can be set against the answer's size.
class BigAnswerBench
{
public:
    struct Result
    {
        qint64 answerBytes = 0;
        int records = 0;
        double medianSeconds = 0;
        double minSeconds = 0;
        qint64 baselineBytes = 0; // the child's peak before the call: Qt and the program
        qint64 peakBytes = 0;     // the child's peak after the call (median run)
    };

    static Result run(const QString &program, int records, bench::WireStyle style, int runs);
};
