#include "imaging/io/ietga.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/quantizer.h"
#include "platform/rtl/sysutils.h"

using namespace ieio;

namespace {

const char kSignature[] = "TRUEVISION-XFILE.";
constexpr int kExtensionSize = 495;

bool KnownType(int t) { return t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11; }
bool KnownDepth(int b) { return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32; }

bool ReadBytes(TByteReader& R, uint8_t* out, int n) {
    for (int i = 0; i < n; ++i) {
        int c = R.Get();
        if (c < 0) return false;
        out[i] = static_cast<uint8_t>(c);
    }
    return true;
}

TRGB Word15(uint16_t w) {
    return TRGB{static_cast<uint8_t>((w & 31) * 8), static_cast<uint8_t>(((w >> 5) & 31) * 8),
                static_cast<uint8_t>(((w >> 10) & 31) * 8)};
}

// Up to 65535 / ratio as the denominator keeps the numerator in 16 bits.
void PutRatio(uint8_t* at, double v) {
    int64_t den = 10000;
    if (v * den > 65535) den = std::max<int64_t>(1, static_cast<int64_t>(65535 / v));
    int64_t num = static_cast<int64_t>(v * den);
    PutLE16(at, static_cast<uint32_t>(std::clamp<int64_t>(num, 0, 65535)));
    PutLE16(at + 2, static_cast<uint32_t>(den));
}

// The version-2 extension area into the parameters.
void ReadExtension(const uint8_t* e, TIOParamsVals& P) {
    auto text = [&](int off, int len) {
        std::string s;
        for (int i = 0; i < len && e[off + i] != 0; ++i) s.push_back(static_cast<char>(e[off + i]));
        return s;
    };
    P.TGAAuthor = text(2, 41);
    const int month = LE16(e + 367), day = LE16(e + 369), year = LE16(e + 371);
    const int hour = LE16(e + 373), minute = LE16(e + 375), second = LE16(e + 377);
    if (month != 0 && day != 0 && year != 0 && year < 2500 && month <= 12 && day <= 31 && hour < 24 && minute < 60 &&
        second < 60) {
        try {
            P.TGADate = EncodeDate(year, month, day) + (hour * 3600 + minute * 60 + second) / 86400.0;
        } catch (...) {
            // The 31st of a 30-day month: today's date stays.
        }
    }
    P.TGAImageName = text(379, 41);
    P.TGABackground = TRGB{e[473], e[472], e[471]};
    if (LE16(e + 474) != 0 && LE16(e + 476) != 0) P.TGAAspectRatio = static_cast<double>(LE16(e + 474)) / LE16(e + 476);
    if (LE16(e + 478) != 0 && LE16(e + 480) != 0) P.TGAGamma = static_cast<double>(LE16(e + 478)) / LE16(e + 480);
}

struct TPixelDecoder {
    int bpp;
    const TRGB* table;
    const uint8_t* alphaTable;
    bool tableAlpha;
    // Bytes of one pixel value in the file.
    int Size() const { return bpp / 8; }
    void Put(const uint8_t* v, uint8_t* rgb, uint8_t* alpha) const {
        switch (bpp) {
            case 8:
                std::memcpy(rgb, &table[v[0]], 3);
                if (alpha && tableAlpha) *alpha = alphaTable[v[0]];
                break;
            case 16: {
                TRGB c = Word15(LE16(v));
                std::memcpy(rgb, &c, 3);
                break;
            }
            case 24:
                std::memcpy(rgb, v, 3);
                break;
            case 32:
                std::memcpy(rgb, v, 3);
                if (alpha) *alpha = v[3];
                break;
        }
    }
};

}  // namespace

bool IsTGAStream(TStream& Stream) {
    const int64_t p = Stream.Position();
    uint8_t h[18];
    const bool got = Stream.Read(h, 18) == 18;
    Stream.Seek(p, soBeginning);
    return got && KnownType(h[2]) && KnownDepth(h[16]) && h[1] <= 1 && LE16(h + 12) != 0 && LE16(h + 14) != 0;
}

void ReadTGAStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress,
                   bool Preview, std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha) {
    const int64_t start = Stream.Position();
    const int64_t size = Stream.Size();
    // The footer is taken from the end of the stream.
    uint8_t foot[26] = {};
    bool v2 = false;
    if (size - start >= 18 + 26) {
        Stream.Seek(size - 26, soBeginning);
        v2 = Stream.Read(foot, 26) == 26 && std::memcmp(foot + 8, kSignature, 17) == 0;
    }
    Params.TGAAuthor.clear();
    Params.TGAImageName.clear();
    Params.TGADate = Now();
    Params.TGABackground = TRGB{0, 0, 0};
    Params.TGAAspectRatio = 1.0;
    Params.TGAGamma = 2.2;
    const uint32_t extOffset = v2 ? LE32(foot) : 0;
    if (extOffset != 0 && start + static_cast<int64_t>(extOffset) + kExtensionSize <= size) {
        uint8_t ext[kExtensionSize];
        Stream.Seek(start + extOffset, soBeginning);
        if (Stream.Read(ext, kExtensionSize) == kExtensionSize) ReadExtension(ext, Params);
    }
    Stream.Seek(start, soBeginning);
    TByteReader r(Stream);
    uint8_t h[18];
    if (!ReadBytes(r, h, 18)) {
        SetAbort(Progress);
        return;
    }
    Params.TGAXPos = LE16(h + 8);
    Params.TGAYPos = LE16(h + 10);
    const int type = h[2], bpp = h[16], desc = h[17];
    const int32_t w = LE16(h + 12), hgt = LE16(h + 14);
    if (!KnownType(type) || !KnownDepth(bpp) || w == 0 || hgt == 0) {
        SetAbort(Progress);
        return;
    }
    std::string id(h[0], '\0');
    if (!ReadBytes(r, reinterpret_cast<uint8_t*>(id.data()), h[0])) {
        SetAbort(Progress);
        return;
    }
    Params.TGADescription = id;
    TRGB table[256];
    uint8_t alphaTable[256];
    std::memset(alphaTable, 255, sizeof alphaTable);
    bool tableAlpha = false;
    for (int i = 0; i < 256; ++i)
        table[i] = TRGB{static_cast<uint8_t>(64 * (i & 3) + 60), static_cast<uint8_t>(32 * ((i >> 2) & 7) + 28),
                        static_cast<uint8_t>(32 * (i >> 5) + 28)};
    const int mapFirst = LE16(h + 3), mapCount = LE16(h + 5), mapBits = h[7];
    if (h[1] == 1) {
        const int entryBytes = (mapBits + 7) / 8;  // up to 32 bytes for a byte of 255 bits
        uint8_t e[32] = {};
        for (int i = 0; i < mapCount; ++i) {
            if (!ReadBytes(r, e, entryBytes)) {
                SetAbort(Progress);
                return;
            }
            const int at = mapFirst + i;
            // Entries past the table, and entry sizes of no known layout, are passed over.
            if (at > 255) continue;
            if (mapBits == 15 || mapBits == 16)
                table[at] = Word15(LE16(e));
            else if (mapBits == 24 || mapBits == 32)
                table[at] = TRGB{e[0], e[1], e[2]};
            if (mapBits == 32) {
                alphaTable[at] = e[3];
                tableAlpha = true;
            }
        }
        const int n = std::min(mapCount, 256);
        Params.Palette.assign(table, table + n);
        Params.PaletteCount = n;
        Params.TGAGrayLevel = false;
    } else if (bpp == 8) {
        for (int i = 0; i < 256; ++i) table[i] = TRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
        Params.TGAGrayLevel = true;
    } else if (bpp == 1) {
        table[0] = TRGB{0, 0, 0};
        table[1] = TRGB{255, 255, 255};
    }
    const bool rle = type >= 9;
    Params.TGACompressed = rle;
    Params.Width = w;
    Params.Height = hgt;
    Params.SetDpiX(DefaultDpiX);
    Params.SetDpiY(DefaultDpiY);
    switch (bpp) {
        case 1: Params.BitsPerSample = 1; Params.SamplesPerPixel = 1; break;
        case 4: Params.BitsPerSample = 4; Params.SamplesPerPixel = 1; break;
        case 8: Params.BitsPerSample = 8; Params.SamplesPerPixel = 1; break;
        case 16: Params.BitsPerSample = 5; Params.SamplesPerPixel = 3; break;
        case 24: Params.BitsPerSample = 8; Params.SamplesPerPixel = 3; break;
        default: Params.BitsPerSample = 8; Params.SamplesPerPixel = 4; break;
    }
    if (Preview) return;
    // Packets of bits inside a byte have no defined layout.
    if (rle && bpp < 8) {
        SetAbort(Progress);
        return;
    }
    // A run packet of two to five bytes gives up to 128 pixels.
    if (!PlausibleSize(w, hgt, size - r.Tell(), rle ? 64 : bpp == 1 ? 8 : bpp == 4 ? 2 : 1)) {
        SetAbort(Progress);
        return;
    }
    Progress.Per1 = 100.0 / hgt;
    Progress.Val = 0;
    Reallocate(Bitmap, w, hgt, bpp == 1 ? ie1g : ieRGB24);
    const bool withAlpha = !IgnoreAlpha && ((bpp == 32 && (desc & 8)) || (h[1] == 1 && mapBits == 32 && bpp == 8));
    std::vector<uint8_t> alphaRow;
    if (withAlpha) {
        if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
        AlphaMask->AllocateBits(w, hgt, 8);
        AlphaMask->Fill(255);
        AlphaMask->Full = false;
        alphaRow.assign(w, 255);
    }
    const bool topDown = desc & 32, mirrored = (desc & 16) && bpp > 1;
    const int32_t rowBytes = bpp == 1 ? (w + 7) / 8 : w * 3;
    std::vector<uint8_t> row(rowBytes);
    TPixelDecoder dec{bpp, table, alphaTable, tableAlpha};
    const int ps = dec.Size();
    // The part of a packet that crossed the end of the previous row.
    int pending = 0;
    bool pendingRun = false;
    uint8_t value[4] = {};
    bool ok = true;
    for (int32_t k = 0; k < hgt && ok; ++k) {
        const int32_t y = topDown ? k : hgt - 1 - k;
        uint8_t* a = withAlpha ? alphaRow.data() : nullptr;
        if (bpp == 1) {
            ok = ReadBytes(r, row.data(), rowBytes);
        } else if (bpp == 4) {
            for (int32_t x = 0; x < w && ok; x += 2) {
                int c = r.Get();
                if (c < 0) {
                    ok = false;
                    break;
                }
                std::memcpy(&row[x * 3], &table[c >> 4], 3);
                if (x + 1 < w) std::memcpy(&row[(x + 1) * 3], &table[c & 15], 3);
            }
        } else if (!rle) {
            for (int32_t x = 0; x < w; ++x) {
                if (!ReadBytes(r, value, ps)) {
                    ok = false;
                    break;
                }
                dec.Put(value, &row[x * 3], a ? a + x : nullptr);
            }
        } else {
            for (int32_t x = 0; x < w;) {
                if (pending == 0) {
                    int hb = r.Get();
                    if (hb < 0) {
                        ok = false;
                        break;
                    }
                    pendingRun = hb & 128;
                    pending = (hb & 127) + 1;
                    if (pendingRun && !ReadBytes(r, value, ps)) {
                        ok = false;
                        break;
                    }
                }
                for (; pending > 0 && x < w; --pending, ++x) {
                    if (!pendingRun && !ReadBytes(r, value, ps)) {
                        ok = false;
                        break;
                    }
                    dec.Put(value, &row[x * 3], a ? a + x : nullptr);
                }
                if (!ok) break;
            }
        }
        if (mirrored) {
            for (int32_t x = 0; x < w / 2; ++x)
                for (int c = 0; c < 3; ++c) std::swap(row[x * 3 + c], row[(w - 1 - x) * 3 + c]);
            // The alpha goes with its pixel.
            if (withAlpha) std::reverse(alphaRow.begin(), alphaRow.end());
        }
        std::memcpy(Bitmap->Scanline(y), row.data(), rowBytes);
        if (withAlpha) std::memcpy(AlphaMask->GetScanline(y), alphaRow.data(), w);
        ++Progress.Val;
        Report(Progress, Progress.Val);
        if (Progress.Aborted()) break;
    }
    if (!ok) SetAbort(Progress);  // the data ended early: the rows read so far stay
    if (withAlpha) {
        AlphaMask->SyncBoundingBox();
        if (AlphaMask->IsEmpty())
            AlphaMask.reset();
        else
            AlphaMask->SyncFull();
    }
}

