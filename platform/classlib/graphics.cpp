#include "platform/classlib/graphics.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/classlib/jpeg.h"
#include "platform/classlib/pngimage.h"
#include "platform/rtl/scope.h"
#include "platform/system/muldiv.h"
#include "platform/win/winuser.h"
#include "platform/classlib/formload.h"
#include "platform/rtl/resources.h"

namespace {

struct ColorName {
    const char* name;
    TColor color;
};
const ColorName kColorNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
};

const int kPenModes[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,        R2_COPYPEN,  R2_NOTCOPYPEN,
                         R2_MERGEPENNOT, R2_MASKPENNOT,  R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                         R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};

int BitsOf(TPixelFormat f) {
    switch (f) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf15bit:
        case pf16bit: return 16;
        case pf24bit:
        case pfCustom: return 24;
        case pf32bit:
        case pfDevice: return 32;
    }
    return 24;
}

// The palette a new bitmap of a palette format starts with.
std::vector<RGBQUAD> DefaultPalette(TPixelFormat f) {
    std::vector<RGBQUAD> p;
    if (f == pf1bit) {
        p = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    } else if (f == pf4bit) {
        // the sixteen standard colours
        static const uint32_t c16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                         0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                         0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
        for (uint32_t c : c16)
            p.push_back(RGBQUAD{static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
                                static_cast<BYTE>(c >> 16), 0});
    } else if (f == pf8bit) {
        // a 6x6x6 colour cube followed by a grey ramp
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p.push_back(RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(r * 51), 0});
        for (int i = 0; p.size() < 256; ++i) {
            BYTE v = static_cast<BYTE>(i * 255 / 39);
            p.push_back(RGBQUAD{v, v, v, 0});
        }
    }
    return p;
}

}  // namespace

// ---- Colours ----------------------------------------------------------------

int32_t ColorToRGB(TColor Color) {
    if (Color < 0) return static_cast<int32_t>(GdiSysColor(Color & 0xFF));
    return Color;
}

bool IdentToColor(const std::string& Ident, TColor& Color) {
    for (const auto& c : kColorNames)
        if (SameText(Ident, c.name)) {
            Color = c.color;
            return true;
        }
    return false;
}

std::string ColorToString(TColor Color) {
    for (const auto& c : kColorNames)
        if (c.color == Color) return c.name;
    return "$" + IntToHex(static_cast<uint32_t>(Color), 8);
}

// ---- Graphics objects ---------------------------------------------------------

TGraphicsObject::~TGraphicsObject() { FreeHandle(); }

HGDIOBJ TGraphicsObject::Handle() {
    if (!FHandle) FHandle = CreateHandle();
    return FHandle;
}

void TGraphicsObject::FreeHandle() {
    if (FHandle && !FStock) DeleteObject(FHandle);
    FHandle = nullptr;
    FStock = false;
}

void TGraphicsObject::Changed() {
    // The owner deselects the old handle before it goes.
    if (OnChange) OnChange(this);
    FreeHandle();
}

TFont::TFont() = default;

void TFont::Assign(const TFont& S) {
    const int Height = MulDiv(S.FHeight, PixelsPerInch, S.PixelsPerInch);
    // The same face keeps its handle: a new one costs a font lookup at its first use,
    // and callers assign the same font over and over (a caption per drawn cell).
    const bool SameFace = FHandle && FName == S.FName && FHeight == Height && FStyle == S.FStyle &&
                          FCharset == S.FCharset && FPitch == S.FPitch;
    FName = S.FName;
    FHeight = Height;
    FColor = S.FColor;
    FStyle = S.FStyle;
    FCharset = S.FCharset;
    FPitch = S.FPitch;
    if (SameFace) {
        if (OnChange) OnChange(this);
        return;
    }
    Changed();
}

void TFont::SetName(const std::string& V) {
    if (V.empty() || V == FName) return;
    FName = V;
    Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, PixelsPerInch); }

void TFont::SetSize(int V) { SetHeight(-MulDiv(V, PixelsPerInch, 72)); }

void TFont::SetHeight(int V) {
    if (V == FHeight) return;
    FHeight = V;
    Changed();
}

void TFont::SetColor(TColor V) {
    if (V == FColor) return;
    FColor = V;
    if (OnChange) OnChange(this);  // the colour is no part of the font handle
}

void TFont::SetStyle(TFontStyles V) {
    if (V == FStyle) return;
    FStyle = V;
    Changed();
}

void TFont::SetCharset(uint8_t V) {
    if (V == FCharset) return;
    FCharset = V;
    Changed();
}

void TFont::SetPitch(TFontPitch V) {
    if (V == FPitch) return;
    FPitch = V;
    Changed();
}

