// GDI+ flat calls over cairo, drawing into the drawing layer's surfaces.
#include "platform/gdiplus/gdiplus.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>

#include <atomic>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

struct GpGraphics {
    cairo_surface_t* Surface = nullptr;
    cairo_t* Cr = nullptr;
    GpSmoothingMode Smoothing = SmoothingModeDefault;
    GpTextRenderingHint TextHint = TextRenderingHintSystemDefault;
};

struct GpImage {
    cairo_surface_t* Surface = nullptr;  // ARGB32, premultiplied
    int Width = 0, Height = 0;
};

struct GpPen {
    ARGB Color = 0;
    REAL Width = 1;
    GpDashStyle Dash = DashStyleSolid;
};

struct GpBrush {
    ARGB Color = 0;
    cairo_pattern_t* Pattern = nullptr;  // gradients; nullptr for a solid fill
};

struct GpFontFamily {
    std::string Name;
};

struct GpFont {
    std::string Family;
    REAL Size = 0;
    INT Style = 0;
    GpUnit Unit = UnitPoint;
};

struct GpStringFormat {
    INT Flags = 0;
    GpStringAlignment Align = StringAlignmentNear;
    GpStringAlignment LineAlign = StringAlignmentNear;
    GpStringTrimming Trimming = StringTrimmingCharacter;
};

