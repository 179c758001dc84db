#include "cli/ManPage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <string_view>
#include <vector>

namespace velmor {

namespace {

constexpr std::string_view kUsage = "Usage: ";
constexpr std::string_view kProgram = "velmor-cli";

struct HelpLine {
    std::size_t indent = 0;
    std::string text; // without the indentation
    bool blank() const { return text.empty(); }
};

std::vector<HelpLine> splitLines(const std::string& help)
{
    std::vector<HelpLine> lines;
    std::istringstream in(help);
    std::string raw;
    while (std::getline(in, raw)) {
        const std::size_t first = raw.find_first_not_of(' ');
        HelpLine line;
        if (first != std::string::npos) {
            line.indent = first;
            line.text = raw.substr(first);
            line.text.erase(line.text.find_last_not_of(' ') + 1);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The character that begins at a UTF-8 lead byte: its code point, and how
// many bytes it takes (1 for a byte that does not begin a sequence).
char32_t decodeUtf8(std::string_view text, std::size_t at, std::size_t& length)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > text.size()) {
        length = 1;
        return lead;
    }
    char32_t code = lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i)
        code = (code << 6) | (byte(at + i) & 0x3F);
    return code;
}

bool beginsWord(char previous)
{
    return std::string_view(" ([\"'=|,").find(previous) != std::string_view::npos;
}

// Text for a roff line. The dashes of an option ("--no-reduction", "--") and
// of the program's name are minus signs, so that they print and copy as the
// character one types; a dash inside a word ("two-terminal") stays a
// hyphen. Letters beyond ASCII are written as roff escapes, which every
// roff reads whatever its input encoding.
std::string escaped(std::string_view text)
{
    std::string out;
    bool inOption = false;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ')
            inOption = false;
        if (c == '-' && (i == 0 || beginsWord(text[i - 1])))
            inOption = true;
        std::size_t length = 1;
        if (static_cast<unsigned char>(c) >= 0x80) {
            const char32_t code = decodeUtf8(text, i, length);
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "\\[u%04X]", static_cast<unsigned>(code));
            out += buffer;
        } else if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            const bool inProgramName = i >= 6 && text.substr(i - 6, kProgram.size()) == kProgram;
            out += inOption || inProgramName ? "\\-" : "-";
        } else {
            out += c;
        }
        i += length;
    }
    // A line that begins with a dot or an apostrophe would be a request.
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

// An option, a command or the first word of a term in bold, its arguments
// in italics ("[LIST]": only LIST); a term in parentheses as it stands.
std::string formattedTerm(std::string_view term)
{
    if (term.empty() || term.front() == '(')
        return escaped(term);
    std::string out;
    std::size_t start = 0;
    for (int index = 0; start <= term.size(); ++index) {
        const std::size_t space = std::min(term.find(' ', start), term.size());
        std::string_view token = term.substr(start, space - start);
        std::string before, after;
        if (!token.empty() && token.front() == '[') {
            before = "[";
            token.remove_prefix(1);
        }
        while (!token.empty() && (token.back() == ']' || token.back() == ',')) {
            after.insert(after.begin(), token.back());
            token.remove_suffix(1);
        }
        if (index > 0)
            out += ' ';
        const bool bold = index == 0 || (!token.empty() && token.front() == '-');
        out += escaped(before);
        if (!token.empty())
            out += (bold ? "\\fB" : "\\fI") + escaped(token) + "\\fR";
        out += escaped(after);
        start = space + 1;
    }
    return out;
}

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

class ManWriter {
public:
    explicit ManWriter(const std::string& help) : lines_(splitLines(help)) {}

    std::string write(const std::string& version);

private:
    enum class Block { None, Paragraph, Entry };

    void synopsis();
    void line(std::size_t index);
    void paragraphText(const std::string& text);

    std::vector<HelpLine> lines_;
    std::ostringstream out_;
    Block block_ = Block::None;
    std::size_t descriptionColumn_ = 0; // of the current entry
};

std::string ManWriter::write(const std::string& version)
{
    out_ << ".TH VELMOR\\-CLI 1 \"\" \"Velmor " << version << "\" \"User Commands\"\n"
         << ".SH NAME\n"
         << "velmor\\-cli \\- compute the two-terminal availability of a network structure\n";
    std::size_t next = 0;
    if (!lines_.empty() && lines_.front().text.rfind(kUsage, 0) == 0) {
        synopsis();
        while (next < lines_.size() && !lines_[next].blank())
            ++next;
        out_ << ".SH DESCRIPTION\n";
    }
    for (; next < lines_.size(); ++next)
        line(next);
    return out_.str();
}

// "Usage: velmor-cli [OPTIONS] FILE" and the lines under it, one a line.
void ManWriter::synopsis()
{
    out_ << ".SH SYNOPSIS\n";
    for (std::size_t i = 0; i < lines_.size() && !lines_[i].blank(); ++i) {
        if (i > 0)
            out_ << ".br\n";
        const std::string& text = lines_[i].text;
        out_ << formattedTerm(i == 0 ? text.substr(kUsage.size()) : text) << '\n';
    }
}

void ManWriter::paragraphText(const std::string& text)
{
    if (block_ != Block::Paragraph)
        out_ << ".PP\n";
    block_ = Block::Paragraph;
    out_ << escaped(text) << '\n';
}

void ManWriter::line(std::size_t index)
{
    const HelpLine& current = lines_[index];
    if (current.blank()) {
        block_ = Block::None;
        return;
    }
    if (current.indent == 0) {
        if (block_ == Block::None && current.text.back() == ':')
            out_ << ".SH " << escaped(upperCase(current.text.substr(0, current.text.size() - 1))) << '\n';
        else
            paragraphText(current.text);
        return;
    }
    if (current.indent > 2) { // the description goes on
        // Out of the description's column: a paragraph of its own under the
        // entry (a note on the entries above it).
        if (block_ == Block::Entry && current.indent != descriptionColumn_) {
            out_ << ".IP\n";
            descriptionColumn_ = current.indent;
        }
        out_ << escaped(current.text) << '\n';
        return;
    }
    // "  TERM   description", or a term alone with its description below.
    const std::size_t gap = current.text.find("  ");
    const bool describedBelow = index + 1 < lines_.size() && lines_[index + 1].indent > 2;
    if (gap == std::string::npos && !describedBelow) {
        paragraphText(current.text);
        return;
    }
    block_ = Block::Entry;
    out_ << ".TP\n" << formattedTerm(current.text.substr(0, gap)) << '\n';
    if (gap == std::string::npos) {
        descriptionColumn_ = lines_[index + 1].indent;
        return;
    }
    const std::size_t description = current.text.find_first_not_of(' ', gap);
    descriptionColumn_ = current.indent + description;
    out_ << escaped(current.text.substr(description)) << '\n';
}

} // namespace

std::string cliManPage(const std::string& helpText, const std::string& version)
{
    return ManWriter(helpText).write(version);
}

} // namespace velmor
