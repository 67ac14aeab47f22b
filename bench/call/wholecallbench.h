#pragma once

#include "durations.h"

#include "wirestyle.h"

// A new client (WSDL fetched and read) and one whole-country call against the bundled service
// on a thread of this process, as the viewer makes on every fetch.
class WholeCallBench
{
public:
    static Durations run(WireStyle style, int repetitions);
};
