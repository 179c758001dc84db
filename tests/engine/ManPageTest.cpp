// velmor-cli(1), made from the --help text.
#include "cli/CliOptions.h"
#include "cli/ManPage.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace velmor;

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The words of a text, compared without regard to letter case (the man
// page's headings are in capitals) or a heading's colon.
std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        for (char& c : word)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (word.size() > 1 && word.back() == ':')
            word.pop_back();
        result.push_back(word);
    }
    return result;
}

// What a reader of the page sees, as plain text: the requests dropped (a
// heading's words kept), the font changes and escapes undone. The page's
// own parts (the header, NAME, and the SYNOPSIS and DESCRIPTION headings
// that stand for "Usage:") are left out.
std::string pageText(const std::string& page)
{
    std::istringstream in(page);
    std::string line, text;
    bool inName = false;
    while (std::getline(in, line)) {
        // A heading's words are read like any other line's.
        if (line.rfind(".SH", 0) == 0) {
            inName = line == ".SH NAME";
            if (inName || line == ".SH SYNOPSIS" || line == ".SH DESCRIPTION")
                continue;
            line = line.substr(4);
        } else if (inName || line.rfind('.', 0) == 0) {
            continue;
        }
        for (const char* font : {"\\fB", "\\fI", "\\fR"})
            line = replaced(line, font, "");
        line = replaced(replaced(replaced(line, "\\-", "-"), "\\&", ""), "\\e", "\\");
        // \[uXXXX] back to UTF-8 (two-byte characters are all the help uses).
        for (std::size_t at = line.find("\\[u"); at != std::string::npos; at = line.find("\\[u", at)) {
            const std::size_t end = line.find(']', at);
            const unsigned long code =
                end == std::string::npos ? 0 : std::stoul(line.substr(at + 3, end - at - 3), nullptr, 16);
            if (code < 0x80 || code >= 0x800) {
                ADD_FAILURE() << "unexpected escape in: " << line;
                break;
            }
            std::string utf8;
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
            line.replace(at, end + 1 - at, utf8);
        }
        text += line + '\n';
    }
    return text;
}

} // namespace

TEST(ManPage, SaysWhatTheHelpSays)
{
    const std::string help = cliHelpText();
    const std::string page = cliManPage(help, "9.8.7");
    std::vector<std::string> helpWords = words(help);
    ASSERT_EQ(helpWords.front(), "usage");
    helpWords.erase(helpWords.begin());
    EXPECT_EQ(words(pageText(page)), helpWords);

    EXPECT_EQ(page.rfind(".TH VELMOR\\-CLI 1 \"\" \"Velmor 9.8.7\" \"User Commands\"\n", 0), 0u);
    EXPECT_NE(page.find("\n.SH NAME\nvelmor\\-cli \\- "), std::string::npos);
    for (const char* section : {"SYNOPSIS", "DESCRIPTION", "MODES", "OUTPUT FORMATS", "EXIT STATUS"})
        EXPECT_NE(page.find(std::string("\n.SH ") + section + "\n"), std::string::npos) << section;
}

// Every option that the help lists in its column of options is an entry
// of the page, in bold with its dashes as minus signs.
TEST(ManPage, EveryOptionIsAnEntry)
{
    const std::string help = cliHelpText();
    const std::string page = cliManPage(help, "1");
    int count = 0;
    std::istringstream lines(help);
    std::string line;
    while (std::getline(lines, line)) {
        // "  --name ..." or "  -h, --name ...": an option in the column of options.
        std::string_view entry(line);
        if (entry.substr(0, 2) != "  " || entry.substr(2, 1) == " ")
            continue;
        entry.remove_prefix(2);
        if (entry.substr(0, 4) == "-h, ")
            entry.remove_prefix(4);
        if (entry.substr(0, 2) != "--")
            continue;
        const std::string option(entry.substr(0, entry.find_first_of(" [=")));
        const std::string bold = "\\fB" + replaced(option, "-", "\\-") + "\\fR";
        const bool listed = page.find("\n.TP\n" + bold) != std::string::npos
            || page.find("\n.TP\n\\fB\\-h\\fR, " + bold) != std::string::npos;
        EXPECT_TRUE(listed) << option;
        ++count;
    }
    EXPECT_EQ(count, 25); // the modes, the exchange commands and the computation options
}

TEST(ManPage, RoffFromPlainText)
{
    const std::string help = "Usage: velmor-cli [OPTIONS] FILE\n"
                             "       velmor-cli --help\n"
                             "\n"
                             "A two-terminal tool.\n"
                             ".dsm files and 'quotes' and a back\\slash; čćž\n"
                             "\n"
                             "Options:\n"
                             "  --no-reduction          plain\n"
                             "  --special [LIST]        list, or \"--\" alone\n"
                             "                          goes on\n"
                             "  --format table|json\n"
                             "                          below the term\n"
                             "  --long-option ALG=VALUE  beside\n"
                             "                          a note on its own\n"
                             "  prose at the entries' indentation\n"
                             "\n"
                             "Exit status:\n"
                             "  0    fine\n";
    const std::string page = cliManPage(help, "1");
    const std::string expected = ".TH VELMOR\\-CLI 1 \"\" \"Velmor 1\" \"User Commands\"\n"
                                 ".SH NAME\n"
                                 "velmor\\-cli \\- compute the two-terminal availability of a network structure\n"
                                 ".SH SYNOPSIS\n"
                                 "\\fBvelmor\\-cli\\fR [\\fIOPTIONS\\fR] \\fIFILE\\fR\n"
                                 ".br\n"
                                 "\\fBvelmor\\-cli\\fR \\fB\\-\\-help\\fR\n"
                                 ".SH DESCRIPTION\n"
                                 ".PP\n"
                                 "A two-terminal tool.\n"
                                 "\\&.dsm files and 'quotes' and a back\\eslash; \\[u010D]\\[u0107]\\[u017E]\n"
                                 ".SH OPTIONS\n"
                                 ".TP\n"
                                 "\\fB\\-\\-no\\-reduction\\fR\n"
                                 "plain\n"
                                 ".TP\n"
                                 "\\fB\\-\\-special\\fR [\\fILIST\\fR]\n"
                                 "list, or \"\\-\\-\" alone\n"
                                 "goes on\n"
                                 ".TP\n"
                                 "\\fB\\-\\-format\\fR \\fItable|json\\fR\n"
                                 "below the term\n"
                                 ".TP\n"
                                 "\\fB\\-\\-long\\-option\\fR \\fIALG=VALUE\\fR\n"
                                 "beside\n"
                                 ".IP\n"
                                 "a note on its own\n"
                                 ".PP\n"
                                 "prose at the entries' indentation\n"
                                 ".SH EXIT STATUS\n"
                                 ".TP\n"
                                 "\\fB0\\fR\n"
                                 "fine\n";
    EXPECT_EQ(page, expected);
}
