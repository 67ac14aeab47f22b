#pragma once

#include "decodefailure.h"
#include "dispatchobject.h"
#include "qualifiedname.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace soap {

// An array item that is a reference, filled in once the whole Body has been read.
struct PendingReference
{
    std::size_t index = 0;
    std::string id;
    XmlPosition position;
};

struct ArrayValue
{
    QualifiedName itemType;          // empty when the items name their own types
    std::vector<ObjectPtr> items;    // null where a reference waits
    std::vector<PendingReference> references;
};

// A member of an element whose type is not yet known.
struct PendingMember
{
    QString name;
    QString value;
    std::string reference; // id of the href, when the member is a reference
    XmlPosition position;
    bool nil = false;
};

// An independent element with no xsi:type: its type comes from whoever refers to it.
struct UntypedValue
{
    QString text;
    std::vector<PendingMember> members;
};

// One decoded element while the Body is still being read. Ids are kept as std::string: Axis's
// "id123" fits inside the string, so that 50,000 references allocate nothing.
struct DecodedValue
{
    enum class Kind { Nothing, Text, Object, Array, Reference, Untyped };

    Kind kind = Kind::Nothing;
    QString text;          // Text
    std::string reference; // Reference: the id referred to
    ObjectPtr object;
    std::shared_ptr<ArrayValue> array;
    std::shared_ptr<UntypedValue> untyped;
    XmlPosition position; // Reference: where the href stands; otherwise where the element starts
};

} // namespace soap
