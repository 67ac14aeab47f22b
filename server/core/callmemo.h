#pragma once

#include <QByteArray>
#include <QHash>

#include <mutex>
#include <optional>

struct Operation;

// The calls last read, by their exact bytes. Viewers send the same few requests over and over,
// so most need not be read again. Only requests read as valid calls are kept, at most a few of
// them and only short ones: a client sending ever new requests costs a lookup, nothing more.
// Thread-safe.
class CallMemo
{
public:
    struct Call
    {
        const Operation *operation = nullptr;
        int county = -1;    // -1: the whole country
    };

    std::optional<Call> find(const QByteArray &request) const;
    void store(const QByteArray &request, const Call &call);

    static constexpr int Capacity = 64;
    static constexpr qsizetype MaxRequestBytes = 4096;

private:
    mutable std::mutex m_mutex;
    QHash<QByteArray, Call> m_calls;
};
