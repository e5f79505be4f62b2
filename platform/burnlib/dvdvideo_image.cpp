#include "platform/burnlib/dvdvideo_image.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>

#include "platform/burnlib/burnlib.h"
#include "platform/rtl/scope.h"

namespace burnlib {
namespace {

// ---- Little helpers for fixed-layout records ----------------------------------------
void Put8(uint8_t* p, uint8_t v) { p[0] = v; }
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put16BE(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
void Put32BE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}
// ISO 9660 "both-byte orders" fields.
void Put16Both(uint8_t* p, uint16_t v) {
    Put16(p, v);
    Put16BE(p + 2, v);
}
void Put32Both(uint8_t* p, uint32_t v) {
    Put32(p, v);
    Put32BE(p + 4, v);
}
void PutText(uint8_t* p, size_t width, const std::string& s, char pad) {
    for (size_t i = 0; i < width; ++i) p[i] = uint8_t(i < s.size() ? s[i] : pad);
}

// CRC-16/CCITT (x^16 + x^12 + x^5 + 1, initial 0) as UDF descriptor tags use it.
uint16_t Crc16(const uint8_t* p, size_t n) {
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= uint16_t(p[i]) << 8;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

// UDF descriptor tag over a descriptor of Length bytes (tag included).
void FinishTag(uint8_t* d, uint16_t id, uint32_t location, size_t length) {
    Put16(d + 0, id);
    Put16(d + 2, 2);  // descriptor version of NSR02
    Put8(d + 5, 0);
    Put16(d + 6, 0);  // serial number
    uint16_t crcLen = uint16_t(length - 16);
    Put16(d + 8, Crc16(d + 16, crcLen));
    Put16(d + 10, crcLen);
    Put32(d + 12, location);
    uint8_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4) sum = uint8_t(sum + d[i]);
    d[4] = sum;
}

// Code points of a UTF-8 text; invalid bytes are taken as Latin-1.
std::u32string Decode(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : c < 0x80 ? 0 : -1;
        char32_t cp = extra == 3 ? c & 7 : extra == 2 ? c & 15 : extra == 1 ? c & 31 : c;
        bool ok = extra >= 0 && i + extra < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (uint8_t(s[i + k]) & 0x3F);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
        } else {
            out.push_back(cp);
            i += extra + 1;
        }
    }
    return out;
}

// OSTA compressed Unicode: 8 bits per character when every character fits, else
// 16 bits big-endian; characters beyond the first plane become '_'. At most
// MaxBytes bytes, the compression id included.
std::vector<uint8_t> Cs0(const std::string& text, size_t maxBytes) {
    std::u32string cps = Decode(text);
    bool wide = std::any_of(cps.begin(), cps.end(), [](char32_t c) { return c > 0xFF; });
    std::vector<uint8_t> out{uint8_t(wide ? 16 : 8)};
    for (char32_t c : cps) {
        if (c > 0xFFFF) c = '_';
        size_t need = wide ? 2 : 1;
        if (out.size() + need > maxBytes) break;
        if (wide) out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
    }
    return out;
}

// A dstring field of Width bytes: compressed characters, last byte their length.
void PutDString(uint8_t* p, size_t width, const std::string& text) {
    std::memset(p, 0, width);
    if (text.empty()) return;
    std::vector<uint8_t> cs = Cs0(text, width - 1);
    std::memcpy(p, cs.data(), cs.size());
    p[width - 1] = uint8_t(cs.size());
}

void PutCharspec(uint8_t* p) {
    std::memset(p, 0, 64);
    p[0] = 0;  // CS0
    std::memcpy(p + 1, "OSTA Compressed Unicode", 23);
}

enum class RegidKind { Domain, Udf, Implementation, Plain };
void PutRegid(uint8_t* p, const char* id, RegidKind kind) {
    std::memset(p, 0, 32);
    std::memcpy(p + 1, id, std::min<size_t>(23, std::strlen(id)));
    uint8_t* suffix = p + 24;
    switch (kind) {
        case RegidKind::Domain:
            Put16(suffix, 0x0102);  // UDF revision
            suffix[2] = 0;          // domain flags
            break;
        case RegidKind::Udf:
            Put16(suffix, 0x0102);
            suffix[2] = 3;  // OS class: UNIX
            suffix[3] = 3;  // OS identifier: Linux
            break;
        case RegidKind::Implementation:
            suffix[0] = 3;
            suffix[1] = 3;
            break;
        case RegidKind::Plain:
            break;
    }
}
const char* const ImplementationName = "*Tessaro DVD";

struct TStamp {
    int Year, Month, Day, Hour, Minute, Second, Centi, Hundreds, Micro;
    int OffsetMinutes;  // east of UTC
};

