// The image library's bitmap: storage, rows, palette, alpha channel, filling,
// copying rectangles and the temporary file with mapped regions.
#include "imaging/bitmaps/iebitmap.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/processing/pixelutils.h"
#include "platform/gdi/gdi.h"
#include "platform/rtl/scope.h"

int64_t DefaultMinFileSize = -1;
std::string LibraryTempFolder;

int64_t GetAvailablePhysicalMemory() {
    long pages = ::sysconf(_SC_AVPHYS_PAGES);
    long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<int64_t>(pages) * pageSize;
}

int64_t IEResolveMinFileSize(int64_t Value) {
    if (Value != -1) return Value;
    int64_t half = GetAvailablePhysicalMemory() / 2;
    return half > 0 ? half : 33554432;
}

void* AllocVirtualBlock(size_t Size) {
    void* p = ::mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void FreeVirtualBlock(void*& P, size_t Size) {
    if (P) ::munmap(P, Size);
    P = nullptr;
}

// ---- TIEFileBuffer ---------------------------------------------------------------------
TIEFileBuffer::TIEFileBuffer() = default;

TIEFileBuffer::~TIEFileBuffer() { DeAllocate(); }

bool TIEFileBuffer::AllocateFile(const std::string& Prefix, int64_t Size) {
    DeAllocate();
    try {
        std::string dir = LibraryTempFolder.empty() ? IETempFolder() : (LibraryTempFolder.back() == '/' ? LibraryTempFolder : LibraryTempFolder + "/");
        std::string name = CreateTempFileExclusive(Prefix, dir);
        if (name.empty()) return false;
        FileName = name;
        FileStream = std::make_unique<TFileStream>(FileName, fmOpenReadWrite);
        FileStream->SetSize(Size);
        if (FileStream->Size() != Size) throw EWriteError("Stream write error");
        return true;
    } catch (...) {
        FileStream.reset();
        if (!FileName.empty()) ::unlink(FileName.c_str());
        FileName.clear();
        return false;
    }
}

void TIEFileBuffer::SetFileSize(int64_t Size) {
    if (FileStream) FileStream->SetSize(Size);
}

int64_t TIEFileBuffer::FileSize() const { return FileStream ? FileStream->Size() : 0; }

void TIEFileBuffer::DeAllocate() {
    if (!FileStream && FileName.empty()) return;
    try {
        UnMapAll();
    } catch (...) {
        // The file goes anyway; nothing can be kept of it.
    }
    for (auto& r : Regions) std::free(r.Memory);
    Regions.clear();
    FileStream.reset();
    if (!FileName.empty()) ::unlink(FileName.c_str());
    FileName.clear();
}

void* TIEFileBuffer::Map(TIEDataAccess Access, int64_t Size, int64_t Position) {
    auto* mem = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(Size > 0 ? Size : 1)));
    if (!mem) throw EOutOfMemory("Out of memory");
    if ((Access & iebRead) && FileStream) {
        FileStream->SetPosition(Position);
        int64_t got = FileStream->Read(mem, Size);
        if (got < Size) std::memset(mem + (got > 0 ? got : 0), 0, static_cast<size_t>(Size - (got > 0 ? got : 0)));
    }
    Regions.push_back(TIEFileRegion{Position, Size, mem, Access});
    return mem;
}

int TIEFileBuffer::FindRegion(const void* Memory) const {
    for (size_t i = 0; i < Regions.size(); ++i)
        if (Regions[i].Memory == Memory) return static_cast<int>(i);
    return -1;
}

void TIEFileBuffer::UnMap(void* Memory) {
    int i = FindRegion(Memory);
    if (i < 0) return;
    TIEFileRegion r = Regions[i];
    Regions.erase(Regions.begin() + i);
    // The memory is freed even when the write-back fails, then the failure is reported.
    std::unique_ptr<uint8_t, decltype(&std::free)> hold(r.Memory, &std::free);
    if ((r.Access & iebWrite) && FileStream) {
        FileStream->SetPosition(r.Position);
        FileStream->WriteBuffer(r.Memory, r.Size);
    }
}

void TIEFileBuffer::UnMapAll() {
    while (!Regions.empty()) UnMap(Regions.back().Memory);
}

bool TIEFileBuffer::CopyTo(TIEFileBuffer& Dest, int64_t Size, int64_t Position) {
    if (!FileStream || !Dest.FileStream) return false;
    UnMapAll();
    Dest.UnMapAll();
    // Copy through a buffer into Dest's open file: Dest keeps its file (and what it held
    // beyond a failed write) instead of being deleted before the copy.
    constexpr int64_t Chunk = 1048576;
    std::vector<uint8_t> buf(static_cast<size_t>(std::min(Size, Chunk) > 0 ? std::min(Size, Chunk) : 1));
    try {
        int64_t done = 0;
        while (done < Size) {
            int64_t n = std::min(Chunk, Size - done);
            FileStream->SetPosition(Position + done);
            FileStream->ReadBuffer(buf.data(), n);
            Dest.FileStream->SetPosition(Position + done);
            Dest.FileStream->WriteBuffer(buf.data(), n);
            done += n;
        }
    } catch (const EStreamError&) {
        return false;
    }
    return true;
}

// ---- TIEBitmap -------------------------------------------------------------------------
TIEBitmap::TIEBitmap() : FFileBuffer(std::make_unique<TIEFileBuffer>()) {
    MinFileSize = IEResolveMinFileSize(DefaultMinFileSize);
}

TIEBitmap::~TIEBitmap() {
    try {
        FreeImage(true);
    } catch (...) {
    }
}

std::unique_ptr<TIEBitmap> TIEBitmap::CreateAsAlpha(int32_t Width, int32_t Height, TIELocation Location) {
    auto b = std::make_unique<TIEBitmap>();
    b->FIsAlpha = true;
    b->FLocation = Location == ieTBitmap ? ieMemory : Location;
    b->Allocate(Width, Height, ie8g);
    b->Fill(255);
    return b;
}

