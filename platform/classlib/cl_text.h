// UTF-8 to UTF-16 for the string messages of the library's Unicode windows
// (internal to the class library).
#pragma once

#include <cstdint>
#include <string>

namespace cltext {

inline std::u16string ToUtf16(const std::string& S) {
    std::u16string Out;
    for (size_t I = 0; I < S.size();) {
        unsigned char C = static_cast<unsigned char>(S[I]);
        uint32_t Cp = 0xFFFD;
        size_t N = 1;
        if (C < 0x80) {
            Cp = C;
        } else if ((C & 0xE0) == 0xC0 && I + 1 < S.size()) {
            Cp = ((C & 0x1F) << 6) | (S[I + 1] & 0x3F);
            N = 2;
        } else if ((C & 0xF0) == 0xE0 && I + 2 < S.size()) {
            Cp = ((C & 0x0F) << 12) | ((S[I + 1] & 0x3F) << 6) | (S[I + 2] & 0x3F);
            N = 3;
        } else if ((C & 0xF8) == 0xF0 && I + 3 < S.size()) {
            Cp = ((C & 0x07) << 18) | ((S[I + 1] & 0x3F) << 12) | ((S[I + 2] & 0x3F) << 6) | (S[I + 3] & 0x3F);
            N = 4;
        }
        I += N;
        if (Cp >= 0x10000) {
            Cp -= 0x10000;
            Out += static_cast<char16_t>(0xD800 + (Cp >> 10));
            Out += static_cast<char16_t>(0xDC00 + (Cp & 0x3FF));
        } else {
            Out += static_cast<char16_t>(Cp);
        }
    }
    return Out;
}

}  // namespace cltext
