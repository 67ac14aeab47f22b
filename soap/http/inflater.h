#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

struct z_stream_s;

namespace soap {

// Undoes an HTTP content coding (gzip, or deflate with or without its zlib wrapper) as the body
// arrives. What comes out is bounded by whoever receives it: the transport's size cap stops a
// small body that inflates without end.
class Inflater
{
public:
    enum class Format { Gzip, Deflate };
    using Output = std::function<void(const char *data, qsizetype size)>;

    explicit Inflater(Format format);
    ~Inflater();

    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // False when the data is not a valid stream of the format.
    bool inflate(const char *data, qsizetype size, const Output &output);
    // True when the stream came to its proper end.
    bool finished() const { return m_ended; }

private:
    bool start(const char *data, qsizetype size);

    Format m_format;
    std::unique_ptr<z_stream_s> m_stream;
    bool m_started = false;
    bool m_ended = false;
};

} // namespace soap
