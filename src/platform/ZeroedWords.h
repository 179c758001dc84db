#pragma once

// Zeroed 64-bit words from the system, for large tables that are read and
// written at random: storage of a megabyte or more comes in huge pages
// where the system offers them, since with small pages most accesses to
// such a table first miss the address translation cache.

#include <cstddef>
#include <cstdint>

namespace velmor {

class ZeroedWords {
public:
    ZeroedWords() = default;
    ZeroedWords(const ZeroedWords&) = delete;
    ZeroedWords& operator=(const ZeroedWords&) = delete;
    ZeroedWords(ZeroedWords&& other) noexcept;
    ZeroedWords& operator=(ZeroedWords&& other) noexcept;
    ~ZeroedWords();

    // Gives back what it holds and takes `count` zeroed words. False when
    // the system has no storage for them; it then holds none.
    bool allocate(std::size_t count);
    // Holds `count` words (at least as many as now), the present ones kept
    // and the new ones zero. Large storage is moved by the system's page
    // tables instead of copied. False when the system has no storage; the
    // words are then unchanged.
    bool grow(std::size_t count);
    void release();

    std::uint64_t* data() { return words_; }
    const std::uint64_t* data() const { return words_; }
    std::size_t size() const { return count_; }
    std::size_t byteSize() const { return bytes_; }

private:
    std::uint64_t* words_ = nullptr;
    std::size_t count_ = 0;
    std::size_t bytes_ = 0; // as taken from the system
    bool mapped_ = false;
};

} // namespace velmor
