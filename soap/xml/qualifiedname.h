#pragma once

#include <QHashFunctions>
#include <QString>

namespace soap {

// An XML name resolved to its namespace; prefixes never take part in comparisons.
struct QualifiedName
{
    QString namespaceUri;
    QString localName;

    bool isEmpty() const { return localName.isEmpty(); }
    friend bool operator==(const QualifiedName &a, const QualifiedName &b)
    {
        return a.localName == b.localName && a.namespaceUri == b.namespaceUri;
    }
    friend bool operator!=(const QualifiedName &a, const QualifiedName &b) { return !(a == b); }
};

inline size_t qHash(const QualifiedName &name, size_t seed = 0)
{
    return qHashMulti(seed, name.namespaceUri, name.localName);
}

} // namespace soap
