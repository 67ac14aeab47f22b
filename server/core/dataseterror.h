#pragma once

#include <QString>

#include <stdexcept>

// A data file that cannot be used; the message names the line or field at fault.
class DataSetError : public std::runtime_error
{
public:
    explicit DataSetError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString &message() const { return m_message; }

private:
    QString m_message;
};
