#include "connectionslots.h"

#include <algorithm>
#include <cstdint>
#include <vector>

ConnectionSlots::Ticket::~Ticket()
{
    if (m_slots)
        m_slots->release(m_entry);
}

void ConnectionSlots::Ticket::watch(Watcher watcher)
{
    std::lock_guard lock(m_slots->m_mutex);
    m_entry->watcher = std::move(watcher);
}

void ConnectionSlots::Ticket::setIdle(bool idle)
{
    std::lock_guard lock(m_slots->m_mutex);
    if (m_entry->where != Where::Evicted)
        m_slots->move(m_entry, idle ? Where::Idle : Where::Busy);
}

std::variant<ConnectionSlots::Ticket, Refusal> ConnectionSlots::admit(const std::string &client)
{
    Watcher evicted;
    std::unique_lock lock(m_mutex);
    const auto mine = m_byClient.find(client);
    if (m_perClient > 0 && mine != m_byClient.end() && mine->second >= m_perClient)
        return Refusal::ClientFull;
    if (m_open >= m_total) {
        if (m_idle.empty())
            return Refusal::ServerFull;
        evicted = evictFirstIdle();
    }
    ++m_open;
    ++m_byClient[client];
    const auto entry = m_busy.insert(m_busy.end(), Entry{client, {}, Where::Busy, {}});
    lock.unlock();
    if (evicted)
        evicted(Notice::Evicted);
    return Ticket(this, entry);
}

void ConnectionSlots::noticeAll(Notice notice)
{
    std::vector<Watcher> watchers;
    {
        std::lock_guard lock(m_mutex);
        for (const Entries *entries : {&m_busy, &m_idle}) {
            for (const Entry &entry : *entries) {
                if (entry.watcher)
                    watchers.push_back(entry.watcher);
            }
        }
    }
    for (const Watcher &watcher : watchers)
        watcher(notice);
}

int ConnectionSlots::evictIdleOver(std::chrono::milliseconds pressed)
{
    std::vector<Watcher> evicted;
    {
        const auto cutoff = std::chrono::steady_clock::now() - pressed;
        std::lock_guard lock(m_mutex);
        while (nearlyFull() && !m_idle.empty() && m_idle.front().idleSince < cutoff)
            evicted.push_back(evictFirstIdle());
    }
    for (const Watcher &watcher : evicted) {
        if (watcher)
            watcher(Notice::Evicted);
    }
    return int(evicted.size());
}

int ConnectionSlots::open() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

std::size_t ConnectionSlots::clients() const
{
    std::lock_guard lock(m_mutex);
    return m_byClient.size();
}

std::chrono::milliseconds ConnectionSlots::idleTimeout(std::chrono::milliseconds relaxed,
                                                        std::chrono::milliseconds pressed) const
{
    std::lock_guard lock(m_mutex);
    return nearlyFull() ? std::min(relaxed, pressed) : relaxed;
}

bool ConnectionSlots::nearlyFull() const
{
    return std::int64_t(m_open) * 10 >= std::int64_t(m_total) * 9;
}

std::string ConnectionSlots::clientKey(const boost::asio::ip::address &address)
{
    if (address.is_v4())
        return address.to_string();
    const auto v6 = address.to_v6();
    if (v6.is_v4_mapped())
        return boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, v6).to_string();
    auto bytes = v6.to_bytes();
    std::fill(bytes.begin() + 8, bytes.end(), 0);
    return boost::asio::ip::address_v6(bytes).to_string() + "/64";
}

void ConnectionSlots::release(Entries::iterator entry)
{
    std::lock_guard lock(m_mutex);
    if (entry->where != Where::Evicted)
        forget(*entry);
    entries(entry->where).erase(entry);
}

ConnectionSlots::Entries &ConnectionSlots::entries(Where where)
{
    return where == Where::Busy ? m_busy : where == Where::Idle ? m_idle : m_evicted;
}

void ConnectionSlots::move(Entries::iterator entry, Where to)
{
    // To the back: the idle list stays in the order the connections went idle.
    if (entry->where != to) {
        entries(to).splice(entries(to).end(), entries(entry->where), entry);
        entry->where = to;
        entry->idleSince = std::chrono::steady_clock::now();
    }
}

ConnectionSlots::Watcher ConnectionSlots::evictFirstIdle()
{
    const auto longestIdle = m_idle.begin();
    forget(*longestIdle);
    move(longestIdle, Where::Evicted);
    return longestIdle->watcher;
}

void ConnectionSlots::forget(const Entry &entry)
{
    --m_open;
    const auto it = m_byClient.find(entry.client);
    if (it != m_byClient.end() && --it->second <= 0)
        m_byClient.erase(it);
}
