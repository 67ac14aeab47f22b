#include "soapanswer.h"

#include <QHash>
#include <QXmlStreamReader>

namespace {

const QString EnvNs = QStringLiteral("{http://schemas.xmlsoap.org/soap/envelope/}");

QString qualified(QStringView ns, QStringView local)
{
    return ns.isEmpty() ? local.toString() : u'{' + ns.toString() + u'}' + local.toString();
}

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
        return colon < 0 ? qname : qualified(prefixes.value(qname.left(colon)), qname.mid(colon + 1));
    }

    static Element read(QXmlStreamReader &xml, const QHash<QString, QString> &outer)
    {
        Element e{qualified(xml.namespaceUri(), xml.name()), outer, {}, {}, {}};
        for (const auto &d : xml.namespaceDeclarations())
            e.prefixes.insert(d.prefix().toString(), d.namespaceUri().toString());
        for (const auto &a : xml.attributes())
            e.attributes.insert(qualified(a.namespaceUri(), a.name()), a.value().toString());
        while (xml.readNext() != QXmlStreamReader::EndElement && !xml.atEnd()) {
            if (xml.isStartElement())
                e.children.push_back(read(xml, e.prefixes));
            else if (xml.isCharacters())
                e.text += xml.text();
        }
        return e;
    }
};

} // namespace

SoapAnswer SoapAnswer::read(const QByteArray &envelope)
{
    SoapAnswer answer;
    QXmlStreamReader xml(envelope);
    while (!xml.atEnd() && !xml.isStartElement())
        xml.readNext();
    const Element root = Element::read(xml, {});
    if (xml.hasError())
        answer.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    else if (root.name != EnvNs + "Envelope" || root.children.empty() || root.children.back().name != EnvNs + "Body")
        answer.error = QStringLiteral("not a SOAP 1.1 envelope");
    if (!answer.error.isEmpty())
        return answer;
    answer.encodingStyle = root.attributes.value(EnvNs + "encodingStyle")
            == u"http://schemas.xmlsoap.org/soap/encoding/";
    const Element &body = root.children.back();
    if (body.children.empty())
        return answer;
    const Element &response = body.children.front();
    answer.response = response.name;
    for (const Element &c : response.children) {
        if (c.name == u"faultcode")
            answer.faultCode = c.resolved(c.text);
        else if (c.name == u"faultstring")
            answer.faultString = c.text;
    }
    // Independent elements after the response, for multiRef items to point at.
    QHash<QString, const Element *> byId;
    for (const Element &independent : body.children)
        if (independent.name.section(u'}', -1) == u"multiRef" && ++answer.multiRefCount)
            byId.insert(u'#' + independent.attributes.value(QStringLiteral("id")), &independent);
    if (response.name == EnvNs + "Fault" || response.children.empty())
        return answer;
    const Element &array = response.children.front();
    answer.arrayType = array.resolved(array.attributes.value("{http://schemas.xmlsoap.org/soap/encoding/}arrayType"));
    for (const Element &reference : array.children) {
        const QString href = reference.attributes.value(QStringLiteral("href"));
        const Element *item = href.isEmpty() ? &reference : byId.value(href);
        if (!item) {
            answer.error = QStringLiteral("dangling reference ") + href;
            return answer;
        }
        answer.records.emplace_back();
        for (const Element &member : item->children) {
            answer.records.back().insert(member.name, member.text);
            if (answer.records.size() == 1)
                answer.memberOrder << member.name;
        }
    }
    return answer;
}
