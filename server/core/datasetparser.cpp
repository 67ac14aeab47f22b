#include "datasetparser.h"

#include "dataseterror.h"
#include "fieldrules.h"
#include "tsvtext.h"

#include <QStringList>

#include <array>

namespace {

const std::array<QLatin1StringView, 9> Columns = {
    QLatin1StringView("type"),  QLatin1StringView("code"),       QLatin1StringView("name"),
    QLatin1StringView("districts"), QLatin1StringView("electorate"), QLatin1StringView("yes"),
    QLatin1StringView("no"),    QLatin1StringView("blank"),      QLatin1StringView("invalid"),
};
enum Column { Type, Code, Name, Districts, Electorate, Yes, No, Blank, Invalid };

constexpr int MaxDistrictsPerMunicipality = 100000;

class Parser
{
public:
    DataSet run(const QString &text);

private:
    [[noreturn]] void fail(const QString &what) const;
    [[noreturn]] void failField(Column column, const QString &what) const;
    void readHeader(const QStringList &fields) const;
    void readCounty(const QStringList &fields);
    void readMunicipality(const QStringList &fields);
    QString code(const QStringList &fields, int digits) const;
    QString name(const QStringList &fields) const;
    std::int64_t number(const QStringList &fields, Column column) const;

    int m_line = 0;
    std::vector<County> m_counties;
};

void Parser::fail(const QString &what) const
{
    TsvText::failLine(m_line, what);
}

void Parser::failField(Column column, const QString &what) const
{
    TsvText::failField(m_line, Columns[column], what);
}

DataSet Parser::run(const QString &text)
{
    bool headerSeen = false;
    for (const auto &[line, fields] : TsvText::records(text)) {
        m_line = line;
        if (!headerSeen) {
            readHeader(fields);
            headerSeen = true;
        } else if (fields[Type] == u"county") {
            readCounty(fields);
        } else if (fields[Type] == u"municipality") {
            readMunicipality(fields);
        } else {
            failField(Type, QStringLiteral("okänd radtyp '%1' (county eller municipality väntades)")
                                .arg(fields[Type]));
        }
    }
    if (!headerSeen)
        throw DataSetError(QStringLiteral("rubrikraden saknas"));
    if (m_counties.empty())
        throw DataSetError(QStringLiteral("inga län"));
    if (m_counties.back().municipalities.empty())
        throw DataSetError(QStringLiteral("länet %1 har inga kommuner").arg(m_counties.back().code));
    return DataSet(std::move(m_counties));
}

void Parser::readHeader(const QStringList &fields) const
{
    bool ok = fields.size() == int(Columns.size());
    for (std::size_t i = 0; ok && i < Columns.size(); ++i)
        ok = fields[int(i)] == Columns[i];
    if (!ok) {
        QStringList expected;
        for (auto c : Columns)
            expected << c;
        fail(QStringLiteral("rubrikraden ska vara: %1").arg(expected.join(u' ')));
    }
}

void Parser::readCounty(const QStringList &fields)
{
    if (fields.size() != 3 && fields.size() != int(Columns.size()))
        fail(QStringLiteral("en länsrad har 3 eller 9 fält, inte %1").arg(fields.size()));
    for (int i = Districts; i < fields.size(); ++i) {
        if (!fields[i].isEmpty())
            failField(Column(i), QStringLiteral("ska vara tomt på en länsrad: länets siffror är "
                                                "summor av dess kommuner"));
    }
    if (!m_counties.empty() && m_counties.back().municipalities.empty())
        fail(QStringLiteral("länet %1 har inga kommuner").arg(m_counties.back().code));
    County county;
    county.code = code(fields, 2);
    if (county.code == u"00")
        failField(Code, QStringLiteral("00 är hela rikets kod"));
    if (!m_counties.empty() && county.code <= m_counties.back().code)
        failField(Code, QStringLiteral("'%1' kommer inte efter '%2' (länen i kodordning, varje kod en gång)")
                            .arg(county.code, m_counties.back().code));
    county.name = name(fields);
    m_counties.push_back(std::move(county));
}

void Parser::readMunicipality(const QStringList &fields)
{
    if (fields.size() != int(Columns.size()))
        fail(QStringLiteral("en kommunrad har 9 fält, inte %1").arg(fields.size()));
    if (m_counties.empty())
        fail(QStringLiteral("kommunrad före första länsraden"));
    County &county = m_counties.back();
    Municipality m;
    m.code = code(fields, 4);
    if (!m.code.startsWith(county.code))
        failField(Code, QStringLiteral("'%1' börjar inte med länets kod '%2'").arg(m.code, county.code));
    if (!county.municipalities.empty() && m.code <= county.municipalities.back().code)
        failField(Code, QStringLiteral("'%1' kommer inte efter '%2' (kommunerna i kodordning, varje kod en gång)")
                            .arg(m.code, county.municipalities.back().code));
    m.name = name(fields);
    m.districts = int(number(fields, Districts));
    m.electorate = number(fields, Electorate);
    m.yes = number(fields, Yes);
    m.no = number(fields, No);
    m.blank = number(fields, Blank);
    m.invalid = number(fields, Invalid);
    if (m.districts < 1 || m.districts > MaxDistrictsPerMunicipality)
        failField(Districts, QStringLiteral("%1 valdistrikt: mellan 1 och %2 väntades")
                                 .arg(m.districts).arg(MaxDistrictsPerMunicipality));
    if (m.yes + m.no + m.blank + m.invalid > m.electorate)
        failField(Electorate, QStringLiteral("fler röster (%1) än röstberättigade (%2)")
                                  .arg(m.yes + m.no + m.blank + m.invalid).arg(m.electorate));
    county.municipalities.push_back(std::move(m));
}

QString Parser::code(const QStringList &fields, int digits) const
{
    if (!FieldRules::isDigits(fields[Code], digits))
        failField(Code, QStringLiteral("'%1' är inte en kod med %2 siffror").arg(fields[Code]).arg(digits));
    return fields[Code];
}

QString Parser::name(const QStringList &fields) const
{
    const QString &n = fields[Name];
    if (const auto fault = FieldRules::nameFault(n))
        failField(Name, *fault);
    return n;
}

std::int64_t Parser::number(const QStringList &fields, Column column) const
{
    const QString &s = fields[column];
    const auto n = FieldRules::count(s);
    if (!n)
        failField(column, FieldRules::countFault(s));
    return *n;
}

} // namespace

DataSet DataSetParser::parse(const QByteArray &text)
{
    return Parser().run(TsvText::decode(text));
}

DataSet DataSetParser::bundled()
{
    return fromFile(QStringLiteral(":/ksv/results.tsv"));
}

DataSet DataSetParser::fromFile(const QString &path)
{
    return TsvText::parseFile(path, [](const QByteArray &text) { return parse(text); });
}
