#pragma once

#include "variant.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

class CountyDictionary;
class struct_QueryResult;

// One region's answer from the service, checked whole before anything of it is shown or kept:
// every element must be a record.
class RegionAnswer
{
public:
    RegionAnswer() = default;
    // Raises UnexpectedShape when the answer is no array, TypeMismatch under `source` naming the
    // first element that is not a struct_QueryResult.
    RegionAnswer(soap::Variant answer, const QString &source);

    std::size_t size() const { return m_records.size(); }
    const struct_QueryResult &at(std::size_t index) const { return *m_records[index]; }

    // When the service made the figures: the first record's `generated` (the region's own row
    // comes first), exactly as sent; empty when the answer has no records.
    QString generated() const;
    // County name to county code for the records of type exactly "county", in answer order.
    std::unique_ptr<CountyDictionary> counties() const;

private:
    soap::Variant m_answer; // owns the records
    std::vector<const struct_QueryResult *> m_records;
};
