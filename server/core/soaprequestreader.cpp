#include "soaprequestreader.h"

#include "soapfault.h"
#include "soapnamespaces.h"

#include <QStringDecoder>

#include <expat.h>

#include <array>
#include <climits>
#include <memory>
#include <optional>
#include <string_view>

namespace {

// Expat with its own namespace processing: names arrive as "uri\1local\1prefix". Its tables are
// hashed, so the work stays in proportion to the bytes whatever the shape of the tags (many
// attributes, many prefixes, declarations everywhere), where QXmlStreamReader's was quadratic.
constexpr char Separator = '\x01';

struct Name
{
    std::string_view uri;
    std::string_view local;
    std::string_view prefix;

    explicit Name(std::string_view expanded)
    {
        const auto first = expanded.find(Separator);
        if (first == std::string_view::npos) {
            local = expanded;
            return;
        }
        uri = expanded.substr(0, first);
        local = expanded.substr(first + 1);
        const auto second = local.find(Separator);
        if (second != std::string_view::npos) {
            prefix = local.substr(second + 1);
            local = local.substr(0, second);
        }
    }

    bool is(const QString &ns, std::string_view name) const { return local == name && text(uri) == ns; }
    QString qualified() const { return prefix.empty() ? text(local) : text(prefix) + u':' + text(local); }

    static QString text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
};

std::optional<std::string_view> attribute(const char **attributes, const QString &ns, std::string_view local)
{
    for (; *attributes; attributes += 2) {
        if (Name(*attributes).is(ns, local))
            return std::string_view(attributes[1]);
    }
    return std::nullopt;
}

class Reader
{
public:
    Reader();
    SoapRequest run(const QByteArray &body);

private:
    // What each open element is to the request.
    enum class Kind { Envelope, Header, Body, Call, Argument, Skipped };

    struct ParserDeleter
    {
        void operator()(XML_ParserStruct *parser) const { XML_ParserFree(parser); }
    };

    void start(const char *name, const char **attributes);
    Kind classify(const Name &name, const char **attributes);
    void end();
    // Exceptions must not unwind through expat: the first fault stops it and is thrown after.
    template<typename Step>
    void guarded(Step &&step);
    [[noreturn]] void failXml() const;

    static int unknownEncoding(void *, const XML_Char *name, XML_Encoding *info);

    std::unique_ptr<XML_ParserStruct, ParserDeleter> m_parser;
    std::optional<SoapFault> m_fault;
    std::array<Kind, SoapRequestReader::MaxDepth + 1> m_open{};
    int m_depth = 0;
    bool m_bodySeen = false;
    bool m_haveCall = false;
    bool m_nil = false;
    QByteArray m_text;    // of the argument being read, as UTF-8
    SoapRequest m_request;
};

Reader::Reader() : m_parser(XML_ParserCreateNS(nullptr, Separator))
{
    if (!m_parser)
        throw std::bad_alloc();
    XML_Parser p = m_parser.get();
    XML_SetUserData(p, this);
    XML_SetReturnNSTriplet(p, 1);
    XML_SetElementHandler(
            p,
            [](void *self, const XML_Char *name, const XML_Char **attributes) {
                auto *reader = static_cast<Reader *>(self);
                reader->guarded([&] { reader->start(name, attributes); });
            },
            [](void *self, const XML_Char *) {
                auto *reader = static_cast<Reader *>(self);
                reader->guarded([&] { reader->end(); });
            });
    XML_SetCharacterDataHandler(p, [](void *self, const XML_Char *data, int length) {
        auto *reader = static_cast<Reader *>(self);
        if (reader->m_depth > 0 && reader->m_open[std::size_t(reader->m_depth)] == Kind::Argument)
            reader->m_text.append(data, length);
    });
    // A DOCTYPE is refused at its first byte: nothing in it is read, no entity is ever declared.
    XML_SetStartDoctypeDeclHandler(p, [](void *self, const XML_Char *, const XML_Char *, const XML_Char *, int) {
        auto *reader = static_cast<Reader *>(self);
        reader->guarded([] { throw SoapFault::client(QStringLiteral("DOCTYPE är inte tillåtet i en SOAP-begäran")); });
    });
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetUnknownEncodingHandler(p, &Reader::unknownEncoding, nullptr);
}

template<typename Step>
void Reader::guarded(Step &&step)
{
    if (m_fault)
        return;    // expat may deliver an event after being stopped
    try {
        step();
    } catch (const SoapFault &fault) {
        m_fault = fault;
        XML_StopParser(m_parser.get(), XML_FALSE);
    }
}

SoapRequest Reader::run(const QByteArray &body)
{
    if (body.isEmpty())
        throw SoapFault::client(QStringLiteral("Begäran är tom"));
    if (body.size() > INT_MAX)
        throw SoapFault::client(QStringLiteral("Begäran är för stor"));
    const XML_Status status = XML_Parse(m_parser.get(), body.constData(), int(body.size()), XML_TRUE);
    if (m_fault)
        throw *m_fault;
    if (status != XML_STATUS_OK)
        failXml();
    return std::move(m_request);
}

void Reader::failXml() const
{
    XML_Parser p = m_parser.get();
    throw SoapFault::client(QStringLiteral("Felaktig XML på rad %1, kolumn %2: %3")
                                    .arg(XML_GetCurrentLineNumber(p))
                                    .arg(XML_GetCurrentColumnNumber(p) + 1)
                                    .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(p)))));
}

