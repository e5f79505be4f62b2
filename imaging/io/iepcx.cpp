#include "imaging/io/iepcx.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/quantizer.h"

using namespace ieio;

namespace {

constexpr uint32_t DCXMagic = 987654321;

// Run-length decoding that carries a run over plane and line ends.
struct TRunDecoder {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    int run = 0;
    uint8_t value = 0;

    // Fills Out with N bytes; false when the data ended first (the rest is zero).
    bool Fill(uint8_t* out, int32_t n, bool rle) {
        if (!rle) {
            size_t take = std::min<size_t>(n, size - pos);
            if (take > 0) std::memcpy(out, data + pos, take);
            std::memset(out + take, 0, n - take);
            pos += take;
            return take == static_cast<size_t>(n);
        }
        for (int32_t i = 0; i < n; ++i) {
            while (run == 0) {
                if (pos >= size) {
                    std::memset(out + i, 0, n - i);
                    return false;
                }
                uint8_t b = data[pos++];
                if (b >= 192) {
                    if (pos >= size) {
                        std::memset(out + i, 0, n - i);
                        return false;
                    }
                    run = b & 63;
                    value = data[pos++];
                } else {
                    run = 1;
                    value = b;
                }
            }
            out[i] = value;
            --run;
        }
        return true;
    }
};

struct TPCXHeader {
    uint8_t raw[128];
    int manufacturer() const { return raw[0]; }
    int version() const { return raw[1]; }
    int encoding() const { return raw[2]; }
    int bits() const { return raw[3]; }
    int planes() const { return raw[65]; }
    int bytesPerLine() const { return LE16(raw + 66); }
};

TRGB HeaderColour(const uint8_t* raw, int i) { return TRGB{raw[16 + i * 3 + 2], raw[16 + i * 3 + 1], raw[16 + i * 3]}; }

// Appends one plane's bytes, run-length encoded when Rle (an odd count gets a 0 byte).
void EncodePlane(const uint8_t* src, int32_t n, int32_t bytesPerLine, bool rle, std::vector<uint8_t>& out) {
    if (!rle) {
        out.insert(out.end(), src, src + n);
        out.insert(out.end(), bytesPerLine - n, 0);
        return;
    }
    std::vector<uint8_t> line(src, src + n);
    if (n & 1) line.push_back(0);
    for (size_t i = 0; i < line.size();) {
        size_t j = i + 1;
        while (j < line.size() && line[j] == line[i] && j - i < 63) ++j;
        const size_t len = j - i;
        if (len > 1 || line[i] >= 192) {
            out.push_back(static_cast<uint8_t>(192 + len));
            out.push_back(line[i]);
        } else {
            out.push_back(line[i]);
        }
        i = j;
    }
}

}  // namespace

void ReadPCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Size,
                   TIEProgressRecord& Progress, bool Preview) {
    try {
        const int64_t start = Stream.Position();
        TPCXHeader h;
        if (!ReadExact(Stream, h.raw, 128, Progress)) return;
        const int bits = h.bits(), planes = h.planes(), bpl = h.bytesPerLine();
        const int32_t xmin = LE16(h.raw + 4), ymin = LE16(h.raw + 6), xmax = LE16(h.raw + 8), ymax = LE16(h.raw + 10);
        const int64_t available = std::min<int64_t>(Size, Stream.Size() - start);
        // Sizes come from the corners: reversed corners or lines too short for the width are damage.
        if (h.manufacturer() != 10 || bits > 8 || bits == 0 || (h.encoding() != 0 && h.encoding() != 1) ||
            xmax < xmin || ymax < ymin || planes == 0 || bpl == 0 ||
            static_cast<int64_t>(bpl) * 8 < static_cast<int64_t>(xmax - xmin + 1) * bits) {
            SetAbort(Progress);
            return;
        }
        const int32_t w = xmax - xmin + 1, hgt = ymax - ymin + 1;
        int dx = LE16(h.raw + 12), dy = LE16(h.raw + 14);
        if (dx == 0 || dy == 0) {
            dx = DefaultDpiX;
            dy = DefaultDpiY;
        }
        Params.SetDpiX(dx);
        Params.SetDpiY(dy);
        std::vector<TRGB> pal256;
        if (planes == 1 && bits > 4) {
            // The palette sits in the last 768 bytes, after the lines.
            if (available < 128 + 768) {
                SetAbort(Progress);
                return;
            }
            uint8_t p[768];
            Stream.Seek(start + available - 768, soBeginning);
            if (!ReadExact(Stream, p, 768, Progress)) return;
            Stream.Seek(start + 128, soBeginning);
            pal256.resize(256);
            for (int i = 0; i < 256; ++i) pal256[i] = TRGB{p[i * 3 + 2], p[i * 3 + 1], p[i * 3]};
        }
        Params.BitsPerSample = bits;
        Params.SamplesPerPixel = planes;
        Params.Width = w;
        Params.Height = hgt;
        Params.PCXVersion = h.version();
        if (bits == 8 && planes == 1) {
            Params.Palette = pal256;
            Params.PaletteCount = 256;
        } else if (bits == 1 && planes == 4) {
            Params.BitsPerSample = 4;
            Params.SamplesPerPixel = 1;
            Params.Palette.resize(16);
            for (int i = 0; i < 16; ++i) Params.Palette[i] = HeaderColour(h.raw, i);
            Params.PaletteCount = 16;
        } else if (bits < 8) {
            // The header holds sixteen entries.
            const int n = std::min(1 << bits, 16);
            Params.Palette.resize(n);
            for (int i = 0; i < n; ++i) Params.Palette[i] = HeaderColour(h.raw, i);
            Params.PaletteCount = n;
        } else {
            Params.FreePalette();
        }
        if (Preview) return;

        const bool rle = h.encoding() == 1;
        const int64_t dataSize = std::max<int64_t>(0, available - 128);
        const int64_t lineBytes = static_cast<int64_t>(bpl) * planes;
        // A run of 63 bytes takes two bytes of the file: more lines than that cannot be there.
        if (lineBytes * hgt > (dataSize + 64) * (rle ? 32 : 1)) {
            SetAbort(Progress);
            return;
        }
        std::vector<uint8_t> data(static_cast<size_t>(dataSize));
        if (!ReadExact(Stream, data.data(), dataSize, Progress)) return;
        Reallocate(Bitmap, w, hgt, bits == 1 && planes == 1 ? ie1g : ieRGB24);
        TRunDecoder dec{data.data(), data.size()};
        std::vector<uint8_t> plane(static_cast<size_t>(bpl) * planes);
        for (int32_t y = 0; y < hgt; ++y) {
            Progress.Report(static_cast<int>(static_cast<int64_t>(y) * 100 / hgt));
            if (Progress.Aborted()) return;
            bool ok = true;
            for (int p = 0; p < planes; ++p) ok = dec.Fill(&plane[static_cast<size_t>(p) * bpl], bpl, rle) && ok;
            uint8_t* row = Bitmap->Scanline(y);
            if (planes == 1 && bits == 8) {
                for (int32_t x = 0; x < w; ++x) std::memcpy(row + x * 3, &pal256[plane[x]], 3);
            } else if (planes == 1 && bits == 4) {
                for (int32_t x = 0; x < w; ++x) {
                    const uint8_t v = plane[x / 2];
                    TRGB c = HeaderColour(h.raw, (x & 1) ? (v & 15) : (v >> 4));
                    std::memcpy(row + x * 3, &c, 3);
                }
            } else if (planes == 1 && bits == 1) {
                std::memcpy(row, plane.data(), (w + 7) / 8);
            } else if ((planes == 3 || planes == 4) && bits == 8) {
                // A fourth plane (alpha of 32-bit pictures) is not shown.
                for (int32_t x = 0; x < w; ++x) {
                    row[x * 3 + 2] = plane[x];
                    row[x * 3 + 1] = plane[bpl + x];
                    row[x * 3] = plane[2 * bpl + x];
                }
            } else if (planes == 4 && bits == 1) {
                for (int32_t x = 0; x < w; ++x) {
                    int idx = 0;
                    for (int p = 0; p < 4; ++p)
                        if (plane[p * bpl + x / 8] & (0x80 >> (x & 7))) idx |= 1 << p;
                    TRGB c = HeaderColour(h.raw, idx);
                    std::memcpy(row + x * 3, &c, 3);
                }
            } else {
                std::memset(row, 0, Bitmap->RowLen());
            }
            if (!ok) {
                // The lines ended early: what was decoded stays.
                SetAbort(Progress);
                return;
            }
        }
    } catch (...) {
        SetAbort(Progress);
    }
}

void WritePCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& abort = Progress.Aborting ? *Progress.Aborting : dummy;
    const int32_t w = Bitmap->Width(), hgt = Bitmap->Height();
    if (w <= 0 || hgt <= 0 || w > 65536 || hgt > 65536) {
        SetAbort(Progress);
        return;
    }
    std::unique_ptr<TIEBitmap> copy;
    TIEBitmap* src = Bitmap;
    int depth = Params.BitsPerSample == 1 ? 1 : Params.BitsPerSample * Params.SamplesPerPixel;
    // Depths the format has no layout for are written as 24-bit pictures.
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24) depth = 24;
    TRGB pal[256] = {};
    if (depth == 1) {
        pal[0] = TRGB{0, 0, 0};
        pal[1] = TRGB{255, 255, 255};
        if (Bitmap->PixelFormat() != ie1g) {
            TRGB c0, c1;
            copy = Bitmap->PixelFormat() == ieRGB24 ? TryConvertTo1Bit(Bitmap, c0, c1) : nullptr;
            if (copy) {
                pal[0] = c0;
                pal[1] = c1;
            } else {
                copy = std::make_unique<TIEBitmap>();
                copy->AssignImage(Bitmap);
                copy->ConvertTo(ie1g);
            }
            src = copy.get();
        }
    } else if (Bitmap->PixelFormat() != ieRGB24) {
        copy = std::make_unique<TIEBitmap>();
        copy->AssignImage(Bitmap);
        copy->ConvertTo(ieRGB24);
        src = copy.get();
    }
    std::unique_ptr<TIEQuantizer> quant;
    if (depth == 4 || depth == 8) quant = std::make_unique<TIEQuantizer>(src, pal, depth == 4 ? 16 : 256);

    const int bits = depth == 24 ? 8 : depth, planes = depth == 24 ? 3 : 1;
    int32_t used = depth == 1 ? (w + 7) / 8 : depth == 4 ? (w + 1) / 2 : w;
    int32_t bpl = used + (used & 1);
    const bool rle = Params.PCXCompression != 0;
    uint8_t head[128] = {};
    head[0] = 10;
    head[1] = static_cast<uint8_t>(Params.PCXVersion);
    head[2] = rle ? 1 : 0;
    head[3] = static_cast<uint8_t>(bits);
    PutLE16(head + 8, static_cast<uint32_t>(w - 1));
    PutLE16(head + 10, static_cast<uint32_t>(hgt - 1));
    PutLE16(head + 12, static_cast<uint32_t>(Params.DpiX));
    PutLE16(head + 14, static_cast<uint32_t>(Params.DpiY));
    if (depth <= 4)
        for (int i = 0; i < 16; ++i) {
            head[16 + i * 3] = pal[i].r;
            head[16 + i * 3 + 1] = pal[i].g;
            head[16 + i * 3 + 2] = pal[i].b;
        }
    head[65] = static_cast<uint8_t>(planes);
    PutLE16(head + 66, static_cast<uint32_t>(bpl));
    PutLE16(head + 68, depth == 24 ? 0 : 1);
    WriteStreamChecked(Stream, abort, head, 128);

    std::vector<uint8_t> plane(static_cast<size_t>(w) * 3 + 2), out;
    for (int32_t y = 0; y < hgt; ++y) {
        Progress.Report(static_cast<int>(static_cast<int64_t>(y) * 100 / hgt));
        if (abort) break;
        const uint8_t* row = src->Scanline(y);
        out.clear();
        if (depth == 1) {
            EncodePlane(row, used, bpl, rle, out);
        } else if (depth == 4) {
            std::fill(plane.begin(), plane.end(), 0);
            for (int32_t x = 0; x < w; ++x) {
                TRGB c;
                std::memcpy(&c, row + x * 3, 3);
                const int idx = quant->GetColorIndex(c) & 15;
                plane[x / 2] |= static_cast<uint8_t>((x & 1) ? idx : idx << 4);
            }
            EncodePlane(plane.data(), used, bpl, rle, out);
        } else if (depth == 8) {
            for (int32_t x = 0; x < w; ++x) {
                TRGB c;
                std::memcpy(&c, row + x * 3, 3);
                plane[x] = static_cast<uint8_t>(quant->GetColorIndex(c));
            }
            EncodePlane(plane.data(), used, bpl, rle, out);
        } else {
            for (int k = 0; k < 3; ++k) {
                for (int32_t x = 0; x < w; ++x) plane[x] = row[x * 3 + 2 - k];
                EncodePlane(plane.data(), used, bpl, rle, out);
            }
        }
        WriteStreamChecked(Stream, abort, out.data(), static_cast<int64_t>(out.size()));
    }
    if (depth == 8 && !abort) {
        uint8_t tail[769];
        tail[0] = 12;
        for (int i = 0; i < 256; ++i) {
            tail[1 + i * 3] = pal[i].r;
            tail[2 + i * 3] = pal[i].g;
            tail[3 + i * 3] = pal[i].b;
        }
        WriteStreamChecked(Stream, abort, tail, sizeof tail);
    }
}

