#include "imaging/io/iepng.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/quantizer.h"
#include "platform/classlib/graphics.h"
#include "platform/rtl/sysutils.h"

using namespace ieio;

// libpng reports errors by longjmp: the guarded sections below hold no objects with
// destructors, everything they touch lives in the calling function.

namespace {

struct PngIO {
    TStream* Stream = nullptr;
    std::atomic<bool>* Aborting = nullptr;
    bool Truncated = false;
};

void ReadData(png_structp png, png_bytep data, png_size_t length) {
    auto* io = static_cast<PngIO*>(png_get_io_ptr(png));
    if (io->Truncated) png_error(png, "short read");
    int64_t got = io->Stream->Read(data, static_cast<int64_t>(length));
    if (got != static_cast<int64_t>(length)) {
        // A truncated file is a failed load, not a silent success. The rows whose data
        // arrived still decode: the missing tail reads as zeros until the codec stops.
        if (io->Aborting) *io->Aborting = true;
        io->Truncated = true;
        if (got < 0) got = 0;
        std::memset(data + got, 0, length - static_cast<size_t>(got));
    }
}

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* io = static_cast<PngIO*>(png_get_io_ptr(png));
    if (io->Stream->Write(data, static_cast<int64_t>(length)) != static_cast<int64_t>(length) && io->Aborting)
        *io->Aborting = true;
}

void FlushData(png_structp) {}

void ReadError(png_structp png, png_const_charp) {
    auto* flag = static_cast<bool*>(png_get_error_ptr(png));
    if (flag) *flag = true;
    png_longjmp(png, 1);
}

void WriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void Warning(png_structp, png_const_charp) {}

struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0, passes = 1, channels = 0;
    bool native = false;
    bool bw = false;        // ie1g rows straight from the file
    bool invertBW = false;  // 1-bit palette white-then-black
};

