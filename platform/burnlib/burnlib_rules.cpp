#include "platform/burnlib/burnlib_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/burnlib/dvdvideo_image.h"
#include "platform/system/registry.h"
#include "platform/system/shell.h"

namespace burnlib {

DISC_TYPE DiscTypeOfProfile(int Profile) {
    switch (Profile) {
        case 0x00:
            return DISC_TYPE_NO_MEDIA;
        case 0x08:
            return DISC_TYPE_CDROM;
        case 0x09:
            return DISC_TYPE_CDR;
        case 0x0A:
            return DISC_TYPE_CDRW;
        case 0x10:
            return DISC_TYPE_DVDROM;
        case 0x11:
            return DISC_TYPE_DVDR;
        case 0x12:
            return DISC_TYPE_DVDRAM;
        case 0x13:
            return DISC_TYPE_DVDRWRO;
        case 0x14:
            return DISC_TYPE_DVDRWSR;
        case 0x15:
        case 0x16:
            return DISC_TYPE_DVDR_DL;
        case 0x1A:
            return DISC_TYPE_DVDPLUSRW;
        case 0x1B:
            return DISC_TYPE_DVDPLUSR;
        case 0x20:
            return DISC_TYPE_DDCDROM;
        case 0x21:
            return DISC_TYPE_DDCDR;
        case 0x22:
            return DISC_TYPE_DDCDRW;
        case 0x2B:
            return DISC_TYPE_DVDPLUSR_DL;
        case 0x41:
        case 0x42:
            return DISC_TYPE_BDR;
        case 0x43:
            return DISC_TYPE_BDRE;
        case 0x50:
            return DISC_TYPE_HDDVDROM;
        case 0x51:
            return DISC_TYPE_HDDVDR;
        case 0x52:
        case 0x53:
            return DISC_TYPE_HDDVDRW;
        default:
            return DISC_TYPE_UNKNOWN;
    }
}

uint32_t ChooseSpeed(const std::vector<uint32_t>& Speeds, uint32_t Wanted) {
    if (Speeds.empty()) return 0;
    uint32_t slowest = *std::min_element(Speeds.begin(), Speeds.end());
    uint32_t fastest = *std::max_element(Speeds.begin(), Speeds.end());
    if (Wanted == 0 || Wanted >= BURNLIB_SPEED_DEFAULT) return fastest;
    uint32_t best = 0;
    for (uint32_t s : Speeds)
        if (s <= Wanted) best = std::max(best, s);
    return best ? best : slowest;
}

const std::vector<uint32_t>& RecorderSpeeds() {
    static const std::vector<uint32_t> speeds{1385, 2770, 5540, 11080, 22160};
    return speeds;
}

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool IsDir(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A value of the recorder's registry key as text (REG_SZ, or a number); empty when absent.
std::string RegistryValue(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RecorderRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::string out;
    BYTE data[4096];
    DWORD type = 0, size = sizeof data - 1;
    if (RegQueryValueExA(key, name, /*lpReserved=*/nullptr, &type, data, &size) == ERROR_SUCCESS) {
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[std::min<DWORD>(size, sizeof data - 1)] = 0;
            out = reinterpret_cast<const char*>(data);
        } else if (type == REG_DWORD && size == 4) {
            out = std::to_string(uint32_t(data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24));
        } else if (type == REG_QWORD && size == 8) {
            uint64_t v = 0;
            for (int i = 7; i >= 0; --i) v = v << 8 | data[i];
            out = std::to_string(v);
        }
    }
    RegCloseKey(key);
    return out;
}

}  // namespace

TRecorderSettings RecorderSettings() {
    TRecorderSettings s;
    std::string folder = Env("TESSARO_RECORDER_DIR");
    if (folder.empty()) folder = RegistryValue("Folder");
    if (folder.empty()) {
        std::string home = Env("HOME");
        std::string videos = SpecialFolderPath(CSIDL_MYVIDEO);
        folder = IsDir(videos) ? videos : home.empty() ? std::string("/tmp") : home;
    }
    if (folder.back() != '/') folder += '/';
    s.Folder = folder;
    std::string cap = Env("TESSARO_RECORDER_CAPACITY");
    if (cap.empty()) cap = RegistryValue("Capacity");
    if (!cap.empty()) {
        char* end = nullptr;
        long long v = std::strtoll(cap.c_str(), &end, 10);
        if (end && *end == '\0' && v > 0) s.Capacity = v;
    }
    return s;
}

std::string ReserveImageFile(const std::string& Folder, const std::string& Label) {
    std::string name;
    // Also the characters other file systems refuse, as the folder may be on one.
    for (char c : Label)
        name += ((unsigned char)c < 32 || c == 127 || std::strchr("/\\:*?\"<>|", c)) ? '_' : c;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty() || name == "." || name == "..") name = "DVD";
    std::string dir = Folder;
    if (dir.empty() || dir.back() != '/') dir += '/';
    // Make the folder when it is missing (the Videos folder may not exist yet).
    for (size_t p = 1; p < dir.size(); ++p)
        if (dir[p] == '/') mkdir(dir.substr(0, p).c_str(), 0755);
    for (int n = 1; n < 10000; ++n) {
        std::string path = dir + name + (n == 1 ? "" : " (" + std::to_string(n) + ")") + ".iso";
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return path;
        }
        if (errno == EEXIST) continue;
        int e = errno;
        throw EBurnLibError(BURNLIB_ERROR_WRITE,
                            "The image file \"" + path + "\" cannot be made: " + std::strerror(e) + ".", e);
    }
    throw EBurnLibError(BURNLIB_ERROR_WRITE,
                        "The folder \"" + dir + "\" holds too many images named \"" + name + "\".");
}

}  // namespace burnlib
