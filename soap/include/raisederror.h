#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <exception>

namespace soap {

// The program's one kind of failure: a 32-bit number, the source that raised it and a description.
class RaisedError : public std::exception
{
public:
    RaisedError(std::int32_t number, QString source, QString description);

    std::int32_t number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }

    // The same failure raised again from another place: only the source changes.
    RaisedError withSource(const QString &source) const;

    const char *what() const noexcept override { return m_what.constData(); }

private:
    std::int32_t m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};

} // namespace soap
