#pragma once

#include <string>
#include <string_view>

namespace velmor {

// `text` as one CSV field between `separator`s, quoted only when it has to
// be: it holds the separator, a quote or a line break, or begins or ends
// with a blank that a reader would trim.
std::string csvField(std::string_view text, char separator = ',');

} // namespace velmor
