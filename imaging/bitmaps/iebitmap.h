// The image library's bitmap: ten pixel formats, an optional 8-bit alpha
// channel, pixels in memory, in a temporary file (one row mapped at a time) or
// in a windowing-library TBitmap. Rows are numbered from 0 at the top in every
// storage; memory keeps them bottom-up, the temporary file top-down.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/windef.h"

class TBitmap;   // the class library's bitmap (platform/classlib)
class TCanvas;
class TIEMask;

// Raised by the bitmap for requests it cannot serve (e.g. a format the storage cannot hold).
TESSARO_DECLARE_EXCEPTION(EIEBitmapError, Exception)

// ---- Unit globals ------------------------------------------------------------
// Copied into MinFileSize of every new bitmap; -1 = half the available physical memory.
extern int64_t DefaultMinFileSize;
// Folder for temporary files; empty = the system's temporary folder.
extern std::string LibraryTempFolder;
// Available physical memory in bytes (64 bits: hosts have more than 4 GB).
int64_t GetAvailablePhysicalMemory();
// The minimum size for temporary-file storage that DefaultMinFileSize stands for.
int64_t IEResolveMinFileSize(int64_t Value);

// ---- Temporary file with mapped regions ----------------------------------------
struct TIEFileRegion {
    int64_t Position = 0;
    int64_t Size = 0;
    uint8_t* Memory = nullptr;
    TIEDataAccess Access = 0;
};

class TIEFileBuffer : public TObject {
public:
    TIEFileBuffer();
    ~TIEFileBuffer() override;
    TIEFileBuffer(const TIEFileBuffer&) = delete;
    TIEFileBuffer& operator=(const TIEFileBuffer&) = delete;

    // Creates a new temporary file of Size bytes; false (nothing left behind) on any failure.
    bool AllocateFile(const std::string& Prefix, int64_t Size);
    void SetFileSize(int64_t Size);
    bool IsAllocated() const { return FileStream != nullptr; }
    void DeAllocate();
    // A copy of Size bytes at Position (read when Access has iebRead); UnMap writes it back with iebWrite.
    void* Map(TIEDataAccess Access, int64_t Size, int64_t Position);
    void UnMap(void* Memory);
    void UnMapAll();
    int FindRegion(const void* Memory) const;
    // Copies Size bytes from Position to the same place in Dest's file. False when the
    // copy failed; Dest's file then keeps what it held.
    bool CopyTo(TIEFileBuffer& Dest, int64_t Size, int64_t Position);
    int64_t FileSize() const;

    std::string FileName;
    std::unique_ptr<TFileStream> FileStream;
    std::vector<TIEFileRegion> Regions;
};

// ---- Bitmaps ------------------------------------------------------------------
class TIEBaseBitmap : public TObject {
public:
    TIEDataAccess Access = iebRead | iebWrite;

    virtual void* GetScanline(int32_t Row) = 0;
    virtual int32_t GetBitCount() = 0;
    virtual int32_t GetHeight() = 0;
    virtual int32_t GetWidth() = 0;
    virtual TIEPixelFormat GetPixelFormat() = 0;
    virtual int32_t GetRowLen() = 0;
    virtual TRGB GetPalette(int32_t Index) = 0;
    virtual void SetPalette(int32_t Index, TRGB Value) = 0;
    virtual int32_t GetPaletteLength() = 0;
    virtual void Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) = 0;
    virtual void Assign(TObject* Source) = 0;

    // Property-style shorthands of the getters.
    int32_t Width() { return GetWidth(); }
    int32_t Height() { return GetHeight(); }
    int32_t BitCount() { return GetBitCount(); }
    int32_t RowLen() { return GetRowLen(); }
    TIEPixelFormat PixelFormat() { return GetPixelFormat(); }
    uint8_t* Scanline(int32_t Row) { return static_cast<uint8_t*>(GetScanline(Row)); }
};

class TIEBitmap;
// Render tables a caller may keep between calls with the same geometry.
struct TIERenderTables;

class TIEBitmap : public TIEBaseBitmap {
public:
    TIEBitmap();
    ~TIEBitmap() override;
    TIEBitmap(const TIEBitmap&) = delete;
    TIEBitmap& operator=(const TIEBitmap&) = delete;
    // An alpha channel: ie8g, filled with 255 (Full); ieTBitmap becomes ieMemory.
    static std::unique_ptr<TIEBitmap> CreateAsAlpha(int32_t Width, int32_t Height, TIELocation Location);

