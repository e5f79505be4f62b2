// Text: fonts through fontconfig and FreeType, the face table, metrics,
// extents and glyph drawing.
#include "platform/gdi/gdi_private.h"

namespace gdi {

std::u16string Utf8ToUtf16(const char* Text, int Count) {
    std::u16string Out;
    if (!Text) return Out;
    size_t N = Count < 0 ? std::char_traits<char>::length(Text) : static_cast<size_t>(Count);
    const auto* S = reinterpret_cast<const unsigned char*>(Text);
    for (size_t I = 0; I < N;) {
        uint32_t C = S[I];
        int More = 0;
        if (C < 0x80) {
        } else if ((C & 0xE0) == 0xC0) {
            C &= 0x1F;
            More = 1;
        } else if ((C & 0xF0) == 0xE0) {
            C &= 0x0F;
            More = 2;
        } else if ((C & 0xF8) == 0xF0) {
            C &= 0x07;
            More = 3;
        } else {
            C = 0xFFFD;
        }
        ++I;
        for (int K = 0; K < More; ++K, ++I) {
            if (I >= N || (S[I] & 0xC0) != 0x80) {
                C = 0xFFFD;
                break;
            }
            C = (C << 6) | (S[I] & 0x3F);
        }
        if (C >= 0x10000 && C <= 0x10FFFF) {
            C -= 0x10000;
            Out.push_back(static_cast<char16_t>(0xD800 + (C >> 10)));
            Out.push_back(static_cast<char16_t>(0xDC00 + (C & 0x3FF)));
        } else {
            Out.push_back(static_cast<char16_t>(C > 0x10FFFF ? 0xFFFD : C));
        }
    }
    return Out;
}

std::string Utf16ToUtf8(const char16_t* Text, int Count) {
    std::string Out;
    if (!Text) return Out;
    size_t N = 0;
    if (Count < 0)
        while (Text[N]) ++N;
    else
        N = static_cast<size_t>(Count);
    for (size_t I = 0; I < N; ++I) {
        uint32_t C = Text[I];
        if (C >= 0xD800 && C < 0xDC00 && I + 1 < N && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) {
            C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00);
            ++I;
        }
        if (C < 0x80) {
            Out.push_back(static_cast<char>(C));
        } else if (C < 0x800) {
            Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        } else if (C < 0x10000) {
            Out.push_back(static_cast<char>(0xE0 | (C >> 12)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        } else {
            Out.push_back(static_cast<char>(0xF0 | (C >> 18)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 12) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        }
    }
    return Out;
}

}  // namespace gdi
