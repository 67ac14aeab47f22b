#pragma once

#include "reportjob.h"

#include <QCommandLineParser>
#include <QStringList>
#include <QUrl>

#include <deque>

// ksv-report's command line: where to send, the token file, and what: CSV files and single
// reports ("0114/3=900,700,40,12": municipality/district=yes,no,blank,invalid), counts to declare
// final. parse() reads the files and checks every report before anything is sent; what is wrong
// is in errorText(), with the file and line.
class ReportCommandLine
{
public:
    ReportCommandLine();

    bool parse(const QStringList &arguments);
    QString errorText() const { return m_error; }
    bool helpRequested() const { return m_help; }
    bool versionRequested() const { return m_version; }
    QString helpText() const { return m_parser.helpText(); }

    const QUrl &url() const { return m_url; }
    const QByteArray &token() const { return m_token; }
    const QString &caFile() const { return m_caFile; }
    int parallel() const { return m_parallel; }
    int attempts() const { return m_attempts; }
    bool quiet() const { return m_quiet; }
    // Warnings that do not stop the run (a token file others may read).
    const QStringList &warnings() const { return m_warnings; }
    const std::deque<ReportJob> &jobs() const { return m_jobs; }

private:
    bool fail(const QString &error);
    bool readToken(const QString &path);
    bool addCsv(const QString &path, bool whole, const QString &correction);

    QCommandLineParser m_parser;
    QString m_error;
    bool m_help = false;
    bool m_version = false;
    QUrl m_url;
    QByteArray m_token;
    QString m_caFile;
    int m_parallel = 4;
    int m_attempts = 8;
    bool m_quiet = false;
    QStringList m_warnings;
    std::deque<ReportJob> m_jobs;
};
