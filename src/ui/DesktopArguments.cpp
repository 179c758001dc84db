#include "ui/DesktopArguments.h"

#include "VelmorVersion.h"

namespace velmor {

DesktopArguments parseDesktopArguments(const std::vector<std::string>& arguments)
{
    DesktopArguments result;
    auto fail = [&](std::string text) {
        if (result.error.empty())
            result.error = std::move(text);
    };
    bool onlyFiles = false;
    for (const std::string& argument : arguments) {
        if (!onlyFiles && argument == "--")
            onlyFiles = true;
        else if (!onlyFiles && (argument == "-h" || argument == "--help"))
            result.help = true;
        else if (!onlyFiles && argument == "--version")
            result.version = true;
        else if (!onlyFiles && argument.size() > 1 && argument.front() == '-')
            fail("nepoznata opcija '" + argument + "'");
        else if (argument.empty())
            fail("naziv datoteke je prazan");
        else if (!result.file.empty())
            fail("može se zadati samo jedna datoteka strukture, ne i '" + argument + "'");
        else
            result.file = argument;
    }
    return result;
}

std::string desktopHelpText()
{
    return R"(Uporaba: velmor [DATOTEKA]
       velmor --help
       velmor --version

Velmor  -  program za računanje raspoloživosti složenih mrežnih struktura.
Zadana DATOTEKA (datoteka strukture mreže, .dsm) učitava se pri pokretanju
kao naredbom "Otvori datoteku".

  -h, --help     ispisuje ovaj tekst i završava
  --version      ispisuje inačicu programa i završava
  --             kraj opcija: DATOTEKA smije počinjati znakom "-"

Prihvaćaju se i opcije Qt-a (na primjer -platform offscreen).
Računanje bez prozora: velmor-cli --help.
)";
}

std::string desktopVersionText()
{
    return std::string("velmor (Velmor) ") + kVelmorVersion + "\n";
}

} // namespace velmor