// ---- DCX -------------------------------------------------------------------------------

namespace {

// The page offsets after the magic (position after the table); false when not DCX.
bool ReadDCXTable(TStream& S, int64_t Start, std::vector<int64_t>& Pages) {
    Pages.clear();
    S.Seek(Start, soBeginning);
    uint8_t b[4];
    if (S.Read(b, 4) != 4 || LE32(b) != DCXMagic) return false;
    const int64_t size = S.Size() - Start;
    for (int i = 0; i < DCXMaxPages; ++i) {
        if (S.Read(b, 4) != 4) return false;
        const uint32_t off = LE32(b);
        if (off == 0) break;
        if (static_cast<int64_t>(off) >= size) return false;
        Pages.push_back(off);
    }
    return true;
}

// Bytes from a page's offset to the nearest larger offset of another page, or to the end.
int64_t DCXPageSize(const std::vector<int64_t>& Pages, size_t i, int64_t End) {
    int64_t next = End;
    for (int64_t o : Pages)
        if (o > Pages[i] && o < next) next = o;
    return next - Pages[i];
}

}  // namespace

bool IsDCXStream(TStream& Stream) {
    const int64_t p = Stream.Position();
    std::vector<int64_t> pages;
    const bool ok = ReadDCXTable(Stream, p, pages);
    Stream.Seek(p, soBeginning);
    return ok;
}

void ReadDCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress) {
    const int64_t start = Stream.Position();
    std::vector<int64_t> pages;
    if (!ReadDCXTable(Stream, start, pages) || pages.empty()) {
        SetAbort(Progress);
        return;
    }
    const int32_t n = static_cast<int32_t>(pages.size());
    const int32_t index = std::clamp(Params.DCXImageIndex, 0, n - 1);
    Params.SetImageIndex(index);
    // Offsets count from the start of the file.
    Stream.Seek(start + pages[index], soBeginning);
    ReadPCXStream(Stream, Bitmap, Params, DCXPageSize(pages, index, Stream.Size() - start), Progress, Preview);
}

void WriteDCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& abort = Progress.Aborting ? *Progress.Aborting : dummy;
    std::vector<int64_t> pages;
    const int64_t size = Stream.Size();
    if (size > 0 && !ReadDCXTable(Stream, 0, pages)) {
        SetAbort(Progress);
        return;
    }
    const int32_t index = Params.DCXImageIndex;
    // An index past the pages, or one page more than a reader takes, would write nothing new.
    if (index < 0 || index > static_cast<int32_t>(pages.size()) ||
        static_cast<int32_t>(pages.size()) + 1 > DCXMaxPages) {
        SetAbort(Progress);
        return;
    }
    TMemoryStream out;
    std::vector<uint8_t> head(4 + (pages.size() + 2) * 4, 0);
    PutLE32(head.data(), DCXMagic);
    out.Write(head.data(), static_cast<int64_t>(head.size()));
    std::vector<uint32_t> table;
    for (size_t p = 0; p <= pages.size(); ++p) {
        if (static_cast<int32_t>(p) == index) {
            table.push_back(static_cast<uint32_t>(out.Position()));
            WritePCXStream(out, Bitmap, Params, Progress);
            if (abort) return;
        }
        if (p < pages.size()) {
            const int64_t n = DCXPageSize(pages, p, size);
            std::vector<uint8_t> page(static_cast<size_t>(n));
            Stream.Seek(pages[p], soBeginning);
            if (!ReadExact(Stream, page.data(), n, Progress)) return;
            table.push_back(static_cast<uint32_t>(out.Position()));
            out.Write(page.data(), n);
        }
    }
    if (out.Size() > 0xFFFFFFFFll) {
        SetAbort(Progress);
        return;
    }
    for (size_t i = 0; i < table.size(); ++i) PutLE32(static_cast<uint8_t*>(out.Memory()) + 4 + i * 4, table[i]);
    Stream.SetSize(0);
    Stream.Seek(0, soBeginning);
    WriteStreamChecked(Stream, abort, out.Memory(), out.Size());
}
