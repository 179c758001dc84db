#include "containers/IntArray.h"

namespace velmor {

bool IntArray::allocate(int count)
{
    if (count < 1)
        return false;
    std::vector<std::int32_t> fresh(static_cast<std::size_t>(count), 0);
    entries_.swap(fresh);
    return true;
}

bool IntArray::resize(int count)
{
    if (count <= 0)
        return false;
    entries_.resize(static_cast<std::size_t>(count), 0);
    return true;
}

bool IntArray::set(int index, std::int32_t value)
{
    if (index < 0 || index > lastIndex())
        return false;
    entries_[static_cast<std::size_t>(index)] = value;
    return true;
}

std::int32_t IntArray::get(int index) const
{
    if (index < 0 || index > lastIndex())
        return 0;
    return entries_[static_cast<std::size_t>(index)];
}

void IntArray::clear()
{
    std::vector<std::int32_t>().swap(entries_);
}

} // namespace velmor
