#include "platform/classlib/formfile.h"

#include <cctype>
#include <cstdlib>

namespace {

// Encodes a code point (from a #nnn character) as UTF-8.
void AppendUtf8(std::string& s, uint32_t cp) {
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Parser {
public:
    Parser(const std::string& text, const std::string& file) : s(text), file(file) {}

    std::unique_ptr<TFormObject> Run() {
        SkipSpace();
        auto obj = ParseObject();
        SkipSpace();
        if (p < s.size()) Fail("text after the last 'end'");
        return obj;
    }

private:
    const std::string& s;
    const std::string& file;
    size_t p = 0;
    int line = 1;

    [[noreturn]] void Fail(const std::string& what) { throw EFormFileError(file, line, what); }

    void SkipSpace() {
        while (p < s.size()) {
            char c = s[p];
            if (c == '\n') {
                ++line;
                ++p;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++p;
            } else if (c == '/' && p + 1 < s.size() && s[p + 1] == '/') {
                while (p < s.size() && s[p] != '\n') ++p;
            } else {
                break;
            }
        }
    }

    static bool IdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
    static bool IdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

    std::string Ident() {
        SkipSpace();
        if (p >= s.size() || !IdentStart(s[p])) Fail("name expected");
        size_t b = p;
        while (p < s.size() && IdentChar(s[p])) ++p;
        return s.substr(b, p - b);
    }

    // A dotted property name.
    std::string DottedIdent() {
        std::string n = Ident();
        while (p < s.size() && s[p] == '.') {
            ++p;
            n += "." + Ident();
        }
        return n;
    }

    bool PeekWord(const char* w) {
        SkipSpace();
        size_t n = std::char_traits<char>::length(w);
        if (s.size() - p < n) return false;
        for (size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(s[p + i])) != w[i]) return false;
        return p + n >= s.size() || !IdentChar(s[p + n]);
    }

    void Expect(char c) {
        SkipSpace();
        if (p >= s.size() || s[p] != c) Fail(std::string("'") + c + "' expected");
        ++p;
    }

    std::unique_ptr<TFormObject> ParseObject() {
        if (!PeekWord("object") && !PeekWord("inherited") && !PeekWord("inline")) Fail("'object' expected");
        Ident();
        auto obj = std::make_unique<TFormObject>();
        obj->Line = line;
        std::string first = Ident();
        SkipSpace();
        if (p < s.size() && s[p] == ':') {
            ++p;
            obj->Name = first;
            obj->ClassName = Ident();
        } else {
            obj->ClassName = first;
        }
        for (;;) {
            SkipSpace();
            if (p >= s.size()) Fail("'end' expected");
            if (PeekWord("end")) {
                Ident();
                return obj;
            }
            if (PeekWord("object") || PeekWord("inherited") || PeekWord("inline")) {
                obj->Children.push_back(ParseObject());
                continue;
            }
            obj->Properties.push_back(ParseProperty());
        }
    }

    TFormProperty ParseProperty() {
        TFormProperty prop;
        prop.Line = line;
        prop.Name = DottedIdent();
        Expect('=');
        prop.Value = ParseValue();
        return prop;
    }

    TFormValue ParseValue() {
        SkipSpace();
        if (p >= s.size()) Fail("value expected");
        char c = s[p];
        TFormValue v;
        if (c == '\'' || c == '#') {
            v.kind = TFormValue::vaString;
            v.Str = ParseString();
            return v;
        }
        if (c == '[') {
            ++p;
            v.kind = TFormValue::vaSet;
            SkipSpace();
            while (p < s.size() && s[p] != ']') {
                v.Set.push_back(Ident());
                SkipSpace();
                if (p < s.size() && s[p] == ',') ++p;
                SkipSpace();
            }
            Expect(']');
            return v;
        }
        if (c == '(') {
            ++p;
            v.kind = TFormValue::vaList;
            SkipSpace();
            while (p < s.size() && s[p] != ')') {
                v.List.push_back(ParseValue());
                SkipSpace();
            }
            Expect(')');
            return v;
        }
        if (c == '<') {
            ++p;
            v.kind = TFormValue::vaCollection;
            for (;;) {
                SkipSpace();
                if (p < s.size() && s[p] == '>') {
                    ++p;
                    return v;
                }
                if (!PeekWord("item")) Fail("'item' expected");
                Ident();
                std::vector<TFormProperty> props;
                while (!PeekWord("end")) {
                    if (p >= s.size()) Fail("'end' expected");
                    props.push_back(ParseProperty());
                }
                Ident();
                v.Items.push_back(std::move(props));
            }
        }
        if (c == '{') {
            ++p;
            v.kind = TFormValue::vaBinary;
            int nibbles = 0;
            unsigned char cur = 0;
            for (;;) {
                SkipSpace();
                if (p >= s.size()) Fail("'}' expected");
                char h = s[p++];
                if (h == '}') break;
                int d = std::isdigit(static_cast<unsigned char>(h)) ? h - '0'
                        : (h >= 'a' && h <= 'f')                     ? h - 'a' + 10
                        : (h >= 'A' && h <= 'F')                     ? h - 'A' + 10
                                                                     : -1;
                if (d < 0) Fail("hexadecimal digit expected");
                cur = static_cast<unsigned char>(cur << 4 | d);
                if (++nibbles % 2 == 0) {
                    v.Binary.push_back(cur);
                    cur = 0;
                }
            }
            if (nibbles % 2) Fail("odd number of hexadecimal digits");
            return v;
        }
        if (c == '-' || c == '+' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) return ParseNumber();
        if (IdentStart(c)) {
            v.kind = TFormValue::vaIdent;
            v.Str = DottedIdent();
            return v;
        }
        Fail(std::string("unexpected '") + c + "'");
    }

    TFormValue ParseNumber() {
        TFormValue v;
        bool neg = false;
        if (s[p] == '-' || s[p] == '+') {
            neg = s[p] == '-';
            ++p;
        }
        if (p < s.size() && s[p] == '$') {
            ++p;
            size_t b = p;
            while (p < s.size() && std::isxdigit(static_cast<unsigned char>(s[p]))) ++p;
            if (b == p) Fail("hexadecimal number expected");
            v.kind = TFormValue::vaInt;
            v.Int = static_cast<int64_t>(std::strtoull(s.substr(b, p - b).c_str(), nullptr, 16));
            if (neg) v.Int = -v.Int;
            return v;
        }
        size_t b = p;
        while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
        bool isFloat = false;
        if (p < s.size() && s[p] == '.' && p + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[p + 1]))) {
            isFloat = true;
            ++p;
            while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
        }
        if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
            isFloat = true;
            ++p;
            if (p < s.size() && (s[p] == '-' || s[p] == '+')) ++p;
            while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
        }
        if (b == p) Fail("number expected");
        std::string text = s.substr(b, p - b);
        if (isFloat) {
            v.kind = TFormValue::vaFloat;
            v.Float = std::strtod(text.c_str(), nullptr);
            if (neg) v.Float = -v.Float;
        } else {
            v.kind = TFormValue::vaInt;
            v.Int = std::strtoll(text.c_str(), nullptr, 10);
            if (neg) v.Int = -v.Int;
        }
        return v;
    }

    // Quoted parts and #nnn characters side by side; '+' joins across blanks and lines.
    std::string ParseString() {
        std::string out;
        SkipSpace();
        for (;;) {
            if (p < s.size() && s[p] == '\'') {
                ++p;
                for (;;) {
                    if (p >= s.size() || s[p] == '\n') Fail("unterminated string");
                    if (s[p] == '\'') {
                        if (p + 1 < s.size() && s[p + 1] == '\'') {
                            out += '\'';
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    out += s[p++];
                }
                continue;
            }
            if (p < s.size() && s[p] == '#') {
                ++p;
                size_t b = p;
                while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
                if (b == p) Fail("character code expected after '#'");
                uint32_t cp = static_cast<uint32_t>(std::strtoul(s.substr(b, p - b).c_str(), nullptr, 10));
                // A character above U+FFFF may come as its two UTF-16 halves, #55357#56768.
                if (cp >= 0xD800 && cp < 0xDC00 && p + 1 < s.size() && s[p] == '#') {
                    size_t q = p + 1, e = q;
                    while (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) ++e;
                    const uint32_t low = e > q ? static_cast<uint32_t>(std::strtoul(s.substr(q, e - q).c_str(), nullptr, 10)) : 0;
                    if (low >= 0xDC00 && low < 0xE000) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        p = e;
                    }
                }
                AppendUtf8(out, cp);
                continue;
            }
            size_t saveP = p;
            int saveLine = line;
            SkipSpace();
            if (p < s.size() && s[p] == '+') {
                ++p;
                SkipSpace();
                if (p >= s.size() || (s[p] != '\'' && s[p] != '#')) Fail("string expected after '+'");
                continue;
            }
            p = saveP;
            line = saveLine;
            return out;
        }
    }
};

}  // namespace

const TFormProperty* TFormObject::Find(const std::string& N) const {
    for (const auto& prop : Properties)
        if (SameText(prop.Name, N)) return &prop;
    return nullptr;
}

std::unique_ptr<TFormObject> ParseFormFile(const std::string& Text, const std::string& FileName) {
    return Parser(Text, FileName).Run();
}
