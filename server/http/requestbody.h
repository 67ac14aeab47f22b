#pragma once

#include "memorybudget.h"

#include <QByteArray>

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/optional.hpp>
#include <boost/system/error_code.hpp>

#include <algorithm>
#include <cstdint>

// A request body for Beast's parser, read into a QByteArray as it arrives and charged to the
// memory budget as it grows: nothing is reserved on the word of the Content-Length. Past the
// budget, the parser fails with errc::not_enough_memory.
struct RequestBody
{
    struct value_type
    {
        QByteArray bytes;
        MemoryBudget::Lease *lease = nullptr;    // the connection's; none: nothing is charged
    };

    class reader
    {
    public:
        template<bool isRequest, class Fields>
        reader(boost::beast::http::header<isRequest, Fields> &, value_type &body) : m_body(body)
        {
        }

        void init(const boost::optional<std::uint64_t> &length, boost::beast::error_code &ec)
        {
            m_expected = length.value_or(0);
            ec = {};
        }

        template<class ConstBuffers>
        std::size_t put(const ConstBuffers &buffers, boost::beast::error_code &ec)
        {
            const std::size_t n = boost::asio::buffer_size(buffers);
            QByteArray &bytes = m_body.bytes;
            const std::size_t needed = std::size_t(bytes.size()) + n;
            if (needed > m_room) {
                // Doubling, as far as the stated length at most: the stated length alone is never trusted.
                const std::size_t room = std::max<std::size_t>(needed, std::min<std::uint64_t>(2 * m_room, m_expected));
                if (m_body.lease && !m_body.lease->resize(m_body.lease->held() + room - m_room)) {
                    ec = boost::system::errc::make_error_code(boost::system::errc::not_enough_memory);
                    return 0;
                }
                bytes.reserve(qsizetype(room));
                m_room = room;
            }
            for (auto it = boost::asio::buffer_sequence_begin(buffers); it != boost::asio::buffer_sequence_end(buffers); ++it)
                bytes.append(static_cast<const char *>(it->data()), qsizetype(it->size()));
            ec = {};
            return n;
        }

        void finish(boost::beast::error_code &ec) { ec = {}; }

    private:
        value_type &m_body;
        std::uint64_t m_expected = 0;
        std::size_t m_room = 0;    // reserved, and charged
    };
};
