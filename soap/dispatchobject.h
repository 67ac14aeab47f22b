#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace soap {

// An object whose members the type mapper reaches by name, as it would a late-bound object.
class DispatchObject
{
public:
    virtual ~DispatchObject() = default;

    // Returns false when the object has no member of that name; the value is then dropped.
    virtual bool setMember(const QString &name, const QString &value) = 0;
    // No value when the object has no member of that name.
    virtual std::optional<QString> member(const QString &name) const = 0;
};

using ObjectPtr = std::shared_ptr<DispatchObject>;

} // namespace soap
