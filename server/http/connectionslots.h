#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

// Counts open connections in total and per client address, and admits a new one only within both
// caps. Admission gives a ticket that gives its place back when it goes. Thread-safe.
class ConnectionSlots
{
public:
    class Ticket
    {
    public:
        Ticket(Ticket &&other) noexcept : m_slots(other.m_slots), m_client(std::move(other.m_client)) { other.m_slots = nullptr; }
        Ticket &operator=(Ticket &&) = delete;
        ~Ticket();

    private:
        friend class ConnectionSlots;
        Ticket(ConnectionSlots *slots, std::string client) : m_slots(slots), m_client(std::move(client)) {}

        ConnectionSlots *m_slots;
        std::string m_client;
    };

    // perClient 0: no cap per address.
    ConnectionSlots(int total, int perClient) : m_total(total), m_perClient(perClient) {}

    std::optional<Ticket> admit(const std::string &client);
    int open() const;

private:
    void release(const std::string &client);

    const int m_total;
    const int m_perClient;
    mutable std::mutex m_mutex;
    int m_open = 0;
    std::unordered_map<std::string, int> m_byClient;
};
