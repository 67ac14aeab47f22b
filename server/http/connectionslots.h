#pragma once

#include "refusal.h"

#include <boost/asio/ip/address.hpp>

#include <chrono>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>

// Counts open connections in total and per client, and admits a new one only within both caps.
// At the total cap, a new connection takes the place of the one that has waited longest between
// requests, so that idle connections cannot hold the service hostage. Admission gives a ticket
// that gives its place back when it goes; through it the connection says when it is idle and can
// be told to close. Thread-safe.
class ConnectionSlots
{
public:
    enum class Notice
    {
        Evicted,    // its place went to a new connection: close now if idle, else after the answer
        Draining,   // the server is stopping
    };
    // Reaches a connection from any thread; called without the slots' lock held.
    using Watcher = std::function<void(Notice)>;

private:
    enum class Where { Busy, Idle, Evicted };
    struct Entry
    {
        std::string client;
        Watcher watcher;
        Where where = Where::Busy;
        std::chrono::steady_clock::time_point idleSince;
    };
    using Entries = std::list<Entry>;

public:
    class Ticket
    {
    public:
        Ticket(Ticket &&other) noexcept : m_slots(other.m_slots), m_entry(other.m_entry) { other.m_slots = nullptr; }
        Ticket &operator=(Ticket &&) = delete;
        ~Ticket();

        void watch(Watcher watcher);
        // Between requests, with nothing of the next one read: the connection may be evicted.
        void setIdle(bool idle);

    private:
        friend class ConnectionSlots;
        Ticket(ConnectionSlots *slots, Entries::iterator entry) : m_slots(slots), m_entry(entry) {}

        ConnectionSlots *m_slots;
        Entries::iterator m_entry;
    };

    // perClient 0: no cap per client.
    ConnectionSlots(int total, int perClient) : m_total(total), m_perClient(perClient) {}

    // A place for a connection from the client with this key (clientKey()), or why not.
    std::variant<Ticket, Refusal> admit(const std::string &client);
    // Tells every open connection.
    void noticeAll(Notice notice);
    // When 90 % of the places are taken, evicts the connections idle for longer than `pressed`,
    // which they were kept for when they went idle: a burst of idle connections does not hold
    // the places it took at a quieter time. Returns how many.
    int evictIdleOver(std::chrono::milliseconds pressed);

    int open() const;
    // Client keys with connections open.
    std::size_t clients() const;
    // How long an idle connection is kept: `relaxed`, or `pressed` when 90 % of the places are taken.
    std::chrono::milliseconds idleTimeout(std::chrono::milliseconds relaxed, std::chrono::milliseconds pressed) const;

    // Whom the per-client cap counts: an IPv4 address (also when mapped into IPv6), or an IPv6
    // address's /64, which one host commonly holds whole.
    static std::string clientKey(const boost::asio::ip::address &address);

private:
    void release(Entries::iterator entry);
    // Under the lock, as the next three.
    Entries &entries(Where where);
    void move(Entries::iterator entry, Where to);
    // Frees the entry's place in the counts.
    void forget(const Entry &entry);
    // Evicts the longest idle; returns its watcher.
    Watcher evictFirstIdle();
    bool nearlyFull() const;

    const int m_total;
    const int m_perClient;
    mutable std::mutex m_mutex;
    int m_open = 0;
    std::unordered_map<std::string, int> m_byClient;
    Entries m_busy;
    Entries m_idle;       // longest idle first
    Entries m_evicted;    // told to close, not yet gone
};