TStamp MakeStamp(const TDiscTime& t) {
    TStamp s{t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Millisecond / 10, (t.Millisecond % 10) * 10, 0, 0};
    std::tm tm{};
    tm.tm_year = t.Year - 1900;
    tm.tm_mon = t.Month - 1;
    tm.tm_mday = t.Day;
    tm.tm_hour = t.Hour;
    tm.tm_min = t.Minute;
    tm.tm_sec = t.Second;
    tm.tm_isdst = -1;
    if (mktime(&tm) != time_t(-1)) s.OffsetMinutes = int(tm.tm_gmtoff / 60);
    return s;
}

void PutUdfStamp(uint8_t* p, const TStamp& s) {
    Put16(p, uint16_t((1 << 12) | (s.OffsetMinutes & 0x0FFF)));
    Put16(p + 2, uint16_t(s.Year));
    p[4] = uint8_t(s.Month);
    p[5] = uint8_t(s.Day);
    p[6] = uint8_t(s.Hour);
    p[7] = uint8_t(s.Minute);
    p[8] = uint8_t(s.Second);
    p[9] = uint8_t(s.Centi);
    p[10] = uint8_t(s.Hundreds);
    p[11] = uint8_t(s.Micro);
}

// 17-byte date of the ISO volume descriptor.
void PutIsoLongDate(uint8_t* p, const TStamp& s) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d%02d", s.Year % 10000, s.Month, s.Day, s.Hour, s.Minute,
                  s.Second, s.Centi);
    std::memcpy(p, buf, 16);
    p[16] = uint8_t(int8_t(s.OffsetMinutes / 15));
}
// 7-byte date of an ISO directory record.
void PutIsoShortDate(uint8_t* p, const TStamp& s) {
    p[0] = uint8_t(std::clamp(s.Year - 1900, 0, 255));
    p[1] = uint8_t(s.Month);
    p[2] = uint8_t(s.Day);
    p[3] = uint8_t(s.Hour);
    p[4] = uint8_t(s.Minute);
    p[5] = uint8_t(s.Second);
    p[6] = uint8_t(int8_t(s.OffsetMinutes / 15));
}

// ISO volume identifier: d-characters (A-Z, 0-9, _), at most 32.
std::string IsoLabelOf(const std::string& label) {
    std::string out;
    for (char c : label) {
        if (out.size() == 32) break;
        unsigned char u = c;
        if (u >= 0x80 && u < 0xC0) continue;  // continuation bytes: one '_' per character
        if (u >= 'a' && u <= 'z')
            out += char(u - 32);
        else if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_')
            out += char(u);
        else
            out += '_';
    }
    return out.empty() ? std::string("DVD_VIDEO") : out;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

// The DVD-Video files in their order on the disc.
std::vector<std::string> StandardOrder() {
    std::vector<std::string> names{"VIDEO_TS.IFO", "VIDEO_TS.VOB", "VIDEO_TS.BUP"};
    char buf[32];
    for (int n = 1; n <= 99; ++n) {
        std::snprintf(buf, sizeof buf, "VTS_%02d_0.IFO", n);
        names.push_back(buf);
        for (int k = 0; k <= 9; ++k) {
            std::snprintf(buf, sizeof buf, "VTS_%02d_%d.VOB", n, k);
            names.push_back(buf);
        }
        std::snprintf(buf, sizeof buf, "VTS_%02d_0.BUP", n);
        names.push_back(buf);
    }
    return names;
}

// Largest UDF extent that stays a whole number of sectors.
constexpr uint32_t MaxExtent = 0x3FFFF800u;

// Bytes of a file identifier descriptor naming Name (ASCII, 8-bit compressed).
size_t FidLength(size_t nameLen) {
    size_t n = 38 + (nameLen ? nameLen + 1 : 0);
    return (n + 3) & ~size_t(3);
}

// ---- Placement by the IFO files ------------------------------------------------------
// Players find a title set and its parts by the sector numbers the authoring tool
// wrote into the IFO files (counted from each IFO), so the files go where those
// say, with zeros in between; without a readable IFO they follow each other.
// A position before the previous file's end, or more than MaxGap sectors after
// it, is not believed.
constexpr int64_t MaxGap = 1024;

std::vector<uint8_t> ReadIfo(const std::string& path, uint64_t size) {
    std::vector<uint8_t> data;
    if (size < 0x100 || size > (4u << 20)) return data;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return data;
    data.resize(size_t(size));
    ssize_t got = pread(fd, data.data(), data.size(), 0);
    close(fd);
    if (got != ssize_t(data.size())) data.clear();
    return data;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t o) {
    if (o + 4 > b.size()) return 0;
    return uint32_t(b[o]) << 24 | uint32_t(b[o + 1]) << 16 | uint32_t(b[o + 2]) << 8 | b[o + 3];
}

bool IsIfo(const std::vector<uint8_t>& b, const char* kind) {
    return b.size() >= 0x100 && std::memcmp(b.data(), kind, 12) == 0;
}

}  // namespace

