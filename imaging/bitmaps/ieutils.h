// Small shared classes and routines of the image library: growable lists, a hash
// set of 32-bit keys, a byte array, a counting stream, row-length and bit helpers,
// geometry helpers and the checked write every format writer uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

// ---- Hash set of 32-bit keys -----------------------------------------------------
struct THash1Item {
    uint32_t Key = 0;
    THash1Item* Next = nullptr;
    void* Value = nullptr;
};

class THash1 : public TObject {
public:
    explicit THash1(int Bits);
    ~THash1() override;
    THash1(const THash1&) = delete;
    THash1& operator=(const THash1&) = delete;
    // True when Key was new; Index is its bucket, Item its chain element (nullptr when held directly).
    bool Insert(uint32_t Key, int32_t& Index, THash1Item*& Item);
    bool AddKey(uint32_t Key);

    std::vector<uint32_t> BucketKeys;        // state 1: the key
    std::vector<THash1Item*> BucketChains;   // state 2: first chain element
    std::vector<uint8_t> BucketStates;       // 0 empty, 1 one key, 2 chain
    std::vector<void*> BucketValues;
    uint32_t Bits = 0;
    int32_t BucketCount = 0;
    int32_t KeyCount = 0;
};

// ---- Growable arrays of fixed-size items -------------------------------------------
class TIEList : public TObject {
public:
    TIEList();
    ~TIEList() override;
    TIEList(const TIEList&) = delete;
    TIEList& operator=(const TIEList&) = delete;
    virtual void SetCount(int32_t N);
    virtual void Delete(int32_t Index);
    virtual void Clear();
    virtual void Assign(const TIEList* Source);
    int32_t Add(const void* Item);
    void* GetItemAddr(int32_t Index) { return Items + static_cast<size_t>(Index) * ElementSize; }
    int32_t Count() const { return ItemCount; }

    int32_t ItemCount = 0;
    int32_t ElementSize = 0;
    uint8_t* Items = nullptr;
    bool Modified = false;
};

class TIEIntegerList : public TIEList {
public:
    TIEIntegerList() { Clear(); }
    void Clear() override;
    void Assign(const TIEList* Source) override;
    int32_t Get(int32_t Index) { return *static_cast<int32_t*>(GetItemAddr(Index)); }
    int32_t AddValue(int32_t V) { return Add(&V); }
    int32_t Values[4] = {0, 0, 0, 0};
};

class TIEDoubleList : public TIEList {
public:
    TIEDoubleList() { Clear(); }
    void Clear() override;
    void Assign(const TIEList* Source) override;
    double Get(int32_t Index) { return *static_cast<double*>(GetItemAddr(Index)); }
    int32_t AddValue(double V) { return Add(&V); }
    double Values[4] = {0, 0, 0, 0};
};

class TIERecordList : public TIEList {
public:
    explicit TIERecordList(int32_t RecordSize) { ElementSize = RecordSize; }
    void* GetItem(int32_t Index) { return GetItemAddr(Index); }
    int32_t AddItem(const void* Record) { return Add(Record); }
};

// ---- Growable byte array -----------------------------------------------------------
class TIEByteArray : public TObject {
public:
    TIEByteArray();
    ~TIEByteArray() override;
    TIEByteArray(const TIEByteArray&) = delete;
    TIEByteArray& operator=(const TIEByteArray&) = delete;
    void SetSize(int32_t N);
    void AppendByte(uint8_t B);
    int32_t AppendFromStream(TStream& Stream, int32_t Count);

    int32_t Size = 0;
    int32_t Capacity = 0;
    int32_t GrowBlock = 8192;
    uint8_t* Data = nullptr;
};

// ---- A stream that only counts (writers measure their output with it) ----------------
class TNulStream : public TStream {
public:
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    // From the end the offset counts backwards (Size - Offset), as the library's streams do.
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return FSize; }
    void SetSize(int64_t NewSize) override { FSize = NewSize; }

private:
    int64_t FPosition = 0;
    int64_t FSize = 0;
};

// ---- Scroll bar and mouse wheel settings of the image views ----------------------
struct TIEScrollBarParams {
    int32_t LineStep = -1;   // -1: the view's default
    int32_t PageStep = -1;
    bool Tracking = true;
};

struct TIEMouseWheelParams {
    bool InverseDirection = false;
    uint8_t Action = 2;      // 0 nothing, 1 scroll, 2 zoom
    uint8_t Variation = 1;   // 0 absolute, 1 percent
    int32_t Value = 8;
    bool ZoomAtCursor = false;
};

// ---- Routines ----------------------------------------------------------------------
bool IEDirectoryExists(const std::string& Path);
// Creates Path and its missing parents; raises "Cannot Create Directory" for an empty path
// and when a folder cannot be created.
void IEForceDirectories(const std::string& Path);
int32_t BitMaskWidth(uint32_t Mask);
int32_t BitsForCount(int32_t N);
// Bytes per row; the product is computed in 64 bits and must fit 32 bits.
int32_t CalcRowLength(int32_t Width, int32_t BitCount, int32_t Alignment);
void ReverseByteBits(uint8_t& B);
void ReverseDWordBits(uint32_t& D);
long double IEIntPow(long double Base, int32_t Exponent);
long double IEPow(long double Base, long double Exponent);
long double IEPowDouble(double Base, double Exponent);
int32_t SwapWordBytes(int32_t Value);
int32_t SwapDWordBytes(int32_t Value);
int32_t CalcColorCount(int32_t BitsPerSample, int32_t SamplesPerPixel);
// Writes Count bytes; sets Aborting when fewer were written.
void WriteStreamChecked(TStream& Stream, std::atomic<bool>& Aborting, const void* Buffer, int64_t Count);
void ConstrainLine45(int32_t X0, int32_t Y0, int32_t& X, int32_t& Y);
bool RectsIntersect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Left, int32_t Top, int32_t Right,
                    int32_t Bottom);
int RectContainment(int32_t OLeft, int32_t OTop, int32_t ORight, int32_t OBottom, int32_t ILeft, int32_t ITop,
                    int32_t IRight, int32_t IBottom);
bool IsPointInRect(int32_t X, int32_t Y, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);
double DistancePointToLine(int32_t X, int32_t Y, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
double DistancePointToSegment(int32_t X, int32_t Y, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
bool IsMMXSupported();
