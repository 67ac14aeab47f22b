#pragma once

#include "wirestyle.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

// What the service's night is: the command line fills it, tests set it directly.
struct ServiceOptions
{
    WireStyle style = WireStyle::Inline;
    bool finalCount = false;                    // serve the complete count from the start
    std::uint64_t seed = 20030914;              // decides the order in which districts come in
    int nightMinutes = 30;                      // every district is in after this long
    // When the night began; none: when the service was made. Replicas given the same seed and
    // start give the same answers at the same moment.
    std::optional<std::chrono::system_clock::time_point> nightStart;
    QString dataFile;                           // empty: the bundled data set
    std::optional<std::chrono::milliseconds> frozenAt;    // hold the night still at this moment

    // A live night: counts come only from reports, each stored before it is answered.
    bool liveNight = false;
    QString districtsFile;                      // empty: the data file's districts as the replay splits them
    QString reportersFile;
    QString store;                              // SQLite file, or a postgresql:// URI
};
