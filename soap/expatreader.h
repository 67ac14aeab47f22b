#pragma once

#include "decodefailure.h"
#include "xmleventhandler.h"

#include <QByteArray>

#include <exception>
#include <memory>
#include <string_view>
#include <vector>

struct XML_ParserStruct;

namespace soap {

// An incremental XML parser (expat) that refuses any DOCTYPE, limits nesting and turns every
// failure into a RaisedError naming the line and column. Namespaces are resolved here rather than
// by expat: its own namespace processing costs some 40 % of its speed on SOAP answers.
class ExpatReader : public XmlContext
{
public:
    // charset: the HTTP charset, empty when there was none; it overrides the XML declaration.
    // An unsupported charset raises UnsupportedEncoding.
    ExpatReader(XmlEventHandler &handler, const QByteArray &charset, DecodeFailure failure,
                int maxDepth);
    ~ExpatReader() override;

    ExpatReader(const ExpatReader &) = delete;
    ExpatReader &operator=(const ExpatReader &) = delete;

    // Raises on the first failure; the reader is unusable afterwards.
    void parse(const char *data, qsizetype size, bool isFinal);

    XmlPosition position() const override;
    const NamespaceScope &namespaces() const override;

private:
    struct ParserDeleter
    {
        void operator()(XML_ParserStruct *parser) const;
    };

    template<typename Call>
    void guarded(Call &&call);
    void stop(std::exception_ptr error);
    RaisedError parserError() const;
    void startElement(const char *name, const char **attributes);
    // An element's name; raises for an undeclared prefix.
    RawName resolve(std::string_view qualified) const;
    QString describe(int code) const;

    static void onStartElement(void *self, const char *name, const char **attributes);
    static void onEndElement(void *self, const char *name);
    static void onCharacters(void *self, const char *data, int length);
    static void onDoctype(void *self, const char *name, const char *, const char *, int);
    static void onEntityDeclaration(void *self, const char *, int, const char *, int, const char *,
                                    const char *, const char *, const char *);
    static int onUnknownEncoding(void *self, const char *name, void *info);

    XmlEventHandler &m_handler;
    DecodeFailure m_failure;
    int m_maxDepth;
    int m_depth = 0;
    std::unique_ptr<XML_ParserStruct, ParserDeleter> m_parser;
    std::exception_ptr m_error;
    NamespaceScope m_scope;
    std::vector<std::size_t> m_marks; // the scope's mark at each open element
    std::vector<XmlAttribute> m_attributes;
    QByteArray m_unknownEncoding;
};

} // namespace soap