void TIEBitmap::FreeMemoryBlock() {
    if (FMemoryBlock && !FMemoryIsExternal) {
        if (FBlockIsVirtual)
            FreeVirtualBlock(FMemoryBlock, FMemoryBlockSize);
        else
            std::free(FMemoryBlock);
    }
    FMemoryBlock = nullptr;
    FMemoryBlockSize = 0;
    FBits = nullptr;
    FBlockIsVirtual = false;
}

void TIEBitmap::FreeImage(bool WithAlpha) {
    FMappedRow = nullptr;
    FFileBuffer->DeAllocate();
    FreeMemoryBlock();
    FPalette.reset();
    FPaletteLength = 0;
    FreeWndBitmap();
    FWidth = FHeight = FBitCount = FChannelCount = FRowLen = 0;
    Full = false;
    FWndBitmapIsExternal = false;
    FMemoryIsExternal = false;
    if (WithAlpha) FAlphaChannel.reset();
}

void TIEBitmap::Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) {
    // A wrapped windowing bitmap is reused (resized) rather than dropped.
    TBitmap* wrapped = FLocation == ieTBitmap && FWndBitmapIsExternal ? FWndBitmap : nullptr;
    if (wrapped) FWndBitmap = nullptr;
    FreeImage(true);
    if (wrapped) {
        FWndBitmap = wrapped;
        FWndBitmapIsExternal = true;
    }
    FWidth = Width;
    FHeight = Height;
    FPixelFormat = PixelFormat;
    AllocateImage();
}

void TIEBitmap::AllocateImage() {
    if (FWidth <= 0 || FHeight <= 0 || FPixelFormat == ieNoFormat) {
        FWidth = std::max(FWidth, 0);
        FHeight = std::max(FHeight, 0);
        return;
    }
    // Any failure below leaves the bitmap empty: no size without storage.
    auto fail = [this] {
        FPalette.reset();
        FPaletteLength = 0;
        FWidth = FHeight = FBitCount = FChannelCount = FRowLen = 0;
    };
    if (FLocation == ieTBitmap) {
        static const char* const names[10] = {"", "", "", "", "", "", "ie32f", "ieCMYK", "ieRGB48", "ieCIELab"};
        if (FPixelFormat >= ie32f && FPixelFormat != ieRGB24) {
            std::string msg = std::string(names[FPixelFormat]) + " pixel format not allowed when Location=ieTBitmap";
            fail();
            throw EIEBitmapError(msg);
        }
        rtl::TScopeExit Undo([&] { fail(); });
        AllocateWndBitmap();
        Undo.Dismiss();
        Full = false;
        return;
    }
    FBitCount = IEBitsPerPixel[FPixelFormat];
    FChannelCount = IEChannelsPerPixel[FPixelFormat];
    try {
        FRowLen = CalcRowLength(FWidth, FBitCount, RowAlignment);
    } catch (...) {
        fail();
        throw EOutOfMemory("Out of memory");
    }
    if (FPixelFormat == ie8p) {
        FPalette.reset(new (std::nothrow) TRGB[256]());
        if (!FPalette) {
            fail();
            throw EOutOfMemory("Out of memory");
        }
        FPaletteLength = 256;
    }
    int64_t size = static_cast<int64_t>(FRowLen) * FHeight;
    if (FLocation == ieTempFile && size < MinFileSize)
        FLocation = ieMemory;
    else if (FLocation == ieMemory && size > MinFileSize)
        FLocation = ieTempFile;
    if (FLocation == ieTempFile && !FFileBuffer->AllocateFile("IMG", size)) FLocation = ieMemory;
    if (FLocation == ieMemory) {
        if (static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max() - 64) {
            fail();
            throw EOutOfMemory("Out of memory");
        }
        size_t blockSize = static_cast<size_t>(size) + 32;
        void* block = UseVirtualAlloc ? AllocVirtualBlock(blockSize) : std::malloc(blockSize);
        if (!block) {
            fail();
            throw EOutOfMemory("Out of memory");
        }
        FMemoryBlock = block;
        FMemoryBlockSize = blockSize;
        FBlockIsVirtual = UseVirtualAlloc;
        auto addr = reinterpret_cast<uintptr_t>(block);
        FBits = reinterpret_cast<uint8_t*>((addr + 31) & ~static_cast<uintptr_t>(31));
    }
    Full = false;
}

void* TIEBitmap::GetScanline(int32_t Row) {
    switch (FLocation) {
        case ieMemory:
            return FBits + static_cast<size_t>(FRowLen) * static_cast<size_t>(FHeight - Row - 1);
        case ieTempFile:
            if (FMappedRow) {
                void* m = FMappedRow;
                FMappedRow = nullptr;
                FFileBuffer->UnMap(m);
            }
            FMappedRow = FFileBuffer->Map(Access, FRowLen, static_cast<int64_t>(Row) * FRowLen);
            return FMappedRow;
        default:
            return FRowCache[static_cast<size_t>(Row)];
    }
}

int32_t TIEBitmap::GetBitCount() {
    if (FLocation == ieTBitmap) SyncFromTBitmap();
    return FBitCount;
}
int32_t TIEBitmap::GetHeight() {
    if (FLocation == ieTBitmap) SyncFromTBitmap();
    return FHeight;
}
int32_t TIEBitmap::GetWidth() {
    if (FLocation == ieTBitmap) SyncFromTBitmap();
    return FWidth;
}
TIEPixelFormat TIEBitmap::GetPixelFormat() {
    if (FLocation == ieTBitmap) SyncFromTBitmap();
    return FPixelFormat;
}
int32_t TIEBitmap::GetRowLen() {
    if (FLocation == ieTBitmap) SyncFromTBitmap();
    return FRowLen;
}

TRGB TIEBitmap::GetPalette(int32_t Index) {
    if (Index < 0 || Index >= FPaletteLength || !FPalette) return TRGB{0, 0, 0};
    return FPalette[Index];
}

