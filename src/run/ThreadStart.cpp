#include "run/ThreadStart.h"

#include <exception>

namespace velmor {

std::optional<ThreadStartFailure> startThread(const ThreadLauncher& launcher, WorkerThread& thread,
                                              long long stackSize, std::function<void()> body,
                                              std::string_view shortage, std::string_view fault)
{
    try {
        if (launcher(thread, stackSize, std::move(body)))
            return std::nullopt;
        return ThreadStartFailure{std::string(shortage), "", false};
    } catch (const std::exception& e) {
        return ThreadStartFailure{std::string(fault), std::string("error description : ") + e.what(), true};
    }
}

} // namespace velmor
