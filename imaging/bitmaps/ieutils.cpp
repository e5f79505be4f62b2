// Small shared classes and routines of the image library.
#include "imaging/bitmaps/ieutils.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <limits>

// ---- THash1 ---------------------------------------------------------------------
THash1::THash1(int BitsCount) {
    Bits = static_cast<uint32_t>(BitsCount);
    BucketCount = 1 << BitsCount;
    BucketKeys.assign(BucketCount, 0);
    BucketChains.assign(BucketCount, nullptr);
    BucketStates.assign(BucketCount, 0);
    BucketValues.assign(BucketCount, nullptr);
}

THash1::~THash1() {
    for (int32_t i = 0; i < BucketCount; ++i) {
        if (BucketStates[i] != 2) continue;
        THash1Item* p = BucketChains[i];
        while (p) {
            THash1Item* n = p->Next;
            delete p;
            p = n;
        }
    }
}

bool THash1::Insert(uint32_t Key, int32_t& Index, THash1Item*& Item) {
    Item = nullptr;
    Index = static_cast<int32_t>(Key & static_cast<uint32_t>(BucketCount - 1));
    switch (BucketStates[Index]) {
        case 0:
            BucketStates[Index] = 1;
            BucketKeys[Index] = Key;
            break;
        case 1: {
            if (BucketKeys[Index] == Key) return false;
            auto* first = new THash1Item{BucketKeys[Index], nullptr, BucketValues[Index]};
            auto* second = new THash1Item{Key, nullptr, nullptr};
            first->Next = second;
            BucketChains[Index] = first;
            BucketStates[Index] = 2;
            Item = second;
            break;
        }
        default: {
            THash1Item* p = BucketChains[Index];
            while (true) {
                if (p->Key == Key) return false;
                if (!p->Next) break;
                p = p->Next;
            }
            p->Next = new THash1Item{Key, nullptr, nullptr};
            Item = p->Next;
            break;
        }
    }
    ++KeyCount;
    return true;
}

bool THash1::AddKey(uint32_t Key) {
    int32_t index;
    THash1Item* item;
    return Insert(Key, index, item);
}

// ---- TIEList family --------------------------------------------------------------
TIEList::TIEList() { TIEList::Clear(); }

TIEList::~TIEList() { std::free(Items); }

void TIEList::SetCount(int32_t N) {
    if (N < 0) N = 0;
    auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(N) * ElementSize + 1));
    if (!block) throw EOutOfMemory("Out of memory");
    int32_t keep = ItemCount < N ? ItemCount : N;
    if (Items && keep > 0) std::memcpy(block, Items, static_cast<size_t>(keep) * ElementSize);
    std::free(Items);
    Items = block;
    ItemCount = N;
    Modified = true;
}

int32_t TIEList::Add(const void* Item) {
    SetCount(ItemCount + 1);
    std::memcpy(GetItemAddr(ItemCount - 1), Item, ElementSize);
    Modified = true;
    return ItemCount - 1;
}

void TIEList::Delete(int32_t Index) {
    if (Index < 0 || Index >= ItemCount) return;
    auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(ItemCount - 1) * ElementSize + 1));
    if (!block) throw EOutOfMemory("Out of memory");
    size_t es = ElementSize;
    std::memcpy(block, Items, Index * es);
    std::memcpy(block + Index * es, Items + (Index + 1) * es, (ItemCount - Index - 1) * es);
    std::free(Items);
    Items = block;
    --ItemCount;
    Modified = true;
}

void TIEList::Clear() {
    ItemCount = 0;
    std::free(Items);
    Items = nullptr;
    Modified = false;
}

void TIEList::Assign(const TIEList* Source) {
    if (!Source) return;
    auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(Source->ItemCount) * Source->ElementSize + 1));
    if (!block) throw EOutOfMemory("Out of memory");
    if (Source->ItemCount > 0)
        std::memcpy(block, Source->Items, static_cast<size_t>(Source->ItemCount) * Source->ElementSize);
    std::free(Items);
    Items = block;
    ItemCount = Source->ItemCount;
    ElementSize = Source->ElementSize;
    Modified = Source->Modified;
}

