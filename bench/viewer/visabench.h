#pragma once

#include <QString>

#include <functional>

class Form1;
class Samples;

// "&Visa" pressed on a loaded, shown window, until the table has painted the new rows.
class VisaBench
{
public:
    // `beforeEach` runs before each press, so the service can have new figures for it: the same
    // figures again change nothing on screen, and nothing is painted.
    static Samples measure(Form1 &window, const QString &region, int runs,
                           const std::function<void(int run)> &beforeEach);
};
