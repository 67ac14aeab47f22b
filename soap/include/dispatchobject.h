#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace soap {

// An object whose members the type mapper reaches by name, as it would a late-bound object.
class DispatchObject
{
public:
    virtual ~DispatchObject() = default;

    // Returns false when the object has no member of that name; the value is then dropped. The
    // object keeps a copy of the value: the view need not outlive the call.
    virtual bool setMember(QStringView name, QStringView value) = 0;
    // No value when the object has no member of that name.
    virtual std::optional<QString> member(QStringView name) const = 0;
};

using ObjectPtr = std::shared_ptr<DispatchObject>;

} // namespace soap
