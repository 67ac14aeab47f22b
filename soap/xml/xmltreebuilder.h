#pragma once

#include "deadline.h"
#include "decodefailure.h"
#include "xmleventhandler.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace soap {

class XmlElement;

// Builds an XmlElement tree from the parser's events; parse() reads a whole document into one.
class XmlTreeBuilder : public XmlEventHandler
{
public:
    // Parses a whole document. DOCTYPEs are refused: no document here needs one, and entity tricks
    // stay out. Raises RaisedError (MalformedXml, DoctypeRefused, NestingTooDeep, Timeout) led by
    // `lead`. charset: forced, as for a document held as text; empty to read the declaration.
    static std::unique_ptr<XmlElement> parse(const QByteArray &document, const QString &lead,
                                             const Deadline &deadline = Deadline::never(),
                                             const QByteArray &charset = {});

    static constexpr int MaxDepth = 256;

    explicit XmlTreeBuilder(const DecodeFailure &failure);
    ~XmlTreeBuilder() override;

    void setContext(const XmlContext *context) override { m_context = context; }
    void declareNamespace(std::string_view prefix, std::string_view uri) override;
    void startElement(const RawName &name, const XmlAttribute *attributes, std::size_t count) override;
    void endElement() override;
    void characters(const char *, int) override {}

    // The root, once the document has ended; null when there was none.
    std::unique_ptr<XmlElement> takeRoot();

private:
    // Names repeat from element to element: one shared copy of each.
    QString intern(std::string_view text);

    QHash<QByteArray, QString> m_names;
    const DecodeFailure &m_failure;
    const XmlContext *m_context = nullptr;
    std::unique_ptr<XmlElement> m_next; // made at its first declaration or its start
    std::unique_ptr<XmlElement> m_root;
    std::vector<XmlElement *> m_open;
};

} // namespace soap
