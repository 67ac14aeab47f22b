#include "mappingdocument.h"

#include "errornumbers.h"
#include "raisederror.h"
#include "xmldomnode.h"

#include <QDomDocument>
#include <QHash>
#include <QXmlStreamReader>

namespace soap {

namespace {

[[noreturn]] void invalid(const QString &what)
{
    throw RaisedError(ErrorNumber::MappingInvalid, QStringLiteral("SoapClient"),
                      QStringLiteral("Mappningsdokumentet går inte att använda: %1").arg(what));
}

// The mapping document's elements are unqualified; compare local names only.
QString nameOf(const QDomElement &element)
{
    return element.localName().isEmpty() ? element.tagName() : element.localName();
}

QList<QDomElement> childElements(const QDomElement &parent, const QString &name)
{
    QList<QDomElement> found;
    for (QDomElement child = parent.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (nameOf(child) == name)
            found.append(child);
    }
    return found;
}

} // namespace

MappingDocument MappingDocument::parse(const QString &text, const QString &serviceName)
{
    MappingDocument mapping;
    if (text.trimmed().isEmpty())
        return mapping;

    // The DOM parser would read a DOCTYPE; a mapping document never has one.
    QXmlStreamReader scan(text);
    while (!scan.atEnd()) {
        if (scan.readNext() == QXmlStreamReader::DTD)
            invalid(QStringLiteral("dokumenttypdeklarationer (DOCTYPE) tas inte emot"));
    }
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (scan.hasError() || !document.setContent(text, true, &message, &line, &column))
        invalid(QStringLiteral("felaktig XML på rad %1, kolumn %2: %3")
                    .arg(line)
                    .arg(column)
                    .arg(scan.hasError() ? scan.errorString() : message));

    const QDomElement root = document.documentElement();
    if (nameOf(root) != QLatin1String("servicemapping"))
        invalid(QStringLiteral("rotelementet är <%1>, inte <servicemapping>").arg(nameOf(root)));
    QDomElement service;
    for (const QDomElement &candidate : childElements(root, QStringLiteral("service"))) {
        if (candidate.attribute(QStringLiteral("name")) == serviceName)
            service = candidate;
    }
    if (service.isNull())
        invalid(QStringLiteral("tjänsten %1 saknas").arg(serviceName));

    QHash<QString, QString> mappers; // ID -> PROGID
    for (const QDomElement &using_ : childElements(service, QStringLiteral("using"))) {
        const QString id = using_.attribute(QStringLiteral("ID"));
        const QString progId = using_.attribute(QStringLiteral("PROGID"));
        const QString cachable = using_.attribute(QStringLiteral("cachable"), QStringLiteral("0"));
        if (id.isEmpty())
            invalid(QStringLiteral("ett <using>-element saknar ID"));
        if (mappers.contains(id))
            invalid(QStringLiteral("ID \"%1\" förekommer två gånger").arg(id));
        if (cachable != QLatin1String("0") && cachable != QLatin1String("1"))
            invalid(QStringLiteral("cachable=\"%1\" för %2 är varken 0 eller 1").arg(cachable, id));
        if (progId != QLatin1String(GenericMapperProgId))
            throw RaisedError(ErrorNumber::UnknownTypeMapper, QStringLiteral("SoapClient"),
                              QStringLiteral("Typmappningen \"%1\" (ID %2) finns inte; endast %3 stöds")
                                  .arg(progId, id, QLatin1String(GenericMapperProgId)));
        // Our mapper keeps no state between elements, so cached or not it behaves the same.
        mappers.insert(id, progId);
    }

    for (const QDomElement &types : childElements(service, QStringLiteral("types"))) {
        for (const QDomElement &type : childElements(types, QStringLiteral("type"))) {
            const QString name = type.attribute(QStringLiteral("name"));
            const QString uses = type.attribute(QStringLiteral("uses"));
            if (name.isEmpty())
                invalid(QStringLiteral("ett <type>-element saknar name"));
            if (!mappers.contains(uses))
                invalid(QStringLiteral("typen %1 använder \"%2\", som inget <using>-element deklarerar")
                            .arg(name, uses));
            MappedType mapped;
            mapped.type = {type.attribute(QStringLiteral("targetNamespace")), name};
            mapped.mappingNode = std::make_shared<XmlDomNode>(type);
            mapping.m_types.push_back(std::move(mapped));
        }
    }
    return mapping;
}

} // namespace soap
