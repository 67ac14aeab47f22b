#pragma once

#include <QString>

#include <stdexcept>

// The store could not be opened, read or written; nothing of the failed transaction is kept.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString &message() const { return m_message; }

private:
    QString m_message;
};
