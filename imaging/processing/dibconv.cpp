#include "imaging/processing/dibconv.h"

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procmath.h"
#include "platform/win/winuser.h"

// ---- Movable memory blocks ----------------------------------------------------------
// The windowing layer's blocks, so that a DIB made here can go straight onto
// the clipboard.

HGLOBAL IEGlobalAlloc(size_t size) { return WinGlobalAlloc(size); }
void* IEGlobalLock(HGLOBAL handle) { return handle ? WinGlobalLock(handle) : nullptr; }
bool IEGlobalUnlock(HGLOBAL) { return false; }  // blocks do not move: nothing stays locked
size_t IEGlobalSize(HGLOBAL handle) { return handle ? WinGlobalSize(handle) : 0; }
HGLOBAL IEGlobalFree(HGLOBAL handle) {
    if (IEGlobalSize(handle) == 0) return handle;
    WinGlobalFree(handle);
    return nullptr;
}

// ---- YUV ----------------------------------------------------------------------------

void YUVToRGB(int32_t Y, int32_t U, int32_t V, TRGB& out) {
    const double y = 1.164 * (Y - 16);
    auto ch = [](double v) { return static_cast<uint8_t>(ClampToByte(static_cast<int32_t>(improc::RoundEven(v)))); };
    out.b = ch(y + 2.018 * (U - 128));
    out.g = ch(y - 0.813 * (V - 128) - 0.391 * (U - 128));
    out.r = ch(y + 1.596 * (V - 128));
}

// ---- Reading packed DIBs --------------------------------------------------------------

