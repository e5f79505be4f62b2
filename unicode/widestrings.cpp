#include "unicode/widestrings.h"

#include <cstring>
#include <cwctype>

#include "platform/system/codepages.h"
#include "platform/system/shell.h"
#include "platform/system/sysdefs.h"
#include "platform/system/widecalls.h"
#include "platform/win/winuser.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>


const char* const SInvalidUtf7 = "Invalid UTF7";
const char* const SBufferOverflow = "Buffer overflow";

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Utf7Tables {
    std::int16_t inverse[128];
    bool mustShiftSafe[128];
    bool mustShiftOptional[128];
    Utf7Tables() {
        for (int i = 0; i < 128; ++i) {
            inverse[i] = -1;
            mustShiftSafe[i] = mustShiftOptional[i] = true;
        }
        for (int i = 0; i < 64; ++i)
            inverse[static_cast<unsigned char>(kBase64[i])] = static_cast<std::int16_t>(i);
        const char* direct = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:? \t\r\n";
        for (const char* p = direct; *p; ++p)
            mustShiftSafe[static_cast<unsigned char>(*p)] = mustShiftOptional[static_cast<unsigned char>(*p)] = false;
        const char* optional = "!\"#$%&*;<=>@[]^_`{|}";
        for (const char* p = optional; *p; ++p)
            mustShiftOptional[static_cast<unsigned char>(*p)] = false;
    }
};

// Built once, thread-safely, on first use.
const Utf7Tables& tables() {
    static const Utf7Tables t;
    return t;
}

bool isBase64(unsigned c) { return c < 128 && tables().inverse[c] >= 0; }

} // namespace

std::string WideToUtf7(const WideString& s) {
    const Utf7Tables& t = tables();
    std::string out;
    bool shifted = false;
    std::uint32_t bits = 0; // filled from the top
    int count = 0;
    std::size_t i = 0;
    for (;;) {
        const bool atEnd = i == s.size();
        const unsigned c = atEnd ? 0 : s[i++];
        const bool needShift = !atEnd && (c > 127 || t.mustShiftOptional[c]);
        if (needShift && !shifted) {
            out += '+';
            if (c == '+')
                out += '-';
            else
                shifted = true;
        }
        if (shifted) {
            if (needShift) {
                bits |= static_cast<std::uint32_t>(c) << (16 - count);
                count += 16;
            } else {
                count += (6 - count % 6) % 6;
            }
            while (count >= 6) {
                out += kBase64[bits >> 26];
                bits <<= 6;
                count -= 6;
            }
            if (!needShift) {
                if (!atEnd && (isBase64(c) || c == '-'))
                    out += '-';
                shifted = false;
                bits = 0;
                count = 0;
            }
        }
        if (!needShift && !atEnd)
            out += static_cast<char>(c);
        if (atEnd)
            break;
    }
    return out;
}

WideString Utf7ToWide(const std::string& s) {
    const Utf7Tables& t = tables();
    WideString out;
    bool shifted = false, first = false, wroteOne = false;
    std::uint32_t bits = 0;
    int count = 0;
    std::size_t i = 0;
    for (;;) {
        bool atEnd = i == s.size();
        unsigned c = atEnd ? 0 : static_cast<unsigned char>(s[i++]);
        if (shifted) {
            bool ended = false;
            if (atEnd || c > 127 || t.inverse[c] < 0) {
                shifted = false;
                ended = true;
                if (!atEnd && c == '-') {
                    atEnd = i == s.size();
                    c = atEnd ? 0 : static_cast<unsigned char>(s[i++]);
                    if (first)
                        out += u'+';
                    else if (!wroteOne)
                        throw EUniGeneralError(SInvalidUtf7);
                } else if (!wroteOne) {
                    throw EUniGeneralError(SInvalidUtf7);
                }
            } else {
                bits |= static_cast<std::uint32_t>(t.inverse[c]) << (26 - count);
                count += 6;
                first = false;
            }
            while (count >= 16) {
                out += static_cast<WideChar>(bits >> 16);
                bits <<= 16;
                count -= 16;
                wroteOne = true;
            }
            if (ended) {
                if (bits != 0)
                    throw EUniGeneralError(SInvalidUtf7);
                count = 0;
            }
        }
        if (!shifted && !atEnd) {
            if (c == '+') {
                shifted = true;
                first = true;
                wroteOne = false;
                bits = 0;
                count = 0;
            } else {
                if (c > 127)
                    throw EUniGeneralError(SInvalidUtf7);
                out += static_cast<WideChar>(c);
            }
        }
        if (atEnd)
            break;
    }
    return out;
}