std::vector<uint32_t> PlaceFiles(const std::vector<TImageFile>& files) {
    std::vector<uint32_t> offsets(files.size(), 0);
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < files.size(); ++i) index[files[i].Name] = i;
    auto sectors = [&](size_t i) { return int64_t((files[i].Size + SectorSize - 1) / SectorSize); };
    int64_t next = 0;
    // Places a file at Wanted when that is believable, else at the next free sector;
    // answers where it went, -1 when the folder lacks it.
    auto place = [&](const std::string& name, int64_t wanted) -> int64_t {
        auto it = index.find(name);
        if (it == index.end()) return -1;
        int64_t at = (wanted >= next && wanted <= next + MaxGap) ? wanted : next;
        offsets[it->second] = uint32_t(at);
        if (files[it->second].Size) next = at + sectors(it->second);
        return at;
    };
    auto sizeOf = [&](const std::string& name) -> int64_t {
        auto it = index.find(name);
        return it == index.end() ? 0 : sectors(it->second);
    };
    auto ifoOf = [&](const std::string& name, const char* kind) {
        auto it = index.find(name);
        std::vector<uint8_t> b;
        if (it != index.end()) b = ReadIfo(files[it->second].Path, files[it->second].Size);
        if (!IsIfo(b, kind)) b.clear();
        return b;
    };

    // Video manager: IFO, menu VOB, BUP; the title search table gives each title set's start.
    const std::vector<uint8_t> vmg = ifoOf("VIDEO_TS.IFO", "DVDVIDEO-VMG");
    const int64_t vmgBase = place("VIDEO_TS.IFO", 0);
    std::map<int, int64_t> vtsStart;
    if (!vmg.empty()) {
        if (uint32_t menu = Be32(vmg, 0xC0))
            place("VIDEO_TS.VOB", vmgBase + menu);
        else
            place("VIDEO_TS.VOB", -1);
        place("VIDEO_TS.BUP", vmgBase + int64_t(Be32(vmg, 0x0C)) + 1 - sizeOf("VIDEO_TS.BUP"));
        size_t table = size_t(Be32(vmg, 0xC4)) * SectorSize;
        uint32_t titles = table + 2 <= vmg.size() ? uint32_t(vmg[table] << 8 | vmg[table + 1]) : 0;
        for (uint32_t t = 0; t < titles && table + 8 + 12 * (t + 1) <= vmg.size(); ++t) {
            size_t e = table + 8 + 12 * t;
            vtsStart.emplace(vmg[e + 6], vmgBase + int64_t(Be32(vmg, e + 8)));
        }
    } else {
        place("VIDEO_TS.VOB", -1);
        place("VIDEO_TS.BUP", -1);
    }
    char name[32];
    for (int n = 1; n <= 99; ++n) {
        auto nm = [&](const char* fmt, int k = 0) {
            std::snprintf(name, sizeof name, fmt, n, k);
            return std::string(name);
        };
        auto start = vtsStart.find(n);
        int64_t base = place(nm("VTS_%02d_0.IFO"), start == vtsStart.end() ? -1 : start->second);
        if (base < 0) {  // no IFO: whatever parts there are follow each other
            for (int k = 0; k <= 9; ++k) place(nm("VTS_%02d_%d.VOB", k), -1);
            place(nm("VTS_%02d_0.BUP"), -1);
            continue;
        }
        const std::vector<uint8_t> vts = ifoOf(nm("VTS_%02d_0.IFO"), "DVDVIDEO-VTS");
        uint32_t menu = vts.empty() ? 0 : Be32(vts, 0xC0), title = vts.empty() ? 0 : Be32(vts, 0xC4);
        place(nm("VTS_%02d_0.VOB"), menu ? base + menu : -1);
        place(nm("VTS_%02d_%d.VOB", 1), title ? base + title : -1);
        for (int k = 2; k <= 9; ++k) place(nm("VTS_%02d_%d.VOB", k), -1);
        const std::string bup = nm("VTS_%02d_0.BUP");
        place(bup, vts.empty() ? -1 : base + int64_t(Be32(vts, 0x0C)) + 1 - sizeOf(bup));
    }
    return offsets;
}

namespace {}  // namespace

// ---------------------------------------------------------------------------------
TDvdVideoImage::TDvdVideoImage(const std::string& VideoTsFolder, const std::string& VolumeLabel, const TDiscTime& Time)
    : GivenLabel(VolumeLabel) {
    Scan(VideoTsFolder);
    Layout(VolumeLabel, Time);
}

TDvdVideoImage::~TDvdVideoImage() { CloseCurrent(); }

