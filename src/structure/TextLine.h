#pragma once

#include <cstddef>
#include <string_view>

namespace velmor {

// One line of a structure file in a fixed buffer of 256 characters, always
// kept terminated so that the number conversions can read a field in place.
// The length is kept apart, so a zero byte inside a line is just a byte.
class TextLine {
public:
    static constexpr std::size_t kCapacity = 256;

    TextLine() { clear(); }

    void clear()
    {
        length_ = 0;
        text_[0] = '\0';
    }

    // Appends one character read from a file; a full buffer is emptied first,
    // so of a longer line only its last part (after the last restart) stays.
    void pushRestarting(char c);

    // Appends a piece; refused (line unchanged) when it would not fit.
    bool append(std::string_view piece);

    // Replaces the text; what does not fit is cut off.
    void assign(std::string_view text);

    bool contains(std::string_view text) const { return view().find(text) != std::string_view::npos; }

    // Not empty, not spaces only (a tab is not a space here), and not a
    // comment: a line with "//" anywhere is a comment as a whole.
    bool isMeaningful() const;

    std::string_view view() const { return {text_, length_}; }
    const char* c_str() const { return text_; }
    std::size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }

private:
    char text_[kCapacity + 1];
    std::size_t length_ = 0;
};

} // namespace velmor
