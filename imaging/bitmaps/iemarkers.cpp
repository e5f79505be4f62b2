// JPEG markers, IPTC records and image annotations.
#include "imaging/bitmaps/iemarkers.h"

#include <cmath>
#include <cstring>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/dibconv.h"

int32_t IEAnnotScreenDpiX = 0;
int32_t IEAnnotScreenDpiY = 0;

namespace {
int32_t Dpi(int32_t v) { return v > 0 ? v : 96; }
}  // namespace

// ---- TIEMarkerList ------------------------------------------------------------------
int32_t TIEMarkerList::IndexOf(uint8_t Type) const {
    for (size_t i = 0; i < MarkerTypes.size(); ++i)
        if (MarkerTypes[i] == Type) return static_cast<int32_t>(i);
    return -1;
}

void TIEMarkerList::AddMarker(uint8_t Type, const void* Data, uint16_t Length) {
    auto* p = static_cast<const uint8_t*>(Data);
    MarkerData.emplace_back(p, p + (p ? Length : 0));
    MarkerTypes.push_back(Type);
}

void TIEMarkerList::SetMarker(int32_t Index, uint8_t Type, const void* Data, uint16_t Length) {
    auto* p = static_cast<const uint8_t*>(Data);
    MarkerData.at(Index).assign(p, p + (p ? Length : 0));
    MarkerTypes.at(Index) = Type;
}

void TIEMarkerList::DeleteMarker(int32_t Index) {
    if (Index < 0 || Index >= GetCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    MarkerData.erase(MarkerData.begin() + Index);
    MarkerTypes.erase(MarkerTypes.begin() + Index);
}

void TIEMarkerList::Clear() {
    MarkerData.clear();
    MarkerTypes.clear();
}

void TIEMarkerList::Assign(const TIEMarkerList* Source) {
    if (!Source || Source == this) return;
    MarkerData = Source->MarkerData;
    MarkerTypes = Source->MarkerTypes;
}

// ---- TIEIPTCInfoList ------------------------------------------------------------------
std::string TIEIPTCInfoList::GetItemString(int32_t Index) const {
    const auto& d = IPTCData.at(Index);
    return std::string(d.begin(), d.end());
}

int32_t TIEIPTCInfoList::AddItem(int32_t Record, int32_t DataSet, int32_t Length, const void* Data) {
    auto* p = static_cast<const uint8_t*>(Data);
    if (Length < 0 || !p) Length = 0;
    IPTCData.emplace_back(p, p + Length);
    IPTCInfo.push_back(TIEIPTCInfo{Record, DataSet, Length});
    Changed = true;
    return GetCount() - 1;
}

void TIEIPTCInfoList::Clear() {
    IPTCData.clear();
    IPTCInfo.clear();
    Changed = true;
}

void TIEIPTCInfoList::Assign(const TIEIPTCInfoList* Source) {
    if (!Source || Source == this) return;
    IPTCData = Source->IPTCData;
    IPTCInfo = Source->IPTCInfo;
    Changed = true;
}

std::vector<uint8_t> TIEIPTCInfoList::SaveToBuffer(bool WithPhotoshopHeader) const {
    std::vector<uint8_t> b;
    if (IPTCInfo.empty()) return b;
    if (WithPhotoshopHeader) {
        static const char ps[] = "Photoshop 3.0";
        b.insert(b.end(), ps, ps + 14);  // with its 0 byte
        b.insert(b.end(), {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 0});
    } else {
        b.insert(b.end(), {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02});
    }
    uint32_t total = 0;
    for (size_t i = 0; i < IPTCInfo.size(); ++i) {
        const TIEIPTCInfo& in = IPTCInfo[i];
        const auto& d = IPTCData[i];
        if ((in.Record == 2 && in.DataSet == 0) || d.empty()) continue;
        uint32_t len = static_cast<uint32_t>(d.size());
        b.push_back(0x1C);
        b.push_back(static_cast<uint8_t>(in.Record));
        b.push_back(static_cast<uint8_t>(in.DataSet));
        if (len < 32768) {
            b.push_back(static_cast<uint8_t>(len >> 8));
            b.push_back(static_cast<uint8_t>(len));
            total += len + 5;
        } else {
            b.insert(b.end(), {0x80, 0x04, static_cast<uint8_t>(len >> 24), static_cast<uint8_t>(len >> 16),
                               static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)});
            total += len + 9;
        }
        b.insert(b.end(), d.begin(), d.end());
    }
    if (b.size() % 2) b.push_back(0);
    if (WithPhotoshopHeader) {
        b[22] = static_cast<uint8_t>(total >> 24);
        b[23] = static_cast<uint8_t>(total >> 16);
        b[24] = static_cast<uint8_t>(total >> 8);
        b[25] = static_cast<uint8_t>(total);
    }
    return b;
}

