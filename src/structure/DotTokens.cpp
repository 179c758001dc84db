#include "structure/DotTokens.h"

#include "structure/ExchangeFields.h"

#include <cctype>

namespace velmor {

namespace {

bool sameWord(std::string_view text, const char* word)
{
    std::size_t i = 0;
    for (; word[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != word[i])
            return false;
    return i == text.size();
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Letters, "_" and every byte above 127 (UTF-8) may start a name.
bool startsName(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || u >= 128;
}

class DotLexer {
public:
    DotLexer(std::string_view text, std::vector<DotToken>& tokens, std::string& message)
        : s_(text), tokens_(tokens), message_(message)
    {
    }

    bool run();

private:
    bool atEnd(std::size_t ahead = 0) const { return pos_ + ahead >= s_.size(); }
    char at(std::size_t ahead = 0) const { return atEnd(ahead) ? '\0' : s_[pos_ + ahead]; }
    void advance()
    {
        if (s_[pos_] == '\n') {
            ++line_;
            lineStart_ = true;
        } else if (s_[pos_] != ' ' && s_[pos_] != '\t' && s_[pos_] != '\r') {
            lineStart_ = false;
        }
        ++pos_;
    }
    bool fail(int line)
    {
        message_ = atLine(kDotSyntax, line);
        return false;
    }
    bool skipSpaceAndComments();
    void push(DotToken::Kind kind, std::string text = {})
    {
        DotToken token;
        token.kind = kind;
        token.text = std::move(text);
        token.line = tokenLine_;
        tokens_.push_back(std::move(token));
    }
    bool quoted();
    bool html();
    void numeral();
    void name();

    std::string_view s_;
    std::vector<DotToken>& tokens_;
    std::string& message_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int tokenLine_ = 1;
    bool lineStart_ = true;
};

bool DotLexer::skipSpaceAndComments()
{
    while (!atEnd()) {
        const char c = at();
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            advance();
        } else if (c == '#' && lineStart_) {
            while (!atEnd() && at() != '\n')
                advance();
        } else if (c == '/' && at(1) == '/') {
            while (!atEnd() && at() != '\n')
                advance();
        } else if (c == '/' && at(1) == '*') {
            const int start = line_;
            advance();
            advance();
            while (!atEnd() && !(at() == '*' && at(1) == '/'))
                advance();
            if (atEnd())
                return fail(start);
            advance();
            advance();
        } else {
            return true;
        }
    }
    return true;
}

// "..." with \" for a quote; a backslash before a line end joins the lines.
// Other escapes stay as written, as Graphviz keeps them.
bool DotLexer::quoted()
{
    advance();
    std::string text;
    for (;;) {
        if (atEnd())
            return fail(tokenLine_);
        const char c = at();
        if (c == '"') {
            advance();
            break;
        }
        if (c == '\\' && at(1) == '"') {
            text.push_back('"');
            advance();
            advance();
        } else if (c == '\\' && (at(1) == '\n' || (at(1) == '\r' && at(2) == '\n'))) {
            advance();
            if (at() == '\r')
                advance();
            advance();
        } else {
            text.push_back(c);
            advance();
        }
    }
    push(DotToken::Id, std::move(text));
    tokens_.back().quoted = true;
    return true;
}

// <...> with nested angle brackets; the value is what stands inside.
bool DotLexer::html()
{
    advance();
    std::string text;
    int depth = 1;
    for (;;) {
        if (atEnd())
            return fail(tokenLine_);
        const char c = at();
        advance();
        if (c == '<')
            ++depth;
        else if (c == '>' && --depth == 0)
            break;
        text.push_back(c);
    }
    push(DotToken::Id, std::move(text));
    tokens_.back().html = true;
    return true;
}

// [-](.digits | digits[.digits]); an exponent is read as well, so that an
// availability written 2.5E-6 without quotes is one number.
void DotLexer::numeral()
{
    const std::size_t start = pos_;
    if (at() == '-')
        advance();
    while (isDigit(at()))
        advance();
    if (at() == '.') {
        advance();
        while (isDigit(at()))
            advance();
    }
    if ((at() == 'e' || at() == 'E')
        && (isDigit(at(1)) || ((at(1) == '-' || at(1) == '+') && isDigit(at(2))))) {
        advance();
        if (at() == '-' || at() == '+')
            advance();
        while (isDigit(at()))
            advance();
    }
    push(DotToken::Id, std::string(s_.substr(start, pos_ - start)));
}

void DotLexer::name()
{
    const std::size_t start = pos_;
    while (!atEnd() && (startsName(at()) || isDigit(at())))
        advance();
    push(DotToken::Id, std::string(s_.substr(start, pos_ - start)));
}

bool DotLexer::run()
{
    for (;;) {
        if (!skipSpaceAndComments())
            return false;
        tokenLine_ = line_;
        if (atEnd())
            break;
        const char c = at();
        const DotToken::Kind single = c == '{'   ? DotToken::OpenBrace
                                      : c == '}' ? DotToken::CloseBrace
                                      : c == '[' ? DotToken::OpenBracket
                                      : c == ']' ? DotToken::CloseBracket
                                      : c == ';' ? DotToken::Semicolon
                                      : c == ',' ? DotToken::Comma
                                      : c == '=' ? DotToken::Equals
                                      : c == ':' ? DotToken::Colon
                                      : c == '+' ? DotToken::Plus
                                                 : DotToken::End;
        if (single != DotToken::End) {
            advance();
            push(single);
        } else if (c == '-' && (at(1) == '>' || at(1) == '-')) {
            const bool directed = at(1) == '>';
            advance();
            advance();
            push(DotToken::EdgeOperator);
            tokens_.back().directedOperator = directed;
        } else if (c == '"') {
            if (!quoted())
                return false;
        } else if (c == '<') {
            if (!html())
                return false;
        } else if (isDigit(c) || (c == '.' && isDigit(at(1)))
                   || (c == '-' && (isDigit(at(1)) || (at(1) == '.' && isDigit(at(2)))))) {
            numeral();
        } else if (startsName(c)) {
            name();
        } else {
            return fail(line_);
        }
    }
    push(DotToken::End);
    return true;
}

} // namespace

bool DotToken::keyword() const
{
    if (kind != Id || quoted || html)
        return false;
    for (const char* word : {"graph", "digraph", "subgraph", "node", "edge", "strict"})
        if (sameWord(text, word))
            return true;
    return false;
}

bool DotToken::isKeyword(const char* word) const
{
    return kind == Id && !quoted && !html && sameWord(text, word);
}

bool dotTokens(std::string_view text, std::vector<DotToken>& tokens, std::string& message)
{
    tokens.clear();
    return DotLexer(text, tokens, message).run();
}

} // namespace velmor
