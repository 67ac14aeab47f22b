#include "reportcsv.h"

#include "fieldrules.h"
#include "intakerefusal.h"
#include "tsvtext.h"

#include <array>

namespace {

const std::array<QLatin1StringView, 6> Columns = {
    QLatin1StringView("municipality"), QLatin1StringView("district"), QLatin1StringView("yes"),
    QLatin1StringView("no"),           QLatin1StringView("blank"),    QLatin1StringView("invalid"),
};

[[noreturn]] void refuse(int line, const QString &what)
{
    throw IntakeRefusal(422, QStringLiteral("Rad %1: %2").arg(line).arg(what), {}, line);
}

// Splits at commas; a field in double quotes may hold commas and "" for a quote.
QStringList fieldsOf(const QString &text, int line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == u',') {
            // A line of commas must not cost a string each.
            if (fields.size() == int(Columns.size()))
                refuse(line, QStringLiteral("fler än %1 fält").arg(Columns.size()));
            fields << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (wasQuoted) {
            refuse(line, QStringLiteral("text efter ett citerat fält"));
        } else {
            field += c;
        }
    }
    if (quoted)
        refuse(line, QStringLiteral("ett citattecken stängs aldrig"));
    fields << field;
    return fields;
}

ReportCsv::Line lineOf(const QStringList &f, int line)
{
    ReportCsv::Line r;
    r.line = line;
    r.municipality = f[0].trimmed();
    if (!FieldRules::isDigits(r.municipality, 4))
        refuse(line, QStringLiteral("fältet \"municipality\": '%1' är ingen kommunkod (fyra siffror)").arg(r.municipality.left(40)));
    std::array<std::int64_t, 5> numbers{};
    for (int i = 1; i < 6; ++i) {
        const QString s = f[i].trimmed();
        const auto n = FieldRules::count(s);
        if (!n) {
            refuse(line, QStringLiteral("fältet \"%1\": %2").arg(Columns[std::size_t(i)],
                   s.startsWith(u'-') ? QStringLiteral("'%1' är negativt").arg(s.left(40)) : FieldRules::countFault(s.left(40))));
        }
        numbers[std::size_t(i - 1)] = *n;
    }
    if (numbers[0] < 1)
        refuse(line, QStringLiteral("fältet \"district\": distrikten numreras från 1"));
    r.district = int(numbers[0]);
    r.figures = Figures{numbers[1], numbers[2], numbers[3], numbers[4]};
    return r;
}

} // namespace

std::vector<ReportCsv::Line> ReportCsv::read(const QByteArray &csv)
{
    QString text;
    try {
        text = TsvText::decode(csv);
    } catch (const std::exception &) {
        throw IntakeRefusal(422, QStringLiteral("CSV-filen är inte giltig UTF-8"));
    }
    std::vector<Line> lines;
    bool headerSeen = false;
    int number = 0;
    for (QString line : text.split(u'\n')) {
        ++number;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = fieldsOf(line, number);
        if (!headerSeen) {
            QStringList names;
            for (const QString &f : fields)
                names << f.trimmed();
            if (names.join(u',') != QString::fromLatin1(header()))
                refuse(number, QStringLiteral("rubrikraden ska vara %1").arg(QString::fromLatin1(header())));
            headerSeen = true;
            continue;
        }
        if (fields.size() != int(Columns.size()))
            refuse(number, QStringLiteral("%1 fält väntades, inte %2").arg(Columns.size()).arg(fields.size()));
        lines.push_back(lineOf(fields, number));
    }
    if (!headerSeen)
        refuse(1, QStringLiteral("rubrikraden saknas (%1)").arg(QString::fromLatin1(header())));
    if (lines.empty())
        refuse(number, QStringLiteral("inga rapporter efter rubrikraden"));
    return lines;
}
