#pragma once

// A strict reader of JSON text, enough to check what velmor-cli prints: it
// refuses anything that is not valid JSON, so a test that reads the output
// also checks its syntax and escaping.

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmor::testing {

struct JsonValue {
    enum class Type { Null, Boolean, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    std::string text; // a string's value, or a number's literal text
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    bool has(const std::string& key) const
    {
        for (const auto& member : members)
            if (member.first == key)
                return true;
        return false;
    }
    const JsonValue& operator[](const std::string& key) const
    {
        for (const auto& member : members)
            if (member.first == key)
                return member.second;
        throw std::runtime_error("no member '" + key + "'");
    }
    bool isInteger() const { return type == Type::Number && text.find_first_of(".eE") == std::string::npos; }
    long double number() const
    {
        if (type != Type::Number)
            throw std::runtime_error("not a number");
        return std::stold(text);
    }
};

class JsonReader {
public:
    static JsonValue parse(const std::string& text)
    {
        JsonReader reader(text);
        JsonValue value = reader.value();
        reader.blanks();
        if (reader.at_ != text.size())
            reader.fail("text after the value");
        return value;
    }

private:
    explicit JsonReader(const std::string& text) : s_(text) {}

    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(at_));
    }
    void blanks()
    {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    char peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
    void expect(char c)
    {
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++at_;
    }
    bool word(const char* w)
    {
        const std::string text(w);
        if (s_.compare(at_, text.size(), text) != 0)
            return false;
        at_ += text.size();
        return true;
    }

    JsonValue value()
    {
        blanks();
        JsonValue v;
        const char c = peek();
        if (c == '{') {
            v.type = JsonValue::Type::Object;
            ++at_;
            blanks();
            if (peek() == '}') {
                ++at_;
                return v;
            }
            for (;;) {
                blanks();
                std::string key = string();
                blanks();
                expect(':');
                v.members.emplace_back(std::move(key), value());
                blanks();
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.type = JsonValue::Type::Array;
            ++at_;
            blanks();
            if (peek() == ']') {
                ++at_;
                return v;
            }
            for (;;) {
                v.items.push_back(value());
                blanks();
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.type = JsonValue::Type::String;
            v.text = string();
            return v;
        }
        if (word("true")) {
            v.type = JsonValue::Type::Boolean;
            v.boolean = true;
            return v;
        }
        if (word("false")) {
            v.type = JsonValue::Type::Boolean;
            return v;
        }
        if (word("null"))
            return v;
        v.type = JsonValue::Type::Number;
        v.text = number();
        return v;
    }

    std::string number()
    {
        const std::size_t start = at_;
        auto digits = [this] {
            const std::size_t from = at_;
            while (peek() >= '0' && peek() <= '9')
                ++at_;
            return at_ - from;
        };
        if (peek() == '-')
            ++at_;
        if (peek() == '0')
            ++at_;
        else if (digits() == 0)
            fail("bad number");
        if (peek() == '.') {
            ++at_;
            if (digits() == 0)
                fail("bad fraction");
        }
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            if (peek() == '+' || peek() == '-')
                ++at_;
            if (digits() == 0)
                fail("bad exponent");
        }
        return s_.substr(start, at_ - start);
    }

    static void appendUtf8(std::string& out, std::uint32_t code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::uint32_t hex4()
    {
        if (at_ + 4 > s_.size())
            fail("short \\u escape");
        const std::uint32_t code = static_cast<std::uint32_t>(std::stoul(s_.substr(at_, 4), nullptr, 16));
        at_ += 4;
        return code;
    }

    std::string string()
    {
        expect('"');
        std::string out;
        for (;;) {
            if (at_ >= s_.size())
                fail("unterminated string");
            const auto c = static_cast<unsigned char>(s_[at_++]);
            if (c == '"')
                return out;
            if (c < 0x20)
                fail("raw control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            const char e = peek();
            ++at_;
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::uint32_t code = hex4();
                if (code >= 0xD800 && code <= 0xDBFF && word("\\u")) {
                    const std::uint32_t low = hex4();
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, code);
                break;
            }
            default: fail("bad escape");
            }
        }
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

} // namespace velmor::testing
