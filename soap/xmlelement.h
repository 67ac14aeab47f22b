#pragma once

#include "qualifiedname.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace soap {

// A small read-only element tree for documents we read whole and search (WSDL), keeping each
// element's in-scope namespace prefixes so QName-valued attributes (type="tns:X") resolve against
// the document's own declarations.
class XmlElement
{
public:
    // Parses a whole document. DOCTYPEs are refused: a WSDL has no need of one, and entity tricks
    // stay out. Raises RaisedError (MalformedXml, DoctypeRefused) naming `where`.
    static std::unique_ptr<XmlElement> parse(const QByteArray &document, const QString &where);

    const QualifiedName &name() const { return m_name; }
    bool is(const QString &namespaceUri, const QString &localName) const
    {
        return m_name.localName == localName && m_name.namespaceUri == namespaceUri;
    }

    // An unqualified attribute's value; empty when absent.
    QString attribute(const QString &localName) const { return m_attributes.value(localName); }
    bool hasAttribute(const QString &localName) const { return m_attributes.contains(localName); }
    // A namespace-qualified attribute's value; empty when absent.
    QString attribute(const QString &namespaceUri, const QString &localName) const;
    // Resolves a prefixed name as written in an attribute value; no prefix means the default
    // namespace. An unknown prefix gives an empty namespace and the local part.
    QualifiedName resolve(const QString &prefixedName) const;

    const std::vector<std::unique_ptr<XmlElement>> &children() const { return m_children; }
    // Direct children of that name, in document order.
    std::vector<const XmlElement *> children(const QString &namespaceUri, const QString &localName) const;
    const XmlElement *firstChild(const QString &namespaceUri, const QString &localName) const;
    const XmlElement *parent() const { return m_parent; }

private:
    QualifiedName m_name;
    QHash<QString, QString> m_attributes;
    QHash<QString, QString> m_prefixes; // prefix -> namespace, everything in scope
    std::vector<std::unique_ptr<XmlElement>> m_children;
    const XmlElement *m_parent = nullptr;
};

} // namespace soap