namespace {

// Run-length packets of one row (Size bytes per pixel); they never cross the row's end.
void EncodeRow(const uint8_t* p, int32_t n, int size, std::vector<uint8_t>& out) {
    auto same = [&](int32_t a, int32_t b) { return std::memcmp(p + a * size, p + b * size, size) == 0; };
    int32_t i = 0;
    while (i < n) {
        if (i + 1 < n && same(i, i + 1)) {
            int32_t j = i + 1;
            while (j + 1 < n && same(j, j + 1) && j + 1 - i < 128) ++j;
            out.push_back(static_cast<uint8_t>(j - i + 128));
            out.insert(out.end(), p + i * size, p + (i + 1) * size);
            i = j + 1;
        } else {
            // Raw pixels up to one that equals its successor, at most 127, plus the row's last.
            int32_t k = i + 1;
            while (k < n) {
                if (k == n - 1) {
                    ++k;
                    break;
                }
                if (same(k, k + 1) || k - i == 127) break;
                ++k;
            }
            out.push_back(static_cast<uint8_t>(k - i - 1));
            out.insert(out.end(), p + i * size, p + k * size);
            i = k;
        }
    }
}

}  // namespace

void WriteTGAStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress,
                    TIEMask* AlphaMask) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& abort = Progress.Aborting ? *Progress.Aborting : dummy;
    const int32_t w = Bitmap->Width(), hgt = Bitmap->Height();
    if (w <= 0 || hgt <= 0 || w > 65535 || hgt > 65535) {
        SetAbort(Progress);
        return;
    }
    const int64_t start = Stream.Position();
    std::unique_ptr<TIEBitmap> copy;
    TIEBitmap* src = Bitmap;
    // Formats without a layout here are written from an ieRGB24 copy.
    if (src->PixelFormat() != ieRGB24 && src->PixelFormat() != ie1g) {
        copy = std::make_unique<TIEBitmap>();
        copy->AssignImage(Bitmap);
        copy->ConvertTo(ieRGB24);
        src = copy.get();
    }
    int depth;
    TRGB pal[256] = {};
    std::unique_ptr<TIEQuantizer> quant;
    if (Params.SamplesPerPixel == 1 && Params.BitsPerSample == 1) {
        depth = 1;
        if (src->PixelFormat() != ie1g) {
            TRGB c0, c1;
            auto bw = TryConvertTo1Bit(src, c0, c1);
            if (!bw) {
                bw = std::make_unique<TIEBitmap>();
                bw->AssignImage(src);
                bw->ConvertTo(ie1g);
            }
            copy = std::move(bw);
            src = copy.get();
        }
        Params.TGACompressed = false;
    } else if (Params.SamplesPerPixel == 1 && (Params.BitsPerSample == 4 || Params.BitsPerSample == 8)) {
        depth = Params.BitsPerSample;
        if (src->PixelFormat() == ie1g) {
            auto c = std::make_unique<TIEBitmap>();
            c->AssignImage(src);
            c->ConvertTo(ieRGB24);
            copy = std::move(c);
            src = copy.get();
        }
        const int n = depth == 4 ? 16 : 256;
        quant = std::make_unique<TIEQuantizer>(src, pal, n);
        Params.Palette.assign(pal, pal + n);
        Params.PaletteCount = n;
        if (depth == 4) Params.TGACompressed = false;
    } else if (AlphaMask && !AlphaMask->Full && AlphaMask->Width == w && AlphaMask->Height == hgt) {
        depth = 32;
        Params.TGACompressed = false;
    } else {
        depth = 24;
    }
    if (depth == 24 && src->PixelFormat() == ie1g) {
        auto c = std::make_unique<TIEBitmap>();
        c->AssignImage(src);
        c->ConvertTo(ieRGB24);
        copy = std::move(c);
        src = copy.get();
    }
    const bool grey = depth == 8 && Params.TGAGrayLevel;
    const bool mapped = depth == 4 || (depth == 8 && !grey);
    const bool rle = Params.TGACompressed;
    // The description keeps one NUL (a read one already ends with it) and fits the length byte.
    std::string desc = Params.TGADescription;
    if (!desc.empty() && desc.back() == '\0') desc.pop_back();
    if (desc.size() > 254) desc.resize(254);
    desc.push_back('\0');

    uint8_t h[18] = {};
    h[0] = static_cast<uint8_t>(desc.size());
    h[1] = mapped ? 1 : 0;
    h[2] = static_cast<uint8_t>(mapped ? (rle ? 9 : 1) : (depth == 1 || grey) ? (rle ? 11 : 3) : (rle ? 10 : 2));
    if (depth == 4 || depth == 8) {
        PutLE16(h + 5, depth == 4 ? 16 : 256);
        h[7] = 24;
    }
    PutLE16(h + 8, static_cast<uint32_t>(Params.TGAXPos));
    PutLE16(h + 10, static_cast<uint32_t>(Params.TGAYPos));
    PutLE16(h + 12, static_cast<uint32_t>(w));
    PutLE16(h + 14, static_cast<uint32_t>(hgt));
    h[16] = static_cast<uint8_t>(depth);
    h[17] = static_cast<uint8_t>(depth == 32 ? 40 : 32);
    WriteStreamChecked(Stream, abort, h, 18);
    WriteStreamChecked(Stream, abort, desc.data(), static_cast<int64_t>(desc.size()));
    if (mapped) {
        std::vector<uint8_t> m;
        for (int i = 0; i < (1 << depth); ++i) m.insert(m.end(), {pal[i].b, pal[i].g, pal[i].r});
        WriteStreamChecked(Stream, abort, m.data(), static_cast<int64_t>(m.size()));
    }
    Progress.Per1 = 100.0 / hgt;
    Progress.Val = 0;
    std::vector<uint8_t> line, out;
    for (int32_t y = 0; y < hgt; ++y) {
        const uint8_t* s = src->Scanline(y);
        line.clear();
        switch (depth) {
            case 1: line.assign(s, s + (w + 7) / 8); break;
            case 4:
                line.assign((w + 1) / 2, 0);
                for (int32_t x = 0; x < w; ++x) {
                    TRGB c;
                    std::memcpy(&c, s + x * 3, 3);
                    const int idx = quant->GetColorIndex(c) & 15;
                    line[x / 2] |= static_cast<uint8_t>((x & 1) ? idx : idx << 4);
                }
                break;
            case 8:
                line.resize(w);
                for (int32_t x = 0; x < w; ++x) {
                    TRGB c;
                    std::memcpy(&c, s + x * 3, 3);
                    const int idx = quant->GetColorIndex(c);
                    line[x] = grey ? static_cast<uint8_t>((21 * pal[idx].r + 71 * pal[idx].g + 8 * pal[idx].b) / 100)
                                   : static_cast<uint8_t>(idx);
                }
                break;
            case 24: line.assign(s, s + static_cast<size_t>(w) * 3); break;
            default: {
                line.resize(static_cast<size_t>(w) * 4);
                const uint8_t* m = AlphaMask->GetScanline(y);
                for (int32_t x = 0; x < w; ++x) {
                    std::memcpy(&line[x * 4], s + x * 3, 3);
                    line[x * 4 + 3] = AlphaMask->BitsPerPixel == 1 ? ((m[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0) : m[x];
                }
                break;
            }
        }
        if (rle) {
            out.clear();
            EncodeRow(line.data(), w, depth == 8 ? 1 : 3, out);
            WriteStreamChecked(Stream, abort, out.data(), static_cast<int64_t>(out.size()));
        } else {
            WriteStreamChecked(Stream, abort, line.data(), static_cast<int64_t>(line.size()));
        }
        ++Progress.Val;
        Report(Progress, Progress.Val);
    }
    uint8_t ext[kExtensionSize] = {};
    PutLE16(ext, kExtensionSize);
    auto putText = [&](int off, const std::string& s) {
        const size_t n = std::min<size_t>(s.size(), 40);
        std::memcpy(ext + off, s.data(), n);
    };
    putText(2, Params.TGAAuthor);
    putText(379, Params.TGAImageName);
    int yy, mo, dd, hh, mi, ss, ms;
    DecodeDate(Params.TGADate, yy, mo, dd);
    DecodeTime(Params.TGADate, hh, mi, ss, ms);
    PutLE16(ext + 367, static_cast<uint32_t>(mo));
    PutLE16(ext + 369, static_cast<uint32_t>(dd));
    PutLE16(ext + 371, static_cast<uint32_t>(yy));
    PutLE16(ext + 373, static_cast<uint32_t>(hh));
    PutLE16(ext + 375, static_cast<uint32_t>(mi));
    PutLE16(ext + 377, static_cast<uint32_t>(ss));
    ext[471] = Params.TGABackground.r;
    ext[472] = Params.TGABackground.g;
    ext[473] = Params.TGABackground.b;
    PutRatio(ext + 474, Params.TGAAspectRatio);
    PutRatio(ext + 478, Params.TGAGamma);
    const int64_t extAt = Stream.Position();
    WriteStreamChecked(Stream, abort, ext, kExtensionSize);
    uint8_t foot[26] = {};
    PutLE32(foot, static_cast<uint32_t>(extAt - start));
    std::memcpy(foot + 8, kSignature, 18);
    WriteStreamChecked(Stream, abort, foot, 26);
}
