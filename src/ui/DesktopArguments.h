#pragma once

#include <string>
#include <vector>

namespace velmor {

// Exit status of the desktop program for a command line it does not accept.
inline constexpr int kDesktopUsageStatus = 64;

// What the desktop program's command line asks for: at most one structure
// file to open at start-up (as the Open command would), or one of the two
// answers that need no window.
struct DesktopArguments {
    bool help = false;    // -h, --help
    bool version = false; // --version
    std::string file;
    std::string error; // the first thing wrong with the command line; empty when none
};

// Parses the arguments after the program name, once the toolkit has taken
// its own (-platform, -style, ...). "--" ends the options.
DesktopArguments parseDesktopArguments(const std::vector<std::string>& arguments);

std::string desktopHelpText();
// The GNU way: program, package, version.
std::string desktopVersionText();

} // namespace velmor
