#pragma once

#include "deadline.h"
#include "decodefailure.h"
#include "xmleventhandler.h"

#include <QByteArray>

#include <exception>
#include <memory>
#include <string_view>
#include <vector>

struct XML_ParserStruct;

namespace soap {

// An incremental XML parser (expat) that refuses any DOCTYPE, limits nesting, keeps to the
// deadline and turns every failure into a RaisedError naming the line and column. Namespaces are
// resolved here rather than by expat: its own namespace processing costs some 40 % of its speed
// on SOAP answers. Input is best written straight into the parser's own buffer (room, commit).
class ExpatReader : public XmlContext
{
public:
    // charset: the HTTP charset, empty when there was none; it overrides the XML declaration.
    // An unsupported charset raises UnsupportedEncoding.
    ExpatReader(XmlEventHandler &handler, const QByteArray &charset, DecodeFailure failure,
                int maxDepth, Deadline deadline = Deadline::never());
    ~ExpatReader() override;

    ExpatReader(const ExpatReader &) = delete;
    ExpatReader &operator=(const ExpatReader &) = delete;

    // All raise on the first failure; the reader is unusable afterwards.
    // Room for size more bytes in the parser's buffer; commit(n) parses the n bytes written there.
    char *room(qsizetype size);
    void commit(qsizetype size);
    // The same for bytes at hand, copied in.
    void parse(const char *data, qsizetype size);
    // Once, after the last byte.
    void finish();

    XmlPosition position() const override;
    const NamespaceScope &namespaces() const override;

    // Longest tag (or comment, or declaration) accepted. Expat reads a tag whole before it says
    // anything of it, so this bounds the work between two looks at the deadline.
    static constexpr qsizetype MaxToken = 1024 * 1024;

private:
    struct ParserDeleter
    {
        void operator()(XML_ParserStruct *parser) const;
    };

    template<typename Call>
    void guarded(Call &&call);
    void flush(bool isFinal);
    // Every so many events, a look at the clock.
    void tick()
    {
        if ((++m_events & 1023u) == 0)
            m_deadline.check(m_failure.where());
    }
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
    Deadline m_deadline;
    int m_depth = 0;
    unsigned m_events = 0;
    // The part of the parser's buffer handed out by room() and not yet parsed.
    char *m_window = nullptr;
    qsizetype m_windowSize = 0;
    qsizetype m_filled = 0;
    qint64 m_parsed = 0;     // bytes given to the parser so far
    qsizetype m_pending = 0; // of those, the unfinished token it holds back
    std::unique_ptr<XML_ParserStruct, ParserDeleter> m_parser;
    std::exception_ptr m_error;
    NamespaceScope m_scope;
    std::vector<std::size_t> m_marks; // the scope's mark at each open element
    std::vector<XmlAttribute> m_attributes;
    QByteArray m_unknownEncoding;
};

} // namespace soap
