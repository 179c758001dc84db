#include "run/ControlChannel.h"

namespace velmor {

ControlChange ControlChange::enable(std::string control, bool on)
{
    ControlChange c;
    c.kind = Kind::Enable;
    c.control = std::move(control);
    c.on = on;
    return c;
}

ControlChange ControlChange::check(std::string control, bool on)
{
    ControlChange c;
    c.kind = Kind::Check;
    c.control = std::move(control);
    c.on = on;
    return c;
}

ControlChange ControlChange::setText(std::string control, std::string text)
{
    ControlChange c;
    c.kind = Kind::Text;
    c.control = std::move(control);
    c.text = std::move(text);
    return c;
}

ControlChange ControlChange::setItems(std::string control, std::vector<std::string> items)
{
    ControlChange c;
    c.kind = Kind::Items;
    c.control = std::move(control);
    c.items = std::move(items);
    return c;
}

ControlChange ControlChange::select(std::string control, std::string item)
{
    ControlChange c;
    c.kind = Kind::Select;
    c.control = std::move(control);
    c.text = std::move(item);
    return c;
}

ControlChange ControlChange::cell(int row, int column, std::string text)
{
    ControlChange c;
    c.kind = Kind::Cell;
    c.control = "StringGrid1";
    c.row = row;
    c.column = column;
    c.text = std::move(text);
    return c;
}

ControlChange ControlChange::rowCount(int rows)
{
    ControlChange c;
    c.kind = Kind::RowCount;
    c.control = "StringGrid1";
    c.number = rows;
    return c;
}

ControlChange ControlChange::fill(std::string control, Rgb colour)
{
    ControlChange c;
    c.kind = Kind::Colour;
    c.control = std::move(control);
    c.colour = colour;
    return c;
}

ControlChange ControlChange::progress(int position)
{
    ControlChange c;
    c.kind = Kind::Progress;
    c.control = "ProgressBar1";
    c.number = position;
    return c;
}

ControlChange ControlChange::error(std::string first, std::string second)
{
    ControlChange c;
    c.kind = Kind::Error;
    c.control = "Form2";
    c.text = std::move(first);
    c.second = std::move(second);
    return c;
}

ControlChange ControlChange::procedure(std::string name)
{
    ControlChange c;
    c.kind = Kind::Procedure;
    c.text = std::move(name);
    return c;
}

ControlChange ControlChange::flag(std::string name, bool on)
{
    ControlChange c;
    c.kind = Kind::Flag;
    c.control = std::move(name);
    c.on = on;
    return c;
}

void ControlChannel::post(ControlUnit unit)
{
    if (!unit.empty())
        push(std::move(unit));
}

void ControlChannel::post(RunEvent event)
{
    push(std::move(event));
}

void ControlChannel::push(ChannelItem item)
{
    std::function<void()> wakeUp;
    {
        std::lock_guard guard(lock_);
        queue_.push_back(std::move(item));
        wakeUp = wakeUp_;
    }
    if (wakeUp)
        wakeUp();
}

std::vector<ChannelItem> ControlChannel::takeAll()
{
    std::lock_guard guard(lock_);
    std::vector<ChannelItem> items(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
    queue_.clear();
    return items;
}

void ControlChannel::setWakeUp(std::function<void()> wakeUp)
{
    std::lock_guard guard(lock_);
    wakeUp_ = std::move(wakeUp);
}

bool ControlChannel::empty() const
{
    std::lock_guard guard(lock_);
    return queue_.empty();
}

} // namespace velmor
