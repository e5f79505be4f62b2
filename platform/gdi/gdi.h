// The drawing calls of the platform layer, in the shapes and with the numeric
// values callers written for the old platform expect: device contexts, pens,
// brushes, fonts, bitmaps, DIB sections, palettes, regions, clipping, raster
// operations, blits, shapes, text and the user-side drawing helpers (DrawEdge,
// DrawText, DrawFrameControl, rectangle helpers).
//
// Constants are macros, as callers test them in #if and as other platform
// headers may repeat an identical definition harmlessly.
//
// The A calls take UTF-8, the W calls UTF-16. The unsuffixed names are
// overloads for both where the shapes allow it.
//
// What this layer settles (pixels are exact and the same on every run):
// - A shape covers the pixels whose centres lie inside it (polygons, ellipses,
//   rounded rectangles and their regions alike); lines leave out their last pixel.
// - Text: the faces callers ask for map to free faces through one table (text.cpp:
//   Arial and MS Sans Serif to Liberation Sans, Tahoma to DejaVu Sans Condensed,
//   Verdana to DejaVu Sans, Courier New to Liberation Mono, Times New Roman to
//   Liberation Serif); negative heights are the em in pixels at 96 dpi. Glyphs
//   are monochrome unless lfQuality is ANTIALIASED_QUALITY or CLEARTYPE_QUALITY.
// - HALFTONE averages the exact covered area, rounding halves up. BLACKONWHITE
//   and WHITEONBLACK AND / OR the pixels a reduction drops; COLORONCOLOR takes
//   the nearest. A negative stretch extent runs back from the pixel at X (or Y).
// - Ternary ROPs work on the colour bits; only SRCCOPY carries the alpha byte.
// - Memory DCs report the display (32 bits, 96 dpi, 1280 x 1024) in GetDeviceCaps.
#pragma once

#include <cstdint>

#include "platform/gdi/surface.h"
#include "platform/rtl/windef.h"

// ---------------------------------------------------------------------------
// Records

using COLOR16 = USHORT;
using LPLOGFONTA = struct LOGFONTA*;

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
};

struct EXTLOGPEN {
    DWORD elpPenStyle;
    DWORD elpWidth;
    UINT elpBrushStyle;
    COLORREF elpColor;
    ULONG_PTR elpHatch;
    DWORD elpNumEntries;
    DWORD elpStyleEntry[1];
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

#define LF_FACESIZE 32
#define LF_FULLFACESIZE 64

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTA;
using LPLOGFONTW = LOGFONTW*;

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
using TEXTMETRIC = TEXTMETRICA;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct RGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};

using FXPT2DOT30 = LONG;
struct CIEXYZ {
    FXPT2DOT30 ciexyzX;
    FXPT2DOT30 ciexyzY;
    FXPT2DOT30 ciexyzZ;
};
struct CIEXYZTRIPLE {
    CIEXYZ ciexyzRed;
    CIEXYZ ciexyzGreen;
    CIEXYZ ciexyzBlue;
};

struct BITMAPV4HEADER {
    DWORD bV4Size;
    LONG bV4Width;
    LONG bV4Height;
    WORD bV4Planes;
    WORD bV4BitCount;
    DWORD bV4V4Compression;
    DWORD bV4SizeImage;
    LONG bV4XPelsPerMeter;
    LONG bV4YPelsPerMeter;
    DWORD bV4ClrUsed;
    DWORD bV4ClrImportant;
    DWORD bV4RedMask;
    DWORD bV4GreenMask;
    DWORD bV4BlueMask;
    DWORD bV4AlphaMask;
    DWORD bV4CSType;
    CIEXYZTRIPLE bV4Endpoints;
    DWORD bV4GammaRed;
    DWORD bV4GammaGreen;
    DWORD bV4GammaBlue;
};

struct BITMAPV5HEADER {
    DWORD bV5Size;
    LONG bV5Width;
    LONG bV5Height;
    WORD bV5Planes;
    WORD bV5BitCount;
    DWORD bV5Compression;
    DWORD bV5SizeImage;
    LONG bV5XPelsPerMeter;
    LONG bV5YPelsPerMeter;
    DWORD bV5ClrUsed;
    DWORD bV5ClrImportant;
    DWORD bV5RedMask;
    DWORD bV5GreenMask;
    DWORD bV5BlueMask;
    DWORD bV5AlphaMask;
    DWORD bV5CSType;
    CIEXYZTRIPLE bV5Endpoints;
    DWORD bV5GammaRed;
    DWORD bV5GammaGreen;
    DWORD bV5GammaBlue;
    DWORD bV5Intent;
    DWORD bV5ProfileData;
    DWORD bV5ProfileSize;
    DWORD bV5Reserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// As stored in .bmp files: packed, 14 bytes.
#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};

struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];  // nCount RECTs follow the header
};

