#pragma once

#include "structure/TextLine.h"

namespace velmor {

// Takes the next comma-separated field off the front of an entry line.
//
// Spaces anywhere in the field are dropped ("0. 95" reads as "0.95"), and a
// semicolon ends the field it stands in. On success `line` becomes what
// followed the field's comma. False when the line is not meaningful or holds
// no further field.
bool nextField(TextLine& line, TextLine& field);

} // namespace velmor
