#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace velmor {

enum ElementKind : std::int32_t { NodeKind = 1, EdgeKind = 2 };

struct ElementEntry {
    std::int32_t label = 0;
    std::int32_t index = 0;
    std::int32_t kind = NodeKind;
    long double availability = 0;
};

// The nodes and edges of a structure, in element-index order, with a cursor
// that several operations position and others read or advance.
class ElementList {
public:
    bool append(std::int32_t label, long double availability, std::int32_t kind);
    bool find(std::int32_t label, std::int32_t kind, int& index) const;
    bool seek(int index);
    bool read(std::int32_t& label, long double& availability, std::int32_t& kind) const;
    bool availabilityAt(int index, long double& availability);
    bool update(int index, std::int32_t label, long double availability);
    bool nextLabelText(std::int32_t kind, std::string& text);
    bool removeAtCursor();
    bool remove(int index);
    void clear();
    bool copyTo(ElementList& target) const;

    int lastIndex() const { return static_cast<int>(entries_.size()) - 1; }
    int count() const { return static_cast<int>(entries_.size()); }
    bool nonEmpty() const { return !entries_.empty(); }

    // Cursor-free lookup, safe for threads that only read the list while
    // another thread may be positioning its cursor.
    const ElementEntry* entryAt(int index) const
    {
        return index >= 0 && index < count() ? &entries_[static_cast<std::size_t>(index)] : nullptr;
    }

private:
    static std::uint64_t key(std::int32_t label, std::int32_t kind)
    {
        return (std::uint64_t(std::uint32_t(kind)) << 32) | std::uint32_t(label);
    }
    void reindex();

    std::vector<ElementEntry> entries_;
    // Label and kind -> the first index holding them, so that loading a
    // structure looks every label up in constant time instead of walking
    // the list once per element.
    std::unordered_map<std::uint64_t, int> byLabel_;
    int cursor_ = -1;
};

// A label as decimal text right-aligned in 11 characters, so that sorted lists
// of such texts are in numeric order.
std::string labelText(std::int32_t label);

// "N" + label for a node, "e" + label for an edge.
std::string elementText(std::int32_t label, std::int32_t kind);

} // namespace velmor
