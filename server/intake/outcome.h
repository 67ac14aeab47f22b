#pragma once

#include "figures.h"

#include <QString>

#include <optional>

// What became of a submission, once stored (or not: 503).
struct Outcome
{
    int status = 503;
    QString text;                        // for a refusal: why
    int line = 0;                        // for a refused batch: its first bad line
    int added = 0;                       // reports new or corrected
    int identical = 0;                   // identical repeats
    std::optional<Figures> reported;     // for a conflict: the figures already there
    bool corrected = false;
};
