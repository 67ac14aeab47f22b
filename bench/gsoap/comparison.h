#pragma once

#include "sampleanswer.h"

#include <QString>

#include <vector>

// KSV and gSOAP side by side: both fetch the same answer bytes from the same local server, in
// paired runs that take turns going first, each a fresh process.
class Comparison
{
public:
    struct Figures
    {
        std::vector<double> callWall, callCpu, processWall, processCpu, peakBytes;
    };
    struct Result
    {
        qint64 answerBytes = 0;
        long records = 0;
        Figures ksv;
        Figures gsoap;
    };

    Comparison(QString ksvProgram, QString gsoapProgram);

    // Checks first that both decode the same records (count and checksum), then times `runs` pairs.
    Result run(int records, bench::WireStyle style, int runs) const;

    static double median(std::vector<double> values);

private:
    QString m_ksv;
    QString m_gsoap;
};