void TDvdVideoImage::Scan(const std::string& Folder) {
    std::string dir = Folder;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    DIR* d = opendir(dir.c_str());
    if (!d) {
        int e = errno;
        throw EBurnLibError(BURNLIB_ERROR_SOURCE,
                            "The VIDEO_TS folder \"" + dir + "\" cannot be opened: " + std::strerror(e), e);
    }
    // Names as found on disk, keyed by their upper-case form (the first one wins).
    std::map<std::string, std::string> found;
    std::vector<std::string> all;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        all.push_back(name);
    }
    closedir(d);
    std::sort(all.begin(), all.end());
    for (const std::string& name : all) {
        struct stat st {};
        std::string path = dir + "/" + name;
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            Ignored.push_back(name);
            continue;
        }
        if (!found.emplace(Upper(name), name).second) Ignored.push_back(name);
    }
    std::vector<std::string> order = StandardOrder();
    for (const std::string& want : order) {
        auto it = found.find(want);
        if (it == found.end()) continue;
        TImageFile f;
        f.Name = want;
        f.Path = dir + "/" + it->second;
        struct stat st {};
        if (stat(f.Path.c_str(), &st) != 0) {
            int e = errno;
            throw EBurnLibError(BURNLIB_ERROR_SOURCE, "The file \"" + f.Path + "\" cannot be read: " + std::strerror(e),
                                e);
        }
        if (uint64_t(st.st_size) >= (uint64_t(1) << 32))
            throw EBurnLibError(BURNLIB_ERROR_SOURCE,
                                "The file \"" + f.Path + "\" is larger than a DVD-Video file may be (4 GB).");
        f.Size = uint64_t(st.st_size);
        VideoFiles.push_back(f);
        found.erase(it);
    }
    for (auto& [upper, name] : found) Ignored.push_back(name);
    std::sort(Ignored.begin(), Ignored.end());
    if (VideoFiles.empty() || VideoFiles.front().Name != "VIDEO_TS.IFO")
        throw EBurnLibError(BURNLIB_ERROR_SOURCE,
                            "The folder \"" + dir + "\" is not a DVD-Video folder: it holds no VIDEO_TS.IFO.");
}

