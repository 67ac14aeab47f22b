#pragma once

#include "reporter.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class DataSet;

// The reporters file: UTF-8, one reporter a line, four tab-separated fields
//   name  sha256-of-token  counties  role
// the hash in lowercase hex, the counties as comma-separated codes of the data set or "*", the
// role "reporter" or "admin"; '#' starts a comment line, empty lines are ignored. A file that
// breaks this is refused with a DataSetError naming its line and field. Read once at start.
class Reporters
{
public:
    Reporters() = default;
    explicit Reporters(std::vector<Reporter> reporters) : m_reporters(std::move(reporters)) {}

    static Reporters parse(const QByteArray &text, const DataSet &data);
    static Reporters read(const QString &path, const DataSet &data);

    // The reporter whose token this is. Every reporter's hash is compared, in time that does not
    // depend on how much of it matches.
    std::optional<Reporter> authenticate(const QByteArray &token) const;
    std::size_t size() const { return m_reporters.size(); }

    // A new random token (43 characters, base64url) and its line for the file.
    struct NewToken
    {
        QByteArray token;
        QString line;
    };
    static NewToken newToken(const QString &name, const QString &counties, const QString &role);

    static QByteArray hashOf(const QByteArray &token);

private:
    std::vector<Reporter> m_reporters;
};
