#pragma once

#include "serviceoptions.h"

#include <QCommandLineParser>
#include <QStringList>

// The program's command line. parse() fills options() or says what is wrong in errorText().
class ServiceCommandLine
{
public:
    ServiceCommandLine();

    bool parse(const QStringList &arguments);

    const ServiceOptions &options() const { return m_options; }
    QString errorText() const { return m_error; }
    bool helpRequested() const { return m_help; }
    bool versionRequested() const { return m_version; }
    QString helpText() const;

private:
    bool fail(const QString &error);

    QCommandLineParser m_parser;
    ServiceOptions m_options;
    QString m_error;
    bool m_help = false;
    bool m_version = false;
};
