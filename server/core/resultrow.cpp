#include "resultrow.h"

const std::array<QLatin1StringView, ResultRow::MemberCount> &ResultRow::memberNames()
{
    static const std::array<QLatin1StringView, MemberCount> Names = {
        QLatin1StringView("generated"),  QLatin1StringView("resultType"),
        QLatin1StringView("code"),       QLatin1StringView("name"),
        QLatin1StringView("readyDistricts"), QLatin1StringView("allDistricts"),
        QLatin1StringView("yesNum"),     QLatin1StringView("yesPerc"),
        QLatin1StringView("noNum"),      QLatin1StringView("noPerc"),
        QLatin1StringView("blankNum"),   QLatin1StringView("blankPerc"),
        QLatin1StringView("invalidNum"), QLatin1StringView("turnoutNum"),
        QLatin1StringView("turnoutPerc"),
    };
    return Names;
}
