#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace velmor::testing {

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmor-test-XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data()))
            path_ = made;
        EXPECT_FALSE(path_.empty()) << "cannot create a temporary directory";
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }

    std::string path(const std::string& name) const { return (path_ / name).string(); }

    // Writes the bytes exactly as given (binary, no line-end translation).
    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string file = path(name);
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        return file;
    }

private:
    std::filesystem::path path_;
};

inline std::string readBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace velmor::testing