namespace {

// One colour's bit field of a 16-bit pixel: where it starts and how wide its
// run of bits is, read as 8 bits (narrow fields shifted up, wide ones down).
struct TMaskField {
    uint32_t Mask = 0;
    int32_t Low = 0, Width = 0;
};

TMaskField FieldOf(uint32_t Mask) {
    TMaskField F{Mask, 0, 0};
    if (!Mask) return F;
    while (!(Mask & (1u << F.Low))) ++F.Low;
    F.Width = BitMaskWidth(Mask);
    return F;
}

uint8_t Extract(uint32_t Pixel, const TMaskField& F) {
    if (F.Width == 0) return 0;
    uint32_t V = (Pixel & F.Mask) >> F.Low;
    if (F.Width < 32) V &= (1u << F.Width) - 1;
    return static_cast<uint8_t>(F.Width >= 8 ? V >> (F.Width - 8) : V << (8 - F.Width));
}


constexpr size_t kUnknown = std::numeric_limits<size_t>::max();
constexpr int64_t kMaxPixels = int64_t{1} << 28;

inline bool Fits(size_t avail, size_t offset, size_t need) {
    return avail == kUnknown || (offset <= avail && need <= avail - offset);
}

// Per packed FourCC: pixels and bytes per step, and the decoder of one step.
struct PackedFormat {
    uint32_t code;
    int32_t pixels;
    int32_t bytes;
    bool bottomUp;
};

const PackedFormat kPacked[] = {
    {IEFourCC('Y', 'U', 'Y', '2'), 2, 4, false}, {IEFourCC('Y', 'U', 'N', 'V'), 2, 4, false},
    {IEFourCC('U', 'Y', 'V', 'Y'), 2, 4, false}, {IEFourCC('U', 'Y', 'N', 'V'), 2, 4, false},
    {IEFourCC('c', 'y', 'u', 'v'), 2, 4, true},  {IEFourCC('Y', 'V', 'Y', 'U'), 2, 4, false},
    {IEFourCC('I', 'Y', 'U', '1'), 4, 6, false}, {IEFourCC('I', 'Y', 'U', '2'), 1, 3, false},
    {IEFourCC('Y', '2', '1', '1'), 4, 4, false}, {IEFourCC('Y', '4', '1', 'P'), 8, 12, true},
    {IEFourCC('C', 'L', 'J', 'R'), 4, 4, false},
};

// Y, U, V of the pixels of one step.
void DecodeStep(uint32_t code, const uint8_t* s, int32_t* Y, int32_t* U, int32_t* V) {
    auto all = [&](int n, int u, int v) {
        for (int i = 0; i < n; ++i) U[i] = u, V[i] = v;
    };
    if (code == IEFourCC('Y', 'U', 'Y', '2') || code == IEFourCC('Y', 'U', 'N', 'V')) {
        Y[0] = s[0], Y[1] = s[2];
        all(2, s[1], s[3]);
    } else if (code == IEFourCC('U', 'Y', 'V', 'Y') || code == IEFourCC('U', 'Y', 'N', 'V') || code == IEFourCC('c', 'y', 'u', 'v')) {
        Y[0] = s[1], Y[1] = s[3];
        all(2, s[0], s[2]);
    } else if (code == IEFourCC('Y', 'V', 'Y', 'U')) {
        Y[0] = s[0], Y[1] = s[2];
        all(2, s[3], s[1]);
    } else if (code == IEFourCC('I', 'Y', 'U', '1')) {
        Y[0] = s[1], Y[1] = s[2], Y[2] = s[4], Y[3] = s[5];
        all(4, s[0], s[3]);
    } else if (code == IEFourCC('I', 'Y', 'U', '2')) {
        Y[0] = s[1];
        all(1, s[0], s[2]);
    } else if (code == IEFourCC('Y', '2', '1', '1')) {
        Y[0] = Y[1] = s[0];
        Y[2] = Y[3] = s[2];
        all(4, s[1], s[3]);
    } else if (code == IEFourCC('Y', '4', '1', 'P')) {
        Y[0] = s[1], Y[1] = s[3], Y[2] = s[5], Y[3] = s[7];
        Y[4] = s[8], Y[5] = s[9], Y[6] = s[10], Y[7] = s[11];
        for (int i = 0; i < 4; ++i) U[i] = s[0], V[i] = s[2];
        for (int i = 4; i < 8; ++i) U[i] = s[4], V[i] = s[6];
    } else {  // CLJR: 5-bit Y and 6-bit U, V widened to 8 bits
        uint32_t w;
        std::memcpy(&w, s, 4);
        const int32_t v6 = w & 63, u6 = (w >> 6) & 63;
        for (int i = 0; i < 4; ++i) {
            const int32_t y5 = (w >> (12 + 5 * i)) & 31;
            Y[i] = (y5 << 3) | (y5 >> 2);
        }
        all(4, (u6 << 2) | (u6 >> 4), (v6 << 2) | (v6 >> 4));
    }
}

bool ReadFourCC(uint32_t code, const uint8_t* data, size_t avail, int32_t w, int32_t h, bool topDownFlag, TIEBitmap* bmp) {
    const PackedFormat* pk = nullptr;
    for (const auto& f : kPacked)
        if (f.code == code) pk = &f;
    const bool i420 = code == IEFourCC('I', '4', '2', '0') || code == IEFourCC('I', 'Y', 'U', 'V');
    const bool yv12 = code == IEFourCC('Y', 'V', '1', '2');
    const bool yvu9 = code == IEFourCC('Y', 'V', 'U', '9');
    if (!pk && !i420 && !yv12 && !yvu9) return false;

    if (pk) {
        const size_t steps = (static_cast<size_t>(w) + pk->pixels - 1) / pk->pixels;
        const size_t rowBytes = steps * static_cast<size_t>(pk->bytes);
        if (!Fits(avail, 0, rowBytes * static_cast<size_t>(h))) return false;
        bmp->Allocate(w, h, ieRGB24);
        // Rows go downwards from row 0, bottom-up for Y41P and cyuv; a negative
        // height turns the order round.
        const bool fromBottom = pk->bottomUp != topDownFlag;
        int32_t Y[8], U[8], V[8];
        for (int32_t k = 0; k < h; ++k) {
            const uint8_t* src = data + rowBytes * static_cast<size_t>(k);
            auto* out = reinterpret_cast<TRGB*>(bmp->GetScanline(fromBottom ? h - 1 - k : k));
            for (int32_t x = 0; x < w; x += pk->pixels, src += pk->bytes) {
                DecodeStep(code, src, Y, U, V);
                for (int32_t i = 0; i < pk->pixels && x + i < w; ++i) YUVToRGB(Y[i], U[i], V[i], out[x + i]);
            }
        }
        return true;
    }

    const int32_t div = yvu9 ? 4 : 2;
    const size_t cw = (static_cast<size_t>(w) + div - 1) / div, chh = (static_cast<size_t>(h) + div - 1) / div;
    const size_t ySize = static_cast<size_t>(w) * h, cSize = cw * chh;
    if (!Fits(avail, 0, ySize + 2 * cSize)) return false;
    const uint8_t* yp = data;
    const uint8_t* first = data + ySize;
    const uint8_t* second = first + cSize;
    const uint8_t* up = i420 ? first : second;  // YV12 and YVU9 store V first
    const uint8_t* vp = i420 ? second : first;
    bmp->Allocate(w, h, ieRGB24);
    for (int32_t y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<TRGB*>(bmp->GetScanline(topDownFlag ? h - 1 - y : y));
        const uint8_t* yr = yp + static_cast<size_t>(y) * w;
        const uint8_t* ur = up + static_cast<size_t>(y / div) * cw;
        const uint8_t* vr = vp + static_cast<size_t>(y / div) * cw;
        for (int32_t x = 0; x < w; ++x) YUVToRGB(yr[x], ur[x / div], vr[x / div], out[x]);
    }
    return true;
}

int32_t ReadDIB(const uint8_t* base, size_t avail, TIEBitmap* bmp, const uint8_t* pixels, size_t pixelsAvail) {
    if (!base || !bmp || !Fits(avail, 0, sizeof(TIEBitmapInfoHeader))) return 0;
    TIEBitmapInfoHeader hd;
    std::memcpy(&hd, base, sizeof hd);
    if (hd.biSize < sizeof hd || !Fits(avail, 0, hd.biSize)) return 0;
    const int32_t w = hd.biWidth;
    if (w <= 0 || hd.biHeight == 0 || hd.biHeight == std::numeric_limits<int32_t>::min()) return 0;
    const bool topDown = hd.biHeight < 0;
    const int32_t h = topDown ? -hd.biHeight : hd.biHeight;
    if (static_cast<int64_t>(w) * h > kMaxPixels) return 0;
    const uint32_t comp = hd.biCompression;
    const int32_t bits = hd.biBitCount;
    if (bits == 0) return 0;  // also for FourCC data: 0 is the failure result

    if (comp != IE_BI_RGB && comp != IE_BI_BITFIELDS) {
        // Run-length DIBs are not decoded here; reading them as rows would run
        // past the shorter block.
        if (comp == IE_BI_RLE8 || comp == IE_BI_RLE4) return 0;
        const uint8_t* data = pixels ? pixels : base + hd.biSize;
        const size_t dataAvail = pixels ? pixelsAvail : (avail == kUnknown ? kUnknown : avail - hd.biSize);
        if (!ReadFourCC(comp, data, dataAvail, w, h, topDown, bmp)) {
            bmp->FreeImage(true);
            return 0;
        }
        return bits;
    }

    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    if (comp == IE_BI_BITFIELDS && bits != 16 && bits != 32) return 0;
    size_t offset = hd.biSize;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (comp == IE_BI_BITFIELDS) {
        if (!Fits(avail, offset, 12)) return 0;
        std::memcpy(masks, base + offset, 12);
        offset += 12;
    }
    TRGB table[256] = {};
    size_t tableCount = hd.biClrUsed;
    if (bits <= 8) {
        const size_t full = size_t{1} << bits;
        if (tableCount == 0 || tableCount > full) tableCount = full;
        if (!Fits(avail, offset, tableCount * 4)) return 0;
        for (size_t i = 0; i < tableCount; ++i)
            table[i] = TRGB{base[offset + 4 * i], base[offset + 4 * i + 1], base[offset + 4 * i + 2]};
    } else if (tableCount > 4096) {
        return 0;
    }
    offset += tableCount * 4;

    const size_t rowLen = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
    const uint8_t* data = pixels ? pixels : base + offset;
    const size_t dataAvail = pixels ? pixelsAvail : (avail == kUnknown ? kUnknown : avail - std::min(avail, offset));
    if (!Fits(dataAvail, 0, rowLen * static_cast<size_t>(h))) return 0;

    // Bit fields are read by their own lowest bit and width; a field wider than
    // the pixel, or lying outside it, names no colour.
    if (bits == 16)
        for (int i = 0; i < 3; ++i)
            if (masks[i] & 0xFFFF0000u) return 0;
    const TMaskField fields[3] = {FieldOf(masks[0]), FieldOf(masks[1]), FieldOf(masks[2])};

    bmp->Allocate(w, h, bits == 1 ? ie1g : ieRGB24);
    auto dibRow = [&](int32_t y) { return data + rowLen * static_cast<size_t>(topDown ? y : h - 1 - y); };

    if (bits == 1) {
        // The bitmap's bit 1 is white: a table whose first entry is the lighter
        // one stores the picture inverted.
        const bool invert = tableCount >= 2 && RGBToGray(table[0]) > RGBToGray(table[1]);
        const size_t n = std::min(rowLen, static_cast<size_t>(bmp->RowLen()));
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* out = bmp->Scanline(y);
            std::memcpy(out, dibRow(y), n);
            if (invert)
                for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(~out[i]);
            if (w % 8) out[w / 8] &= static_cast<uint8_t>(0xFF00 >> (w % 8));
            for (size_t i = (static_cast<size_t>(w) + 7) / 8; i < n; ++i) out[i] = 0;
        }
        return bits;
    }
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* in = dibRow(y);
        auto* out = reinterpret_cast<TRGB*>(bmp->GetScanline(y));
        switch (bits) {
            case 4:
                for (int32_t x = 0; x < w; ++x) out[x] = table[(x & 1) ? (in[x >> 1] & 15) : (in[x >> 1] >> 4)];
                break;
            case 8:
                for (int32_t x = 0; x < w; ++x) out[x] = table[in[x]];
                break;
            case 16:
                for (int32_t x = 0; x < w; ++x) {
                    const uint32_t p = static_cast<uint32_t>(in[2 * x] | (in[2 * x + 1] << 8));
                    out[x].r = Extract(p, fields[0]);
                    out[x].g = Extract(p, fields[1]);
                    out[x].b = Extract(p, fields[2]);
                }
                break;
            case 24:
                std::memcpy(out, in, static_cast<size_t>(w) * 3);
                break;
            case 32:
                for (int32_t x = 0; x < w; ++x) out[x] = TRGB{in[4 * x], in[4 * x + 1], in[4 * x + 2]};
                break;
        }
    }
    return bits;
}

}  // namespace