struct XFORM {
    float eM11;
    float eM12;
    float eM21;
    float eM22;
    float eDx;
    float eDy;
};

struct TRIVERTEX {
    LONG x;
    LONG y;
    COLOR16 Red;
    COLOR16 Green;
    COLOR16 Blue;
    COLOR16 Alpha;
};

struct GRADIENT_RECT {
    ULONG UpperLeft;
    ULONG LowerRight;
};

struct GRADIENT_TRIANGLE {
    ULONG Vertex1;
    ULONG Vertex2;
    ULONG Vertex3;
};

struct BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
};

struct DRAWTEXTPARAMS {
    UINT cbSize;
    int iTabLength;
    int iLeftMargin;
    int iRightMargin;
    UINT uiLengthDrawn;
};

using LINEDDAPROC = void (*)(int X, int Y, LPARAM Data);

// ---------------------------------------------------------------------------
// Constants

#define CLR_INVALID 0xFFFFFFFF
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(-1)))
#define PALETTEINDEX(i) (static_cast<COLORREF>(0x01000000u | static_cast<DWORD>(static_cast<WORD>(i))))
#define PALETTERGB(r, g, b) (0x02000000u | RGB(r, g, b))

// Object types (GetObjectType).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_JOIN_ROUND 0x00000000
#define PS_JOIN_BEVEL 0x00001000
#define PS_JOIN_MITER 0x00002000
#define PS_JOIN_MASK 0x0000F000
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000

// Brush styles and hatches.
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define BS_INDEXED 4
#define BS_DIBPATTERN 5
#define BS_DIBPATTERNPT 6
#define BS_PATTERN8X8 7
#define BS_DIBPATTERN8X8 8
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// Font weights, character sets, precisions, qualities, pitches and families.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_ULTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_DEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_ULTRABOLD 800
#define FW_HEAVY 900
#define FW_BLACK 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define SHIFTJIS_CHARSET 128
#define HANGEUL_CHARSET 129
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define GREEK_CHARSET 161
#define TURKISH_CHARSET 162
#define HEBREW_CHARSET 177
#define ARABIC_CHARSET 178
#define BALTIC_CHARSET 186
#define RUSSIAN_CHARSET 204
#define THAI_CHARSET 222
#define EASTEUROPE_CHARSET 238
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define OUT_STRING_PRECIS 1
#define OUT_CHARACTER_PRECIS 2
#define OUT_STROKE_PRECIS 3
#define OUT_TT_PRECIS 4
#define OUT_DEVICE_PRECIS 5
#define OUT_RASTER_PRECIS 6
#define OUT_TT_ONLY_PRECIS 7
#define OUT_OUTLINE_PRECIS 8
#define CLIP_DEFAULT_PRECIS 0
#define CLIP_CHARACTER_PRECIS 1
#define CLIP_STROKE_PRECIS 2
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
// tmPitchAndFamily bits (TMPF_FIXED_PITCH set means variable pitch, as designed).
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define TMPF_DEVICE 0x08

// Bitmaps and DIBs.
#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define BI_JPEG 4
#define BI_PNG 5
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define CBM_INIT 0x04

// Palettes.
#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04
#define SYSPAL_ERROR 0
#define SYSPAL_STATIC 1
#define SYSPAL_NOSTATIC 2

// Regions and clipping.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5
#define RDH_RECTANGLES 1
#define ALTERNATE 1
#define WINDING 2

// Map modes.
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Binary raster operations (SetROP2).
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16
#define R2_LAST 16

// Ternary raster operations: bits 16..23 are the truth table indexed by
// (pattern << 2) | (source << 1) | destination. Any of the 256 codes works.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u
#define NOMIRRORBITMAP 0x80000000u
#define CAPTUREBLT 0x40000000u
#define MAKEROP4(fore, back) (static_cast<DWORD>((((back) << 8) & 0xFF000000u) | (fore)))
// The quaternary operation of MaskBlt: Fore where the mask bit is 1, Back where it is 0.
inline DWORD MakeROP4(DWORD Fore, DWORD Back) { return MAKEROP4(Fore, Back); }

// Stretch modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS 1
#define STRETCH_ORSCANS 2
#define STRETCH_DELETESCANS 3
#define STRETCH_HALFTONE 4

