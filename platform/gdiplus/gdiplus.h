// The GDI+ flat calls the owner-drawn controls use: a graphics object on a
// device context, pens (solid and dotted), solid and linear-gradient brushes,
// lines, rectangles, images decoded from streams (BMP, PNG, JPEG), fonts by
// family name and size, string formats and DrawString. Drawing goes into the
// same 32-bit surfaces the drawing layer uses, through cairo.
//
// What this layer settles:
// - Coordinates are pixels; the graphics object starts at the DC's logical
//   origin and is clipped to the DC's clip box.
// - SmoothingModeDefault/None/HighSpeed draw without anti-aliasing, the others
//   anti-aliased. One-pixel lines cover both end pixels; a rectangle outline
//   (x, y, w, h) covers x .. x + w and y .. y + h.
// - Fonts map to the same free faces as the drawing layer's (gdi.h). Text is
//   grey-scale anti-aliased, one line per layout line; a line wider than the
//   layout is trimmed as the format's trimming says.
// - GdiplusStartup must run before any other call; a call before it (or after
//   GdiplusShutdown) answers GdiplusNotInitialized.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/rtl/windef.h"

using ARGB = DWORD;
using REAL = float;

enum GpStatus {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20
};

enum GpUnit { UnitWorld = 0, UnitDisplay = 1, UnitPixel = 2, UnitPoint = 3, UnitInch = 4, UnitDocument = 5, UnitMillimeter = 6 };
enum GpDashStyle { DashStyleSolid = 0, DashStyleDash = 1, DashStyleDot = 2, DashStyleDashDot = 3, DashStyleDashDotDot = 4 };
enum GpSmoothingMode {
    SmoothingModeInvalid = -1,
    SmoothingModeDefault = 0,
    SmoothingModeHighSpeed = 1,
    SmoothingModeHighQuality = 2,
    SmoothingModeNone = 3,
    SmoothingModeAntiAlias = 4
};
enum GpTextRenderingHint {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintSingleBitPerPixelGridFit = 1,
    TextRenderingHintSingleBitPerPixel = 2,
    TextRenderingHintAntiAliasGridFit = 3,
    TextRenderingHintAntiAlias = 4,
    TextRenderingHintClearTypeGridFit = 5
};
enum GpStringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };
enum GpStringTrimming {
    StringTrimmingNone = 0,
    StringTrimmingCharacter = 1,
    StringTrimmingWord = 2,
    StringTrimmingEllipsisCharacter = 3,
    StringTrimmingEllipsisWord = 4,
    StringTrimmingEllipsisPath = 5
};
enum GpLinearGradientMode {
    LinearGradientModeHorizontal = 0,
    LinearGradientModeVertical = 1,
    LinearGradientModeForwardDiagonal = 2,
    LinearGradientModeBackwardDiagonal = 3
};
enum GpWrapMode { WrapModeTile = 0, WrapModeTileFlipX = 1, WrapModeTileFlipY = 2, WrapModeTileFlipXY = 3, WrapModeClamp = 4 };

// Font styles (bits).
constexpr INT FontStyleRegular = 0, FontStyleBold = 1, FontStyleItalic = 2, FontStyleBoldItalic = 3,
              FontStyleUnderline = 4, FontStyleStrikeout = 8;
// String format flags.
constexpr INT StringFormatFlagsNoFitBlackBox = 0x0004, StringFormatFlagsNoWrap = 0x1000,
              StringFormatFlagsLineLimit = 0x2000, StringFormatFlagsNoClip = 0x4000;
constexpr DWORD LANG_NEUTRAL = 0;

struct GpRectF {
    REAL X = 0, Y = 0, Width = 0, Height = 0;
};
struct GpRect {
    INT X = 0, Y = 0, Width = 0, Height = 0;
};
using RectF = GpRectF;

// Opaque objects.
struct GpGraphics;
struct GpImage;
using GpBitmap = GpImage;
struct GpPen;
struct GpBrush;
using GpSolidFill = GpBrush;
using GpLineGradient = GpBrush;
struct GpFontFamily;
struct GpFont;
struct GpStringFormat;
struct GpFontCollection;

// A readable stream of bytes, as the COM streams the image calls read.
class IStream {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Reads up to Count bytes; Done receives how many were read.
    virtual long Read(void* Buffer, ULONG Count, ULONG* Done) = 0;
    virtual uint64_t Size() = 0;

protected:
    virtual ~IStream() = default;
};
// A stream over a copy of Count bytes, with one reference (nullptr when the
// memory cannot be had).
IStream* SHCreateMemStream(const BYTE* Data, UINT Count);

