#pragma once

#include "programoptions.h"

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

// The program's command line. parse() fills options() or says what is wrong in errorText().
class ServiceCommandLine
{
public:
    ServiceCommandLine();

    bool parse(const QStringList &arguments);

    const ProgramOptions &options() const { return m_options; }
    QString errorText() const { return m_error; }
    bool helpRequested() const { return m_help; }
    bool versionRequested() const { return m_version; }
    QString helpText() const;
    // --audit: the store whose trail to print, instead of serving.
    const QString &auditSource() const { return m_audit; }
    // --new-token: a reporter to make a token for, instead of serving.
    struct NewReporter
    {
        QString name;
        QString counties;
        QString role;
    };
    const std::optional<NewReporter> &newReporter() const { return m_newReporter; }

private:
    bool fail(const QString &error);
    bool parseLiveNight();

    QCommandLineParser m_parser;
    ProgramOptions m_options;
    QString m_error;
    bool m_help = false;
    bool m_version = false;
    QString m_audit;
    std::optional<NewReporter> m_newReporter;
};