void TIEBitmap::SetPalette(int32_t Index, TRGB Value) {
    if (Index < 0 || Index >= FPaletteLength || !FPalette) return;
    FPalette[Index] = Value;
    SyncPaletteToTBitmap();
}

void TIEBitmap::ReleaseMappedRows() {
    if (FMappedRow) {
        void* m = FMappedRow;
        FMappedRow = nullptr;
        FFileBuffer->UnMap(m);
    }
}

// Row by row from Source (the narrower row length), Source read-only, this write-only.
void TIEBitmap::CopyRowsFrom(TIEBitmap* Source) {
    TIEDataAccess sa = Source->Access, da = Access;
    Source->Access = iebRead;
    Access = iebWrite;
    rtl::TScopeExit Cleanup([&] {
        Source->Access = sa;
        Access = da;
    });
    int32_t len = std::min(FRowLen, Source->FRowLen);
    int32_t rows = std::min(FHeight, Source->FHeight);
    for (int32_t y = 0; y < rows; ++y) {
        const void* s = Source->GetScanline(y);
        std::memcpy(GetScanline(y), s, static_cast<size_t>(len));
    }
    ReleaseMappedRows();
    Source->ReleaseMappedRows();
}

void TIEBitmap::Assign(TObject* Source) {
    auto* src = dynamic_cast<TIEBitmap*>(Source);
    if (!src || src == this) return;
    AssignImage(src);
    Full = src->Full;
    if (!FIsAlpha) {
        if (src->FAlphaChannel)
            GetAlphaChannel()->Assign(src->FAlphaChannel.get());
        else
            FAlphaChannel.reset();
    }
    BWConversion = src->BWConversion;
}

void TIEBitmap::AssignImage(TIEBitmap* Source) {
    if (!Source || Source == this) return;
    if (Source->IsEmpty()) {
        if (FLocation != ieTBitmap) {
            FreeImage(false);
            FPixelFormat = Source->FPixelFormat;
        }
        return;
    }
    // A wrapped windowing bitmap takes the copy itself: whoever wraps it keeps seeing the pixels.
    TBitmap* wrapped = FLocation == ieTBitmap && FWndBitmapIsExternal ? FWndBitmap : nullptr;
    if (wrapped) FWndBitmap = nullptr;
    FreeImage(false);
    if (wrapped) {
        FWndBitmap = wrapped;
        FWndBitmapIsExternal = true;
    }
    FWidth = Source->FWidth;
    FHeight = Source->FHeight;
    FPixelFormat = Source->FPixelFormat;
    RowAlignment = Source->RowAlignment;
    AllocateImage();
    Source->ReleaseMappedRows();
    bool copied = false;
    if (FLocation == ieTempFile && Source->FLocation == ieTempFile && FRowLen == Source->FRowLen) {
        ReleaseMappedRows();
        copied = Source->FFileBuffer->CopyTo(*FFileBuffer, static_cast<int64_t>(FRowLen) * FHeight, 0);
    }
    if (!copied) CopyRowsFrom(Source);
    for (int32_t i = 0; i < FPaletteLength && i < Source->FPaletteLength; ++i) FPalette[i] = Source->FPalette[i];
    SyncPaletteToTBitmap();
    Full = false;
}

void TIEBitmap::MoveContentTo(TIEBitmap* Dest) {
    if (Dest == this) return;
    Dest->FreeImage(true);
    Dest->FWidth = FWidth;
    Dest->FHeight = FHeight;
    Dest->FBitCount = FBitCount;
    Dest->FChannelCount = FChannelCount;
    Dest->FBits = FBits;
    Dest->FMemoryBlock = FMemoryBlock;
    Dest->FMemoryBlockSize = FMemoryBlockSize;
    Dest->FBlockIsVirtual = FBlockIsVirtual;
    Dest->FMappedRow = FMappedRow;
    Dest->FRowLen = FRowLen;
    Dest->FPixelFormat = FPixelFormat;
    Dest->FPalette = std::move(FPalette);
    Dest->FPaletteLength = FPaletteLength;
    Dest->FAlphaChannel = std::move(FAlphaChannel);
    Dest->FIsAlpha = FIsAlpha;
    Dest->FWndBitmap = FWndBitmap;
    Dest->FRowCache = std::move(FRowCache);
    FRowCache.clear();
    Dest->FLocation = FLocation;
    Dest->Full = Full;
    Dest->FWndBitmapIsExternal = FWndBitmapIsExternal;
    Dest->FMemoryIsExternal = FMemoryIsExternal;
    Dest->BWConversion = BWConversion;
    Dest->RowAlignment = RowAlignment;
    Dest->UseVirtualAlloc = UseVirtualAlloc;
    Dest->FFileBuffer = std::move(FFileBuffer);
    FFileBuffer = std::make_unique<TIEFileBuffer>();
    FPixelFormat = ieNoFormat;
    FWidth = FHeight = FBitCount = FChannelCount = FRowLen = 0;
    FBits = nullptr;
    FMemoryBlock = nullptr;
    FMemoryBlockSize = 0;
    FBlockIsVirtual = false;
    FMappedRow = nullptr;
    FPaletteLength = 0;
    FWndBitmap = nullptr;
    FWndBitmapIsExternal = FMemoryIsExternal = false;
    Full = false;
}

