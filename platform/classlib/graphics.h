// The class library's drawing classes: colours, fonts, pens, brushes, the canvas,
// graphics and the windowing bitmap, over the drawing layer.
#pragma once

#include <cstdint>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/gdi/gdi.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/sets.h"

// ---- Colours ----------------------------------------------------------------
// A TColor is a COLORREF (red in the low byte) or, with the top byte 0xFF, a
// system colour index.
using TColor = int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor SysColor(int Index) { return clSystemColor | Index; }
constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR), clBackground = SysColor(COLOR_BACKGROUND),
                 clActiveCaption = SysColor(COLOR_ACTIVECAPTION), clInactiveCaption = SysColor(COLOR_INACTIVECAPTION),
                 clMenu = SysColor(COLOR_MENU), clWindow = SysColor(COLOR_WINDOW),
                 clWindowFrame = SysColor(COLOR_WINDOWFRAME), clMenuText = SysColor(COLOR_MENUTEXT),
                 clWindowText = SysColor(COLOR_WINDOWTEXT), clCaptionText = SysColor(COLOR_CAPTIONTEXT),
                 clActiveBorder = SysColor(COLOR_ACTIVEBORDER), clInactiveBorder = SysColor(COLOR_INACTIVEBORDER),
                 clAppWorkSpace = SysColor(COLOR_APPWORKSPACE), clHighlight = SysColor(COLOR_HIGHLIGHT),
                 clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT), clBtnFace = SysColor(COLOR_BTNFACE),
                 clBtnShadow = SysColor(COLOR_BTNSHADOW), clGrayText = SysColor(COLOR_GRAYTEXT),
                 clBtnText = SysColor(COLOR_BTNTEXT), clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT),
                 clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT), cl3DDkShadow = SysColor(COLOR_3DDKSHADOW),
                 cl3DLight = SysColor(COLOR_3DLIGHT), clInfoText = SysColor(COLOR_INFOTEXT),
                 clInfoBk = SysColor(COLOR_INFOBK);
// System colours resolved to RGB; others unchanged.
int32_t ColorToRGB(TColor Color);
// Colour names ("clWhite") and numbers, as form files store them.
bool IdentToColor(const std::string& Ident, TColor& Color);
std::string ColorToString(TColor Color);

// ---- Graphics objects ---------------------------------------------------------
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen, pmMaskNotPen,
    pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TGraphicsObject : public TObject {
public:
    std::function<void(TObject*)> OnChange;
    HGDIOBJ Handle();  // created on first use, recreated after a change
    ~TGraphicsObject() override;

protected:
    void Changed();
    virtual HGDIOBJ CreateHandle() = 0;
    void FreeHandle();
    HGDIOBJ FHandle = nullptr;
    bool FStock = false;  // a stock object is never deleted
};

class TFont : public TGraphicsObject {
public:
    TFont();
    void Assign(const TFont& Source);
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    int Size() const;              // points
    void SetSize(int Value);
    int Height() const { return FHeight; }  // negative: character height in pixels
    void SetHeight(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    uint8_t Charset() const { return FCharset; }
    void SetCharset(uint8_t Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    int PixelsPerInch = 96;
    HFONT Handle() { return static_cast<HFONT>(TGraphicsObject::Handle()); }

protected:
    HGDIOBJ CreateHandle() override;

private:
    std::string FName = "Tahoma";
    int FHeight = -11;  // 8 points at 96 dpi
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    uint8_t FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
};

class TPen : public TGraphicsObject {
public:
    void Assign(const TPen& Source);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);  // the canvas applies it as the ROP2 mode
    HPEN Handle() { return static_cast<HPEN>(TGraphicsObject::Handle()); }

protected:
    HGDIOBJ CreateHandle() override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

class TBitmap;

class TBrush : public TGraphicsObject {
public:
    ~TBrush() override;
    void Assign(const TBrush& Source);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);  // a clear brush becomes solid
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    TBitmap* Bitmap() const { return FBitmap; }  // not owned; a pattern brush while set
    void SetBitmap(TBitmap* Value);
    HBRUSH Handle() { return static_cast<HBRUSH>(TGraphicsObject::Handle()); }

protected:
    HGDIOBJ CreateHandle() override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
};

// ---- Canvas -------------------------------------------------------------------
class TGraphic;

struct TRect : RECT {
    TRect() : RECT{0, 0, 0, 0} {}
    TRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
    TRect(const RECT& r) : RECT(r) {}
    LONG Width() const { return right - left; }
    LONG Height() const { return bottom - top; }
};
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return TRect(Left, Top, Right, Bottom); }
inline TRect Bounds(int Left, int Top, int Width, int Height) { return TRect(Left, Top, Left + Width, Top + Height); }
inline POINT Point(int X, int Y) { return POINT{X, Y}; }