std::string WideToUtf8(const WideString& s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size(); ++i) {
        std::uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            // A lone surrogate keeps its three-byte form so that no unit is lost.
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

WideString Utf8ToWide(const std::string& s) {
    WideString out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    auto cont = [&](std::size_t k) { return k < n && (p[k] & 0xC0) == 0x80; };
    while (i < n) {
        const unsigned b = p[i];
        if (b < 0x80) {
            out += static_cast<WideChar>(b);
            ++i;
            continue;
        }
        int len = 0;
        std::uint32_t c = 0, min = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
            c = b & 0x1F;
            min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            c = b & 0x0F;
            min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            c = b & 0x07;
            min = 0x10000;
        }
        int got = len ? 1 : 0;
        while (got > 0 && got < len && cont(i + got)) {
            c = (c << 6) | (p[i + got] & 0x3F);
            ++got;
        }
        if (len == 0 || got < len || c < min || c > 0x10FFFF) {
            // Malformed: one replacement character for the lead and the
            // continuation bytes that followed it, then go on.
            out += u'\uFFFD';
            i += got > 0 ? got : 1;
            continue;
        }
        i += len;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<WideChar>(0xD800 + (c >> 10));
            out += static_cast<WideChar>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<WideChar>(c);
        }
    }
    return out;
}

WideChar* WideStrEnd(const WideChar* s) {
    while (*s)
        ++s;
    return const_cast<WideChar*>(s);
}

std::size_t WideStrLen(const WideChar* s) { return static_cast<std::size_t>(WideStrEnd(s) - s); }

WideChar* WideStrLCopy(WideChar* dest, const WideChar* src, std::size_t n) {
    std::size_t k = 0;
    while (k < n && src[k]) {
        dest[k] = src[k];
        ++k;
    }
    dest[k] = 0;
    return dest;
}

WideChar* WideStrScan(const WideChar* s, WideChar c) {
    for (;; ++s) {
        if (*s == c)
            return const_cast<WideChar*>(s);
        if (!*s)
            return nullptr;
    }
}

WideChar* WideStrMove(WideChar* dest, const WideChar* src, std::size_t n) {
    std::memmove(dest, src, n * sizeof(WideChar));
    return dest;
}

WideChar* WideStrAlloc(std::size_t n) {
    const std::size_t size = sizeof(std::uint32_t) + n * sizeof(WideChar);
    auto* block = new char[size];
    const auto word = static_cast<std::uint32_t>(size);
    std::memcpy(block, &word, sizeof word);
    return reinterpret_cast<WideChar*>(block + sizeof word);
}

std::uint32_t WideStrBufSize(const WideChar* s) {
    std::uint32_t word;
    std::memcpy(&word, reinterpret_cast<const char*>(s) - sizeof word, sizeof word);
    return word;
}

void WideStrDispose(WideChar* s) {
    if (s)
        delete[] (reinterpret_cast<char*>(s) - sizeof(std::uint32_t));
}

WideChar* WideStrNew(const WideChar* s) {
    if (!s)
        return nullptr;
    const std::size_t len = WideStrLen(s) + 1;
    return WideStrMove(WideStrAlloc(len), s, len);
}

WideString WideUpperCase(const WideString& s) {
    WideString out(s);
    for (auto& c : out)
        if (c < 0xD800 || c >= 0xE000) {
            const auto u = std::towupper(static_cast<wint_t>(c));
            if (u < 0x10000)
                c = static_cast<WideChar>(u);
        }
    return out;
}

WideChar WideLastChar(const WideString& s) { return s.empty() ? 0 : s.back(); }

bool WideIsPathDelimiter(const WideString& s, int i) {
    return i >= 1 && static_cast<std::size_t>(i) <= s.size() && s[i - 1] == u'/';
}

WideString WideIncludeTrailingBackslash(const WideString& s) {
    return WideLastChar(s) == u'/' ? s : s + u'/';
}

int WideLastDelimiter(const WideString& delimiters, const WideString& s) {
    for (std::size_t i = s.size(); i > 0; --i)
        if (s[i - 1] != 0 && delimiters.find(s[i - 1]) != WideString::npos)
            return static_cast<int>(i);
    return 0;
}

WideString WideExtractFilePath(const WideString& s) { return s.substr(0, WideLastDelimiter(u"/", s)); }

WideString WideExtractFileName(const WideString& s) { return s.substr(WideLastDelimiter(u"/", s)); }

