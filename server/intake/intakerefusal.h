#pragma once

#include <QString>

#include <stdexcept>

// A report or request the intake will not take: the HTTP status, a text for the reporter, and the
// field or CSV line at fault, if any. Thrown where the fault is found, answered (and audited) in
// one place.
class IntakeRefusal : public std::runtime_error
{
public:
    IntakeRefusal(int status, const QString &text, QString field = {}, int line = 0)
        : std::runtime_error(text.toStdString()), m_status(status), m_text(text), m_field(std::move(field)), m_line(line)
    {
    }

    int status() const { return m_status; }
    const QString &text() const { return m_text; }
    const QString &field() const { return m_field; }
    int line() const { return m_line; }

private:
    int m_status;
    QString m_text;
    QString m_field;
    int m_line;
};