void TIEBitmap::SetLocation(TIELocation Value) {
    if (Value == FLocation) return;
    // A windowing bitmap holds 16-bit grey as 8-bit grey: the pixels are converted first.
    if (Value == ieTBitmap && FPixelFormat == ie16g && !IsEmpty()) ConvertTo(ie8g);
    TIEBitmap tmp;
    MoveContentTo(&tmp);
    TIELocation old = tmp.FLocation;
    FLocation = Value;
    // The new storage could not be made: the pixels go back where they were.
    rtl::TScopeExit PutPixelsBack([&] {
        tmp.MoveContentTo(this);
        FLocation = old;
    });
    Allocate(tmp.FWidth, tmp.FHeight, tmp.FPixelFormat);
    PutPixelsBack.Dismiss();
    FIsAlpha = tmp.FIsAlpha;
    if (!IsEmpty()) CopyRowsFrom(&tmp);
    for (int32_t i = 0; i < FPaletteLength && i < tmp.FPaletteLength; ++i) FPalette[i] = tmp.FPalette[i];
    SyncPaletteToTBitmap();
    Full = tmp.Full;
    FAlphaChannel = std::move(tmp.FAlphaChannel);
    if (FAlphaChannel) FAlphaChannel->SetLocation(Value == ieTBitmap ? ieMemory : Value);
}


// Width and height change keeping the top-left pixels (and the palette).
static void ResizeKeeping(TIEBitmap* B, int32_t NewWidth, int32_t NewHeight);

void TIEBitmap::SetWidth(int32_t NewValue) {
    if (NewValue == FWidth) return;
    ResizeKeeping(this, NewValue, FHeight);
}

void TIEBitmap::SetHeight(int32_t NewValue) {
    if (NewValue == FHeight) return;
    ResizeKeeping(this, FWidth, NewValue);
}

struct TIEBitmapAccess {
    static void ResizeKeeping(TIEBitmap* B, int32_t NewWidth, int32_t NewHeight) {
        if (B->FAlphaChannel) ResizeKeeping(B->FAlphaChannel.get(), NewWidth, NewHeight);
        if (B->FLocation == ieTBitmap && B->FWndBitmap) {
            // The windowing bitmap keeps its overlapping pixels itself.
            B->WndBitmapSetSize(NewWidth, NewHeight);
            return;
        }
        if (B->FPixelFormat == ieNoFormat || B->IsEmpty()) {
            B->FWidth = std::max(NewWidth, 0);
            B->FHeight = std::max(NewHeight, 0);
            if (B->FPixelFormat != ieNoFormat && B->FWidth > 0 && B->FHeight > 0) {
                auto alpha = std::move(B->FAlphaChannel);
                B->AllocateImage();
                B->FAlphaChannel = std::move(alpha);
            }
            return;
        }
        TIEBitmap tmp;
        B->MoveContentTo(&tmp);
        B->FLocation = tmp.FLocation;
        B->FIsAlpha = tmp.FIsAlpha;
        rtl::TScopeExit PutPixelsBack([&] { tmp.MoveContentTo(B); });
        B->Allocate(NewWidth, NewHeight, tmp.FPixelFormat);
        PutPixelsBack.Dismiss();
        if (!B->IsEmpty()) B->CopyRowsFrom(&tmp);
        for (int32_t i = 0; i < B->FPaletteLength && i < tmp.FPaletteLength; ++i) B->FPalette[i] = tmp.FPalette[i];
        B->FAlphaChannel = std::move(tmp.FAlphaChannel);
        B->Full = false;
    }
};

static void ResizeKeeping(TIEBitmap* B, int32_t NewWidth, int32_t NewHeight) {
    TIEBitmapAccess::ResizeKeeping(B, NewWidth, NewHeight);
}

void TIEBitmap::Resize(int32_t NewWidth, int32_t NewHeight, double BackgroundColor, double AlphaFill,
                       int HorizAlign, int VertAlign) {
    int32_t W = FWidth, H = FHeight;
    auto steps = [&](TIEBitmap* b, double fill) {
        if (NewWidth < W && HorizAlign != 0) {
            int32_t x0 = HorizAlign == 1 ? (W - NewWidth) / 2 : W - NewWidth;
            b->MoveRect(x0, 0, x0 + NewWidth - 1, H - 1, 0, 0, fill);
        }
        if (NewHeight < H && VertAlign != 0) {
            int32_t y0 = VertAlign == 1 ? (H - NewHeight) / 2 : H - NewHeight;
            b->MoveRect(0, y0, std::min(W, NewWidth) - 1, y0 + NewHeight - 1, 0, 0, fill);
        }
    };
    steps(this, BackgroundColor);
    if (FAlphaChannel) steps(FAlphaChannel.get(), AlphaFill);
    SetWidth(NewWidth);
    SetHeight(NewHeight);
    auto grow = [&](TIEBitmap* b, double fill) {
        int32_t oldW = std::min(W, NewWidth), oldH = std::min(H, NewHeight);
        if (NewWidth > W) {
            b->FillRect(W, 0, NewWidth - 1, NewHeight - 1, fill);
            if (HorizAlign != 0) {
                int32_t d = HorizAlign == 1 ? (NewWidth - W) / 2 : NewWidth - W;
                b->MoveRect(0, 0, W - 1, oldH - 1, d, 0, fill);
            }
        }
        if (NewHeight > H) {
            b->FillRect(0, H, NewWidth - 1, NewHeight - 1, fill);
            if (VertAlign != 0) {
                int32_t d = VertAlign == 1 ? (NewHeight - H) / 2 : NewHeight - H;
                b->MoveRect(0, 0, NewWidth - 1, H - 1, 0, d, fill);
            }
        }
        (void)oldW;
    };
    grow(this, BackgroundColor);
    if (FAlphaChannel) grow(FAlphaChannel.get(), AlphaFill);
}

void TIEBitmap::MoveRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t DstX, int32_t DstY,
                         double FillValue) {
    int32_t w = X2 - X1 + 1, h = Y2 - Y1 + 1;
    if (w <= 0 || h <= 0 || IsEmpty()) return;
    TIEBitmap tmp;
    tmp.Allocate(w, h, FPixelFormat);
    bool wasFull = Full;
    CopyRectTo(&tmp, X1, Y1, 0, 0, w, h);
    FillRect(X1, Y1, X2, Y2, FillValue);
    tmp.Full = wasFull;
    tmp.CopyRectTo(this, 0, 0, DstX, DstY, w, h);
}

