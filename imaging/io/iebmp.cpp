#include "imaging/io/iebmp.h"

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
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/quantizer.h"
#include "platform/rtl/sysutils.h"

using namespace ieio;

namespace {

int32_t DpiFromPPM(int32_t ppm, int32_t def) {
    int32_t v = static_cast<int32_t>(Round(ppm / 100.0 * 2.54));
    return v == 0 ? def : v;
}

// Decodes RLE4/RLE8 data into index bytes per pixel (idx) for every row; a shared walk for
// the four decoders. Put(x, row, index) stores one pixel.
template <typename PutFn>
void DecodeRLE(const uint8_t* data, int64_t size, int32_t width, int32_t height, bool rle4, bool topDown,
               TIEProgressRecord& progress, PutFn put) {
    int64_t i = 0;
    int32_t row = height - 1;  // file row index counted from the last
    int32_t x = 0;
    auto imageRow = [&](int32_t r) { return topDown ? height - 1 - r : r; };
    // File row index r (height-1 .. 0) maps to image row: bottom-up r -> r from the top... see below.
    // The file's k-th row (k = height-1-r) goes to image row height-1-k = r for bottom-up files.
    auto pixel = [&](uint8_t idx) {
        if (row < 0 || row >= height) return;
        // Pixels past the row's end (a run padded to an even count) are dropped:
        // written to the last column they would replace its pixel.
        if (x < width) put(x, imageRow(row), idx);
        ++x;
    };
    while (i + 1 < size) {
        uint8_t n = data[i], v = data[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) pixel(rle4 ? ((k & 1) ? (v & 15) : (v >> 4)) : v);
            continue;
        }
        if (v == 0) {
            --row;
            if (row < 0) return;
            x = 0;
            if (progress.OnProgress) progress.OnProgress(progress.Sender, static_cast<int>((height - row) * progress.Per1));
            if (progress.Aborted()) return;
        } else if (v == 1) {
            return;
        } else if (v == 2) {
            if (i + 1 >= size) return;
            x += data[i];
            row -= data[i + 1];
            i += 2;
            if (row < 0) return;
        } else {
            int32_t count = v;
            int64_t bytes = rle4 ? (count + 1) / 2 : count;
            for (int k = 0; k < count; ++k) {
                int64_t at = i + (rle4 ? k / 2 : k);
                if (at >= size) return;
                uint8_t b = data[at];
                pixel(rle4 ? ((k & 1) ? (b & 15) : (b >> 4)) : b);
            }
            i += bytes + (bytes & 1);
        }
    }
}

}  // namespace

