// Inside the drawing layer only: surfaces, the handle table, GDI objects, DC
// state, regions and the pixel helpers the drawing files share. Third-party
// types stay in the .cpp files (regions hold pixman behind a pointer).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/pixel_memory.h"

struct TGdiSurface {
    int Width = 0;
    int Height = 0;
    int Stride = 0;  // pixels
    uint32_t* Pixels = nullptr;
    std::vector<uint32_t, gdi::TPixelAllocator<uint32_t>> Own;  // empty when Pixels belong to someone else (a DIB section)
    uint32_t* Row(int Y) { return Pixels + static_cast<ptrdiff_t>(Y) * Stride; }
    const uint32_t* Row(int Y) const { return Pixels + static_cast<ptrdiff_t>(Y) * Stride; }
};

namespace gdi {

// A region of pixels (pixman inside); a value type.
class TRegion {
public:
    TRegion();
    explicit TRegion(const RECT& R);
    TRegion(const TRegion& Other);
    TRegion& operator=(const TRegion& Other);
    ~TRegion();
    void SetRect(const RECT& R);
    void SetEmpty();
    void SetRects(const std::vector<RECT>& Rects);  // union of the rectangles
    void Combine(const TRegion& A, const TRegion& B, int Mode);  // RGN_* except RGN_COPY
    void Intersect(const TRegion& Other);
    void IntersectRect(const RECT& R);
    void Union(const TRegion& Other);
    void Subtract(const TRegion& Other);
    void Translate(int Dx, int Dy);
    bool Contains(int X, int Y) const;
    bool Overlaps(const RECT& R) const;
    RECT Extents() const;
    int Type() const;  // NULLREGION, SIMPLEREGION, COMPLEXREGION
    bool Empty() const;
    bool Equal(const TRegion& Other) const;
    std::vector<RECT> Rects() const;  // banded, top to bottom, left to right

private:
    void* Impl;
};

// Spans of a filled shape: the pixels whose centres lie inside the polygons.
TRegion PolygonRegion(const POINT* Points, const INT* Counts, int PolyCount, int FillMode);
// Pixels whose centres lie inside the ellipse inscribed in [Left,Right) x [Top,Bottom).
TRegion EllipseRegion(int Left, int Top, int Right, int Bottom);
TRegion RoundRectRegion(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);

// ---- Objects ------------------------------------------------------------------

struct TGdiObject {
    DWORD Type = 0;  // OBJ_*
    HGDIOBJ Handle = nullptr;
    bool Stock = false;
    virtual ~TGdiObject() = default;
};

struct TPen : TGdiObject {
    int Style = PS_SOLID;  // PS_STYLE_MASK part
    DWORD FullStyle = 0;
    int Width = 1;
    COLORREF Color = 0;
    bool DCPen = false;  // the DC_PEN stock pen: takes the DC's pen colour
    std::vector<DWORD> UserStyle;
};

struct TBitmap;

struct TBrush : TGdiObject {
    int Style = BS_SOLID;
    COLORREF Color = 0;
    int Hatch = 0;
    bool DCBrush = false;
    std::shared_ptr<TBitmap> Pattern;  // copy of the pattern bitmap
    int SysColorIndex = -1;            // the brush of a system colour
};

struct TFontFace;  // FreeType face and metrics, in the text file

struct TFont : TGdiObject {
    LOGFONTW Log{};
    std::shared_ptr<TFontFace> Face;  // resolved on first use
};

struct TPalette : TGdiObject {
    std::vector<PALETTEENTRY> Entries;
};

struct TBitmap : TGdiObject {
    std::unique_ptr<TGdiSurface> Surface;
    int BitsPixel = 32;  // 1 for monochrome bitmaps
    bool Dib = false;
    // DIB sections: the caller's bits in the caller's format.
    BITMAPINFOHEADER DibHeader{};
    std::vector<RGBQUAD> ColorTable;
    DWORD Masks[3] = {0, 0, 0};
    std::unique_ptr<uint8_t[], gdi::TPixelDeleter> DibBits;
    int DibStride = 0;    // bytes
    bool TopDown = false;
    bool Direct = false;  // surface pixels are the DIB bits (32-bit, top-down)
    struct TDC* SelectedIn = nullptr;
    SIZE Dimension{0, 0};
    bool Mono() const { return BitsPixel == 1 && !Dib; }  // 1-bit DIB sections keep their colour table
};

struct TRgnObject : TGdiObject {
    TRegion Rgn;
};

struct TDCState {
    std::shared_ptr<TPen> Pen;
    std::shared_ptr<TBrush> Brush;
    std::shared_ptr<TFont> Font;
    std::shared_ptr<TBitmap> Bitmap;
    std::shared_ptr<TPalette> Palette;
    COLORREF TextColor = 0;
    COLORREF BkColor = 0xFFFFFF;
    COLORREF DCBrushColor = 0xFFFFFF;
    COLORREF DCPenColor = 0;
    int BkMode = OPAQUE;
    int Rop2 = R2_COPYPEN;
    int StretchMode = BLACKONWHITE;
    int PolyFillMode = ALTERNATE;
    int MapMode = MM_TEXT;
    UINT TextAlign = 0;
    int CharExtra = 0;
    POINT BrushOrg{0, 0};
    POINT ViewportOrg{0, 0};
    POINT WindowOrg{0, 0};
    POINT CurPos{0, 0};
    bool HasClip = false;
    TRegion Clip;  // device units
};

struct TDC : TGdiObject {
    TDCState S;
    std::vector<TDCState> Saved;
    bool Memory = false;
    TGdiSurface* Surface = nullptr;  // surface DCs
    POINT Origin{0, 0};
    bool HasVis = false;
    TRegion Vis;  // surface coordinates
    // The effective clip in surface coordinates, rebuilt when dirty.
    bool ClipDirty = true;
    TRegion Eff;
    std::vector<RECT> EffRects;
    RECT EffBox{0, 0, 0, 0};
    int ClipW = -1;  // the surface size the clip was built for: a resized surface rebuilds it
    int ClipH = -1;
};

// ---- Handle table -------------------------------------------------------------

std::recursive_mutex& TableLock();
HGDIOBJ Register(std::shared_ptr<TGdiObject> Object);
std::shared_ptr<TGdiObject> Find(HGDIOBJ Handle);
template <class T>
std::shared_ptr<T> FindAs(HGDIOBJ Handle, DWORD Type) {
    auto Object = Find(Handle);
    if (!Object || Object->Type != Type) return nullptr;
    return std::static_pointer_cast<T>(Object);
}
std::shared_ptr<TDC> FindDC(HDC Dc);
std::shared_ptr<TBitmap> FindBitmap(HBITMAP Bitmap);
std::shared_ptr<TBrush> FindBrush(HBRUSH Brush);  // also (HBRUSH)(COLOR_x + 1)

std::unique_ptr<TGdiSurface> NewSurface(int Width, int Height);
std::shared_ptr<TBitmap> NewBitmap(int Width, int Height, int BitsPixel);

// DIB sections whose bits are not the surface are copied in before drawing
// reads them and out after drawing changed them.
void DibToSurface(TBitmap& Bitmap);
void SurfaceToDib(TBitmap& Bitmap, const RECT* Changed);
void DibRowToSurface(TBitmap& Bitmap, int Y);
void DibSpanToSurface(TBitmap& Bitmap, int Y, int X0, int X1);  // pixels [X0, X1) of row Y
// One row of packed DIB data to pixels (or its pixels [X0, X1) only), and pixels [X0, X1) back.
void DecodeDibRow(const uint8_t* Src, int Bpp, int Width, const RGBQUAD* Table, int TableCount, const DWORD* Masks,
                  uint32_t* Out);
void DecodeDibSpan(const uint8_t* Src, int Bpp, int X0, int X1, const RGBQUAD* Table, int TableCount,
                   const DWORD* Masks, uint32_t* Out);
void EncodeDibRow(const uint32_t* In, int Bpp, int X0, int X1, const RGBQUAD* Table, int TableCount,
                  const DWORD* Masks, uint8_t* Dst);

// A packed DIB's format as a BITMAPINFO describes it.
struct TDibFormat {
    int Width = 0;
    int Height = 0;  // rows, positive
    bool TopDown = false;
    int Bpp = 0;
    DWORD Compression = BI_RGB;
    std::vector<RGBQUAD> Table;
    DWORD Masks[3] = {0, 0, 0};
    int Stride = 0;  // bytes
};
bool ParseDib(const BITMAPINFO* Info, UINT Usage, const TDC* Dc, TDibFormat& Format);
// Decodes scan lines [StartScan, StartScan + Lines) of packed bits into Surface rows.
int DecodeDibLines(const TDibFormat& Format, const void* Bits, UINT StartScan, UINT Lines, TGdiSurface& Surface);

// ---- Drawing targets ------------------------------------------------------------

// What one drawing call works on: the surface, its clip in surface coordinates
// and the offset from logical to surface coordinates.
struct TTarget {
    std::shared_ptr<TDC> Dc;
    TGdiSurface* Surf = nullptr;
    TBitmap* Bitmap = nullptr;  // memory DCs
    bool Mono = false;
    const std::vector<RECT>* Clip = nullptr;
    const TRegion* ClipRgn = nullptr;
    RECT ClipBox{0, 0, 0, 0};
    int Dx = 0;  // surface x = logical x + Dx
    int Dy = 0;
    bool Wrote = false;
    RECT Changed{0, 0, 0, 0};
    // DIB sections in other formats: pixels are decoded from the caller's bits
    // when a call first touches them, so a call costs what it draws. Each row
    // keeps the one run [SpanLo, SpanHi) decoded so far (empty while equal).
    bool Lazy = false;
    std::vector<int> SpanLo, SpanHi;

