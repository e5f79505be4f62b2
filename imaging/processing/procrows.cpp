#include "imaging/processing/procrows.h"

#include <cstring>

namespace improc {

RowReader::RowReader(TIEBitmap* bitmap) : bmp(bitmap), pf(bitmap->PixelFormat()), width(bitmap->Width()) {
    std::memset(palette, 0, sizeof palette);
    if (pf == ie8p) {
        const int32_t n = bitmap->GetPaletteLength() < 256 ? bitmap->GetPaletteLength() : 256;
        for (int32_t i = 0; i < n; ++i) palette[i] = bitmap->GetPalette(i);
    }
}

void RowReader::Read(int32_t y, TRGB* out) {
    switch (pf) {
        case ie1g: {
            const uint8_t* row = bmp->Scanline(y);
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t v = (row[x >> 3] & (128 >> (x & 7))) ? 255 : 0;
                out[x] = TRGB{v, v, v};
            }
            break;
        }
        case ie8p: {
            const uint8_t* row = bmp->Scanline(y);
            for (int32_t x = 0; x < width; ++x) out[x] = palette[row[x]];
            break;
        }
        case ie8g: {
            const uint8_t* row = bmp->Scanline(y);
            for (int32_t x = 0; x < width; ++x) out[x] = TRGB{row[x], row[x], row[x]};
            break;
        }
        case ie16g: {
            const uint8_t* row = bmp->Scanline(y);
            for (int32_t x = 0; x < width; ++x) {
                uint16_t v;
                std::memcpy(&v, row + 2 * x, 2);
                const auto b = static_cast<uint8_t>(v >> 8);
                out[x] = TRGB{b, b, b};
            }
            break;
        }
        case ieRGB24:
            std::memcpy(out, bmp->GetScanline(y), static_cast<size_t>(width) * 3);
            break;
        case ie32f: {
            const uint8_t* row = bmp->Scanline(y);
            for (int32_t x = 0; x < width; ++x) {
                float v;
                std::memcpy(&v, row + 4 * x, 4);
                double d = static_cast<double>(v) * 255;
                int32_t i = d <= 0 ? 0 : (d >= 255 ? 255 : static_cast<int32_t>(d));
                const auto b = static_cast<uint8_t>(i);
                out[x] = TRGB{b, b, b};
            }
            break;
        }
        case ieRGB48: {
            const uint8_t* row = bmp->Scanline(y);
            for (int32_t x = 0; x < width; ++x) {
                TRGB48 p;
                std::memcpy(&p, row + 6 * x, 6);
                out[x] = TRGB{static_cast<uint8_t>(p.b >> 8), static_cast<uint8_t>(p.g >> 8),
                              static_cast<uint8_t>(p.r >> 8)};
            }
            break;
        }
        case ieCMYK:
        case ieCIELab:
            for (int32_t x = 0; x < width; ++x) out[x] = bmp->GetPixelRGB(x, y);
            break;
        default:
            std::memset(out, 0, static_cast<size_t>(width) * 3);
            break;
    }
}

}  // namespace improc
