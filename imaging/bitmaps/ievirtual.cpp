// Virtual image list.
#include "imaging/bitmaps/ievirtual.h"

#include <algorithm>
#include <cstring>

#include "imaging/bitmaps/ieutils.h"

namespace {
int64_t RowLenOf(int32_t Width, int32_t BitCount) { return CalcRowLength(Width, BitCount, 32); }
// The room of an image: its rows, a palette for ie8p (so that it comes back), then with
// alpha the Full byte and the alpha rows.
int64_t RoomSize(int32_t W, int32_t H, int32_t BitCount, TIEPixelFormat F, bool HasAlpha) {
    int64_t s = static_cast<int64_t>(H) * RowLenOf(W, BitCount);
    if (F == ie8p) s += 256 * 3;
    if (HasAlpha) s += static_cast<int64_t>(H) * RowLenOf(W, 8) + 1;
    return s;
}
int64_t AlphaOffset(const TIEVirtualImageInfo* I) {
    return static_cast<int64_t>(I->Height) * RowLenOf(I->Width, I->BitCount) + (I->PixelFormat == ie8p ? 768 : 0);
}
}  // namespace

TIEVirtualImageList::TIEVirtualImageList(const std::string& AName) : Name(AName) { ResizeFile(false); }

TIEVirtualImageList::~TIEVirtualImageList() {
    try {
        Clear();
    } catch (...) {
    }
}

void TIEVirtualImageList::ResizeFile(bool Shrinking) {
    // Room given back stays usable while the file grows; it goes with the images only
    // when the file shrinks after the last image.
    if (Shrinking) FreeChunks.clear();
    if (FileBuffer.IsAllocated()) {
        while (!MappedImages.empty()) UnMapImage(MappedImages.front());
        FileBuffer.SetFileSize(FileSize);
    } else {
        FileBuffer.AllocateFile(Name, FileSize);
    }
}

void TIEVirtualImageList::UnMapImage(TIEVirtualImageInfo* Info) {
    if (!Info->Data) return;
    uint8_t* d = Info->Data;
    Info->Data = nullptr;
    auto it = std::find(MappedImages.begin(), MappedImages.end(), Info);
    if (it != MappedImages.end()) MappedImages.erase(it);
    --MappedCount;
    FileBuffer.UnMap(d);
}

bool TIEVirtualImageList::MapImage(TIEVirtualImageInfo* Info, TIEDataAccess Access) {
    if (Info->Data && Access != Info->Access) UnMapImage(Info);
    if (!Info->Data) {
        while (MappedCount + 1 > std::max(MaxMapped, 1) && !MappedImages.empty()) UnMapImage(MappedImages.front());
        if (FileBuffer.IsAllocated()) {
            try {
                Info->Data = static_cast<uint8_t*>(FileBuffer.Map(Access, Info->MapSize, Info->Position));
            } catch (const Exception&) {
                Info->Data = nullptr;
            }
        }
        if (Info->Data) {
            ++MappedCount;
            MappedImages.push_back(Info);
        }
    } else {
        auto it = std::find(MappedImages.begin(), MappedImages.end(), Info);
        if (it != MappedImages.end()) {
            MappedImages.erase(it);
            MappedImages.push_back(Info);
        }
    }
    Info->Access = Access;
    return Info->Data != nullptr;
}