namespace {
int BytesPerPixel(TIEPixelFormat f) {
    switch (f) {
        case ie8p: case ie8g: return 1;
        case ie16g: return 2;
        case ieRGB24: case ieCIELab: return 3;
        case ie32f: case ieCMYK: return 4;
        case ieRGB48: return 6;
        default: return 0;
    }
}

// Clips a rectangle copy between two bitmaps; false when nothing is left.
bool ClipCopy(int32_t SW, int32_t SH, int32_t DW, int32_t DH, int32_t& SrcX, int32_t& SrcY, int32_t& DstX,
              int32_t& DstY, int32_t& Width, int32_t& Height) {
    if (DstX < 0) {
        SrcX -= DstX;
        Width += DstX;
        DstX = 0;
    }
    if (DstY < 0) {
        SrcY -= DstY;
        Height += DstY;
        DstY = 0;
    }
    if (SrcX < 0) {
        DstX -= SrcX;
        Width += SrcX;
        SrcX = 0;
    }
    if (SrcY < 0) {
        DstY -= SrcY;
        Height += SrcY;
        SrcY = 0;
    }
    if (SW <= 0 || SH <= 0 || DW <= 0 || DH <= 0) return false;
    if (SrcX > SW - 1 || SrcY > SH - 1 || DstX > DW - 1 || DstY > DH - 1) return false;
    Width = std::min({Width, SW - SrcX, DW - DstX});
    Height = std::min({Height, SH - SrcY, DH - DstY});
    return Width > 0 && Height > 0;
}
}  // namespace

void TIEBitmap::CopyRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                           int32_t Width, int32_t Height) {
    if (!Dest || Dest == this) return;
    if (!ClipCopy(FWidth, FHeight, Dest->FWidth, Dest->FHeight, SrcX, SrcY, DstX, DstY, Width, Height)) return;
    TIEPixelFormat sf = FPixelFormat, df = Dest->FPixelFormat;
    int bpp = BytesPerPixel(sf);
    bool oneToOne = sf == ie1g && df == ie1g, oneToRGB = sf == ie1g && df == ieRGB24;
    if (!oneToOne && !oneToRGB && (sf != df || bpp == 0)) return;
    TIEDataAccess sa = Access, da = Dest->Access;
    Access = iebRead;
    Dest->Access = iebRead | iebWrite;
    std::vector<uint8_t> row(static_cast<size_t>(FRowLen));
    for (int32_t y = 0; y < Height; ++y) {
        // The source row is copied out: both bitmaps may map one row at a time.
        std::memcpy(row.data(), GetScanline(SrcY + y), row.size());
        auto* d = static_cast<uint8_t*>(Dest->GetScanline(DstY + y));
        if (oneToOne) {
            CopyBits(d, row.data(), DstX, SrcX, Width, FRowLen);
        } else if (oneToRGB) {
            for (int32_t x = 0; x < Width; ++x)
                std::memset(d + 3 * (DstX + x), GetBit(row.data(), SrcX + x) ? 255 : 0, 3);
        } else {
            std::memcpy(d + static_cast<size_t>(DstX) * bpp, row.data() + static_cast<size_t>(SrcX) * bpp,
                        static_cast<size_t>(Width) * bpp);
        }
    }
    ReleaseMappedRows();
    Dest->ReleaseMappedRows();
    Access = sa;
    Dest->Access = da;
    // A full alpha channel stays full only when what came in was full too.
    if (Dest->Full && !Full) Dest->Full = false;
}

void TIEBitmap::MergeAlphaRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                                 int32_t Width, int32_t Height) {
    if (!Dest || Dest == this) return;
    if (!ClipCopy(FWidth, FHeight, Dest->FWidth, Dest->FHeight, SrcX, SrcY, DstX, DstY, Width, Height)) return;
    TIEBitmap* sa = GetAlphaChannel();
    TIEBitmap* dstA = Dest->GetAlphaChannel();
    if (!sa || !dstA || sa->FPixelFormat != ie8g || dstA->FPixelFormat != ie8g) return;
    std::vector<uint8_t> row(static_cast<size_t>(sa->FRowLen));
    for (int32_t y = 0; y < Height; ++y) {
        std::memcpy(row.data(), sa->GetScanline(SrcY + y), row.size());
        auto* d = static_cast<uint8_t*>(dstA->GetScanline(DstY + y));
        for (int32_t x = 0; x < Width; ++x) d[DstX + x] = std::max(d[DstX + x], row[SrcX + x]);
    }
    sa->ReleaseMappedRows();
    dstA->ReleaseMappedRows();
}

// ---- Alpha channel ------------------------------------------------------------------
TIEBitmap* TIEBitmap::GetAlphaChannel() {
    if (FIsAlpha) return nullptr;
    if (!FAlphaChannel) FAlphaChannel = CreateAsAlpha(FWidth, FHeight, FLocation);
    return FAlphaChannel.get();
}

void TIEBitmap::RemoveAlphaChannel() {
    if (!FIsAlpha) FAlphaChannel.reset();
}

uint8_t TIEBitmap::GetAlpha(int32_t X, int32_t Y) {
    TIEBitmap* a = FIsAlpha ? this : GetAlphaChannel();
    return a->GetPixel8(X, Y);
}

void TIEBitmap::SetAlpha(int32_t X, int32_t Y, uint8_t Value) {
    TIEBitmap* a = FIsAlpha ? this : GetAlphaChannel();
    a->SetPixel8(X, Y, Value);
}

void TIEBitmap::SyncFull() {
    TIEDataAccess sa = Access;
    Access = iebRead;
    bool full = !IsEmpty();
    for (int32_t y = 0; y < FHeight && full; ++y) {
        auto* r = static_cast<const uint8_t*>(GetScanline(y));
        for (int32_t i = 0; i < FRowLen; ++i)
            if (r[i] != 255) {
                full = false;
                break;
            }
    }
    ReleaseMappedRows();
    Access = sa;
    Full = full;
}