    bool Begin(HDC Handle);  // false for a bad DC or a DC without a surface
    void End();              // copies DIB sections out
    void Touch(const RECT& R);  // before writing R (and reading it for ROPs)
    void Overwrite(const RECT& R);  // before writing every pixel of R without reading it
    void Rows(int Y0, int Y1);  // before reading rows Y0..Y1-1
    void Reads(const RECT& R);  // before reading R (and nothing beside it)
    void Span(int Y, int X0, int X1);  // before reading or writing pixels [X0, X1) of row Y
    void Mark(const RECT& R);  // R is written: End copies it out
    bool Visible(int X, int Y) const;  // surface coordinates
    uint32_t MapColor(COLORREF Color) const;  // COLORREF to a pixel of this surface
    ~TTarget() { End(); }
};

void UpdateClip(TDC& Dc);
TGdiSurface* DCSurface(TDC& Dc);
inline uint32_t ToPixel(COLORREF C) { return ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF); }
inline COLORREF ToColor(uint32_t P) { return ((P >> 16) & 0xFF) | (P & 0xFF00) | ((P & 0xFF) << 16); }
uint32_t MonoPixel(COLORREF Color);  // black or white
COLORREF ResolveColor(const TDC& Dc, COLORREF Color);  // palette indexes and PALETTERGB to RGB
uint32_t ApplyRop2(int Rop2, uint32_t Pen, uint32_t Dest);
uint32_t ApplyRop3(uint8_t Code, uint32_t P, uint32_t S, uint32_t D);

