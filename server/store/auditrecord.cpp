#include "auditrecord.h"

#include <array>

namespace {

const std::array<QLatin1StringView, 5> names = {
    QLatin1StringView("new"), QLatin1StringView("identical"), QLatin1StringView("correction"),
    QLatin1StringView("refused"), QLatin1StringView("final"),
};

} // namespace

QString AuditRecord::kindName(Kind kind)
{
    return names[std::size_t(kind)];
}

std::optional<AuditRecord::Kind> AuditRecord::kindNamed(const QString &name)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (name == names[i])
            return Kind(i);
    }
    return std::nullopt;
}
