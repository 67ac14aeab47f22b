#pragma once

#include "answertypes.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace bench {

enum class WireStyle {
    Inline,   // every array item an inline element carrying xsi:type
    MultiRef, // items are href references to multiRef elements after the response (Apache Axis 1)
};

// Answers of the ElectionResults service of any size, written the way the service writes them,
// with the expectation and decoding setup that a client would derive from its WSDL and mapping
// document.
class SampleAnswer
{
public:
    // records QueryResult records: the country first, then counties, then municipalities.
    static QByteArray generate(int records, WireStyle style,
                               const QString &operation = QStringLiteral("getCountryResultsValnatt"));
    static soap::AnswerExpectation expectation(const QString &operation = QStringLiteral("getCountryResultsValnatt"));
    // The QueryResult type mapped, with a mapping node whose targetClassName is "struct_QueryResult".
    static soap::DecodeSetup setup(std::shared_ptr<soap::IGCTMObjectFactory> factory);
    static QString styleName(WireStyle style);
};

} // namespace bench