HGDIOBJ TFont::CreateHandle() {
    LOGFONTA lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic);
    lf.lfUnderline = FStyle.Contains(fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    lf.lfCharSet = FCharset;
    lf.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    std::strncpy(lf.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

void TPen::Assign(const TPen& S) {
    FColor = S.FColor;
    FWidth = S.FWidth;
    FStyle = S.FStyle;
    FMode = S.FMode;
    Changed();
}

void TPen::SetColor(TColor V) {
    if (V == FColor) return;
    FColor = V;
    Changed();
}

void TPen::SetWidth(int V) {
    if (V < 0 || V == FWidth) return;
    FWidth = V;
    Changed();
}

void TPen::SetStyle(TPenStyle V) {
    if (V == FStyle) return;
    FStyle = V;
    Changed();
}

void TPen::SetMode(TPenMode V) {
    if (V == FMode) return;
    FMode = V;
    if (OnChange) OnChange(this);
}

HGDIOBJ TPen::CreateHandle() {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    return CreatePen(styles[FStyle], FWidth, static_cast<COLORREF>(ColorToRGB(FColor)));
}

TBrush::~TBrush() = default;

void TBrush::Assign(const TBrush& S) {
    FColor = S.FColor;
    FStyle = S.FStyle;
    FBitmap = S.FBitmap;
    Changed();
}

void TBrush::SetColor(TColor V) {
    if (V == FColor && FStyle != bsClear) return;
    FColor = V;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle V) {
    if (V == FStyle) return;
    FStyle = V;
    Changed();
}

void TBrush::SetBitmap(TBitmap* V) {
    FBitmap = V;
    Changed();
}

HGDIOBJ TBrush::CreateHandle() {
    if (FBitmap && FBitmap->Handle()) return CreatePatternBrush(FBitmap->Handle());
    COLORREF c = static_cast<COLORREF>(ColorToRGB(FColor));
    switch (FStyle) {
        case bsSolid: return CreateSolidBrush(c);
        case bsClear:
            FStock = true;
            return GetStockObject(NULL_BRUSH);
        default: return CreateHatchBrush(HS_HORIZONTAL + (FStyle - bsHorizontal), c);
    }
}

// ---- Canvas -------------------------------------------------------------------

TCanvas::TCanvas() : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    // A changing object must leave the DC before its handle is freed.
    auto deselect = [this](TObject*) {
        if (FHandle) {
            if (FOldPen) SelectObject(FHandle, FOldPen);
            if (FOldBrush) SelectObject(FHandle, FOldBrush);
            if (FOldFont) SelectObject(FHandle, FOldFont);
            FOldPen = FOldBrush = FOldFont = nullptr;
        }
    };
    FFont->OnChange = deselect;
    FPen->OnChange = deselect;
    FBrush->OnChange = deselect;
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
    if (!FHandle) CreateHandle();
    return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
    if (Value == FHandle) return;
    if (FHandle) {
        if (FOldPen) SelectObject(FHandle, FOldPen);
        if (FOldBrush) SelectObject(FHandle, FOldBrush);
        if (FOldFont) SelectObject(FHandle, FOldFont);
        FOldPen = FOldBrush = FOldFont = nullptr;
    }
    FHandle = Value;
}

void TCanvas::RequireObjects() {
    HDC dc = Handle();
    if (!dc) throw EInvalidOperation("Canvas does not allow drawing");
    HGDIOBJ old = SelectObject(dc, FPen->Handle());
    if (!FOldPen) FOldPen = old;
    old = SelectObject(dc, FBrush->Handle());
    if (!FOldBrush) FOldBrush = old;
    old = SelectObject(dc, FFont->Handle());
    if (!FOldFont) FOldFont = old;
    SetROP2(dc, kPenModes[FPen->Mode()]);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(FFont->Color())));
    const TBrushStyle bs = FBrush->Style();
    if (bs == bsSolid || bs == bsClear) {
        SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(FBrush->Color())));
        SetBkMode(dc, bs == bsClear ? TRANSPARENT : OPAQUE);
    } else {
        // A hatch leaves the ground between its lines alone; a background colour unlike the brush's
        // keeps the lines visible should anything still paint with it.
        SetBkColor(dc, ~static_cast<COLORREF>(ColorToRGB(FBrush->Color())));
        SetBkMode(dc, TRANSPARENT);
    }
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

void TCanvas::MoveTo(int X, int Y) {
    MoveToEx(Handle(), X, Y, /*Old=*/nullptr);
}

void TCanvas::LineTo(int X, int Y) {
    Changing();
    RequireObjects();
    ::LineTo(FHandle, X, Y);
    Changed();
}

