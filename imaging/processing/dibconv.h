// Packed device-independent bitmaps (a 40-byte BITMAPINFOHEADER, a colour
// table or bit-field masks, then the rows bottom-up, each padded to 32 bits)
// and the YUV video-frame layouts named by a FourCC code, to and from
// TIEBitmap.
//
// "Global memory" is the windowing layer's movable block (WinGlobalAlloc), so
// a DIB handle can be put on the clipboard as it is; IEGlobalAlloc and friends
// wrap those calls. Handles are checked by that layer, so a stale handle is
// refused rather than read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/windef.h"

class TIEBitmap;
class TIEDibbitmap;

// ---- Movable memory blocks ------------------------------------------------------
HGLOBAL IEGlobalAlloc(size_t size);      // zero-filled; nullptr when it cannot be had
void* IEGlobalLock(HGLOBAL handle);      // nullptr for an unknown handle
bool IEGlobalUnlock(HGLOBAL handle);     // false: blocks never stay locked
size_t IEGlobalSize(HGLOBAL handle);     // 0 for an unknown handle
HGLOBAL IEGlobalFree(HGLOBAL handle);    // nullptr on success, the handle when unknown

// ---- Packed DIB layout --------------------------------------------------------------
#pragma pack(push, 1)
struct TIEBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(TIEBitmapInfoHeader) == 40);

constexpr uint32_t IE_BI_RGB = 0;
constexpr uint32_t IE_BI_RLE8 = 1;
constexpr uint32_t IE_BI_RLE4 = 2;
constexpr uint32_t IE_BI_BITFIELDS = 3;
constexpr uint32_t IEFourCC(char a, char b, char c, char d) {
    return static_cast<uint8_t>(a) | (static_cast<uint8_t>(b) << 8) | (static_cast<uint8_t>(c) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

// BT.601: each channel ClampToByte(Round(...)), halves to even.
void YUVToRGB(int32_t Y, int32_t U, int32_t V, TRGB& out);

// Reads a packed DIB into bitmap: ie1g for 1-bit DIBs (bit 1 white; a table
// whose first entry is the lighter one inverts the bits), else ieRGB24.
// dib is a pointer (isPointer) or a handle of IEGlobalAlloc (locked for the
// read, and its size bounds what is read). pixels, when given, is where the
// rows (or the FourCC data) start; else they follow the header and table.
// Uncompressed 1, 4, 8, 16, 24, 32 bits, bottom-up or top-down (negative
// height), and the FourCC formats "I420", "IYUV", "YV12", "YVU9", "YUY2",
// "YUNV", "UYVY", "UYNV", "cyuv", "YVYU", "IYU1", "IYU2", "Y211", "Y41P",
// "CLJR". Packed FourCC rows hold whole steps (a width of 5 in "YUY2" takes
// three 4-byte steps); planar chroma planes are rounded up ((width + 1) / 2).
// Returns biBitCount, or 0 when the DIB cannot be read (bad header, RLE
// compression, an unknown bit count or FourCC, too few bytes): the bitmap is
// then left empty.
int32_t PackedDIBToIEBitmap(const void* dib, TIEBitmap* bitmap, const void* pixels, bool isPointer);
// The same with the block's size known (pointer form), so that nothing beyond
// dibSize bytes from dib is read; pixels must then lie inside the block.
int32_t PackedDIBToIEBitmap(const void* dib, size_t dibSize, TIEBitmap* bitmap, const void* pixels = nullptr);
// Draws the DIB at 1:1 into dest: 1 bit for 1-bit DIBs, else 24 bits.
// Returns biBitCount, 0 when it cannot be read.
int32_t PackedDIBToDibBitmap(const void* dib, TIEDibbitmap* dest, const void* pixels, bool isPointer);

// A packed DIB of the rectangle x1, y1 .. x2 - 1, y2 - 1 (x2, y2 of 0 mean the
// width and height) in a new block of IEGlobalAlloc: 1 bit for ie1g, 8 bits
// with the palette for ie8p, the grey ramp for ie8g, 24 bits otherwise (other
// formats are converted first). nullptr for an empty bitmap or rectangle.
HGLOBAL BitmapToDIBHandle(TIEBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
