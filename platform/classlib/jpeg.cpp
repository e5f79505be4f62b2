#include "platform/classlib/jpeg.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>  // after <cstdio>: it needs FILE and size_t

namespace {

// libjpeg reports fatal errors through error_exit; it must not return, and C++
// exceptions must not cross its frames, so it jumps back and we raise after.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
    auto* e = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, e->message);
    std::longjmp(e->jump, 1);
}

void SilentMessage(j_common_ptr) {}

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const { return FBitmap ? FBitmap->Width() : FWidth; }
int TJPEGImage::Height() const { return FBitmap ? FBitmap->Height() : FHeight; }

void TJPEGImage::Assign(TBitmap& Source) {
    auto b = std::make_unique<TBitmap>();
    if (Source.PixelFormat() == pf24bit) {
        b->Assign(Source);
    } else {
        b->SetPixelFormat(pf24bit);
        b->SetSize(Source.Width(), Source.Height());
        if (!Source.Empty()) b->Canvas().Draw(0, 0, Source);
    }
    FBitmap = std::move(b);
    FData.clear();
    FWidth = FBitmap->Width();
    FHeight = FBitmap->Height();
    Changed();
}

void TJPEGImage::Assign(const TJPEGImage& S) {
    if (&S == this) return;
    FData = S.FData;
    FWidth = S.FWidth;
    FHeight = S.FHeight;
    CompressionQuality = S.CompressionQuality;
    ProgressiveEncoding = S.ProgressiveEncoding;
    Grayscale = S.Grayscale;
    FBitmap.reset();
    if (S.FBitmap) {
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->Assign(*S.FBitmap);
    }
    Changed();
}

void TJPEGImage::AssignTo(TBitmap& Dest) {
    DIBNeeded();
    if (FBitmap) Dest.Assign(*FBitmap);
}

void TJPEGImage::LoadFromStream(TStream& Stream) {
    int64_t n = Stream.Size() - Stream.Position();
    std::vector<unsigned char> data(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) Stream.ReadBuffer(data.data(), n);
    FData = std::move(data);
    FBitmap.reset();
    ReadHeader();
    Changed();
}

void TJPEGImage::SaveToStream(TStream& Stream) {
    JPEGNeeded();
    if (!FData.empty()) Stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TJPEGImage::ReadHeader() {
    jpeg_decompress_struct d;
    ErrorManager err;
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = SilentMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        FWidth = FHeight = 0;
        throw EJPEG(std::string("JPEG error: ") + err.message);
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, FData.data(), static_cast<unsigned long>(FData.size()));
    jpeg_read_header(&d, TRUE);
    FWidth = static_cast<int>(d.image_width);
    FHeight = static_cast<int>(d.image_height);
    jpeg_destroy_decompress(&d);
}

void TJPEGImage::DIBNeeded() {
    if (FBitmap || FData.empty()) return;
    jpeg_decompress_struct d;
    ErrorManager err;
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = SilentMessage;
    auto bmp = std::make_unique<TBitmap>();
    std::vector<unsigned char> row;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        throw EJPEG(std::string("JPEG error: ") + err.message);
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, FData.data(), static_cast<unsigned long>(FData.size()));
    jpeg_read_header(&d, TRUE);
    bool cmyk = d.jpeg_color_space == JCS_CMYK || d.jpeg_color_space == JCS_YCCK;
    d.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    d.scale_num = 1;
    d.scale_denom = 1u << Scale;
    if (Performance == jpBestSpeed) d.dct_method = JDCT_IFAST;
    jpeg_start_decompress(&d);
    int w = static_cast<int>(d.output_width), h = static_cast<int>(d.output_height);
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(w, h);
    row.resize(static_cast<size_t>(w) * d.output_components);
    // Adobe writes CMYK inverted.
    bool inverted = cmyk && d.saw_Adobe_marker;
    while (d.output_scanline < d.output_height) {
        int y = static_cast<int>(d.output_scanline);
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        auto* out = static_cast<unsigned char*>(bmp->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (cmyk) {
                int c = row[x * 4], m = row[x * 4 + 1], yy = row[x * 4 + 2], k = row[x * 4 + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yy = 255 - yy;
                    k = 255 - k;
                }
                out[x * 3 + 0] = static_cast<unsigned char>(yy * k / 255);
                out[x * 3 + 1] = static_cast<unsigned char>(m * k / 255);
                out[x * 3 + 2] = static_cast<unsigned char>(c * k / 255);
            } else {
                out[x * 3 + 0] = row[x * 3 + 2];
                out[x * 3 + 1] = row[x * 3 + 1];
                out[x * 3 + 2] = row[x * 3 + 0];
            }
        }
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    FBitmap = std::move(bmp);
}

void TJPEGImage::JPEGNeeded() {
    if (!FData.empty() || !FBitmap || FBitmap->Empty()) return;
    jpeg_compress_struct c;
    ErrorManager err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = SilentMessage;
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    int w = FBitmap->Width(), h = FBitmap->Height();
    std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(mem);
        throw EJPEG(std::string("JPEG error: ") + err.message);
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    if (Grayscale) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    int q = CompressionQuality < 1 ? 1 : CompressionQuality > 100 ? 100 : CompressionQuality;
    jpeg_set_quality(&c, q, TRUE);
    if (ProgressiveEncoding) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < h; ++y) {
        const auto* in = static_cast<const unsigned char*>(FBitmap->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x * 3 + 0] = in[x * 3 + 2];
            row[x * 3 + 1] = in[x * 3 + 1];
            row[x * 3 + 2] = in[x * 3 + 0];
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    FData.assign(mem, mem + size);
    std::free(mem);
}

void TJPEGImage::Draw(TCanvas& Canvas, const TRect& R) {
    DIBNeeded();
    if (FBitmap) Canvas.StretchDraw(R, *FBitmap);
}