void TIEIPTCInfoList::LoadFromBuffer(const void* Buffer, int64_t Length) {
    Clear();
    Changed = false;
    if (Length <= 0 || !Buffer) return;
    auto* p = static_cast<const uint8_t*>(Buffer);
    int64_t i = 0;
    while (i < Length && p[i] != 0x1C) ++i;
    // Every length comes from the file: each field is checked to lie inside the block
    // before it is read, in 64 bits so that no sum wraps round.
    while (i < Length) {
        if (p[i] != 0x1C || i + 5 > Length) break;
        int32_t record = p[i + 1], dataset = p[i + 2];
        int64_t start, len;
        if (p[i + 3] & 0x80) {
            if (i + 9 > Length) break;
            len = (static_cast<int64_t>(p[i + 5]) << 24) | (p[i + 6] << 16) | (p[i + 7] << 8) | p[i + 8];
            start = i + 9;
        } else {
            len = (p[i + 3] << 8) | p[i + 4];
            start = i + 5;
        }
        if (start + len > Length || len > 0x7FFFFFFF) break;
        AddItem(record, dataset, static_cast<int32_t>(len), p + start);
        i = start + len;
    }
    Changed = false;
}

// ---- Annotations ------------------------------------------------------------------------
TIEImagingObject::TIEImagingObject() { std::memset(Attributes, 0, sizeof Attributes); }
TIEImagingObject::~TIEImagingObject() = default;

int32_t TIEImagingObject::MarkType() const {
    int32_t t;
    std::memcpy(&t, Attributes, 4);
    return t;
}

int32_t TIEImagingObject::FontHeight() const {
    int32_t h;
    std::memcpy(&h, Attributes + 48, 4);
    return h;
}

void TIEImagingObject::SetFontHeight(int32_t Height) { std::memcpy(Attributes + 48, &Height, 4); }

void TIEImagingAnnot::Assign(const TIEImagingAnnot* Source) {
    if (!Source || Source == this) return;
    Clear();
    for (const auto& s : Source->Objects) {
        auto o = std::make_unique<TIEImagingObject>();
        std::memcpy(o->Attributes, s->Attributes, sizeof o->Attributes);
        o->Points = s->Points;
        o->Text = s->Text;
        o->HasText = s->HasText;
        if (s->Image) {
            o->Image = std::make_unique<TIEBitmap>();
            o->Image->Assign(s->Image.get());
        }
        Objects.push_back(std::move(o));
    }
}

