#include "expatreader.h"

#include "charsets.h"
#include "errornumbers.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace soap {

void ExpatReader::ParserDeleter::operator()(XML_ParserStruct *parser) const
{
    XML_ParserFree(parser);
}

ExpatReader::ExpatReader(XmlEventHandler &handler, const QByteArray &charset, DecodeFailure failure,
                         int maxDepth, Deadline deadline)
    : m_handler(handler), m_failure(std::move(failure)), m_maxDepth(maxDepth), m_deadline(deadline)
{
    QByteArray forced;
    if (!charset.trimmed().isEmpty()) {
        forced = Charsets::parserName(charset);
        if (forced.isEmpty()) {
            throw m_failure.error(ErrorNumber::UnsupportedEncoding,
                                  QStringLiteral("teckenkodningen \"%1\" (HTTP) stöds inte")
                                      .arg(QString::fromLatin1(charset.trimmed())));
        }
    }
    m_parser.reset(XML_ParserCreate(forced.isEmpty() ? nullptr : forced.constData()));
    if (!m_parser)
        throw std::bad_alloc();

    XML_Parser p = m_parser.get();
    XML_SetUserData(p, this);
    XML_SetElementHandler(p, &ExpatReader::onStartElement, &ExpatReader::onEndElement);
    XML_SetCharacterDataHandler(p, &ExpatReader::onCharacters);
    XML_SetUnknownEncodingHandler(
        p, [](void *self, const XML_Char *name, XML_Encoding *info) { return onUnknownEncoding(self, name, info); },
        this);
    // No DTD is ever read: refusing at the DOCTYPE's start leaves no room for entity expansion,
    // and with no external entity handler set nothing is ever fetched.
    XML_SetStartDoctypeDeclHandler(p, &ExpatReader::onDoctype);
    XML_SetEntityDeclHandler(p, &ExpatReader::onEntityDeclaration);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    m_marks.reserve(64);
    m_attributes.reserve(16);
    m_handler.setContext(this);
}

ExpatReader::~ExpatReader() = default;

char *ExpatReader::room(qsizetype size)
{
    if (m_error)
        std::rethrow_exception(m_error);
    if (m_window && m_windowSize - m_filled >= size)
        return m_window + m_filled;
    if (m_window)
        flush(false);
    // A token that runs on past what has arrived is read again from its start on every parse
    // (expat before 2.6): it is parsed again only once at least as many new bytes have come, so
    // that a huge tag costs in proportion to its size, not its square.
    if (m_pending > MaxToken)
        throw m_failure.error(ErrorNumber::MalformedXml,
                              QStringLiteral("felaktig XML %1: en tagg är längre än %2 byte")
                                  .arg(DecodeFailure::at(position()))
                                  .arg(MaxToken));
    const qsizetype want = m_pending + size;
    m_window = static_cast<char *>(XML_GetBuffer(m_parser.get(), int(want)));
    if (!m_window)
        throw std::bad_alloc();
    m_windowSize = want;
    m_filled = 0;
    return m_window;
}

void ExpatReader::commit(qsizetype size)
{
    m_filled += size;
    if (m_filled >= std::max<qsizetype>(m_pending, 1))
        flush(false);
}

void ExpatReader::parse(const char *data, qsizetype size)
{
    constexpr qsizetype Piece = 64 * 1024;
    while (size > 0) {
        const qsizetype piece = std::min(size, Piece);
        std::memcpy(room(piece), data, std::size_t(piece));
        commit(piece);
        data += piece;
        size -= piece;
    }
}

void ExpatReader::finish()
{
    if (m_error)
        std::rethrow_exception(m_error);
    flush(true);
}

void ExpatReader::flush(bool isFinal)
{
    m_deadline.check(m_failure.where());
    const qsizetype size = m_filled;
    const bool windowed = m_window != nullptr;
    m_window = nullptr;
    m_filled = 0;
    const XML_Status status = windowed ? XML_ParseBuffer(m_parser.get(), int(size), isFinal)
                                       : XML_Parse(m_parser.get(), "", 0, isFinal);
    if (status != XML_STATUS_OK) {
        if (!m_error)
            m_error = std::make_exception_ptr(parserError());
        std::rethrow_exception(m_error);
    }
    m_parsed += size;
    const XML_Index at = XML_GetCurrentByteIndex(m_parser.get());
    m_pending = at < 0 ? 0 : qsizetype(m_parsed - at);
}

