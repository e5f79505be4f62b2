#include "imaging/io/ieico.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/iebmp.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/iepng.h"
#include "imaging/processing/quantizer.h"
#include "imaging/processing/resample.h"

using namespace ieio;

namespace {

struct TDirEntry {
    int width, height, colours, reserved, planes, bits;  // planes/bits: the hot spot of cursors
    uint32_t size, offset;
};

TDirEntry ParseEntry(const uint8_t* e) {
    return TDirEntry{e[0], e[1], e[2], e[3], LE16(e + 4), LE16(e + 6), LE32(e + 8), LE32(e + 12)};
}

bool IsIconFile(TStream& S, int Type) {
    const int64_t p = S.Position();
    bool ok = false;
    try {
        const int64_t size = S.Size() - p;
        uint8_t h[6];
        if (size > 22 && S.Read(h, 6) == 6 && LE16(h) == 0 && LE16(h + 2) == Type && LE16(h + 4) > 0) {
            ok = true;
            const int n = LE16(h + 4);
            for (int i = 0; i < n && ok; ++i) {
                uint8_t e[16];
                if (S.Read(e, 16) != 16) {
                    ok = false;
                    break;
                }
                TDirEntry d = ParseEntry(e);
                ok = d.reserved == 0 && d.size != 0 && d.offset >= static_cast<uint32_t>(6 + (i + 1) * 16);
            }
        }
    } catch (...) {
        ok = false;
    }
    S.Seek(p, soBeginning);
    return ok;
}

int BitsForColours(int n) {
    int b = 0;
    while ((1 << b) < n) ++b;
    return b;
}

int32_t DpiFromPPM(int32_t ppm) {
    return ppm > 0 ? static_cast<int32_t>(std::lround(ppm / 100.0 * 2.54)) : 0;
}

void ReadIconImage(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress, std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha, bool Cursor) {
    const int64_t start = Stream.Position();
    uint8_t h[6];
    if (!ReadExact(Stream, h, 6, Progress)) return;
    if (!Cursor && h[0] == 'B' && h[1] == 'M') {
        Stream.Seek(start, soBeginning);
        ReadBMPStream(Stream, Bitmap, Stream.Size(), Params, Progress, Preview, /*MissingFileHeader=*/false, AlphaMask,
                      IgnoreAlpha);
        return;
    }
    const int count = LE16(h + 4);
    const int index = Cursor ? Params.CURImageIndex : Params.ICOImageIndex;
    // An image that is not there is a failed load, not an empty success.
    if (index < 0 || index >= count) {
        SetAbort(Progress);
        return;
    }
    std::vector<uint8_t> dir(static_cast<size_t>(count) * 16);
    if (!ReadExact(Stream, dir.data(), static_cast<int64_t>(dir.size()), Progress)) return;
    if (!Cursor) {
        for (int i = 0; i < 16; ++i) {
            Params.ICOSizes[i] = TIOICOSize{};
            Params.ICOBitCounts[i] = 0;
        }
        for (int i = 0; i < std::min(count, 16); ++i) {
            TDirEntry d = ParseEntry(&dir[i * 16]);
            Params.ICOSizes[i] = TIOICOSize{d.width, d.height};
            Params.ICOBitCounts[i] = d.bits != 0 ? d.bits : d.colours != 0 ? BitsForColours(d.colours) : 24;
        }
    }
    const TDirEntry e = ParseEntry(&dir[index * 16]);
    if (Cursor) {
        Params.CURXHotSpot = e.planes;
        Params.CURYHotSpot = e.bits;
    }
    if (start + static_cast<int64_t>(e.offset) >= Stream.Size()) {
        SetAbort(Progress);
        return;
    }
    Stream.Seek(start + e.offset, soBeginning);
    if (IsPNGStream(Stream)) {
        // Large icons hold PNG images; they carry their own alpha.
        ReadPNGStream(Stream, Bitmap, Params, Preview, Progress);
        return;
    }
    uint8_t ih[40];
    if (!ReadExact(Stream, ih, 40, Progress)) return;
    if (LE32(ih) < 40) {
        SetAbort(Progress);
        return;
    }
    if (LE32(ih) > 40) Stream.Seek(LE32(ih) - 40, soCurrent);
    const int32_t hw = static_cast<int32_t>(LE32(ih + 4)), hh = static_cast<int32_t>(LE32(ih + 8));
    const int hbits = LE16(ih + 14);
    const int32_t dx = DpiFromPPM(static_cast<int32_t>(LE32(ih + 24))), dy = DpiFromPPM(static_cast<int32_t>(LE32(ih + 28)));
    Params.SetDpiX(dx > 0 ? dx : DefaultDpiX);
    Params.SetDpiY(dy > 0 ? dy : DefaultDpiY);
    int bits;
    if (Cursor)
        bits = hbits != 0 ? hbits : BitsForColours(e.colours == 255 ? 256 : e.colours);
    else {
        bits = e.bits;
        if (hbits > 0) bits = hbits;
        if (bits == 0) bits = BitsForColours(e.colours);
    }
    if (bits == 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        SetAbort(Progress);
        return;
    }
    int32_t w = e.width != 0 ? e.width : hw;
    int32_t hgt = e.height != 0 ? e.height : hh / 2;
    if (!Cursor && e.width != hw && e.width != 0 && hw != 0 && hw < 2048 && hh < 2048) {
        w = hw;
        hgt = hh / 2;
    }
    if (w <= 0 || hgt <= 0) {
        SetAbort(Progress);
        return;
    }
    if (bits <= 8) {
        Params.BitsPerSample = bits;
        Params.SamplesPerPixel = 1;
    } else {
        Params.BitsPerSample = 8;
        Params.SamplesPerPixel = bits == 32 ? 4 : 3;
    }
    Params.FreePalette();
    std::vector<TRGB> table;
    if (bits <= 8) {
        // Indices up to 2^bits - 1 can occur, whatever the colour count says.
        const int n = 1 << bits;
        std::vector<uint8_t> raw(static_cast<size_t>(n) * 4);
        if (!ReadExact(Stream, raw.data(), static_cast<int64_t>(raw.size()), Progress)) return;
        table.resize(n);
        for (int i = 0; i < n; ++i) table[i] = TRGB{raw[i * 4], raw[i * 4 + 1], raw[i * 4 + 2]};
        Params.Palette = table;
        Params.PaletteCount = n;
    }
    Params.Width = w;
    Params.Height = hgt;
    if (Preview) return;

    const int32_t xorLen = CalcRowLength(w, bits, 32), andLen = CalcRowLength(w, 1, 32);
    const bool readAnd = bits <= 8;
    const int64_t need = static_cast<int64_t>(xorLen) * hgt + (readAnd ? static_cast<int64_t>(andLen) * hgt : 0);
    if (need > Stream.Size() - Stream.Position()) {
        SetAbort(Progress);
        return;
    }
    std::vector<uint8_t> xorData(static_cast<size_t>(xorLen) * hgt), andData;
    if (!ReadExact(Stream, xorData.data(), static_cast<int64_t>(xorData.size()), Progress)) return;
    if (readAnd) {
        andData.resize(static_cast<size_t>(andLen) * hgt);
        if (!ReadExact(Stream, andData.data(), static_cast<int64_t>(andData.size()), Progress)) return;
    }
    const TRGB back = Cursor ? Params.CURBackground : Params.ICOBackground;
    const bool blackWhite = bits == 1 && ((table[0] == TRGB{0, 0, 0} && table[1] == TRGB{255, 255, 255}) ||
                                          (table[0] == TRGB{255, 255, 255} && table[1] == TRGB{0, 0, 0}));
    Reallocate(Bitmap, w, hgt, blackWhite ? ie1g : ieRGB24);
    if (!IgnoreAlpha) {
        if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
        AlphaMask->AllocateBits(w, hgt, 8);
        AlphaMask->Fill(255);
    }
    auto andBit = [&](int32_t y, int32_t x) {
        return (andData[static_cast<size_t>(hgt - 1 - y) * andLen + x / 8] & (0x80 >> (x & 7))) != 0;
    };
    Progress.Per1 = 100.0 / hgt;
    for (int32_t y = 0; y < hgt; ++y) {
        const uint8_t* s = &xorData[static_cast<size_t>(hgt - 1 - y) * xorLen];
        uint8_t* d = Bitmap->Scanline(y);
        uint8_t* m = IgnoreAlpha ? nullptr : AlphaMask->GetScanline(y);
        if (blackWhite) {
            const bool invert = table[0] == TRGB{255, 255, 255};
            for (int32_t i = 0; i < (w + 7) / 8; ++i) d[i] = invert ? static_cast<uint8_t>(~s[i]) : s[i];
            for (int32_t x = 0; x < w; ++x)
                if (andBit(y, x)) {
                    if (m) m[x] = 0;
                    if (back == TRGB{255, 255, 255}) d[x / 8] ^= static_cast<uint8_t>(0x80 >> (x & 7));
                }
        } else if (bits <= 8) {
            for (int32_t x = 0; x < w; ++x) {
                int idx;
                if (bits == 8)
                    idx = s[x];
                else if (bits == 4)
                    idx = (x & 1) ? (s[x / 2] & 15) : (s[x / 2] >> 4);
                else
                    idx = (s[x / 8] >> (7 - (x & 7))) & 1;
                TRGB c = table[idx];
                if (andBit(y, x)) {
                    c = back;
                    if (m) m[x] = 0;
                }
                std::memcpy(d + x * 3, &c, 3);
            }
        } else if (bits == 24) {
            std::memcpy(d, s, static_cast<size_t>(w) * 3);
        } else {
            for (int32_t x = 0; x < w; ++x) {
                std::memcpy(d + x * 3, s + x * 4, 3);
                if (m) m[x] = s[x * 4 + 3];
            }
        }
        Report(Progress, y + 1);
    }
    if (!IgnoreAlpha) {
        AlphaMask->SyncBoundingBox();
        AlphaMask->SyncFull();
        if (!Cursor && AlphaMask->Full) AlphaMask.reset();
    }
}

}  // namespace