POINT TCanvas::PenPos() {
    POINT p{0, 0};
    GetCurrentPositionEx(Handle(), &p);
    return p;
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequireObjects();
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    Changing();
    RequireObjects();
    ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    Changing();
    RequireObjects();
    ::Arc(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequireObjects();
    ::Ellipse(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Polygon(const std::vector<POINT>& Points) {
    if (Points.empty()) return;
    Changing();
    RequireObjects();
    ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::Polyline(const std::vector<POINT>& Points) {
    if (Points.empty()) return;
    Changing();
    RequireObjects();
    ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::FillRect(const TRect& R) {
    Changing();
    RequireObjects();
    ::FillRect(FHandle, &R, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    Changing();
    RequireObjects();
    ::FrameRect(FHandle, &R, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
    Changing();
    RequireObjects();
    ::DrawFocusRect(FHandle, &R);
    Changed();
}

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
    Changing();
    RequireObjects();
    ::TextOutA(FHandle, X, Y, Text.c_str(), static_cast<int>(Text.size()));
    SIZE sz{0, 0};
    GetTextExtentPoint32A(FHandle, Text.c_str(), static_cast<int>(Text.size()), &sz);
    MoveToEx(FHandle, X + sz.cx, Y, /*Old=*/nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const std::string& Text) {
    Changing();
    RequireObjects();
    UINT options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
    ::ExtTextOutA(FHandle, X, Y, options, &R, Text.c_str(), static_cast<UINT>(Text.size()), /*Dx=*/nullptr);
    Changed();
}

SIZE TCanvas::TextExtent(const std::string& Text) {
    RequireObjects();
    SIZE sz{0, 0};
    GetTextExtentPoint32A(FHandle, Text.c_str(), static_cast<int>(Text.size()), &sz);
    return sz;
}

void TCanvas::Draw(int X, int Y, TGraphic& Graphic) {
    if (Graphic.Empty()) return;
    DrawGraphic(Graphic, Bounds(X, Y, Graphic.Width(), Graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& R, TGraphic& Graphic) {
    if (Graphic.Empty()) return;
    DrawGraphic(Graphic, R);
}

void TCanvas::DrawGraphic(TGraphic& Graphic, const TRect& R) {
    Changing();
    HDC dc = Handle();
    if (!dc) throw EInvalidOperation("Canvas does not allow drawing");
    // The graphic draws with this canvas's objects; afterwards the DC has the
    // font, colours, brush and pen its user chose, as text drawn next expects.
    const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), brush = GetCurrentObject(dc, OBJ_BRUSH),
                  font = GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ oldPen = FOldPen, oldBrush = FOldBrush, oldFont = FOldFont;
    const int rop2 = GetROP2(dc), bkMode = GetBkMode(dc);
    const COLORREF text = GetTextColor(dc), back = GetBkColor(dc);
    {
        rtl::TScopeExit Restore([&] {
            if (FHandle != dc) return;  // the graphic gave the canvas another DC
            SelectObject(dc, pen);
            SelectObject(dc, brush);
            SelectObject(dc, font);
            SetROP2(dc, rop2);
            SetTextColor(dc, text);
            SetBkColor(dc, back);
            SetBkMode(dc, bkMode);
            FOldPen = oldPen;
            FOldBrush = oldBrush;
            FOldFont = oldFont;
        });
        RequireObjects();
        Graphic.Draw(*this, R);
    }
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& Src) {
    Changing();
    RequireObjects();
    HDC src = Source.Handle();
    ::StretchBlt(FHandle, Dest.left, Dest.top, Dest.Width(), Dest.Height(), src, Src.left, Src.top, Src.Width(),
                 Src.Height(), CopyMode);
    Changed();
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap& Bitmap, const TRect& Source, TColor Color) {
    int W = Source.Width(), H = Source.Height();
    if (W <= 0 || H <= 0 || Bitmap.Empty()) return;
    UINT Key = static_cast<UINT>(ColorToRGB(Color));
    HDC Src = Bitmap.Canvas().Handle();
    Changing();
    RequireObjects();
    if (FBrush->Style() == bsClear) {
        ::TransparentBlt(FHandle, Dest.left, Dest.top, Dest.Width(), Dest.Height(), Src, Source.left, Source.top, W,
                         H, Key);
    } else {
        // The brush under the picture first, so the key colour shows the brush.
        TBitmap Work(W, H, pf32bit);
        Work.Canvas().Brush().Assign(*FBrush);
        Work.Canvas().FillRect(TRect(0, 0, W, H));
        ::TransparentBlt(Work.Canvas().Handle(), 0, 0, W, H, Src, Source.left, Source.top, W, H, Key);
        ::StretchBlt(FHandle, Dest.left, Dest.top, Dest.Width(), Dest.Height(), Work.Canvas().Handle(), 0, 0, W, H,
                     CopyMode);
    }
    Changed();
}

TColor TCanvas::Pixel(int X, int Y) { return static_cast<TColor>(::GetPixel(Handle(), X, Y)); }

void TCanvas::SetPixel(int X, int Y, TColor Color) {
    Changing();
    ::SetPixel(Handle(), X, Y, static_cast<COLORREF>(ColorToRGB(Color)));
    Changed();
}

TRect TCanvas::ClipRect() {
    RECT r{0, 0, 0, 0};
    GetClipBox(Handle(), &r);
    return TRect(r);
}

// ---- Graphics -----------------------------------------------------------------

void TGraphic::LoadFromFile(const std::string& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TGraphic::SaveToFile(const std::string& FileName) {
    TFileStream f(FileName, fmCreate);
    SaveToStream(f);
}

// A canvas over a memory DC that holds the bitmap.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* Owner) : FOwner(Owner) {}
    ~TBitmapCanvas() override { FreeDC(); }
    void FreeDC() {
        HDC dc = HandleAllocated() ? Handle() : nullptr;
        if (!dc) return;
        SetHandle(nullptr);
        if (FOldBitmap) SelectObject(dc, FOldBitmap);
        FOldBitmap = nullptr;
        DeleteDC(dc);
    }

protected:
    void CreateHandle() override {
        HDC dc = CreateCompatibleDC(nullptr);
        if (FOwner->FHandle) FOldBitmap = SelectObject(dc, FOwner->FHandle);
        SetHandle(dc);
    }

private:
    TBitmap* FOwner;
    HGDIOBJ FOldBitmap = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int Width, int Height, TPixelFormat Format) {
    FPixelFormat = Format;
    Recreate(Width, Height, Format, /*Palette=*/nullptr);
}

TBitmap::~TBitmap() {
    FCanvas.reset();
    if (FHandle) DeleteObject(FHandle);
}

void TBitmap::FreeCanvasDC() {
    if (FCanvas) FCanvas->FreeDC();
}

int TBitmap::RowBytes() const { return ((FWidth * BitsOf(FPixelFormat) + 31) / 32) * 4; }

void TBitmap::Recreate(int Width, int Height, TPixelFormat Format, const std::vector<RGBQUAD>* Palette) {
    if (Width < 0 || Height < 0) throw EInvalidGraphic("Invalid bitmap size");
    FreeCanvasDC();
    HBITMAP old = FHandle;
    unsigned char* oldBits = FBits;
    int oldW = FWidth, oldH = FHeight, oldRow = RowBytes();
    TPixelFormat oldFormat = FPixelFormat;

    HBITMAP h = nullptr;
    unsigned char* bits = nullptr;
    if (Width > 0 && Height > 0) {
        std::vector<RGBQUAD> pal = Palette ? *Palette : DefaultPalette(Format);
        std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 3 * sizeof(DWORD));
        auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
        bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi->bmiHeader.biWidth = Width;
        bi->bmiHeader.biHeight = -Height;  // rows from the top
        bi->bmiHeader.biPlanes = 1;
        bi->bmiHeader.biBitCount = static_cast<WORD>(BitsOf(Format));
        bi->bmiHeader.biCompression = BI_RGB;
        if (Format == pf16bit) {
            bi->bmiHeader.biCompression = BI_BITFIELDS;
            DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
            std::memcpy(reinterpret_cast<unsigned char*>(bi) + sizeof(BITMAPINFOHEADER), masks, sizeof(masks));
        } else if (!pal.empty()) {
            bi->bmiHeader.biClrUsed = static_cast<DWORD>(pal.size());
            std::memcpy(reinterpret_cast<unsigned char*>(bi) + sizeof(BITMAPINFOHEADER), pal.data(),
                        pal.size() * sizeof(RGBQUAD));
        }
        void* p = nullptr;
        h = CreateDIBSection(/*Dc=*/nullptr, bi, DIB_RGB_COLORS, &p, /*Section=*/nullptr, 0);
        if (!h || !p) throw EOutOfMemory("Out of system resources");
        bits = static_cast<unsigned char*>(p);
    }
    FHandle = h;
    FBits = bits;
    FWidth = Width;
    FHeight = Height;
    FPixelFormat = Format;

    if (h) {
        // New pixels start white; the old ones are kept where the sizes overlap.
        HDC dst = CreateCompatibleDC(nullptr);
        HGDIOBJ o2 = SelectObject(dst, h);
        if (Format == pf1bit) {
            PatBlt(dst, 0, 0, Width, Height, WHITENESS);
        } else {
            // The drawing layer writes white into the first row (it knows how
            // white is stored in this format); the other rows are copies of it.
            // Filling them all through the drawing layer went through every row
            // of the new bits twice, for each of the many bitmaps made at start.
            PatBlt(dst, 0, 0, Width, 1, WHITENESS);
            GdiFlush();
            const size_t Row = static_cast<size_t>(RowBytes());
            for (int y = 1; y < Height; ++y) std::memcpy(bits + y * Row, bits, Row);
        }
        if (old && oldFormat != Format) {
            // Another format: the drawing layer converts the pixels.
            HDC src = CreateCompatibleDC(nullptr);
            HGDIOBJ o1 = SelectObject(src, old);
            BitBlt(dst, 0, 0, std::min(oldW, Width), std::min(oldH, Height), src, 0, 0, SRCCOPY);
            SelectObject(src, o1);
            DeleteDC(src);
        }
        SelectObject(dst, o2);
        DeleteDC(dst);
        GdiFlush();
        if (old && oldFormat == Format) {
            int newRow = RowBytes();
            int rows = std::min(oldH, Height);
            int bytes = std::min(oldRow, newRow);
            for (int y = 0; y < rows; ++y)
                std::memcpy(bits + static_cast<size_t>(y) * newRow, oldBits + static_cast<size_t>(y) * oldRow, bytes);
        }
    }
    if (old) DeleteObject(old);
    Changed();
}

void TBitmap::SetSize(int Width, int Height) {
    if (Width == FWidth && Height == FHeight) return;
    std::vector<RGBQUAD> pal = Palette();
    Recreate(Width, Height, FPixelFormat, pal.empty() ? nullptr : &pal);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == FPixelFormat) return;
    if (!FHandle) {
        FPixelFormat = Value;
        return;
    }
    Recreate(FWidth, FHeight, Value, /*Palette=*/nullptr);
}

void* TBitmap::ScanLine(int Row) {
    if (!FBits || Row < 0 || Row >= FHeight) throw ERangeError("Scan line index out of range");
    GdiFlush();
    return FBits + static_cast<size_t>(Row) * RowBytes();
}

std::vector<RGBQUAD> TBitmap::Palette() const {
    std::vector<RGBQUAD> p;
    if (!FHandle || FPixelFormat > pf8bit) return p;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ o = SelectObject(dc, FHandle);
    p.resize(static_cast<size_t>(1) << BitsOf(FPixelFormat));
    UINT n = GetDIBColorTable(dc, 0, static_cast<UINT>(p.size()), p.data());
    p.resize(n);
    SelectObject(dc, o);
    DeleteDC(dc);
    return p;
}

void TBitmap::SetPalette(const std::vector<RGBQUAD>& Entries) {
    if (!FHandle || FPixelFormat > pf8bit || Entries.empty()) return;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ o = SelectObject(dc, FHandle);
    SetDIBColorTable(dc, 0, static_cast<UINT>(std::min<size_t>(Entries.size(), size_t{1} << BitsOf(FPixelFormat))),
                     Entries.data());
    SelectObject(dc, o);
    DeleteDC(dc);
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
    return *FCanvas;
}

void TBitmap::Assign(const TBitmap& Source) {
    if (&Source == this) return;
    std::vector<RGBQUAD> pal = Source.Palette();
    Recreate(0, 0, Source.FPixelFormat, /*Palette=*/nullptr);
    Recreate(Source.FWidth, Source.FHeight, Source.FPixelFormat, pal.empty() ? nullptr : &pal);
    if (FBits && Source.FBits) {
        GdiFlush();
        std::memcpy(FBits, Source.FBits, static_cast<size_t>(RowBytes()) * FHeight);
    }
    Transparent = Source.Transparent;
    TransparentColor = Source.TransparentColor;
    Changed();
}

std::atomic<bool> TBitmap::LockedDraw{false};

void TBitmap::Draw(TCanvas& Canvas, const TRect& R) {
    if (!FHandle) return;
    if (LockedDraw && !Empty()) {
        // Another thread changing the bitmap waits for the draw, and the reverse.
        TCanvas& Own = this->Canvas();
        Own.Lock();
        struct TUnlock {
            TCanvas& C;
            ~TUnlock() { C.Unlock(); }
        } Unlock{Own};
        DrawUnlocked(Canvas, R);
        return;
    }
    DrawUnlocked(Canvas, R);
}

void TBitmap::DrawUnlocked(TCanvas& Canvas, const TRect& R) {
    HDC src = this->Canvas().Handle();
    HDC dst = Canvas.Handle();
    if (Transparent) {
        TColor tc = TransparentColor;
        if (tc == clDefault) tc = static_cast<TColor>(::GetPixel(src, 0, FHeight - 1));
        ::TransparentBlt(dst, R.left, R.top, R.Width(), R.Height(), src, 0, 0, FWidth, FHeight,
                         static_cast<UINT>(ColorToRGB(tc)));
    } else {
        int oldMode = SetStretchBltMode(dst, COLORONCOLOR);
        ::StretchBlt(dst, R.left, R.top, R.Width(), R.Height(), src, 0, 0, FWidth, FHeight, Canvas.CopyMode);
        SetStretchBltMode(dst, oldMode);
    }
}

// ---- BMP files ------------------------------------------------------------------

namespace {

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

void TBitmap::LoadFromResourceName(HINSTANCE, const std::string& ResName) {
    TResourceData R;
    if (ResName.empty() || !FindEmbeddedResource("bitmaps", ResName, R))
        throw EResNotFound("Resource " + ResName + " not found");
    TMemoryStream M;
    M.WriteBuffer(R.Data, static_cast<int64_t>(R.Size));
    M.SetPosition(0);
    LoadFromStream(M);
}

void TBitmap::LoadFromStream(TStream& Stream) {
    const char* bad = "Bitmap image is not valid";
    int64_t start = Stream.Position();
    int64_t avail = Stream.Size() - start;
    if (avail < 14 + 12) throw EInvalidGraphic(bad);
    std::vector<unsigned char> data(static_cast<size_t>(avail));
    Stream.ReadBuffer(data.data(), avail);
    const unsigned char* d = data.data();
    if (d[0] != 'B' || d[1] != 'M') throw EInvalidGraphic(bad);
    uint32_t offBits = Get32(d + 10);
    uint32_t hdr = Get32(d + 14);
    int32_t w, h;
    int bits, compression = BI_RGB;
    uint32_t clrUsed = 0;
    size_t palOffset = 14 + hdr;
    int palEntrySize = 4;
    if (hdr == 12) {
        if (avail < 26) throw EInvalidGraphic(bad);
        w = Get16(d + 18);
        h = static_cast<int16_t>(Get16(d + 20));
        bits = Get16(d + 24);
        palEntrySize = 3;
    } else if (hdr >= 40 && 14 + static_cast<int64_t>(hdr) <= avail) {
        w = static_cast<int32_t>(Get32(d + 18));
        h = static_cast<int32_t>(Get32(d + 22));
        bits = Get16(d + 28);
        compression = static_cast<int>(Get32(d + 30));
        clrUsed = Get32(d + 46);
    } else {
        throw EInvalidGraphic(bad);
    }
    bool topDown = h < 0;
    if (h == INT32_MIN) throw EInvalidGraphic(bad);
    if (topDown) h = -h;
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535) throw EInvalidGraphic(bad);
    TPixelFormat fmt;
    switch (bits) {
        case 1: fmt = pf1bit; break;
        case 4: fmt = pf4bit; break;
        case 8: fmt = pf8bit; break;
        case 16: fmt = pf15bit; break;
        case 24: fmt = pf24bit; break;
        case 32: fmt = pf32bit; break;
        default: throw EInvalidGraphic(bad);
    }
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (compression == BI_BITFIELDS && (bits == 16 || bits == 32)) {
        size_t mo = hdr == 40 ? 14 + 40 : 14 + 40;  // masks follow a 40-byte header, or sit inside a longer one
        if (mo + 12 > data.size()) throw EInvalidGraphic(bad);
        for (int i = 0; i < 3; ++i) masks[i] = Get32(d + mo + 4 * i);
        if (hdr == 40) palOffset += 12;
        if (bits == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) fmt = pf16bit;
        else if (bits == 16 && !(masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F))
            throw EInvalidGraphic(bad);
        else if (bits == 32 && !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF))
            throw EInvalidGraphic(bad);
    } else if (compression != BI_RGB) {
        throw EInvalidGraphic(bad);  // run-length coded files are not read here
    }
    std::vector<RGBQUAD> pal;
    if (bits <= 8) {
        uint32_t n = clrUsed ? clrUsed : (1u << bits);
        if (n > (1u << bits)) n = 1u << bits;
        if (palOffset + static_cast<size_t>(n) * palEntrySize > data.size()) throw EInvalidGraphic(bad);
        for (uint32_t i = 0; i < n; ++i) {
            const unsigned char* e = d + palOffset + static_cast<size_t>(i) * palEntrySize;
            pal.push_back(RGBQUAD{e[0], e[1], e[2], 0});
        }
    }
    size_t srcRow = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
    if (offBits > data.size() || data.size() - offBits < srcRow * static_cast<size_t>(h)) throw EInvalidGraphic(bad);
    Recreate(0, 0, fmt, /*Palette=*/nullptr);
    Recreate(w, h, fmt, pal.empty() ? nullptr : &pal);
    GdiFlush();
    size_t dstRow = static_cast<size_t>(RowBytes());
    for (int y = 0; y < h; ++y) {
        int srcY = topDown ? y : h - 1 - y;
        std::memcpy(FBits + y * dstRow, d + offBits + static_cast<size_t>(srcY) * srcRow, std::min(srcRow, dstRow));
    }
    Changed();
}

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TBitmap::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE) {
    auto* Block = static_cast<const uint8_t*>(Data ? WinGlobalLock(static_cast<HGLOBAL>(Data)) : nullptr);
    const std::size_t Size = Data ? WinGlobalSize(static_cast<HGLOBAL>(Data)) : 0;
    if (Format != CF_DIB || !Block || Size < 40) throw EInvalidGraphic("Unsupported clipboard format");
    // The file header in front, with the bits' offset after the header and palette.
    TMemoryStream M;
    uint32_t HeaderSize, Colours = 0, Used = 0;
    uint16_t Bits = 0;
    std::memcpy(&HeaderSize, Block, 4);
    std::memcpy(&Bits, Block + 14, 2);
    if (HeaderSize >= 36) std::memcpy(&Used, Block + 32, 4);
    if (Bits <= 8) Colours = Used ? Used : (1u << Bits);
    const uint64_t Offset = 14 + uint64_t(HeaderSize) + uint64_t(Colours) * 4;
    const uint8_t Sig[2] = {'B', 'M'};
    const uint32_t FileSize = static_cast<uint32_t>(14 + Size), Zero = 0, Off = static_cast<uint32_t>(Offset);
    M.WriteBuffer(Sig, 2);
    M.WriteBuffer(&FileSize, 4);
    M.WriteBuffer(&Zero, 4);
    M.WriteBuffer(&Off, 4);
    M.WriteBuffer(Block, static_cast<int64_t>(Size));
    M.SetPosition(0);
    LoadFromStream(M);
}

void TBitmap::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) {
    TMemoryStream M;
    SaveToStream(M);
    const std::size_t Size = static_cast<std::size_t>(M.Size()) - 14;
    HGLOBAL Block = WinGlobalAlloc(Size);
    if (!Block) throw std::bad_alloc();
    std::memcpy(WinGlobalLock(Block), static_cast<const uint8_t*>(M.Memory()) + 14, Size);
    Format = CF_DIB;
    Data = Block;
    Palette = nullptr;
}

void TBitmap::SaveToStream(TStream& Stream) {
    std::vector<RGBQUAD> pal = Palette();
    bool fields = FPixelFormat == pf16bit;
    uint32_t extra = fields ? 12 : static_cast<uint32_t>(pal.size() * 4);
    uint32_t row = static_cast<uint32_t>(RowBytes());
    uint32_t imageSize = row * static_cast<uint32_t>(FHeight);
    uint32_t off = 14 + 40 + extra;
    std::string s;
    s += "BM";
    Put32(s, off + imageSize);
    Put32(s, 0);
    Put32(s, off);
    Put32(s, 40);
    Put32(s, static_cast<uint32_t>(FWidth));
    Put32(s, static_cast<uint32_t>(FHeight));  // bottom-up in the file
    Put16(s, 1);
    Put16(s, static_cast<uint16_t>(FHandle ? BitsOf(FPixelFormat) : 24));
    Put32(s, fields ? BI_BITFIELDS : BI_RGB);
    Put32(s, imageSize);
    Put32(s, 3780);  // 96 dots per inch
    Put32(s, 3780);
    Put32(s, fields ? 0 : static_cast<uint32_t>(pal.size()));
    Put32(s, 0);
    if (fields) {
        Put32(s, 0xF800);
        Put32(s, 0x07E0);
        Put32(s, 0x001F);
    } else {
        for (const auto& q : pal) {
            s += static_cast<char>(q.rgbBlue);
            s += static_cast<char>(q.rgbGreen);
            s += static_cast<char>(q.rgbRed);
            s += '\0';
        }
    }
    Stream.WriteBuffer(s.data(), static_cast<int64_t>(s.size()));
    if (FBits) {
        GdiFlush();
        for (int y = FHeight - 1; y >= 0; --y) Stream.WriteBuffer(FBits + static_cast<size_t>(y) * row, row);
    }
}

// ---- TIcon ----------------------------------------------------------------------

namespace {

// The icon of .ico/.cur data nearest Width x Height (0: the system's icon
// size). The window layer reads the BMP-coded images; a PNG-coded entry that
// fits best is read here.
HICON IconFromData(const std::vector<unsigned char>& D, int Width, int Height) {
    size_t N = D.size();
    if (N < 6 || D[0] || D[1] || (D[2] != 1 && D[2] != 2) || D[3]) return nullptr;
    int Count = D[4] | (D[5] << 8);
    if (Count <= 0 || 6 + static_cast<size_t>(Count) * 16 > N) return nullptr;
    int WantW = Width ? Width : GetSystemMetrics(SM_CXICON), WantH = Height ? Height : GetSystemMetrics(SM_CYICON);
    int Best = -1, BestScore = 0;
    for (int I = 0; I < Count; ++I) {
        const unsigned char* E = D.data() + 6 + I * 16;
        int W = E[0] ? E[0] : 256, H = E[1] ? E[1] : 256;
        int Score = -(std::abs(W - WantW) + std::abs(H - WantH)) * 64 + (E[6] | (E[7] << 8));
        if (Best < 0 || Score > BestScore) {
            Best = I;
            BestScore = Score;
        }
    }
    const unsigned char* E = D.data() + 6 + Best * 16;
    uint32_t Size = Get32(E + 8), Offset = Get32(E + 12);
    bool Png = Offset < N && Size <= N - Offset && Size >= 8 && D[Offset] == 0x89 && D[Offset + 1] == 'P' &&
               D[Offset + 2] == 'N' && D[Offset + 3] == 'G';
    if (!Png) return WinCreateIconFromIco(D.data(), N, Width, Height);
    TPngImage P;
    TMemoryStream S;
    S.WriteBuffer(D.data() + Offset, Size);
    S.SetPosition(0);
    try {
        P.LoadFromStream(S);
    } catch (const EInvalidGraphic&) {
        return nullptr;
    }
    if (P.Width() <= 0 || P.Height() <= 0) return nullptr;
    std::vector<uint32_t> Argb(static_cast<size_t>(P.Width()) * P.Height());
    // The reader expands transparency (alpha, or a key colour) into the alpha byte.
    for (int Y = 0; Y < P.Height(); ++Y)
        for (int X = 0; X < P.Width(); ++X) {
            const unsigned char* Q = P.Pixel(X, Y);  // blue, green, red, alpha
            Argb[static_cast<size_t>(Y) * P.Width() + X] =
                (uint32_t(Q[3]) << 24) | (uint32_t(Q[2]) << 16) | (uint32_t(Q[1]) << 8) | Q[0];
        }
    return WinCreateIconFromPixels(Argb.data(), P.Width(), P.Height());
}

}  // namespace

TIcon::TIcon() = default;

TIcon::~TIcon() { FreeHandle(); }

void TIcon::FreeHandle() {
    if (FHandle) DestroyIcon(FHandle);  // a shared standard icon stays
    FHandle = nullptr;
}

void TIcon::Assign(const TIcon& Source) {
    if (&Source == this) return;
    HICON Copy = Source.FHandle ? static_cast<HICON>(CopyImage(Source.FHandle, IMAGE_ICON, 0, 0, 0)) : nullptr;
    FreeHandle();
    FData = Source.FData;
    FHandle = Copy;
    RequestedWidth = Source.RequestedWidth;
    RequestedHeight = Source.RequestedHeight;
    Transparent = Source.Transparent;
    Changed();
}

HICON TIcon::Handle() {
    if (!FHandle && !FData.empty()) {
        FHandle = IconFromData(FData, RequestedWidth, RequestedHeight);
        if (!FHandle) throw EInvalidGraphic("Icon image is not valid");
    }
    return FHandle;
}

void TIcon::SetHandle(HICON Value) {
    if (Value == FHandle) return;
    FreeHandle();
    FData.clear();
    FHandle = Value;
    Changed();
}

HICON TIcon::ReleaseHandle() {
    HICON H = Handle();
    FHandle = nullptr;
    FData.clear();
    Changed();
    return H;
}

int TIcon::Width() const {
    int W = 0;
    if (FHandle) {
        WinGetIconSize(FHandle, &W, /*cy=*/nullptr);
    } else if (!FData.empty()) {
        // Not read yet: the handle decides which entry, so make it.
        W = const_cast<TIcon*>(this)->Handle() ? const_cast<TIcon*>(this)->Width() : 0;
    }
    return W;
}

int TIcon::Height() const {
    int H = 0;
    if (FHandle) {
        WinGetIconSize(FHandle, /*cx=*/nullptr, &H);
    } else if (!FData.empty()) {
        H = const_cast<TIcon*>(this)->Handle() ? const_cast<TIcon*>(this)->Height() : 0;
    }
    return H;
}

void TIcon::SetWidth(int Value) {
    if (Value != Width()) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int Value) {
    if (Value != Height()) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::Draw(TCanvas& Canvas, const TRect& R) {
    HICON H = Handle();
    if (!H) return;
    DrawIconEx(Canvas.Handle(), R.left, R.top, H, R.Width(), R.Height(), 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL);
}

void TIcon::LoadFromStream(TStream& Stream) {
    int64_t Avail = Stream.Size() - Stream.Position();
    if (Avail < 6) throw EInvalidGraphic("Icon image is not valid");
    std::vector<unsigned char> Data(static_cast<size_t>(Avail));
    Stream.ReadBuffer(Data.data(), Avail);
    HICON H = IconFromData(Data, RequestedWidth, RequestedHeight);
    if (!H) throw EInvalidGraphic("Icon image is not valid");
    FreeHandle();
    FHandle = H;
    FData = std::move(Data);
    Changed();
}

void TIcon::SaveToStream(TStream& Stream) {
    if (!FData.empty()) {
        Stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
        return;
    }
    if (!FHandle) return;
    // One 32-bit image with its AND mask, as .ico files hold them.
    ICONINFO II{};
    if (!GetIconInfo(FHandle, &II)) return;
    BITMAP BM{};
    GetObjectW(II.hbmColor, sizeof BM, &BM);
    int W = BM.bmWidth, H = BM.bmHeight < 0 ? -BM.bmHeight : BM.bmHeight;
    std::vector<uint32_t> Px(static_cast<size_t>(W) * H);
    BITMAPINFO BI{};
    BI.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    BI.bmiHeader.biWidth = W;
    BI.bmiHeader.biHeight = H;  // bottom-up, as the file keeps the rows
    BI.bmiHeader.biPlanes = 1;
    BI.bmiHeader.biBitCount = 32;
    HDC DC = CreateCompatibleDC(nullptr);
    GetDIBits(DC, II.hbmColor, 0, static_cast<UINT>(H), Px.data(), &BI, DIB_RGB_COLORS);
    DeleteDC(DC);
    DeleteObject(II.hbmColor);
    DeleteObject(II.hbmMask);
    uint32_t MaskRow = static_cast<uint32_t>(((W + 31) / 32) * 4);
    uint32_t ImageSize = 40 + static_cast<uint32_t>(W) * H * 4 + MaskRow * H;
    std::string S;
    Put16(S, 0);
    Put16(S, 1);  // icon
    Put16(S, 1);  // one image
    S += static_cast<char>(W >= 256 ? 0 : W);
    S += static_cast<char>(H >= 256 ? 0 : H);
    S += '\0';
    S += '\0';
    Put16(S, 1);
    Put16(S, 32);
    Put32(S, ImageSize);
    Put32(S, 6 + 16);
    Put32(S, 40);
    Put32(S, static_cast<uint32_t>(W));
    Put32(S, static_cast<uint32_t>(H * 2));  // colour and mask rows
    Put16(S, 1);
    Put16(S, 32);
    Put32(S, BI_RGB);
    Put32(S, static_cast<uint32_t>(W) * H * 4 + MaskRow * H);
    Put32(S, 0);
    Put32(S, 0);
    Put32(S, 0);
    Put32(S, 0);
    for (uint32_t P : Px) Put32(S, P);
    for (int Y = 0; Y < H; ++Y) {
        std::string Row(MaskRow, '\0');
        for (int X = 0; X < W; ++X)
            if ((Px[static_cast<size_t>(Y) * W + X] >> 24) == 0) Row[X / 8] = static_cast<char>(Row[X / 8] | (0x80 >> (X % 8)));
        S += Row;
    }
    Stream.WriteBuffer(S.data(), static_cast<int64_t>(S.size()));
}

// ---- TPicture -------------------------------------------------------------------

namespace {

struct FormatEntry {
    std::string Description;
    TPicture::TGraphicFactory Factory;
};

std::map<std::string, FormatEntry>& Formats() {
    // Built on first use, in a fixed order, rather than by static constructors.
    static std::map<std::string, FormatEntry> formats = [] {
        std::map<std::string, FormatEntry> m;
        m["bmp"] = {"Bitmaps", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBitmap>(); }};
        m["jpg"] = {"JPEG Image File", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); }};
        m["jpeg"] = {"JPEG Image File", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); }};
        m["png"] = {"Portable Network Graphics", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TPngImage>(); }};
        m["ico"] = {"Icon", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TIcon>(); }};
        return m;
    }();
    return formats;
}

