#include "ledgerdecision.h"

#include "auditrecord.h"
#include "storetransaction.h"

namespace {

AuditRecord::Votes votesOf(const Figures &f)
{
    return AuditRecord::Votes{f.yes, f.no, f.blank, f.invalid};
}

Figures figuresOf(const AuditRecord::Votes &v)
{
    return Figures{v.yes, v.no, v.blank, v.invalid};
}

QString figuresText(const Figures &f)
{
    return QStringLiteral("ja %1, nej %2, blanka %3, ogiltiga %4").arg(f.yes).arg(f.no).arg(f.blank).arg(f.invalid);
}

QString conflictText(const QString &municipality, int district, const Figures &reported)
{
    return QStringLiteral("Distrikt %1 i kommun %2 har redan andra siffror (%3); skicka \"correction\" med ett skäl "
                          "för att rätta dem")
            .arg(district)
            .arg(municipality, figuresText(reported));
}

} // namespace

Outcome LedgerDecision::decide(const Submission &s)
{
    switch (s.kind) {
    case Submission::Kind::Report: return report(s);
    case Submission::Kind::Batch: return batch(s);
    case Submission::Kind::Final: return final(s);
    case Submission::Kind::Refusal: break;
    }
    return refusal(s, s.status, s.reason);
}

AuditRecord LedgerDecision::recordOf(const Submission &s) const
{
    AuditRecord r;
    r.reporter = s.reporter;
    r.client = s.client;
    r.request = s.request;
    r.area = s.area;
    r.district = s.district;
    if (s.figures)
        r.votes = votesOf(*s.figures);
    return r;
}

Outcome LedgerDecision::refusal(const Submission &s, int status, const QString &reason, int line)
{
    AuditRecord r = recordOf(s);
    r.kind = AuditRecord::Kind::Refused;
    r.status = status;
    r.reason = reason;
    m_tx.append(r);
    Outcome o;
    o.status = status;
    o.text = reason;
    o.line = line;
    return o;
}

Outcome LedgerDecision::report(const Submission &s)
{
    const Figures figures = *s.figures;
    const auto stored = m_tx.current(s.area, s.district);
    AuditRecord r = recordOf(s);
    Outcome o;
    if (stored && figuresOf(*stored) == figures) {
        r.kind = AuditRecord::Kind::Identical;
        r.status = o.status = 200;
        ++o.identical;
    } else if (stored && !s.correction) {
        Outcome refused = refusal(s, 409, conflictText(s.area, s.district, figuresOf(*stored)));
        refused.reported = figuresOf(*stored);
        return refused;
    } else {
        r.kind = stored ? AuditRecord::Kind::Correction : AuditRecord::Kind::New;
        r.status = o.status = stored ? 200 : 201;
        o.corrected = bool(stored);
        ++o.added;
        m_tx.setCurrent(s.area, s.district, votesOf(figures));
    }
    r.reason = s.correction.value_or(QString());
    m_tx.append(r);
    return o;
}

Outcome LedgerDecision::batch(const Submission &s)
{
    // Every line is checked before any is written: the batch is taken whole or not at all.
    QHash<QString, Figures> inBatch;
    std::vector<bool> fresh;
    for (const ReportCsv::Line &line : s.lines) {
        const QString key = line.municipality + u'/' + QString::number(line.district);
        std::optional<Figures> before;
        if (const auto earlier = inBatch.constFind(key); earlier != inBatch.cend())
            before = *earlier;
        else if (const auto stored = m_tx.current(line.municipality, line.district))
            before = figuresOf(*stored);
        if (before && *before != line.figures) {
            return refusal(s, 409, QStringLiteral("Rad %1: %2").arg(line.line).arg(
                                           conflictText(line.municipality, line.district, *before)), line.line);
        }
        fresh.push_back(!before);
        inBatch.insert(key, line.figures);
    }
    Outcome o;
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const ReportCsv::Line &line = s.lines[i];
        AuditRecord r = recordOf(s);
        r.area = line.municipality;
        r.district = line.district;
        r.votes = votesOf(line.figures);
        r.kind = fresh[i] ? AuditRecord::Kind::New : AuditRecord::Kind::Identical;
        r.status = fresh[i] ? 201 : 200;
        r.reason = QStringLiteral("rad %1").arg(line.line);
        if (fresh[i]) {
            m_tx.setCurrent(line.municipality, line.district, *r.votes);
            ++o.added;
        } else {
            ++o.identical;
        }
        m_tx.append(r);
    }
    o.status = o.added > 0 ? 201 : 200;
    return o;
}

Outcome LedgerDecision::final(const Submission &s)
{
    AuditRecord r = recordOf(s);
    r.kind = AuditRecord::Kind::Final;
    r.status = 200;
    m_tx.append(r);
    Outcome o;
    o.status = 200;
    return o;
}