namespace {
void PutI32(std::vector<uint8_t>& b, int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}
void PatchI32(std::vector<uint8_t>& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
// A named-block record: type, length 12, the 8-byte name, the data size, the data.
void PutNamed(std::vector<uint8_t>& b, int32_t Type, const char* Name, const std::vector<uint8_t>& Data) {
    PutI32(b, Type);
    PutI32(b, 12);
    char name[8] = {};
    std::strncpy(name, Name, 8);
    b.insert(b.end(), name, name + 8);
    size_t sizeAt = b.size();
    PutI32(b, 0);
    b.insert(b.end(), Data.begin(), Data.end());
    PatchI32(b, sizeAt, static_cast<int32_t>(b.size() - sizeAt - 4));
}
std::vector<uint8_t> CStr(const std::string& s) {
    std::vector<uint8_t> v(s.begin(), s.end());
    v.push_back(0);
    return v;
}
}  // namespace

std::vector<uint8_t> TIEImagingAnnot::SaveToBuffer() const {
    std::vector<uint8_t> b;
    if (Objects.empty()) return b;
    PutI32(b, 0);
    PutI32(b, 1);
    PutNamed(b, 2, "OiGroup", CStr("0"));
    PutNamed(b, 2, "OiIndex", CStr("1"));
    for (size_t k = 0; k < Objects.size(); ++k) {
        const TIEImagingObject& o = *Objects[k];
        PutI32(b, 5);
        PutI32(b, 164);
        b.insert(b.end(), o.Attributes, o.Attributes + 164);
        int32_t t = o.MarkType();
        if (t == 1) {
            std::vector<uint8_t> d;
            PutI32(d, 1);
            PutI32(d, 1000);
            for (int k = 0; k < 2; ++k) {
                PutI32(d, Dpi(IEAnnotScreenDpiX));
                PutI32(d, Dpi(IEAnnotScreenDpiY));
            }
            PutI32(d, 0);
            PutI32(d, 0);
            d.resize(56, 0);
            PutNamed(b, 6, "OiAnoDat", d);
            std::vector<uint8_t> dib;
            if (o.Image && !o.Image->IsEmpty()) {
                if (HGLOBAL h = BitmapToDIBHandle(o.Image.get(), 0, 0, 0, 0)) {
                    auto* p = static_cast<const uint8_t*>(IEGlobalLock(h));
                    if (p) dib.assign(p, p + IEGlobalSize(h));
                    IEGlobalUnlock(h);
                    IEGlobalFree(h);
                }
            }
            PutNamed(b, 6, "OiDIB", dib);
        } else if (t == 3 || t == 4) {
            std::vector<uint8_t> d;
            PutI32(d, static_cast<int32_t>(o.Points.size()));
            PutI32(d, static_cast<int32_t>(o.Points.size()));
            for (auto p : o.Points) {
                PutI32(d, p.x);
                PutI32(d, p.y);
            }
            PutNamed(b, 6, "OiAnoDat", d);
        } else if (t >= 7 && t <= 10) {
            std::vector<uint8_t> d;
            PutI32(d, 0);
            PutI32(d, 1000);
            PutI32(d, 72000 / Dpi(IEAnnotScreenDpiY));
            PutI32(d, static_cast<int32_t>(o.Text.size()));
            d.insert(d.end(), o.Text.begin(), o.Text.end());
            d.push_back(0);
            PutNamed(b, 6, "OiAnText", d);
        }
        PutNamed(b, 6, "OiGroup", CStr("0"));
        PutNamed(b, 6, "OiIndex", CStr(std::to_string(k)));
    }
    return b;
}

void TIEImagingAnnot::LoadFromBuffer(const void* Buffer, int64_t Length) {
    Clear();
    if (Length <= 0 || !Buffer) return;
    auto* p = static_cast<const uint8_t*>(Buffer);
    auto i32 = [&](int64_t at) {
        return static_cast<int32_t>(p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) | (static_cast<uint32_t>(p[at + 3]) << 24));
    };
    if (Length < 8) return;
    bool wide = i32(4) == 0;  // integer-size flag 0: four more bytes after each size
    struct Mark {
        bool present = false;
        uint8_t attrs[164] = {};
        std::vector<TIEAnnotPoint> points;
        std::vector<uint8_t> text;
        bool hasText = false;
        std::vector<uint8_t> dib;
    } mark;
    auto finish = [&] {
        if (!mark.present) return;
        auto o = std::make_unique<TIEImagingObject>();
        std::memcpy(o->Attributes, mark.attrs, 164);
        int32_t t = o->MarkType();
        if (t < 1) {
            mark = Mark{};
            return;
        }
        if (t == 3 || t == 4) o->Points = mark.points;
        if (t == 1 && !mark.dib.empty()) {
            auto img = std::make_unique<TIEBitmap>();
            // The DIB comes from the file: it is read within its block only.
            if (PackedDIBToIEBitmap(mark.dib.data(), mark.dib.size(), img.get()) != 0) o->Image = std::move(img);
        }
        if (t >= 7 && t <= 10 && mark.hasText && mark.text.size() > 16) {
            const uint8_t* d = mark.text.data();
            size_t n = mark.text.size() - 16;
            const void* z = std::memchr(d + 16, 0, n);
            o->Text.assign(reinterpret_cast<const char*>(d + 16), z ? static_cast<const uint8_t*>(z) - (d + 16) : n);
            o->HasText = true;
            uint32_t s = d[8] | (d[9] << 8) | (d[10] << 16) | (static_cast<uint32_t>(d[11]) << 24);
            // A scale of 0 would divide by zero, and a height no int holds cannot be
            // converted: the height is then kept as stored.
            const double h = s != 0 ? std::nearbyint(72000.0 / s * o->FontHeight() / Dpi(IEAnnotScreenDpiY)) : 0;
            if (s != 0 && h >= INT32_MIN && h <= INT32_MAX) o->SetFontHeight(static_cast<int32_t>(h));
        }
        Objects.push_back(std::move(o));
        mark = Mark{};
    };
    int64_t pos = 8;
    while (pos + 8 <= Length) {
        int32_t type = i32(pos);
        int64_t recLen = static_cast<uint32_t>(i32(pos + 4));
        pos += 8;
        if (type == 5) {
            finish();
            if (pos + 164 > Length) break;
            mark.present = true;
            std::memcpy(mark.attrs, p + pos, 164);
            pos += 164;
        } else if (type == 2 || type == 6) {
            int64_t head = 12 + (wide ? 4 : 0);
            if (pos + head > Length) break;
            char name[9] = {};
            std::memcpy(name, p + pos, 8);
            int64_t size = static_cast<uint32_t>(i32(pos + 8));
            int64_t data = pos + head;
            if (data + size > Length) break;  // a block may not reach past the end
            if (type == 6 && mark.present) {
                int32_t t;
                std::memcpy(&t, mark.attrs, 4);
                std::string n(name);
                if (n == "OiAnoDat" && (t == 3 || t == 4) && size >= 8) {
                    int64_t count = static_cast<uint32_t>(i32(data + 4));
                    count = std::min<int64_t>(count, (size - 8) / 8);
                    for (int64_t k = 0; k < count; ++k)
                        mark.points.push_back(TIEAnnotPoint{i32(data + 8 + 8 * k), i32(data + 12 + 8 * k)});
                } else if (n == "OiDIB") {
                    mark.dib.assign(p + data, p + data + size);
                } else if (n == "OiAnText") {
                    mark.text.assign(p + data, p + data + size);
                    mark.hasText = true;
                }
            }
            pos = data + size;
        } else {
            // Records of other types are skipped by their length, not read as headers.
            if (recLen > Length - pos) break;
            pos += recLen;
        }
    }
    finish();
    Loaded = false;
}
