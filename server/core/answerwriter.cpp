#include "answerwriter.h"

#include "ksv_config.h"
#include "soapnamespaces.h"

#include <QXmlStreamWriter>

namespace {

void writeMembers(QXmlStreamWriter &w, const ResultRow &row)
{
    const auto &names = ResultRow::memberNames();
    for (int i = 0; i < ResultRow::MemberCount; ++i) {
        w.writeStartElement(names[std::size_t(i)]);
        w.writeAttribute(SoapNamespaces::Xsi, QStringLiteral("type"), QStringLiteral("xsd:string"));
        w.writeCharacters(row.values[std::size_t(i)]);
        w.writeEndElement();
    }
}

} // namespace

QByteArray AnswerWriter::write(const QString &operation, const std::vector<ResultRow> &rows) const
{
    QByteArray out;
    out.reserve(int(rows.size()) * 1100 + 1024);
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeNamespace(SoapNamespaces::Envelope, QStringLiteral("SOAP-ENV"));
    w.writeNamespace(SoapNamespaces::Encoding, QStringLiteral("SOAP-ENC"));
    w.writeNamespace(SoapNamespaces::Xsd, QStringLiteral("xsd"));
    w.writeNamespace(SoapNamespaces::Xsi, QStringLiteral("xsi"));
    w.writeNamespace(QStringLiteral(KSV_SERVICE_NAMESPACE), QStringLiteral("ns"));
    w.writeNamespace(QStringLiteral(KSV_SCHEMA_NAMESPACE), QStringLiteral("ns1"));
    w.writeStartElement(SoapNamespaces::Envelope, QStringLiteral("Envelope"));
    w.writeAttribute(SoapNamespaces::Envelope, QStringLiteral("encodingStyle"), SoapNamespaces::Encoding);
    w.writeStartElement(SoapNamespaces::Envelope, QStringLiteral("Body"));

    w.writeStartElement(QStringLiteral(KSV_SERVICE_NAMESPACE), operation + QStringLiteral("Response"));
    w.writeStartElement(QStringLiteral("return"));
    w.writeAttribute(SoapNamespaces::Xsi, QStringLiteral("type"), QStringLiteral("SOAP-ENC:Array"));
    w.writeAttribute(SoapNamespaces::Encoding, QStringLiteral("arrayType"),
                     QStringLiteral("ns1:QueryResult[%1]").arg(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        w.writeStartElement(QStringLiteral("item"));
        if (m_style == WireStyle::Inline) {
            w.writeAttribute(SoapNamespaces::Xsi, QStringLiteral("type"), QStringLiteral("ns1:QueryResult"));
            writeMembers(w, rows[i]);
        } else {
            w.writeAttribute(QStringLiteral("href"), QStringLiteral("#id%1").arg(i));
        }
        w.writeEndElement();
    }
    w.writeEndElement();    // return
    w.writeEndElement();    // response

    if (m_style == WireStyle::MultiRef) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            w.writeStartElement(QStringLiteral("multiRef"));
            w.writeAttribute(QStringLiteral("id"), QStringLiteral("id%1").arg(i));
            w.writeAttribute(SoapNamespaces::Encoding, QStringLiteral("root"), QStringLiteral("0"));
            w.writeAttribute(SoapNamespaces::Envelope, QStringLiteral("encodingStyle"), SoapNamespaces::Encoding);
            w.writeAttribute(SoapNamespaces::Xsi, QStringLiteral("type"), QStringLiteral("ns1:QueryResult"));
            writeMembers(w, rows[i]);
            w.writeEndElement();
        }
    }
    w.writeEndElement();    // Body
    w.writeEndElement();    // Envelope
    w.writeEndDocument();
    return out;
}
