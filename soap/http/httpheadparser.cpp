#include "httpheadparser.h"

#include <QList>

#include <cstring>

namespace soap {

namespace {

bool isTokenChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

// Comma-separated list items, trimmed and lower-cased, empty items dropped.
QList<QByteArray> listItems(const QByteArray &value)
{
    QList<QByteArray> items;
    for (const QByteArray &item : value.split(',')) {
        const QByteArray trimmed = item.trimmed().toLower();
        if (!trimmed.isEmpty())
            items.append(trimmed);
    }
    return items;
}

} // namespace

qsizetype HttpHeadParser::feed(const char *data, qsizetype size)
{
    if (!m_error.isEmpty())
        return -1;
    qsizetype used = 0;
    while (used < size && !m_complete) {
        const char *begin = data + used;
        const auto *newline = static_cast<const char *>(std::memchr(begin, '\n', std::size_t(size - used)));
        const qsizetype take = newline ? qsizetype(newline - begin) + 1 : size - used;
        m_seen += take;
        if (m_seen > MaxHeadSize) {
            fail(QStringLiteral("svarshuvudet är större än %1 byte").arg(MaxHeadSize));
            return -1;
        }
        used += take;
        if (!newline) {
            m_line.append(begin, take);
            break;
        }
        if (!line(begin, newline))
            return -1;
    }
    return used;
}

bool HttpHeadParser::line(const char *begin, const char *end)
{
    QByteArray text = m_line.isEmpty() ? QByteArray(begin, end - begin) : m_line + QByteArray(begin, end - begin);
    m_line.clear();
    if (text.endsWith('\r'))
        text.chop(1);
    if (!m_statusRead)
        return statusLine(text);
    if (text.isEmpty()) {
        if (m_chunked && m_contentLength)
            return fail(QStringLiteral("svaret anger både Content-Length och Transfer-Encoding"));
        if (m_transferCoded && !m_chunked)
            return fail(QStringLiteral("överföringskodningen slutar inte med chunked"));
        if (m_minorVersion == 0 && !m_keepAlive)
            m_closes = true;
        m_complete = true;
        return true;
    }
    if (text.front() == ' ' || text.front() == '\t')
        return fail(QStringLiteral("svarshuvudet har en fortsättningsrad"));
    if (++m_fields > MaxFields)
        return fail(QStringLiteral("svarshuvudet har fler än %1 fält").arg(MaxFields));
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0)
        return fail(QStringLiteral("felaktigt fält i svarshuvudet"));
    const QByteArray name = text.left(colon);
    for (const char c : name) {
        if (!isTokenChar(c))
            return fail(QStringLiteral("felaktigt fältnamn i svarshuvudet"));
    }
    return field(name.toLower(), text.mid(colon + 1).trimmed());
}

bool HttpHeadParser::statusLine(const QByteArray &text)
{
    // "HTTP/1.1 200 OK"; the reason phrase may be empty.
    if (text.size() < 12 || !text.startsWith("HTTP/1.") || (text[7] != '0' && text[7] != '1') || text[8] != ' '
        || (text.size() > 12 && text[12] != ' '))
        return fail(QStringLiteral("svaret är inget HTTP/1.x-svar"));
    int status = 0;
    for (int i = 9; i < 12; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return fail(QStringLiteral("svaret har en felaktig statuskod"));
        status = status * 10 + (text[i] - '0');
    }
    if (status < 100)
        return fail(QStringLiteral("svaret har en felaktig statuskod"));
    m_minorVersion = text[7] - '0';
    m_status = status;
    m_reason = text.mid(13);
    m_statusRead = true;
    return true;
}

bool HttpHeadParser::field(const QByteArray &name, const QByteArray &value)
{
    if (name == "content-length") {
        for (const QByteArray &item : value.split(',')) {
            const QByteArray digits = item.trimmed();
            if (digits.isEmpty() || digits.size() > 18)
                return fail(QStringLiteral("felaktig Content-Length"));
            qint64 length = 0;
            for (const char c : digits) {
                if (c < '0' || c > '9')
                    return fail(QStringLiteral("felaktig Content-Length"));
                length = length * 10 + (c - '0');
            }
            if (m_contentLength && *m_contentLength != length)
                return fail(QStringLiteral("svaret anger olika Content-Length"));
            m_contentLength = length;
        }
    } else if (name == "transfer-encoding") {
        for (const QByteArray &coding : listItems(value)) {
            if (m_chunked)
                return fail(QStringLiteral("överföringskodningen slutar inte med chunked"));
            m_transferCoded = true;
            if (coding == "chunked")
                m_chunked = true;
            else if (coding != "identity")
                return fail(QStringLiteral("okänd överföringskodning \"%1\"").arg(QString::fromLatin1(coding)));
        }
    } else if (name == "content-encoding") {
        for (const QByteArray &coding : listItems(value)) {
            if (coding == "identity")
                continue;
            if (m_encodingSeen)
                return fail(QStringLiteral("svaret är kodat mer än en gång"));
            m_encodingSeen = true;
            if (coding == "gzip" || coding == "x-gzip")
                m_encoding = Encoding::Gzip;
            else if (coding == "deflate")
                m_encoding = Encoding::Deflate;
            else
                return fail(QStringLiteral("okänd innehållskodning \"%1\"").arg(QString::fromLatin1(coding)));
        }
    } else if (name == "connection") {
        for (const QByteArray &option : listItems(value)) {
            m_closes = m_closes || option == "close";
            m_keepAlive = m_keepAlive || option == "keep-alive";
        }
    } else if (name == "content-type") {
        if (m_contentType.isEmpty())
            m_contentType = value;
    } else if (name == "location") {
        if (!m_location.isEmpty() && m_location != value)
            return fail(QStringLiteral("svaret anger olika Location"));
        m_location = value;
    }
    return true;
}

bool HttpHeadParser::fail(const QString &what)
{
    m_error = what;
    return false;
}

} // namespace soap
