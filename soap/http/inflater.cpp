#include "inflater.h"

#include <zlib.h>

#include <climits>

namespace soap {

namespace {
constexpr int OutputPiece = 64 * 1024;
}

Inflater::Inflater(Format format)
    : m_format(format), m_stream(std::make_unique<z_stream_s>())
{
}

Inflater::~Inflater()
{
    if (m_started)
        inflateEnd(m_stream.get());
}

bool Inflater::start(const char *data, qsizetype size)
{
    // "deflate" should be zlib-wrapped, but servers have long sent it raw: the header tells.
    int windowBits = 15 + 16;
    if (m_format == Format::Deflate) {
        const bool zlibWrapped = size >= 2 && (quint8(data[0]) & 0x0F) == 8
            && ((quint8(data[0]) << 8) | quint8(data[1])) % 31 == 0;
        windowBits = zlibWrapped ? 15 : -15;
    }
    m_started = inflateInit2(m_stream.get(), windowBits) == Z_OK;
    return m_started;
}

bool Inflater::inflate(const char *data, qsizetype size, const Output &output)
{
    if (size == 0)
        return true;
    if (!m_started && !start(data, size))
        return false;
    char out[OutputPiece];
    while (size > 0) {
        // After the end of a gzip member another may follow; anything after a deflate stream is junk.
        if (m_ended) {
            if (m_format != Format::Gzip || inflateReset(m_stream.get()) != Z_OK)
                return false;
            m_ended = false;
        }
        const uInt piece = uInt(std::min<qsizetype>(size, UINT_MAX));
        m_stream->next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        m_stream->avail_in = piece;
        do {
            m_stream->next_out = reinterpret_cast<Bytef *>(out);
            m_stream->avail_out = OutputPiece;
            const int result = ::inflate(m_stream.get(), Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                return false;
            const qsizetype produced = OutputPiece - qsizetype(m_stream->avail_out);
            if (produced > 0)
                output(out, produced);
            if (result == Z_STREAM_END) {
                m_ended = true;
                break;
            }
            if (result == Z_BUF_ERROR && produced == 0)
                break;
        } while (m_stream->avail_in > 0 || m_stream->avail_out == 0);
        const qsizetype used = qsizetype(piece - m_stream->avail_in);
        data += used;
        size -= used;
        if (used == 0 && !m_ended)
            break;
    }
    return true;
}

} // namespace soap
