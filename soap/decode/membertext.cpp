#include "membertext.h"

namespace soap {

QStringView MemberText::decoded()
{
    // The buffer only grows: after the first few records no member allocates.
    const qsizetype need = m_utf8.requiredSpace(qsizetype(m_text.size()));
    if (m_decoded.size() < need)
        m_decoded.resize(need);
    char16_t *const begin = m_decoded.data();
    // Members are mostly short ASCII (codes, counts): widened here without the decoder's call.
    std::size_t length = 0;
    for (; length < m_text.size(); ++length) {
        const auto byte = static_cast<unsigned char>(m_text[length]);
        if (byte >= 0x80)
            break;
        begin[length] = char16_t(byte);
    }
    if (length == m_text.size())
        return QStringView(begin, qsizetype(length));
    const QByteArrayView rest(m_text.data() + length, qsizetype(m_text.size() - length));
    QChar *const start = reinterpret_cast<QChar *>(begin + length);
    const QChar *const end = m_utf8.appendToBuffer(start, rest);
    return QStringView(begin, qsizetype(length) + (end - start));
}

const QString &MemberText::memberName(std::string_view local, int ordinal)
{
    const auto slot = std::size_t(ordinal);
    if (slot < m_names.size() && m_names[slot].raw == local)
        return m_names[slot].name;
    for (const CachedName &cached : m_names) {
        if (cached.raw == local)
            return cached.name;
    }
    constexpr std::size_t Capacity = 64;
    const QString name = QString::fromUtf8(local.data(), qsizetype(local.size()));
    if (m_names.size() < Capacity) {
        m_names.push_back({std::string(local), name});
        return m_names.back().name;
    }
    CachedName &victim = m_names[slot % Capacity];
    victim = {std::string(local), name};
    return victim.name;
}

} // namespace soap