WideString WideExtractFileDrive(const WideString&) { return {}; }

bool IsWideCharSpace(WideChar c) { return GetWideCharType(c, CT_CTYPE1) & C1_SPACE; }

bool IsWideCharPunct(WideChar c) { return GetWideCharType(c, CT_CTYPE1) & C1_PUNCT; }

bool IsWideWordDelimiter(WideChar c) { return c == 0 || IsWideCharSpace(c) || IsWideCharPunct(c); }

WideString ReplaceWideText(const WideString& s, const WideString& oldPattern, const WideString& newPattern,
                           unsigned flags, bool wholeWord) {
    if (oldPattern.empty())
        return s;
    const bool ignoreCase = flags & rfIgnoreCase;
    const WideString search = ignoreCase ? WideUpperCase(s) : s;
    const WideString pattern = ignoreCase ? WideUpperCase(oldPattern) : oldPattern;
    WideString result;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t m = search.find(pattern, pos);
        if (m == WideString::npos)
            break;
        const std::size_t end = m + pattern.size();
        if (wholeWord) {
            const WideChar before = m == pos ? WideLastChar(result) : s[m - 1];
            const WideChar after = end < s.size() ? s[end] : 0;
            if (!IsWideWordDelimiter(before) || !IsWideWordDelimiter(after)) {
                result.append(s, pos, end - pos);
                pos = end;
                continue;
            }
        }
        result.append(s, pos, m - pos);
        result += newPattern;
        pos = end;
        if (!(flags & rfReplaceAll))
            break;
    }
    result.append(s, pos, WideString::npos);
    return result;
}

WideString WideParamStrOf(const WideString& cmd, int n) {
    std::size_t pos = 0;
    const std::size_t len = cmd.size();
    for (int k = 0;; ++k) {
        for (;;) {
            if (pos < len && cmd[pos] >= 1 && cmd[pos] <= 32)
                ++pos;
            else if (pos + 1 < len && cmd[pos] == u'"' && cmd[pos + 1] == u'"')
                pos += 2;
            else
                break;
        }
        WideString param;
        while (pos < len && cmd[pos] > 32) {
            if (cmd[pos] == u'"') {
                ++pos;
                while (pos < len && cmd[pos] != u'"')
                    param += cmd[pos++];
                if (pos < len)
                    ++pos;
            } else {
                param += cmd[pos++];
            }
        }
        if (k == n || param.empty())
            return k == n ? param : WideString();
    }
}


namespace {

std::uint32_t NextCodePoint(const WideString& s, std::size_t& i) {
    std::uint32_t c = s[i++];
    if (c >= 0xD800 && c < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    return c;
}

int CompareCodePoints(const WideString& a, const WideString& b, bool fold) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::uint32_t x = NextCodePoint(a, i), y = NextCodePoint(b, j);
        if (fold) {
            x = static_cast<std::uint32_t>(std::towupper(static_cast<wint_t>(x)));
            y = static_cast<std::uint32_t>(std::towupper(static_cast<wint_t>(y)));
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace

int WideCompareStr(const WideString& a, const WideString& b) { return CompareCodePoints(a, b, /*fold=*/false); }

int WideCompareText(const WideString& a, const WideString& b) { return CompareCodePoints(a, b, /*fold=*/true); }

int WideFileCreate(const WideString& name) {
    return ::open(WideToUtf8(name).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int WideFileOpen(const WideString& name, unsigned mode) {
    static const int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR};
    const unsigned access = mode & 3u, sharing = (mode >> 4) & 15u;
    if (access > 2 || sharing > 4)
        return kInvalidWideHandle;
    return ::open(WideToUtf8(name).c_str(), kAccess[access] | O_CLOEXEC);
}

void SwapWideCharBytes(WideChar* s) {
    for (; *s; ++s)
        *s = static_cast<WideChar>((*s >> 8) | (*s << 8));
}

// ---- Process values and code pages --------------------------------------------

bool IsUnicodePlatform = true;
bool IsXPPlatform = true;
std::uint32_t DefaultCodePage = CP_THREAD_ACP;

void InitWideStrings() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return;
    const bool nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    IsUnicodePlatform = nt;
    IsXPPlatform = info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1);
    DefaultCodePage = nt && info.dwMajorVersion >= 5 ? CP_THREAD_ACP : CodePageOfLocale(LOCALE_USER_DEFAULT);
}

std::string WideToAnsiCodePage(const WideString& s, std::uint32_t codePage) {
    if (codePage == CP_UTF7)
        return WideToUtf7(s);
    if (codePage == CP_UTF8)
        return WideToUtf8(s);
    if (s.empty())
        return {};
    const int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), /*lpMultiByteStr=*/nullptr, 0,
                                      /*lpDefaultChar=*/nullptr, /*lpUsedDefaultChar=*/nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n, /*lpDefaultChar=*/nullptr,
                            /*lpUsedDefaultChar=*/nullptr);
    return out;
}

