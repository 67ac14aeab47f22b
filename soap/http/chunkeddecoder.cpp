#include "chunkeddecoder.h"

#include <algorithm>
#include <cstring>

namespace soap {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

qsizetype ChunkedDecoder::decode(char *data, qsizetype size)
{
    if (!m_error.isEmpty())
        return -1;
    qsizetype out = 0;
    qsizetype at = 0;
    while (at < size) {
        switch (m_state) {
        case State::Size: {
            const char c = data[at++];
            const int value = hexValue(c);
            if (value >= 0) {
                // 15 digits: sizes far beyond any cap, and no overflow.
                if (++m_digits > 15)
                    return fail(QStringLiteral("för stor chunkstorlek"));
                m_remaining = m_remaining * 16 + value;
            } else if (m_digits == 0) {
                return fail(QStringLiteral("felaktig chunkstorlek"));
            } else if (c == ';' || c == ' ' || c == '\t') {
                m_lineLength = m_digits + 1;
                m_state = State::Extension;
            } else if (c == '\r') {
                m_state = State::SizeEnd;
            } else if (c == '\n') {
                endOfSizeLine();
            } else {
                return fail(QStringLiteral("felaktig chunkstorlek"));
            }
            break;
        }
        case State::Extension: {
            const auto *newline = static_cast<const char *>(std::memchr(data + at, '\n', std::size_t(size - at)));
            const qsizetype take = newline ? qsizetype(newline - (data + at)) + 1 : size - at;
            m_lineLength += take;
            if (m_lineLength > MaxLine)
                return fail(QStringLiteral("för lång chunkrad"));
            at += take;
            if (newline)
                endOfSizeLine();
            break;
        }
        case State::SizeEnd:
            if (data[at++] != '\n')
                return fail(QStringLiteral("felaktig chunkrad"));
            endOfSizeLine();
            break;
        case State::Data: {
            const qsizetype take = qsizetype(std::min<qint64>(m_remaining, size - at));
            if (out != at)
                std::memmove(data + out, data + at, std::size_t(take));
            out += take;
            at += take;
            m_remaining -= take;
            if (m_remaining == 0)
                m_state = State::DataEnd;
            break;
        }
        case State::DataEnd: {
            const char c = data[at++];
            if (c == '\r')
                m_state = State::DataEndLf;
            else if (c == '\n')
                m_state = State::Size;
            else
                return fail(QStringLiteral("chunken är längre än sin storlek"));
            break;
        }
        case State::DataEndLf:
            if (data[at++] != '\n')
                return fail(QStringLiteral("chunken är längre än sin storlek"));
            m_state = State::Size;
            break;
        case State::Trailer: {
            // Field lines until an empty one; a line's length is counted without its CR.
            const char c = data[at++];
            if (++m_trailerLength > MaxTrailer)
                return fail(QStringLiteral("för stora avslutande fält"));
            if (c == '\n') {
                if (m_lineLength == 0)
                    m_state = State::Done;
                m_lineLength = 0;
            } else if (c != '\r') {
                ++m_lineLength;
            }
            break;
        }
        case State::Done:
            m_surplus += size - at;
            at = size;
            break;
        }
    }
    return out;
}

void ChunkedDecoder::endOfSizeLine()
{
    m_digits = 0;
    m_lineLength = 0;
    m_state = m_remaining == 0 ? State::Trailer : State::Data;
}

qsizetype ChunkedDecoder::fail(const QString &what)
{
    m_error = what;
    return -1;
}

} // namespace soap