void ReadBMPStream(TStream& Stream, TIEBitmap* Bitmap, int64_t BlockSize, TIOParamsVals& Params,
                   TIEProgressRecord& Progress, bool Preview, bool MissingFileHeader,
                   std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha) {
    const int64_t start = Stream.Position();
    uint8_t fh[14] = {};
    uint32_t fileSize = 0, dataOffset = 0;
    if (MissingFileHeader) {
        fh[0] = 'B';
        fh[1] = 'M';
        fileSize = static_cast<uint32_t>(std::min<int64_t>(Stream.Size() - start, 0xFFFFFFFF));
    } else {
        if (!ReadExact(Stream, fh, 14, Progress)) return;
        fileSize = LE32(fh + 2);
        dataOffset = LE32(fh + 10);
    }
    if (fileSize > 0 && BlockSize < 1) BlockSize = fileSize;
    if (fh[0] != 'B' || fh[1] != 'M') {
        SetAbort(Progress);
        return;
    }
    uint8_t hs[4];
    if (!ReadExact(Stream, hs, 4, Progress)) return;
    Stream.Seek(-4, soCurrent);
    uint32_t headerSize = LE32(hs);
    Params.FreePalette();

    int32_t width = 0, height = 0, bits = 0;
    uint32_t compression = 0, imageSize = 0;
    bool topDown = false;
    std::vector<TRGB> table;  // the file's colour table
    uint32_t masks[3] = {0, 0, 0};
    bool masksInHeader = false;
    if (headerSize == 12) {
        uint8_t ch[12];
        if (!ReadExact(Stream, ch, 12, Progress)) return;
        Params.BMPVersion = 2;
        width = LE16(ch + 4);
        height = LE16(ch + 6);
        bits = LE16(ch + 10);
        Params.SetDpiX(DefaultDpiX);
        Params.SetDpiY(DefaultDpiY);
        if (bits <= 8) {
            int n = 1 << bits;
            table.assign(n, TRGB{0, 0, 0});
            if (!ReadExact(Stream, table.data(), static_cast<int64_t>(n) * 3, Progress)) return;
            Params.Palette = table;
            Params.PaletteCount = n;
        }
    } else {
        if (headerSize < 16) {
            SetAbort(Progress);
            return;
        }
        uint8_t ih[64] = {};
        uint32_t take = std::min<uint32_t>(64, headerSize);
        if (!ReadExact(Stream, ih, take, Progress)) return;
        if (headerSize > take) Stream.Seek(headerSize - take, soCurrent);
        Params.BMPVersion = headerSize == 64 ? 3 : headerSize == 40 ? 1 : 0;
        width = static_cast<int32_t>(LE32(ih + 4));
        int64_t h = static_cast<int32_t>(LE32(ih + 8));
        if (h < 0) {
            h = -h;
            topDown = true;
        }
        height = static_cast<int32_t>(std::min<int64_t>(h, INT32_MAX));
        bits = LE16(ih + 14);
        compression = LE32(ih + 16);
        imageSize = LE32(ih + 20);
        Params.SetDpiX(DpiFromPPM(static_cast<int32_t>(LE32(ih + 24)), DefaultDpiX));
        Params.SetDpiY(DpiFromPPM(static_cast<int32_t>(LE32(ih + 28)), DefaultDpiY));
        uint32_t used = LE32(ih + 32);
        if (used > 256) used = 0;
        if (used == 0 && bits <= 8 && bits > 0) used = 1u << bits;
        // Version 4 and 5 headers hold the bit-field masks inside the header.
        if (compression == 3 && headerSize >= 52) {
            masks[0] = LE32(ih + 40);
            masks[1] = LE32(ih + 44);
            masks[2] = LE32(ih + 48);
            masksInHeader = true;
        }
        if (used > 0) {
            std::vector<uint8_t> raw(static_cast<size_t>(used) * 4);
            if (!ReadExact(Stream, raw.data(), static_cast<int64_t>(raw.size()), Progress)) return;
            table.resize(used);
            for (uint32_t i = 0; i < used; ++i) table[i] = TRGB{raw[i * 4], raw[i * 4 + 1], raw[i * 4 + 2]};
            Params.Palette = table;
            Params.PaletteCount = static_cast<int32_t>(used);
        }
        if (compression == 3 && !masksInHeader) {
            uint8_t m[12];
            if (!ReadExact(Stream, m, 12, Progress)) return;
            masks[0] = LE32(m);
            masks[1] = LE32(m + 4);
            masks[2] = LE32(m + 8);
        }
    }
    if (compression == 0 || compression == 3) Params.BMPCompression = 0;
    if (compression == 1 || compression == 2) Params.BMPCompression = 1;
    switch (bits) {
        case 1: Params.BitsPerSample = 1; Params.SamplesPerPixel = 1; break;
        case 4: Params.BitsPerSample = 4; Params.SamplesPerPixel = 1; break;
        case 8: Params.BitsPerSample = 8; Params.SamplesPerPixel = 1; break;
        case 16: Params.BitsPerSample = 5; Params.SamplesPerPixel = 3; break;
        case 24: Params.BitsPerSample = 8; Params.SamplesPerPixel = 3; break;
        case 32: Params.BitsPerSample = 8; Params.SamplesPerPixel = 4; break;
        default: break;
    }
    Params.Width = width;
    Params.Height = height;
    if (dataOffset != 0) Stream.Seek(start + dataOffset, soBeginning);
    int64_t compSize = BlockSize > 0 ? BlockSize - (Stream.Position() - start) : imageSize;
    if (compSize < 0) compSize = 0;
    if (Preview) return;
    // A header without pixels is no image: a failure, not an empty success.
    if (width <= 0 || height <= 0) {
        SetAbort(Progress);
        return;
    }

    // What the decoders can handle; anything else is reported instead of left blank.
    bool supported = (bits == 1 && compression == 0) || (bits == 4 && (compression == 0 || compression == 2)) ||
                     (bits == 8 && (compression == 0 || compression == 1)) ||
                     (bits == 16 && (compression == 0 || compression == 3)) ||
                     ((bits == 24 || bits == 32) && (compression == 0 || compression == 3));
    // A data offset may point past the end of the stream.
    int64_t available = std::max<int64_t>(0, Stream.Size() - Stream.Position());
    int64_t expansion = (compression == 1 || compression == 2) ? 65536 : 8;
    if (!supported || !PlausibleSize(width, height, available, expansion)) {
        SetAbort(Progress);
        return;
    }

    bool native = Params.IsNativePixelFormat && (bits == 4 || bits == 8);
    Bitmap->Allocate(width, height, bits == 1 ? ie1g : native ? ie8p : ieRGB24);
    if (Bitmap->IsEmpty()) {
        SetAbort(Progress);
        return;
    }
    Progress.Per1 = 100.0 / height;
    // Lookups beyond the file's table read black instead of past the table.
    TRGB lut[256] = {};
    for (size_t i = 0; i < table.size() && i < 256; ++i) lut[i] = table[i];
    if (native) {
        for (int i = 0; i < 256; ++i) Bitmap->SetPalette(i, lut[i]);
        Bitmap->PaletteColorCount = bits == 4 ? 16 : 256;
    }
    const int32_t rowLen = static_cast<int32_t>(((static_cast<int64_t>(width) * bits + 31) / 32) * 4);
    std::vector<uint8_t> row(static_cast<size_t>(rowLen));

    if (compression == 1 || compression == 2) {
        std::vector<uint8_t> data(static_cast<size_t>(std::min(compSize, available)));
        int64_t got = data.empty() ? 0 : Stream.Read(data.data(), static_cast<int64_t>(data.size()));
        if (got < compSize) SetAbort(Progress);  // truncated: decode what is there, report it
        Bitmap->Fill(0);
        auto put = [&](int32_t x, int32_t y, uint8_t idx) {
            uint8_t* r = Bitmap->Scanline(y);
            if (native)
                r[x] = idx;
            else
                std::memcpy(r + x * 3, &lut[idx], 3);
        };
        DecodeRLE(data.data(), got, width, height, compression == 2, topDown, Progress, put);
        return;
    }

    auto imageRow = [&](int32_t k) { return topDown ? k : height - 1 - k; };
    bool anyAlpha = false, allOpaque = true;
    if (bits == 32 && !IgnoreAlpha) {
        if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
        AlphaMask->AllocateBits(width, height, 8);
        AlphaMask->Fill(255);
    }
    uint32_t rm = 0x7C00, gm = 0x03E0, bm = 0x001F;
    if (compression == 3 && bits == 16) {
        rm = masks[0];
        gm = masks[1];
        bm = masks[2];
    }
    auto maskShift = [](uint32_t m) {
        int s = 0;
        if (m == 0) return 0;
        while (!(m & 1)) {
            m >>= 1;
            ++s;
        }
        return s;
    };
    const int rs = maskShift(rm), gs = maskShift(gm), bs = maskShift(bm);
    const int rw = BitMaskWidth(rm), gw = BitMaskWidth(gm), bw = BitMaskWidth(bm);
    auto scale = [](uint32_t v, int w) -> uint8_t {
        if (w <= 0) return 0;
        if (w >= 8) return static_cast<uint8_t>(v >> (w - 8));
        return static_cast<uint8_t>((v << (8 - w)) & 0xFF);
    };

    for (int32_t k = 0; k < height; ++k) {
        if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, static_cast<int>(k * Progress.Per1));
        if (Progress.Aborted()) break;
        if (!ReadExact(Stream, row.data(), rowLen, Progress)) break;
        int32_t y = imageRow(k);
        uint8_t* d = Bitmap->Scanline(y);
        switch (bits) {
            case 1:
                std::memcpy(d, row.data(), static_cast<size_t>(std::min(rowLen, Bitmap->RowLen())));
                break;
            case 4:
                for (int32_t x = 0; x < width; ++x) {
                    uint8_t idx = (x & 1) ? (row[x / 2] & 15) : (row[x / 2] >> 4);
                    if (native)
                        d[x] = idx;
                    else
                        std::memcpy(d + x * 3, &lut[idx], 3);
                }
                break;
            case 8:
                for (int32_t x = 0; x < width; ++x) {
                    if (native)
                        d[x] = row[x];
                    else
                        std::memcpy(d + x * 3, &lut[row[x]], 3);
                }
                break;
            case 16:
                for (int32_t x = 0; x < width; ++x) {
                    uint32_t v = LE16(&row[x * 2]);
                    d[x * 3 + 2] = scale((v & rm) >> rs, rw);
                    d[x * 3 + 1] = scale((v & gm) >> gs, gw);
                    d[x * 3 + 0] = scale((v & bm) >> bs, bw);
                }
                break;
            case 24:
                std::memcpy(d, row.data(), static_cast<size_t>(width) * 3);
                break;
            case 32:
                for (int32_t x = 0; x < width; ++x) {
                    d[x * 3] = row[x * 4];
                    d[x * 3 + 1] = row[x * 4 + 1];
                    d[x * 3 + 2] = row[x * 4 + 2];
                    if (!IgnoreAlpha) {
                        uint8_t a = row[x * 4 + 3];
                        AlphaMask->GetScanline(y)[x] = a;
                        if (a != 0) anyAlpha = true;
                        if (a != 255) allOpaque = false;
                    }
                }
                break;
        }
    }
    if (bits == 1 && table.size() == 2 && table[0] == TRGB{255, 255, 255} && table[1] == TRGB{0, 0, 0})
        InvertBits(Bitmap);
    // Two colours that are not black and white stay colours (as in GIF frames).
    const bool BlackWhite = table.size() == 2 && ((table[0] == TRGB{0, 0, 0} && table[1] == TRGB{255, 255, 255}) ||
                                                  (table[0] == TRGB{255, 255, 255} && table[1] == TRGB{0, 0, 0}));
    if (bits == 1 && table.size() == 2 && !BlackWhite) {
        Bitmap->ConvertTo(ieRGB24);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                Bitmap->SetPixelRGB24(x, y, Bitmap->GetPixelRGB(x, y).r ? table[1] : table[0]);
    }
    if (bits == 32 && !IgnoreAlpha) {
        if (allOpaque || !anyAlpha)
            AlphaMask.reset();
        else {
            AlphaMask->SyncBoundingBox();
            AlphaMask->SyncFull();
        }
    }
}