void TIEVirtualImageList::AllocImage(TIEVirtualImageInfo* Info, int32_t Width, int32_t Height, int32_t BitCount,
                                     TIEPixelFormat PixelFormat, bool HasAlpha) {
    int64_t size = RoomSize(Width, Height, BitCount, PixelFormat, HasAlpha);
    // After Clear the list has no file: the next image makes it anew.
    if (!FileBuffer.IsAllocated()) ResizeFile(false);
    auto fit = std::find_if(FreeChunks.begin(), FreeChunks.end(), [&](const FreeChunk& c) { return c.Size >= size; });
    if (fit != FreeChunks.end()) {
        Info->Position = fit->Position;
        FreeChunks.erase(fit);
    } else {
        if (size > GrowthStep) GrowthStep = static_cast<int32_t>(std::min<int64_t>(size + LastAllocSize, 0x7FFFFFFF));
        LastAllocSize = size;
        Info->Position = NextPos;
        while (NextPos + size > FileSize) {
            FileSize += GrowthStep;
            ResizeFile(false);
        }
        // The room is taken whether or not the mapping below works: no two images share it.
        NextPos += size;
    }
    Info->Size = size;
    Info->MapSize = size;
    Info->Data = nullptr;
    Info->Lent = false;
    Info->SourceWidth = Width;
    Info->SourceHeight = Height;
    Info->HasAlpha = HasAlpha;
    Info->Access = iebWrite;
    Info->Width = Width;
    Info->Height = Height;
    Info->BitCount = BitCount;
    Info->PixelFormat = PixelFormat;
    MapImage(Info, iebWrite);
}

TIEVirtualImageInfo* TIEVirtualImageList::AddBlankImage(int32_t Width, int32_t Height, int32_t BitCount,
                                                        TIEPixelFormat PixelFormat, bool HasAlpha) {
    Images.push_back(std::make_unique<TIEVirtualImageInfo>());
    TIEVirtualImageInfo* info = Images.back().get();
    AllocImage(info, Width, Height, BitCount, PixelFormat, HasAlpha);
    return info;
}

void TIEVirtualImageList::WriteRows(TIEVirtualImageInfo* Info, TIEBitmap* Bitmap) {
    int64_t rl = RowLenOf(Info->Width, Info->BitCount);
    int32_t len = static_cast<int32_t>(std::min<int64_t>(rl, Bitmap->RowLen()));
    TIEDataAccess sa = Bitmap->Access;
    Bitmap->Access = iebRead;
    for (int32_t k = 0; k < Info->Height; ++k)
        std::memcpy(Info->Data + k * rl, Bitmap->GetScanline(Info->Height - 1 - k), static_cast<size_t>(len));
    if (Info->PixelFormat == ie8p) {
        uint8_t* pal = Info->Data + static_cast<int64_t>(Info->Height) * rl;
        for (int i = 0; i < 256; ++i) {
            TRGB c = Bitmap->GetPalette(i);
            std::memcpy(pal + 3 * i, &c, 3);
        }
    }
    if (Info->HasAlpha && Bitmap->HasAlphaChannel()) {
        TIEBitmap* a = Bitmap->GetAlphaChannel();
        uint8_t* p = Info->Data + AlphaOffset(Info);
        *p++ = a->Full ? 1 : 0;
        int64_t arl = RowLenOf(Info->Width, 8);
        TIEDataAccess aa = a->Access;
        a->Access = iebRead;
        for (int32_t k = 0; k < Info->Height; ++k)
            std::memcpy(p + k * arl, a->GetScanline(Info->Height - 1 - k), static_cast<size_t>(arl));
        a->ReleaseMappedRows();
        a->Access = aa;
    }
    Bitmap->ReleaseMappedRows();
    Bitmap->Access = sa;
}

TIEVirtualImageInfo* TIEVirtualImageList::AddBitmap(TIEBitmap* Bitmap) {
    bool hasAlpha = Bitmap->HasAlphaChannel();
    TIEVirtualImageInfo* info =
        AddBlankImage(Bitmap->Width(), Bitmap->Height(), Bitmap->BitCount(), Bitmap->PixelFormat(), hasAlpha);
    if (info->Data) WriteRows(info, Bitmap);
    return info;
}

