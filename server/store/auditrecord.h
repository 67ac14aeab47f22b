#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// One line of the audit trail: a report or a declaration the service took, or a request it
// refused, with who sent it, from where and when. Written before the answer, never changed.
struct AuditRecord
{
    enum class Kind { New, Identical, Correction, Refused, Final };

    struct Votes
    {
        std::int64_t yes = 0;
        std::int64_t no = 0;
        std::int64_t blank = 0;
        std::int64_t invalid = 0;

        friend bool operator==(const Votes &a, const Votes &b)
        {
            return a.yes == b.yes && a.no == b.no && a.blank == b.blank && a.invalid == b.invalid;
        }
    };

    std::int64_t seq = 0;        // given by the store: 1, 2, 3 ... in commit order
    std::int64_t atMs = 0;       // given by the store: ms since the epoch
    Kind kind = Kind::Refused;
    int status = 0;              // the HTTP status answered
    QString reporter;            // the reporter's name; empty without a valid token
    QString client;              // the client's address
    QString request;             // method and path, e.g. "PUT /reports/0114/3"
    QString area;                // municipality code of a report, county code of a declaration
    int district = 0;            // of a report; 0 for none
    std::optional<Votes> votes;  // as reported, where they could be read
    QString reason;              // a correction's reason or what was refused and why

    static QString kindName(Kind kind);
    static std::optional<Kind> kindNamed(const QString &name);
};
