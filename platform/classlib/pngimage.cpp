#include "platform/classlib/pngimage.h"

#include <png.h>

#include <cstring>

namespace {

struct ReadState {
    const unsigned char* data;
    size_t size;
    size_t pos;
};

void ReadData(png_structp png, png_bytep out, png_size_t n) {
    auto* s = static_cast<ReadState*>(png_get_io_ptr(png));
    if (s->size - s->pos < n) png_error(png, "PNG file is truncated");
    std::memcpy(out, s->data + s->pos, n);
    s->pos += n;
}

void WriteData(png_structp png, png_bytep in, png_size_t n) {
    static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png))->insert(
        static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png))->end(), in, in + n);
}

void FlushData(png_structp) {}

// libpng reports errors by longjmp; the message is kept to raise after.
struct ErrorText {
    char text[256] = "";
};

void OnError(png_structp png, png_const_charp msg) {
    auto* e = static_cast<ErrorText*>(png_get_error_ptr(png));
    std::strncpy(e->text, msg ? msg : "error", sizeof(e->text) - 1);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace

void TPngImage::LoadFromStream(TStream& Stream) {
    int64_t n = Stream.Size() - Stream.Position();
    std::vector<unsigned char> data(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) Stream.ReadBuffer(data.data(), n);
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) throw EPNGError("Invalid PNG image");

    ErrorText err;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
    if (!png) throw EOutOfMemory("Out of memory");
    png_infop info = png_create_info_struct(png);
    ReadState state{data.data(), data.size(), 0};
    std::vector<unsigned char> pixels;
    std::vector<png_bytep> rows;
    // volatile: set between setjmp and a possible longjmp
    volatile TPNGTransparencyMode mode = ptmNone;
    volatile TColor key = clNone;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw EPNGError(std::string("Invalid PNG image: ") + err.text);
    }
    png_set_read_fn(png, &state, ReadData);
    png_set_user_limits(png, 65535, 65535);
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    int colorType = png_get_color_type(png, info);
    bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_bytep trans = nullptr;
        int count = 0;
        png_color_16p tc = nullptr;
        png_get_tRNS(png, info, &trans, &count, &tc);
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
            mode = ptmBit;
            for (int i = 0; i < count; ++i)
                if (trans[i] != 0 && trans[i] != 255) mode = ptmPartial;
        } else if (tc) {
            mode = ptmBit;
            int bits = png_get_bit_depth(png, info);
            auto scale = [bits](int v) { return bits == 16 ? v >> 8 : bits < 8 ? v * 255 / ((1 << bits) - 1) : v; };
            if (colorType == PNG_COLOR_TYPE_GRAY) {
                int g = scale(tc->gray);
                key = RGB(static_cast<BYTE>(g), static_cast<BYTE>(g), static_cast<BYTE>(g));
            } else {
                key = RGB(static_cast<BYTE>(scale(tc->red)), static_cast<BYTE>(scale(tc->green)),
                          static_cast<BYTE>(scale(tc->blue)));
            }
        }
    } else if (hasAlpha) {
        mode = ptmPartial;
    }
    // Everything becomes 8-bit BGRA.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!hasAlpha && !png_get_valid(png, info, PNG_INFO_tRNS)) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) png_error(png, "unexpected row layout");
    pixels.resize(static_cast<size_t>(w) * h * 4);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * w * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    FWidth = static_cast<int>(w);
    FHeight = static_cast<int>(h);
    FPixels = std::move(pixels);
    FMode = mode;
    FTransparentColor = key;
    Changed();
}

void TPngImage::SaveToStream(TStream& Stream) {
    if (FWidth == 0 || FHeight == 0) throw EPNGError("Error on creating PNG");
    bool alpha = FMode != ptmNone;
    std::vector<unsigned char> out;
    ErrorText err;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
    if (!png) throw EPNGError("Error on creating PNG");
    png_infop info = png_create_info_struct(png);
    std::vector<unsigned char> row(static_cast<size_t>(FWidth) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw EPNGError("Error on creating PNG");
    }
    png_set_write_fn(png, &out, WriteData, FlushData);
    png_set_IHDR(png, info, static_cast<png_uint_32>(FWidth), static_cast<png_uint_32>(FHeight), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < FHeight; ++y) {
        const unsigned char* p = &FPixels[static_cast<size_t>(y) * FWidth * 4];
        size_t k = 0;
        for (int x = 0; x < FWidth; ++x) {
            row[k++] = p[x * 4 + 2];
            row[k++] = p[x * 4 + 1];
            row[k++] = p[x * 4 + 0];
            if (alpha) row[k++] = p[x * 4 + 3];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    Stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void TPngImage::Assign(TBitmap& Source) {
    TBitmap b;
    b.Assign(Source);
    b.SetPixelFormat(pf24bit);
    FWidth = b.Width();
    FHeight = b.Height();
    FPixels.assign(static_cast<size_t>(FWidth) * FHeight * 4, 0xFF);
    for (int y = 0; y < FHeight; ++y) {
        const auto* in = static_cast<const unsigned char*>(b.ScanLine(y));
        unsigned char* o = &FPixels[static_cast<size_t>(y) * FWidth * 4];
        for (int x = 0; x < FWidth; ++x) {
            o[x * 4 + 0] = in[x * 3 + 0];
            o[x * 4 + 1] = in[x * 3 + 1];
            o[x * 4 + 2] = in[x * 3 + 2];
        }
    }
    FMode = ptmNone;
    FTransparentColor = clNone;
    Changed();
}

void TPngImage::AssignTo(TBitmap& Dest) const {
    Dest.SetPixelFormat(pf24bit);
    Dest.SetSize(FWidth, FHeight);
    for (int y = 0; y < FHeight; ++y) {
        auto* o = static_cast<unsigned char*>(Dest.ScanLine(y));
        const unsigned char* p = &FPixels[static_cast<size_t>(y) * FWidth * 4];
        for (int x = 0; x < FWidth; ++x) {
            o[x * 3 + 0] = p[x * 4 + 0];
            o[x * 3 + 1] = p[x * 4 + 1];
            o[x * 3 + 2] = p[x * 4 + 2];
        }
    }
}

void TPngImage::Draw(TCanvas& Canvas, const TRect& R) {
    int w = R.Width(), h = R.Height();
    if (FWidth == 0 || FHeight == 0 || w <= 0 || h <= 0) return;
    HDC dst = Canvas.Handle();
    // Blend in a 32-bit copy of the covered area, then put it back: clipping and
    // origins stay the drawing layer's business.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP tmp = CreateDIBSection(/*Dc=*/nullptr, &bi, DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
    if (!tmp || !bits) return;
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, tmp);
    BitBlt(mem, 0, 0, w, h, dst, R.left, R.top, SRCCOPY);
    GdiFlush();
    auto* px = static_cast<unsigned char*>(bits);
    for (int y = 0; y < h; ++y) {
        int sy = h == FHeight ? y : static_cast<int>(static_cast<int64_t>(y) * FHeight / h);
        for (int x = 0; x < w; ++x) {
            int sx = w == FWidth ? x : static_cast<int>(static_cast<int64_t>(x) * FWidth / w);
            const unsigned char* s = Pixel(sx, sy);
            unsigned char* d = px + (static_cast<size_t>(y) * w + x) * 4;
            if (FMode == ptmNone) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else {
                int a = s[3];
                for (int c = 0; c < 3; ++c) d[c] = static_cast<unsigned char>((s[c] * a + (255 - a) * d[c] + 255) >> 8);
            }
        }
    }
    BitBlt(dst, R.left, R.top, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(tmp);
}
