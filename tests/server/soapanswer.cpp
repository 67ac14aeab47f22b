#include "soapanswer.h"

#include <QHash>
#include <QXmlStreamReader>

namespace {

const QString envNs = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
const QString encNs = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");

struct Element
{
    QString name;
    QString ns;
    QMap<QString, QString> attributes;    // "{ns}local" or "local"
    QString text;
    std::vector<Element> children;
};

Element readElement(QXmlStreamReader &xml, QHash<QString, QString> prefixes)
{
    Element e;
    e.name = xml.name().toString();
    e.ns = xml.namespaceUri().toString();
    for (const auto &d : xml.namespaceDeclarations())
        prefixes.insert(d.prefix().toString(), d.namespaceUri().toString());
    for (const auto &a : xml.attributes()) {
        QString value = a.value().toString();
        // QName values: resolve the prefix against the declarations in scope
        if (a.name() == u"arrayType" || a.name() == u"type") {
            const int colon = value.indexOf(u':');
            if (colon > 0)
                value = u'{' + prefixes.value(value.left(colon)) + u'}' + value.mid(colon + 1);
        }
        const QString key = a.namespaceUri().isEmpty()
                ? a.name().toString()
                : u'{' + a.namespaceUri().toString() + u'}' + a.name().toString();
        e.attributes.insert(key, value);
    }
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement)
            e.children.push_back(readElement(xml, prefixes));
        else if (token == QXmlStreamReader::Characters)
            e.text += xml.text();
        else if (token == QXmlStreamReader::EndElement)
            break;
    }
    return e;
}

void readRecord(const Element &item, SoapAnswer &answer)
{
    SoapAnswer::Record record;
    std::vector<QString> order;
    for (const Element &member : item.children) {
        record.insert(member.name, member.text);
        order.push_back(member.name);
    }
    if (answer.records.empty())
        answer.memberOrder = order;
    answer.records.push_back(record);
}

} // namespace

SoapAnswer SoapAnswer::read(const QByteArray &envelope)
{
    SoapAnswer answer;
    QXmlStreamReader xml(envelope);
    while (!xml.atEnd() && !xml.isStartElement())
        xml.readNext();
    if (!xml.isStartElement()) {
        answer.error = QStringLiteral("no root element: ") + xml.errorString();
        return answer;
    }
    const Element root = readElement(xml, {});
    answer.envelopeHasEncodingStyle =
            root.attributes.value(u'{' + envNs + QStringLiteral("}encodingStyle")) == encNs;
    if (xml.hasError()) {
        answer.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return answer;
    }
    if (root.name != u"Envelope" || root.ns != envNs || root.children.empty()
        || root.children.back().name != u"Body") {
        answer.error = QStringLiteral("not a SOAP 1.1 envelope");
        return answer;
    }
    answer.wellFormed = true;
    const Element &body = root.children.back();
    if (body.children.empty())
        return answer;
    const Element &response = body.children.front();
    answer.responseElement = response.name;
    answer.responseNamespace = response.ns;
    if (response.name == u"Fault" && response.ns == envNs) {
        for (const Element &c : response.children) {
            if (c.name == u"faultcode") {
                const int colon = c.text.indexOf(u':');
                answer.faultCode = colon > 0 ? u'{' + envNs + u'}' + c.text.mid(colon + 1) : c.text;
            } else if (c.name == u"faultstring") {
                answer.faultString = c.text;
            }
        }
        return answer;
    }
    QHash<QString, const Element *> byId;
    for (std::size_t i = 1; i < body.children.size(); ++i) {
        const Element &independent = body.children[i];
        if (independent.name == u"multiRef") {
            ++answer.multiRefCount;
            byId.insert(independent.attributes.value(QStringLiteral("id")), &independent);
        }
    }
    if (response.children.empty())
        return answer;
    const Element &array = response.children.front();
    answer.arrayType = array.attributes.value(u'{' + encNs + QStringLiteral("}arrayType"));
    for (const Element &item : array.children) {
        const QString href = item.attributes.value(QStringLiteral("href"));
        if (href.isEmpty()) {
            readRecord(item, answer);
        } else if (const Element *target = byId.value(href.mid(1))) {
            readRecord(*target, answer);
        } else {
            answer.wellFormed = false;
            answer.error = QStringLiteral("dangling reference ") + href;
            return answer;
        }
    }
    return answer;
}