namespace {

std::atomic<int> Started{0};
std::mutex FaceLock;
FT_Library FreeType = nullptr;
std::map<std::string, cairo_font_face_t*>& FaceCache() {
    static auto* Cache = new std::map<std::string, cairo_font_face_t*>();  // lives as long as cairo's caches
    return *Cache;
}
const cairo_user_data_key_t FaceKey{};

bool Ready() { return Started.load() > 0; }

void SetSource(cairo_t* Cr, ARGB C) {
    cairo_set_source_rgba(Cr, ((C >> 16) & 0xFF) / 255.0, ((C >> 8) & 0xFF) / 255.0, (C & 0xFF) / 255.0,
                          ((C >> 24) & 0xFF) / 255.0);
}

void SetBrush(cairo_t* Cr, const GpBrush* B) {
    if (B->Pattern)
        cairo_set_source(Cr, B->Pattern);
    else
        SetSource(Cr, B->Color);
}

bool Smooth(const GpGraphics* G) {
    return G->Smoothing == SmoothingModeAntiAlias || G->Smoothing == SmoothingModeHighQuality;
}

// Every call starts from what the drawing layer left in the pixels and hands
// its pixels back at the end.
struct TOp {
    explicit TOp(GpGraphics* G) : G(G) {
        cairo_surface_mark_dirty(G->Surface);
        cairo_save(G->Cr);
        cairo_set_antialias(G->Cr, Smooth(G) ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    }
    ~TOp() {
        cairo_restore(G->Cr);
        cairo_surface_flush(G->Surface);
    }
    GpGraphics* G;
};

void StrokePen(cairo_t* Cr, const GpPen* P) {
    SetSource(Cr, P->Color);
    double W = P->Width > 0 ? P->Width : 1.0;
    cairo_set_line_width(Cr, W);
    cairo_set_line_join(Cr, CAIRO_LINE_JOIN_MITER);
    double On = 0, Off = 0;
    switch (P->Dash) {
        case DashStyleDot: On = 1; Off = 1; break;
        case DashStyleDash: On = 3; Off = 1; break;
        default: break;
    }
    if (On > 0) {
        double D[2] = {On * W, Off * W};
        cairo_set_dash(Cr, D, 2, 0);
        cairo_set_line_cap(Cr, CAIRO_LINE_CAP_BUTT);
    } else {
        // Both end pixels are covered, as one-pixel lines are expected to be.
        cairo_set_line_cap(Cr, CAIRO_LINE_CAP_SQUARE);
    }
    cairo_stroke(Cr);
}

// ---- Text ----------------------------------------------------------------------

std::string Utf8(const WCHAR* Text, INT Length) {
    std::string Out;
    if (!Text) return Out;
    size_t N = Length < 0 ? std::char_traits<char16_t>::length(Text) : static_cast<size_t>(Length);
    for (size_t I = 0; I < N; ++I) {
        uint32_t C = Text[I];
        if (C >= 0xD800 && C < 0xDC00 && I + 1 < N && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) {
            C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00);
            ++I;
        } else if (C >= 0xD800 && C < 0xE000) {
            C = 0xFFFD;
        }
        if (C < 0x80) {
            Out += static_cast<char>(C);
        } else if (C < 0x800) {
            Out += static_cast<char>(0xC0 | (C >> 6));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        } else if (C < 0x10000) {
            Out += static_cast<char>(0xE0 | (C >> 12));
            Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        } else {
            Out += static_cast<char>(0xF0 | (C >> 18));
            Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
            Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        }
    }
    return Out;
}

void DoneFace(void* Face) { FT_Done_Face(static_cast<FT_Face>(Face)); }

cairo_font_face_t* FaceFor(const GpFont* F) {
    char File[1024];
    bool Bold = (F->Style & FontStyleBold) != 0, Italic = (F->Style & FontStyleItalic) != 0;
    if (!GdiMappedFontFile(F->Family.c_str(), Bold ? FW_BOLD : FW_NORMAL, Italic, File, sizeof File)) return nullptr;
    std::lock_guard<std::mutex> L(FaceLock);
    auto& Cache = FaceCache();
    auto It = Cache.find(File);
    if (It != Cache.end()) return It->second;
    if (!FreeType && FT_Init_FreeType(&FreeType) != 0) return nullptr;
    FT_Face Face = nullptr;
    if (FT_New_Face(FreeType, File, 0, &Face) != 0) return nullptr;
    cairo_font_face_t* CF = cairo_ft_font_face_create_for_ft_face(Face, 0);
    if (cairo_font_face_set_user_data(CF, &FaceKey, Face, DoneFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(CF);
        FT_Done_Face(Face);
        return nullptr;
    }
    Cache[File] = CF;
    return CF;
}

double FontPixels(const GpFont* F) {
    switch (F->Unit) {
        case UnitPoint: return F->Size * 96.0 / 72.0;
        case UnitInch: return F->Size * 96.0;
        case UnitMillimeter: return F->Size * 96.0 / 25.4;
        case UnitDocument: return F->Size * 96.0 / 300.0;
        default: return F->Size;
    }
}

bool SetFont(cairo_t* Cr, const GpFont* F, GpTextRenderingHint Hint) {
    cairo_font_face_t* Face = FaceFor(F);
    if (!Face) return false;
    cairo_set_font_face(Cr, Face);
    cairo_set_font_size(Cr, FontPixels(F));
    cairo_font_options_t* O = cairo_font_options_create();
    bool Mono = Hint == TextRenderingHintSingleBitPerPixel || Hint == TextRenderingHintSingleBitPerPixelGridFit;
    cairo_font_options_set_antialias(O, Mono ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(O, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(O, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(Cr, O);
    cairo_font_options_destroy(O);
    return true;
}

double TextWidth(cairo_t* Cr, const std::string& S) {
    if (S.empty()) return 0;
    cairo_text_extents_t E;
    cairo_text_extents(Cr, S.c_str(), &E);
    return E.x_advance;
}

// Byte offsets where characters start.
std::vector<size_t> CharStarts(const std::string& S) {
    std::vector<size_t> R;
    for (size_t I = 0; I < S.size(); ++I)
        if ((static_cast<unsigned char>(S[I]) & 0xC0) != 0x80) R.push_back(I);
    return R;
}

const char* const Ellipsis = "\xE2\x80\xA6";

// Cuts Line to fit Width as the trimming asks.
std::string Trim(cairo_t* Cr, const std::string& Line, double Width, GpStringTrimming T) {
    if (T == StringTrimmingNone || TextWidth(Cr, Line) <= Width) return Line;
    bool Dots = T == StringTrimmingEllipsisCharacter || T == StringTrimmingEllipsisWord ||
                T == StringTrimmingEllipsisPath;
    bool Words = T == StringTrimmingWord || T == StringTrimmingEllipsisWord;
    std::string Tail = Dots ? Ellipsis : "";
    if (Words) {
        // Drop whole words from the end while a word boundary is left.
        size_t End = Line.size();
        while (true) {
            size_t Sp = Line.rfind(' ', End == 0 ? 0 : End - 1);
            if (Sp == std::string::npos || Sp == 0) break;
            size_t Cut = Sp;
            while (Cut > 0 && Line[Cut - 1] == ' ') --Cut;
            if (Cut == 0) break;
            std::string Try = Line.substr(0, Cut) + Tail;
            if (TextWidth(Cr, Try) <= Width) return Try;
            End = Cut;
        }
    }
    std::vector<size_t> Starts = CharStarts(Line);
    for (size_t N = Starts.size(); N-- > 0;) {
        std::string Try = Line.substr(0, Starts[N]) + Tail;
        if (TextWidth(Cr, Try) <= Width) return Try;
    }
    return "";
}

// Breaks a paragraph into lines no wider than Width, at blanks where possible.
void Wrap(cairo_t* Cr, const std::string& Para, double Width, std::vector<std::string>& Lines) {
    if (TextWidth(Cr, Para) <= Width) {
        Lines.push_back(Para);
        return;
    }
    std::string Rest = Para;
    while (!Rest.empty()) {
        if (TextWidth(Cr, Rest) <= Width) {
            Lines.push_back(Rest);
            return;
        }
        std::vector<size_t> Starts = CharStarts(Rest);
        size_t Fit = 0;  // characters that fit
        while (Fit < Starts.size()) {
            size_t End = Fit + 1 < Starts.size() ? Starts[Fit + 1] : Rest.size();
            if (TextWidth(Cr, Rest.substr(0, End)) > Width) break;
            ++Fit;
        }
        if (Fit == 0) Fit = 1;  // one character at least, or nothing would move
        size_t Cut = Fit < Starts.size() ? Starts[Fit] : Rest.size();
        size_t Sp = Rest.rfind(' ', Cut);
        size_t Next;
        if (Sp != std::string::npos && Sp > 0 && Sp <= Cut) {
            Lines.push_back(Rest.substr(0, Sp));
            Next = Sp;
        } else {
            Lines.push_back(Rest.substr(0, Cut));
            Next = Cut;
        }
        while (Next < Rest.size() && Rest[Next] == ' ') ++Next;
        Rest = Rest.substr(Next);
    }
}

struct TLaidLine {
    std::string Text;
    double X = 0, Baseline = 0, Width = 0;
};

struct TLayout {
    std::vector<TLaidLine> Lines;
    double Top = 0, Height = 0, LineHeight = 0, Ascent = 0, Em = 0;
    RectF Bounds;
};

void LayOut(cairo_t* Cr, const std::string& Text, const GpFont* Font, const RectF& R, const GpStringFormat* Fmt,
            TLayout& L) {
    GpStringFormat Default;
    if (!Fmt) Fmt = &Default;
    cairo_font_extents_t FE;
    cairo_font_extents(Cr, &FE);
    L.LineHeight = FE.height;
    L.Ascent = FE.ascent;
    L.Em = FontPixels(Font);
    double Pad = L.Em / 6.0;  // the leading and trailing room of each line
    double Avail = R.Width > 0 ? R.Width - 2 * Pad : 0;
    bool NoWrap = (Fmt->Flags & StringFormatFlagsNoWrap) != 0 || R.Width <= 0;

    std::vector<std::string> Paras;
    size_t Start = 0;
    for (size_t I = 0; I <= Text.size(); ++I) {
        if (I == Text.size() || Text[I] == '\n') {
            std::string P = Text.substr(Start, I - Start);
            if (!P.empty() && P.back() == '\r') P.pop_back();
            Paras.push_back(P);
            Start = I + 1;
        }
    }
    std::vector<std::string> Lines;
    for (const auto& P : Paras) {
        if (NoWrap)
            Lines.push_back(P);
        else
            Wrap(Cr, P, Avail > 0 ? Avail : 1, Lines);
    }
    if (R.Height > 0 && (Fmt->Flags & StringFormatFlagsLineLimit)) {
        size_t Fit = static_cast<size_t>(std::floor(R.Height / L.LineHeight));
        if (Fit < 1) Fit = 1;
        if (Lines.size() > Fit) Lines.resize(Fit);
    }
    // The last line shown whole takes the trimming when lines are cut off below.
    if (R.Width > 0)
        for (auto& Line : Lines) Line = Trim(Cr, Line, Avail, Fmt->Trimming);
    if (!NoWrap && R.Height > 0 && Fmt->Trimming != StringTrimmingNone) {
        size_t Fit = static_cast<size_t>(std::floor(R.Height / L.LineHeight));
        if (Fit >= 1 && Lines.size() > Fit) {
            Lines.resize(Fit);
            std::string& Last = Lines.back();
            bool Dots = Fmt->Trimming == StringTrimmingEllipsisCharacter ||
                        Fmt->Trimming == StringTrimmingEllipsisWord || Fmt->Trimming == StringTrimmingEllipsisPath;
            if (Dots) Last = Trim(Cr, Last + Ellipsis, Avail, Fmt->Trimming);
        }
    }

    L.Height = L.LineHeight * static_cast<double>(Lines.size());
    L.Top = R.Y;
    if (R.Height > 0) {
        if (Fmt->LineAlign == StringAlignmentCenter) L.Top = R.Y + (R.Height - L.Height) / 2;
        if (Fmt->LineAlign == StringAlignmentFar) L.Top = R.Y + R.Height - L.Height;
    }
    double MaxW = 0;
    for (size_t I = 0; I < Lines.size(); ++I) {
        TLaidLine LL;
        LL.Text = Lines[I];
        LL.Width = TextWidth(Cr, LL.Text);
        MaxW = std::max(MaxW, LL.Width);
        if (R.Width > 0) {
            switch (Fmt->Align) {
                case StringAlignmentNear: LL.X = R.X + Pad; break;
                case StringAlignmentCenter: LL.X = R.X + (R.Width - LL.Width) / 2; break;
                case StringAlignmentFar: LL.X = R.X + R.Width - Pad - LL.Width; break;
            }
        } else {
            LL.X = R.X + Pad;
        }
        LL.Baseline = L.Top + L.LineHeight * static_cast<double>(I) + L.Ascent;
        L.Lines.push_back(LL);
    }
    L.Bounds.X = R.X;
    L.Bounds.Y = static_cast<REAL>(L.Top);
    L.Bounds.Width = static_cast<REAL>(R.Width > 0 ? std::min<double>(R.Width, MaxW + 2 * Pad) : MaxW + 2 * Pad);
    L.Bounds.Height = static_cast<REAL>(L.Height);
}

// ---- Image decoding ------------------------------------------------------------

GpImage* ImageFromArgb(int W, int H, const std::vector<uint32_t>& Px) {
    cairo_surface_t* S = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
    if (cairo_surface_status(S) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(S);
        return nullptr;
    }
    cairo_surface_flush(S);
    unsigned char* D = cairo_image_surface_get_data(S);
    int Stride = cairo_image_surface_get_stride(S);
    for (int Y = 0; Y < H; ++Y) {
        auto* Row = reinterpret_cast<uint32_t*>(D + static_cast<size_t>(Y) * Stride);
        for (int X = 0; X < W; ++X) {
            uint32_t C = Px[static_cast<size_t>(Y) * W + X];
            uint32_t A = C >> 24;
            if (A == 255) {
                Row[X] = C;
            } else {
                auto M = [A](uint32_t V) { return (V * A + 127) / 255; };
                Row[X] = (A << 24) | (M((C >> 16) & 0xFF) << 16) | (M((C >> 8) & 0xFF) << 8) | M(C & 0xFF);
            }
        }
    }
    cairo_surface_mark_dirty(S);
    auto* I = new (std::nothrow) GpImage;
    if (!I) {
        cairo_surface_destroy(S);
        return nullptr;
    }
    I->Surface = S;
    I->Width = W;
    I->Height = H;
    return I;
}

// Packed BMP files through the drawing layer's DIB code (every depth and RLE).
GpImage* DecodeBmp(const std::vector<BYTE>& Data) {
    if (Data.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
    BITMAPFILEHEADER FH;
    std::memcpy(&FH, Data.data(), sizeof FH);
    BITMAPINFOHEADER IH;
    std::memcpy(&IH, Data.data() + sizeof FH, sizeof IH);
    if (IH.biSize < sizeof(BITMAPINFOHEADER) || FH.bfOffBits >= Data.size()) return nullptr;
    int W = IH.biWidth, H = IH.biHeight < 0 ? -IH.biHeight : IH.biHeight;
    if (W <= 0 || H <= 0 || W > 0x8000 || H > 0x8000) return nullptr;
    // The header and colour table are read from a copy padded against short files.
    std::vector<BYTE> Info(Data.begin() + sizeof FH, Data.begin() + FH.bfOffBits);
    Info.resize(Info.size() + 1024 + 12);
    BITMAPINFO Dst{};
    Dst.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Dst.bmiHeader.biWidth = W;
    Dst.bmiHeader.biHeight = -H;
    Dst.bmiHeader.biPlanes = 1;
    Dst.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HBITMAP Bmp = CreateDIBSection(/*Dc=*/nullptr, &Dst, DIB_RGB_COLORS, &Bits, /*Section=*/nullptr, 0);
    if (!Bmp) return nullptr;
    HDC Dc = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(Dc, Bmp);
    int Lines = SetDIBitsToDevice(Dc, 0, 0, W, H, 0, 0, 0, H, Data.data() + FH.bfOffBits,
                                  reinterpret_cast<BITMAPINFO*>(Info.data()), DIB_RGB_COLORS);
    GdiFlush();
    std::vector<uint32_t> Px(static_cast<size_t>(W) * H);
    if (Lines > 0) {
        const auto* Src = static_cast<const uint32_t*>(Bits);
        for (size_t I = 0; I < Px.size(); ++I) Px[I] = Src[I] | 0xFF000000u;
    }
    SelectObject(Dc, Old);
    DeleteDC(Dc);
    DeleteObject(Bmp);
    return Lines > 0 ? ImageFromArgb(W, H, Px) : nullptr;
}

struct TPngRead {
    const std::vector<BYTE>* Data;
    size_t Pos = 0;
};

cairo_status_t PngRead(void* Closure, unsigned char* Buf, unsigned int Len) {
    auto* R = static_cast<TPngRead*>(Closure);
    if (R->Pos + Len > R->Data->size()) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(Buf, R->Data->data() + R->Pos, Len);
    R->Pos += Len;
    return CAIRO_STATUS_SUCCESS;
}

GpImage* DecodePng(const std::vector<BYTE>& Data) {
    TPngRead R{&Data};
    cairo_surface_t* S = cairo_image_surface_create_from_png_stream(PngRead, &R);
    if (cairo_surface_status(S) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(S);
        return nullptr;
    }
    if (cairo_image_surface_get_format(S) != CAIRO_FORMAT_ARGB32) {
        // Opaque pictures come as RGB24: hand them on as ARGB32 with full alpha.
        int W = cairo_image_surface_get_width(S), H = cairo_image_surface_get_height(S);
        cairo_surface_t* A = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
        cairo_t* Cr = cairo_create(A);
        cairo_set_source_surface(Cr, S, 0, 0);
        cairo_set_operator(Cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(Cr);
        cairo_destroy(Cr);
        cairo_surface_destroy(S);
        S = A;
    }
    auto* I = new (std::nothrow) GpImage;
    if (!I) {
        cairo_surface_destroy(S);
        return nullptr;
    }
    I->Surface = S;
    I->Width = cairo_image_surface_get_width(S);
    I->Height = cairo_image_surface_get_height(S);
    return I;
}

struct TJpegError {
    jpeg_error_mgr Mgr;
    jmp_buf Jump;
};

void JpegFail(j_common_ptr Info) { longjmp(reinterpret_cast<TJpegError*>(Info->err)->Jump, 1); }

GpImage* DecodeJpeg(const std::vector<BYTE>& Data) {
    jpeg_decompress_struct Info{};
    TJpegError Err{};
    Info.err = jpeg_std_error(&Err.Mgr);
    Err.Mgr.error_exit = JpegFail;
    Err.Mgr.output_message = [](j_common_ptr) {};
    // Filled before setjmp so a failure finds them in a defined state.
    // The holders are not touched after setjmp, only what they point to.
    auto Px = std::make_unique<std::vector<uint32_t>>();
    auto Row = std::make_unique<std::vector<JSAMPLE>>();
    int W = 0, H = 0;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_decompress(&Info);
        return nullptr;
    }
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, const_cast<unsigned char*>(Data.data()), static_cast<unsigned long>(Data.size()));
    jpeg_read_header(&Info, TRUE);
    Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&Info);
    W = static_cast<int>(Info.output_width);
    H = static_cast<int>(Info.output_height);
    Px->resize(static_cast<size_t>(W) * H);
    Row->resize(static_cast<size_t>(W) * Info.output_components);
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW P = Row->data();
        int Y = static_cast<int>(Info.output_scanline);
        jpeg_read_scanlines(&Info, &P, 1);
        for (int X = 0; X < W; ++X) {
            const JSAMPLE* S = Row->data() + static_cast<size_t>(X) * Info.output_components;
            (*Px)[static_cast<size_t>(Y) * W + X] = 0xFF000000u | (uint32_t(S[0]) << 16) | (uint32_t(S[1]) << 8) | S[2];
        }
    }
    jpeg_finish_decompress(&Info);
    jpeg_destroy_decompress(&Info);
    return ImageFromArgb(W, H, *Px);
}

class TMemStream : public IStream {
public:
    TMemStream(const BYTE* Data, UINT Count) : FData(Data, Data + Count) {}
    ULONG AddRef() override { return ++FRefs; }
    ULONG Release() override {
        ULONG R = --FRefs;
        if (R == 0) delete this;
        return R;
    }
    long Read(void* Buffer, ULONG Count, ULONG* Done) override {
        size_t N = std::min<size_t>(Count, FData.size() - FPos);
        if (N) std::memcpy(Buffer, FData.data() + FPos, N);
        FPos += N;
        if (Done) *Done = static_cast<ULONG>(N);
        return N == Count ? 0 : 1;  // S_OK, S_FALSE
    }
    uint64_t Size() override { return FData.size(); }

private:
    std::vector<BYTE> FData;
    size_t FPos = 0;
    std::atomic<ULONG> FRefs{1};
};

}  // namespace

IStream* SHCreateMemStream(const BYTE* Data, UINT Count) {
    if (!Data && Count) return nullptr;
    return new (std::nothrow) TMemStream(Data, Count);
}

GpStatus GdiplusStartup(ULONG_PTR* Token, const GdiplusStartupInput* Input, GdiplusStartupOutput* Output) {
    if (!Token || !Input) return InvalidParameter;
    if (Input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
    if (Output) *Output = GdiplusStartupOutput{};
    *Token = static_cast<ULONG_PTR>(++Started);
    return Ok;
}

void GdiplusShutdown(ULONG_PTR Token) {
    if (Token == 0 || Started.load() <= 0) return;
    if (--Started == 0) {
        std::lock_guard<std::mutex> L(FaceLock);
        for (auto& [File, Face] : FaceCache()) cairo_font_face_destroy(Face);
        FaceCache().clear();
    }
}

// ---- Graphics ----------------------------------------------------------------------

GpStatus GdipCreateFromHDC(HDC Dc, GpGraphics** Graphics) {
    if (!Graphics) return InvalidParameter;
    *Graphics = nullptr;
    if (!Ready()) return GdiplusNotInitialized;
    POINT Origin{};
    TGdiSurface* S = GdiDCSurface(Dc, &Origin);
    if (!S) return InvalidParameter;
    int W = GdiSurfaceWidth(S), H = GdiSurfaceHeight(S), Stride = GdiSurfaceStride(S);
    uint32_t* P = GdiSurfacePixels(S);
    if (!P || W <= 0 || H <= 0) return InvalidParameter;
    // Bottom-up surfaces are drawn through a flipped matrix over their lowest row.
    bool Flip = Stride < 0;
    unsigned char* Base = reinterpret_cast<unsigned char*>(Flip ? P + static_cast<ptrdiff_t>(H - 1) * Stride : P);
    int Bytes = (Flip ? -Stride : Stride) * 4;
    cairo_surface_t* CS = cairo_image_surface_create_for_data(Base, CAIRO_FORMAT_RGB24, W, H, Bytes);
    if (cairo_surface_status(CS) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(CS);
        return OutOfMemory;
    }
    auto* G = new (std::nothrow) GpGraphics;
    if (!G) {
        cairo_surface_destroy(CS);
        return OutOfMemory;
    }
    G->Surface = CS;
    G->Cr = cairo_create(CS);
    if (Flip) {
        cairo_translate(G->Cr, 0, H);
        cairo_scale(G->Cr, 1, -1);
    }
    POINT Vp{}, Wn{};
    GetViewportOrgEx(Dc, &Vp);
    GetWindowOrgEx(Dc, &Wn);
    cairo_translate(G->Cr, Origin.x + Vp.x - Wn.x, Origin.y + Vp.y - Wn.y);
    RECT Box;
    if (GetClipBox(Dc, &Box) != ERROR) {
        cairo_rectangle(G->Cr, Box.left, Box.top, Box.right - Box.left, Box.bottom - Box.top);
        cairo_clip(G->Cr);
    } else {
        cairo_rectangle(G->Cr, 0, 0, 0, 0);
        cairo_clip(G->Cr);
    }
    *Graphics = G;
    return Ok;
}

GpStatus GdipDeleteGraphics(GpGraphics* G) {
    if (!G) return InvalidParameter;
    cairo_surface_flush(G->Surface);
    cairo_destroy(G->Cr);
    cairo_surface_destroy(G->Surface);
    delete G;
    return Ok;
}

GpStatus GdipSetSmoothingMode(GpGraphics* G, GpSmoothingMode Mode) {
    if (!G || Mode == SmoothingModeInvalid) return InvalidParameter;
    G->Smoothing = Mode;
    return Ok;
}

GpStatus GdipGetSmoothingMode(GpGraphics* G, GpSmoothingMode* Mode) {
    if (!G || !Mode) return InvalidParameter;
    *Mode = G->Smoothing;
    return Ok;
}

GpStatus GdipSetTextRenderingHint(GpGraphics* G, GpTextRenderingHint Hint) {
    if (!G) return InvalidParameter;
    G->TextHint = Hint;
    return Ok;
}

GpStatus GdipGetTextRenderingHint(GpGraphics* G, GpTextRenderingHint* Hint) {
    if (!G || !Hint) return InvalidParameter;
    *Hint = G->TextHint;
    return Ok;
}

GpStatus GdipGraphicsClear(GpGraphics* G, ARGB Color) {
    if (!G) return InvalidParameter;
    TOp Op(G);
    cairo_set_operator(G->Cr, CAIRO_OPERATOR_SOURCE);
    SetSource(G->Cr, Color);
    cairo_paint(G->Cr);
    return Ok;
}

GpStatus GdipFlush(GpGraphics* G, int) {
    if (!G) return InvalidParameter;
    cairo_surface_flush(G->Surface);
    return Ok;
}

// ---- Pens and brushes ----------------------------------------------------------------

GpStatus GdipCreatePen1(ARGB Color, REAL Width, GpUnit, GpPen** Pen) {
    if (!Pen) return InvalidParameter;
    if (!Ready()) return GdiplusNotInitialized;
    *Pen = new (std::nothrow) GpPen{Color, Width, DashStyleSolid};
    return *Pen ? Ok : OutOfMemory;
}

GpStatus GdipDeletePen(GpPen* Pen) {
    if (!Pen) return InvalidParameter;
    delete Pen;
    return Ok;
}

GpStatus GdipSetPenDashStyle(GpPen* Pen, GpDashStyle Style) {
    if (!Pen) return InvalidParameter;
    Pen->Dash = Style;
    return Ok;
}

GpStatus GdipSetPenColor(GpPen* Pen, ARGB Color) {
    if (!Pen) return InvalidParameter;
    Pen->Color = Color;
    return Ok;
}

GpStatus GdipCreateSolidFill(ARGB Color, GpSolidFill** Brush) {
    if (!Brush) return InvalidParameter;
    if (!Ready()) return GdiplusNotInitialized;
    *Brush = new (std::nothrow) GpBrush{Color, nullptr};
    return *Brush ? Ok : OutOfMemory;
}

GpStatus GdipCreateLineBrushFromRectI(const GpRect* Rect, ARGB Color1, ARGB Color2, GpLinearGradientMode Mode,
                                      GpWrapMode Wrap, GpLineGradient** Brush) {
    if (!Rect || !Brush) return InvalidParameter;
    if (!Ready()) return GdiplusNotInitialized;
    double X0 = Rect->X, Y0 = Rect->Y, X1 = Rect->X, Y1 = Rect->Y;
    switch (Mode) {
        case LinearGradientModeHorizontal: X1 += Rect->Width; break;
        case LinearGradientModeVertical: Y1 += Rect->Height; break;
        case LinearGradientModeForwardDiagonal:
            X1 += Rect->Width;
            Y1 += Rect->Height;
            break;
        case LinearGradientModeBackwardDiagonal:
            X0 += Rect->Width;
            Y1 += Rect->Height;
            break;
    }
    cairo_pattern_t* P = cairo_pattern_create_linear(X0, Y0, X1, Y1);
    auto Stop = [P](double At, ARGB C) {
        cairo_pattern_add_color_stop_rgba(P, At, ((C >> 16) & 0xFF) / 255.0, ((C >> 8) & 0xFF) / 255.0,
                                          (C & 0xFF) / 255.0, ((C >> 24) & 0xFF) / 255.0);
    };
    Stop(0, Color1);
    Stop(1, Color2);
    cairo_pattern_set_extend(P, Wrap == WrapModeClamp ? CAIRO_EXTEND_PAD
                                : Wrap == WrapModeTile ? CAIRO_EXTEND_REPEAT
                                                       : CAIRO_EXTEND_REFLECT);
    *Brush = new (std::nothrow) GpBrush{Color1, P};
    if (!*Brush) {
        cairo_pattern_destroy(P);
        return OutOfMemory;
    }
    return Ok;
}

GpStatus GdipDeleteBrush(GpBrush* Brush) {
    if (!Brush) return InvalidParameter;
    if (Brush->Pattern) cairo_pattern_destroy(Brush->Pattern);
    delete Brush;
    return Ok;
}

// ---- Shapes --------------------------------------------------------------------------

GpStatus GdipDrawLine(GpGraphics* G, GpPen* Pen, REAL X1, REAL Y1, REAL X2, REAL Y2) {
    if (!G || !Pen) return InvalidParameter;
    TOp Op(G);
    cairo_move_to(G->Cr, X1 + 0.5, Y1 + 0.5);
    cairo_line_to(G->Cr, X2 + 0.5, Y2 + 0.5);
    StrokePen(G->Cr, Pen);
    return Ok;
}

GpStatus GdipDrawLineI(GpGraphics* G, GpPen* Pen, INT X1, INT Y1, INT X2, INT Y2) {
    return GdipDrawLine(G, Pen, static_cast<REAL>(X1), static_cast<REAL>(Y1), static_cast<REAL>(X2),
                        static_cast<REAL>(Y2));
}

GpStatus GdipDrawRectangleI(GpGraphics* G, GpPen* Pen, INT X, INT Y, INT Width, INT Height) {
    if (!G || !Pen) return InvalidParameter;
    if (Width < 0 || Height < 0) return Ok;
    TOp Op(G);
    cairo_rectangle(G->Cr, X + 0.5, Y + 0.5, Width, Height);
    StrokePen(G->Cr, Pen);
    return Ok;
}

GpStatus GdipFillRectangle(GpGraphics* G, GpBrush* Brush, REAL X, REAL Y, REAL Width, REAL Height) {
    if (!G || !Brush) return InvalidParameter;
    if (Width <= 0 || Height <= 0) return Ok;
    TOp Op(G);
    cairo_rectangle(G->Cr, X, Y, Width, Height);
    SetBrush(G->Cr, Brush);
    cairo_fill(G->Cr);
    return Ok;
}

GpStatus GdipFillRectangleI(GpGraphics* G, GpBrush* Brush, INT X, INT Y, INT Width, INT Height) {
    return GdipFillRectangle(G, Brush, static_cast<REAL>(X), static_cast<REAL>(Y), static_cast<REAL>(Width),
                             static_cast<REAL>(Height));
}

namespace {
void EllipsePath(cairo_t* Cr, double X, double Y, double W, double H) {
    cairo_save(Cr);
    cairo_translate(Cr, X + W / 2, Y + H / 2);
    cairo_scale(Cr, W / 2, H / 2);
    cairo_new_sub_path(Cr);
    cairo_arc(Cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(Cr);
}
}  // namespace

GpStatus GdipDrawEllipseI(GpGraphics* G, GpPen* Pen, INT X, INT Y, INT Width, INT Height) {
    if (!G || !Pen) return InvalidParameter;
    if (Width <= 0 || Height <= 0) return Ok;
    TOp Op(G);
    EllipsePath(G->Cr, X + 0.5, Y + 0.5, Width, Height);
    StrokePen(G->Cr, Pen);
    return Ok;
}

GpStatus GdipFillEllipseI(GpGraphics* G, GpBrush* Brush, INT X, INT Y, INT Width, INT Height) {
    if (!G || !Brush) return InvalidParameter;
    if (Width <= 0 || Height <= 0) return Ok;
    TOp Op(G);
    EllipsePath(G->Cr, X, Y, Width, Height);
    SetBrush(G->Cr, Brush);
    cairo_fill(G->Cr);
    return Ok;
}

// ---- Images ----------------------------------------------------------------------------

GpStatus GdipCreateBitmapFromStream(IStream* Stream, GpBitmap** Bitmap) {
    if (!Stream || !Bitmap) return InvalidParameter;
    *Bitmap = nullptr;
    if (!Ready()) return GdiplusNotInitialized;
    std::vector<BYTE> Data;
    BYTE Buf[65536];
    ULONG Got = 0;
    do {
        Got = 0;
        Stream->Read(Buf, sizeof Buf, &Got);
        Data.insert(Data.end(), Buf, Buf + Got);
    } while (Got == sizeof Buf);
    GpImage* I = nullptr;
    if (Data.size() >= 8 && std::memcmp(Data.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
        I = DecodePng(Data);
    else if (Data.size() >= 3 && Data[0] == 0xFF && Data[1] == 0xD8 && Data[2] == 0xFF)
        I = DecodeJpeg(Data);
    else if (Data.size() >= 2 && Data[0] == 'B' && Data[1] == 'M')
        I = DecodeBmp(Data);
    else
        return UnknownImageFormat;
    if (!I) return GenericError;
    *Bitmap = I;
    return Ok;
}

GpStatus GdipCreateBitmapFromScan0(INT Width, INT Height, INT Stride, INT PixelFormat, BYTE* Scan0,
                                   GpBitmap** Bitmap) {
    if (!Bitmap || Width <= 0 || Height <= 0 || PixelFormat != PixelFormat32bppARGB) return InvalidParameter;
    *Bitmap = nullptr;
    if (!Ready()) return GdiplusNotInitialized;
    std::vector<uint32_t> Px(static_cast<size_t>(Width) * Height, 0);
    if (Scan0) {
        if (Stride < Width * 4) return InvalidParameter;
        for (int Y = 0; Y < Height; ++Y)
            std::memcpy(&Px[static_cast<size_t>(Y) * Width], Scan0 + static_cast<size_t>(Y) * Stride,
                        static_cast<size_t>(Width) * 4);
    }
    *Bitmap = ImageFromArgb(Width, Height, Px);
    return *Bitmap ? Ok : OutOfMemory;
}

GpStatus GdipDisposeImage(GpImage* Image) {
    if (!Image) return InvalidParameter;
    cairo_surface_destroy(Image->Surface);
    delete Image;
    return Ok;
}

GpStatus GdipGetImageWidth(GpImage* Image, UINT* Width) {
    if (!Image || !Width) return InvalidParameter;
    *Width = static_cast<UINT>(Image->Width);
    return Ok;
}

GpStatus GdipGetImageHeight(GpImage* Image, UINT* Height) {
    if (!Image || !Height) return InvalidParameter;
    *Height = static_cast<UINT>(Image->Height);
    return Ok;
}

GpStatus GdipBitmapGetPixel(GpBitmap* Bitmap, INT X, INT Y, ARGB* Color) {
    if (!Bitmap || !Color || X < 0 || Y < 0 || X >= Bitmap->Width || Y >= Bitmap->Height) return InvalidParameter;
    cairo_surface_flush(Bitmap->Surface);
    const unsigned char* D = cairo_image_surface_get_data(Bitmap->Surface);
    int Stride = cairo_image_surface_get_stride(Bitmap->Surface);
    uint32_t C = reinterpret_cast<const uint32_t*>(D + static_cast<size_t>(Y) * Stride)[X];
    uint32_t A = C >> 24;
    if (A == 0) {
        *Color = 0;
    } else if (A == 255) {
        *Color = C;
    } else {
        auto U = [A](uint32_t V) { return std::min<uint32_t>(255, (V * 255 + A / 2) / A); };
        *Color = (A << 24) | (U((C >> 16) & 0xFF) << 16) | (U((C >> 8) & 0xFF) << 8) | U(C & 0xFF);
    }
    return Ok;
}

GpStatus GdipDrawImageRectI(GpGraphics* G, GpImage* Image, INT X, INT Y, INT Width, INT Height) {
    if (!G || !Image) return InvalidParameter;
    if (Width <= 0 || Height <= 0 || Image->Width <= 0 || Image->Height <= 0) return Ok;
    TOp Op(G);
    cairo_rectangle(G->Cr, X, Y, Width, Height);
    cairo_clip(G->Cr);
    cairo_translate(G->Cr, X, Y);
    cairo_scale(G->Cr, static_cast<double>(Width) / Image->Width, static_cast<double>(Height) / Image->Height);
    cairo_set_source_surface(G->Cr, Image->Surface, 0, 0);
    bool Same = Width == Image->Width && Height == Image->Height;
    cairo_pattern_set_filter(cairo_get_source(G->Cr), Same ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(G->Cr), CAIRO_EXTEND_PAD);
    cairo_paint(G->Cr);
    return Ok;
}

GpStatus GdipDrawImageI(GpGraphics* G, GpImage* Image, INT X, INT Y) {
    if (!Image) return InvalidParameter;
    return GdipDrawImageRectI(G, Image, X, Y, Image->Width, Image->Height);
}

// ---- Fonts and text ---------------------------------------------------------------------

GpStatus GdipCreateFontFamilyFromName(const WCHAR* Name, GpFontCollection*, GpFontFamily** Family) {
    if (!Name || !Family) return InvalidParameter;
    *Family = nullptr;
    if (!Ready()) return GdiplusNotInitialized;
    std::string N = Utf8(Name, -1);
    char File[1024];
    if (N.empty() || !GdiMappedFontFile(N.c_str(), FW_NORMAL, /*Italic=*/false, File, sizeof File))
        return FontFamilyNotFound;
    *Family = new (std::nothrow) GpFontFamily{N};
    return *Family ? Ok : OutOfMemory;
}

GpStatus GdipDeleteFontFamily(GpFontFamily* Family) {
    if (!Family) return InvalidParameter;
    delete Family;
    return Ok;
}

GpStatus GdipCreateFont(const GpFontFamily* Family, REAL Size, INT Style, GpUnit Unit, GpFont** Font) {
    if (!Family || !Font || Size <= 0 || Unit == UnitDisplay) return InvalidParameter;
    *Font = new (std::nothrow) GpFont{Family->Name, Size, Style, Unit};
    return *Font ? Ok : OutOfMemory;
}

GpStatus GdipDeleteFont(GpFont* Font) {
    if (!Font) return InvalidParameter;
    delete Font;
    return Ok;
}

GpStatus GdipGetFontSize(GpFont* Font, REAL* Size) {
    if (!Font || !Size) return InvalidParameter;
    *Size = Font->Size;
    return Ok;
}

GpStatus GdipGetFontStyle(GpFont* Font, INT* Style) {
    if (!Font || !Style) return InvalidParameter;
    *Style = Font->Style;
    return Ok;
}

GpStatus GdipCreateStringFormat(INT Flags, DWORD, GpStringFormat** Format) {
    if (!Format) return InvalidParameter;
    if (!Ready()) return GdiplusNotInitialized;
    *Format = new (std::nothrow) GpStringFormat;
    if (!*Format) return OutOfMemory;
    (*Format)->Flags = Flags;
    return Ok;
}

GpStatus GdipDeleteStringFormat(GpStringFormat* Format) {
    if (!Format) return InvalidParameter;
    delete Format;
    return Ok;
}

GpStatus GdipSetStringFormatAlign(GpStringFormat* Format, GpStringAlignment Align) {
    if (!Format) return InvalidParameter;
    Format->Align = Align;
    return Ok;
}

GpStatus GdipSetStringFormatLineAlign(GpStringFormat* Format, GpStringAlignment Align) {
    if (!Format) return InvalidParameter;
    Format->LineAlign = Align;
    return Ok;
}

GpStatus GdipSetStringFormatTrimming(GpStringFormat* Format, GpStringTrimming Trimming) {
    if (!Format) return InvalidParameter;
    Format->Trimming = Trimming;
    return Ok;
}

GpStatus GdipSetStringFormatFlags(GpStringFormat* Format, INT Flags) {
    if (!Format) return InvalidParameter;
    Format->Flags = Flags;
    return Ok;
}

GpStatus GdipDrawString(GpGraphics* G, const WCHAR* Text, INT Length, const GpFont* Font, const RectF* Layout,
                        const GpStringFormat* Format, const GpBrush* Brush) {
    if (!G || !Text || !Font || !Layout || !Brush) return InvalidParameter;
    TOp Op(G);
    if (!SetFont(G->Cr, Font, G->TextHint)) return FontFamilyNotFound;
    TLayout L;
    LayOut(G->Cr, Utf8(Text, Length), Font, *Layout, Format, L);
    bool Clip = Layout->Width > 0 && Layout->Height > 0 && !(Format && (Format->Flags & StringFormatFlagsNoClip));
    if (Clip) {
        cairo_rectangle(G->Cr, Layout->X, Layout->Y, Layout->Width, Layout->Height);
        cairo_clip(G->Cr);
    }
    SetBrush(G->Cr, Brush);
    cairo_font_extents_t FE;
    cairo_font_extents(G->Cr, &FE);
    double Thick = std::max(1.0, std::round(L.Em / 14.0));
    for (const auto& Line : L.Lines) {
        double X = std::round(Line.X), Base = std::round(Line.Baseline);
        cairo_move_to(G->Cr, X, Base);
        cairo_show_text(G->Cr, Line.Text.c_str());
        if (Font->Style & FontStyleUnderline) {
            cairo_rectangle(G->Cr, X, Base + std::max(1.0, std::round(FE.descent / 2)), Line.Width, Thick);
            cairo_fill(G->Cr);
        }
        if (Font->Style & FontStyleStrikeout) {
            cairo_rectangle(G->Cr, X, Base - std::round(FE.ascent * 0.3), Line.Width, Thick);
            cairo_fill(G->Cr);
        }
    }
    return Ok;
}

GpStatus GdipMeasureString(GpGraphics* G, const WCHAR* Text, INT Length, const GpFont* Font, const RectF* Layout,
                           const GpStringFormat* Format, RectF* Bounds, INT* CodepointsFitted, INT* LinesFilled) {
    if (!G || !Text || !Font || !Layout || !Bounds) return InvalidParameter;
    cairo_save(G->Cr);
    if (!SetFont(G->Cr, Font, G->TextHint)) {
        cairo_restore(G->Cr);
        return FontFamilyNotFound;
    }
    TLayout L;
    LayOut(G->Cr, Utf8(Text, Length), Font, *Layout, Format, L);
    cairo_restore(G->Cr);
    *Bounds = L.Bounds;
    if (LinesFilled) *LinesFilled = static_cast<INT>(L.Lines.size());
    if (CodepointsFitted) {
        INT N = 0;
        for (const auto& Line : L.Lines) N += static_cast<INT>(CharStarts(Line.Text).size());
        *CodepointsFitted = N;
    }
    return Ok;
}
