#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace soap {

// Reads one HTTP/1.x response head (status line and header fields) as it arrives, in time and
// memory in proportion to its size, and tells how its body is framed and encoded. Refuses what a
// sound server never sends and what would let two readers see two different bodies: a head over
// MaxHeadSize, more than MaxFields fields, folded lines, a malformed or repeated-but-different
// Content-Length, a transfer coding other than chunked, an unknown content coding.
class HttpHeadParser
{
public:
    static constexpr qsizetype MaxHeadSize = 64 * 1024;
    static constexpr int MaxFields = 100;

    enum class Encoding { Identity, Gzip, Deflate };

    // Takes bytes until the head is whole; returns how many it used (the rest is body), or -1
    // on a malformed head (see error()).
    qsizetype feed(const char *data, qsizetype size);
    bool complete() const { return m_complete; }
    const QString &error() const { return m_error; }

    int status() const { return m_status; }
    int minorVersion() const { return m_minorVersion; }
    const QByteArray &reason() const { return m_reason; }
    const QByteArray &contentType() const { return m_contentType; }
    const QByteArray &location() const { return m_location; }
    std::optional<qint64> contentLength() const { return m_contentLength; }
    bool chunked() const { return m_chunked; }
    Encoding encoding() const { return m_encoding; }
    // The server will not take another request on this connection.
    bool closes() const { return m_closes; }
    // A status without a body whatever the fields say (1xx, 204, 304).
    bool hasNoBody() const { return (m_status >= 100 && m_status < 200) || m_status == 204 || m_status == 304; }

private:
    bool line(const char *begin, const char *end);
    bool statusLine(const QByteArray &text);
    bool field(const QByteArray &name, const QByteArray &value);
    bool fail(const QString &what);

    QByteArray m_line; // the line being read, without its end
    qsizetype m_seen = 0;
    int m_fields = 0;
    bool m_complete = false;
    bool m_statusRead = false;
    QString m_error;

    int m_status = 0;
    int m_minorVersion = 1;
    QByteArray m_reason;
    QByteArray m_contentType;
    QByteArray m_location;
    std::optional<qint64> m_contentLength;
    bool m_chunked = false;
    bool m_transferCoded = false;
    Encoding m_encoding = Encoding::Identity;
    bool m_encodingSeen = false;
    bool m_closes = false;
    bool m_keepAlive = false;
};

} // namespace soap