// Text alignment and ExtTextOut options.
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define TA_MASK (TA_BASELINE + TA_CENTER + TA_UPDATECP + TA_RTLREADING)
#define VTA_BASELINE TA_BASELINE
#define VTA_LEFT TA_BOTTOM
#define VTA_RIGHT TA_TOP
#define VTA_CENTER TA_CENTER
#define VTA_BOTTOM TA_RIGHT
#define VTA_TOP TA_LEFT
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_RTLREADING 0x0080
#define ETO_IGNORELANGUAGE 0x1000

// Gradients and blending.
#define GRADIENT_FILL_RECT_H 0x00000000
#define GRADIENT_FILL_RECT_V 0x00000001
#define GRADIENT_FILL_TRIANGLE 0x00000002
#define GRADIENT_FILL_OP_FLAG 0x000000FF
#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01

// GetDeviceCaps indexes and answers.
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMMARKERS 20
#define NUMFONTS 22
#define NUMCOLORS 24
#define PDEVICESIZE 26
#define CURVECAPS 28
#define LINECAPS 30
#define POLYGONALCAPS 32
#define TEXTCAPS 34
#define CLIPCAPS 36
#define RASTERCAPS 38
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define SCALINGFACTORX 114
#define SCALINGFACTORY 115
#define VREFRESH 116
#define DESKTOPVERTRES 117
#define DESKTOPHORZRES 118
#define BLTALIGNMENT 119
#define SHADEBLENDCAPS 120
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define RC_BITBLT 0x0001
#define RC_BANDING 0x0002
#define RC_SCALING 0x0004
#define RC_BITMAP64 0x0008
#define RC_GDI20_OUTPUT 0x0010
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_FLOODFILL 0x1000
#define RC_STRETCHDIB 0x2000

// DrawEdge.
#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define BDR_OUTER (BDR_RAISEDOUTER | BDR_SUNKENOUTER)
#define BDR_INNER (BDR_RAISEDINNER | BDR_SUNKENINNER)
#define BDR_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define BDR_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_ETCHED (BDR_SUNKENOUTER | BDR_RAISEDINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)
#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_TOPLEFT (BF_TOP | BF_LEFT)
#define BF_TOPRIGHT (BF_TOP | BF_RIGHT)
#define BF_BOTTOMLEFT (BF_BOTTOM | BF_LEFT)
#define BF_BOTTOMRIGHT (BF_BOTTOM | BF_RIGHT)
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)
#define BF_DIAGONAL 0x0010
#define BF_DIAGONAL_ENDTOPRIGHT (BF_DIAGONAL | BF_TOP | BF_RIGHT)
#define BF_DIAGONAL_ENDTOPLEFT (BF_DIAGONAL | BF_TOP | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMLEFT (BF_DIAGONAL | BF_BOTTOM | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMRIGHT (BF_DIAGONAL | BF_BOTTOM | BF_RIGHT)
#define BF_MIDDLE 0x0800
#define BF_SOFT 0x1000
#define BF_ADJUST 0x2000
#define BF_FLAT 0x4000
#define BF_MONO 0x8000

// DrawFrameControl.
#define DFC_CAPTION 1
#define DFC_MENU 2
#define DFC_SCROLL 3
#define DFC_BUTTON 4
#define DFC_POPUPMENU 5
#define DFCS_CAPTIONCLOSE 0x0000
#define DFCS_CAPTIONMIN 0x0001
#define DFCS_CAPTIONMAX 0x0002
#define DFCS_CAPTIONRESTORE 0x0003
#define DFCS_CAPTIONHELP 0x0004
#define DFCS_MENUARROW 0x0000
#define DFCS_MENUCHECK 0x0001
#define DFCS_MENUBULLET 0x0002
#define DFCS_MENUARROWRIGHT 0x0004
#define DFCS_SCROLLUP 0x0000
#define DFCS_SCROLLDOWN 0x0001
#define DFCS_SCROLLLEFT 0x0002
#define DFCS_SCROLLRIGHT 0x0003
#define DFCS_SCROLLCOMBOBOX 0x0005
#define DFCS_SCROLLSIZEGRIP 0x0008
#define DFCS_SCROLLSIZEGRIPRIGHT 0x0010
#define DFCS_BUTTONCHECK 0x0000
#define DFCS_BUTTONRADIOIMAGE 0x0001
#define DFCS_BUTTONRADIOMASK 0x0002
#define DFCS_BUTTONRADIO 0x0004
#define DFCS_BUTTON3STATE 0x0008
#define DFCS_BUTTONPUSH 0x0010
#define DFCS_INACTIVE 0x0100
#define DFCS_PUSHED 0x0200
#define DFCS_CHECKED 0x0400
#define DFCS_TRANSPARENT 0x0800
#define DFCS_HOT 0x1000
#define DFCS_ADJUSTRECT 0x2000
#define DFCS_FLAT 0x4000
#define DFCS_MONO 0x8000