void TDvdVideoImage::Layout(const std::string& VolumeLabel, const TDiscTime& Time) {
    const TStamp stamp = MakeStamp(Time);
    IsoLabel = IsoLabelOf(VolumeLabel);
    const std::string udfLabel = VolumeLabel.empty() ? IsoLabel : VolumeLabel;

    // ---- Placement -------------------------------------------------------------
    const uint32_t P = 257;  // partition start
    uint32_t next = P;
    const uint32_t fsd = next;
    next += 2;  // file set descriptor + terminator
    // Directories: 0 root, 1 AUDIO_TS, 2 VIDEO_TS.
    size_t videoFidBytes = FidLength(0);
    for (auto& f : VideoFiles) videoFidBytes += FidLength(f.Name.size());
    const size_t rootFidBytes = FidLength(0) + 2 * FidLength(8);
    const size_t audioFidBytes = FidLength(0);
    auto sectorsFor = [](size_t bytes) { return uint32_t((bytes + SectorSize - 1) / SectorSize); };
    const uint32_t rootFe = next++, rootFids = next;
    next += sectorsFor(rootFidBytes);
    const uint32_t audioFe = next++, audioFids = next;
    next += sectorsFor(audioFidBytes);
    const uint32_t videoFe = next++, videoFids = next;
    next += sectorsFor(videoFidBytes);
    std::vector<uint32_t> fileFe(VideoFiles.size());
    for (auto& fe : fileFe) fe = next++;
    // ISO 9660: path tables, then root, AUDIO_TS, VIDEO_TS directories.
    const uint32_t pathL = next++, pathM = next++;
    const uint32_t isoRoot = next++, isoAudio = next++;
    auto isoRecordLength = [](size_t idLen) { return (33 + idLen + 1) & ~size_t(1); };
    // Records never cross a sector: count sectors the VIDEO_TS directory needs.
    uint32_t isoVideoSectors = 1;
    {
        std::vector<std::string> names;
        for (auto& f : VideoFiles) names.push_back(f.Name + ";1");
        size_t used = 2 * 34;
        for (auto& n : names) {
            size_t len = isoRecordLength(n.size());
            if (used + len > SectorSize) {
                ++isoVideoSectors;
                used = 0;
            }
            used += len;
        }
    }
    const uint32_t isoVideo = next;
    next += isoVideoSectors;
    DataStart = next;
    const std::vector<uint32_t> offsets = PlaceFiles(VideoFiles);
    for (size_t i = 0; i < VideoFiles.size(); ++i) {
        TImageFile& f = VideoFiles[i];
        f.Sector = f.Size ? DataStart + offsets[i] : 0;
        if (f.Size) next = std::max(next, f.Sector + sectorsFor(f.Size));
    }
    DataEnd = next;
    TotalSectors = DataEnd + 1;  // closing anchor
    const uint32_t partitionLength = DataEnd - P;

    Meta.assign(size_t(DataStart) * SectorSize, 0);
    auto S = [&](uint32_t sector) { return Meta.data() + size_t(sector) * SectorSize; };
    auto lb = [&](uint32_t sector) { return sector - P; };

    // ---- ISO 9660 ----------------------------------------------------------------
    auto isoDirRecord = [&](uint8_t* r, const std::string& id, uint32_t extent, uint32_t size, bool dir) {
        size_t idLen = id.size();
        size_t len = isoRecordLength(idLen);
        std::memset(r, 0, len);
        r[0] = uint8_t(len);
        Put32Both(r + 2, extent);
        Put32Both(r + 10, size);
        PutIsoShortDate(r + 18, stamp);
        r[25] = dir ? 2 : 0;
        Put16Both(r + 28, 1);
        r[32] = uint8_t(idLen);
        std::memcpy(r + 33, id.data(), idLen);
        return len;
    };
    const std::string dot(1, '\0'), dotdot(1, '\1');
    {
        uint8_t* r = S(isoRoot);
        size_t o = 0;
        o += isoDirRecord(r + o, dot, isoRoot, SectorSize, true);
        o += isoDirRecord(r + o, dotdot, isoRoot, SectorSize, true);
        o += isoDirRecord(r + o, "AUDIO_TS", isoAudio, SectorSize, true);
        isoDirRecord(r + o, "VIDEO_TS", isoVideo, isoVideoSectors * SectorSize, true);
        r = S(isoAudio);
        o = isoDirRecord(r, dot, isoAudio, SectorSize, true);
        isoDirRecord(r + o, dotdot, isoRoot, SectorSize, true);
        // ISO directories are sorted by name.
        std::vector<const TImageFile*> sorted;
        for (auto& f : VideoFiles) sorted.push_back(&f);
        std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->Name < b->Name; });
        uint32_t sec = isoVideo;
        r = S(sec);
        o = isoDirRecord(r, dot, isoVideo, isoVideoSectors * SectorSize, true);
        o += isoDirRecord(r + o, dotdot, isoRoot, SectorSize, true);
        for (auto* f : sorted) {
            std::string id = f->Name + ";1";
            if (o + isoRecordLength(id.size()) > SectorSize) {
                r = S(++sec);
                o = 0;
            }
            o += isoDirRecord(r + o, id, f->Sector, uint32_t(f->Size), false);
        }
    }
    // Path tables: root, AUDIO_TS, VIDEO_TS (both children of the root).
    uint32_t pathTableSize = 0;
    {
        struct Entry {
            std::string id;
            uint32_t extent;
        };
        std::vector<Entry> entries{{dot, isoRoot}, {"AUDIO_TS", isoAudio}, {"VIDEO_TS", isoVideo}};
        uint8_t* l = S(pathL);
        uint8_t* m = S(pathM);
        size_t o = 0;
        for (auto& e : entries) {
            size_t idLen = e.id.size();
            l[o] = m[o] = uint8_t(idLen);
            Put32(l + o + 2, e.extent);
            Put32BE(m + o + 2, e.extent);
            Put16(l + o + 6, 1);
            Put16BE(m + o + 6, 1);
            std::memcpy(l + o + 8, e.id.data(), idLen);
            std::memcpy(m + o + 8, e.id.data(), idLen);
            o += 8 + idLen + (idLen & 1);
        }
        pathTableSize = uint32_t(o);
    }
    {
        uint8_t* v = S(16);
        v[0] = 1;
        std::memcpy(v + 1, "CD001", 5);
        v[6] = 1;
        PutText(v + 8, 32, "", ' ');
        PutText(v + 40, 32, IsoLabel, ' ');
        Put32Both(v + 80, TotalSectors);
        Put16Both(v + 120, 1);
        Put16Both(v + 124, 1);
        Put16Both(v + 128, SectorSize);
        Put32Both(v + 132, pathTableSize);
        Put32(v + 140, pathL);
        Put32BE(v + 148, pathM);
        isoDirRecord(v + 156, dot, isoRoot, SectorSize, true);
        PutText(v + 190, 128, IsoLabel, ' ');
        PutText(v + 318, 128, "", ' ');
        PutText(v + 446, 128, "", ' ');
        PutText(v + 574, 128, "TESSARO", ' ');
        PutText(v + 702, 37 * 3, "", ' ');
        PutIsoLongDate(v + 813, stamp);
        PutIsoLongDate(v + 830, stamp);
        std::memset(v + 847, '0', 16);
        v[863] = 0;
        std::memset(v + 864, '0', 16);
        v[880] = 0;
        v[881] = 1;
        uint8_t* t = S(17);
        t[0] = 255;
        std::memcpy(t + 1, "CD001", 5);
        t[6] = 1;
    }
    // ---- UDF volume recognition -------------------------------------------------------
    const char* vrs[] = {"BEA01", "NSR02", "TEA01"};
    for (int i = 0; i < 3; ++i) {
        uint8_t* v = S(18 + i);
        v[0] = 0;
        std::memcpy(v + 1, vrs[i], 5);
        v[6] = 1;
    }
    // ---- UDF volume descriptor sequences ---------------------------------------------
    char setId[17];
    const unsigned stampBits =
        ((unsigned(stamp.Year) * 12 + unsigned(stamp.Month)) * 31 + unsigned(stamp.Day)) * 86400u +
        unsigned(stamp.Hour * 3600 + stamp.Minute * 60 + stamp.Second);
    std::snprintf(setId, sizeof setId, "%08X%08X", stampBits,
                  unsigned(Crc16(reinterpret_cast<const uint8_t*>(udfLabel.data()), udfLabel.size())) |
                      (unsigned(TotalSectors) << 16));
    auto writeVds = [&](uint32_t base) {
        uint8_t* d = S(base);  // primary volume descriptor
        Put32(d + 16, 0);
        Put32(d + 20, 0);
        PutDString(d + 24, 32, udfLabel);
        Put16(d + 56, 1);
        Put16(d + 58, 1);
        Put16(d + 60, 2);
        Put16(d + 62, 2);
        Put32(d + 64, 1);
        Put32(d + 68, 1);
        PutDString(d + 72, 128, std::string(setId) + " " + udfLabel);
        PutCharspec(d + 200);
        PutCharspec(d + 264);
        PutRegid(d + 344, "", RegidKind::Plain);
        PutUdfStamp(d + 376, stamp);
        PutRegid(d + 388, ImplementationName, RegidKind::Implementation);
        Put16(d + 488, 0);
        FinishTag(d, 1, base, 512);

        d = S(base + 1);  // implementation use volume descriptor
        Put32(d + 16, 1);
        PutRegid(d + 20, "*UDF LV Info", RegidKind::Udf);
        PutCharspec(d + 52);
        PutDString(d + 116, 128, udfLabel);
        PutRegid(d + 352, ImplementationName, RegidKind::Implementation);
        FinishTag(d, 4, base + 1, 512);

        d = S(base + 2);  // partition descriptor
        Put32(d + 16, 2);
        Put16(d + 20, 1);  // allocated
        Put16(d + 22, 0);
        PutRegid(d + 24, "+NSR02", RegidKind::Plain);
        Put32(d + 184, 1);  // read-only
        Put32(d + 188, P);
        Put32(d + 192, partitionLength);
        PutRegid(d + 196, ImplementationName, RegidKind::Implementation);
        FinishTag(d, 5, base + 2, 512);

        d = S(base + 3);  // logical volume descriptor
        Put32(d + 16, 3);
        PutCharspec(d + 20);
        PutDString(d + 84, 128, udfLabel);
        Put32(d + 212, SectorSize);
        PutRegid(d + 216, "*OSTA UDF Compliant", RegidKind::Domain);
        Put32(d + 248, 2 * SectorSize);  // long_ad of the file set descriptor
        Put32(d + 252, lb(fsd));
        Put16(d + 256, 0);
        Put32(d + 264, 6);
        Put32(d + 268, 1);
        PutRegid(d + 272, ImplementationName, RegidKind::Implementation);
        Put32(d + 432, 2 * SectorSize);  // integrity sequence
        Put32(d + 436, 64);
        d[440] = 1;
        d[441] = 6;
        Put16(d + 442, 1);
        Put16(d + 444, 0);
        FinishTag(d, 6, base + 3, 446);

        d = S(base + 4);  // unallocated space descriptor
        Put32(d + 16, 4);
        Put32(d + 20, 0);
        FinishTag(d, 7, base + 4, 24);

        FinishTag(S(base + 5), 8, base + 5, 512);  // terminator
    };
    writeVds(32);
    writeVds(48);

    // Unique ids: 0 for the root, 16 upwards for the rest (1-15 are reserved).
    uint64_t nextUnique = 16;
    {
        uint8_t* d = S(64);  // logical volume integrity descriptor
        PutUdfStamp(d + 16, stamp);
        Put32(d + 28, 1);  // closed
        Put64(d + 40, 16 + 2 + VideoFiles.size());
        Put32(d + 72, 1);
        Put32(d + 76, 46);
        Put32(d + 80, 0);
        Put32(d + 84, partitionLength);
        PutRegid(d + 88, ImplementationName, RegidKind::Implementation);
        Put32(d + 120, uint32_t(VideoFiles.size()));
        Put32(d + 124, 3);
        Put16(d + 128, 0x0102);
        Put16(d + 130, 0x0102);
        Put16(d + 132, 0x0102);
        FinishTag(d, 9, 64, 134);
        FinishTag(S(65), 8, 65, 512);
    }
    {
        uint8_t* d = S(256);  // anchor
        Put32(d + 16, 16 * SectorSize);
        Put32(d + 20, 32);
        Put32(d + 24, 16 * SectorSize);
        Put32(d + 28, 48);
        FinishTag(d, 2, 256, 512);
        Tail.assign(SectorSize, 0);
        std::memcpy(Tail.data(), d, 512);
        FinishTag(Tail.data(), 2, TotalSectors - 1, 512);
    }
    // ---- UDF file set ------------------------------------------------------------------
    {
        uint8_t* d = S(fsd);
        PutUdfStamp(d + 16, stamp);
        Put16(d + 28, 3);
        Put16(d + 30, 3);
        Put32(d + 32, 1);
        Put32(d + 36, 1);
        PutCharspec(d + 48);
        PutDString(d + 112, 128, udfLabel);
        PutCharspec(d + 240);
        PutDString(d + 304, 32, udfLabel);
        Put32(d + 400, SectorSize);  // root directory ICB
        Put32(d + 404, lb(rootFe));
        PutRegid(d + 416, "*OSTA UDF Compliant", RegidKind::Domain);
        FinishTag(d, 256, lb(fsd), 512);
        FinishTag(S(fsd + 1), 8, lb(fsd + 1), 512);
    }
    // File entry with its extents (short allocation descriptors).
    auto fileEntry = [&](uint32_t sector, bool dir, uint16_t links, uint64_t length, uint32_t dataSector,
                         uint64_t unique) {
        uint8_t* d = S(sector);
        Put16(d + 16 + 4, 4);  // strategy 4
        Put16(d + 16 + 8, 1);  // maximum entries
        d[16 + 11] = dir ? 4 : 5;
        Put16(d + 16 + 18, 0x0230);  // short_ad, non-relocatable, archive, contiguous
        Put32(d + 36, 0xFFFFFFFFu);
        Put32(d + 40, 0xFFFFFFFFu);
        Put32(d + 44, dir ? 0x14A5 : 0x1084);  // read (and search) for everyone
        Put16(d + 48, links);
        Put64(d + 56, length);
        Put64(d + 64, (length + SectorSize - 1) / SectorSize);
        PutUdfStamp(d + 72, stamp);
        PutUdfStamp(d + 84, stamp);
        PutUdfStamp(d + 96, stamp);
        Put32(d + 108, 1);
        PutRegid(d + 128, ImplementationName, RegidKind::Implementation);
        Put64(d + 160, unique);
        Put32(d + 168, 0);
        uint32_t ad = 0;
        uint64_t left = length;
        uint32_t at = lb(dataSector);
        while (left > 0) {
            uint32_t piece = uint32_t(std::min<uint64_t>(left, MaxExtent));
            Put32(d + 176 + ad, piece);
            Put32(d + 176 + ad + 4, at);
            at += piece / SectorSize;
            left -= piece;
            ad += 8;
        }
        Put32(d + 172, ad);
        FinishTag(d, 261, lb(sector), 176 + ad);
    };
    // File identifiers of a directory; entries (name, FE sector, is-dir).
    struct Fid {
        std::string name;
        uint32_t fe;
        bool dir;
    };
    auto writeFids = [&](uint32_t sector, uint32_t parentFe, const std::vector<Fid>& fids) {
        uint8_t* base = S(sector);
        size_t o = 0;
        auto one = [&](const std::string& name, uint32_t fe, uint8_t chars) {
            uint8_t* d = base + o;
            size_t len = FidLength(name.size());
            Put16(d + 16, 1);
            d[18] = chars;
            d[19] = uint8_t(name.empty() ? 0 : name.size() + 1);
            Put32(d + 20, SectorSize);
            Put32(d + 24, lb(fe));
            Put16(d + 36, 0);
            if (!name.empty()) {
                d[38] = 8;
                std::memcpy(d + 39, name.data(), name.size());
            }
            FinishTag(d, 257, lb(sector + uint32_t(o / SectorSize)), len);
            o += len;
        };
        one("", parentFe, 0x0A);
        for (auto& f : fids) one(f.name, f.fe, f.dir ? 0x02 : 0x00);
        return o;
    };
    fileEntry(rootFe, true, 3, writeFids(rootFids, rootFe, {{"AUDIO_TS", audioFe, true}, {"VIDEO_TS", videoFe, true}}),
              rootFids, 0);
    fileEntry(audioFe, true, 1, writeFids(audioFids, rootFe, {}), audioFids, nextUnique++);
    std::vector<Fid> videoList;
    for (size_t i = 0; i < VideoFiles.size(); ++i) videoList.push_back({VideoFiles[i].Name, fileFe[i], false});
    fileEntry(videoFe, true, 1, writeFids(videoFids, rootFe, videoList), videoFids, nextUnique++);
    for (size_t i = 0; i < VideoFiles.size(); ++i)
        fileEntry(fileFe[i], false, 1, VideoFiles[i].Size, VideoFiles[i].Sector ? VideoFiles[i].Sector : P,
                  nextUnique++);
}

