#include "charsets.h"

namespace soap {

namespace {

QByteArray normalised(const QByteArray &charset)
{
    QByteArray name = charset.trimmed().toLower();
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
        name = name.mid(1, name.size() - 2).trimmed();
    return name;
}

bool isWindows1252(const QByteArray &name)
{
    return name == "windows-1252" || name == "cp1252" || name == "x-cp1252" || name == "cp-1252";
}

bool isLatin1Alias(const QByteArray &name)
{
    return name == "latin1" || name == "latin-1" || name == "iso8859-1" || name == "iso_8859-1"
        || name == "iso-ir-100" || name == "l1" || name == "cp819" || name == "ibm819"
        || name == "iso_8859-1:1987" || name == "csisolatin1";
}

} // namespace

QByteArray Charsets::parserName(const QByteArray &charset)
{
    const QByteArray name = normalised(charset);
    if (name == "utf-8" || name == "utf8")
        return "UTF-8";
    if (name == "utf-16" || name == "utf16")
        return "UTF-16";
    if (name == "utf-16le")
        return "UTF-16LE";
    if (name == "utf-16be")
        return "UTF-16BE";
    if (name == "iso-8859-1")
        return "ISO-8859-1";
    if (name == "us-ascii" || name == "ascii")
        return "US-ASCII";
    if (isWindows1252(name) || isLatin1Alias(name))
        return name;
    return {};
}

std::optional<std::array<int, 256>> Charsets::singleByteMap(const QByteArray &charset)
{
    const QByteArray name = normalised(charset);
    const bool cp1252 = isWindows1252(name);
    if (!cp1252 && !isLatin1Alias(name))
        return std::nullopt;

    std::array<int, 256> map{};
    for (int i = 0; i < 256; ++i)
        map[i] = i;
    if (cp1252) {
        // 0x81, 0x8D, 0x8F, 0x90 and 0x9D are unassigned; they pass as their C1 controls, as
        // Windows itself decodes them.
        static constexpr int High[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
        };
        for (int i = 0; i < 32; ++i)
            map[0x80 + i] = High[i];
    }
    return map;
}

} // namespace soap