enum TCopyMode : DWORD {};
constexpr DWORD cmSrcCopy = SRCCOPY, cmSrcPaint = SRCPAINT, cmSrcAnd = SRCAND, cmSrcInvert = SRCINVERT,
                cmBlackness = BLACKNESS, cmWhiteness = WHITENESS, cmDstInvert = DSTINVERT, cmPatCopy = PATCOPY,
                cmMergeCopy = MERGECOPY, cmNotSrcCopy = NOTSRCCOPY;

class TCanvas : public TPersistentBase {
public:
    TCanvas();
    ~TCanvas() override;

    // The device context; a subclass may make it on demand (CreateHandle).
    HDC Handle();
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont& Font() { return *FFont; }
    TPen& Pen() { return *FPen; }
    TBrush& Brush() { return *FBrush; }
    DWORD CopyMode = SRCCOPY;
    std::function<void(TObject*)> OnChange, OnChanging;

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    POINT PenPos();
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    // The part of the ellipse in the box from (X3, Y3) to (X4, Y4), counter-clockwise.
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Polygon(const std::vector<POINT>& Points);
    void Polyline(const std::vector<POINT>& Points);
    void FillRect(const TRect& R);
    void FrameRect(const TRect& R);
    void DrawFocusRect(const TRect& R);
    void TextOut(int X, int Y, const std::string& Text);
    void TextRect(const TRect& R, int X, int Y, const std::string& Text);
    SIZE TextExtent(const std::string& Text);
    int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
    void Draw(int X, int Y, TGraphic& Graphic);
    void StretchDraw(const TRect& R, TGraphic& Graphic);
    void CopyRect(const TRect& Dest, TCanvas& Source, const TRect& Src);
    // Copies Source of Bitmap onto Dest (stretched when the sizes differ), with
    // the pixels of Color replaced by this canvas's brush; a clear brush leaves
    // the canvas showing through them.
    void BrushCopy(const TRect& Dest, TBitmap& Bitmap, const TRect& Source, TColor Color);
    TColor Pixel(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);
    TRect ClipRect();

    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }
    bool TryLock() { return FLock.try_lock(); }

protected:
    virtual void CreateHandle() {}
    void Changing();
    void Changed();
    // Selects the current pen, brush and font into the DC.
    void RequireObjects();
    // Draw and StretchDraw: the DC's objects and colours are as before afterwards.
    void DrawGraphic(TGraphic& Graphic, const TRect& R);

private:
    HDC FHandle = nullptr;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    HGDIOBJ FOldPen = nullptr, FOldBrush = nullptr, FOldFont = nullptr;
    std::recursive_mutex FLock;
};

// ---- Graphics -----------------------------------------------------------------
class TGraphic : public TPersistentBase {
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual void SetHeight(int Value) = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    virtual void Draw(TCanvas& Canvas, const TRect& R) = 0;
    virtual void LoadFromStream(TStream& Stream) = 0;
    virtual void SaveToStream(TStream& Stream) = 0;
    // Clipboard data of a format the graphic knows (a global block of the
    // windowing layer); a kind without clipboard data raises EInvalidGraphic.
    virtual void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette);
    // Data for the clipboard: its format and a new block the caller hands on.
    virtual void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette);
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);
    bool Transparent = false;
    std::function<void(TObject*)> OnChange;

