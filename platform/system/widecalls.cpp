#include "platform/system/widecalls.h"

#include "platform/system/module.h"
#include "platform/system/unicode_conv.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>

namespace {

std::u16string FromW(LPCWSTR s) {
    std::u16string out;
    if (s)
        for (; *s; ++s)
            out += *s;
    return out;
}

std::u16string BuildCommandLine() {
    std::ifstream f("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::u16string line;
    std::size_t p = 0;
    while (p < raw.size()) {
        std::size_t q = raw.find('\0', p);
        if (q == std::string::npos)
            q = raw.size();
        const std::u16string arg = sysconv::Utf8ToUtf16(raw.substr(p, q - p));
        if (!line.empty())
            line += u' ';
        bool quote = arg.empty();
        for (char16_t c : arg)
            if (c <= 32)
                quote = true;
        line += quote ? u"\"" + arg + u"\"" : arg;
        p = q + 1;
    }
    return line;
}

}  // namespace

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
    const std::string path = sysconv::Utf16ToUtf8(FromW(lpFileName));
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                                              : ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= FILE_ATTRIBUTE_DIRECTORY;
    if (::access(path.c_str(), W_OK) != 0)
        attr |= FILE_ATTRIBUTE_READONLY;
    const auto slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attr |= FILE_ATTRIBUTE_HIDDEN;
    return attr ? attr : FILE_ATTRIBUTE_NORMAL;
}

LPCWSTR GetCommandLineW() {
    static std::u16string line;
    static std::once_flag once;
    std::call_once(once, [] { line = BuildCommandLine(); });
    return line.c_str();
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    const std::string p = GetModuleFileNameStr(hModule);
    if (p.empty()) {
        SetLastError(hModule ? ERROR_MOD_NOT_FOUND : ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::u16string w = sysconv::Utf8ToUtf16(p);
    if (w.size() >= nSize) {
        std::memcpy(lpFilename, w.data(), nSize * sizeof(char16_t));
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, w.c_str(), (w.size() + 1) * sizeof(char16_t));
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(w.size());
}

BOOL GetStringTypeExW(DWORD, DWORD dwInfoType, LPCWSTR lpSrcStr, int cchSrc, WORD* lpCharType) {
    if (dwInfoType != CT_CTYPE1 || !lpSrcStr || !lpCharType || cchSrc == 0 || cchSrc < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::size_t n = 0;
    if (cchSrc == -1) {
        while (lpSrcStr[n])
            ++n;
        ++n;
    } else {
        n = static_cast<std::size_t>(cchSrc);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const wint_t c = lpSrcStr[i];
        WORD t = 0;
        if (c >= 0xD800 && c < 0xE000) {
            lpCharType[i] = C1_DEFINED;
            continue;
        }
        if (std::iswupper(c)) t |= C1_UPPER;
        if (std::iswlower(c)) t |= C1_LOWER;
        if (std::iswdigit(c)) t |= C1_DIGIT;
        if (std::iswspace(c)) t |= C1_SPACE;
        if (std::iswpunct(c)) t |= C1_PUNCT;
        if (std::iswcntrl(c)) t |= C1_CNTRL;
        if (std::iswblank(c)) t |= C1_BLANK;
        if (std::iswxdigit(c)) t |= C1_XDIGIT;
        if (std::iswalpha(c)) t |= C1_ALPHA;
        if (t || std::iswprint(c)) t |= C1_DEFINED;
        lpCharType[i] = t;
    }
    return TRUE;
}

DWORD CharUpperBuffW(LPWSTR lpsz, DWORD cchLength) {
    if (!lpsz)
        return 0;
    for (DWORD i = 0; i < cchLength; ++i) {
        const wint_t c = lpsz[i];
        if (c >= 0xD800 && c < 0xE000)
            continue;
        const wint_t u = std::towupper(c);
        if (u < 0x10000)
            lpsz[i] = static_cast<char16_t>(u);
    }
    return cchLength;
}

LPWSTR CharUpperW(LPWSTR lpsz) {
    const auto v = reinterpret_cast<uintptr_t>(lpsz);
    if ((v >> 16) == 0) {
        char16_t c = static_cast<char16_t>(v);
        CharUpperBuffW(&c, 1);
        return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(c));
    }
    DWORD n = 0;
    while (lpsz[n])
        ++n;
    CharUpperBuffW(lpsz, n);
    return lpsz;
}

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
    if (!lpLibFileName)
        return LoadLibraryA(nullptr);
    return LoadLibraryA(sysconv::Utf16ToUtf8(FromW(lpLibFileName)).c_str());
}