// DrawText.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_PATH_ELLIPSIS 0x00004000
#define DT_END_ELLIPSIS 0x00008000
#define DT_MODIFYSTRING 0x00010000
#define DT_RTLREADING 0x00020000
#define DT_WORD_ELLIPSIS 0x00040000
#define DT_NOFULLWIDTHCHARBREAK 0x00080000
#define DT_HIDEPREFIX 0x00100000
#define DT_PREFIXONLY 0x00200000

// System colour indexes, used by the drawing helpers (DrawEdge, DrawFrameControl,
// FillRect with a (HBRUSH)(COLOR_x + 1) brush). The window layer owns GetSysColor
// and may point the drawing layer at it with GdiSetSysColorSource.
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_DESKTOP COLOR_BACKGROUND
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_BTNSHADOW 16
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_BTNHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30

// ---------------------------------------------------------------------------
// Layer hooks

// The fixed classic colour of a system colour index (0 for an unknown index).
COLORREF GdiClassicSysColor(int Index);
// Where the drawing helpers take system colours from (nullptr: the classic table).
void GdiSetSysColorSource(COLORREF (*Source)(int Index));
// The colour the drawing helpers use for Index (through the source above).
COLORREF GdiSysColor(int Index);
// The desktop the screen layer shows (for GetDeviceCaps and compatible bitmaps).
#define GDI_DESKTOP_WIDTH 1280
#define GDI_DESKTOP_HEIGHT 1024

// PNG files of surfaces: screenshots and golden images of tests.
bool GdiSaveSurfacePng(const TGdiSurface* Surface, const char* FileName);
TGdiSurface* GdiLoadSurfacePng(const char* FileName);  // nullptr when unreadable; alpha kept

// ---------------------------------------------------------------------------
// Device contexts and objects

HDC CreateCompatibleDC(HDC Dc);  // a memory DC with a 1x1 monochrome bitmap selected
BOOL DeleteDC(HDC Dc);
int SaveDC(HDC Dc);
BOOL RestoreDC(HDC Dc, int SavedDC);  // positive: that level; negative: relative
HGDIOBJ SelectObject(HDC Dc, HGDIOBJ Object);  // regions: as SelectClipRgn, returns the region type
BOOL DeleteObject(HGDIOBJ Object);
HGDIOBJ GetStockObject(int Index);
HGDIOBJ GetCurrentObject(HDC Dc, UINT Type);
DWORD GetObjectType(HGDIOBJ Object);
int GetObjectA(HGDIOBJ Object, int Count, LPVOID Buffer);
int GetObjectW(HGDIOBJ Object, int Count, LPVOID Buffer);
inline int GetObject(HGDIOBJ Object, int Count, LPVOID Buffer) { return GetObjectA(Object, Count, Buffer); }
BOOL GdiFlush();
int GetDeviceCaps(HDC Dc, int Index);

// Pens and brushes.
HPEN CreatePen(int Style, int Width, COLORREF Color);
HPEN CreatePenIndirect(const LOGPEN* Pen);
HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH* Brush, DWORD StyleCount, const DWORD* StyleEntries);
HBRUSH CreateSolidBrush(COLORREF Color);
HBRUSH CreateHatchBrush(int Hatch, COLORREF Color);
HBRUSH CreatePatternBrush(HBITMAP Bitmap);  // the bitmap is copied
HBRUSH CreateBrushIndirect(const LOGBRUSH* Brush);
HBRUSH CreateDIBPatternBrushPt(const void* PackedDib, UINT Usage);
COLORREF SetDCBrushColor(HDC Dc, COLORREF Color);
COLORREF GetDCBrushColor(HDC Dc);
COLORREF SetDCPenColor(HDC Dc, COLORREF Color);
COLORREF GetDCPenColor(HDC Dc);

// Fonts.
HFONT CreateFontA(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic, DWORD Underline,
                  DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality,
                  DWORD PitchAndFamily, LPCSTR FaceName);
HFONT CreateFontW(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic, DWORD Underline,
                  DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality,
                  DWORD PitchAndFamily, LPCWSTR FaceName);
