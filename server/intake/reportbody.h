#pragma once

#include "figures.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The JSON body of one report: {"yes":…,"no":…,"blank":…,"invalid":…}, each a whole number from 0
// to 999999999 written as one, and optionally "correction": "<reason>". Read strictly by a reader
// of its own: no other member, no member twice, nothing after the object; the whole body is
// UTF-8. Malformed JSON is refused with 400, a member that cannot be with 422 naming it
// (IntakeRefusal).
struct ReportBody
{
    Figures figures;
    std::optional<QString> correction;

    static ReportBody read(const QByteArray &json);
};