protected:
    void Changed() {
        if (OnChange) OnChange(this);
    }
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// The windowing bitmap: a DIB section of its pixel format with a canvas over a
// memory DC. Rows are numbered from the top.
class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int Width, int Height, TPixelFormat Format = pf24bit);
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    void Assign(const TBitmap& Source);
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int Value) override { SetSize(Value, FHeight); }
    void SetHeight(int Value) override { SetSize(FWidth, Value); }
    void SetSize(int Width, int Height);  // keeps the overlapping pixels
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);  // converts the pixels
    bool Monochrome() const { return FPixelFormat == pf1bit; }

    // Row Row (0 = top) of the pixels; valid until the bitmap changes size or format.
    void* ScanLine(int Row);
    int RowBytes() const;  // bytes of one row, padded to 32 bits

    // 256 entries at most, for pf1bit..pf8bit.
    std::vector<RGBQUAD> Palette() const;
    void SetPalette(const std::vector<RGBQUAD>& Entries);

    TCanvas& Canvas();
    HBITMAP Handle() const { return FHandle; }
    // Draws the bitmap; a Transparent bitmap leaves TransparentColor's pixels alone.
    void Draw(TCanvas& Canvas, const TRect& R) override;
    // Process-wide: every draw of a non-empty bitmap holds the bitmap's canvas
    // lock while it reads the pixels (set for drawing from other threads).
    static std::atomic<bool> LockedDraw;
    TColor TransparentColor = clDefault;  // clDefault: the bottom-left pixel

    void LoadFromStream(TStream& Stream) override;  // BMP file data
    void SaveToStream(TStream& Stream) override;
    // CF_DIB: the BMP data without its file header.
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;
    // The embedded BMP of type "bitmaps" named ResName (with or without its
    // extension); EResNotFound when there is none or the name is empty.
    void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);
    void FreeImage() {}

private:
    void DrawUnlocked(TCanvas& Canvas, const TRect& R);

public:
    void Dormant() {}

private:
    void Recreate(int Width, int Height, TPixelFormat Format, const std::vector<RGBQUAD>* Palette);
    void FreeCanvasDC();
    class TBitmapCanvas;
    int FWidth = 0, FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
    HBITMAP FHandle = nullptr;
    unsigned char* FBits = nullptr;
    std::unique_ptr<TBitmapCanvas> FCanvas;
};

// An icon: an icon handle of the window layer, read from .ico data or taken
// over from LoadIcon/CopyImage. Drawn with its mask and alpha; its size is
// the image's and cannot be set.
class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    // A copy of the other icon's image (and of the file data it came from).
    void Assign(const TIcon& Source);
    int Width() const override;
    int Height() const override;
    void SetWidth(int Value) override;   // EInvalidGraphicOperation unless unchanged
    void SetHeight(int Value) override;
    bool Empty() const override { return !FHandle && FData.empty(); }
    // The handle, made from the file data on first use (the entry nearest
    // RequestedWidth x RequestedHeight, 0 for the system's icon size).
    HICON Handle();
    // Takes the handle over: the icon destroys it when replaced or freed
    // (the shared standard icons are never destroyed).
    void SetHandle(HICON Value);
    // Gives the handle to the caller, leaving the icon empty.
    HICON ReleaseHandle();
    int RequestedWidth = 0, RequestedHeight = 0;
    void Draw(TCanvas& Canvas, const TRect& R) override;
    // .ico (or .cur) file data; EInvalidGraphic when no image can be read.
    void LoadFromStream(TStream& Stream) override;
    // The file data it was read from, else one 32-bit image of the handle.
    void SaveToStream(TStream& Stream) override;

private:
    void FreeHandle();
    HICON FHandle = nullptr;
    std::vector<unsigned char> FData;
};

// Holds one graphic of any registered kind, chosen by the file extension.
class TPicture : public TPersistentBase {
public:
    TPicture();
    ~TPicture() override;
    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> Value);
    TBitmap& Bitmap();  // replaces another kind of graphic by an empty bitmap
    TIcon& Icon();      // the same for an icon
    // Copies a graphic of a known kind (bitmap, icon, JPEG, PNG); nullptr empties.
    void Assign(TGraphic* Source);
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }
    void LoadFromFile(const std::string& FileName);  // EInvalidGraphic for an unknown extension
    void SaveToFile(const std::string& FileName);
    std::function<void(TObject*)> OnChange;

    using TGraphicFactory = std::unique_ptr<TGraphic> (*)();
    static void RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                   TGraphicFactory Factory);
    // Clipboard formats and the graphic kind that reads each (CF_DIB: a bitmap).
    static void RegisterClipboardFormat(UINT Format, TGraphicFactory Factory);
    static bool SupportsClipboardFormat(UINT Format);
    // A new graphic of the format's kind read from Data; EInvalidGraphic for
    // a format nobody registered.
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette);

private:
    std::unique_ptr<TGraphic> FGraphic;
};

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};
