#include "cli/CheckCommand.h"
#include "cli/CliOptions.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace velmor;
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const CliParseResult parsed = parseCliOptions(arguments);
    if (!parsed.ok) {
        std::cerr << "velmor-cli: " << parsed.error << "\nTry 'velmor-cli --help'.\n";
        return kExitUsage;
    }
    if (parsed.options.mode == CliMode::Help) {
        std::cout << cliHelpText();
        return kExitSuccess;
    }
    return runCheck(parsed.options, std::cout, std::cerr);
}