struct GdiplusStartupInput {
    uint32_t GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
struct GdiplusStartupOutput {
    void* NotificationHook = nullptr;
    void* NotificationUnhook = nullptr;
};

GpStatus GdiplusStartup(ULONG_PTR* Token, const GdiplusStartupInput* Input, GdiplusStartupOutput* Output);
void GdiplusShutdown(ULONG_PTR Token);

// Graphics.
GpStatus GdipCreateFromHDC(HDC Dc, GpGraphics** Graphics);
GpStatus GdipDeleteGraphics(GpGraphics* Graphics);
GpStatus GdipSetSmoothingMode(GpGraphics* Graphics, GpSmoothingMode Mode);
GpStatus GdipGetSmoothingMode(GpGraphics* Graphics, GpSmoothingMode* Mode);
GpStatus GdipSetTextRenderingHint(GpGraphics* Graphics, GpTextRenderingHint Hint);
GpStatus GdipGetTextRenderingHint(GpGraphics* Graphics, GpTextRenderingHint* Hint);
GpStatus GdipGraphicsClear(GpGraphics* Graphics, ARGB Color);
GpStatus GdipFlush(GpGraphics* Graphics, int Intention);

// Pens.
GpStatus GdipCreatePen1(ARGB Color, REAL Width, GpUnit Unit, GpPen** Pen);
GpStatus GdipDeletePen(GpPen* Pen);
GpStatus GdipSetPenDashStyle(GpPen* Pen, GpDashStyle Style);
GpStatus GdipSetPenColor(GpPen* Pen, ARGB Color);

// Brushes.
GpStatus GdipCreateSolidFill(ARGB Color, GpSolidFill** Brush);
GpStatus GdipCreateLineBrushFromRectI(const GpRect* Rect, ARGB Color1, ARGB Color2, GpLinearGradientMode Mode,
                                      GpWrapMode Wrap, GpLineGradient** Brush);
GpStatus GdipDeleteBrush(GpBrush* Brush);

// Shapes.
GpStatus GdipDrawLineI(GpGraphics* Graphics, GpPen* Pen, INT X1, INT Y1, INT X2, INT Y2);
GpStatus GdipDrawLine(GpGraphics* Graphics, GpPen* Pen, REAL X1, REAL Y1, REAL X2, REAL Y2);
GpStatus GdipDrawRectangleI(GpGraphics* Graphics, GpPen* Pen, INT X, INT Y, INT Width, INT Height);
GpStatus GdipFillRectangleI(GpGraphics* Graphics, GpBrush* Brush, INT X, INT Y, INT Width, INT Height);
GpStatus GdipFillRectangle(GpGraphics* Graphics, GpBrush* Brush, REAL X, REAL Y, REAL Width, REAL Height);
GpStatus GdipDrawEllipseI(GpGraphics* Graphics, GpPen* Pen, INT X, INT Y, INT Width, INT Height);
GpStatus GdipFillEllipseI(GpGraphics* Graphics, GpBrush* Brush, INT X, INT Y, INT Width, INT Height);

// Images.
GpStatus GdipCreateBitmapFromStream(IStream* Stream, GpBitmap** Bitmap);
// A 32-bit ARGB bitmap over a copy of Scan0's pixels (0xAARRGGBB, Stride bytes a row).
GpStatus GdipCreateBitmapFromScan0(INT Width, INT Height, INT Stride, INT PixelFormat, BYTE* Scan0,
                                   GpBitmap** Bitmap);
GpStatus GdipDisposeImage(GpImage* Image);
GpStatus GdipGetImageWidth(GpImage* Image, UINT* Width);
GpStatus GdipGetImageHeight(GpImage* Image, UINT* Height);
GpStatus GdipBitmapGetPixel(GpBitmap* Bitmap, INT X, INT Y, ARGB* Color);
GpStatus GdipDrawImageRectI(GpGraphics* Graphics, GpImage* Image, INT X, INT Y, INT Width, INT Height);
GpStatus GdipDrawImageI(GpGraphics* Graphics, GpImage* Image, INT X, INT Y);
constexpr INT PixelFormat32bppARGB = 0x0026200A;

// Fonts and text.
GpStatus GdipCreateFontFamilyFromName(const WCHAR* Name, GpFontCollection* Collection, GpFontFamily** Family);
GpStatus GdipDeleteFontFamily(GpFontFamily* Family);
GpStatus GdipCreateFont(const GpFontFamily* Family, REAL Size, INT Style, GpUnit Unit, GpFont** Font);
GpStatus GdipDeleteFont(GpFont* Font);
GpStatus GdipGetFontSize(GpFont* Font, REAL* Size);
GpStatus GdipGetFontStyle(GpFont* Font, INT* Style);
GpStatus GdipCreateStringFormat(INT Flags, DWORD Language, GpStringFormat** Format);
GpStatus GdipDeleteStringFormat(GpStringFormat* Format);
GpStatus GdipSetStringFormatAlign(GpStringFormat* Format, GpStringAlignment Align);
GpStatus GdipSetStringFormatLineAlign(GpStringFormat* Format, GpStringAlignment Align);
GpStatus GdipSetStringFormatTrimming(GpStringFormat* Format, GpStringTrimming Trimming);
GpStatus GdipSetStringFormatFlags(GpStringFormat* Format, INT Flags);
// Length -1: up to the terminating zero.
GpStatus GdipDrawString(GpGraphics* Graphics, const WCHAR* Text, INT Length, const GpFont* Font,
                        const RectF* Layout, const GpStringFormat* Format, const GpBrush* Brush);
GpStatus GdipMeasureString(GpGraphics* Graphics, const WCHAR* Text, INT Length, const GpFont* Font,
                           const RectF* Layout, const GpStringFormat* Format, RectF* Bounds, INT* CodepointsFitted,
                           INT* LinesFilled);
