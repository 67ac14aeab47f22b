#include "resultrowbuilder.h"

#include "percenttext.h"

ResultRowBuilder::ResultRowBuilder(const DataSet &data, const CountState &state, QString generated)
    : m_data(data), m_state(state), m_generated(std::move(generated))
{
}

std::vector<ResultRow> ResultRowBuilder::countryRows() const
{
    const auto &counties = m_data.counties();
    std::vector<ResultRow> rows;
    rows.reserve(counties.size() + 1);
    rows.push_back(row(m_generated, QStringLiteral("country"), QStringLiteral("00"),
                       QStringLiteral("Riket"), m_state.country()));
    for (std::size_t c = 0; c < counties.size(); ++c) {
        rows.push_back(row(m_generated, QStringLiteral("county"), counties[c].code,
                           counties[c].name, m_state.county(int(c))));
    }
    return rows;
}

std::vector<ResultRow> ResultRowBuilder::countyRows(int county) const
{
    const County &c = m_data.counties()[std::size_t(county)];
    std::vector<ResultRow> rows;
    rows.reserve(c.municipalities.size() + 1);
    rows.push_back(row(m_generated, QStringLiteral("county"), c.code, c.name, m_state.county(county)));
    for (std::size_t m = 0; m < c.municipalities.size(); ++m) {
        rows.push_back(row(m_generated, QStringLiteral("municipality"), c.municipalities[m].code,
                           c.municipalities[m].name, m_state.municipality(county, int(m))));
    }
    return rows;
}

ResultRow ResultRowBuilder::row(const QString &generated, const QString &resultType,
                                const QString &code, const QString &name, const Tally &t)
{
    ResultRow r;
    r.values = {
        generated,
        resultType,
        code,
        name,
        QString::number(t.readyDistricts),
        QString::number(t.allDistricts),
        QString::number(t.yes),
        PercentText::of(t.yes, t.valid()),
        QString::number(t.no),
        PercentText::of(t.no, t.valid()),
        QString::number(t.blank),
        PercentText::of(t.blank, t.valid()),
        QString::number(t.invalid),
        QString::number(t.cast()),
        PercentText::of(t.cast(), t.electorate),
    };
    return r;
}