void Reader::start(const char *name, const char **attributes)
{
    if (m_depth >= SoapRequestReader::MaxDepth)
        throw SoapFault::client(QStringLiteral("Begäran är för djupt nästlad (över %1 nivåer)")
                                        .arg(SoapRequestReader::MaxDepth));
    const Kind kind = classify(Name(name), attributes);
    m_open[std::size_t(++m_depth)] = kind;
}

Reader::Kind Reader::classify(const Name &name, const char **attributes)
{
    const Kind parent = m_depth == 0 ? Kind::Skipped : m_open[std::size_t(m_depth)];
    if (m_depth == 0) {
        if (name.is(SoapNamespaces::Envelope, "Envelope"))
            return Kind::Envelope;
        if (name.is(SoapNamespaces::Envelope12, "Envelope"))
            throw SoapFault(QStringLiteral("VersionMismatch"),
                            QStringLiteral("Endast SOAP 1.1 stöds (kuvertets namnrymd %1)").arg(SoapNamespaces::Envelope));
        throw SoapFault::client(QStringLiteral("Inte ett SOAP-meddelande: rotelementet är '%1'").arg(name.qualified()));
    }
    switch (parent) {
    case Kind::Envelope:
        if (!m_bodySeen && name.is(SoapNamespaces::Envelope, "Header"))
            return Kind::Header;
        if (!m_bodySeen && name.is(SoapNamespaces::Envelope, "Body")) {
            m_bodySeen = true;
            return Kind::Body;
        }
        throw SoapFault::client(QStringLiteral("Oväntat element '%1' i SOAP-kuvertet").arg(name.qualified()));
    case Kind::Header: {
        const auto mustUnderstand = attribute(attributes, SoapNamespaces::Envelope, "mustUnderstand");
        if (mustUnderstand == "1" || mustUnderstand == "true")
            throw SoapFault(QStringLiteral("MustUnderstand"),
                            QStringLiteral("Huvudelementet '%1' förstås inte").arg(name.qualified()));
        return Kind::Skipped;
    }
    case Kind::Body:
        if (m_haveCall)
            return Kind::Skipped;    // independent elements (multiRef) after the call
        m_haveCall = true;
        m_request.operationNamespace = Name::text(name.uri);
        m_request.operation = Name::text(name.local);
        return Kind::Call;
    case Kind::Call: {
        m_request.arguments.push_back({Name::text(name.local), std::nullopt});
        if (attribute(attributes, QString(), "href"))
            throw SoapFault::client(QStringLiteral("Argumentet '%1' är en referens; skicka värdet direkt")
                                            .arg(m_request.arguments.back().name));
        const auto nil = attribute(attributes, SoapNamespaces::Xsi, "nil");
        m_nil = nil == "true" || nil == "1";
        m_text.clear();
        return Kind::Argument;
    }
    case Kind::Argument:
        throw SoapFault::client(QStringLiteral("Argumentet '%1' ska vara en sträng, inte en struktur")
                                        .arg(m_request.arguments.back().name));
    case Kind::Skipped:
        return Kind::Skipped;
    }
    return Kind::Skipped;
}

void Reader::end()
{
    switch (m_open[std::size_t(m_depth--)]) {
    case Kind::Argument:
        if (!m_nil)
            m_request.arguments.back().value = QString::fromUtf8(m_text);
        break;
    case Kind::Body:
        if (!m_haveCall)
            throw SoapFault::client(QStringLiteral("SOAP-kroppen innehåller inget anrop"));
        break;
    case Kind::Envelope:
        if (!m_bodySeen)
            throw SoapFault::client(QStringLiteral("SOAP-kuvertet saknar Body"));
        break;
    default:
        break;
    }
}

int Reader::unknownEncoding(void *, const XML_Char *name, XML_Encoding *info)
{
    // Beyond the encodings expat knows: single-byte sets that keep ASCII as it is (windows-1252,
    // KOI8-R, ...), each byte's character as Qt decodes it. Others are refused, never misread.
    QStringDecoder decoder(name);
    if (!decoder.isValid())
        return XML_STATUS_ERROR;
    std::array<char, 256> bytes;
    for (int i = 0; i < 256; ++i)
        bytes[std::size_t(i)] = char(i);
    const QString decoded = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (decoded.size() != 256)
        return XML_STATUS_ERROR;
    for (int i = 0; i < 256; ++i) {
        const char16_t c = decoded[i].unicode();
        if (i < 0x80 && c != i)
            return XML_STATUS_ERROR;
        info->map[i] = c == QChar::ReplacementCharacter || QChar::isSurrogate(c) ? -1 : int(c);
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

} // namespace

SoapRequest SoapRequestReader::read(const QByteArray &body)
{
    return Reader().run(body);
}
