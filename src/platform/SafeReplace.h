#pragma once

#include <sys/stat.h>

#include <string>

namespace velmor {

// Where a save goes. A regular file (or a new one) is replaced as a whole by
// a complete copy written beside it, so that a failed save never destroys
// what the file held. Anything else that already exists (a device, a pipe)
// has no contents to protect and could not be replaced by renaming; it is
// written directly.
struct SaveTarget {
    enum Kind { Refused, InPlace, Replace };
    Kind kind = Refused;
    std::string path;      // the file that is replaced, symbolic links followed
    std::string directory; // where the replacement is written
    bool exists = false;
    struct stat status {};
};

SaveTarget saveTargetOf(const std::string& path);

// The complete new contents of a target, written beside it under a hidden
// name and renamed over the target only when written, flushed and closed.
// Whatever goes wrong before that leaves the target as it was and removes
// the replacement.
class ReplacementFile {
public:
    explicit ReplacementFile(const SaveTarget& target) : target_(target) {}
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile() { discard(); }

    const std::string& path() const { return path_; }
    bool create();
    // After the text file was closed: makes the contents durable, then puts
    // the replacement in the target's place.
    bool commit();

private:
    void discard();

    const SaveTarget& target_;
    std::string path_;
    int fd_ = -1;
};

} // namespace velmor