bool TIEBitmap::IsAllZero() {
    TIEDataAccess sa = Access;
    Access = iebRead;
    bool zero = true;
    for (int32_t y = 0; y < FHeight && zero; ++y) {
        auto* r = static_cast<const uint8_t*>(GetScanline(y));
        for (int32_t i = 0; i < FRowLen; ++i)
            if (r[i] != 0) {
                zero = false;
                break;
            }
    }
    ReleaseMappedRows();
    Access = sa;
    return zero;
}

bool TIEBitmap::IsGrayScale() {
    if (FPixelFormat == ie8p) {
        for (int32_t i = 0; i < FPaletteLength; ++i)
            if (FPalette[i].r != FPalette[i].g || FPalette[i].g != FPalette[i].b) return false;
        return true;
    }
    if (FPixelFormat == ieRGB24) {
        TIEDataAccess sa = Access;
        Access = iebRead;
        bool grey = true;
        for (int32_t y = 0; y < FHeight && grey; ++y) {
            auto* p = static_cast<const TRGB*>(GetScanline(y));
            for (int32_t x = 0; x < FWidth; ++x)
                if (p[x].r != p[x].g || p[x].g != p[x].b) {
                    grey = false;
                    break;
                }
        }
        ReleaseMappedRows();
        Access = sa;
        return grey;
    }
    return true;
}

// ---- Filling ----------------------------------------------------------------------
namespace {
// What one pixel of a format holds for a fill value, and whether it is the maximum.
struct FillPixel {
    uint8_t bytes[8] = {};
    int size = 0;
    bool full = false;
};

FillPixel MakeFillPixel(TIEPixelFormat f, double Value) {
    FillPixel p;
    auto V = static_cast<int64_t>(Value);
    auto colour = [&] { return ColorToRGBTriple(static_cast<uint32_t>(V)); };
    switch (f) {
        case ie8p:
        case ie8g:
            p.bytes[0] = static_cast<uint8_t>(V);
            p.size = 1;
            p.full = V == 255;
            break;
        case ie16g: {
            auto w = static_cast<uint16_t>(V);
            std::memcpy(p.bytes, &w, 2);
            p.size = 2;
            p.full = V == 65535;
            break;
        }
        case ieRGB24: {
            TRGB c = colour();
            std::memcpy(p.bytes, &c, 3);
            p.size = 3;
            p.full = c.r == 255 && c.g == 255 && c.b == 255;
            break;
        }
        case ie32f: {
            float v = static_cast<float>(Value);
            std::memcpy(p.bytes, &v, 4);
            p.size = 4;
            p.full = Value == 1;
            break;
        }
        case ieCMYK: {
            TRGB c = colour();
            int k = std::max({c.r, c.g, c.b});
            if (k == 0) k = 1;
            TCMYK m{static_cast<uint8_t>(c.r * 255 / k), static_cast<uint8_t>(c.g * 255 / k),
                    static_cast<uint8_t>(c.b * 255 / k), static_cast<uint8_t>(k)};
            std::memcpy(p.bytes, &m, 4);
            p.size = 4;
            p.full = c.r == 255 && c.g == 255 && c.b == 255;
            break;
        }
        case ieRGB48: {
            TRGB c = colour();
            TRGB48 w{static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257),
                     static_cast<uint16_t>(c.b * 257)};
            std::memcpy(p.bytes, &w, 6);
            p.size = 6;
            p.full = c.r == 255 && c.g == 255 && c.b == 255;
            break;
        }
        case ieCIELab: {
            TRGB c = colour();
            TCIELab l = RGBToCIELab(c);
            std::memcpy(p.bytes, &l, 3);
            p.size = 3;
            p.full = c.r == 255 && c.g == 255 && c.b == 255;
            break;
        }
        default:
            break;
    }
    return p;
}
}  // namespace

void TIEBitmap::Fill(double Value) {
    if (IsEmpty()) return;
    TIEDataAccess sa = Access;
    Access = iebWrite;
    auto V = static_cast<int64_t>(Value);
    if (FPixelFormat == ie1g || FPixelFormat == ie8p || FPixelFormat == ie8g) {
        uint8_t b = FPixelFormat == ie1g ? (V != 0 ? 255 : 0) : static_cast<uint8_t>(V);
        for (int32_t y = 0; y < FHeight; ++y) std::memset(GetScanline(y), b, static_cast<size_t>(FRowLen));
        Full = FPixelFormat == ie1g ? V != 0 : V == 255;
    } else {
        FillPixel p = MakeFillPixel(FPixelFormat, Value);
        std::vector<uint8_t> row(static_cast<size_t>(FRowLen), 0);
        for (int32_t x = 0; x < FWidth; ++x) std::memcpy(row.data() + static_cast<size_t>(x) * p.size, p.bytes, p.size);
        for (int32_t y = 0; y < FHeight; ++y) std::memcpy(GetScanline(y), row.data(), row.size());
        Full = p.full;
    }
    ReleaseMappedRows();
    Access = sa;
}

void TIEBitmap::FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Value) {
    if (IsEmpty()) return;
    X1 = std::max(X1, 0);
    Y1 = std::max(Y1, 0);
    X2 = std::min(X2, FWidth - 1);
    Y2 = std::min(Y2, FHeight - 1);
    if (X1 > X2 || Y1 > Y2) return;
    bool maximum;
    if (FPixelFormat == ie1g) {
        bool v = static_cast<int64_t>(Value) != 0;
        for (int32_t y = Y1; y <= Y2; ++y) {
            void* r = GetScanline(y);
            for (int32_t x = X1; x <= X2; ++x) SetBit(r, x, v);
        }
        maximum = v;
    } else {
        FillPixel p = MakeFillPixel(FPixelFormat, Value);
        if (p.size == 0) return;
        for (int32_t y = Y1; y <= Y2; ++y) {
            auto* r = static_cast<uint8_t*>(GetScanline(y));
            for (int32_t x = X1; x <= X2; ++x) std::memcpy(r + static_cast<size_t>(x) * p.size, p.bytes, p.size);
        }
        maximum = p.full;
    }
    ReleaseMappedRows();
    // Part of the image now holds something below the maximum: no longer full.
    if (!maximum) Full = false;
}

