#include "imaging/processing/pixelrow.h"

#include <cstring>

#include "imaging/processing/pixelutils.h"
#include "imaging/processing/quantizer.h"

int32_t ConvertPixelRow(const void* source, void* dest, int32_t sourceBits, TIEQuantizer* quantizer,
                        const TRGB* palette, uint16_t count, int32_t destBits) {
    const auto* s = static_cast<const uint8_t*>(source);
    auto* d = static_cast<uint8_t*>(dest);
    const int32_t n = count;
    auto index = [&](const uint8_t* p, int32_t limit) {
        if (!quantizer) return 0;
        return IClamp(quantizer->GetColorIndex(TRGB{p[0], p[1], p[2]}), 0, limit);
    };
    auto nibble = [&](int32_t i) { return (i & 1) ? (s[i >> 1] & 15) : (s[i >> 1] >> 4); };
    auto bit = [&](int32_t i) { return (s[i >> 3] >> (7 - (i & 7))) & 1; };
    auto put = [&](uint8_t* out, TRGB c) {
        out[0] = c.b;
        out[1] = c.g;
        out[2] = c.r;
    };
    switch (sourceBits * 100 + destBits) {
        case 2424:
            std::memcpy(d, s, static_cast<size_t>(n) * 3);
            return 3 * n;
        case 2408:
            for (int32_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(index(s + 3 * i, 255));
            return n;
        case 2404:
            for (int32_t i = 0; i < n; ++i)
                d[i >> 1] |= static_cast<uint8_t>((i & 1) ? index(s + 3 * i, 15) : index(s + 3 * i, 15) << 4);
            return (n + 1) / 2;
        case 3224:
            for (int32_t i = 0; i < n; ++i) std::memcpy(d + 3 * i, s + 4 * i, 3);
            return 3 * n;
        case 808:
            std::memcpy(d, s, static_cast<size_t>(n));
            return n;
        case 824:
            for (int32_t i = 0; i < n; ++i) put(d + 3 * i, palette[s[i]]);
            return 3 * n;
        case 801:
            std::memset(d, 0, static_cast<size_t>((n + 7) / 8));
            for (int32_t i = 0; i < n; ++i)
                if (s[i]) d[i >> 3] |= IEBitMask[i & 7];
            return (n + 7) / 8;
        case 101:
            std::memcpy(d, s, static_cast<size_t>((n + 7) / 8));
            return (n + 7) / 8;
        case 104:
            for (int32_t i = 0; i < n; ++i) d[i >> 1] |= static_cast<uint8_t>((i & 1) ? bit(i) : bit(i) << 4);
            return (n + 1) / 2;
        case 108:
            for (int32_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(bit(i));
            return n;
        case 124:
            for (int32_t i = 0; i < n; ++i) put(d + 3 * i, palette[bit(i)]);
            return 3 * n;
        case 404:
            std::memcpy(d, s, static_cast<size_t>((n + 1) / 2));
            return (n + 1) / 2;
        case 408:
            for (int32_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(nibble(i));
            return n;
        case 424:
            for (int32_t i = 0; i < n; ++i) put(d + 3 * i, palette[nibble(i)]);
            return 3 * n;
        default:
            return 0;
    }
}
