#include "run/ControlBoard.h"

#include <algorithm>

namespace velmor {

namespace {

template <typename T>
bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

bool ControlBoard::apply(const ControlChange& change)
{
    using Kind = ControlChange::Kind;
    switch (change.kind) {
    case Kind::Enable:
        return assign(state(change.control).enabled, change.on);
    case Kind::Check:
        return assign(state(change.control).checked, change.on);
    case Kind::Text:
        return assign(state(change.control).text, change.text);
    case Kind::Items: {
        ControlState& s = state(change.control);
        std::vector<std::string> sorted = change.items;
        std::sort(sorted.begin(), sorted.end());
        s.selected = -1;
        return assign(s.items, sorted);
    }
    case Kind::Select: {
        ControlState& s = state(change.control);
        const auto found = std::find(s.items.begin(), s.items.end(), change.text);
        const int index = change.text.empty() || found == s.items.end() ? -1 : static_cast<int>(found - s.items.begin());
        if (index >= 0)
            s.text = change.text;
        return assign(s.selected, index);
    }
    case Kind::Cell: {
        if (change.row < 0 || change.row >= rowCount() || change.column < 0 || change.column >= kGridColumns)
            return false;
        return assign(grid_[static_cast<std::size_t>(change.row)][static_cast<std::size_t>(change.column)], change.text);
    }
    case Kind::RowCount: {
        const std::size_t rows = static_cast<std::size_t>(std::max(change.number, 1));
        if (rows == grid_.size())
            return false;
        grid_.resize(rows, std::vector<std::string>(kGridColumns));
        return true;
    }
    case Kind::Colour:
        return assign(state(change.control).colour, change.colour);
    case Kind::Progress:
        return assign(progress_, change.number); // the view shows anything above 10000 as a full bar
    case Kind::Error:
        errors_.push_back({change.text, change.second});
        errorShowing_ = true;
        return true;
    case Kind::Flag:
        return assign(state(change.control).checked, change.on);
    case Kind::Procedure:
        return false; // carried out by whoever owns the window's rules
    }
    return false;
}

const ControlState& ControlBoard::control(const std::string& name) const
{
    static const ControlState unknown;
    const auto found = controls_.find(name);
    return found == controls_.end() ? unknown : found->second;
}

std::string ControlBoard::selectedItem(const std::string& name) const
{
    const ControlState& s = control(name);
    if (s.selected < 0 || s.selected >= static_cast<int>(s.items.size()))
        return {};
    return s.items[static_cast<std::size_t>(s.selected)];
}

const std::string& ControlBoard::cell(int row, int column) const
{
    static const std::string none;
    if (row < 0 || row >= rowCount() || column < 0 || column >= kGridColumns)
        return none;
    return grid_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

} // namespace velmor
