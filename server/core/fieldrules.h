#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// What a field of our tab-separated files may hold, shared by their parsers so that a code, a
// name or a count reads the same in each.
class FieldRules
{
public:
    // Nine digits keep every sum over the whole country far inside 64 bits.
    static constexpr int MaxDigits = 9;

    static bool isDigits(const QString &s, int length);
    // The reason a name is refused, or none.
    static std::optional<QString> nameFault(const QString &name);
    // A count of 0 to 999999999 written in plain digits, or none.
    static std::optional<std::int64_t> count(const QString &s);
    static QString countFault(const QString &s);
};