int32_t PackedDIBToIEBitmap(const void* dib, TIEBitmap* bitmap, const void* pixels, bool isPointer) {
    if (isPointer)
        return ReadDIB(static_cast<const uint8_t*>(dib), kUnknown, bitmap, static_cast<const uint8_t*>(pixels), kUnknown);
    HGLOBAL h = const_cast<void*>(dib);
    const size_t size = IEGlobalSize(h);
    const auto* p = static_cast<const uint8_t*>(IEGlobalLock(h));
    if (!p) return 0;
    const int32_t r = ReadDIB(p, size, bitmap, static_cast<const uint8_t*>(pixels), kUnknown);
    IEGlobalUnlock(h);
    return r;
}

int32_t PackedDIBToIEBitmap(const void* dib, size_t dibSize, TIEBitmap* bitmap, const void* pixels) {
    const auto* base = static_cast<const uint8_t*>(dib);
    const auto* px = static_cast<const uint8_t*>(pixels);
    size_t pxAvail = kUnknown;
    if (px) {
        if (px < base || px > base + dibSize) return 0;
        pxAvail = dibSize - static_cast<size_t>(px - base);
    }
    return ReadDIB(base, dibSize, bitmap, px, pxAvail);
}

int32_t PackedDIBToDibBitmap(const void* dib, TIEDibbitmap* dest, const void* pixels, bool isPointer) {
    TIEBitmap tmp;
    const int32_t bits = PackedDIBToIEBitmap(dib, &tmp, pixels, isPointer);
    if (bits == 0 || tmp.IsEmpty()) return 0;
    const bool one = tmp.PixelFormat() == ie1g;
    dest->AllocateBits(tmp.Width(), tmp.Height(), one ? 1 : 24);
    const size_t n = one ? (static_cast<size_t>(tmp.Width()) + 7) / 8 : static_cast<size_t>(tmp.Width()) * 3;
    for (int32_t y = 0; y < tmp.Height(); ++y) std::memcpy(dest->GetScanline(y), tmp.GetScanline(y), n);
    return bits;
}