// A brush turned into pixels for one target.
struct TPaint {
    bool Null = true;
    int Kind = BS_SOLID;
    uint32_t Color = 0;
    uint32_t Back = 0;
    bool Transparent = false;  // hatch background left alone
    const uint8_t* HatchRows = nullptr;
    const TGdiSurface* Pattern = nullptr;
    bool PatternMono = false;
    uint32_t Fore = 0;
    int OrgX = 0;
    int OrgY = 0;
    // False when this pixel is left alone (transparent hatch background).
    bool At(int X, int Y, uint32_t& Pixel) const;
};
TPaint MakePaint(const TTarget& T, const TBrush* Brush);
// Fills every pixel of Shape (surface coordinates) that the clip allows.
void FillRegionRop2(TTarget& T, const TRegion& Shape, const TPaint& Paint, int Rop2);
void FillRectRop2(TTarget& T, RECT R, const TPaint& Paint, int Rop2);
void FillRectSolid(TTarget& T, RECT R, uint32_t Pixel);
// The 8x8 hatch rows (bit 7 = leftmost pixel).
const uint8_t* HatchPattern(int Hatch);

// ---- Text (gdi_text.cpp) --------------------------------------------------------
std::u16string Utf8ToUtf16(const char* Text, int Count);
std::string Utf16ToUtf8(const char16_t* Text, int Count);
void ReleaseFonts();

}  // namespace gdi