// ---- Writing -------------------------------------------------------------------------

int32_t EncodeRLE8Row(const uint8_t* in, int32_t count, uint8_t* out) {
    int32_t o = 0, pos = 0, lit = 0;
    auto flush = [&](int32_t upto) {
        while (lit < upto) {
            int32_t n = std::min(255, upto - lit);
            if (n == 1) {
                out[o++] = 1;
                out[o++] = in[lit];
            } else if (n == 2) {
                out[o++] = 1;
                out[o++] = in[lit];
                out[o++] = 1;
                out[o++] = in[lit + 1];
            } else {
                out[o++] = 0;
                out[o++] = static_cast<uint8_t>(n);
                std::memcpy(out + o, in + lit, static_cast<size_t>(n));
                o += n;
                if (n & 1) out[o++] = 0;
            }
            lit += n;
        }
    };
    while (pos < count) {
        if (pos - lit > 255) flush(lit + 255);
        if (pos + 1 < count && in[pos] == in[pos + 1]) {
            flush(pos);
            int32_t run = 1;
            while (pos + run < count && run < 255 && in[pos + run] == in[pos]) ++run;
            out[o++] = static_cast<uint8_t>(run);
            out[o++] = in[pos];
            pos += run;
            lit = pos;
        } else {
            ++pos;
        }
    }
    flush(count);
    out[o++] = 0;
    out[o++] = 0;
    return o;
}

