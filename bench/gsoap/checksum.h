#pragma once

#include <cstddef>
#include <cstdint>

// FNV-1a over every member's UTF-8 text in order, with a separator after each: equal sums mean
// both clients decoded the same records.
class Checksum
{
public:
    void add(const char *data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            step(static_cast<unsigned char>(data[i]));
        step(0xFF); // never in UTF-8
    }
    std::uint64_t value() const { return m_value; }

private:
    void step(unsigned char byte)
    {
        m_value ^= byte;
        m_value *= 0x100000001B3ull;
    }

    std::uint64_t m_value = 0xCBF29CE484222325ull;
};
