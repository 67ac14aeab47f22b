#pragma once

#include <QByteArray>

#include <array>
#include <optional>

namespace soap {

// The character sets an answer may come in, beyond what the XML parser knows by itself.
class Charsets
{
public:
    // The parser's own name for an HTTP or XML charset name (case and common aliases ignored), or
    // the name itself when singleByteMap() covers it; empty when the charset is not supported.
    static QByteArray parserName(const QByteArray &charset);
    // Code point of every byte for the single-byte sets the parser lacks (windows-1252 and the
    // aliases of ISO-8859-1); no value for any other name.
    static std::optional<std::array<int, 256>> singleByteMap(const QByteArray &charset);
};

} // namespace soap
