#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmor {

inline constexpr const char* kDotSyntax = "Neispravan zapis grafa u DOT datoteci";

// One token of a DOT text.
struct DotToken {
    enum Kind {
        End, // after the last token
        Id,  // a name, a numeral, a quoted or an HTML string
        OpenBrace,
        CloseBrace,
        OpenBracket,
        CloseBracket,
        Semicolon,
        Comma,
        Equals,
        Colon,
        Plus,
        EdgeOperator,
    };
    Kind kind = End;
    std::string text;              // an Id's value, quotes and escapes undone
    bool quoted = false;           // a "..." string, never a keyword
    bool html = false;             // a <...> string
    bool directedOperator = false; // -> rather than --
    int line = 1;

    // An unquoted name that DOT reserves (in any case): graph, digraph,
    // subgraph, node, edge, strict.
    bool keyword() const;
    bool isKeyword(const char* word) const;
};

// Splits a DOT text into tokens, the last one End. Comments (//, /* */, and
// lines that start with #) and white space separate tokens. False with the
// reason and its line in `message` for an unfinished string or comment, or a
// character DOT does not know.
bool dotTokens(std::string_view text, std::vector<DotToken>& tokens, std::string& message);

} // namespace velmor