// ---------------------------------------------------------------------------------
void TDvdVideoImage::CloseCurrent() {
    if (CurrentFd >= 0) close(CurrentFd);
    CurrentFd = -1;
}

void TDvdVideoImage::Rewind() {
    CloseCurrent();
    Pos = 0;
    CurrentFile = 0;
    Cancelled = false;
}

size_t TDvdVideoImage::Read(uint8_t* Buffer, size_t Size) {
    size_t done = 0;
    const int64_t metaEnd = int64_t(DataStart) * SectorSize;
    const int64_t dataEnd = int64_t(DataEnd) * SectorSize;
    const int64_t total = ByteSize();
    while (done < Size && Pos < total) {
        if (Cancelled) throw EBurnLibError(BURNLIB_ERROR_CANCELLED, "The burn was cancelled.");
        if (Pos < metaEnd) {
            size_t n = size_t(std::min<int64_t>(Size - done, metaEnd - Pos));
            std::memcpy(Buffer + done, Meta.data() + Pos, n);
            done += n;
            Pos += n;
        } else if (Pos < dataEnd) {
            done += ReadFileData(Buffer + done, Size - done);
        } else {
            size_t n = size_t(std::min<int64_t>(Size - done, total - Pos));
            std::memcpy(Buffer + done, Tail.data() + (Pos - dataEnd), n);
            done += n;
            Pos += n;
        }
    }
    return done;
}

