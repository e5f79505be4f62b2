// glibc's iconv as the reference converter for the unicode tests.
#pragma once

#include "unicode/widestrings.h"

#include <iconv.h>

#include <stdexcept>
#include <string>

// glibc's own converter, the reference the encoders must agree with.
inline std::string Iconv(const char* to, const char* from, const std::string& in, bool* ok = nullptr) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv_open");
    std::string out(in.size() * 8 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    size_t r2 = 0;
    if (r != static_cast<size_t>(-1))
        r2 = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    iconv_close(cd);
    if (ok)
        *ok = r != static_cast<size_t>(-1) && r2 != static_cast<size_t>(-1);
    out.resize(out.size() - dstLeft);
    return out;
}

inline std::string ToUtf16Bytes(const WideString& w) {
    return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2);
}
inline WideString FromUtf16Bytes(const std::string& b) {
    return WideString(reinterpret_cast<const char16_t*>(b.data()), b.size() / 2);
}

