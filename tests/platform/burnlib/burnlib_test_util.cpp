#include "burnlib_test_util.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace burntest {

std::string Quote(const std::string& S) {
    std::string out = "'";
    for (char c : S) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string RunTool(const std::string& Command, int& ExitCode, int Seconds) {
    std::string cmd = "timeout -k 5 " + std::to_string(Seconds) + " sh -c " + Quote(Command) + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        ExitCode = -1;
        return {};
    }
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int st = pclose(p);
    ExitCode = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

bool HaveTool(const std::string& Name) {
    int rc;
    RunTool("command -v " + Quote(Name), rc, 10);
    return rc == 0;
}

void WriteFile(const std::string& Path, const std::vector<uint8_t>& Data) {
    std::ofstream f(Path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(Data.data()), std::streamsize(Data.size()));
    if (!f) throw std::runtime_error("cannot write " + Path);
}

std::vector<uint8_t> ReadFile(const std::string& Path) {
    std::ifstream f(Path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> Pattern(size_t Size, uint32_t Seed) {
    std::vector<uint8_t> v(Size);
    uint32_t x = Seed * 2654435761u + 1;
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    return v;
}

bool Exists(const std::string& Path) {
    struct stat st {};
    return stat(Path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& Dir) {
    std::vector<std::string> out;
    if (DIR* d = opendir(Dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") out.push_back(n);
        }
        closedir(d);
    }
    return out;
}

std::map<std::string, uint32_t> IsoExtents(const std::string& Listing) {
    std::map<std::string, uint32_t> out;
    size_t pos = 0;
    while (pos < Listing.size()) {
        size_t end = Listing.find('\n', pos);
        if (end == std::string::npos) end = Listing.size();
        std::string line = Listing.substr(pos, end - pos);
        pos = end + 1;
        size_t open = line.find('['), close = line.find(']');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        unsigned extent = 0;
        if (std::sscanf(line.c_str() + open + 1, "%u", &extent) != 1) continue;
        std::string name = line.substr(close + 1);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (size_t semi = name.find(';'); semi != std::string::npos) name.erase(semi);
        if (!name.empty() && name != "." && name != "..") out[name] = extent;
    }
    return out;
}

int64_t NumberAfter(const std::string& Text, const std::string& Key) {
    size_t at = Text.find(Key);
    if (at == std::string::npos) return -1;
    long long v = -1;
    return std::sscanf(Text.c_str() + at + Key.size(), "%lld", &v) == 1 ? v : -1;
}

namespace {
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); }
}  // namespace

std::map<std::string, std::vector<uint8_t>> ReadUdfFolder(const std::string& Image, const std::string& Folder) {
    const std::vector<uint8_t> img = ReadFile(Image);
    auto sector = [&](uint64_t n) -> const uint8_t* {
        if ((n + 1) * 2048 > img.size()) throw std::runtime_error("sector beyond the image: " + std::to_string(n));
        return img.data() + n * 2048;
    };
    const uint8_t* avdp = sector(256);
    if (U16(avdp) != 2) throw std::runtime_error("no anchor at 256");
    uint32_t vds = U32(avdp + 20), partStart = 0, fsdLb = 0;
    bool havePd = false, haveLvd = false;
    for (uint32_t s = vds; s < vds + 16; ++s) {
        const uint8_t* d = sector(s);
        if (U16(d) == 5) partStart = U32(d + 188), havePd = true;
        if (U16(d) == 6) {
            if (U32(d + 212) != 2048) throw std::runtime_error("logical block size");
            fsdLb = U32(d + 252), haveLvd = true;
        }
        if (U16(d) == 8) break;
    }
    if (!havePd || !haveLvd) throw std::runtime_error("partition or logical volume descriptor missing");
    const uint8_t* fsd = sector(partStart + fsdLb);
    if (U16(fsd) != 256) throw std::runtime_error("no file set descriptor");
    // File entry -> (type, data bytes).
    auto readEntry = [&](uint32_t lb, uint8_t& type) {
        const uint8_t* fe = sector(partStart + lb);
        if (U16(fe) != 261) throw std::runtime_error("no file entry at block " + std::to_string(lb));
        type = fe[16 + 11];
        if ((U16(fe + 16 + 18) & 7) != 0) throw std::runtime_error("not short allocation descriptors");
        uint64_t length = U32(fe + 56) | uint64_t(U32(fe + 60)) << 32;
        uint32_t lea = U32(fe + 168), lad = U32(fe + 172);
        std::vector<uint8_t> data;
        for (uint32_t o = 0; o < lad; o += 8) {
            uint32_t len = U32(fe + 176 + lea + o) & 0x3FFFFFFF, at = U32(fe + 176 + lea + o + 4);
            const uint8_t* p = sector(partStart + at);
            if (len) sector(partStart + at + (len - 1) / 2048);
            data.insert(data.end(), p, p + len);
        }
        if (data.size() != length) throw std::runtime_error("extents do not match the file length");
        return data;
    };
    auto list = [&](const std::vector<uint8_t>& dir) {
        std::map<std::string, uint32_t> out;
        for (size_t p = 0; p + 38 <= dir.size();) {
            const uint8_t* d = dir.data() + p;
            if (U16(d) != 257) throw std::runtime_error("bad file identifier");
            uint8_t lfi = d[19];
            uint16_t liu = U16(d + 36);
            if (lfi) {
                if (d[38 + liu] != 8) throw std::runtime_error("name not 8-bit");
                out[std::string(reinterpret_cast<const char*>(d + 39 + liu), lfi - 1)] = U32(d + 24);
            }
            p += (38 + lfi + liu + 3) / 4 * 4;
        }
        return out;
    };
    uint8_t type;
    auto root = readEntry(U32(fsd + 404), type);
    if (type != 4) throw std::runtime_error("root is not a directory");
    auto top = list(root);
    if (!top.count(Folder)) throw std::runtime_error(Folder + " missing in the root");
    auto folder = readEntry(top[Folder], type);
    if (type != 4) throw std::runtime_error(Folder + " is not a directory");
    std::map<std::string, std::vector<uint8_t>> files;
    for (auto& [name, lb] : list(folder)) {
        files[name] = readEntry(lb, type);
        if (type != 5) throw std::runtime_error(name + " is not a file");
    }
    return files;
}

}  // namespace burntest
