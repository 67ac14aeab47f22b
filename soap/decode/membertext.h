#pragma once

#include <QString>
#include <QStringDecoder>
#include <QStringView>
#include <QVarLengthArray>

#include <string>
#include <string_view>
#include <vector>

namespace soap {

// The text of the element being read, gathered across the parser's pieces (text and CDATA may
// arrive split), and the names of record members, converted once and kept by position.
class MemberText
{
public:
    void capture(bool on)
    {
        m_capturing = on;
        m_text.clear();
    }
    void characters(const char *data, int length)
    {
        if (m_capturing)
            m_text.append(data, std::size_t(length));
    }
    QString toQString() const { return QString::fromUtf8(m_text.data(), qsizetype(m_text.size())); }
    // Decoded into a reused buffer, as QString::fromUtf8 would (a leading U+FEFF kept as text);
    // valid until the next call.
    QStringView decoded();

    // Records repeat their member names in the same order: the name at a position is usually the
    // one seen there last. Bounded, so that endless distinct names do not grow it.
    const QString &memberName(std::string_view local, int ordinal);

private:
    std::string m_text;
    bool m_capturing = false;
    QStringDecoder m_utf8{QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
    QVarLengthArray<char16_t, 256> m_decoded;

    struct CachedName
    {
        std::string raw;
        QString name;
    };
    std::vector<CachedName> m_names;
};

} // namespace soap
