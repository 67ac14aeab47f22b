#pragma once

#include "dispatchobject.h"

#include <QString>

#include <variant>
#include <vector>

namespace soap {

// What an operation yields: nothing, a simple value as text, or an array of decoded objects in the
// order the service sent them.
class Variant
{
public:
    using Array = std::vector<ObjectPtr>;

    Variant() = default;
    explicit Variant(QString text) : m_value(std::move(text)) {}
    explicit Variant(Array array) : m_value(std::move(array)) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(m_value); }
    bool isText() const { return std::holds_alternative<QString>(m_value); }
    bool isArray() const { return std::holds_alternative<Array>(m_value); }

    // Both raise a RaisedError (UnexpectedShape) when the variant holds something else.
    const QString &text() const;
    const Array &array() const;

private:
    std::variant<std::monostate, QString, Array> m_value;
};

} // namespace soap
