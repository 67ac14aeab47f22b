// The intake's readers of what reporters send: a report's JSON body and a CSV of many. The first
// byte picks which; whatever either takes must be figures that can be.

#include "intakerefusal.h"
#include "reportbody.h"
#include "reportcsv.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool possible(const Figures &f)
{
    for (const std::int64_t n : {f.yes, f.no, f.blank, f.invalid}) {
        if (n < 0 || n > 999999999)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    try {
        if (data[0] & 1) {
            for (const ReportCsv::Line &line : ReportCsv::read(text)) {
                if (!possible(line.figures) || line.district < 1 || line.municipality.size() != 4 || line.line < 2)
                    std::abort();
            }
        } else {
            const ReportBody body = ReportBody::read(text);
            if (!possible(body.figures) || (body.correction && body.correction->trimmed().isEmpty()))
                std::abort();
        }
    } catch (const IntakeRefusal &refusal) {
        if (refusal.status() != 400 && refusal.status() != 422)
            std::abort();
    }
    return 0;
}
