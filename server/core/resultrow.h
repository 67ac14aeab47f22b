#pragma once

#include <QString>

#include <array>

// One QueryResult record as it goes on the wire: fifteen texts in the record's member order.
struct ResultRow
{
    static constexpr int MemberCount = 15;
    static const std::array<QLatin1StringView, MemberCount> &memberNames();

    std::array<QString, MemberCount> values;
};
