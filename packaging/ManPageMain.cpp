// Writes the manual page velmor-cli(1) from velmor-cli's --help text.
//
//   velmor-cli-manpage OUTPUT

#include "VelmorVersion.h"
#include "cli/CliOptions.h"
#include "cli/ManPage.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: velmor-cli-manpage OUTPUT\n";
        return 64;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << velmor::cliManPage(velmor::cliHelpText(), velmor::kVelmorVersion);
    out.close();
    if (!out) {
        std::cerr << "velmor-cli-manpage: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
