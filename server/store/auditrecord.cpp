#include "auditrecord.h"

#include <array>

namespace {

const std::array<QLatin1StringView, 5> Names = {
    QLatin1StringView("new"), QLatin1StringView("identical"), QLatin1StringView("correction"),
    QLatin1StringView("refused"), QLatin1StringView("final"),
};

} // namespace

QString AuditRecord::kindName(Kind kind)
{
    return Names[std::size_t(kind)];
}

std::optional<AuditRecord::Kind> AuditRecord::kindNamed(const QString &name)
{
    for (std::size_t i = 0; i < Names.size(); ++i) {
        if (name == Names[i])
            return Kind(i);
    }
    return std::nullopt;
}
