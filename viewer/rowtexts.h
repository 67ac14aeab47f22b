#pragma once

#include "resultstablemodel.h"

class struct_QueryResult;

// The eight cells of a record's row, each member shown exactly as the service sent it between
// the fixed pieces "% (", ")" and "%".
class RowTexts
{
public:
    static ResultsTableModel::Row of(const struct_QueryResult &record);
};