// ---- Writing packed DIBs ---------------------------------------------------------------

HGLOBAL BitmapToDIBHandle(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!bitmap || bitmap->IsEmpty()) return nullptr;
    TIEBitmap converted;
    TIEBitmap* src = bitmap;
    const TIEPixelFormat pf0 = bitmap->PixelFormat();
    if (pf0 != ie1g && pf0 != ie8p && pf0 != ie8g && pf0 != ieRGB24) {
        converted.Assign(bitmap);
        converted.SetPixelFormat(ieRGB24);
        src = &converted;
    }
    const int32_t W = src->Width(), H = src->Height();
    if (x2 == 0) x2 = W;
    if (y2 == 0) y2 = H;
    x1 = IClamp(x1, 0, W);
    y1 = IClamp(y1, 0, H);
    x2 = IClamp(x2, x1, W);
    y2 = IClamp(y2, y1, H);
    const int32_t w = x2 - x1, h = y2 - y1;
    if (w <= 0 || h <= 0) return nullptr;
    const TIEPixelFormat pf = src->PixelFormat();
    const int32_t bits = pf == ie1g ? 1 : (pf == ieRGB24 ? 24 : 8);
    const size_t table = bits == 1 ? 8 : (bits == 8 ? 1024 : 0);
    const size_t rowLen = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
    HGLOBAL hg = IEGlobalAlloc(sizeof(TIEBitmapInfoHeader) + 4 + table + rowLen * static_cast<size_t>(h));
    if (!hg) return nullptr;
    auto* p = static_cast<uint8_t*>(IEGlobalLock(hg));
    TIEBitmapInfoHeader hd{};
    hd.biSize = sizeof hd;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biPlanes = 1;
    hd.biBitCount = static_cast<uint16_t>(bits);
    std::memcpy(p, &hd, sizeof hd);
    uint8_t* t = p + sizeof hd;
    if (bits == 1) {
        const uint8_t bw[8] = {0, 0, 0, 0, 255, 255, 255, 255};
        std::memcpy(t, bw, 8);
    } else if (bits == 8) {
        for (int32_t i = 0; i < 256; ++i) {
            const TRGB c = pf == ie8p ? src->GetPalette(i) : MakeRGB(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));
            t[4 * i] = c.b;
            t[4 * i + 1] = c.g;
            t[4 * i + 2] = c.r;
            t[4 * i + 3] = 0;
        }
    }
    uint8_t* rows = t + table;
    const int32_t srcRowLen = src->RowLen();
    for (int32_t y = y2 - 1, k = 0; y >= y1; --y, ++k) {
        const uint8_t* in = src->Scanline(y);
        uint8_t* out = rows + rowLen * static_cast<size_t>(k);
        if (bits == 1)
            CopyBits(out, in, 0, x1, w, srcRowLen);
        else if (bits == 8)
            std::memcpy(out, in + x1, static_cast<size_t>(w));
        else
            std::memcpy(out, in + 3 * static_cast<size_t>(x1), static_cast<size_t>(w) * 3);
    }
    IEGlobalUnlock(hg);
    return hg;
}
