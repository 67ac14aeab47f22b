#pragma once

#include "districttable.h"

#include <QByteArray>
#include <QString>

// The districts of a live night from a file of their own: UTF-8, tab-separated, '#' comment
// lines, one header line
//   municipality  district  name  electorate
// then one line per district: the municipality's four-digit code (from the data set), its
// number, 1..n in order within the municipality, its name and its electorate. Every
// municipality of the data set has at least one district. Anything else is refused with a
// DataSetError that names the line and field.
class DistrictsFile
{
public:
    static DistrictTable parse(const QByteArray &text, const DataSet &data);
    static DistrictTable read(const QString &path, const DataSet &data);
};
