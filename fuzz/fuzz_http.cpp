// The transport's reading of an answer's HTTP bytes: the head, then a chunked body, then a
// content coding, each fed in the pieces the first byte chooses. What comes out of the framing
// is never more than went in.

#include "chunkeddecoder.h"
#include "httpheadparser.h"
#include "inflater.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const qsizetype piece = 1 + data[0];
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    soap::HttpHeadParser head;
    qsizetype at = 0;
    while (at < bytes.size() && !head.complete()) {
        const qsizetype used = head.feed(bytes.constData() + at, std::min(piece, bytes.size() - at));
        if (used < 0)
            return 0;
        at += used;
    }
    // The body as the head frames and codes it.
    soap::ChunkedDecoder chunks;
    soap::Inflater inflater(head.encoding() == soap::HttpHeadParser::Encoding::Deflate ? soap::Inflater::Format::Deflate
                                                                                       : soap::Inflater::Format::Gzip);
    qint64 inflated = 0;
    for (; at < bytes.size(); at += piece) {
        const qsizetype n = std::min(piece, bytes.size() - at);
        const qsizetype payload = head.chunked() ? chunks.decode(bytes.data() + at, n) : n;
        if (payload < 0)
            return 0;
        if (payload > n)
            std::abort();
        if (head.encoding() == soap::HttpHeadParser::Encoding::Identity)
            continue;
        const bool valid = inflater.inflate(bytes.constData() + at, payload, [&](const char *, qsizetype out) {
            inflated += out;
            if (inflated > (qint64(1) << 30))
                std::abort(); // the transport's cap would have stopped it; zlib must not run away
        });
        if (!valid)
            return 0;
    }
    return 0;
}
