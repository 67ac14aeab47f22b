#include "mappingdocument.h"

#include "errornumbers.h"
#include "layererror.h"
#include "raisederror.h"
#include "xmldomnode.h"
#include "xmlelement.h"
#include "xmltreebuilder.h"

#include <QHash>

namespace soap {

namespace {

const QString Lead = QStringLiteral("Mappningsdokumentet går inte att använda");

[[noreturn]] void invalid(const QString &what)
{
    throw LayerError::make(ErrorNumber::MappingInvalid, QStringLiteral("%1: %2").arg(Lead, what));
}

// The mapping document's elements are unqualified; compare local names only.
std::vector<const XmlElement *> childElements(const XmlElement &parent, const QString &name)
{
    std::vector<const XmlElement *> found;
    for (const auto &child : parent.children()) {
        if (child->name().localName == name)
            found.push_back(child.get());
    }
    return found;
}

} // namespace

MappingDocument MappingDocument::parse(const QString &text, const QString &serviceName)
{
    MappingDocument mapping;
    if (text.trimmed().isEmpty())
        return mapping;

    std::shared_ptr<const XmlElement> root;
    try {
        // Text, not bytes: whatever its declaration says, it is read as the UTF-8 it is made into.
        root = XmlTreeBuilder::parse(text.toUtf8(), Lead, Deadline::never(), "UTF-8");
    } catch (const RaisedError &error) {
        throw RaisedError(ErrorNumber::MappingInvalid, error.source(), error.description());
    }
    if (root->name().localName != QLatin1String("servicemapping"))
        invalid(QStringLiteral("rotelementet är <%1>, inte <servicemapping>").arg(root->name().localName));
    const XmlElement *service = nullptr;
    for (const XmlElement *candidate : childElements(*root, QStringLiteral("service"))) {
        if (candidate->attribute(QStringLiteral("name")) == serviceName)
            service = candidate;
    }
    if (!service)
        invalid(QStringLiteral("tjänsten %1 saknas").arg(serviceName));

    QHash<QString, QString> mappers; // ID -> PROGID
    for (const XmlElement *using_ : childElements(*service, QStringLiteral("using"))) {
        const QString id = using_->attribute(QStringLiteral("ID"));
        const QString progId = using_->attribute(QStringLiteral("PROGID"));
        const QString cachable = using_->hasAttribute(QStringLiteral("cachable"))
            ? using_->attribute(QStringLiteral("cachable"))
            : QStringLiteral("0");
        if (id.isEmpty())
            invalid(QStringLiteral("ett <using>-element saknar ID"));
        if (mappers.contains(id))
            invalid(QStringLiteral("ID \"%1\" förekommer två gånger").arg(id));
        if (cachable != QLatin1String("0") && cachable != QLatin1String("1"))
            invalid(QStringLiteral("cachable=\"%1\" för %2 är varken 0 eller 1").arg(cachable, id));
        if (progId != QLatin1String(GenericMapperProgId))
            throw LayerError::make(ErrorNumber::UnknownTypeMapper,
                                   QStringLiteral("Typmappningen \"%1\" (ID %2) finns inte; endast %3 stöds")
                                       .arg(progId, id, QLatin1String(GenericMapperProgId)));
        // Our mapper keeps no state between elements, so cached or not it behaves the same.
        mappers.insert(id, progId);
    }

    for (const XmlElement *types : childElements(*service, QStringLiteral("types"))) {
        for (const XmlElement *type : childElements(*types, QStringLiteral("type"))) {
            const QString name = type->attribute(QStringLiteral("name"));
            const QString uses = type->attribute(QStringLiteral("uses"));
            if (name.isEmpty())
                invalid(QStringLiteral("ett <type>-element saknar name"));
            if (!mappers.contains(uses))
                invalid(QStringLiteral("typen %1 använder \"%2\", som inget <using>-element deklarerar")
                            .arg(name, uses));
            MappedType mapped;
            mapped.type = {type->attribute(QStringLiteral("targetNamespace")), name};
            // The node shares the tree: it outlives this document for as long as the factory holds it.
            mapped.mappingNode = std::make_shared<XmlDomNode>(std::shared_ptr<const XmlElement>(root, type));
            mapping.m_types.push_back(std::move(mapped));
        }
    }
    return mapping;
}

} // namespace soap