inline HFONT CreateFont(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic,
                        DWORD Underline, DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision, DWORD ClipPrecision,
                        DWORD Quality, DWORD PitchAndFamily, LPCSTR FaceName) {
    return CreateFontA(Height, Width, Escapement, Orientation, Weight, Italic, Underline, StrikeOut, CharSet,
                       OutPrecision, ClipPrecision, Quality, PitchAndFamily, FaceName);
}
HFONT CreateFontIndirectA(const LOGFONTA* Font);
HFONT CreateFontIndirectW(const LOGFONTW* Font);
inline HFONT CreateFontIndirect(const LOGFONTA* Font) { return CreateFontIndirectA(Font); }
inline HFONT CreateFontIndirect(const LOGFONTW* Font) { return CreateFontIndirectW(Font); }
// Starts reading the font configuration on a thread of its own, so that the
// first text drawn or measured finds it ready (or waits for the rest of it).
void GdiStartFontSetup();
// The file of the free face a requested face name maps to (for diagnostics and tests).
bool GdiMappedFontFile(const char* FaceName, LONG Weight, bool Italic, char* Buffer, int BufferSize);
// The file of the face that draws CodePoint in the DC's font: the font's own
// face, or the first face of the fallback chain (DejaVu Sans, Droid Sans
// Fallback, Symbola) that has the character.
bool GdiGlyphFontFile(HDC Dc, uint32_t CodePoint, char* Buffer, int BufferSize);

// Bitmaps and DIBs.
HBITMAP CreateBitmap(int Width, int Height, UINT Planes, UINT BitCount, const void* Bits);  // 1 or 32 bits
HBITMAP CreateBitmapIndirect(const BITMAP* Bitmap);
HBITMAP CreateCompatibleBitmap(HDC Dc, int Width, int Height);
HBITMAP CreateDIBSection(HDC Dc, const BITMAPINFO* Info, UINT Usage, void** Bits, HANDLE Section, DWORD Offset);
HBITMAP CreateDIBitmap(HDC Dc, const BITMAPINFOHEADER* Header, DWORD Init, const void* Bits, const BITMAPINFO* Info,
                       UINT Usage);
int GetDIBits(HDC Dc, HBITMAP Bitmap, UINT StartScan, UINT Lines, void* Bits, BITMAPINFO* Info, UINT Usage);
int SetDIBits(HDC Dc, HBITMAP Bitmap, UINT StartScan, UINT Lines, const void* Bits, const BITMAPINFO* Info,
              UINT Usage);
int SetDIBitsToDevice(HDC Dc, int XDest, int YDest, DWORD Width, DWORD Height, int XSrc, int YSrc, UINT StartScan,
                      UINT Lines, const void* Bits, const BITMAPINFO* Info, UINT Usage);
int StretchDIBits(HDC Dc, int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc, int SrcWidth,
                  int SrcHeight, const void* Bits, const BITMAPINFO* Info, UINT Usage, DWORD Rop);
UINT GetDIBColorTable(HDC Dc, UINT Start, UINT Count, RGBQUAD* Colors);
UINT SetDIBColorTable(HDC Dc, UINT Start, UINT Count, const RGBQUAD* Colors);
LONG GetBitmapBits(HBITMAP Bitmap, LONG Count, LPVOID Bits);
LONG SetBitmapBits(HBITMAP Bitmap, DWORD Count, const void* Bits);
BOOL GetBitmapDimensionEx(HBITMAP Bitmap, SIZE* Size);

// Palettes.
HPALETTE CreatePalette(const LOGPALETTE* Palette);
HPALETTE CreateHalftonePalette(HDC Dc);
HPALETTE SelectPalette(HDC Dc, HPALETTE Palette, BOOL ForceBackground);
UINT RealizePalette(HDC Dc);
UINT GetPaletteEntries(HPALETTE Palette, UINT Start, UINT Count, PALETTEENTRY* Entries);
UINT SetPaletteEntries(HPALETTE Palette, UINT Start, UINT Count, const PALETTEENTRY* Entries);
UINT GetNearestPaletteIndex(HPALETTE Palette, COLORREF Color);
UINT GetSystemPaletteEntries(HDC Dc, UINT Start, UINT Count, PALETTEENTRY* Entries);
COLORREF GetNearestColor(HDC Dc, COLORREF Color);