    // Base operations.
    void* GetScanline(int32_t Row) override;
    int32_t GetBitCount() override;
    int32_t GetHeight() override;
    int32_t GetWidth() override;
    TIEPixelFormat GetPixelFormat() override;
    int32_t GetRowLen() override;
    // Out of range: black (the entry does not exist).
    TRGB GetPalette(int32_t Index) override;
    void SetPalette(int32_t Index, TRGB Value) override;
    int32_t GetPaletteLength() override { return FPaletteLength; }
    // Drops the old image and allocates an uninitialised one. On failure the bitmap is
    // left empty (no size without storage).
    void Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) override;
    // From a TIEBitmap: a full copy (pixels, palette, alpha channel, BWConversion).
    void Assign(TObject* Source) override;

    void AllocateImage();
    void FreeImage(bool WithAlpha);
    bool IsEmpty() const { return FWidth == 0 || FHeight == 0 || FRowLen == 0 || FBitCount == 0; }
    // As Assign without the alpha channel and BWConversion.
    void AssignImage(TIEBitmap* Source);
    // Hands every storage object over to Dest and leaves this bitmap empty.
    void MoveContentTo(TIEBitmap* Dest);

    // The windowing bitmap may have been drawn on or resized: fields follow it.
    void SyncFromTBitmap();

    void SetWidth(int32_t NewValue);
    void SetHeight(int32_t NewValue);
    // HorizAlign 0 left, 1 centre, 2 right; VertAlign 0 top, 1 centre, 2 bottom.
    void Resize(int32_t NewWidth, int32_t NewHeight, double BackgroundColor, double AlphaFill,
                int HorizAlign, int VertAlign);
    void MoveRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t DstX, int32_t DstY, double FillValue);
    void CopyRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t Width,
                    int32_t Height);
    void MergeAlphaRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                          int32_t Width, int32_t Height);

    // Pixel-format conversion (in place, keeping size and alpha channel).
    void SetPixelFormat(TIEPixelFormat Value);
    void ConvertTo(TIEPixelFormat Target);
    // Writes Source's pixels converted into this bitmap, already allocated at Source's size,
    // and takes over Source's alpha channel. Source's pixels are left as they were.
    void ConvertFrom(TIEBitmap* Source);

    TIELocation Location() const { return FLocation; }
    void SetLocation(TIELocation Value);
    void ReleaseMappedRows();

    // Storage borrowed from the caller.
    void WrapTBitmap(TBitmap* Bitmap, bool Reread);
    void WrapMemory(void* Buffer, int32_t Width, int32_t Height, TIEPixelFormat PixelFormat, bool FreeFirst);
    void CopyFromTBitmap(TBitmap* Bitmap);
    void CopyFromTIEDibbitmap(class TIEDibbitmap* Dib);
    void CopyFromTIEMask(TIEMask* Mask);
    void CopyToTIEMask(TIEMask* Mask);
    TCanvas* GetCanvas();
    TBitmap* GetWndBitmap();
    void SyncPaletteToTBitmap();

    // Alpha channel.
    TIEBitmap* GetAlphaChannel();
    TIEBitmap* AlphaChannel() { return GetAlphaChannel(); }
    bool HasAlphaChannel() const { return FAlphaChannel != nullptr; }
    void RemoveAlphaChannel();
    uint8_t GetAlpha(int32_t X, int32_t Y);
    void SetAlpha(int32_t X, int32_t Y, uint8_t Value);
    void SyncFull();
    bool IsAlpha() const { return FIsAlpha; }

    // Filling: Value is a TColor for colour formats, 0/1 for ie1g, the value itself otherwise.
    void Fill(double Value);
    void FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Value);

    // Pixel accessors: no bounds checks; X in [0, Width-1], Y in [0, Height-1].
    uint8_t GetPixel8(int32_t X, int32_t Y);
    void SetPixel8(int32_t X, int32_t Y, uint8_t Value);
    uint16_t GetPixel16(int32_t X, int32_t Y);
    void SetPixel16(int32_t X, int32_t Y, uint16_t Value);
    float GetPixel32f(int32_t X, int32_t Y);
    void SetPixel32f(int32_t X, int32_t Y, float Value);
    TCMYK GetPixelCMYK(int32_t X, int32_t Y);
    void SetPixelCMYK(int32_t X, int32_t Y, TCMYK Value);
    TRGB GetPixelRGB24(int32_t X, int32_t Y);
    void SetPixelRGB24(int32_t X, int32_t Y, TRGB Value);
    TRGB48 GetPixelRGB48(int32_t X, int32_t Y);
    void SetPixelRGB48(int32_t X, int32_t Y, TRGB48 Value);
    TCIELab GetPixelCIELab(int32_t X, int32_t Y);
    void SetPixelCIELab(int32_t X, int32_t Y, TCIELab Value);
    bool GetPixel1(int32_t X, int32_t Y);
    void SetPixel1(int32_t X, int32_t Y, bool Value);
    // The colour of a pixel of any format.
    TRGB GetPixelRGB(int32_t X, int32_t Y);

    bool IsAllZero();
    bool IsGrayScale();
    TRGB* PaletteData() { return FPalette.get(); }

    // Rendering (a rectangle of this bitmap scaled into a rectangle of an ieRGB24 Dest whose
    // rows are all addressable: memory or a TBitmap, never a temporary file). Answers false
    // when drawing stopped on an error (what was drawn stays drawn) or Dest is unsuitable.
    bool RenderToTIEBitmapEx(TIEBitmap* Dest, TIERenderTables* Tables, const RECT* ClipRect, int32_t xDst,
                             int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc, int32_t ySrc,
                             int32_t dxSrc, int32_t dySrc, bool EnableAlpha, bool RowCopy, int32_t Transparency,
                             TResampleFilter Filter, TIEBlendOperation BlendOp);
    bool RenderToTIEBitmap(TIEBitmap* Dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                           int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t Transparency = 255,
                           TResampleFilter Filter = rfNone, TIEBlendOperation BlendOp = ieBlendNormal);
    // The same with the arguments in the order the views pass them.
    bool RenderToTIEBitmap(TIEBitmap* Dest, TResampleFilter Filter, int32_t Transparency, int32_t xDst, int32_t yDst,
                           int32_t dxDst, int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc) {
        return RenderToTIEBitmap(Dest, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc, Transparency, Filter);
    }
    bool RenderToTBitmapEx(TBitmap* Dest, TIERenderTables* Tables, const RECT* ClipRect, int32_t xDst,
                           int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc,
                           int32_t dySrc, bool EnableAlpha, bool RowCopy, int32_t Transparency,
                           TResampleFilter Filter, TIEBlendOperation BlendOp);
    bool RenderToTBitmap(TBitmap* Dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc,
                         int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t Transparency = 255,
                         TResampleFilter Filter = rfNone, TIEBlendOperation BlendOp = ieBlendNormal);

    // Settings (public fields).
    bool Full = false;                  // every alpha value is 255
    int64_t MinFileSize = 0;            // above this many bytes the image goes to a temporary file
    TIEBWConversion BWConversion = ieBWThreshold;
    int32_t PaletteColorCount = 256;
    double GrayRangeMin = 0, GrayRangeMax = 0;
    int32_t ChannelOffsetR = 0, ChannelOffsetG = 0, ChannelOffsetB = 0;
    bool EnableChannelOffset = false;
    int32_t Contrast = 0;
    int32_t RowAlignment = 32;
    bool UseVirtualAlloc = false;
    bool EncapsulatesTBitmap = false;   // a view exposes the wrapped TBitmap
    bool WndBitmapIsExternal() const { return FWndBitmapIsExternal; }
    bool MemoryIsExternal() const { return FMemoryIsExternal; }
    int64_t ImageSize() const { return static_cast<int64_t>(FRowLen) * FHeight; }
    TIEFileBuffer& FileBuffer() { return *FFileBuffer; }

