// Many images (thumbnails) in one temporary file, the most recently used ones
// mapped in memory, lent out as TIEBitmap and written back on return.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"

struct TIEVirtualImageInfo {
    int64_t Position = 0;
    int64_t Size = 0;
    int64_t MapSize = 0;
    uint8_t* Data = nullptr;
    bool Lent = false;
    int32_t SourceWidth = 0, SourceHeight = 0;
    bool HasAlpha = false;
    TIEDataAccess Access = 0;
    int32_t Width = 0, Height = 0, BitCount = 0;
    TIEPixelFormat PixelFormat = ieNoFormat;
};

class TIEVirtualImageList : public TObject {
public:
    explicit TIEVirtualImageList(const std::string& Name);
    ~TIEVirtualImageList() override;
    TIEVirtualImageList(const TIEVirtualImageList&) = delete;
    TIEVirtualImageList& operator=(const TIEVirtualImageList&) = delete;

    TIEVirtualImageInfo* AddBlankImage(int32_t Width, int32_t Height, int32_t BitCount, TIEPixelFormat PixelFormat,
                                       bool HasAlpha);
    TIEVirtualImageInfo* AddBitmap(TIEBitmap* Bitmap);
    void CopyToIEBitmap(TIEVirtualImageInfo* Info, TIEBitmap* Bitmap);
    void CopyFromIEBitmap(TIEVirtualImageInfo* Info, TIEBitmap* Bitmap);
    TIEBitmap* GetBitmap(TIEVirtualImageInfo* Info);
    void ReleaseBitmap(TIEBitmap* Bitmap, bool WriteBack);
    void ReleaseBitmapOf(TIEVirtualImageInfo* Info, bool WriteBack);
    int32_t GetImageWidth(TIEVirtualImageInfo* Info);
    int32_t GetImageHeight(TIEVirtualImageInfo* Info);
    int32_t GetImageBitCount(TIEVirtualImageInfo* Info);
    TIEPixelFormat GetImagePixelFormat(TIEVirtualImageInfo* Info);
    int32_t GetSourceWidth(TIEVirtualImageInfo* Info) { return Info->SourceWidth; }
    int32_t GetSourceHeight(TIEVirtualImageInfo* Info) { return Info->SourceHeight; }
    void SetSourceWidth(TIEVirtualImageInfo* Info, int32_t V) { Info->SourceWidth = V; }
    void SetSourceHeight(TIEVirtualImageInfo* Info, int32_t V) { Info->SourceHeight = V; }
    // Rows bottom-up, valid until MaxMapped - 1 other images have been mapped.
    void* GetImageBits(TIEVirtualImageInfo* Info);
    void* GetAlphaBits(TIEVirtualImageInfo* Info);
    void Delete(TIEVirtualImageInfo* Info);
    void Clear();
    int32_t Count() const { return static_cast<int32_t>(Images.size()); }
    TIEVirtualImageInfo* Image(int32_t Index) { return Images.at(Index).get(); }

    struct FreeChunk {
        int64_t Position;
        int64_t Size;
    };
    struct LentBitmap {
        TIEVirtualImageInfo* Info;
        std::unique_ptr<TIEBitmap> Bitmap;
        int32_t RefCount;
    };

    TIEFileBuffer FileBuffer;
    int64_t FileSize = 262144;
    std::vector<std::unique_ptr<TIEVirtualImageInfo>> Images;
    std::vector<TIEVirtualImageInfo*> MappedImages;  // least recently used first
    std::vector<FreeChunk> FreeChunks;
    int64_t NextPos = 0;
    int32_t GrowthStep = 262144;
    int32_t MaxMapped = 10;
    int32_t MappedCount = 0;
    std::vector<LentBitmap> LentBitmaps;
    int64_t LastAllocSize = 0;
    std::string Name;

private:
    void ResizeFile(bool Shrinking);
    bool MapImage(TIEVirtualImageInfo* Info, TIEDataAccess Access);
    void UnMapImage(TIEVirtualImageInfo* Info);
    void AllocImage(TIEVirtualImageInfo* Info, int32_t Width, int32_t Height, int32_t BitCount,
                    TIEPixelFormat PixelFormat, bool HasAlpha);
    void WriteRows(TIEVirtualImageInfo* Info, TIEBitmap* Bitmap);
    LentBitmap* FindLent(TIEVirtualImageInfo* Info);
};