const NamespaceScope &ExpatReader::namespaces() const
{
    return m_scope;
}

XmlPosition ExpatReader::position() const
{
    return {qint64(XML_GetCurrentLineNumber(m_parser.get())),
            qint64(XML_GetCurrentColumnNumber(m_parser.get())) + 1};
}

template<typename Call>
void ExpatReader::guarded(Call &&call)
{
    // Expat may still deliver an event or two after being stopped.
    if (m_error)
        return;
    // Exceptions must not unwind through the C parser.
    try {
        call();
    } catch (...) {
        stop(std::current_exception());
    }
}

void ExpatReader::stop(std::exception_ptr error)
{
    m_error = std::move(error);
    XML_StopParser(m_parser.get(), XML_FALSE);
}

RaisedError ExpatReader::parserError() const
{
    const XML_Error code = XML_GetErrorCode(m_parser.get());
    if (code == XML_ERROR_UNKNOWN_ENCODING) {
        return m_failure.error(ErrorNumber::UnsupportedEncoding,
                               QStringLiteral("teckenkodningen \"%1\" stöds inte")
                                   .arg(QString::fromLatin1(m_unknownEncoding)));
    }
    if (code == XML_ERROR_INCORRECT_ENCODING) {
        return m_failure.error(ErrorNumber::UnsupportedEncoding,
                               QStringLiteral("teckenkodningen stämmer inte med innehållet %1")
                                   .arg(DecodeFailure::at(position())));
    }
    return m_failure.error(ErrorNumber::MalformedXml, QStringLiteral("felaktig XML %1: %2")
                                                          .arg(DecodeFailure::at(position()), describe(code)));
}

QString ExpatReader::describe(int code) const
{
    switch (code) {
    case XML_ERROR_NO_MEMORY: return QStringLiteral("minnet räckte inte");
    case XML_ERROR_SYNTAX: return QStringLiteral("syntaxfel");
    case XML_ERROR_NO_ELEMENTS: return QStringLiteral("dokumentet tar slut innan det är komplett");
    case XML_ERROR_INVALID_TOKEN: return QStringLiteral("ogiltigt tecken");
    case XML_ERROR_UNCLOSED_TOKEN: return QStringLiteral("dokumentet tar slut mitt i en tagg");
    case XML_ERROR_PARTIAL_CHAR: return QStringLiteral("ofullständigt tecken");
    case XML_ERROR_TAG_MISMATCH: return QStringLiteral("sluttaggen passar inte starttaggen");
    case XML_ERROR_DUPLICATE_ATTRIBUTE: return QStringLiteral("samma attribut två gånger");
    case XML_ERROR_JUNK_AFTER_DOC_ELEMENT: return QStringLiteral("innehåll efter dokumentets slut");
    case XML_ERROR_UNDEFINED_ENTITY: return QStringLiteral("okänd entitet");
    case XML_ERROR_BAD_CHAR_REF: return QStringLiteral("ogiltig teckenreferens");
    case XML_ERROR_UNBOUND_PREFIX: return QStringLiteral("odeklarerat namnrymdsprefix");
    case XML_ERROR_UNCLOSED_CDATA_SECTION: return QStringLiteral("CDATA-sektionen avslutas aldrig");
    case XML_ERROR_MISPLACED_XML_PI: return QStringLiteral("XML-deklarationen står inte först");
    case XML_ERROR_XML_DECL: return QStringLiteral("felaktig XML-deklaration");
    default: return QString::fromUtf8(XML_ErrorString(XML_Error(code)));
    }
}

