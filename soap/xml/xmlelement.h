#pragma once

#include "qualifiedname.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace soap {

// A small read-only element tree for documents we read whole and search (WSDL, mapping
// documents), made by XmlTreeBuilder::parse with the same parser and limits as the answers. Each
// element keeps the namespace prefixes it declares, so QName-valued attributes (type="tns:X")
// resolve against the document's own declarations.
class XmlElement
{
public:
    const QualifiedName &name() const { return m_name; }
    bool is(const QString &namespaceUri, const QString &localName) const
    {
        return m_name.localName == localName && m_name.namespaceUri == namespaceUri;
    }

    // An unqualified attribute's value; empty when absent.
    QString attribute(const QString &localName) const;
    bool hasAttribute(const QString &localName) const { return find(m_attributes, localName); }
    // A namespace-qualified attribute's value; empty when absent.
    QString attribute(const QString &namespaceUri, const QString &localName) const;
    bool hasAttribute(const QString &namespaceUri, const QString &localName) const;
    // Resolves a prefixed name as written in an attribute value; no prefix means the default
    // namespace. An unknown prefix gives an empty namespace and the local part.
    QualifiedName resolve(const QString &prefixedName) const;
    // The namespace of a prefix in scope here; empty when it is not declared.
    QString namespaceOf(const QString &prefix) const;

    const std::vector<std::unique_ptr<XmlElement>> &children() const { return m_children; }
    // Direct children of that name, in document order.
    std::vector<const XmlElement *> children(const QString &namespaceUri, const QString &localName) const;
    const XmlElement *firstChild(const QString &namespaceUri, const QString &localName) const;
    const XmlElement *parent() const { return m_parent; }

private:
    friend class XmlTreeBuilder;

    // Kept small: a WSDL may have tens of thousands of elements, each with a few attributes.
    using Pairs = std::vector<std::pair<QString, QString>>;
    static const QString *find(const Pairs &pairs, const QString &key);

    QualifiedName m_name;
    Pairs m_attributes; // local name, or "{namespace}local", and the value
    Pairs m_declared;   // prefix and namespace, declared on this element
    std::vector<std::unique_ptr<XmlElement>> m_children;
    const XmlElement *m_parent = nullptr;
};

} // namespace soap
