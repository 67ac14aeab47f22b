#pragma once

#include "dataset.h"

#include <QByteArray>

// Reads the data format: UTF-8, tab-separated, '#' comment lines, one header line
//   type  code  name  districts  electorate  yes  no  blank  invalid
// then a "county" row (code and name; figure fields absent or empty) followed by its
// "municipality" rows (all nine fields). Anything else is refused with a DataSetError that names
// the line and field.
class DataSetParser
{
public:
    static DataSet parse(const QByteArray &text);
    // The data set compiled into the program.
    static DataSet bundled();
    // A data file; throws DataSetError naming the file and what is wrong with it.
    static DataSet fromFile(const QString &path);
};
