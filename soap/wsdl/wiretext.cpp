#include "wiretext.h"

#include <expat.h>

#include <cstring>
#include <memory>

namespace soap {

namespace {

// Calls accept with each code point in turn; false at the first it refuses or at half a pair.
template<typename Accept>
bool eachCodePoint(const QString &text, Accept &&accept)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isSurrogate(c)) {
            if (!QChar::isHighSurrogate(c) || i + 1 == text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (!accept(c))
            return false;
    }
    return true;
}

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool isAsciiNameChar(char32_t c, bool first)
{
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return letter || (!first && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
}

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

// Which letters beyond ASCII make a name differs between editions of XML; this asks the parser
// that reads our documents, whose tables are those of Qt's reader too.
bool parserReadsAsName(const QString &name)
{
    const QByteArray element = "<" + name.toUtf8() + "/>";
    const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
    return parser && XML_Parse(parser.get(), element.constData(), int(element.size()), 1) == XML_STATUS_OK;
}

} // namespace

bool WireText::isXmlText(const QString &text)
{
    return eachCodePoint(text, [](char32_t c) {
        return (c >= 0x20 || c == 0x9 || c == 0xA || c == 0xD) && c != 0xFFFE && c != 0xFFFF;
    });
}

bool WireText::isName(const QString &name)
{
    bool ascii = true;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (c >= 0x80)
            ascii = false;
        else if (!isAsciiNameChar(c, i == 0))
            return false; // a colon, blank or markup character: never handed to the parser
    }
    return !name.isEmpty() && (ascii || (isXmlText(name) && parserReadsAsName(name)));
}

bool WireText::isNamespace(const QString &uri)
{
    // Namespaces in XML reserve these two for their own prefixes.
    if (uri.isEmpty() || uri == QLatin1String("http://www.w3.org/XML/1998/namespace")
        || uri == QLatin1String("http://www.w3.org/2000/xmlns/"))
        return false;
    for (qsizetype i = 0; i < uri.size(); ++i) {
        if (uri.at(i) == QLatin1Char('%')
            && (i + 2 >= uri.size() || !isHexDigit(uri.at(i + 1)) || !isHexDigit(uri.at(i + 2))))
            return false;
    }
    return eachCodePoint(uri, [](char32_t c) {
        return !isControl(c) && c != ' ' && c != 0xFFFE && c != 0xFFFF
            && (c >= 0x80 || !std::strchr("\"<>\\^`{|}", char(c)));
    });
}

bool WireText::isQuotable(const QString &text)
{
    return eachCodePoint(text, [](char32_t c) { return !isControl(c) && c != '"' && c != '\\'; });
}

bool WireText::isPrintable(const QString &text)
{
    return eachCodePoint(text, [](char32_t c) { return !isControl(c); });
}

} // namespace soap
