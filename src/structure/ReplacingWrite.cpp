#include "structure/ReplacingWrite.h"

#include "platform/SafeReplace.h"

namespace velmor {

bool writeReplacing(TextFile& file, const std::string& path, const std::function<bool()>& body,
                    std::string& message)
{
    const SaveTarget target = saveTargetOf(path);
    const bool replacing = target.kind == SaveTarget::Replace;
    ReplacementFile replacement(target);
    const bool opened = replacing ? replacement.create() && file.openWrite(replacement.path())
                                  : target.kind == SaveTarget::InPlace && file.openWrite(path);
    if (!opened) {
        file.close();
        message = kCannotOpenOutput;
        return false;
    }
    if (!file.rewind()) {
        file.close();
        message = kNoOutputAccess;
        return false;
    }
    if (!body()) {
        file.close();
        return false;
    }
    // Closing flushes the last lines, so a full disk may only show here; the
    // target is replaced only by a file that is complete on the disk.
    if (!file.close() || (replacing && !replacement.commit())) {
        message = kOutputWriteFailed;
        return false;
    }
    message.clear();
    return true;
}

bool writeTextReplacing(TextFile& file, const std::string& path, const std::string& text, std::string& message)
{
    return writeReplacing(
        file, path,
        [&] {
            if (file.writeText(text))
                return true;
            message = kOutputWriteFailed;
            return false;
        },
        message);
}

} // namespace velmor