private:
    friend struct TIEBitmapAccess;
    void FreeMemoryBlock();
    void SetAllocatedFields(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat);
    void CopyRowsFrom(TIEBitmap* Source);
    void AllocateWndBitmap();
    void FreeWndBitmap();
    void BuildRowCache();
    void WndBitmapSetSize(int32_t Width, int32_t Height);
    void ConvertRows(TIEBitmap* Source);
    bool RenderDirect(TIEBitmap* Dest, TIERenderTables* Tables, const RECT* ClipRect, int32_t xd, int32_t yd,
                      int32_t dw, int32_t dh, int32_t xs, int32_t ys, int32_t sw, int32_t sh, double rx, double ry,
                      bool EnableAlpha, bool RowCopy, int32_t Transparency, TIEBlendOperation BlendOp);

    std::unique_ptr<TIEFileBuffer> FFileBuffer;
    void* FMappedRow = nullptr;
    std::unique_ptr<TRGB[]> FPalette;
    int32_t FPaletteLength = 0;
    std::unique_ptr<TIEBitmap> FAlphaChannel;
    uint8_t* FBits = nullptr;
    void* FMemoryBlock = nullptr;
    size_t FMemoryBlockSize = 0;
    TBitmap* FWndBitmap = nullptr;           // owned unless FWndBitmapIsExternal
    std::vector<uint8_t*> FRowCache;         // row addresses of FWndBitmap, top row first
    int32_t FWidth = 0, FHeight = 0;
    int32_t FBitCount = 0, FChannelCount = 0;
    int32_t FRowLen = 0;
    TIEPixelFormat FPixelFormat = ieNoFormat;
    bool FIsAlpha = false;
    TIELocation FLocation = ieTempFile;
    bool FWndBitmapIsExternal = false;
    bool FMemoryIsExternal = false;
    bool FBlockIsVirtual = false;
};

