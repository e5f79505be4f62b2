// Small routines used across the image library: the cosine table of the
// interpolation blend, Bezier points, Base64, EXIF orientation, conditional byte
// swaps and temporary file names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/windef.h"

class TIEBitmap;

// Explicit start-up of the bitmaps unit: cosine table, default minimum file size.
void IEBitmapsStartup();

// Entry i = Round(64 - cos(i * pi / 255) * 64).
extern int32_t IECosineTable[256];
void InitCosineTable();

// Count points of the cubic Bezier curve at t = 1/Count .. 1.
void ComputeBezier(POINT P0, POINT P1, POINT P2, POINT P3, int32_t Count, std::vector<POINT>& Points);

inline uint8_t IEIfThenByte(bool Value, uint8_t ATrue, uint8_t AFalse) { return Value ? ATrue : AFalse; }
inline int32_t IEIfThen(bool Value, int32_t ATrue, int32_t AFalse) { return Value ? ATrue : AFalse; }
inline double IEIfThenFloat(bool Value, double ATrue, double AFalse) { return Value ? ATrue : AFalse; }

// Standard Base64 of Count (1..3) bytes into 4 characters.
void Base64EncodeGroup(const uint8_t* Source, char* Dest, int Count);
// From the stream's position to its end, lines of LineLength characters ended by CR LF.
void Base64EncodeStreamToText(TStream& Stream, std::string& Text, int LineLength);

// Turns a bitmap upright for an EXIF/TIFF orientation value (1..8).
void ApplyEXIFOrientation(TIEBitmap* Bitmap, int Orientation);

int32_t SwapWordBytesIf(int32_t Value, bool Swap);
int32_t SwapDWordBytesIf(int32_t Value, bool Swap);

// Dir + Prefix + "-" + 8 upper-case hex digits + ".tmp", a name not in use when drawn.
std::string MakeTempFileName(const std::string& Prefix, const std::string& Dir);
// Creates such a file exclusively (no other bitmap or process can get the same name)
// and answers its name; empty when no file could be created.
std::string CreateTempFileExclusive(const std::string& Prefix, const std::string& Dir);
// The system's temporary folder ($TMPDIR or /tmp), ending with '/'.
std::string IETempFolder();

// ---- Windowing helpers of the image views --------------------------------------
struct SCROLLINFO;
struct BITMAPINFOHEADER;
// True in a remote (terminal) session.
bool IsRemoteSession();
// Scroll-bar calls; Flat asks for the flat variant, which looks like the plain bar here.
BOOL IESetScrollRange(HWND Handle, int Bar, int Min, int Max, BOOL Redraw, bool Flat);
int IESetScrollInfo(HWND Handle, int Bar, const SCROLLINFO* Info, BOOL Redraw, bool Flat);
void IESetScrollPage(HWND Handle, int Bar, int Page, BOOL Redraw, bool Flat);
int IESetScrollPos(HWND Handle, int Bar, int Pos, BOOL Redraw, bool Flat);
BOOL IEEnableScrollBar(HWND Handle, int Bar, UINT Arrows, bool Flat);
BOOL IEShowScrollBar(HWND Handle, int Bar, BOOL Show, bool Flat);
// Drawing a packed DIB stretched onto a DC (the DrawDib calls), by StretchDIBits.
HANDLE IEDrawDibOpen();
BOOL IEDrawDibClose(HANDLE Handle);
UINT IEDrawDibRealize(HANDLE Handle, HDC DC, BOOL Background);
BOOL IEDrawDibDraw(HANDLE Handle, HDC DC, int XDst, int YDst, int DXDst, int DYDst, const BITMAPINFOHEADER* Header,
                   const void* Bits, int XSrc, int YSrc, int DXSrc, int DYSrc, UINT Flags);
