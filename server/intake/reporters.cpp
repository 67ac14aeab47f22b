#include "reporters.h"

#include "dataset.h"
#include "dataseterror.h"
#include "fieldrules.h"
#include "tsvtext.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSet>

#include <array>

namespace {

const std::array<QLatin1StringView, 4> Columns = {
    QLatin1StringView("name"), QLatin1StringView("sha256"), QLatin1StringView("counties"),
    QLatin1StringView("role"),
};
enum Column { Name, Hash, Counties, Role };

bool isLowerHex(const QString &s)
{
    for (QChar c : s) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

class Parser
{
public:
    explicit Parser(const DataSet &data) : m_data(data) {}
    Reporters run(const QString &text);

private:
    [[noreturn]] void failField(Column column, const QString &what) const
    {
        TsvText::failField(m_line, Columns[column], what);
    }
    Reporter reporterOf(const QStringList &fields);

    const DataSet &m_data;
    int m_line = 0;
    QSet<QString> m_names;
    QSet<QByteArray> m_hashes;
};

Reporters Parser::run(const QString &text)
{
    std::vector<Reporter> reporters;
    for (const auto &[line, fields] : TsvText::records(text)) {
        m_line = line;
        if (fields.size() != int(Columns.size())) {
            TsvText::failLine(line, QStringLiteral("%1 tabbseparerade fält väntades (namn, sha256, län, roll), inte %2")
                                            .arg(Columns.size()).arg(fields.size()));
        }
        reporters.push_back(reporterOf(fields));
    }
    return Reporters(std::move(reporters));
}

Reporter Parser::reporterOf(const QStringList &fields)
{
    Reporter r;
    r.name = fields[Name];
    if (const auto fault = FieldRules::nameFault(r.name))
        failField(Name, *fault);
    if (m_names.contains(r.name))
        failField(Name, QStringLiteral("'%1' finns redan på en tidigare rad").arg(r.name));
    m_names.insert(r.name);

    const QString &hex = fields[Hash];
    if (hex.size() != 64 || !isLowerHex(hex))
        failField(Hash, QStringLiteral("SHA-256 av nyckeln väntades, 64 hexadecimala tecken med små bokstäver "
                                       "(aldrig själva nyckeln)"));
    r.tokenHash = QByteArray::fromHex(hex.toLatin1());
    if (m_hashes.contains(r.tokenHash))
        failField(Hash, QStringLiteral("samma nyckel som en tidigare rad"));
    m_hashes.insert(r.tokenHash);

    if (fields[Counties] == u"*") {
        r.allCounties = true;
    } else {
        for (const QString &code : fields[Counties].split(u',')) {
            if (!FieldRules::isDigits(code, 2) || m_data.countyIndex(code) < 0)
                failField(Counties, QStringLiteral("'%1' är inget län i datafilen (länskoder med komma emellan, "
                                                   "eller * för alla)").arg(code));
            r.counties << code;
        }
    }

    if (fields[Role] == u"admin")
        r.admin = true;
    else if (fields[Role] != u"reporter")
        failField(Role, QStringLiteral("'%1' är varken reporter eller admin").arg(fields[Role]));
    return r;
}

} // namespace

Reporters Reporters::parse(const QByteArray &text, const DataSet &data)
{
    return Parser(data).run(TsvText::decode(text));
}

Reporters Reporters::read(const QString &path, const DataSet &data)
{
    return TsvText::parseFile(path, [&data](const QByteArray &text) { return parse(text, data); });
}

QByteArray Reporters::hashOf(const QByteArray &token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256);
}

std::optional<Reporter> Reporters::authenticate(const QByteArray &token) const
{
    const QByteArray hash = hashOf(token);
    const Reporter *found = nullptr;
    for (const Reporter &r : m_reporters) {
        unsigned char difference = 0;
        for (int i = 0; i < hash.size(); ++i)
            difference |= static_cast<unsigned char>(hash[i] ^ r.tokenHash[i]);
        // No branch on the bytes themselves; only the outcome picks.
        found = difference == 0 ? &r : found;
    }
    if (!found || token.isEmpty())
        return std::nullopt;
    return *found;
}

Reporters::NewToken Reporters::newToken(const QString &name, const QString &counties, const QString &role)
{
    std::array<quint32, 8> random;
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QByteArray raw(reinterpret_cast<const char *>(random.data()), int(sizeof random));
    NewToken t;
    t.token = raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    t.line = QStringList{name, QString::fromLatin1(hashOf(t.token).toHex()), counties, role}.join(u'\t');
    return t;
}
