#pragma once

#include <QString>
#include <QtGlobal>

namespace soap {

// Takes the framing off a chunked HTTP body, in place and in one pass over the bytes, so that a
// body of a million one-byte chunks costs what a body of one chunk does. Chunk extensions and
// trailer fields are read past; size lines and trailers have limits of their own.
class ChunkedDecoder
{
public:
    static constexpr qsizetype MaxLine = 4096;
    static constexpr qsizetype MaxTrailer = 64 * 1024;

    // Moves the payload bytes of data[0, size) to its front and returns how many there are; -1 on
    // malformed framing (see error()). Bytes after the last chunk are counted in surplus().
    qsizetype decode(char *data, qsizetype size);
    bool finished() const { return m_state == State::Done; }
    qsizetype surplus() const { return m_surplus; }
    const QString &error() const { return m_error; }

private:
    enum class State { Size, Extension, SizeEnd, Data, DataEnd, DataEndLf, Trailer, Done };

    qsizetype fail(const QString &what); // always -1
    void endOfSizeLine();

    State m_state = State::Size;
    qint64 m_remaining = 0;
    int m_digits = 0;
    qsizetype m_lineLength = 0;
    qsizetype m_trailerLength = 0;
    qsizetype m_surplus = 0;
    QString m_error;
};

} // namespace soap