bool ReadHeader(ReadState& st, TIOParamsVals& Params) {
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_read_info(st.png, st.info);
    png_get_IHDR(st.png, st.info, &st.width, &st.height, &st.depth, &st.colorType, &st.interlace, nullptr, nullptr);
    Params.PNGTextKeys.Clear();
    Params.PNGTextValues.Clear();
    png_textp text = nullptr;
    int ntext = 0;
    png_get_text(st.png, st.info, &text, &ntext);
    for (int i = 0; i < ntext; ++i) {
        Params.PNGTextKeys.Add(text[i].key ? text[i].key : "");
        Params.PNGTextValues.Add(text[i].text ? std::string(text[i].text, text[i].text_length) : "");
    }
    png_colorp pal = nullptr;
    int npal = 0;
    if (st.colorType == PNG_COLOR_TYPE_PALETTE) png_get_PLTE(st.png, st.info, &pal, &npal);
    const bool hasTRNS = png_get_valid(st.png, st.info, PNG_INFO_tRNS) != 0;

    st.native = Params.IsNativePixelFormat && st.depth == 8 &&
                (st.colorType == PNG_COLOR_TYPE_PALETTE || st.colorType == PNG_COLOR_TYPE_GRAY);
    if (st.depth == 1 && st.colorType == PNG_COLOR_TYPE_GRAY) {
        st.bw = true;
    } else if (st.depth == 1 && st.colorType == PNG_COLOR_TYPE_PALETTE && !hasTRNS && npal == 2 &&
               pal[0].red == pal[0].green && pal[0].green == pal[0].blue && pal[1].red == pal[1].green &&
               pal[1].green == pal[1].blue &&
               ((pal[0].red == 0 && pal[1].red == 255) || (pal[0].red == 255 && pal[1].red == 0))) {
        // Only a black-and-white palette can stay 1-bit; others keep their colours.
        st.bw = true;
        st.invertBW = pal[0].red == 255;
    } else if (!st.native) {
        if (st.colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(st.png);
        // A transparent grey level or colour becomes alpha, as a palette's does.
        if (hasTRNS) png_set_tRNS_to_alpha(st.png);
        if (st.colorType == PNG_COLOR_TYPE_GRAY && st.depth < 8) png_set_expand(st.png);
        if (st.depth == 16) png_set_strip_16(st.png);
        if (st.depth < 8) png_set_packing(st.png);
        if (st.colorType == PNG_COLOR_TYPE_GRAY || st.colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(st.png);
        png_set_bgr(st.png);
    }
    st.passes = png_set_interlace_handling(st.png);
    png_read_update_info(st.png, st.info);
    st.channels = png_get_channels(st.png, st.info);

    Params.Width = static_cast<int32_t>(st.width);
    Params.Height = static_cast<int32_t>(st.height);
    Params.BitsPerSample = st.depth;
    switch (st.colorType) {
        case PNG_COLOR_TYPE_RGB: Params.SamplesPerPixel = 3; break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: Params.SamplesPerPixel = 2; break;
        case PNG_COLOR_TYPE_RGB_ALPHA: Params.SamplesPerPixel = 4; break;
        default: Params.SamplesPerPixel = 1; break;
    }
    png_uint_32 rx = 0, ry = 0;
    int unit = 0;
    if (png_get_pHYs(st.png, st.info, &rx, &ry, &unit) == 0) rx = ry = 0;
    int32_t dx = static_cast<int32_t>(Round(rx / 100.0 * 2.54));
    int32_t dy = static_cast<int32_t>(Round(ry / 100.0 * 2.54));
    Params.SetDpiX(dx == 0 ? DefaultDpiX : dx);
    Params.SetDpiY(dy == 0 ? DefaultDpiY : dy);
    Params.FreePalette();
    if (st.colorType == PNG_COLOR_TYPE_PALETTE && npal > 0) {
        Params.SetPaletteCount(npal);
        for (int i = 0; i < npal; ++i) Params.Palette[i] = TRGB{pal[i].blue, pal[i].green, pal[i].red};
    }
    Params.PNGInterlaced = st.interlace != PNG_INTERLACE_NONE;
    return true;
}

struct RowJob {
    TIEBitmap* bitmap = nullptr;
    TIEBitmap* alpha = nullptr;
    uint8_t* buffer = nullptr;  // 4-channel rows, or the whole image when interlaced
    int32_t rowsDone = 0;
    int shown = -1;  // the last percentage reported
    double step = 0;
    TIEProgressRecord* progress = nullptr;
    const PngIO* io = nullptr;
    bool finished = false;
};

bool ReadRows(ReadState& st, RowJob& job) {
    if (setjmp(png_jmpbuf(st.png))) return false;
    const int32_t h = static_cast<int32_t>(st.height), w = static_cast<int32_t>(st.width);
    const bool four = st.channels == 4;
    const bool whole = four && st.passes > 1;
    for (int pass = 0; pass < st.passes; ++pass) {
        for (int32_t y = 0; y < h; ++y) {
            if (job.progress->Aborted() && !job.io->Truncated) return true;
            uint8_t* dst = four ? (whole ? job.buffer + static_cast<size_t>(y) * w * 4 : job.buffer)
                                : job.bitmap->Scanline(y);
            png_read_row(st.png, dst, nullptr);
            if (four && (!whole || pass == st.passes - 1)) {
                uint8_t* d = job.bitmap->Scanline(y);
                uint8_t* a = job.alpha->Scanline(y);
                for (int32_t x = 0; x < w; ++x) {
                    d[x * 3] = dst[x * 4];
                    d[x * 3 + 1] = dst[x * 4 + 1];
                    d[x * 3 + 2] = dst[x * 4 + 2];
                    a[x] = dst[x * 4 + 3];
                }
            }
            ++job.rowsDone;
            const int percent = static_cast<int>(job.rowsDone * job.step);
            if (job.progress->OnProgress && percent != job.shown) {
                job.shown = percent;
                job.progress->OnProgress(job.progress->Sender, percent);
            }
        }
    }
    png_read_end(st.png, nullptr);
    job.finished = true;
    return true;
}

}  // namespace

bool IsPNGStream(TStream& Stream) {
    uint8_t sig[8] = {};
    int64_t got = Stream.Read(sig, 8);
    Stream.Seek(-got, soCurrent);
    return got == 8 && png_sig_cmp(sig, 0, 4) == 0;
}

namespace {

// Walks the chunk lengths up to the image data without reading the chunks: the
// codec allocates each chunk at the length it declares, so a chunk longer than
// the bytes left is refused before it gets that far.
bool ChunksFitTheData(TStream& Stream) {
    const int64_t Start = Stream.Position(), End = Stream.Size();
    int64_t At = Start + 8;
    bool Fits = true;
    while (At + 8 <= End) {
        uint8_t Head[8];
        Stream.SetPosition(At);
        if (Stream.Read(Head, 8) != 8) break;
        // From the image data on, the codec reads as it goes (a cut file keeps
        // the rows that arrived).
        if (std::memcmp(Head + 4, "IDAT", 4) == 0 || std::memcmp(Head + 4, "IEND", 4) == 0) break;
        const int64_t Length = (int64_t(Head[0]) << 24) | (Head[1] << 16) | (Head[2] << 8) | Head[3];
        if (Length > End - (At + 8)) {
            Fits = false;
            break;
        }
        At += 12 + Length;
    }
    Stream.SetPosition(Start);
    return Fits;
}

}  // namespace

void ReadPNGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>* flag = Progress.Aborting ? Progress.Aborting : &dummy;
    if (!ChunksFitTheData(Stream)) {
        *flag = true;
        return;
    }
    PngIO io{&Stream, flag};
    ReadState st;
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, flag, ReadError, Warning);
    if (!st.png) {
        *flag = true;
        return;
    }
    st.info = png_create_info_struct(st.png);
    if (!st.info) {
        png_destroy_read_struct(&st.png, nullptr, nullptr);
        *flag = true;
        return;
    }
    png_set_read_fn(st.png, &io, ReadData);
    // A chunk is allocated at the length it declares: no more than the bytes
    // present may be asked for (compressed text may grow, hence the floor).
    png_set_chunk_malloc_max(st.png, static_cast<png_alloc_size_t>(
                                         std::max<int64_t>(Stream.Size() - Stream.Position(), 8 << 20)));
    bool ok = ReadHeader(st, Params);
    if (!ok || Preview) {
        if (!ok) *flag = true;
        png_destroy_read_struct(&st.png, &st.info, nullptr);
        return;
    }
    const int32_t w = static_cast<int32_t>(st.width), h = static_cast<int32_t>(st.height);
    if (!PlausibleSize(w, h, Stream.Size() - Stream.Position(), 1 << 16)) {
        *flag = true;
        png_destroy_read_struct(&st.png, &st.info, nullptr);
        return;
    }
    TIEPixelFormat pf = ieRGB24;
    if (st.bw)
        pf = ie1g;
    else if (st.native && st.channels == 1)
        pf = st.colorType == PNG_COLOR_TYPE_PALETTE ? ie8p : ie8g;
    Reallocate(Bitmap, w, h, pf);
    if (Bitmap->IsEmpty()) {
        *flag = true;
        png_destroy_read_struct(&st.png, &st.info, nullptr);
        return;
    }
    if (pf == ie8p) {
        for (int i = 0; i < Params.PaletteCount && i < 256; ++i) Bitmap->SetPalette(i, Params.Palette[i]);
        Bitmap->PaletteColorCount = 1 << st.depth;
    }
    std::vector<uint8_t> buffer;
    RowJob job;
    job.bitmap = Bitmap;
    job.progress = &Progress;
    job.io = &io;
    job.step = 100.0 / (static_cast<double>(h) * st.passes);
    if (st.channels == 4) {
        job.alpha = Bitmap->AlphaChannel();
        job.alpha->Full = false;
        buffer.assign(static_cast<size_t>(w) * 4 * (st.passes > 1 ? h : 1), 0);
        job.buffer = buffer.data();
    }
    ReadRows(st, job);
    png_destroy_read_struct(&st.png, &st.info, nullptr);
    if (st.invertBW) InvertBits(Bitmap);
}

