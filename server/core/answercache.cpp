#include "answercache.h"

QByteArray AnswerCache::find(const Key &key) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(key.slot);
    if (it == m_entries.end() || it->second.key.arrived != key.arrived || it->second.key.second != key.second)
        return {};
    return it->second.answer;
}

void AnswerCache::store(const Key &key, const QByteArray &answer)
{
    std::lock_guard lock(m_mutex);
    m_entries[key.slot] = Entry{key, answer};
}
