#include "platform/ZeroedWords.h"

#include <sys/mman.h>

#include <cstdlib>
#include <utility>

namespace velmor {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;

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
    // Whole huge pages, advised before the first touch: fresh mappings are
    // zero, and the advice only works on pages not yet faulted in.
    // The mapping is taken a huge page longer and trimmed to start on one.
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* mapping = mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return false;
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
    words_ = static_cast<std::uint64_t*>(memory);
    count_ = count;
    bytes_ = rounded;
    mapped_ = true;
    return true;
}

} // namespace velmor
