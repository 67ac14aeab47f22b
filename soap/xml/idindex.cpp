#include "idindex.h"

#include <QHashFunctions>

#include <new>

namespace soap {

namespace {

// Seeded per process (Qt's global seed): ids are the sender's choice, and with a hash known in
// advance a sender could make every id land in one probe run.
std::uint32_t hashOf(std::string_view id)
{
    const std::size_t full = qHashBits(id.data(), id.size(), QHashSeed::globalSeed());
    return std::uint32_t(full ^ (full >> 32));
}

// Room for count ids at most three quarters full, a power of two.
std::size_t slotsFor(std::size_t count)
{
    std::size_t total = 16;
    while (total / 4 * 3 < count)
        total *= 2;
    return total;
}

} // namespace

void IdIndex::reserve(std::size_t count)
{
    m_ids.reserve(count);
    if (slotsFor(count) > m_slots.size())
        rehash(slotsFor(count));
}

std::size_t IdIndex::slotOf(std::string_view id, std::uint32_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = m_slots[slot];
        if (entry == 0)
            return slot;
        if (std::uint32_t(entry) == hash && m_ids[(entry >> 32) - 1] == id)
            return slot;
    }
}

bool IdIndex::insert(const std::string &id)
{
    // Numbers live in 32 bits of a slot.
    if (m_ids.size() >= std::size_t(UINT32_MAX) - 1)
        throw std::bad_alloc();
    if ((m_ids.size() + 1) > m_slots.size() / 4 * 3)
        rehash(slotsFor(m_ids.size() + 1));
    const std::uint32_t hash = hashOf(id);
    const std::size_t slot = slotOf(id, hash);
    if (m_slots[slot] != 0)
        return false;
    m_ids.push_back(id);
    m_slots[slot] = std::uint64_t(m_ids.size()) << 32 | hash;
    return true;
}

std::size_t IdIndex::find(std::string_view id) const
{
    if (m_slots.empty())
        return NotFound;
    const std::uint64_t entry = m_slots[slotOf(id, hashOf(id))];
    return entry == 0 ? NotFound : std::size_t(entry >> 32) - 1;
}

void IdIndex::rehash(std::size_t slotCount)
{
    std::vector<std::uint64_t> old(slotCount, 0);
    old.swap(m_slots);
    const std::size_t mask = slotCount - 1;
    for (const std::uint64_t entry : old) {
        if (entry == 0)
            continue;
        std::size_t slot = std::uint32_t(entry) & mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = entry;
    }
}

} // namespace soap
