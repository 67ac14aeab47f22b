#include "reportbody.h"

#include "intakerefusal.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

constexpr int MaxReasonLength = 500;
const std::array<const char *, 4> VoteNames = {"yes", "no", "blank", "invalid"};

[[noreturn]] void malformed(const QString &what)
{
    throw IntakeRefusal(400, QStringLiteral("Felaktig JSON: %1").arg(what));
}

[[noreturn]] void badField(const QString &field, const QString &what)
{
    throw IntakeRefusal(422, QStringLiteral("Fältet \"%1\" %2").arg(field, what), field);
}

// A single flat object of strings and numbers; nothing deeper is ever valid here, so a nested
// value is refused where it starts, without reading it.
class Reader
{
public:
    explicit Reader(const QByteArray &json) : m_s(json) {}
    ReportBody run();

private:
    void skipSpace();
    bool at(char c) const { return m_pos < m_s.size() && m_s[m_pos] == c; }
    void expect(char c);
    QString string();
    void unicodeEscape(QByteArray &out);
    std::int64_t count(const QString &field);

    const QByteArray &m_s;
    qsizetype m_pos = 0;
};

void Reader::skipSpace()
{
    while (m_pos < m_s.size() && (m_s[m_pos] == ' ' || m_s[m_pos] == '\t' || m_s[m_pos] == '\n' || m_s[m_pos] == '\r'))
        ++m_pos;
}

void Reader::expect(char c)
{
    skipSpace();
    if (!at(c))
        malformed(QStringLiteral("'%1' väntades vid byte %2").arg(QLatin1Char(c)).arg(m_pos));
    ++m_pos;
}

QString Reader::string()
{
    expect('"');
    QByteArray out;
    for (;;) {
        if (m_pos >= m_s.size())
            malformed(QStringLiteral("en sträng tar aldrig slut"));
        const char c = m_s[m_pos++];
        if (c == '"')
            break;
        if (static_cast<unsigned char>(c) < 0x20)
            malformed(QStringLiteral("styrtecken i en sträng"));
        if (c != '\\') {
            out += c;
            continue;
        }
        if (m_pos >= m_s.size())
            malformed(QStringLiteral("en sträng tar aldrig slut"));
        switch (const char e = m_s[m_pos++]) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': unicodeEscape(out); break;
        default: malformed(QStringLiteral("okänd flyktsekvens i en sträng"));
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(out);
    if (decoder.hasError())
        malformed(QStringLiteral("inte giltig UTF-8"));
    return text;
}

void Reader::unicodeEscape(QByteArray &out)
{
    auto hex4 = [this]() {
        if (m_pos + 4 > m_s.size())
            malformed(QStringLiteral("ofullständig \\u-sekvens"));
        bool ok = false;
        const uint v = m_s.mid(m_pos, 4).toUInt(&ok, 16);
        if (!ok || m_s.mid(m_pos, 4).contains('+') || m_s.mid(m_pos, 4).contains('-'))
            malformed(QStringLiteral("felaktig \\u-sekvens"));
        m_pos += 4;
        return char32_t(v);
    };
    char32_t code = hex4();
    if (code >= 0xD800 && code <= 0xDBFF) {
        if (!(m_pos + 1 < m_s.size() && m_s[m_pos] == '\\' && m_s[m_pos + 1] == 'u'))
            malformed(QStringLiteral("ensamt surrogat"));
        m_pos += 2;
        const char32_t low = hex4();
        if (low < 0xDC00 || low > 0xDFFF)
            malformed(QStringLiteral("ensamt surrogat"));
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
        malformed(QStringLiteral("ensamt surrogat"));
    }
    out += QString::fromUcs4(&code, 1).toUtf8();
}

std::int64_t Reader::count(const QString &field)
{
    skipSpace();
    const qsizetype start = m_pos;
    if (at('-'))
        ++m_pos;
    while (m_pos < m_s.size() && m_s[m_pos] >= '0' && m_s[m_pos] <= '9')
        ++m_pos;
    const QByteArray digits = m_s.mid(start, m_pos - start);
    if (at('.') || at('e') || at('E'))
        badField(field, QStringLiteral("är inte ett heltal"));
    if (digits.isEmpty() || digits == "-")
        badField(field, QStringLiteral("ska vara ett tal (ett heltal från 0 till 999999999)"));
    if (digits.size() > 1 && digits[digits[0] == '-' ? 1 : 0] == '0')
        malformed(QStringLiteral("ett tal med inledande nolla"));
    if (digits[0] == '-')
        badField(field, QStringLiteral("är negativt"));
    if (digits.size() > 9)
        badField(field, QStringLiteral("är större än 999999999"));
    return digits.toLongLong();
}

ReportBody Reader::run()
{
    ReportBody body;
    std::array<bool, 4> seen{};
    bool correctionSeen = false;
    expect('{');
    skipSpace();
    if (at('}')) {
        ++m_pos;
    } else {
        for (;;) {
            const QString key = string();
            expect(':');
            const auto vote = std::find_if(VoteNames.begin(), VoteNames.end(), [&](const char *n) { return key == QLatin1String(n); });
            if (vote != VoteNames.end()) {
                const auto i = std::size_t(vote - VoteNames.begin());
                if (seen[i])
                    badField(key, QStringLiteral("anges mer än en gång"));
                seen[i] = true;
                const std::int64_t n = count(key);
                std::array<std::int64_t *, 4> targets = {&body.figures.yes, &body.figures.no, &body.figures.blank,
                                                         &body.figures.invalid};
                *targets[i] = n;
            } else if (key == u"correction") {
                if (correctionSeen)
                    badField(key, QStringLiteral("anges mer än en gång"));
                correctionSeen = true;
                skipSpace();
                if (!at('"'))
                    badField(key, QStringLiteral("ska vara en text: skälet till rättelsen"));
                const QString reason = string();
                if (reason.trimmed().isEmpty())
                    badField(key, QStringLiteral("saknar skäl"));
                if (reason.size() > MaxReasonLength)
                    badField(key, QStringLiteral("är längre än %1 tecken").arg(MaxReasonLength));
                for (QChar c : reason) {
                    if (c.category() == QChar::Other_Control)
                        badField(key, QStringLiteral("innehåller ett styrtecken"));
                }
                body.correction = reason;
            } else {
                badField(key.left(40), QStringLiteral("finns inte (yes, no, blank, invalid och correction finns)"));
            }
            skipSpace();
            if (at(',')) {
                ++m_pos;
                continue;
            }
            expect('}');
            break;
        }
    }
    skipSpace();
    if (m_pos != m_s.size())
        malformed(QStringLiteral("mer efter objektet"));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (!seen[i])
            badField(QLatin1String(VoteNames[i]), QStringLiteral("saknas"));
    }
    return body;
}

} // namespace

ReportBody ReportBody::read(const QByteArray &json)
{
    return Reader(json).run();
}
