// Tiny fixtures for the processing tests: bitmaps built from pixel lists and
// pixel lists read back.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/pixelutils.h"

namespace testimg {

inline std::unique_ptr<TIEBitmap> RGB24(int w, int h, const std::vector<TRGB>& px) {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(w, h, ieRGB24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->SetPixelRGB24(x, y, px[static_cast<size_t>(y * w + x)]);
    return b;
}

inline std::unique_ptr<TIEBitmap> Grey(int w, int h, const std::vector<int>& px, TIEPixelFormat pf = ie8g) {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(w, h, pf);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->SetPixel8(x, y, static_cast<uint8_t>(px[static_cast<size_t>(y * w + x)]));
    return b;
}

// Rows of '#' (set, white) and '.' (clear, black); padding bits cleared.
inline std::unique_ptr<TIEBitmap> BW(const std::vector<std::string>& rows) {
    auto b = std::make_unique<TIEBitmap>();
    const int w = static_cast<int>(rows[0].size()), h = static_cast<int>(rows.size());
    b->Allocate(w, h, ie1g);
    for (int y = 0; y < h; ++y) {
        std::memset(b->Scanline(y), 0, static_cast<size_t>(b->RowLen()));
        for (int x = 0; x < w; ++x) SetBit(b->Scanline(y), static_cast<uint32_t>(x), rows[static_cast<size_t>(y)][static_cast<size_t>(x)] == '#');
    }
    return b;
}

inline std::vector<std::string> BWRows(TIEBitmap* b) {
    std::vector<std::string> out;
    for (int y = 0; y < b->Height(); ++y) {
        std::string s;
        for (int x = 0; x < b->Width(); ++x) s += GetBit(b->Scanline(y), static_cast<uint32_t>(x)) ? '#' : '.';
        out.push_back(s);
    }
    return out;
}

inline std::vector<TRGB> Pixels(TIEBitmap* b) {
    std::vector<TRGB> out;
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) out.push_back(b->GetPixelRGB24(x, y));
    return out;
}

inline std::vector<int> Bytes(TIEBitmap* b) {
    std::vector<int> out;
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) out.push_back(b->GetPixel8(x, y));
    return out;
}

inline TRGB G(int v) { return MakeRGB(static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v)); }

}  // namespace testimg

inline void PrintTo(const TRGB& c, std::ostream* os) { *os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")"; }
