#pragma once

#include "structure/TextLine.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace velmor {

// A structure file opened for reading or writing in text mode.
//
// Lines end at a line feed; a carriage return right before it is dropped as
// well, so files written on any platform read alike. Every other byte,
// including 0 and 0xFF, is an ordinary character of its line.
class TextFile {
public:
    TextFile() = default;
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    ~TextFile() { close(); }

    bool openRead(const std::string& path);
    bool openWrite(const std::string& path);
    bool rewind();

    // False only when the file ends before the first character (or line
    // feed) of a new line. A line longer than the buffer restarts it each
    // time it is full, so only the line's last part is kept.
    bool readLine(TextLine& line);

    bool writeText(std::string_view text);

    // False when the stream could not be flushed or closed; true when no file
    // was open.
    bool close();

    bool isOpen() const { return stream_ != nullptr; }

    // Lets the given number of further rewinds succeed and fails the ones
    // after; -1 lifts the limit. Regular files never fail to rewind, so this
    // is the only way to exercise the callers' handling of it.
    void failRewindsAfter(int successfulRewinds) { rewindsLeft_ = successfulRewinds; }

private:
    bool open(const std::string& path, const char* mode);

    std::FILE* stream_ = nullptr;
    int rewindsLeft_ = -1;
};

} // namespace velmor