void TIEIntegerList::Clear() {
    TIEList::Clear();
    ElementSize = 4;
    for (auto& v : Values) v = 0;
}

void TIEIntegerList::Assign(const TIEList* Source) {
    TIEList::Assign(Source);
    if (auto* s = dynamic_cast<const TIEIntegerList*>(Source))
        for (int i = 0; i < 4; ++i) Values[i] = s->Values[i];
}

void TIEDoubleList::Clear() {
    TIEList::Clear();
    ElementSize = 8;
    for (auto& v : Values) v = 0;
}

void TIEDoubleList::Assign(const TIEList* Source) {
    TIEList::Assign(Source);
    if (auto* s = dynamic_cast<const TIEDoubleList*>(Source))
        for (int i = 0; i < 4; ++i) Values[i] = s->Values[i];
}

// ---- TIEByteArray -------------------------------------------------------------------
TIEByteArray::TIEByteArray() {
    Capacity = GrowBlock;
    Data = static_cast<uint8_t*>(std::malloc(Capacity));
    if (!Data) throw EOutOfMemory("Out of memory");
}

TIEByteArray::~TIEByteArray() { std::free(Data); }

void TIEByteArray::SetSize(int32_t N) {
    if (N < 0) N = 0;
    bool realloc = N > Capacity || N < Capacity - GrowBlock;
    if (realloc) {
        int64_t cap = static_cast<int64_t>(N) + GrowBlock;
        if (cap > std::numeric_limits<int32_t>::max()) throw EOutOfMemory("Out of memory");
        auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(cap)));
        if (!block) throw EOutOfMemory("Out of memory");
        std::memcpy(block, Data, static_cast<size_t>(Size < N ? Size : N));
        std::free(Data);
        Data = block;
        Capacity = static_cast<int32_t>(cap);
    }
    Size = N;
}

void TIEByteArray::AppendByte(uint8_t B) {
    SetSize(Size + 1);
    Data[Size - 1] = B;
}

int32_t TIEByteArray::AppendFromStream(TStream& Stream, int32_t Count) {
    if (Count <= 0) return 0;
    int32_t old = Size;
    SetSize(Size + Count);
    int64_t got = Stream.Read(Data + old, Count);
    if (got < 0) got = 0;
    SetSize(old + static_cast<int32_t>(got));
    return static_cast<int32_t>(got);
}

// ---- TNulStream ------------------------------------------------------------------------
int64_t TNulStream::Read(void*, int64_t Count) {
    FPosition += Count;
    if (FPosition > FSize) FSize = FPosition;
    return Count;
}

int64_t TNulStream::Write(const void*, int64_t Count) {
    FPosition += Count;
    if (FPosition > FSize) FSize = FPosition;
    return Count;
}

int64_t TNulStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
        case soBeginning: FPosition = Offset; break;
        case soCurrent: FPosition += Offset; break;
        case soEnd: FPosition = FSize - Offset; return FPosition;
    }
    if (FPosition > FSize) FSize = FPosition;
    return FPosition;
}

// ---- Routines ---------------------------------------------------------------------------
bool IEDirectoryExists(const std::string& Path) {
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void IEForceDirectories(const std::string& Path) {
    if (Path.empty()) throw Exception("Cannot Create Directory");
    std::string p = Path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p == "/" || IEDirectoryExists(p)) return;
    std::string::size_type slash = p.rfind('/');
    if (slash != std::string::npos && slash > 0) IEForceDirectories(p.substr(0, slash));
    // A folder that cannot be made is reported instead of leaving the caller to fail later.
    if (::mkdir(p.c_str(), 0777) != 0 && !IEDirectoryExists(p)) throw Exception("Cannot Create Directory");
}

