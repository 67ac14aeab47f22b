#include "soapanswer.h"

#include <QHash>
#include <QXmlStreamReader>

namespace {

const QString envNs = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");

struct Element
{
    QString name;    // {ns}local
    QHash<QString, QString> prefixes;      // in scope
    QHash<QString, QString> attributes;    // by {ns}local, or local when unqualified
    QString text;
    std::vector<Element> children;

    QString resolved(const QString &qname) const
    {
        const qsizetype colon = qname.indexOf(u':');
        return colon < 0 ? qname : u'{' + prefixes.value(qname.left(colon)) + u'}' + qname.mid(colon + 1);
    }
};

QString qualified(QStringView ns, QStringView local)
{
    return ns.isEmpty() ? local.toString() : u'{' + ns.toString() + u'}' + local.toString();
}

Element readElement(QXmlStreamReader &xml, const QHash<QString, QString> &outer)
{
    Element e{qualified(xml.namespaceUri(), xml.name()), outer, {}, {}, {}};
    for (const auto &d : xml.namespaceDeclarations())
        e.prefixes.insert(d.prefix().toString(), d.namespaceUri().toString());
    for (const auto &a : xml.attributes())
        e.attributes.insert(qualified(a.namespaceUri(), a.name()), a.value().toString());
    while (xml.readNext() != QXmlStreamReader::EndElement && !xml.atEnd()) {
        if (xml.isStartElement())
            e.children.push_back(readElement(xml, e.prefixes));
        else if (xml.isCharacters())
            e.text += xml.text();
    }
    return e;
}

} // namespace

SoapAnswer SoapAnswer::read(const QByteArray &envelope)
{
    SoapAnswer answer;
    QXmlStreamReader xml(envelope);
    while (!xml.atEnd() && !xml.isStartElement())
        xml.readNext();
    const Element root = readElement(xml, {});
    if (xml.hasError()) {
        answer.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return answer;
    }
    if (root.name != u'{' + envNs + QStringLiteral("}Envelope") || root.children.empty()
        || root.children.back().name != u'{' + envNs + QStringLiteral("}Body")) {
        answer.error = QStringLiteral("not a SOAP 1.1 envelope");
        return answer;
    }
    answer.wellFormed = true;
    answer.envelopeHasEncodingStyle = root.attributes.value(u'{' + envNs + QStringLiteral("}encodingStyle"))
            == u"http://schemas.xmlsoap.org/soap/encoding/";
    const Element &body = root.children.back();
    if (body.children.empty())
        return answer;
    const Element &response = body.children.front();
    answer.responseElement = response.name.section(u'}', -1);
    answer.responseNamespace = response.name.section(u'}', 0, 0).mid(1);
    if (response.name == u'{' + envNs + QStringLiteral("}Fault")) {
        for (const Element &c : response.children) {
            if (c.name == u"faultcode")
                answer.faultCode = c.resolved(c.text);
            else if (c.name == u"faultstring")
                answer.faultString = c.text;
        }
        return answer;
    }
    // Independent elements after the response, for multiRef items to point at.
    QHash<QString, const Element *> byId;
    for (const Element &independent : body.children)
        if (independent.name.section(u'}', -1) == u"multiRef") {
            ++answer.multiRefCount;
            byId.insert(u'#' + independent.attributes.value(QStringLiteral("id")), &independent);
        }
    if (response.children.empty())
        return answer;
    const Element &array = response.children.front();
    answer.arrayType = array.resolved(array.attributes.value(QStringLiteral("{http://schemas.xmlsoap.org/soap/encoding/}arrayType")));
    for (const Element &reference : array.children) {
        const QString href = reference.attributes.value(QStringLiteral("href"));
        const Element *item = href.isEmpty() ? &reference : byId.value(href);
        if (!item) {
            answer.wellFormed = false;
            answer.error = QStringLiteral("dangling reference ") + href;
            return answer;
        }
        Record record;
        for (const Element &member : item->children)
            record.insert(member.name, member.text);
        if (answer.records.empty())
            for (const Element &member : item->children)
                answer.memberOrder.push_back(member.name);
        answer.records.push_back(record);
    }
    return answer;
}
