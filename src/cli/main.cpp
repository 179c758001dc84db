#include "cli/CheckCommand.h"
#include "cli/CliOptions.h"
#include "cli/ComputeCommand.h"
#include "cli/ExchangeCommand.h"
#include "cli/Interrupt.h"

#include <iostream>
#include <string>
#include <vector>

#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace velmor;
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const CliParseResult parsed = parseCliOptions(arguments);
    if (!parsed.ok) {
        std::cerr << "velmor-cli: " << parsed.error << "\nTry 'velmor-cli --help'.\n";
        return kExitUsage;
    }
    switch (parsed.options.mode) {
    case CliMode::Help:
        std::cout << cliHelpText();
        return kExitSuccess;
    case CliMode::Version:
        std::cout << cliVersionText();
        return kExitSuccess;
    case CliMode::Check:
        return runCheck(parsed.options, std::cout, std::cerr);
    case CliMode::Export:
        return runExport(parsed.options, std::cout, std::cerr);
    case CliMode::Import:
        return runImport(parsed.options, std::cerr);
    case CliMode::Compute:
        break;
    }
    installInterruptHandler();
    ComputeEnvironment environment;
    environment.interrupted = interruptRequested;
    if (::isatty(STDERR_FILENO)) {
        environment.progress = &std::cerr;
        winsize size{};
        if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0)
            environment.progressWidth = size.ws_col;
    }
    return runCompute(parsed.options, std::cout, std::cerr, environment);
}
