#include "platform/SafeReplace.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace velmor {

SaveTarget saveTargetOf(const std::string& path)
{
    SaveTarget target;
    if (path.empty() || path.back() == '/')
        return target; // names a directory, never a file
    target.path = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // A link stays a link: the file it points to is the one replaced.
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved) {
            target.kind = SaveTarget::InPlace; // dangling: creating it is all there is to do
            return target;
        }
        target.path = resolved;
        std::free(resolved);
    }
    if (::stat(target.path.c_str(), &target.status) == 0) {
        target.exists = true;
        if (S_ISDIR(target.status.st_mode))
            return target;
        if (!S_ISREG(target.status.st_mode)) {
            target.kind = SaveTarget::InPlace;
            return target;
        }
        // Renaming would replace even a file the user may not write; such a
        // file is refused as opening it for writing would refuse it.
        const int probe = ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (probe < 0)
            return target;
        ::close(probe);
    } else if (errno != ENOENT) {
        return target;
    }
    const std::size_t slash = target.path.rfind('/');
    target.directory = slash == std::string::npos ? "." : slash == 0 ? "/" : target.path.substr(0, slash);
    target.kind = SaveTarget::Replace;
    return target;
}

bool ReplacementFile::create()
{
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "/.velmor-save-%d-%u-%08x", static_cast<int>(::getpid()),
                      counter.fetch_add(1), static_cast<unsigned>(entropy()));
        path_ = target_.directory + name;
        // Created as opening the target for writing would create it, so
        // a new file gets the mode the user's umask gives it.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            break;
        if (errno != EEXIST) {
            path_.clear();
            return false;
        }
    }
    if (fd_ < 0) {
        path_.clear();
        return false;
    }
    // The replacement keeps the owner and the permissions of the file it
    // replaces: a private file must not become readable by others. Only
    // the superuser may give a file away, so the owner may change.
    if (target_.exists) {
        const bool givenAway = ::fchown(fd_, target_.status.st_uid, target_.status.st_gid) == 0;
        static_cast<void>(givenAway);
        if (::fchmod(fd_, target_.status.st_mode & 07777) != 0)
            return false;
    }
    return true;
}

bool ReplacementFile::commit()
{
    if (::fsync(fd_) != 0)
        return false;
    const int closed = ::close(fd_);
    fd_ = -1;
    // Either name holds a complete file whenever the system stops, so
    // the directory itself need not be synchronised.
    if (closed != 0 || ::rename(path_.c_str(), target_.path.c_str()) != 0)
        return false;
    path_.clear();
    return true;
}

void ReplacementFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
}

} // namespace velmor
