#include "pipeline/line_building.h"

#include <cstring>

std::string NormalizeLineBreaks(const std::string& s) {
    std::string out;
    out.reserve(s.size() + 16);
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
            if (i + 1 < s.size() && s[i + 1] == '\r') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

static bool Blank(const std::string& s) {
    for (unsigned char c : s)
        if (c > ' ') return false;
    return true;
}

std::vector<TOutputLine> BuildOutputLines(const char* Buffer, int Size, bool Exited, std::string& Pending) {
    std::vector<TOutputLine> lines;
    size_t n = Size > 0 ? static_cast<size_t>(Size) : 0;
    if (const void* nul = n ? std::memchr(Buffer, 0, n) : nullptr) n = static_cast<const char*>(nul) - Buffer;
    std::string text = Pending + NormalizeLineBreaks(std::string(Buffer, n));
    Pending.clear();
    if (!Exited) {
        size_t last = text.rfind("\r\n");
        if (last == std::string::npos) {
            Pending = std::move(text);
            return lines;
        }
        Pending = text.substr(last + 2);
        text.resize(last + 2);
    }
    std::string predecessor;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!Blank(line)) lines.push_back({line, predecessor});
        predecessor = std::move(line);
        start = end + 2;
    }
    return lines;
}
