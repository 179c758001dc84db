#include "structure/TextLine.h"

#include <cstring>

namespace velmor {

void TextLine::pushRestarting(char c)
{
    if (length_ == kCapacity)
        length_ = 0;
    text_[length_++] = c;
    text_[length_] = '\0';
}

bool TextLine::append(std::string_view piece)
{
    if (piece.size() > kCapacity - length_)
        return false;
    if (piece.empty())
        return true;
    std::memcpy(text_ + length_, piece.data(), piece.size());
    length_ += piece.size();
    text_[length_] = '\0';
    return true;
}

void TextLine::assign(std::string_view text)
{
    clear();
    append(text.substr(0, kCapacity));
}

bool TextLine::isMeaningful() const
{
    if (contains("//"))
        return false;
    return view().find_first_not_of(' ') != std::string_view::npos;
}

} // namespace velmor