int32_t BitMaskWidth(uint32_t Mask) {
    if (Mask == 0) return 0;
    int i = 0;
    while (i < 32 && !(Mask & (1u << i))) ++i;
    int n = 0;
    while (i < 32 && (Mask & (1u << i))) {
        ++n;
        ++i;
    }
    return n;
}

int32_t BitsForCount(int32_t N) {
    int32_t r = -1;
    bool first = true;
    for (int i = 0; i < 32; ++i) {
        if (static_cast<uint32_t>(N) & (1u << i)) {
            r = first ? i : i + 1;
            first = false;
        }
    }
    return r;
}

int32_t CalcRowLength(int32_t Width, int32_t BitCount, int32_t Alignment) {
    int64_t bits = static_cast<int64_t>(Width) * BitCount;
    int64_t r;
    if (Alignment == 32)
        r = ((bits + 31) >> 5) * 4;
    else
        r = ((bits + Alignment - 1) / Alignment) * (Alignment / 8);
    if (r > std::numeric_limits<int32_t>::max() || r < 0) throw ERangeError("Image row too long");
    return static_cast<int32_t>(r);
}

static const uint8_t* ReverseTable() {
    static const auto table = [] {
        static uint8_t t[256];
        for (int i = 0; i < 256; ++i) {
            uint8_t r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b)) r |= static_cast<uint8_t>(0x80 >> b);
            t[i] = r;
        }
        return t;
    }();
    return table;
}

void ReverseByteBits(uint8_t& B) { B = ReverseTable()[B]; }

void ReverseDWordBits(uint32_t& D) {
    uint32_t r = 0;
    for (int i = 0; i < 4; ++i) r |= static_cast<uint32_t>(ReverseTable()[(D >> (8 * i)) & 0xFF]) << (8 * (3 - i));
    D = r;
}

long double IEIntPow(long double Base, int32_t Exponent) {
    if (Exponent == 0) return 1;
    int64_t n = Exponent < 0 ? -static_cast<int64_t>(Exponent) : Exponent;
    long double r = 1, b = Base;
    while (n > 0) {
        if (n & 1) r *= b;
        b *= b;
        n >>= 1;
    }
    return Exponent < 0 ? 1 / r : r;
}

long double IEPow(long double Base, long double Exponent) {
    if (Exponent == 0) return 1;
    if (Base == 0 && Exponent > 0) return 0;
    if (std::fabs(Exponent) <= 2147483647.0L && std::floor(Exponent) == Exponent)
        return IEIntPow(Base, static_cast<int32_t>(Exponent));
    return std::exp(Exponent * std::log(Base));
}

long double IEPowDouble(double Base, double Exponent) {
    if (std::fabs(Exponent) < 2147483647.0 && std::floor(Exponent) == Exponent) {
        int32_t n = static_cast<int32_t>(Exponent);
        if (Base == 0) return n == 0 ? 1 : 0;
        switch (n) {
            case 0: return 1;
            case 1: return Base;
            case 2: return static_cast<long double>(Base) * Base;
            case -1: return 1.0L / Base;
            case -2: return 1.0L / (static_cast<long double>(Base) * Base);
            default: return IEIntPow(Base, n);
        }
    }
    return std::exp2(Exponent * std::log2(static_cast<long double>(Base)));
}

int32_t SwapWordBytes(int32_t Value) {
    uint32_t v = static_cast<uint32_t>(Value);
    return static_cast<int32_t>((v & 0xFFFF0000u) | ((v & 0xFF) << 8) | ((v >> 8) & 0xFF));
}

int32_t SwapDWordBytes(int32_t Value) {
    uint32_t v = static_cast<uint32_t>(Value);
    return static_cast<int32_t>((v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24));
}

int32_t CalcColorCount(int32_t BitsPerSample, int32_t SamplesPerPixel) {
    int64_t per = static_cast<int64_t>(1) << (BitsPerSample & 31);
    int64_t r = 1;
    for (int i = 0; i < SamplesPerPixel; ++i) r = static_cast<int64_t>(static_cast<uint64_t>(r) * per);
    return static_cast<int32_t>(r);
}

