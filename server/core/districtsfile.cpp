#include "districtsfile.h"

#include "dataseterror.h"
#include "fieldrules.h"
#include "tsvtext.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace {

const std::array<QLatin1StringView, 4> Columns = {
    QLatin1StringView("municipality"), QLatin1StringView("district"), QLatin1StringView("name"),
    QLatin1StringView("electorate"),
};
enum Column { Municipality, Number, Name, Electorate };

class Parser
{
public:
    explicit Parser(const DataSet &data);
    DistrictTable run(const QString &text);

private:
    [[noreturn]] void fail(const QString &what) const;
    [[noreturn]] void failField(Column column, const QString &what) const;
    void readDistrict(const QStringList &fields);

    const DataSet &m_data;
    QHash<QString, std::pair<int, int>> m_municipalities;    // code: county and municipality index
    QHash<QString, int> m_lastNumber;
    std::vector<DistrictTable::Entry> m_entries;
    int m_line = 0;
};

Parser::Parser(const DataSet &data)
    : m_data(data)
{
    const auto &counties = data.counties();
    for (int c = 0; c < int(counties.size()); ++c) {
        const auto &municipalities = counties[std::size_t(c)].municipalities;
        for (int m = 0; m < int(municipalities.size()); ++m)
            m_municipalities.insert(municipalities[std::size_t(m)].code, {c, m});
    }
}

void Parser::fail(const QString &what) const
{
    TsvText::failLine(m_line, what);
}

void Parser::failField(Column column, const QString &what) const
{
    TsvText::failField(m_line, Columns[column], what);
}

DistrictTable Parser::run(const QString &text)
{
    bool headerSeen = false;
    for (const auto &[line, fields] : TsvText::records(text)) {
        m_line = line;
        if (headerSeen) {
            readDistrict(fields);
            continue;
        }
        QStringList expected;
        for (auto c : Columns)
            expected << c;
        if (fields != expected)
            fail(QStringLiteral("rubrikraden ska vara: %1").arg(expected.join(u' ')));
        headerSeen = true;
    }
    if (!headerSeen)
        throw DataSetError(QStringLiteral("rubrikraden saknas"));
    for (const County &county : m_data.counties()) {
        for (const ::Municipality &m : county.municipalities) {
            if (!m_lastNumber.contains(m.code))
                throw DataSetError(QStringLiteral("kommunen %1 (%2) har inga valdistrikt").arg(m.code, m.name));
        }
    }
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const auto &a, const auto &b) {
        return std::tie(a.county, a.municipality) < std::tie(b.county, b.municipality);
    });
    return DistrictTable(m_data, std::move(m_entries));
}

void Parser::readDistrict(const QStringList &fields)
{
    if (fields.size() != int(Columns.size()))
        fail(QStringLiteral("en rad har %1 fält, inte %2").arg(Columns.size()).arg(fields.size()));
    const QString &code = fields[Municipality];
    const auto where = m_municipalities.constFind(code);
    if (where == m_municipalities.cend())
        failField(Municipality, QStringLiteral("'%1' är ingen kommun i datafilen").arg(code));
    const auto number = FieldRules::count(fields[Number]);
    const int expected = m_lastNumber.value(code) + 1;
    if (!number || *number != expected)
        failField(Number, QStringLiteral("'%1': distrikt %2 väntades (1, 2, 3 ... inom kommunen)")
                                  .arg(fields[Number]).arg(expected));
    if (const auto fault = FieldRules::nameFault(fields[Name]))
        failField(Name, *fault);
    const auto electorate = FieldRules::count(fields[Electorate]);
    if (!electorate)
        failField(Electorate, FieldRules::countFault(fields[Electorate]));
    m_lastNumber[code] = expected;
    m_entries.push_back(DistrictTable::Entry{where->first, where->second, expected, fields[Name], *electorate});
}

} // namespace

DistrictTable DistrictsFile::parse(const QByteArray &text, const DataSet &data)
{
    return Parser(data).run(TsvText::decode(text));
}

DistrictTable DistrictsFile::read(const QString &path, const DataSet &data)
{
    return TsvText::parseFile(path, [&data](const QByteArray &text) { return parse(text, data); });
}
