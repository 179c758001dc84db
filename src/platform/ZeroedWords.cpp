#include "platform/ZeroedWords.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace velmor {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;

std::size_t roundedToHugePages(std::size_t bytes)
{
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// Whole huge pages, advised before the first touch: fresh mappings are
// zero, and the advice only works on pages not yet faulted in. The mapping
// is taken a huge page longer and trimmed to start on one. Null when the
// system has no room.
void* mapAligned(std::size_t rounded)
{
    void* mapping = mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        munmap(mapping, aligned - start);
    if (const std::size_t tail = start + kHugePage - aligned)
        munmap(reinterpret_cast<void*>(aligned + rounded), tail);
    void* memory = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    return memory;
}

} // namespace

ZeroedWords::ZeroedWords(ZeroedWords&& other) noexcept
    : words_(std::exchange(other.words_, nullptr)), count_(std::exchange(other.count_, 0)),
      bytes_(std::exchange(other.bytes_, 0)), mapped_(std::exchange(other.mapped_, false))
{
}

ZeroedWords& ZeroedWords::operator=(ZeroedWords&& other) noexcept
{
    if (this != &other) {
        release();
        words_ = std::exchange(other.words_, nullptr);
        count_ = std::exchange(other.count_, 0);
        bytes_ = std::exchange(other.bytes_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

ZeroedWords::~ZeroedWords()
{
    release();
}

void ZeroedWords::release()
{
    if (mapped_)
        munmap(words_, bytes_);
    else
        std::free(words_);
    words_ = nullptr;
    count_ = bytes_ = 0;
    mapped_ = false;
}

bool ZeroedWords::allocate(std::size_t count)
{
    release();
    if (count == 0)
        return true;
    if (count > SIZE_MAX / sizeof(std::uint64_t) - kHugePage)
        return false;
    const std::size_t bytes = count * sizeof(std::uint64_t);
    if (bytes < kMappedFrom) {
        words_ = static_cast<std::uint64_t*>(std::calloc(count, sizeof(std::uint64_t)));
        if (!words_)
            return false;
        count_ = count;
        bytes_ = bytes;
        return true;
    }
    const std::size_t rounded = roundedToHugePages(bytes);
    void* memory = mapAligned(rounded);
    if (!memory)
        return false;
    words_ = static_cast<std::uint64_t*>(memory);
    count_ = count;
    bytes_ = rounded;
    mapped_ = true;
    return true;
}

bool ZeroedWords::grow(std::size_t count)
{
    if (count <= count_)
        return true;
    if (count > SIZE_MAX / sizeof(std::uint64_t) - kHugePage)
        return false;
    const std::size_t bytes = count * sizeof(std::uint64_t);
    if (mapped_ && bytes <= bytes_) {
        count_ = count;
        return true;
    }
    if (!mapped_) {
        ZeroedWords larger;
        if (!larger.allocate(count))
            return false;
        if (count_ > 0)
            std::memcpy(larger.words_, words_, count_ * sizeof(std::uint64_t));
        *this = std::move(larger);
        return true;
    }
    // The old pages move to the start of a fresh aligned range; the rest of
    // it stays a fresh, zero mapping.
    const std::size_t rounded = roundedToHugePages(bytes);
    void* target = mapAligned(rounded);
    if (!target)
        return false;
    void* moved = mremap(words_, bytes_, rounded, MREMAP_MAYMOVE | MREMAP_FIXED, target);
    if (moved == MAP_FAILED) {
        munmap(target, rounded);
        return false;
    }
    words_ = static_cast<std::uint64_t*>(moved);
    count_ = count;
    bytes_ = rounded;
    return true;
}

} // namespace velmor
