// Metadata containers of the I/O parameters: JPEG marker segments, IPTC records
// and image annotations (the block of TIFF tag 32932).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"

class TIEBitmap;

// A point of a line mark as the block stores it.
struct TIEAnnotPoint {
    int32_t x;
    int32_t y;
};

// JPEG marker segments (comments and application segments) as raw bytes.
class TIEMarkerList : public TObject {
public:
    int32_t GetCount() const { return static_cast<int32_t>(MarkerData.size()); }
    const uint8_t* GetMarkerData(int32_t Index) const { return MarkerData.at(Index).data(); }
    uint8_t GetMarkerType(int32_t Index) const { return MarkerTypes.at(Index); }
    int32_t GetMarkerLength(int32_t Index) const { return static_cast<int32_t>(MarkerData.at(Index).size()); }
    int32_t IndexOf(uint8_t Type) const;
    void AddMarker(uint8_t Type, const void* Data, uint16_t Length);
    void SetMarker(int32_t Index, uint8_t Type, const void* Data, uint16_t Length);
    void DeleteMarker(int32_t Index);
    void Clear();
    void Assign(const TIEMarkerList* Source);

    std::vector<std::vector<uint8_t>> MarkerData;
    std::vector<uint8_t> MarkerTypes;  // 254 COM, 224..239 APP0..APP15
};

// IPTC records (IPTC-NAA datasets).
struct TIEIPTCInfo {
    int32_t Record = 0;
    int32_t DataSet = 0;
    int32_t Length = 0;
};

class TIEIPTCInfoList : public TObject {
public:
    int32_t GetCount() const { return static_cast<int32_t>(IPTCInfo.size()); }
    int32_t GetRecordNumber(int32_t Index) const { return IPTCInfo.at(Index).Record; }
    int32_t GetDataSet(int32_t Index) const { return IPTCInfo.at(Index).DataSet; }
    const std::vector<uint8_t>& GetData(int32_t Index) const { return IPTCData.at(Index); }
    std::string GetItemString(int32_t Index) const;
    int32_t AddItem(int32_t Record, int32_t DataSet, int32_t Length, const void* Data);
    void Clear();
    void Assign(const TIEIPTCInfoList* Source);
    // The IPTC block, optionally behind a Photoshop image-resource header.
    std::vector<uint8_t> SaveToBuffer(bool WithPhotoshopHeader) const;
    // Reads the datasets of an untrusted block; stops at the first bad one, keeping the rest.
    void LoadFromBuffer(const void* Buffer, int64_t Length);

    std::vector<std::vector<uint8_t>> IPTCData;
    std::vector<TIEIPTCInfo> IPTCInfo;
    bool Changed = false;
};

// One annotation mark.
class TIEImagingObject : public TObject {
public:
    TIEImagingObject();
    ~TIEImagingObject() override;
    int32_t MarkType() const;
    int32_t FontHeight() const;
    void SetFontHeight(int32_t Height);

    uint8_t Attributes[164];
    std::vector<TIEAnnotPoint> Points;   // line marks
    std::string Text;                // text marks ("" when none)
    bool HasText = false;
    std::unique_ptr<TIEBitmap> Image;  // image marks
};

class TIEImagingAnnot : public TObject {
public:
    void Clear() { Objects.clear(); }
    void Assign(const TIEImagingAnnot* Source);
    // Reads an untrusted tag 32932 block; every length is checked against the block.
    void LoadFromBuffer(const void* Buffer, int64_t Length);
    std::vector<uint8_t> SaveToBuffer() const;

    bool Loaded = false;
    std::vector<std::unique_ptr<TIEImagingObject>> Objects;
};

// Screen resolution the annotation font heights are scaled by; the image views set it
// at start-up (0 or unset counts as 96 dots per inch).
extern int32_t IEAnnotScreenDpiX;
extern int32_t IEAnnotScreenDpiY;
