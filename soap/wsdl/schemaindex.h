#pragma once

#include "qualifiedname.h"

#include <QHash>

namespace soap {

class XmlElement;

// The named types and elements of a WSDL's embedded XML schemas, and the two questions the client
// asks of them: which child elements a wrapper element has, and what the items of an array are.
// Answers are kept: many operations may ask about one large type.
class SchemaIndex
{
public:
    // Indexes every xsd:schema under the given <types> element (which may be null).
    explicit SchemaIndex(const XmlElement *types);

    const XmlElement *complexType(const QualifiedName &name) const { return m_types.value(name); }
    const XmlElement *element(const QualifiedName &name) const { return m_elements.value(name); }

    // The names of the child elements of a global element's content, in order, qualified as the
    // schema's elementFormDefault or each element's form says. Empty when unknown.
    QList<QualifiedName> childElements(const QualifiedName &elementName) const;

    // The item type when the named type is an array (SOAP-encoded arrayType, or a sequence of one
    // repeated element); empty otherwise.
    QualifiedName arrayItemType(const QualifiedName &typeName) const;
    // Likewise for a global element: its own type, or the one wrapped child's type, if an array.
    QualifiedName elementItemType(const QualifiedName &elementName) const;

private:
    const XmlElement *contentOf(const XmlElement *element) const;
    QualifiedName itemTypeOfComplexType(const XmlElement *complexType, int depth) const;
    QualifiedName itemTypeOfElement(const XmlElement *element, int depth) const;
    static const XmlElement *sequenceOf(const XmlElement *complexType);
    static bool isRepeated(const XmlElement *element);
    static QString targetNamespaceOf(const XmlElement *node);
    static bool isQualified(const XmlElement *localElement);

    QHash<QualifiedName, const XmlElement *> m_types;
    QHash<QualifiedName, const XmlElement *> m_elements;
    mutable QHash<QualifiedName, QList<QualifiedName>> m_childElements;
    mutable QHash<QualifiedName, QualifiedName> m_arrayItemTypes;
    mutable QHash<QualifiedName, QualifiedName> m_elementItemTypes;
};

} // namespace soap
