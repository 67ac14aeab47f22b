#pragma once

#include <QString>

class Form1;
class Samples;

// "&Visa" pressed on a loaded, shown window, until the table has painted the new rows.
class VisaBench
{
public:
    static Samples measure(Form1 &window, const QString &region, int runs);
};
