#pragma once

#include "namespacescope.h"

#include <QString>

#include <string_view>

// The namespaces an answer's decoding recognises, and small helpers on the parser's UTF-8 views.
namespace soap::soapnames {

constexpr std::string_view SoapEnvelope11 = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::string_view SoapEnvelope12 = "http://www.w3.org/2003/05/soap-envelope";
constexpr std::string_view SoapEncoding = "http://schemas.xmlsoap.org/soap/encoding/";

// Servers of the early 2000s still write the 1999 and 2000 schema drafts.
inline bool isSchemaNamespace(std::string_view uri)
{
    return uri == "http://www.w3.org/2001/XMLSchema" || uri == "http://www.w3.org/1999/XMLSchema"
        || uri == "http://www.w3.org/2000/10/XMLSchema";
}

inline bool isInstanceNamespace(std::string_view uri)
{
    return uri == "http://www.w3.org/2001/XMLSchema-instance" || uri == "http://www.w3.org/1999/XMLSchema-instance"
        || uri == "http://www.w3.org/2000/10/XMLSchema-instance";
}

inline std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// "<name> (namnrymd uri)", for descriptions of what was found.
inline QString describe(const RawName &name)
{
    if (name.namespaceUri.empty())
        return QStringLiteral("<%1>").arg(toQString(name.localName));
    return QStringLiteral("<%1> (namnrymd %2)").arg(toQString(name.localName), toQString(name.namespaceUri));
}

} // namespace soap::soapnames
