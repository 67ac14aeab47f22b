#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soap {

// The ids of an answer's elements, numbered in the order they were added, found by open
// addressing: a big multiRef answer holds one id per record, and a node-based map made an
// allocation and a cache miss for each.
class IdIndex
{
public:
    static constexpr std::size_t NotFound = std::size_t(-1);

    void reserve(std::size_t count);
    // False, and nothing added, when the id is already there; otherwise it gets number size().
    bool insert(const std::string &id);
    std::size_t find(std::string_view id) const;
    const std::string &at(std::size_t number) const { return m_ids[number]; }
    std::size_t size() const { return m_ids.size(); }

private:
    // A slot is empty (0) or holds (number + 1) << 32 | the id's hash, low 32 bits: most
    // mismatches are settled without touching the id itself.
    std::size_t slotOf(std::string_view id, std::uint32_t hash) const;
    void rehash(std::size_t slotCount);

    std::vector<std::string> m_ids;
    std::vector<std::uint64_t> m_slots;
};

} // namespace soap