bool IsICOStream(TStream& Stream) { return IsIconFile(Stream, 1); }
bool IsCURStream(TStream& Stream) { return IsIconFile(Stream, 2); }

void ReadICOStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress, std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha) {
    ReadIconImage(Stream, Bitmap, Params, Preview, Progress, AlphaMask, IgnoreAlpha, /*Cursor=*/false);
}

void ReadCURStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress, std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha) {
    ReadIconImage(Stream, Bitmap, Params, Preview, Progress, AlphaMask, IgnoreAlpha, /*Cursor=*/true);
}

void WriteICOStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress,
                    const std::vector<TIOICOSize>& Sizes, const std::vector<int32_t>& BitCounts) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& abort = Progress.Aborting ? *Progress.Aborting : dummy;
    const int count = static_cast<int>(Sizes.size());
    if (count == 0 || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) {
        SetAbort(Progress);
        return;
    }
    const int64_t start = Stream.Position();
    uint8_t head[6] = {0, 0, 1, 0, 0, 0};
    PutLE16(head + 4, static_cast<uint32_t>(count));
    WriteStreamChecked(Stream, abort, head, 6);
    const int64_t dirPos = Stream.Position();
    std::vector<uint8_t> dir(static_cast<size_t>(count) * 16, 0);
    WriteStreamChecked(Stream, abort, dir.data(), static_cast<int64_t>(dir.size()));
    Params.FreePalette();
    if (Bitmap->PixelFormat() != ieRGB24) {
        Params.BitsPerSample = 1;
        Params.SamplesPerPixel = 1;
    }
    Progress.Per1 = 100.0 / count;
    int done = 0;
    for (int i = 0; i < count; ++i) {
        Progress.Report(static_cast<int>(i * Progress.Per1));
        if (abort) break;
        const int32_t w = Sizes[i].cx, hgt = Sizes[i].cy;
        if (w <= 0 || hgt <= 0 || w > 256 || hgt > 256) {
            SetAbort(Progress);
            break;
        }
        TIEBitmap copy;
        if (w == Bitmap->Width() && hgt == Bitmap->Height()) {
            copy.AssignImage(Bitmap);  // at its own size the image goes in unfiltered
        } else {
            copy.Allocate(w, hgt, Bitmap->PixelFormat() == ie1g ? ie1g : ieRGB24);
            ResampleBitmap(Bitmap, &copy, Bitmap->PixelFormat() == ie1g ? rfNone : rfFastLinear);
        }
        std::vector<uint8_t> alpha;
        if (copy.HasAlphaChannel())
            for (int32_t y = 0; y < hgt; ++y)
                for (int32_t x = 0; x < w; ++x) alpha.push_back(copy.GetAlpha(x, y));
        int bits;
        const int bc = i < static_cast<int>(BitCounts.size()) ? BitCounts[i] : 0;
        if (bc == 0) {
            const int s = Params.SamplesPerPixel, b = Params.BitsPerSample;
            bits = (s == 3 && b == 8) ? 24 : (s == 4 && b == 8) ? 32 : (s == 1 && b == 1) ? 1 : (s == 1 && b == 4) ? 4 : 8;
        } else {
            bits = (bc == 1 || bc == 4 || bc == 8 || bc == 32) ? bc : 24;
        }
        const TIEPixelFormat want = bits == 1 ? ie1g : ieRGB24;
        if (copy.PixelFormat() != want) copy.ConvertTo(want);
        const int64_t offset = Stream.Position() - start;
        const int32_t xorLen = CalcRowLength(w, bits, 32), andLen = CalcRowLength(w, 1, 32);
        uint8_t ih[40] = {};
        PutLE32(ih, 40);
        PutLE32(ih + 4, static_cast<uint32_t>(w));
        PutLE32(ih + 8, static_cast<uint32_t>(hgt * 2));
        PutLE16(ih + 12, 1);
        PutLE16(ih + 14, static_cast<uint32_t>(bits));
        PutLE32(ih + 20, bits >= 24 ? 0u : static_cast<uint32_t>(xorLen * hgt + w * hgt / 8));
        PutLE32(ih + 24, static_cast<uint32_t>(std::lround(Params.DpiX / 2.54 * 100)));
        PutLE32(ih + 28, static_cast<uint32_t>(std::lround(Params.DpiY / 2.54 * 100)));
        WriteStreamChecked(Stream, abort, ih, 40);
        auto transparent = [&](int32_t x, int32_t y) {
            return !alpha.empty() && alpha[static_cast<size_t>(y) * w + x] < 255;
        };
        std::vector<uint8_t> rows(static_cast<size_t>(xorLen) * hgt, 0);
        std::vector<uint8_t> table;
        if (bits == 1) {
            table = {0, 0, 0, 0, 255, 255, 255, 0};
            for (int32_t y = 0; y < hgt; ++y)
                std::memcpy(&rows[static_cast<size_t>(hgt - 1 - y) * xorLen], copy.Scanline(y), (w + 7) / 8);
        } else if (bits == 4 || bits == 8) {
            const int n = bits == 4 ? 15 : 255;
            TRGB pal[256] = {};
            TIEQuantizer q(&copy, pal + 1, n);
            Params.Palette.assign(pal, pal + n + 1);
            Params.PaletteCount = n + 1;
            for (int k = 0; k <= n; ++k) table.insert(table.end(), {pal[k].b, pal[k].g, pal[k].r, 0});
            for (int32_t y = 0; y < hgt; ++y) {
                uint8_t* d = &rows[static_cast<size_t>(hgt - 1 - y) * xorLen];
                const uint8_t* s = copy.Scanline(y);
                for (int32_t x = 0; x < w; ++x) {
                    TRGB c;
                    std::memcpy(&c, s + x * 3, 3);
                    const int idx = transparent(x, y) ? 0 : q.GetColorIndex(c) + 1;
                    if (bits == 8)
                        d[x] = static_cast<uint8_t>(idx);
                    else
                        d[x / 2] |= static_cast<uint8_t>((x & 1) ? idx : idx << 4);
                }
            }
        } else {
            for (int32_t y = 0; y < hgt; ++y) {
                uint8_t* d = &rows[static_cast<size_t>(hgt - 1 - y) * xorLen];
                const uint8_t* s = copy.Scanline(y);
                for (int32_t x = 0; x < w; ++x) {
                    if (bits == 24) {
                        std::memcpy(d + x * 3, s + x * 3, 3);
                    } else {
                        std::memcpy(d + x * 4, s + x * 3, 3);
                        d[x * 4 + 3] = alpha.empty() ? 255 : alpha[static_cast<size_t>(y) * w + x];
                    }
                }
            }
        }
        WriteStreamChecked(Stream, abort, table.data(), static_cast<int64_t>(table.size()));
        WriteStreamChecked(Stream, abort, rows.data(), static_cast<int64_t>(rows.size()));
        std::vector<uint8_t> andRows(static_cast<size_t>(andLen) * hgt, 0);
        if (bits != 24)
            for (int32_t y = 0; y < hgt; ++y)
                for (int32_t x = 0; x < w; ++x)
                    if (transparent(x, y))
                        andRows[static_cast<size_t>(hgt - 1 - y) * andLen + x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
        WriteStreamChecked(Stream, abort, andRows.data(), static_cast<int64_t>(andRows.size()));
        if (abort) break;
        uint8_t* e = &dir[static_cast<size_t>(i) * 16];
        e[0] = static_cast<uint8_t>(w & 0xFF);
        e[1] = static_cast<uint8_t>(hgt & 0xFF);
        if (bits >= 24) {
            PutLE16(e + 4, 1);
            PutLE16(e + 6, static_cast<uint32_t>(bits));
        } else {
            e[2] = static_cast<uint8_t>(std::min(1 << bits, 255));
        }
        PutLE32(e + 8, static_cast<uint32_t>(Stream.Position() - start - offset));
        PutLE32(e + 12, static_cast<uint32_t>(offset));
        ++done;
    }
    // The header counts the images that were written.
    const int64_t end = Stream.Position();
    PutLE16(head + 4, static_cast<uint32_t>(done));
    Stream.Seek(start, soBeginning);
    std::atomic<bool> ignore{false};
    WriteStreamChecked(Stream, ignore, head, 6);
    Stream.Seek(dirPos, soBeginning);
    WriteStreamChecked(Stream, ignore, dir.data(), static_cast<int64_t>(done) * 16);
    Stream.Seek(end, soBeginning);
}
