#pragma once

#include "platform/Threads.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

inline constexpr std::string_view kThreadShortage = "Neispravno ponašanje stvorene niti zbog nedostatka resursa";
inline constexpr std::string_view kThreadFault = "Neispravno izvođenje programa u stvorenoj niti";

// Why a thread could not be started, as the two lines the user is shown.
// `raised`: creating it threw, and the second line carries the reason.
struct ThreadStartFailure {
    std::string first;
    std::string second;
    bool raised = false;
};

// Starts `body` through `launcher`; nothing when the thread runs. A thread
// the system cannot create gives `shortage` as the first line, an exception
// `fault` and "error description : " with its message.
std::optional<ThreadStartFailure> startThread(const ThreadLauncher& launcher, WorkerThread& thread,
                                              long long stackSize, std::function<void()> body,
                                              std::string_view shortage = kThreadShortage,
                                              std::string_view fault = kThreadFault);

} // namespace velmor