// ---- Writing -------------------------------------------------------------------------

namespace {

struct WriteJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    int32_t width = 0, height = 0, depth = 8, colorType = PNG_COLOR_TYPE_RGB;
    bool interlace = false;
    png_color palette[256];
    int paletteCount = 0;
    png_byte trans[1] = {0};
    bool hasTrans = false;
    png_color_16 background{};
    bool hasBackground = false;
    png_uint_32 resX = 0, resY = 0;
    int filter = -1;
    int compression = 5;
    png_text* texts = nullptr;
    int textCount = 0;
    bool packing = false;
    int passes = 1;
};

bool WriteHeader(WriteJob& j) {
    if (setjmp(png_jmpbuf(j.png))) return false;
    png_set_IHDR(j.png, j.info, j.width, j.height, j.depth, j.colorType,
                 j.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(j.png, j.info, j.resX, j.resY, PNG_RESOLUTION_METER);
    if (j.paletteCount > 0) png_set_PLTE(j.png, j.info, j.palette, j.paletteCount);
    if (j.hasTrans) png_set_tRNS(j.png, j.info, j.trans, 1, nullptr);
    if (j.hasBackground) png_set_bKGD(j.png, j.info, &j.background);
    if (j.filter >= 0) png_set_filter(j.png, PNG_FILTER_TYPE_BASE, j.filter);
    png_set_compression_level(j.png, j.compression);
    png_set_bgr(j.png);
    if (j.textCount > 0) png_set_text(j.png, j.info, j.texts, j.textCount);
    png_write_info(j.png, j.info);
    if (j.packing) png_set_packing(j.png);
    j.passes = png_set_interlace_handling(j.png);
    return true;
}

bool WriteRowSafe(WriteJob& j, uint8_t* row) {
    if (setjmp(png_jmpbuf(j.png))) return false;
    png_write_row(j.png, row);
    return true;
}

bool WriteEnd(WriteJob& j) {
    if (setjmp(png_jmpbuf(j.png))) return false;
    png_write_end(j.png, j.info);
    return true;
}

}  // namespace

void WritePNGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEMask* AlphaMask,
                    TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& aborting = Progress.Aborting ? *Progress.Aborting : dummy;
    const int32_t width = Bitmap->Width(), height = Bitmap->Height();
    if (width <= 0 || height <= 0) {
        aborting = true;
        return;
    }
    // Working bitmap: one of ie1g, ie8p, ie8g, ie16g, ieRGB24.
    std::unique_ptr<TIEBitmap> work;
    TIEBitmap* src = Bitmap;
    auto convert = [&](TIEPixelFormat pf) {
        auto b = std::make_unique<TIEBitmap>();
        b->Assign(Bitmap);
        b->ConvertTo(pf);
        work = std::move(b);
        src = work.get();
    };
    const bool withAlpha = AlphaMask != nullptr && !AlphaMask->Full && AlphaMask->Width == width &&
                           AlphaMask->Height == height;
    int bits = std::clamp(Params.BitsPerSample, 1, 16);
    enum Mode { BW, Palette, Grey8, Grey16, RGB } mode;
    bool twoColours = false;  // a 1-bit image whose bits stand for these colours
    TRGB colour0{}, colour1{};
    if (bits == 1) {
        mode = BW;
        if (src->PixelFormat() != ie1g) {
            std::unique_ptr<TIEBitmap> rgb;
            TIEBitmap* r = src;
            if (src->PixelFormat() != ieRGB24) {
                rgb = std::make_unique<TIEBitmap>();
                rgb->Assign(src);
                rgb->ConvertTo(ieRGB24);
                r = rgb.get();
            }
            TRGB c0, c1;
            auto b1 = TryConvertTo1Bit(r, c0, c1);
            if (b1) {
                work = std::move(b1);
                src = work.get();
                // Two colours other than black and white keep them in a palette.
                if (!(c0 == TRGB{0, 0, 0} && c1 == TRGB{255, 255, 255})) {
                    twoColours = true;
                    colour0 = c0;
                    colour1 = c1;
                }
            } else {
                convert(ie1g);
            }
        }
    } else if (Params.SamplesPerPixel == 1) {
        if (bits > 8) bits = src->PixelFormat() == ie16g && !withAlpha ? 16 : 8;
        if (bits == 16)
            mode = Grey16;
        else if (src->PixelFormat() == ie8g && bits == 8 && !withAlpha)
            mode = Grey8;
        else {
            mode = Palette;
            if (src->PixelFormat() != ie8p && src->PixelFormat() != ieRGB24) convert(ieRGB24);
        }
    } else {
        mode = RGB;
        if (src->PixelFormat() != ieRGB24) convert(ieRGB24);
    }

    WriteJob j;
    j.width = width;
    j.height = height;
    j.interlace = Params.PNGInterlaced;
    j.resX = static_cast<png_uint_32>(Round(Params.DpiX * 100 / 2.54));
    j.resY = static_cast<png_uint_32>(Round(Params.DpiY * 100 / 2.54));
    j.filter = Params.PNGFilter == 0 ? PNG_FILTER_NONE : Params.PNGFilter == 1 ? PNG_FILTER_SUB
             : Params.PNGFilter == 2 ? PNG_FILTER_PAETH : -1;
    j.compression = std::clamp(Params.PNGCompression, 0, 9);

    std::unique_ptr<TIEQuantizer> quant;
    TRGB qpal[256] = {};
    int n = 0;
    bool shifted = false;  // palette entry 0 is the transparent background
    switch (mode) {
        case BW:
            j.colorType = PNG_COLOR_TYPE_GRAY;
            j.depth = 1;
            if (twoColours) {
                j.colorType = PNG_COLOR_TYPE_PALETTE;
                j.palette[0] = png_color{colour0.r, colour0.g, colour0.b};
                j.palette[1] = png_color{colour1.r, colour1.g, colour1.b};
                j.paletteCount = 2;
            }
            break;
        case Grey8:
            j.colorType = PNG_COLOR_TYPE_GRAY;
            j.depth = 8;
            break;
        case Grey16:
            if (src->PixelFormat() != ie16g) convert(ie16g);
            j.colorType = PNG_COLOR_TYPE_GRAY;
            j.depth = 16;
            break;
        case RGB:
            j.colorType = withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
            j.depth = 8;
            break;
        case Palette:
            j.colorType = PNG_COLOR_TYPE_PALETTE;
            if (withAlpha) {
                j.depth = 8;
                n = std::min(1 << std::min(bits, 8), 255);
                quant = std::make_unique<TIEQuantizer>(src, qpal, n);
                shifted = true;
                j.palette[0] = png_color{Params.PNGBackground.r, Params.PNGBackground.g, Params.PNGBackground.b};
                for (int i = 0; i < n; ++i) j.palette[i + 1] = png_color{qpal[i].r, qpal[i].g, qpal[i].b};
                j.paletteCount = std::min(n + 1, 256);
                j.hasTrans = true;
                j.background.index = 0;
                j.hasBackground = true;
            } else {
                j.depth = std::min(bits, 8);
                n = 1 << j.depth;
                quant = std::make_unique<TIEQuantizer>(src, qpal, n);
                if (j.depth == 8 && quant->GrayScale() && src->PixelFormat() != ie8p) {
                    j.colorType = PNG_COLOR_TYPE_GRAY;
                } else {
                    for (int i = 0; i < n; ++i) j.palette[i] = png_color{qpal[i].r, qpal[i].g, qpal[i].b};
                    j.paletteCount = n;
                }
                j.background.index = static_cast<png_byte>(quant->GetColorIndex(Params.PNGBackground));
                j.background.gray = j.background.index;
                j.hasBackground = true;
                // Indices are handed over one byte per pixel; libpng packs them to the depth.
                j.packing = j.depth < 8;
            }
            break;
    }
    if (!j.hasBackground && mode != BW) {
        j.background.red = static_cast<png_uint_16>(Params.PNGBackground.r * 257);
        j.background.green = static_cast<png_uint_16>(Params.PNGBackground.g * 257);
        j.background.blue = static_cast<png_uint_16>(Params.PNGBackground.b * 257);
        j.background.gray = static_cast<png_uint_16>(mode == Grey16 ? RGBToGray(Params.PNGBackground) * 257
                                                                      : RGBToGray(Params.PNGBackground));
        j.hasBackground = true;
    }
    int nt = std::min(Params.PNGTextKeys.Count(), Params.PNGTextValues.Count());
    std::vector<std::string> keys(nt), values(nt);
    std::vector<png_text> texts(nt);
    for (int i = 0; i < nt; ++i) {
        keys[i] = Params.PNGTextKeys.Get(i);
        values[i] = Params.PNGTextValues.Get(i);
        texts[i] = png_text{};
        texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
        texts[i].key = keys[i].data();
        texts[i].text = values[i].data();
        texts[i].text_length = values[i].size();
    }
    j.texts = texts.data();
    j.textCount = nt;

    PngIO io{&Stream, &aborting};
    j.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, WriteError, Warning);
    if (!j.png) throw EInvalidGraphic("Error on creating PNG");
    j.info = png_create_info_struct(j.png);
    if (!j.info) {
        png_destroy_write_struct(&j.png, nullptr);
        throw EInvalidGraphic("Error on creating PNG");
    }
    png_set_write_fn(j.png, &io, WriteData, FlushData);
    bool failed = !WriteHeader(j);

    const size_t rowBytes = mode == RGB ? static_cast<size_t>(width) * (withAlpha ? 4 : 3)
                          : mode == Grey16 ? static_cast<size_t>(width) * 2
                          : mode == BW ? static_cast<size_t>((width + 7) / 8)
                                       : static_cast<size_t>(width);
    std::vector<uint8_t> row(rowBytes + 8);
    const double step = 100.0 / (static_cast<double>(height) * j.passes);
    int32_t done = 0;
    for (int pass = 0; pass < j.passes && !failed && !aborting; ++pass) {
        for (int32_t y = 0; y < height && !failed && !aborting; ++y) {
            uint8_t* s = src->Scanline(y);
            const uint8_t* m = withAlpha ? AlphaMask->GetScanline(y) : nullptr;
            auto alphaAt = [&](int32_t x) -> uint8_t {
                if (AlphaMask->BitsPerPixel == 1) return (m[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                return m[x];
            };
            switch (mode) {
                case BW:
                    std::memcpy(row.data(), s, rowBytes);
                    break;
                case Grey8:
                    std::memcpy(row.data(), s, rowBytes);
                    break;
                case Grey16:
                    // PNG holds 16-bit samples most significant byte first.
                    for (int32_t x = 0; x < width; ++x) {
                        uint16_t v;
                        std::memcpy(&v, s + x * 2, 2);
                        row[x * 2] = static_cast<uint8_t>(v >> 8);
                        row[x * 2 + 1] = static_cast<uint8_t>(v);
                    }
                    break;
                case RGB:
                    if (!withAlpha)
                        std::memcpy(row.data(), s, rowBytes);
                    else
                        for (int32_t x = 0; x < width; ++x) {
                            row[x * 4] = s[x * 3];
                            row[x * 4 + 1] = s[x * 3 + 1];
                            row[x * 4 + 2] = s[x * 3 + 2];
                            row[x * 4 + 3] = alphaAt(x);
                        }
                    break;
                case Palette:
                    for (int32_t x = 0; x < width; ++x) {
                        int idx;
                        if (src->PixelFormat() == ie8p) {
                            uint8_t v = s[x];
                            idx = v < n ? v : quant->GetColorIndex(src->GetPalette(v));
                        } else {
                            TRGB c;
                            std::memcpy(&c, s + x * 3, 3);
                            idx = quant->GetColorIndex(c);
                        }
                        if (shifted) idx = alphaAt(x) != 255 ? 0 : idx + 1;
                        row[x] = static_cast<uint8_t>(idx);
                    }
                    break;
            }
            if (!WriteRowSafe(j, row.data())) failed = true;
            ++done;
            if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, static_cast<int>(done * step));
        }
    }
    if (!failed && !aborting && !WriteEnd(j)) failed = true;
    png_destroy_write_struct(&j.png, &j.info);
    if (failed) throw EInvalidGraphic("Error on creating PNG");
}