int32_t EncodeRLE4Row(const uint8_t* in, int32_t count, uint8_t* out) {
    int32_t o = 0, pos = 0, lit = 0;
    auto flush = [&](int32_t upto) {
        while (lit < upto) {
            int32_t n = std::min(255, upto - lit);
            if (n == 1) {
                out[o++] = 1;
                out[o++] = static_cast<uint8_t>(in[lit] << 4);
            } else if (n == 2) {
                out[o++] = 2;
                out[o++] = static_cast<uint8_t>((in[lit] << 4) | (in[lit + 1] & 15));
            } else {
                out[o++] = 0;
                out[o++] = static_cast<uint8_t>(n);
                int32_t bytes = (n + 1) / 2;
                for (int32_t b = 0; b < bytes; ++b) {
                    uint8_t hi = in[lit + b * 2] & 15;
                    uint8_t lo = (b * 2 + 1 < n) ? (in[lit + b * 2 + 1] & 15) : 0;
                    out[o++] = static_cast<uint8_t>((hi << 4) | lo);
                }
                if (bytes & 1) out[o++] = 0;
            }
            lit += n;
        }
    };
    while (pos < count) {
        if (pos - lit > 255) flush(lit + 255);
        if (pos + 1 < count && in[pos] == in[pos + 1]) {
            flush(pos);
            int32_t run = 1;
            while (pos + run < count && run < 255 && in[pos + run] == in[pos]) ++run;
            out[o++] = static_cast<uint8_t>(run);
            out[o++] = static_cast<uint8_t>(((in[pos] & 15) << 4) | (in[pos] & 15));
            pos += run;
            lit = pos;
        } else {
            ++pos;
        }
    }
    flush(count);
    out[o++] = 0;
    out[o++] = 0;
    return o;
}

void WriteBMPStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& aborting = Progress.Aborting ? *Progress.Aborting : dummy;
    const int32_t width = Bitmap->Width(), height = Bitmap->Height();
    if (width <= 0 || height <= 0) {
        aborting = true;
        return;
    }
    int bits;
    if (Params.BitsPerSample == 1 || Params.BitsPerSample == 4)
        bits = Params.BitsPerSample;
    else if (Params.SamplesPerPixel == 1)
        bits = 8;
    else if (Bitmap->HasAlphaChannel())
        bits = 32;
    else
        bits = 24;
    const bool os2 = Params.BMPVersion == 2;
    const bool rle = Params.BMPCompression == 1 && !os2 && (bits == 4 || bits == 8);

    // Everything but 1 bit, 4/8-bit indices and ie1g->1 works from 24-bit rows.
    std::unique_ptr<TIEBitmap> work;
    TIEBitmap* src = Bitmap;
    auto toRGB = [&]() {
        if (src->PixelFormat() == ieRGB24) return;
        work = std::make_unique<TIEBitmap>();
        work->Assign(Bitmap);
        work->ConvertTo(ieRGB24);
        src = work.get();
    };
    if (bits == 24 || bits == 32) toRGB();
    if ((bits == 4 || bits == 8) && src->PixelFormat() != ie8p) toRGB();

    const int64_t start = Stream.Position();
    uint8_t fh[14] = {'B', 'M'};
    WriteStreamChecked(Stream, aborting, fh, 14);
    const int32_t headerSize = os2 ? 12 : Params.BMPVersion == 3 ? 64 : 40;
    uint8_t ih[64] = {};
    PutLE32(ih, headerSize);
    if (os2) {
        PutLE16(ih + 4, width);
        PutLE16(ih + 6, height);
        PutLE16(ih + 8, 1);
    } else {
        PutLE32(ih + 4, width);
        PutLE32(ih + 8, height);
        PutLE16(ih + 12, 1);
        PutLE32(ih + 16, rle ? (bits == 4 ? 2 : 1) : 0);
        PutLE32(ih + 24, static_cast<uint32_t>(Round(Params.DpiX / 2.54 * 100)));
        PutLE32(ih + 28, static_cast<uint32_t>(Round(Params.DpiY / 2.54 * 100)));
        PutLE32(ih + 32, bits <= 8 ? (1u << bits) : 0);
        PutLE32(ih + 36, 1u << (bits % 32));
    }
    const int64_t headerPos = Stream.Position();
    WriteStreamChecked(Stream, aborting, ih, headerSize);

    Progress.Per1 = 100.0 / height;
    const int32_t rowLen = static_cast<int32_t>(((static_cast<int64_t>(width) * bits + 31) / 32) * 4);
    std::vector<uint8_t> row(static_cast<size_t>(rowLen));
    auto writeTable = [&](const TRGB* pal, int n) {
        std::vector<uint8_t> t;
        for (int i = 0; i < n; ++i) {
            t.push_back(pal[i].b);
            t.push_back(pal[i].g);
            t.push_back(pal[i].r);
            if (!os2) t.push_back(0);
        }
        WriteStreamChecked(Stream, aborting, t.data(), static_cast<int64_t>(t.size()));
    };
    int64_t rowsStart = 0;
    auto progressRow = [&](int32_t k) {
        if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, static_cast<int>(k * Progress.Per1));
        return !aborting;
    };

    if (bits == 4 || bits == 8) {
        const int n = 1 << bits;
        Params.SetPaletteCount(n);
        TIEQuantizer q(src, Params.Palette.data(), n);
        writeTable(Params.Palette.data(), n);
        rowsStart = Stream.Position();
        std::vector<uint8_t> idx(static_cast<size_t>(width));
        std::vector<uint8_t> enc(static_cast<size_t>(width) * 10 + 16);
        for (int32_t k = 0; k < height && progressRow(k); ++k) {
            uint8_t* s = src->Scanline(height - 1 - k);
            for (int32_t x = 0; x < width; ++x) {
                if (src->PixelFormat() == ie8p) {
                    uint8_t v = s[x];
                    // Indices the table cannot hold go to the nearest colour it has.
                    idx[x] = v < n ? v : static_cast<uint8_t>(q.GetColorIndex(src->GetPalette(v)));
                } else {
                    TRGB c;
                    std::memcpy(&c, s + x * 3, 3);
                    idx[x] = static_cast<uint8_t>(q.GetColorIndex(c));
                }
            }
            if (rle) {
                int32_t len = bits == 8 ? EncodeRLE8Row(idx.data(), width, enc.data())
                                        : EncodeRLE4Row(idx.data(), width, enc.data());
                WriteStreamChecked(Stream, aborting, enc.data(), len);
            } else {
                std::fill(row.begin(), row.end(), 0);
                if (bits == 8)
                    std::memcpy(row.data(), idx.data(), static_cast<size_t>(width));
                else
                    for (int32_t x = 0; x < width; ++x) row[x / 2] |= (x & 1) ? idx[x] : (idx[x] << 4);
                WriteStreamChecked(Stream, aborting, row.data(), rowLen);
            }
        }
        if (rle && !aborting) {
            uint8_t eob[2] = {0, 1};
            WriteStreamChecked(Stream, aborting, eob, 2);
        }
    } else if (bits == 1) {
        Params.SetPaletteCount(2);
        std::unique_ptr<TIEBitmap> bw;
        TIEBitmap* b1 = src;
        if (src->PixelFormat() == ie1g) {
            Params.Palette[0] = TRGB{0, 0, 0};
            Params.Palette[1] = TRGB{255, 255, 255};
        } else {
            TIEBitmap* rgb = src;
            std::unique_ptr<TIEBitmap> tmp;
            if (src->PixelFormat() != ieRGB24) {
                tmp = std::make_unique<TIEBitmap>();
                tmp->Assign(src);
                tmp->ConvertTo(ieRGB24);
                rgb = tmp.get();
            }
            TRGB c0, c1;
            bw = TryConvertTo1Bit(rgb, c0, c1);
            if (bw) {
                Params.Palette[0] = c0;
                Params.Palette[1] = c1;
            } else {
                bw = std::make_unique<TIEBitmap>();
                bw->Assign(src);
                bw->ConvertTo(ie1g);
                Params.Palette[0] = TRGB{0, 0, 0};
                Params.Palette[1] = TRGB{255, 255, 255};
            }
            b1 = bw.get();
        }
        writeTable(Params.Palette.data(), 2);
        rowsStart = Stream.Position();
        for (int32_t k = 0; k < height && progressRow(k); ++k) {
            std::fill(row.begin(), row.end(), 0);
            std::memcpy(row.data(), b1->Scanline(height - 1 - k), static_cast<size_t>(std::min(rowLen, b1->RowLen())));
            WriteStreamChecked(Stream, aborting, row.data(), rowLen);
        }
    } else {
        rowsStart = Stream.Position();
        TIEBitmap* alpha = bits == 32 ? Bitmap->AlphaChannel() : nullptr;
        for (int32_t k = 0; k < height && progressRow(k); ++k) {
            std::fill(row.begin(), row.end(), 0);
            const int32_t y = height - 1 - k;
            uint8_t* s = src->Scanline(y);
            if (bits == 24) {
                std::memcpy(row.data(), s, static_cast<size_t>(width) * 3);
            } else {
                for (int32_t x = 0; x < width; ++x) {
                    row[x * 4] = s[x * 3];
                    row[x * 4 + 1] = s[x * 3 + 1];
                    row[x * 4 + 2] = s[x * 3 + 2];
                }
                uint8_t* a = alpha->Scanline(y);
                for (int32_t x = 0; x < width; ++x) row[x * 4 + 3] = a[x];
            }
            WriteStreamChecked(Stream, aborting, row.data(), rowLen);
        }
    }
    if (aborting) return;
    const int64_t end = Stream.Position();
    PutLE32(fh + 2, static_cast<uint32_t>(end - start));
    PutLE32(fh + 10, static_cast<uint32_t>(rowsStart - start));
    Stream.Seek(start, soBeginning);
    WriteStreamChecked(Stream, aborting, fh, 14);
    if (os2) {
        PutLE16(ih + 10, bits);
    } else {
        PutLE16(ih + 14, bits);
        PutLE32(ih + 20, static_cast<uint32_t>(end - rowsStart));
    }
    Stream.Seek(headerPos, soBeginning);
    WriteStreamChecked(Stream, aborting, ih, headerSize);
    Stream.Seek(end, soBeginning);
}
