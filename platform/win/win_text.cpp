// UTF-8 / UTF-16 conversion and small string helpers of the window layer.
#include <cstring>

#include "platform/win/win_internal.h"

namespace winimpl {

std::u16string Utf8ToUtf16(const char* s, std::size_t n) {
    std::u16string out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool bad = false;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n) {
                bad = true;
                break;
            }
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (bad) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else if (cp > 0x10FFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(const char16_t* s, std::size_t n) {
    std::string out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::size_t WideLen(const char16_t* s) {
    std::size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

std::u16string WideOf(const char* s) { return s ? Utf8ToUtf16(s, std::strlen(s)) : std::u16string(); }
std::u16string WideOfW(const char16_t* s) { return s ? std::u16string(s, WideLen(s)) : std::u16string(); }

static char16_t Fold(char16_t c) { return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c; }

bool SameNameNoCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

int CopyOut(const std::u16string& s, LPWSTR buf, int max) {
    if (!buf || max <= 0) return 0;
    int n = static_cast<int>(std::min<std::size_t>(s.size(), static_cast<std::size_t>(max - 1)));
    std::memcpy(buf, s.data(), n * sizeof(char16_t));
    buf[n] = 0;
    return n;
}

int CopyOutA(const std::string& s, LPSTR buf, int max) {
    if (!buf || max <= 0) return 0;
    std::size_t n = std::min<std::size_t>(s.size(), static_cast<std::size_t>(max - 1));
    // Back off to the start of a UTF-8 sequence so that no character is cut.
    if (n < s.size())
        while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    std::memcpy(buf, s.data(), n);
    buf[n] = 0;
    return static_cast<int>(n);
}

}  // namespace winimpl
