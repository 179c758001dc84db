#include "structure/TextFile.h"

namespace velmor {

bool TextFile::open(const std::string& path, const char* mode)
{
    close();
    stream_ = std::fopen(path.c_str(), mode);
    return stream_ != nullptr;
}

bool TextFile::openRead(const std::string& path)
{
    return open(path, "r");
}

bool TextFile::openWrite(const std::string& path)
{
    return open(path, "w");
}

bool TextFile::rewind()
{
    if (!stream_)
        return false;
    if (rewindsLeft_ == 0)
        return false;
    if (rewindsLeft_ > 0)
        --rewindsLeft_;
    if (std::fseek(stream_, 0, SEEK_SET) != 0)
        return false;
    std::clearerr(stream_);
    return true;
}

bool TextFile::readLine(TextLine& line)
{
    line.clear();
    if (!stream_)
        return false;
    int c = std::getc(stream_);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        if (c == '\r') {
            const int next = std::getc(stream_);
            if (next == '\n')
                break;
            if (next != EOF)
                std::ungetc(next, stream_);
        }
        line.pushRestarting(static_cast<char>(c));
        c = std::getc(stream_);
    }
    return true;
}

bool TextFile::writeText(std::string_view text)
{
    if (!stream_)
        return false;
    if (text.empty())
        return true;
    return std::fwrite(text.data(), 1, text.size(), stream_) == text.size();
}

bool TextFile::close()
{
    if (!stream_)
        return true;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return closed;
}

} // namespace velmor