std::mutex& FormatsLock() {
    static std::mutex m;
    return m;
}

}  // namespace

namespace {
std::map<UINT, TPicture::TGraphicFactory>& ClipboardFormats() {
    static std::map<UINT, TPicture::TGraphicFactory> formats = {
        {CF_DIB, []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBitmap>(); }}};
    return formats;
}
}  // namespace

void TPicture::RegisterClipboardFormat(UINT Format, TGraphicFactory Factory) {
    std::lock_guard<std::mutex> g(FormatsLock());
    ClipboardFormats()[Format] = Factory;
}

bool TPicture::SupportsClipboardFormat(UINT Format) {
    std::lock_guard<std::mutex> g(FormatsLock());
    return ClipboardFormats().count(Format) != 0;
}

void TPicture::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) {
    TGraphicFactory Factory = nullptr;
    {
        std::lock_guard<std::mutex> g(FormatsLock());
        auto It = ClipboardFormats().find(Format);
        if (It != ClipboardFormats().end()) Factory = It->second;
    }
    if (!Factory) throw EInvalidGraphic("Unsupported clipboard format");
    std::unique_ptr<TGraphic> G = Factory();
    G->LoadFromClipboardFormat(Format, Data, Palette);
    SetGraphic(std::move(G));
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description, TGraphicFactory Factory) {
    std::lock_guard<std::mutex> g(FormatsLock());
    Formats()[LowerCase(Extension)] = {Description, Factory};
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value) {
    FGraphic = std::move(Value);
    if (OnChange) OnChange(this);
}

