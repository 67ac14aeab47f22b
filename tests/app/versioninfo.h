#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// The VS_VERSIONINFO block of a version resource: the fixed part, the string tables and the
// translations of VarFileInfo.
class VersionInfo
{
public:
    struct Fixed
    {
        quint32 signature = 0;
        quint32 structVersion = 0;
        quint32 fileVersionMS = 0;
        quint32 fileVersionLS = 0;
        quint32 productVersionMS = 0;
        quint32 productVersionLS = 0;
        quint32 flagsMask = 0;
        quint32 flags = 0;
        quint32 os = 0;
        quint32 type = 0;
        quint32 subtype = 0;
    };
    using StringTable = QMap<QString, QString>;

    bool load(const QByteArray &bytes);
    QString errorString() const { return m_error; }

    const Fixed &fixed() const { return m_fixed; }
    // By block key, e.g. "040904B0".
    const QMap<QString, StringTable> &stringTables() const { return m_stringTables; }
    // Language and code page pairs.
    const QList<QPair<quint16, quint16>> &translations() const { return m_translations; }

private:
    struct Node
    {
        QString key;
        bool isText = false;
        QByteArray value;
        QList<Node> children;
    };
    bool readNode(const QByteArray &bytes, qsizetype offset, qsizetype end, Node *node);
    bool fail(const QString &error);

    Fixed m_fixed;
    QMap<QString, StringTable> m_stringTables;
    QList<QPair<quint16, quint16>> m_translations;
    QString m_error;
};
