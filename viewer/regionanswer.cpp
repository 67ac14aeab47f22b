#include "regionanswer.h"

#include "countydictionary.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "struct_QueryResult.h"

RegionAnswer::RegionAnswer(soap::Variant answer, const QString &source)
    : m_answer(std::move(answer))
{
    const soap::Variant::Array &array = m_answer.array();
    m_records.reserve(array.size());
    for (std::size_t i = 0; i < array.size(); ++i) {
        const auto *record = dynamic_cast<const struct_QueryResult *>(array[i].get());
        if (!record) {
            throw soap::RaisedError(
                soap::ErrorNumber::TypeMismatch, source,
                QStringLiteral("Element %1 i svaret är inte ett struct_QueryResult.").arg(i));
        }
        m_records.push_back(record);
    }
}

QString RegionAnswer::generated() const
{
    return m_records.empty() ? QString() : m_records.front()->generated();
}

std::unique_ptr<CountyDictionary> RegionAnswer::counties() const
{
    const QString countyType = QStringLiteral("county");
    auto codes = std::make_unique<CountyDictionary>();
    for (const struct_QueryResult *record : m_records) {
        if (record->resultType() == countyType)
            codes->add(record->name(), record->code());
    }
    return codes;
}