WideString AnsiToWideCodePage(const std::string& s, std::uint32_t codePage) {
    if (codePage == CP_UTF7)
        return Utf7ToWide(s);
    if (codePage == CP_UTF8)
        return Utf8ToWide(s);
    if (s.empty())
        return {};
    const int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), /*lpWideCharStr=*/nullptr, 0);
    WideString out(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::uint32_t CodePageOfLocale(std::uint32_t locale) {
    char buf[6] = {};
    if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, buf, 6) > 0) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(buf, &end, 10);
        if (end != buf && *end == '\0')
            return static_cast<std::uint32_t>(v);
    }
    return GetACP();
}

std::uint32_t KeyboardCodePage() {
    return CodePageOfLocale(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0)) & 0xFFFF));
}

WideChar CharCodeToWideChar(std::uint16_t code) {
    if (code >= 256)
        return code;
    const std::uint32_t cp = KeyboardCodePage();
    // A lone byte above 127 is no character in UTF-8: such a code is the character itself.
    if (code >= 128 && (cp == CP_UTF8 || cp == CP_ACP || cp == CP_THREAD_ACP))
        return code;
    const char byte = static_cast<char>(code);
    WideChar w = code;
    MultiByteToWideChar(cp, MB_USEGLYPHCHARS, &byte, 1, &w, 1);
    return w;
}

bool WideCharFitsCodePage(WideChar c) {
    char buf[8];
    BOOL usedDefault = FALSE;
    const int n =
        WideCharToMultiByte(DefaultCodePage, 0, &c, 1, buf, sizeof buf, /*lpDefaultChar=*/nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

// ---- System services ---------------------------------------------------------

WideString LoadResStringWide(const TResStringRec* rec) {
    // The program has no string tables: identifiers below 65536 name nothing.
    if (!rec || rec->Identifier < 65536)
        return {};
    const std::string text(reinterpret_cast<const char*>(rec->Identifier));
    if (text.size() > 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return Utf8ToWide(text.substr(3));
    return AnsiToWideCodePage(text, CP_ACP);
}

void RaiseLastWideError() {
    const DWORD code = GetLastError();
    char buf[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, /*lpSource=*/nullptr, code, 0, buf, sizeof buf, /*Arguments=*/nullptr);
    std::string text(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    throw EOSError("System Error.  Code: " + std::to_string(code) + ".\n" + text, static_cast<int>(code));
}

std::uint32_t RaiseLastErrorIfZero(std::uint32_t value) {
    if (value == 0)
        RaiseLastWideError();
    return value;
}

void* RaiseLastErrorIfNil(void* p) {
    if (!p)
        RaiseLastWideError();
    return p;
}

WideString WideModuleFileName(void* module) {
    // Longer than the old 260 units: paths here may be up to 4096 bytes.
    WideChar buf[4097];
    const DWORD n = RaiseLastErrorIfZero(GetModuleFileNameW(static_cast<HMODULE>(module), buf, 4097));
    return WideString(buf, n);
}

WideString WideParamStr(int n) {
    if (n == 0)
        return WideModuleFileName(nullptr);
    return WideParamStrOf(GetCommandLineW(), n);
}

WideChar* WideStrPLCopy(WideChar* dest, const std::string& source, std::size_t n) {
    const WideString w = AnsiToWideCodePage(source, CP_ACP);
    return WideStrLCopy(dest, w.c_str(), n);
}

WideChar* WideStrPCopy(WideChar* dest, const std::string& source) { return WideStrPLCopy(dest, source, 2147483647); }

std::uint32_t WideFileGetAttr(const WideString& name) { return GetFileAttributesW(name.c_str()); }

bool WideDirExists(const WideString& name) {
    const std::uint32_t a = WideFileGetAttr(name);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::uint16_t GetWideCharType(WideChar c, std::uint32_t infoType) {
    WORD t = 0;
    if (!GetStringTypeExW(LOCALE_USER_DEFAULT, infoType, &c, 1, &t))
        RaiseLastWideError();
    return t;
}
