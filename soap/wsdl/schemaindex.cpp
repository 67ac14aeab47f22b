#include "schemaindex.h"

#include "xmlelement.h"
#include "xmlnamespaces.h"

namespace soap {

namespace {
constexpr int MaxTypeDepth = 8; // arrays nest wrappers one or two deep; more is a loop
}

SchemaIndex::SchemaIndex(const XmlElement *types)
{
    if (!types)
        return;
    for (const XmlElement *schema : types->children(xmlns::Schema, QStringLiteral("schema"))) {
        const QString target = schema->attribute(QStringLiteral("targetNamespace"));
        for (const XmlElement *type : schema->children(xmlns::Schema, QStringLiteral("complexType")))
            m_types.insert({target, type->attribute(QStringLiteral("name"))}, type);
        for (const XmlElement *element : schema->children(xmlns::Schema, QStringLiteral("element")))
            m_elements.insert({target, element->attribute(QStringLiteral("name"))}, element);
    }
}

QString SchemaIndex::targetNamespaceOf(const XmlElement *node)
{
    for (; node; node = node->parent()) {
        if (node->is(xmlns::Schema, QStringLiteral("schema")))
            return node->attribute(QStringLiteral("targetNamespace"));
    }
    return {};
}

bool SchemaIndex::isQualified(const XmlElement *localElement)
{
    if (localElement->hasAttribute(QStringLiteral("form")))
        return localElement->attribute(QStringLiteral("form")) == QLatin1String("qualified");
    for (const XmlElement *node = localElement; node; node = node->parent()) {
        if (node->is(xmlns::Schema, QStringLiteral("schema")))
            return node->attribute(QStringLiteral("elementFormDefault")) == QLatin1String("qualified");
    }
    return false;
}

const XmlElement *SchemaIndex::contentOf(const XmlElement *element) const
{
    if (const XmlElement *inline_ = element->firstChild(xmlns::Schema, QStringLiteral("complexType")))
        return inline_;
    if (element->hasAttribute(QStringLiteral("type")))
        return complexType(element->resolve(element->attribute(QStringLiteral("type"))));
    return nullptr;
}

const XmlElement *SchemaIndex::sequenceOf(const XmlElement *complexType)
{
    if (const XmlElement *sequence = complexType->firstChild(xmlns::Schema, QStringLiteral("sequence")))
        return sequence;
    if (const XmlElement *all = complexType->firstChild(xmlns::Schema, QStringLiteral("all")))
        return all;
    if (const XmlElement *content = complexType->firstChild(xmlns::Schema, QStringLiteral("complexContent"))) {
        for (const auto &derivation : content->children()) {
            if (const XmlElement *sequence = derivation->firstChild(xmlns::Schema, QStringLiteral("sequence")))
                return sequence;
        }
    }
    return nullptr;
}

bool SchemaIndex::isRepeated(const XmlElement *element)
{
    const QString maxOccurs = element->attribute(QStringLiteral("maxOccurs"));
    return maxOccurs == QLatin1String("unbounded") || maxOccurs.toInt() > 1;
}

QList<QualifiedName> SchemaIndex::childElements(const QualifiedName &elementName) const
{
    if (const auto known = m_childElements.constFind(elementName); known != m_childElements.constEnd())
        return *known;
    QList<QualifiedName> &names = m_childElements[elementName];
    const XmlElement *declaration = element(elementName);
    const XmlElement *type = declaration ? contentOf(declaration) : nullptr;
    const XmlElement *sequence = type ? sequenceOf(type) : nullptr;
    if (!sequence)
        return names;
    for (const XmlElement *child : sequence->children(xmlns::Schema, QStringLiteral("element"))) {
        if (child->hasAttribute(QStringLiteral("ref")))
            names.append(child->resolve(child->attribute(QStringLiteral("ref"))));
        else
            names.append({isQualified(child) ? targetNamespaceOf(child) : QString(),
                          child->attribute(QStringLiteral("name"))});
    }
    return names;
}

QualifiedName SchemaIndex::arrayItemType(const QualifiedName &typeName) const
{
    if (const auto known = m_arrayItemTypes.constFind(typeName); known != m_arrayItemTypes.constEnd())
        return *known;
    const QualifiedName item = itemTypeOfComplexType(complexType(typeName), 0);
    m_arrayItemTypes.insert(typeName, item);
    return item;
}

QualifiedName SchemaIndex::elementItemType(const QualifiedName &elementName) const
{
    if (const auto known = m_elementItemTypes.constFind(elementName); known != m_elementItemTypes.constEnd())
        return *known;
    const XmlElement *declaration = element(elementName);
    const QualifiedName item = declaration ? itemTypeOfElement(declaration, 0) : QualifiedName{};
    m_elementItemTypes.insert(elementName, item);
    return item;
}

QualifiedName SchemaIndex::itemTypeOfElement(const XmlElement *element, int depth) const
{
    const XmlElement *type = contentOf(element);
    if (!type || depth > MaxTypeDepth)
        return {};
    if (QualifiedName item = itemTypeOfComplexType(type, depth + 1); !item.isEmpty())
        return item;
    // A wrapper whose one child is the array: <getXResponse><return>...</return></getXResponse>.
    const XmlElement *sequence = sequenceOf(type);
    if (!sequence)
        return {};
    const auto children = sequence->children(xmlns::Schema, QStringLiteral("element"));
    if (children.size() != 1)
        return {};
    return itemTypeOfElement(children.front(), depth + 1);
}

QualifiedName SchemaIndex::itemTypeOfComplexType(const XmlElement *type, int depth) const
{
    if (!type || depth > MaxTypeDepth)
        return {};
    // SOAP-encoded: <restriction base="soapenc:Array"><attribute wsdl:arrayType="tns:X[]"/>.
    if (const XmlElement *content = type->firstChild(xmlns::Schema, QStringLiteral("complexContent"))) {
        if (const XmlElement *restriction = content->firstChild(xmlns::Schema, QStringLiteral("restriction"))) {
            for (const XmlElement *attribute :
                 restriction->children(xmlns::Schema, QStringLiteral("attribute"))) {
                QString arrayType = attribute->attribute(xmlns::Wsdl, QStringLiteral("arrayType"));
                if (arrayType.isEmpty())
                    continue;
                arrayType.truncate(arrayType.indexOf(QLatin1Char('[')) < 0
                                       ? arrayType.size()
                                       : arrayType.indexOf(QLatin1Char('[')));
                return attribute->resolve(arrayType);
            }
        }
    }
    // Literal: a sequence of exactly one repeated element.
    const XmlElement *sequence = sequenceOf(type);
    if (!sequence)
        return {};
    const auto children = sequence->children(xmlns::Schema, QStringLiteral("element"));
    if (children.size() != 1 || !isRepeated(children.front()))
        return {};
    const XmlElement *item = children.front();
    if (item->hasAttribute(QStringLiteral("type")))
        return item->resolve(item->attribute(QStringLiteral("type")));
    if (item->hasAttribute(QStringLiteral("ref"))) {
        const XmlElement *referenced = element(item->resolve(item->attribute(QStringLiteral("ref"))));
        if (referenced && referenced->hasAttribute(QStringLiteral("type")))
            return referenced->resolve(referenced->attribute(QStringLiteral("type")));
    }
    return {};
}

} // namespace soap