// Regions (pixman inside). Coordinates are those given; regions are device units when used for clipping.
HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateRectRgnIndirect(const RECT* Rect);
HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateEllipticRgnIndirect(const RECT* Rect);
HRGN CreatePolygonRgn(const POINT* Points, int Count, int FillMode);
HRGN CreatePolyPolygonRgn(const POINT* Points, const INT* Counts, int PolyCount, int FillMode);
int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode);
int OffsetRgn(HRGN Region, int X, int Y);
BOOL PtInRegion(HRGN Region, int X, int Y);
BOOL RectInRegion(HRGN Region, const RECT* Rect);
int GetRgnBox(HRGN Region, RECT* Rect);
BOOL EqualRgn(HRGN Region1, HRGN Region2);
DWORD GetRegionData(HRGN Region, DWORD Count, RGNDATA* Data);  // Data nullptr: the size needed
HRGN ExtCreateRegion(const XFORM* Transform, DWORD Count, const RGNDATA* Data);  // Transform must be nullptr
BOOL SetRectRgn(HRGN Region, int Left, int Top, int Right, int Bottom);
BOOL FillRgn(HDC Dc, HRGN Region, HBRUSH Brush);
BOOL FrameRgn(HDC Dc, HRGN Region, HBRUSH Brush, int Width, int Height);
BOOL PaintRgn(HDC Dc, HRGN Region);
BOOL InvertRgn(HDC Dc, HRGN Region);

// Clipping.
int SelectClipRgn(HDC Dc, HRGN Region);
int ExtSelectClipRgn(HDC Dc, HRGN Region, int Mode);
int IntersectClipRect(HDC Dc, int Left, int Top, int Right, int Bottom);
int ExcludeClipRect(HDC Dc, int Left, int Top, int Right, int Bottom);
int OffsetClipRgn(HDC Dc, int X, int Y);
int GetClipBox(HDC Dc, RECT* Rect);  // logical units
int GetClipRgn(HDC Dc, HRGN Region);  // 1 with a clip region, 0 without, -1 on error
BOOL PtVisible(HDC Dc, int X, int Y);
BOOL RectVisible(HDC Dc, const RECT* Rect);

// Coordinates (MM_TEXT only).
int SetMapMode(HDC Dc, int Mode);
int GetMapMode(HDC Dc);
BOOL SetViewportOrgEx(HDC Dc, int X, int Y, POINT* Old);
BOOL SetWindowOrgEx(HDC Dc, int X, int Y, POINT* Old);
BOOL OffsetViewportOrgEx(HDC Dc, int X, int Y, POINT* Old);
BOOL OffsetWindowOrgEx(HDC Dc, int X, int Y, POINT* Old);
BOOL GetViewportOrgEx(HDC Dc, POINT* Point);
BOOL GetWindowOrgEx(HDC Dc, POINT* Point);
BOOL LPtoDP(HDC Dc, POINT* Points, int Count);
BOOL DPtoLP(HDC Dc, POINT* Points, int Count);
BOOL GetDCOrgEx(HDC Dc, POINT* Point);  // the DC's origin on its surface

// Modes and colours.
int SetROP2(HDC Dc, int Mode);
int GetROP2(HDC Dc);
int SetBkMode(HDC Dc, int Mode);
int GetBkMode(HDC Dc);
COLORREF SetBkColor(HDC Dc, COLORREF Color);
COLORREF GetBkColor(HDC Dc);
COLORREF SetTextColor(HDC Dc, COLORREF Color);
COLORREF GetTextColor(HDC Dc);
UINT SetTextAlign(HDC Dc, UINT Align);
UINT GetTextAlign(HDC Dc);
int SetStretchBltMode(HDC Dc, int Mode);
int GetStretchBltMode(HDC Dc);
int SetPolyFillMode(HDC Dc, int Mode);
int GetPolyFillMode(HDC Dc);
BOOL SetBrushOrgEx(HDC Dc, int X, int Y, POINT* Old);
BOOL GetBrushOrgEx(HDC Dc, POINT* Point);
int SetTextCharacterExtra(HDC Dc, int Extra);
int GetTextCharacterExtra(HDC Dc);

// Blits.
BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, DWORD Rop);
BOOL StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                int SrcHeight, DWORD Rop);
BOOL PatBlt(HDC Dc, int X, int Y, int Width, int Height, DWORD Rop);
BOOL MaskBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, HBITMAP Mask, int XMask,
             int YMask, DWORD Rop);  // mask bit 1: foreground ROP, 0: background ROP (MAKEROP4)
BOOL AlphaBlend(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                int SrcHeight, BLENDFUNCTION Blend);
BOOL TransparentBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                    int SrcHeight, UINT TransparentColor);
BOOL GradientFill(HDC Dc, TRIVERTEX* Vertices, ULONG VertexCount, void* Mesh, ULONG MeshCount, ULONG Mode);

