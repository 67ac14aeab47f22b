#pragma once

#include <QString>

namespace soap {

// What a text taken from a WSDL or a caller must be to go into a request as itself: escaping
// can carry markup characters, but nothing carries a name that is no name or a character that
// XML or HTTP cannot hold.
class WireText
{
public:
    // Characters XML 1.0 can carry, escaped or not: no control characters but tab, LF and CR, no
    // U+FFFE or U+FFFF, no half of a surrogate pair.
    static bool isXmlText(const QString &text);
    // An element name without a prefix (NCName) that XML readers read as one.
    static bool isName(const QString &name);
    // A URI reference (international characters allowed) that may be bound to a prefix.
    static bool isNamespace(const QString &uri);
    // Stands in an HTTP quoted string as it is: no control character, quote or backslash.
    static bool isQuotable(const QString &text);
    // No control character (C0, DEL or C1) and no half of a surrogate pair.
    static bool isPrintable(const QString &text);
};

} // namespace soap
