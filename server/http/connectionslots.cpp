#include "connectionslots.h"

ConnectionSlots::Ticket::~Ticket()
{
    if (m_slots)
        m_slots->release(m_client);
}

std::optional<ConnectionSlots::Ticket> ConnectionSlots::admit(const std::string &client)
{
    std::lock_guard lock(m_mutex);
    if (m_open >= m_total)
        return std::nullopt;
    int &mine = m_byClient[client];
    if (m_perClient > 0 && mine >= m_perClient)
        return std::nullopt;
    ++mine;
    ++m_open;
    return Ticket(this, client);
}

int ConnectionSlots::open() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

void ConnectionSlots::release(const std::string &client)
{
    std::lock_guard lock(m_mutex);
    --m_open;
    const auto it = m_byClient.find(client);
    if (it != m_byClient.end() && --it->second <= 0)
        m_byClient.erase(it);
}
