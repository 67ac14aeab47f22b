#pragma once

#include <QString>

#include <exception>

// A request the service refuses; becomes a SOAP Fault answer. `code` is the local part of the
// fault code in the envelope namespace: "Client", "Server", "VersionMismatch", "MustUnderstand".
class SoapFault : public std::exception
{
public:
    SoapFault(QString code, QString text) : m_code(std::move(code)), m_text(std::move(text)) {}

    static SoapFault client(const QString &text) { return SoapFault(QStringLiteral("Client"), text); }

    const QString &code() const { return m_code; }
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return "SOAP fault"; }

private:
    QString m_code;
    QString m_text;
};
