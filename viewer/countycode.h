#pragma once

#include <QString>

#include <optional>

// Reads a county code as the number it stands for. Only the comparison with 0 uses the number;
// the code itself is always sent as the text the service gave.
class CountyCode
{
public:
    // Blanks around the figure, a sign and leading zeros are allowed, and one decimal separator
    // ("," or "."). Anything else, the empty text included, is not a number.
    static std::optional<double> toNumber(const QString &code);
};
