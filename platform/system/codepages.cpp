#include "platform/system/codepages.h"

#include "platform/rtl/userlocale.h"
#include "platform/system/sysdefs.h"
#include "platform/system/unicode_conv.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

bool IsUtf8Page(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == CP_THREAD_ACP || cp == CP_UTF8; }

std::string IconvName(UINT cp) { return cp == CP_UTF7 ? "UTF-7" : "CP" + std::to_string(cp); }

iconv_t Open(const std::string& to, const std::string& from) { return iconv_open(to.c_str(), from.c_str()); }

const iconv_t kBad = reinterpret_cast<iconv_t>(-1);

// Bytes of a code page to UTF-16; false when the code page is unknown.
bool DecodePage(UINT cp, const std::string& in, std::u16string& out) {
    iconv_t cd = Open("UTF-16LE", IconvName(cp));
    if (cd == kBad)
        return false;
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    std::string buf;
    char tmp[4096];
    while (left > 0) {
        char* dst = tmp;
        size_t room = sizeof tmp;
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        buf.append(tmp, dst);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte that does not decode (or a sequence cut off at the end).
            buf.append("\xFD\xFF", 2);
            ++src;
            --left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    out.assign(reinterpret_cast<const char16_t*>(buf.data()), buf.size() / 2);
    return true;
}

bool EncodePage(UINT cp, const std::u16string& in, const std::string& defaultChar, std::string& out, bool& usedDefault) {
    iconv_t cd = Open(IconvName(cp), "UTF-16LE");
    if (cd == kBad)
        return false;
    char* src = reinterpret_cast<char*>(const_cast<char16_t*>(in.data()));
    size_t left = in.size() * 2;
    char tmp[4096];
    for (;;) {
        char* dst = tmp;
        size_t room = sizeof tmp;
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(tmp, dst);
        if (r != static_cast<size_t>(-1)) {
            if (left == 0)
                break;
            continue;
        }
        if (errno == E2BIG)
            continue;
        // A character the page lacks: one default character for it (a pair counts once).
        const char16_t c = *reinterpret_cast<const char16_t*>(src);
        const size_t skip = (c >= 0xD800 && c < 0xDC00 && left >= 4) ? 4 : 2;
        src += skip;
        left -= skip;
        out += defaultChar;
        usedDefault = true;
        if (left == 0)
            break;
    }
    // Close a pending shift state (a UTF-7 run).
    char* dst = tmp;
    size_t room = sizeof tmp;
    iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(tmp, dst);
    iconv_close(cd);
    return true;
}

}  // namespace

UINT GetACP() { return CP_UTF8; }

int MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
    if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 || cbMultiByte < -1 ||
        (cchWideChar > 0 && !lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t len = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const std::string in(lpMultiByteStr, len);
    std::u16string out;
    if (IsUtf8Page(CodePage)) {
        out = sysconv::Utf8ToUtf16(in);
    } else if (!DecodePage(CodePage, in, out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cchWideChar == 0)
        return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cchWideChar)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpWideCharStr, out.data(), out.size() * sizeof(char16_t));
    return static_cast<int>(out.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) {
    if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 || cchWideChar < -1 ||
        (cbMultiByte > 0 && !lpMultiByteStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = 0;
    if (cchWideChar == -1) {
        while (lpWideCharStr[len])
            ++len;
        ++len;
    } else {
        len = static_cast<size_t>(cchWideChar);
    }
    const std::u16string in(lpWideCharStr, len);
    std::string out;
    bool usedDefault = false;
    if (IsUtf8Page(CodePage)) {
        out = sysconv::Utf16ToUtf8(in);
    } else if (!EncodePage(CodePage, in, lpDefaultChar ? std::string(lpDefaultChar, 1) : std::string("?"), out,
                           usedDefault)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (cbMultiByte == 0)
        return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cbMultiByte)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpMultiByteStr, out.data(), out.size());
    return static_cast<int>(out.size());
}

int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData) {
    std::string Value;
    switch (LCType & 0xFFFFu) {
        case LOCALE_IDEFAULTANSICODEPAGE: Value = "65001"; break;
        case LOCALE_SISO639LANGNAME:
        case LOCALE_SISO3166CTRYNAME: {
            if (Locale != 0 && Locale != LOCALE_USER_DEFAULT && Locale != LOCALE_SYSTEM_DEFAULT) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            const TUserLocale L = ReadUserLocale();
            if ((LCType & 0xFFFFu) == LOCALE_SISO639LANGNAME) Value = L.Language.empty() ? "en" : L.Language;
            else Value = L.Language.empty() ? "US" : L.Territory;
            break;
        }
        default: SetLastError(ERROR_INVALID_FLAGS); return 0;
    }
    const int need = static_cast<int>(Value.size() + 1);
    if (cchData == 0)
        return need;
    if (cchData < need || !lpLCData) {
        SetLastError(cchData < 0 || !lpLCData ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpLCData, Value.c_str(), Value.size() + 1);
    return need;
}