void WriteStreamChecked(TStream& Stream, std::atomic<bool>& Aborting, const void* Buffer, int64_t Count) {
    if (Count <= 0) return;
    if (Stream.Write(Buffer, Count) < Count) Aborting = true;
}

void ConstrainLine45(int32_t X0, int32_t Y0, int32_t& X, int32_t& Y) {
    int32_t ex = std::abs(X0 - X), ey = std::abs(Y0 - Y);
    if (ey > ex + 30) {
        X = X0;
        return;
    }
    if (ey < ex - 30) {
        Y = Y0;
        return;
    }
    int32_t d = std::abs(ex - ey);
    int32_t dx = X0 - X, dy = Y0 - Y;
    if (dx < 0 && dy < 0) {
        if (ey > ex) X += d; else Y += d;
    } else if (dx > 0 && dy > 0) {
        if (ey > ex) Y += d; else X += d;
    } else if (dx > 0) {
        if (ey > ex) X -= d; else Y += d;
    } else if (dy > 0) {
        if (ey > ex) X += d; else Y -= d;
    }
}

bool RectsIntersect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Left, int32_t Top, int32_t Right,
                    int32_t Bottom) {
    if (std::max(X1, X2) < Left || std::min(X1, X2) > Right) return false;
    if (std::max(Y1, Y2) < Top || std::min(Y1, Y2) > Bottom) return false;
    return true;
}

int RectContainment(int32_t OLeft, int32_t OTop, int32_t ORight, int32_t OBottom, int32_t ILeft, int32_t ITop,
                    int32_t IRight, int32_t IBottom) {
    int h = (ILeft >= OLeft && ILeft <= ORight) + (IRight >= OLeft && IRight <= ORight);
    int v = (ITop >= OTop && ITop <= OBottom) + (IBottom >= OTop && IBottom <= OBottom);
    if (h == 2 && v == 2) return 2;
    if ((h == 1 && v >= 1) || (h >= 1 && v == 1)) return 1;
    return 0;
}

bool IsPointInRect(int32_t X, int32_t Y, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
    return Left <= X && X <= Right && Top <= Y && Y <= Bottom;
}

double DistancePointToLine(int32_t X, int32_t Y, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    double a = static_cast<double>(Y1) - Y2, b = static_cast<double>(X2) - X1;
    double c = static_cast<double>(X1) * Y2 - static_cast<double>(X2) * Y1;
    double den = std::sqrt(a * a + b * b);
    if (den == 0) return 1000000;
    return std::fabs(a * X + b * Y + c) / den;
}

double DistancePointToSegment(int32_t X, int32_t Y, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    auto dist = [](double ax, double ay, double bx, double by) { return std::hypot(ax - bx, ay - by); };
    if (X1 == X2 && Y1 == Y2) return dist(X, Y, X1, Y1);
    double dx = static_cast<double>(X2) - X1, dy = static_cast<double>(Y2) - Y1;
    double t = ((static_cast<double>(X) - X1) * dx + (static_cast<double>(Y) - Y1) * dy) / (dx * dx + dy * dy);
    if (t > 1) {
        if (std::abs(static_cast<int64_t>(X) - X2) > 45000 || std::abs(static_cast<int64_t>(Y) - Y2) > 45000)
            return 1000000;
        return dist(X, Y, X2, Y2);
    }
    if (t < 0) {
        if (std::abs(static_cast<int64_t>(X1) - X) > 45000 || std::abs(static_cast<int64_t>(Y1) - Y) > 45000)
            return 1000000;
        return dist(X, Y, X1, Y1);
    }
    return DistancePointToLine(X, Y, X1, Y1, X2, Y2);
}

bool IsMMXSupported() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("mmx");
#else
    return false;
#endif
}