void TIEVirtualImageList::CopyToIEBitmap(TIEVirtualImageInfo* Info, TIEBitmap* Bitmap) {
    if (!MapImage(Info, iebRead)) return;
    // Each image comes back in the format it was stored in, so rows of 32 or 48 bits
    // fit the bitmap's rows.
    TIEPixelFormat f = Info->PixelFormat != ieNoFormat ? Info->PixelFormat : (Info->BitCount == 1 ? ie1g : ieRGB24);
    if (Bitmap->PixelFormat() != f || Bitmap->Width() != Info->Width || Bitmap->Height() != Info->Height)
        Bitmap->Allocate(Info->Width, Info->Height, f);
    int64_t rl = RowLenOf(Info->Width, Info->BitCount);
    int32_t len = static_cast<int32_t>(std::min<int64_t>(rl, Bitmap->RowLen()));
    uint8_t* data = Info->Data;  // stays mapped: nothing below maps another image
    for (int32_t k = 0; k < Info->Height; ++k)
        std::memcpy(Bitmap->GetScanline(Info->Height - 1 - k), data + k * rl, static_cast<size_t>(len));
    Bitmap->ReleaseMappedRows();
    if (f == ie8p) {
        const uint8_t* pal = data + static_cast<int64_t>(Info->Height) * rl;
        for (int i = 0; i < 256; ++i) {
            TRGB c;
            std::memcpy(&c, pal + 3 * i, 3);
            Bitmap->SetPalette(i, c);
        }
    }
    const uint8_t* ap = data + AlphaOffset(Info);
    if (!Info->HasAlpha || *ap != 0) {
        Bitmap->RemoveAlphaChannel();
        return;
    }
    TIEBitmap* a = Bitmap->GetAlphaChannel();
    int64_t arl = RowLenOf(Info->Width, 8);
    ++ap;
    for (int32_t k = 0; k < Info->Height; ++k)
        std::memcpy(a->GetScanline(Info->Height - 1 - k), ap + k * arl, static_cast<size_t>(std::min<int64_t>(arl, a->RowLen())));
    a->ReleaseMappedRows();
    a->Full = false;
}

void TIEVirtualImageList::CopyFromIEBitmap(TIEVirtualImageInfo* Info, TIEBitmap* Bitmap) {
    if (!MapImage(Info, iebRead | iebWrite)) return;
    bool hasAlpha = Bitmap->HasAlphaChannel();
    if (Bitmap->Width() != Info->Width || Bitmap->Height() != Info->Height || Bitmap->BitCount() != Info->BitCount ||
        hasAlpha != Info->HasAlpha || Bitmap->PixelFormat() != Info->PixelFormat) {
        UnMapImage(Info);
        // The old room is given back instead of being lost in the file.
        FreeChunks.push_back(FreeChunk{Info->Position, Info->MapSize});
        AllocImage(Info, Bitmap->Width(), Bitmap->Height(), Bitmap->BitCount(), Bitmap->PixelFormat(), hasAlpha);
        if (!MapImage(Info, iebRead | iebWrite)) return;
    }
    WriteRows(Info, Bitmap);
}

TIEVirtualImageList::LentBitmap* TIEVirtualImageList::FindLent(TIEVirtualImageInfo* Info) {
    for (auto& l : LentBitmaps)
        if (l.Info == Info) return &l;
    return nullptr;
}

TIEBitmap* TIEVirtualImageList::GetBitmap(TIEVirtualImageInfo* Info) {
    if (!MapImage(Info, iebRead)) return nullptr;
    LentBitmap* l = FindLent(Info);
    if (!l) {
        auto b = std::make_unique<TIEBitmap>();
        // Lent bitmaps stay in memory: their rows are handed out as one block.
        b->MinFileSize = INT64_MAX;
        b->SetLocation(ieMemory);
        LentBitmaps.push_back(LentBitmap{Info, std::move(b), 1});
        l = &LentBitmaps.back();
        CopyToIEBitmap(Info, l->Bitmap.get());
    } else {
        ++l->RefCount;
    }
    Info->Lent = true;
    return l->Bitmap.get();
}