// Data of the file under Pos, or the zero padding after it.
size_t TDvdVideoImage::ReadFileData(uint8_t* Buffer, size_t Size) {
    const uint32_t sector = uint32_t(Pos / SectorSize);
    while (CurrentFile < VideoFiles.size()) {
        const TImageFile& f = VideoFiles[CurrentFile];
        uint64_t span = (f.Size + SectorSize - 1) / SectorSize;
        if (f.Size && sector < f.Sector + span) break;
        CloseCurrent();
        ++CurrentFile;
    }
    if (CurrentFile >= VideoFiles.size())
        throw EBurnLibError(BURNLIB_ERROR_GENERAL, "The image layout is inconsistent.");
    const TImageFile& f = VideoFiles[CurrentFile];
    const int64_t start = int64_t(f.Sector) * SectorSize;
    if (Pos < start) {  // the gap an IFO asks for before this file
        size_t n = size_t(std::min<int64_t>(Size, start - Pos));
        std::memset(Buffer, 0, n);
        Pos += n;
        return n;
    }
    const int64_t inFile = Pos - start;
    const int64_t end = start + int64_t((f.Size + SectorSize - 1) / SectorSize) * SectorSize;
    if (uint64_t(inFile) >= f.Size) {  // padding to the sector end
        size_t n = size_t(std::min<int64_t>(Size, end - Pos));
        std::memset(Buffer, 0, n);
        Pos += n;
        return n;
    }
    if (CurrentFd < 0) {
        CurrentFd = open(f.Path.c_str(), O_RDONLY | O_CLOEXEC);
        if (CurrentFd < 0) {
            int e = errno;
            throw EBurnLibError(BURNLIB_ERROR_SOURCE, "The file \"" + f.Path + "\" cannot be read: " + std::strerror(e),
                                e);
        }
#ifdef POSIX_FADV_SEQUENTIAL
        posix_fadvise(CurrentFd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    }
    size_t want = size_t(std::min<uint64_t>(Size, f.Size - uint64_t(inFile)));
    ssize_t got;
    do got = pread(CurrentFd, Buffer, want, inFile);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        int e = errno;
        throw EBurnLibError(BURNLIB_ERROR_SOURCE, "Reading \"" + f.Path + "\" failed: " + std::strerror(e), e);
    }
    if (got == 0)
        throw EBurnLibError(BURNLIB_ERROR_SOURCE,
                            "The file \"" + f.Path + "\" became shorter while it was being written.");
    Pos += got;
    return size_t(got);
}

void TDvdVideoImage::WriteToFile(const std::string& FileName) {
    Rewind();
    int fd = open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        int e = errno;
        throw EBurnLibError(BURNLIB_ERROR_WRITE, "The image \"" + FileName + "\" cannot be made: " + std::strerror(e),
                            e);
    }
    std::vector<uint8_t> buf(1 << 20);
    rtl::TScopeExit RemovePartial([&] {
        close(fd);
        unlink(FileName.c_str());
    });
    for (;;) {
        size_t n = Read(buf.data(), buf.size());
        if (n == 0) break;
        size_t off = 0;
        while (off < n) {
            ssize_t w = write(fd, buf.data() + off, n - off);
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                int e = errno;
                throw EBurnLibError(BURNLIB_ERROR_WRITE,
                                    "Writing the image \"" + FileName + "\" failed: " + std::strerror(e), e);
            }
            off += size_t(w);
        }
    }
    RemovePartial.Dismiss();
    if (close(fd) != 0) {
        int e = errno;
        unlink(FileName.c_str());
        throw EBurnLibError(BURNLIB_ERROR_WRITE, "Writing the image \"" + FileName + "\" failed: " + std::strerror(e),
                            e);
    }
}

}  // namespace burnlib
