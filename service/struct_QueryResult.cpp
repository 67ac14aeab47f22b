#include "struct_QueryResult.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

const std::array<QString, struct_QueryResult::MemberCount> &struct_QueryResult::memberNames()
{
    static const std::array<QString, MemberCount> Names = {
        QStringLiteral("generated"),  QStringLiteral("resultType"), QStringLiteral("code"),
        QStringLiteral("name"),       QStringLiteral("readyDistricts"),
        QStringLiteral("allDistricts"), QStringLiteral("yesNum"),   QStringLiteral("yesPerc"),
        QStringLiteral("noNum"),      QStringLiteral("noPerc"),     QStringLiteral("blankNum"),
        QStringLiteral("blankPerc"),  QStringLiteral("invalidNum"), QStringLiteral("turnoutNum"),
        QStringLiteral("turnoutPerc"),
    };
    return Names;
}

int struct_QueryResult::indexOf(QStringView name) const
{
    const auto &names = memberNames();
    if (m_next < MemberCount && names[m_next] == name)
        return m_next;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return int(i);
    }
    return -1;
}

QString struct_QueryResult::text(std::size_t index) const
{
    const std::uint32_t begin = index == 0 ? 0 : m_ends[index - 1];
    const std::uint32_t end = m_ends[index];
    if (begin == end)
        return QString();
    return QString(reinterpret_cast<const QChar *>(m_texts.data() + begin), qsizetype(end - begin));
}

void struct_QueryResult::assign(std::size_t index, QStringView value)
{
    const std::uint32_t begin = index == 0 ? 0 : m_ends[index - 1];
    const std::uint32_t end = m_ends[index];
    const qsizetype oldLength = qsizetype(end - begin);
    const qsizetype newLength = value.size();
    const qsizetype total = m_texts.size() - oldLength + newLength;
    // The offsets are 32-bit; a record this large cannot be held.
    if (total > qsizetype(std::numeric_limits<std::uint32_t>::max()))
        throw std::bad_alloc();

    const char16_t *const source = reinterpret_cast<const char16_t *>(value.utf16());
    const qsizetype tail = m_texts.size() - qsizetype(end);
    if (tail == 0 && oldLength == 0) {
        // Members set in declaration order, the usual case: a plain append.
        m_texts.append(source, newLength);
    } else {
        replace(begin, end, source, newLength);
    }

    const std::int64_t delta = std::int64_t(newLength) - std::int64_t(oldLength);
    for (std::size_t i = index; i < MemberCount; ++i)
        m_ends[i] = std::uint32_t(std::int64_t(m_ends[i]) + delta);
    m_next = std::uint8_t(index + 1);
}

void struct_QueryResult::replace(qsizetype begin, qsizetype end, const char16_t *source, qsizetype length)
{
    const qsizetype tail = m_texts.size() - end;
    const qsizetype total = m_texts.size() - (end - begin) + length;
    if (total > m_texts.size()) {
        // Past the inline room, grow by doubling: a long record replaced member by member.
        if (total > m_texts.capacity())
            m_texts.reserve(std::max(total, 2 * m_texts.capacity()));
        m_texts.resize(total);
    }
    if (tail > 0 && begin + length != end) {
        std::memmove(m_texts.data() + begin + length, m_texts.data() + end,
                     std::size_t(tail) * sizeof(char16_t));
    }
    if (length > 0)
        std::memcpy(m_texts.data() + begin, source, std::size_t(length) * sizeof(char16_t));
    if (total < m_texts.size())
        m_texts.resize(total);
}

bool struct_QueryResult::setMember(QStringView name, QStringView value)
{
    const int index = indexOf(name);
    if (index < 0)
        return false;
    assign(std::size_t(index), value);
    return true;
}

std::optional<QString> struct_QueryResult::member(QStringView name) const
{
    const int index = indexOf(name);
    if (index < 0)
        return std::nullopt;
    return text(std::size_t(index));
}
