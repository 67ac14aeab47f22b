#pragma once

#include <QByteArray>

#include <cstdint>
#include <mutex>
#include <unordered_map>

// The last answer written per operation and region, reused while it still says the same thing:
// as long as no further district has come in and the clock is still in the same second (the
// answer's `generated` has whole seconds). Safe to use from several threads.
class AnswerCache
{
public:
    struct Key
    {
        int slot = 0;              // operation and region
        int arrived = 0;           // districts in
        std::int64_t second = 0;   // seconds since the epoch when it was made
    };

    // Empty when there is no answer for this key.
    QByteArray find(const Key &key) const;
    void store(const Key &key, const QByteArray &answer);

private:
    struct Entry
    {
        Key key;
        QByteArray answer;
    };

    mutable std::mutex m_mutex;
    std::unordered_map<int, Entry> m_entries;
};
