#include "containers/ElementList.h"

namespace velmor {

std::string labelText(std::int32_t label)
{
    std::string digits = std::to_string(label);
    if (digits.size() <= 10)
        digits.insert(0, 11 - digits.size(), ' ');
    return digits;
}

std::string elementText(std::int32_t label, std::int32_t kind)
{
    return (kind == NodeKind ? "N" : "e") + std::to_string(label);
}

bool ElementList::append(std::int32_t label, long double availability, std::int32_t kind)
{
    if (availability > 1 || !(availability >= 0))
        return false;
    if (byLabel_.count(key(label, kind)) != 0)
        return false;
    byLabel_.emplace(key(label, kind), count());
    entries_.push_back(ElementEntry{label, count(), kind, availability});
    cursor_ = lastIndex();
    return true;
}

bool ElementList::find(std::int32_t label, std::int32_t kind, int& index) const
{
    const auto found = byLabel_.find(key(label, kind));
    if (found == byLabel_.end())
        return false;
    index = found->second;
    return true;
}

// Rebuilt whole after a change that may move or rename entries; an update
// may even give two entries the same label, and the first one is found.
void ElementList::reindex()
{
    byLabel_.clear();
    for (const ElementEntry& entry : entries_)
        byLabel_.emplace(key(entry.label, entry.kind), entry.index);
}

bool ElementList::seek(int index)
{
    if (index < 0 || index > lastIndex())
        return false;
    cursor_ = index;
    return true;
}

bool ElementList::read(std::int32_t& label, long double& availability, std::int32_t& kind) const
{
    if (cursor_ < 0 || cursor_ > lastIndex())
        return false;
    const ElementEntry& entry = entries_[static_cast<std::size_t>(cursor_)];
    label = entry.label;
    availability = entry.availability;
    kind = entry.kind;
    return true;
}

bool ElementList::availabilityAt(int index, long double& availability)
{
    if (!seek(index))
        return false;
    availability = entries_[static_cast<std::size_t>(cursor_)].availability;
    return true;
}

bool ElementList::update(int index, std::int32_t label, long double availability)
{
    if (!seek(index))
        return false;
    ElementEntry& entry = entries_[static_cast<std::size_t>(cursor_)];
    const bool renamed = entry.label != label;
    entry.label = label;
    entry.availability = availability;
    if (renamed)
        reindex();
    return true;
}

bool ElementList::nextLabelText(std::int32_t kind, std::string& text)
{
    if (cursor_ < 0 || cursor_ > lastIndex())
        return false;
    for (int i = cursor_; i <= lastIndex(); ++i) {
        const ElementEntry& entry = entries_[static_cast<std::size_t>(i)];
        if (entry.kind == kind) {
            text = labelText(entry.label);
            cursor_ = i < lastIndex() ? i + 1 : -1;
            return true;
        }
    }
    cursor_ = lastIndex();
    return false;
}

bool ElementList::removeAtCursor()
{
    if (entries_.empty())
        return true;
    if (cursor_ < 0 || cursor_ > lastIndex())
        return false;
    entries_.erase(entries_.begin() + cursor_);
    for (std::size_t i = static_cast<std::size_t>(cursor_); i < entries_.size(); ++i)
        entries_[i].index = static_cast<std::int32_t>(i);
    reindex();
    cursor_ = -1;
    return true;
}

bool ElementList::remove(int index)
{
    if (!seek(index))
        return false;
    return removeAtCursor();
}

void ElementList::clear()
{
    std::vector<ElementEntry>().swap(entries_);
    std::unordered_map<std::uint64_t, int>().swap(byLabel_);
    cursor_ = -1;
}

bool ElementList::copyTo(ElementList& target) const
{
    if (entries_.empty())
        return false;
    if (&target == this)
        return true;
    target.clear();
    for (const ElementEntry& entry : entries_)
        target.append(entry.label, entry.availability, entry.kind);
    return true;
}

} // namespace velmor