void ExpatReader::startElement(const char *name, const char **attributes)
{
    // Declarations hold for the element's own name and attributes: bound before either is
    // resolved (attributes are resolved by whoever reads them, after this).
    m_marks.push_back(m_scope.mark());
    m_attributes.clear();
    for (const char **attribute = attributes; *attribute; attribute += 2) {
        const char *const text = *attribute;
        const char *colon = nullptr;
        const char *end = text;
        for (; *end; ++end) {
            if (*end == ':' && !colon)
                colon = end;
        }
        if (!colon) {
            const std::string_view local(text, std::size_t(end - text));
            if (local == "xmlns") {
                m_scope.bind({}, attribute[1]);
                m_handler.declareNamespace({}, attribute[1]);
            } else {
                m_attributes.push_back({std::string_view(), local, attribute[1]});
            }
            continue;
        }
        const std::string_view prefix(text, std::size_t(colon - text));
        const std::string_view local(colon + 1, std::size_t(end - colon - 1));
        if (prefix == "xmlns") {
            m_scope.bind(local, attribute[1]);
            m_handler.declareNamespace(local, attribute[1]);
        } else {
            m_attributes.push_back({prefix, local, attribute[1]});
        }
    }
    m_handler.startElement(resolve(name), m_attributes.data(), m_attributes.size());
}

RawName ExpatReader::resolve(std::string_view qualified) const
{
    RawName name;
    if (!m_scope.resolve(qualified, name)) {
        throw m_failure.error(ErrorNumber::MalformedXml,
                              QStringLiteral("felaktig XML %1: odeklarerat namnrymdsprefix i \"%2\"")
                                  .arg(DecodeFailure::at(position()),
                                       QString::fromUtf8(qualified.data(), qsizetype(qualified.size()))));
    }
    return name;
}

void ExpatReader::onStartElement(void *self, const char *name, const char **attributes)
{
    auto *reader = static_cast<ExpatReader *>(self);
    reader->guarded([&] {
        reader->tick();
        if (++reader->m_depth > reader->m_maxDepth) {
            throw reader->m_failure.error(
                ErrorNumber::NestingTooDeep,
                QStringLiteral("elementen är nästlade i mer än %1 nivåer %2")
                    .arg(reader->m_maxDepth)
                    .arg(DecodeFailure::at(reader->position())));
        }
        reader->startElement(name, attributes);
    });
}

void ExpatReader::onEndElement(void *self, const char *)
{
    auto *reader = static_cast<ExpatReader *>(self);
    reader->guarded([&] {
        --reader->m_depth;
        reader->m_handler.endElement();
        reader->m_scope.release(reader->m_marks.back());
        reader->m_marks.pop_back();
    });
}

void ExpatReader::onCharacters(void *self, const char *data, int length)
{
    auto *reader = static_cast<ExpatReader *>(self);
    reader->guarded([&] {
        reader->tick();
        reader->m_handler.characters(data, length);
    });
}

void ExpatReader::onDoctype(void *self, const char *, const char *, const char *, int)
{
    auto *reader = static_cast<ExpatReader *>(self);
    reader->guarded([&] {
        throw reader->m_failure.error(
            ErrorNumber::DoctypeRefused,
            QStringLiteral("dokumentet innehåller en DOCTYPE-deklaration %1 (är det en HTML-sida?); "
                           "sådana tas inte emot")
                .arg(DecodeFailure::at(reader->position())));
    });
}

void ExpatReader::onEntityDeclaration(void *self, const char *, int, const char *, int, const char *,
                                      const char *, const char *, const char *)
{
    // Unreachable while DOCTYPE is refused; kept so that an entity can never be declared.
    auto *reader = static_cast<ExpatReader *>(self);
    reader->guarded([&] {
        throw reader->m_failure.error(ErrorNumber::DoctypeRefused,
                                      QStringLiteral("dokumentet deklarerar entiteter %1")
                                          .arg(DecodeFailure::at(reader->position())));
    });
}

int ExpatReader::onUnknownEncoding(void *self, const char *name, void *encoding)
{
    auto *info = static_cast<XML_Encoding *>(encoding);
    auto *reader = static_cast<ExpatReader *>(self);
    reader->m_unknownEncoding = QByteArray(name);
    const auto map = Charsets::singleByteMap(reader->m_unknownEncoding);
    if (!map)
        return XML_STATUS_ERROR;
    std::copy(map->begin(), map->end(), info->map);
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

} // namespace soap
