#pragma once

#include "structure/TextFile.h"

#include <functional>
#include <string>

namespace velmor {

// The messages of every structure file output.
inline constexpr const char* kCannotOpenOutput = "Nije moguće otvoriti zadanu datoteku";
inline constexpr const char* kNoOutputAccess = "Onemogućen pristup zadanoj datoteci";
inline constexpr const char* kOutputWriteFailed = "Onemogućen pristup ili blokirana datoteka";

// Opens `path` for writing through `file` and lets `body` write the
// contents; `body` returns false with the reason in `message`.
//
// A regular file is never left half written: the new contents go to a
// hidden file in the same directory, which replaces the target (keeping its
// permissions, and a symbolic link as a link) only once it is complete on
// the disk; on failure the target keeps what it held, and a file that did
// not exist is not created. A target the user may not write is refused even
// though the directory would allow replacing it. A device or a pipe is
// written directly.
bool writeReplacing(TextFile& file, const std::string& path, const std::function<bool()>& body,
                    std::string& message);
// The same with `text` as the whole contents.
bool writeTextReplacing(TextFile& file, const std::string& path, const std::string& text, std::string& message);

} // namespace velmor