void TIEVirtualImageList::ReleaseBitmap(TIEBitmap* Bitmap, bool WriteBack) {
    if (!Bitmap) return;
    auto it = std::find_if(LentBitmaps.begin(), LentBitmaps.end(), [&](const LentBitmap& l) { return l.Bitmap.get() == Bitmap; });
    if (it == LentBitmaps.end()) return;
    --it->RefCount;
    TIEVirtualImageInfo* info = it->Info;
    if (WriteBack) CopyFromIEBitmap(info, Bitmap);
    if (it->RefCount <= 0) {
        info->Lent = false;
        LentBitmaps.erase(it);
    }
}

void TIEVirtualImageList::ReleaseBitmapOf(TIEVirtualImageInfo* Info, bool WriteBack) {
    if (LentBitmap* l = FindLent(Info)) ReleaseBitmap(l->Bitmap.get(), WriteBack);
}

int32_t TIEVirtualImageList::GetImageWidth(TIEVirtualImageInfo* Info) {
    LentBitmap* l = Info->Lent ? FindLent(Info) : nullptr;
    return l ? l->Bitmap->Width() : Info->Width;
}
int32_t TIEVirtualImageList::GetImageHeight(TIEVirtualImageInfo* Info) {
    LentBitmap* l = Info->Lent ? FindLent(Info) : nullptr;
    return l ? l->Bitmap->Height() : Info->Height;
}
int32_t TIEVirtualImageList::GetImageBitCount(TIEVirtualImageInfo* Info) {
    LentBitmap* l = Info->Lent ? FindLent(Info) : nullptr;
    return l ? l->Bitmap->BitCount() : Info->BitCount;
}
TIEPixelFormat TIEVirtualImageList::GetImagePixelFormat(TIEVirtualImageInfo* Info) {
    LentBitmap* l = Info->Lent ? FindLent(Info) : nullptr;
    return l ? l->Bitmap->PixelFormat() : Info->PixelFormat;
}

void* TIEVirtualImageList::GetImageBits(TIEVirtualImageInfo* Info) {
    if (LentBitmap* l = Info->Lent ? FindLent(Info) : nullptr) return l->Bitmap->GetScanline(l->Bitmap->Height() - 1);
    return MapImage(Info, iebRead) ? Info->Data : nullptr;
}

void* TIEVirtualImageList::GetAlphaBits(TIEVirtualImageInfo* Info) {
    if (LentBitmap* l = Info->Lent ? FindLent(Info) : nullptr) {
        if (!l->Bitmap->HasAlphaChannel()) return nullptr;
        TIEBitmap* a = l->Bitmap->GetAlphaChannel();
        return a->GetScanline(a->Height() - 1);
    }
    if (!Info->HasAlpha || !MapImage(Info, iebRead)) return nullptr;
    uint8_t* p = Info->Data + AlphaOffset(Info);
    return *p == 0 ? p + 1 : nullptr;
}

void TIEVirtualImageList::Delete(TIEVirtualImageInfo* Info) {
    auto it = std::find_if(Images.begin(), Images.end(), [&](const auto& p) { return p.get() == Info; });
    if (it == Images.end()) throw EListError("List index out of bounds (-1)");
    FreeChunks.push_back(FreeChunk{Info->Position, Info->MapSize});
    auto lent = std::find_if(LentBitmaps.begin(), LentBitmaps.end(), [&](const LentBitmap& l) { return l.Info == Info; });
    if (lent != LentBitmaps.end()) LentBitmaps.erase(lent);
    UnMapImage(Info);
    Images.erase(it);
    if (Images.empty()) {
        FileSize = GrowthStep;
        NextPos = 0;
        ResizeFile(true);
    }
}

void TIEVirtualImageList::Clear() {
    LentBitmaps.clear();
    while (!MappedImages.empty()) UnMapImage(MappedImages.front());
    Images.clear();
    FreeChunks.clear();
    MappedCount = 0;
    FileBuffer.DeAllocate();
    NextPos = 0;
}