// Lines and shapes (pen outlines, brush interiors, ROP2 applies).
BOOL MoveToEx(HDC Dc, int X, int Y, POINT* Old);
BOOL LineTo(HDC Dc, int X, int Y);
BOOL GetCurrentPositionEx(HDC Dc, POINT* Point);
BOOL Polyline(HDC Dc, const POINT* Points, int Count);
BOOL PolylineTo(HDC Dc, const POINT* Points, DWORD Count);
BOOL PolyPolyline(HDC Dc, const POINT* Points, const DWORD* Counts, DWORD PolyCount);
BOOL Polygon(HDC Dc, const POINT* Points, int Count);
BOOL PolyPolygon(HDC Dc, const POINT* Points, const INT* Counts, int PolyCount);
BOOL Rectangle(HDC Dc, int Left, int Top, int Right, int Bottom);
BOOL RoundRect(HDC Dc, int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
BOOL Ellipse(HDC Dc, int Left, int Top, int Right, int Bottom);
BOOL Arc(HDC Dc, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
BOOL Pie(HDC Dc, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
BOOL Chord(HDC Dc, int Left, int Top, int Right, int Bottom, int XStart, int YStart, int XEnd, int YEnd);
int FillRect(HDC Dc, const RECT* Rect, HBRUSH Brush);  // Brush may be (HBRUSH)(COLOR_x + 1)
int FrameRect(HDC Dc, const RECT* Rect, HBRUSH Brush);
BOOL InvertRect(HDC Dc, const RECT* Rect);
BOOL LineDDA(int XStart, int YStart, int XEnd, int YEnd, LINEDDAPROC Proc, LPARAM Data);

// Pixels.
COLORREF GetPixel(HDC Dc, int X, int Y);  // CLR_INVALID outside the clip
COLORREF SetPixel(HDC Dc, int X, int Y, COLORREF Color);
BOOL SetPixelV(HDC Dc, int X, int Y, COLORREF Color);

// Text.
BOOL TextOutA(HDC Dc, int X, int Y, LPCSTR Text, int Count);
BOOL TextOutW(HDC Dc, int X, int Y, LPCWSTR Text, int Count);
inline BOOL TextOut(HDC Dc, int X, int Y, LPCSTR Text, int Count) { return TextOutA(Dc, X, Y, Text, Count); }
inline BOOL TextOut(HDC Dc, int X, int Y, LPCWSTR Text, int Count) { return TextOutW(Dc, X, Y, Text, Count); }
BOOL ExtTextOutA(HDC Dc, int X, int Y, UINT Options, const RECT* Rect, LPCSTR Text, UINT Count, const INT* Dx);
BOOL ExtTextOutW(HDC Dc, int X, int Y, UINT Options, const RECT* Rect, LPCWSTR Text, UINT Count, const INT* Dx);
inline BOOL ExtTextOut(HDC Dc, int X, int Y, UINT Options, const RECT* Rect, LPCSTR Text, UINT Count,
                       const INT* Dx) {
    return ExtTextOutA(Dc, X, Y, Options, Rect, Text, Count, Dx);
}
inline BOOL ExtTextOut(HDC Dc, int X, int Y, UINT Options, const RECT* Rect, LPCWSTR Text, UINT Count,
                       const INT* Dx) {
    return ExtTextOutW(Dc, X, Y, Options, Rect, Text, Count, Dx);
}
BOOL GetTextExtentPoint32A(HDC Dc, LPCSTR Text, int Count, SIZE* Size);
BOOL GetTextExtentPoint32W(HDC Dc, LPCWSTR Text, int Count, SIZE* Size);
inline BOOL GetTextExtentPoint32(HDC Dc, LPCSTR Text, int Count, SIZE* Size) {
    return GetTextExtentPoint32A(Dc, Text, Count, Size);
}
inline BOOL GetTextExtentPoint32(HDC Dc, LPCWSTR Text, int Count, SIZE* Size) {
    return GetTextExtentPoint32W(Dc, Text, Count, Size);
}
inline BOOL GetTextExtentPointA(HDC Dc, LPCSTR Text, int Count, SIZE* Size) {
    return GetTextExtentPoint32A(Dc, Text, Count, Size);
}
inline BOOL GetTextExtentPointW(HDC Dc, LPCWSTR Text, int Count, SIZE* Size) {
    return GetTextExtentPoint32W(Dc, Text, Count, Size);
}
// How many characters fit in MaxExtent (Fit) and the extent after each one (Dx, optional).
BOOL GetTextExtentExPointA(HDC Dc, LPCSTR Text, int Count, int MaxExtent, INT* Fit, INT* Dx, SIZE* Size);
BOOL GetTextExtentExPointW(HDC Dc, LPCWSTR Text, int Count, int MaxExtent, INT* Fit, INT* Dx, SIZE* Size);
BOOL GetTextMetricsA(HDC Dc, TEXTMETRICA* Metrics);
BOOL GetTextMetricsW(HDC Dc, TEXTMETRICW* Metrics);
inline BOOL GetTextMetrics(HDC Dc, TEXTMETRICA* Metrics) { return GetTextMetricsA(Dc, Metrics); }
inline BOOL GetTextMetrics(HDC Dc, TEXTMETRICW* Metrics) { return GetTextMetricsW(Dc, Metrics); }
int GetTextFaceA(HDC Dc, int Count, LPSTR Name);
int GetTextFaceW(HDC Dc, int Count, LPWSTR Name);
inline int GetTextFace(HDC Dc, int Count, LPSTR Name) { return GetTextFaceA(Dc, Count, Name); }
inline int GetTextFace(HDC Dc, int Count, LPWSTR Name) { return GetTextFaceW(Dc, Count, Name); }
BOOL GetCharWidth32A(HDC Dc, UINT First, UINT Last, INT* Widths);
BOOL GetCharWidth32W(HDC Dc, UINT First, UINT Last, INT* Widths);
inline BOOL GetCharWidth32(HDC Dc, UINT First, UINT Last, INT* Widths) {
    return GetCharWidth32A(Dc, First, Last, Widths);
}
inline BOOL GetCharWidthA(HDC Dc, UINT First, UINT Last, INT* Widths) {
    return GetCharWidth32A(Dc, First, Last, Widths);
}
inline BOOL GetCharWidthW(HDC Dc, UINT First, UINT Last, INT* Widths) {
    return GetCharWidth32W(Dc, First, Last, Widths);
}

// User-side drawing helpers.
BOOL DrawEdge(HDC Dc, RECT* Rect, UINT Edge, UINT Flags);
BOOL DrawFocusRect(HDC Dc, const RECT* Rect);
BOOL DrawFrameControl(HDC Dc, RECT* Rect, UINT Type, UINT State);
int DrawTextA(HDC Dc, LPCSTR Text, int Count, RECT* Rect, UINT Format);
int DrawTextW(HDC Dc, LPCWSTR Text, int Count, RECT* Rect, UINT Format);
inline int DrawText(HDC Dc, LPCSTR Text, int Count, RECT* Rect, UINT Format) {
    return DrawTextA(Dc, Text, Count, Rect, Format);
}
inline int DrawText(HDC Dc, LPCWSTR Text, int Count, RECT* Rect, UINT Format) {
    return DrawTextW(Dc, Text, Count, Rect, Format);
}
int DrawTextExA(HDC Dc, LPSTR Text, int Count, RECT* Rect, UINT Format, DRAWTEXTPARAMS* Params);
int DrawTextExW(HDC Dc, LPWSTR Text, int Count, RECT* Rect, UINT Format, DRAWTEXTPARAMS* Params);
inline int DrawTextEx(HDC Dc, LPSTR Text, int Count, RECT* Rect, UINT Format, DRAWTEXTPARAMS* Params) {
    return DrawTextExA(Dc, Text, Count, Rect, Format, Params);
}
inline int DrawTextEx(HDC Dc, LPWSTR Text, int Count, RECT* Rect, UINT Format, DRAWTEXTPARAMS* Params) {
    return DrawTextExW(Dc, Text, Count, Rect, Format, Params);
}

// Rectangle helpers.
BOOL SetRect(RECT* Rect, int Left, int Top, int Right, int Bottom);
BOOL SetRectEmpty(RECT* Rect);
BOOL CopyRect(RECT* Dest, const RECT* Src);
BOOL InflateRect(RECT* Rect, int Dx, int Dy);
BOOL OffsetRect(RECT* Rect, int Dx, int Dy);
BOOL IntersectRect(RECT* Dest, const RECT* Src1, const RECT* Src2);
BOOL UnionRect(RECT* Dest, const RECT* Src1, const RECT* Src2);
BOOL SubtractRect(RECT* Dest, const RECT* Src1, const RECT* Src2);
BOOL IsRectEmpty(const RECT* Rect);
BOOL PtInRect(const RECT* Rect, POINT Point);
BOOL EqualRect(const RECT* Rect1, const RECT* Rect2);