// ---- Pixel accessors -----------------------------------------------------------------
uint8_t TIEBitmap::GetPixel8(int32_t X, int32_t Y) { return Scanline(Y)[X]; }
void TIEBitmap::SetPixel8(int32_t X, int32_t Y, uint8_t Value) {
    Scanline(Y)[X] = Value;
    if (Value != 255) Full = false;
}
uint16_t TIEBitmap::GetPixel16(int32_t X, int32_t Y) {
    uint16_t v;
    std::memcpy(&v, Scanline(Y) + 2 * static_cast<size_t>(X), 2);
    return v;
}
void TIEBitmap::SetPixel16(int32_t X, int32_t Y, uint16_t Value) {
    std::memcpy(Scanline(Y) + 2 * static_cast<size_t>(X), &Value, 2);
    if (Value != 65535) Full = false;
}
float TIEBitmap::GetPixel32f(int32_t X, int32_t Y) {
    float v;
    std::memcpy(&v, Scanline(Y) + 4 * static_cast<size_t>(X), 4);
    return v;
}
void TIEBitmap::SetPixel32f(int32_t X, int32_t Y, float Value) {
    std::memcpy(Scanline(Y) + 4 * static_cast<size_t>(X), &Value, 4);
    if (Value < 1) Full = false;
}
TCMYK TIEBitmap::GetPixelCMYK(int32_t X, int32_t Y) {
    TCMYK v;
    std::memcpy(&v, Scanline(Y) + 4 * static_cast<size_t>(X), 4);
    return v;
}
void TIEBitmap::SetPixelCMYK(int32_t X, int32_t Y, TCMYK Value) {
    std::memcpy(Scanline(Y) + 4 * static_cast<size_t>(X), &Value, 4);
}
TRGB TIEBitmap::GetPixelRGB24(int32_t X, int32_t Y) {
    TRGB v;
    std::memcpy(&v, Scanline(Y) + 3 * static_cast<size_t>(X), 3);
    return v;
}
void TIEBitmap::SetPixelRGB24(int32_t X, int32_t Y, TRGB Value) {
    std::memcpy(Scanline(Y) + 3 * static_cast<size_t>(X), &Value, 3);
}
TRGB48 TIEBitmap::GetPixelRGB48(int32_t X, int32_t Y) {
    TRGB48 v;
    std::memcpy(&v, Scanline(Y) + 6 * static_cast<size_t>(X), 6);
    return v;
}
void TIEBitmap::SetPixelRGB48(int32_t X, int32_t Y, TRGB48 Value) {
    std::memcpy(Scanline(Y) + 6 * static_cast<size_t>(X), &Value, 6);
    if (Value.r != 65535 || Value.g != 65535 || Value.b != 65535) Full = false;
}
TCIELab TIEBitmap::GetPixelCIELab(int32_t X, int32_t Y) {
    TCIELab v;
    std::memcpy(&v, Scanline(Y) + 3 * static_cast<size_t>(X), 3);
    return v;
}
void TIEBitmap::SetPixelCIELab(int32_t X, int32_t Y, TCIELab Value) {
    std::memcpy(Scanline(Y) + 3 * static_cast<size_t>(X), &Value, 3);
}
bool TIEBitmap::GetPixel1(int32_t X, int32_t Y) { return GetBit(Scanline(Y), X) != 0; }
void TIEBitmap::SetPixel1(int32_t X, int32_t Y, bool Value) {
    SetBit(Scanline(Y), X, Value);
    if (!Value) Full = false;
}

TRGB TIEBitmap::GetPixelRGB(int32_t X, int32_t Y) {
    switch (FPixelFormat) {
        case ie1g: return GetPixel1(X, Y) ? TRGB{255, 255, 255} : TRGB{0, 0, 0};
        case ie8p: return GetPalette(GetPixel8(X, Y));
        case ie8g: {
            uint8_t v = GetPixel8(X, Y);
            return TRGB{v, v, v};
        }
        case ie16g: {
            auto v = static_cast<uint8_t>(GetPixel16(X, Y) >> 8);
            return TRGB{v, v, v};
        }
        case ieRGB24: return GetPixelRGB24(X, Y);
        case ie32f: {
            // Limited to 0..1 so that out-of-range values do not wrap around.
            double f = std::clamp(static_cast<double>(GetPixel32f(X, Y)), 0.0, 1.0);
            auto v = static_cast<uint8_t>(static_cast<int>(f * 255));
            return TRGB{v, v, v};
        }
        case ieCMYK: {
            TCMYK c = GetPixelCMYK(X, Y);
            return TRGB{static_cast<uint8_t>(c.y * c.k / 255), static_cast<uint8_t>(c.m * c.k / 255),
                        static_cast<uint8_t>(c.c * c.k / 255)};
        }
        case ieRGB48: {
            TRGB48 w = GetPixelRGB48(X, Y);
            return TRGB{static_cast<uint8_t>(w.b >> 8), static_cast<uint8_t>(w.g >> 8), static_cast<uint8_t>(w.r >> 8)};
        }
        case ieCIELab: return CIELabToRGB(GetPixelCIELab(X, Y));
        default: return TRGB{0, 0, 0};
    }
}

