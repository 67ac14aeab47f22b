#include "xmltreebuilder.h"

#include "errornumbers.h"
#include "expatreader.h"
#include "xmlelement.h"

namespace soap {

namespace {

QString text(std::string_view view)
{
    return QString::fromUtf8(view.data(), qsizetype(view.size()));
}

} // namespace

std::unique_ptr<XmlElement> XmlTreeBuilder::parse(const QByteArray &document, const QString &lead,
                                                  const Deadline &deadline, const QByteArray &charset)
{
    const DecodeFailure failure(QString(), lead);
    XmlTreeBuilder builder(failure);
    ExpatReader reader(builder, charset, failure, MaxDepth, deadline);
    reader.parse(document.constData(), document.size());
    reader.finish();
    std::unique_ptr<XmlElement> root = builder.takeRoot();
    if (!root)
        throw failure.error(ErrorNumber::MalformedXml, QStringLiteral("dokumentet är tomt"));
    return root;
}

XmlTreeBuilder::XmlTreeBuilder(const DecodeFailure &failure) : m_failure(failure) {}

QString XmlTreeBuilder::intern(std::string_view text)
{
    const QByteArray key = QByteArray::fromRawData(text.data(), qsizetype(text.size()));
    auto found = m_names.find(key);
    if (found == m_names.end())
        found = m_names.insert(QByteArray(text.data(), qsizetype(text.size())), QString::fromUtf8(key));
    return *found;
}
XmlTreeBuilder::~XmlTreeBuilder() = default;

void XmlTreeBuilder::declareNamespace(std::string_view prefix, std::string_view uri)
{
    if (!m_next)
        m_next = std::make_unique<XmlElement>();
    m_next->m_declared.emplace_back(intern(prefix), intern(uri));
}

void XmlTreeBuilder::startElement(const RawName &name, const XmlAttribute *attributes, std::size_t count)
{
    std::unique_ptr<XmlElement> element = m_next ? std::move(m_next) : std::make_unique<XmlElement>();
    element->m_name = {intern(name.namespaceUri), intern(name.localName)};
    for (std::size_t i = 0; i < count; ++i) {
        const XmlAttribute &attribute = attributes[i];
        QString key = intern(attribute.localName);
        if (!attribute.prefix.empty()) {
            std::string_view uri;
            // An undeclared attribute prefix makes the document unusable, as the parser's own
            // namespace processing would say.
            if (!m_context->namespaces().lookup(attribute.prefix, uri))
                throw m_failure.error(ErrorNumber::MalformedXml,
                                      QStringLiteral("felaktig XML %1: odeklarerat namnrymdsprefix \"%2\"")
                                          .arg(DecodeFailure::at(m_context->position()), text(attribute.prefix)));
            key = intern(std::string("{").append(uri).append("}").append(attribute.localName));
        }
        element->m_attributes.emplace_back(key, QString::fromUtf8(attribute.value));
    }
    XmlElement *raw = element.get();
    if (m_open.empty()) {
        m_root = std::move(element);
    } else {
        element->m_parent = m_open.back();
        m_open.back()->m_children.push_back(std::move(element));
    }
    m_open.push_back(raw);
}

void XmlTreeBuilder::endElement()
{
    m_open.pop_back();
}

std::unique_ptr<XmlElement> XmlTreeBuilder::takeRoot()
{
    return std::move(m_root);
}

} // namespace soap
