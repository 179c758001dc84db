#include "structure/EntryFields.h"

namespace velmor {

bool nextField(TextLine& line, TextLine& field)
{
    field.clear();
    TextLine remainder;
    if (!line.isMeaningful())
        return false;

    const std::string_view text = line.view();
    bool commaSeen = false;
    bool stop = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ',' && !commaSeen) {
            commaSeen = true;
            // A comma that ends the line stays the examined character.
            if (i + 1 < text.size())
                ++i;
        }
        const char c = text[i];
        if (c == ';')
            stop = true;
        if (!commaSeen && !stop && c != ' ')
            field.append(std::string_view(&c, 1));
        if (commaSeen)
            remainder.append(std::string_view(&c, 1));
        if (stop && field.empty())
            return false;
    }
    if (field.empty())
        return false;
    line = remainder;
    return true;
}

} // namespace velmor