// ---- Borrowed storage --------------------------------------------------------------
void TIEBitmap::WrapMemory(void* Buffer, int32_t Width, int32_t Height, TIEPixelFormat PixelFormat,
                           bool FreeFirst) {
    if (FreeFirst) FreeImage(true);
    FreeMemoryBlock();
    FFileBuffer->DeAllocate();
    FMappedRow = nullptr;
    FWidth = Width;
    FHeight = Height;
    FPixelFormat = PixelFormat;
    FBitCount = IEBitsPerPixel[PixelFormat];
    FChannelCount = IEChannelsPerPixel[PixelFormat];
    FRowLen = CalcRowLength(Width, FBitCount, RowAlignment);
    FLocation = ieMemory;
    FMemoryIsExternal = true;
    FBits = static_cast<uint8_t*>(Buffer);
    FMemoryBlock = Buffer;
    if (PixelFormat == ie8p && !FPalette) {
        FPalette.reset(new TRGB[256]());
        FPaletteLength = 256;
    }
}


void TIEBitmap::CopyFromTIEDibbitmap(TIEDibbitmap* Dib) {
    if (!Dib) return;
    int32_t bc = Dib->GetBitCount();
    TIEPixelFormat f = bc == 1 ? ie1g : bc == 8 ? ie8g : ieRGB24;
    Allocate(Dib->GetWidth(), Dib->GetHeight(), f);
    int32_t len = std::min(FRowLen, Dib->GetRowLen());
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(GetScanline(y), Dib->GetScanline(y), static_cast<size_t>(len));
    ReleaseMappedRows();
}

void TIEBitmap::CopyFromTIEMask(TIEMask* Mask) {
    if (!Mask) {
        Fill(255);
        return;
    }
    Allocate(Mask->Width, Mask->Height, Mask->BitsPerPixel == 1 ? ie1g : ie8g);
    int32_t len = std::min(FRowLen, Mask->RowLen);
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(GetScanline(y), Mask->GetScanline(y), static_cast<size_t>(len));
    ReleaseMappedRows();
    Full = Mask->Full;
}

void TIEBitmap::CopyToTIEMask(TIEMask* Mask) {
    if (!Mask || (FPixelFormat != ie1g && FPixelFormat != ie8g)) return;
    Mask->AllocateBits(FWidth, FHeight, FPixelFormat == ie1g ? 1 : 8);
    int32_t len = std::min(FRowLen, Mask->RowLen);
    TIEDataAccess sa = Access;
    Access = iebRead;
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(Mask->GetScanline(y), GetScanline(y), static_cast<size_t>(len));
    ReleaseMappedRows();
    Access = sa;
    Mask->SyncBoundingBox();
    Mask->Full = Full;
}

// ---- TIEDibbitmap and TIEWorkBitmap ------------------------------------------------------
void TIEDibbitmap::AllocateBits(int32_t Width, int32_t Height, int32_t BitCount) {
    if (Width <= 0 || Height <= 0) return;
    FreeBits();
    int32_t rowLen = CalcRowLength(Width, BitCount, 32);
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } info{};
    info.h.biSize = 40;
    info.h.biWidth = Width;
    info.h.biHeight = Height;  // positive: bottom-up
    info.h.biPlanes = 1;
    info.h.biBitCount = static_cast<WORD>(BitCount);
    info.h.biCompression = BI_RGB;
    info.h.biSizeImage = static_cast<DWORD>(static_cast<int64_t>(rowLen) * Height);
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    FDC = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    FSection =
        CreateDIBSection(FDC, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
    if (!FSection || !bits) {
        FreeBits();
        throw EOutOfMemory("Out of memory");
    }
    FOldBitmap = SelectObject(FDC, FSection);
    FBits = static_cast<uint8_t*>(bits);
    FRowLen = rowLen;
    FWidth = Width;
    FHeight = Height;
    FBitCount = BitCount;
}

void TIEDibbitmap::FreeBits() {
    if (FDC && FOldBitmap) SelectObject(FDC, FOldBitmap);
    if (FSection) DeleteObject(FSection);
    if (FDC) DeleteDC(FDC);
    FDC = nullptr;
    FSection = nullptr;
    FOldBitmap = nullptr;
    FBits = nullptr;
    FWidth = FHeight = FBitCount = FRowLen = 0;
}

void* TIEDibbitmap::GetScanline(int32_t Row) {
    return FBits + static_cast<size_t>(FRowLen) * static_cast<size_t>(FHeight - Row - 1);
}

TIEPixelFormat TIEDibbitmap::GetPixelFormat() {
    return FBitCount == 1 ? ie1g : FBitCount == 24 ? ieRGB24 : ieNoFormat;
}

void TIEDibbitmap::Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) {
    if (PixelFormat == ie1g) AllocateBits(Width, Height, 1);
    else if (PixelFormat == ieRGB24) AllocateBits(Width, Height, 24);
}

void TIEDibbitmap::Assign(TObject* Source) {
    auto* s = dynamic_cast<TIEDibbitmap*>(Source);
    if (!s || s == this || !s->FBits) return;
    if (FWidth != s->FWidth || FHeight != s->FHeight || FBitCount != s->FBitCount)
        AllocateBits(s->FWidth, s->FHeight, s->FBitCount);
    std::memcpy(FBits, s->FBits, static_cast<size_t>(FRowLen) * FHeight);
}

TIEWorkBitmap::TIEWorkBitmap(int32_t AWidth, int32_t AHeight, int32_t ABitsPerPixel) {
    if (AWidth > 0 && AHeight > 0) Allocate(AWidth, AHeight, ABitsPerPixel);
}

void TIEWorkBitmap::Allocate(int32_t AWidth, int32_t AHeight, int32_t ABitsPerPixel) {
    if (AWidth == Width && AHeight == Height && ABitsPerPixel == BitsPerPixel) return;
    FreeBits();
    RowLen = CalcRowLength(AWidth, ABitsPerPixel, 32);
    FBits.resize(static_cast<size_t>(RowLen) * AHeight);
    Width = AWidth;
    Height = AHeight;
    BitsPerPixel = ABitsPerPixel;
}

void TIEWorkBitmap::FreeBits() {
    FBits.clear();
    FBits.shrink_to_fit();
    Width = Height = BitsPerPixel = RowLen = 0;
}
