#include "versioninfo.h"

#include "binaryreader.h"

namespace {

constexpr quint16 TextValue = 1;
constexpr qsizetype FixedSize = 13 * 4;

QString textOf(const QByteArray &value)
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(value.constData()),
                                      value.size() / 2);
    // The value's length counts its terminating NUL.
    while (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

} // namespace

bool VersionInfo::fail(const QString &error)
{
    m_fixed = {};
    m_stringTables.clear();
    m_translations.clear();
    m_error = error;
    return false;
}

bool VersionInfo::readNode(const QByteArray &bytes, qsizetype offset, qsizetype end, Node *node)
{
    BinaryReader reader(bytes, offset);
    const quint16 length = reader.u16();
    const quint16 valueLength = reader.u16();
    const quint16 type = reader.u16();
    node->key = reader.utf16z();
    reader.alignTo4();
    if (reader.failed() || length < 6 || offset + length > end)
        return fail(QStringLiteral("bad version node at %1").arg(offset));
    const qsizetype nodeEnd = offset + length;
    node->isText = type == TextValue;
    // Text lengths count UTF-16 units, binary ones bytes.
    node->value = reader.bytes(node->isText ? 2 * qsizetype(valueLength) : valueLength);
    if (reader.failed() || reader.offset() > nodeEnd)
        return fail(QStringLiteral("value of \"%1\" runs past its node").arg(node->key));
    reader.alignTo4();
    qsizetype child = reader.offset();
    while (child < nodeEnd) {
        Node childNode;
        if (!readNode(bytes, child, nodeEnd, &childNode))
            return false;
        BinaryReader lengthReader(bytes, child);
        child += lengthReader.u16();
        child = (child + 3) & ~qsizetype(3);
        node->children.append(childNode);
    }
    return true;
}

bool VersionInfo::load(const QByteArray &bytes)
{
    fail(QString());
    Node root;
    if (!readNode(bytes, 0, bytes.size(), &root))
        return false;
    if (root.key != QLatin1String("VS_VERSION_INFO") || root.value.size() != FixedSize)
        return fail(QStringLiteral("no VS_VERSION_INFO with a fixed part"));

    BinaryReader fixed(root.value);
    for (quint32 *field : {&m_fixed.signature, &m_fixed.structVersion, &m_fixed.fileVersionMS,
                           &m_fixed.fileVersionLS, &m_fixed.productVersionMS,
                           &m_fixed.productVersionLS, &m_fixed.flagsMask, &m_fixed.flags,
                           &m_fixed.os, &m_fixed.type, &m_fixed.subtype})
        *field = fixed.u32();

    for (const Node &section : std::as_const(root.children)) {
        if (section.key == QLatin1String("StringFileInfo")) {
            for (const Node &table : section.children) {
                StringTable &strings = m_stringTables[table.key];
                for (const Node &entry : table.children) {
                    if (!entry.isText)
                        return fail(QStringLiteral("\"%1\" is not text").arg(entry.key));
                    strings.insert(entry.key, textOf(entry.value));
                }
            }
        } else if (section.key == QLatin1String("VarFileInfo")) {
            for (const Node &var : section.children) {
                if (var.key != QLatin1String("Translation"))
                    continue;
                BinaryReader pairs(var.value);
                while (pairs.offset() + 4 <= var.value.size()) {
                    const quint16 language = pairs.u16();
                    m_translations.append({language, pairs.u16()});
                }
            }
        } else {
            return fail(QStringLiteral("unknown section \"%1\"").arg(section.key));
        }
    }
    return true;
}