// Caller-kept render tables (see RenderToTIEBitmapEx): empty vectors are built by the
// call and kept for the next call with the same geometry.
struct TIERenderTables {
    std::vector<uint8_t*> DestRows;
    std::vector<int32_t> ColumnTable;  // indexed from the destination rectangle's left
    std::vector<int32_t> RowTable;     // indexed from its top
};

// A 1-bit or 24-bit DIB section selected into its own memory device context: callers
// draw with the DC (BitBlt, DrawDib) and read or fill the bits. Rows are bottom-up.
class TIEDibbitmap : public TIEBaseBitmap {
public:
    TIEDibbitmap() = default;
    ~TIEDibbitmap() override { FreeBits(); }
    TIEDibbitmap(const TIEDibbitmap&) = delete;
    TIEDibbitmap& operator=(const TIEDibbitmap&) = delete;
    void AllocateBits(int32_t Width, int32_t Height, int32_t BitCount);
    void FreeBits();

    void* GetScanline(int32_t Row) override;
    int32_t GetBitCount() override { return FBitCount; }
    int32_t GetHeight() override { return FHeight; }
    int32_t GetWidth() override { return FWidth; }
    TIEPixelFormat GetPixelFormat() override;
    int32_t GetRowLen() override { return FRowLen; }
    TRGB GetPalette(int32_t) override { return TRGB{0, 0, 0}; }
    void SetPalette(int32_t, TRGB) override {}
    int32_t GetPaletteLength() override { return 0; }
    void Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) override;
    void Assign(TObject* Source) override;
    uint8_t* Bits() { return FBits; }
    HDC DC() const { return FDC; }
    HBITMAP Handle() const { return FSection; }

private:
    int32_t FWidth = 0, FHeight = 0, FBitCount = 0, FRowLen = 0;
    HDC FDC = nullptr;
    HBITMAP FSection = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    uint8_t* FBits = nullptr;
};

// A plain work buffer of the resampling code: rows bottom-up at a fixed stride.
class TIEWorkBitmap : public TObject {
public:
    TIEWorkBitmap() = default;
    TIEWorkBitmap(int32_t Width, int32_t Height, int32_t BitsPerPixel);
    void Allocate(int32_t Width, int32_t Height, int32_t BitsPerPixel);
    void FreeBits();
    void* GetScanline(int32_t Row) { return FBits.data() + static_cast<size_t>(RowLen) * (Height - Row - 1); }

    int32_t Width = 0, Height = 0, BitsPerPixel = 0, RowLen = 0;

private:
    std::vector<uint8_t> FBits;
};

// Unit routines the bitmap relies on.
void* AllocVirtualBlock(size_t Size);
void FreeVirtualBlock(void*& P, size_t Size);
