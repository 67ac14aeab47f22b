#pragma once

#include "sampleanswer.h"

#include <QByteArray>


// Throughput of one sample answer: a bare expat pass, a bare QXmlStreamReader pass and the whole
// decoding into records, each fed the way the network delivers it.
class DecodeBench
{
public:
    static constexpr qsizetype Piece = 64 * 1024;

    explicit DecodeBench(QByteArray answer);

    struct Seconds
    {
        double expat = 0;
        double streamReader = 0;
        double decode = 0;
    };

    // Best CPU seconds of one pass each. The three passes take turns, so that other work on the
    // machine hits them alike, and the best of many rounds is the least disturbed.
    Seconds measure() const;
    // The decoded answer; raises as the decoder does.
    soap::DecodedAnswer decodeOnce() const;
    void bareExpat() const;
    void bareStreamReader() const;

private:

    QByteArray m_answer;
};