TBitmap& TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) FGraphic = std::make_unique<TBitmap>();
    return *static_cast<TBitmap*>(FGraphic.get());
}

TIcon& TPicture::Icon() {
    if (!dynamic_cast<TIcon*>(FGraphic.get())) FGraphic = std::make_unique<TIcon>();
    // Setting the icon's handle or data later shows in whoever watches the picture.
    FGraphic->OnChange = [this](TObject*) {
        if (OnChange) OnChange(this);
    };
    return *static_cast<TIcon*>(FGraphic.get());
}

void TPicture::Assign(TGraphic* Source) {
    if (!Source) {
        SetGraphic(nullptr);
        return;
    }
    if (Source == FGraphic.get()) return;
    std::unique_ptr<TGraphic> G;
    if (auto* B = dynamic_cast<TBitmap*>(Source)) {
        auto N = std::make_unique<TBitmap>();
        N->Assign(*B);
        G = std::move(N);
    } else if (auto* I = dynamic_cast<TIcon*>(Source)) {
        auto N = std::make_unique<TIcon>();
        N->Assign(*I);
        G = std::move(N);
    } else {
        // The other kinds copy through their file data.
        if (dynamic_cast<TJPEGImage*>(Source)) G = std::make_unique<TJPEGImage>();
        else if (dynamic_cast<TPngImage*>(Source)) G = std::make_unique<TPngImage>();
        else throw EInvalidGraphic("Cannot assign this kind of graphic to a picture");
        TMemoryStream S;
        Source->SaveToStream(S);
        S.SetPosition(0);
        if (S.Size() > 0) G->LoadFromStream(S);
        G->Transparent = Source->Transparent;
    }
    SetGraphic(std::move(G));
}

void TPicture::LoadFromFile(const std::string& FileName) {
    std::string ext = LowerCase(ExtractFileExt(FileName));
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    TGraphicFactory factory = nullptr;
    {
        std::lock_guard<std::mutex> g(FormatsLock());
        auto it = Formats().find(ext);
        if (it != Formats().end()) factory = it->second.Factory;
    }
    if (!factory) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
    std::unique_ptr<TGraphic> g = factory();
    g->LoadFromFile(FileName);
    SetGraphic(std::move(g));
}

void TPicture::SaveToFile(const std::string& FileName) {
    if (FGraphic) FGraphic->SaveToFile(FileName);
}
