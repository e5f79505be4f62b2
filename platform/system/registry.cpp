// The registry over one INI-syntax store file per user.
#include "platform/system/registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// ---- The store in memory -------------------------------------------------------
struct TValue {
    std::string Name;  // "" is the default value
    DWORD Type = REG_NONE;
    std::string Data;  // bytes; strings without their terminator
};
struct TSection {
    std::string Key;  // "HKEY_LOCAL_MACHINE\Software\..."
    std::vector<TValue> Values;
};
using TStore = std::vector<TSection>;

std::string Lower(const std::string& s) {
    std::string r = s;
    for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}
bool Same(const std::string& a, const std::string& b) { return a.size() == b.size() && Lower(a) == Lower(b); }

// Escapes what INI syntax would take for structure: control bytes, '\', '=' and
// blanks or comment marks at the ends.
std::string Escape(const std::string& s, bool isName) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        bool edge = (i == 0 && (b == ' ' || b == '\t' || (isName && std::strchr("@[;#", b)))) ||
                    (i + 1 == s.size() && (b == ' ' || b == '\t'));
        if (b < 0x20 || b == 0x7F || b == '\\' || (isName && b == '=') || edge) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += static_cast<char>(std::strtol(s.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string HexBytes(const std::string& d) {
    std::string out;
    for (size_t i = 0; i < d.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", static_cast<unsigned char>(d[i]));
        out += hex;
    }
    return out;
}

bool ParseHexBytes(const std::string& s, std::string& out) {
    out.clear();
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ',')) {
        if (item.empty()) continue;
        char* end = nullptr;
        long v = std::strtol(item.c_str(), &end, 16);
        if (!end || *end || v < 0 || v > 255) return false;
        out += static_cast<char>(v);
    }
    return true;
}

std::string FormatValue(const TValue& v) {
    std::string name = v.Name.empty() ? "@" : Escape(v.Name, /*isName=*/true);
    switch (v.Type) {
        case REG_SZ: return name + "=sz:" + Escape(v.Data, /*isName=*/false);
        case REG_EXPAND_SZ: return name + "=expand_sz:" + Escape(v.Data, /*isName=*/false);
        case REG_DWORD: {
            uint32_t d = 0;
            std::memcpy(&d, v.Data.data(), std::min<size_t>(4, v.Data.size()));
            char buf[16];
            std::snprintf(buf, sizeof buf, "%08x", d);
            return name + "=dword:" + buf;
        }
        case REG_BINARY: return name + "=hex:" + HexBytes(v.Data);
        default: return name + "=hex(" + std::to_string(v.Type) + "):" + HexBytes(v.Data);
    }
}

bool ParseValue(const std::string& line, TValue& v) {
    // The name ends at the first '=' (names escape theirs).
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::string name = line.substr(0, eq);
    v.Name = name == "@" ? std::string() : Unescape(name);
    std::string rest = line.substr(eq + 1);
    size_t colon = rest.find(':');
    if (colon == std::string::npos) return false;
    std::string type = rest.substr(0, colon), data = rest.substr(colon + 1);
    if (type == "sz") {
        v.Type = REG_SZ;
        v.Data = Unescape(data);
    } else if (type == "expand_sz") {
        v.Type = REG_EXPAND_SZ;
        v.Data = Unescape(data);
    } else if (type == "dword") {
        char* end = nullptr;
        unsigned long d = std::strtoul(data.c_str(), &end, 16);
        if (data.empty() || !end || *end) return false;
        uint32_t d32 = static_cast<uint32_t>(d);
        v.Type = REG_DWORD;
        v.Data.assign(reinterpret_cast<const char*>(&d32), 4);
    } else if (type == "hex") {
        v.Type = REG_BINARY;
        if (!ParseHexBytes(data, v.Data)) return false;
    } else if (type.size() > 5 && type.compare(0, 4, "hex(") == 0 && type.back() == ')') {
        v.Type = static_cast<DWORD>(std::strtoul(type.substr(4).c_str(), nullptr, 10));
        if (!ParseHexBytes(data, v.Data)) return false;
    } else {
        return false;
    }
    return true;
}

TStore ParseStore(const std::string& text) {
    TStore store;
    std::stringstream ss(text);
    std::string line;
    TSection* cur = nullptr;
    while (std::getline(ss, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close == std::string::npos || close < 2) {
                cur = nullptr;  // a broken header: its lines are dropped
                continue;
            }
            store.push_back({line.substr(1, close - 1), {}});
            cur = &store.back();
            continue;
        }
        TValue v;
        if (cur && ParseValue(line, v)) cur->Values.push_back(std::move(v));
    }
    return store;
}

std::string FormatStore(const TStore& store) {
    std::string out = "; Tessaro registry store. Written by the program; edit only while it does not run.\n";
    for (const auto& s : store) {
        out += "\n[" + s.Key + "]\n";
        for (const auto& v : s.Values) out += FormatValue(v) + "\n";
    }
    return out;
}

std::string HomeFolder() {
    const char* h = std::getenv("HOME");
    if (h && *h) return h;
    if (passwd* pw = ::getpwuid(::getuid())) return pw->pw_dir ? pw->pw_dir : "/";
    return "/";
}

std::string ReadWhole(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in) || errno == ENOENT;
    if (!in) return {};
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TStore LoadStore() {
    bool ok;
    return ParseStore(ReadWhole(RegistryStoreFile(), ok));
}

bool MakeFolders(const std::string& dir) {
    size_t pos = 0;
    for (;;) {
        pos = dir.find('/', pos + 1);
        std::string part = dir.substr(0, pos);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) < 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) return true;
    }
}

// Lock, read again, change, write a temporary file and rename it over the store.
// Change answers a result; the store is written only when it says ERROR_SUCCESS
// and set Changed.
template <typename F>
LONG ModifyStore(F&& change) {
    std::string file = RegistryStoreFile();
    std::string dir = file.substr(0, file.rfind('/'));
    if (!MakeFolders(dir)) return ERROR_CANTWRITE;
    int lock = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return ERROR_CANTWRITE;
    while (::flock(lock, LOCK_EX) < 0 && errno == EINTR) {
    }
    bool ok;
    std::string text = ReadWhole(file, ok);
    LONG rc = ERROR_CANTREAD;
    if (ok) {
        TStore store = ParseStore(text);
        bool changed = false;
        rc = change(store, changed);
        if (rc == ERROR_SUCCESS && changed) {
            std::string tmp = file + ".tmp." + std::to_string(::getpid()) + "." +
                              std::to_string(static_cast<long>(::syscall(SYS_gettid)));
            std::string out = FormatStore(store);
            int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            bool written = fd >= 0;
            size_t done = 0;
            while (written && done < out.size()) {
                ssize_t n = ::write(fd, out.data() + done, out.size() - done);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) written = false;
                else done += static_cast<size_t>(n);
            }
            if (fd >= 0) {
                if (written && ::fsync(fd) < 0) written = false;
                ::close(fd);
            }
            if (!written || ::rename(tmp.c_str(), file.c_str()) < 0) {
                ::unlink(tmp.c_str());
                rc = ERROR_CANTWRITE;
            }
        }
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    return rc;
}

// ---- Key handles -----------------------------------------------------------------
struct TKey {
    std::string Path;
    REGSAM Access = 0;
};
std::mutex gKeysLock;
std::unordered_map<uintptr_t, TKey> gKeys;
uintptr_t gNextKey = 0x100000;

const char* RootName(HKEY h) {
    switch (reinterpret_cast<uintptr_t>(h)) {
        case 0x80000000u: return "HKEY_CLASSES_ROOT";
        case 0x80000001u: return "HKEY_CURRENT_USER";
        case 0x80000002u: return "HKEY_LOCAL_MACHINE";
        case 0x80000003u: return "HKEY_USERS";
        default: return nullptr;
    }
}

bool KeyOf(HKEY h, TKey& out) {
    if (const char* root = RootName(h)) {
        out.Path = root;
        out.Access = KEY_ALL_ACCESS;
        return true;
    }
    std::lock_guard<std::mutex> g(gKeysLock);
    auto it = gKeys.find(reinterpret_cast<uintptr_t>(h));
    if (it == gKeys.end()) return false;
    out = it->second;
    return true;
}

// base + "\" + sub, with '/' taken as '\' and empty parts dropped; false for a bad name.
bool JoinPath(const std::string& base, LPCSTR sub, std::string& out) {
    out = base;
    if (!sub) return true;
    std::string part;
    auto flush = [&]() {
        if (!part.empty()) out += "\\" + part;
        part.clear();
    };
    for (const char* p = sub; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\\' || c == '/') {
            flush();
        } else if (c < 0x20 || c == ']') {
            return false;
        } else {
            part += static_cast<char>(c);
        }
    }
    flush();
    return true;
}

bool IsRootPath(const std::string& path) { return path.find('\\') == std::string::npos; }

TSection* FindSection(TStore& store, const std::string& path) {
    for (auto& s : store)
        if (Same(s.Key, path)) return &s;
    return nullptr;
}

bool HasSubkeys(const TStore& store, const std::string& path) {
    std::string prefix = Lower(path) + "\\";
    for (const auto& s : store)
        if (Lower(s.Key).compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

bool KeyExists(TStore& store, const std::string& path) {
    return IsRootPath(path) || FindSection(store, path) || HasSubkeys(store, path);
}

TValue* FindValue(TSection* s, LPCSTR name) {
    if (!s) return nullptr;
    std::string n = name ? name : "";
    for (auto& v : s->Values)
        if (Same(v.Name, n)) return &v;
    return nullptr;
}

HKEY NewKey(const std::string& path, REGSAM access) {
    std::lock_guard<std::mutex> g(gKeysLock);
    uintptr_t v = gNextKey;
    gNextKey += 4;
    gKeys[v] = TKey{path, access};
    return reinterpret_cast<HKEY>(v);
}

bool IsStringType(DWORD t) { return t == REG_SZ || t == REG_EXPAND_SZ; }

LONG CopyData(const TValue& v, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    if (lpType) *lpType = v.Type;
    std::string bytes = v.Data;
    if (IsStringType(v.Type)) bytes += '\0';
    if (!lpcbData) return lpData ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD need = static_cast<DWORD>(bytes.size());
    if (!lpData) {
        *lpcbData = need;
        return ERROR_SUCCESS;
    }
    if (*lpcbData < need) {
        *lpcbData = need;
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpData, bytes.data(), need);
    *lpcbData = need;
    return ERROR_SUCCESS;
}

}  // namespace

std::string RegistryStoreFile() {
    const char* x = std::getenv("XDG_CONFIG_HOME");
    std::string base = (x && x[0] == '/') ? std::string(x) : HomeFolder() + "/.config";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/tessaro/registry.ini";
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, HKEY* phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    TKey base;
    if (!KeyOf(hKey, base)) return ERROR_INVALID_HANDLE;
    std::string path;
    if (!JoinPath(base.Path, lpSubKey, path)) return ERROR_INVALID_PARAMETER;
    TStore store = LoadStore();
    if (!KeyExists(store, path)) return ERROR_FILE_NOT_FOUND;
    *phkResult = NewKey(path, samDesired);
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired, LPSECURITY_ATTRIBUTES,
                        HKEY* phkResult, DWORD* lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    TKey base;
    if (!KeyOf(hKey, base)) return ERROR_INVALID_HANDLE;
    std::string path;
    if (!JoinPath(base.Path, lpSubKey, path)) return ERROR_INVALID_PARAMETER;
    bool created = false;
    TStore snapshot = LoadStore();
    if (!KeyExists(snapshot, path)) {
        LONG rc = ModifyStore([&](TStore& store, bool& changed) -> LONG {
            if (KeyExists(store, path)) return ERROR_SUCCESS;  // another writer made it meanwhile
            store.push_back({path, {}});
            changed = created = true;
            return ERROR_SUCCESS;
        });
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = NewKey(path, samDesired);
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD*, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    TKey key;
    if (!KeyOf(hKey, key)) return ERROR_INVALID_HANDLE;
    TStore store = LoadStore();
    TValue* v = FindValue(FindSection(store, key.Path), lpValueName);
    if (!v) return ERROR_FILE_NOT_FOUND;
    return CopyData(*v, lpType, lpData, lpcbData);
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    TKey key;
    if (!KeyOf(hKey, key)) return ERROR_INVALID_HANDLE;
    if (!(key.Access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
    TValue nv;
    nv.Name = lpValueName ? lpValueName : "";
    nv.Type = dwType;
    nv.Data.assign(reinterpret_cast<const char*>(lpData ? lpData : reinterpret_cast<const BYTE*>("")), cbData);
    if (IsStringType(dwType)) {
        size_t nul = nv.Data.find('\0');
        if (nul != std::string::npos) nv.Data.resize(nul);
    } else if (dwType == REG_DWORD && cbData != 4) {
        return ERROR_INVALID_PARAMETER;
    } else if (dwType == REG_QWORD && cbData != 8) {
        return ERROR_INVALID_PARAMETER;
    }
    return ModifyStore([&](TStore& store, bool& changed) -> LONG {
        TSection* s = FindSection(store, key.Path);
        if (!s) {
            store.push_back({key.Path, {}});
            s = &store.back();
        }
        if (TValue* v = FindValue(s, nv.Name.c_str())) {
            v->Type = nv.Type;
            v->Data = nv.Data;
        } else {
            s->Values.push_back(nv);
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    TKey key;
    if (!KeyOf(hKey, key)) return ERROR_INVALID_HANDLE;
    if (!(key.Access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    std::string name = lpValueName ? lpValueName : "";
    return ModifyStore([&](TStore& store, bool& changed) -> LONG {
        TSection* s = FindSection(store, key.Path);
        if (!s) return ERROR_FILE_NOT_FOUND;
        for (auto it = s->Values.begin(); it != s->Values.end(); ++it)
            if (Same(it->Name, name)) {
                s->Values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        return ERROR_FILE_NOT_FOUND;
    });
}

LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    TKey base;
    if (!KeyOf(hKey, base)) return ERROR_INVALID_HANDLE;
    if (!lpSubKey || !*lpSubKey) return ERROR_INVALID_PARAMETER;
    std::string path;
    if (!JoinPath(base.Path, lpSubKey, path) || IsRootPath(path)) return ERROR_INVALID_PARAMETER;
    return ModifyStore([&](TStore& store, bool& changed) -> LONG {
        if (HasSubkeys(store, path)) return ERROR_ACCESS_DENIED;
        for (auto it = store.begin(); it != store.end(); ++it)
            if (Same(it->Key, path)) {
                store.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        return ERROR_FILE_NOT_FOUND;
    });
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD*, LPSTR, DWORD*, void*) {
    TKey key;
    if (!KeyOf(hKey, key)) return ERROR_INVALID_HANDLE;
    if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    TStore store = LoadStore();
    std::string prefix = Lower(key.Path) + "\\";
    std::vector<std::string> names;
    for (const auto& s : store) {
        if (Lower(s.Key).compare(0, prefix.size(), prefix) != 0) continue;
        std::string child = s.Key.substr(prefix.size());
        child = child.substr(0, child.find('\\'));
        bool seen = false;
        for (const auto& n : names) seen = seen || Same(n, child);
        if (!seen && !child.empty()) names.push_back(child);
    }
    if (dwIndex >= names.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& n = names[dwIndex];
    if (n.size() + 1 > *lpcchName) return ERROR_MORE_DATA;
    std::memcpy(lpName, n.c_str(), n.size() + 1);
    *lpcchName = static_cast<DWORD>(n.size());
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName, DWORD*, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData) {
    TKey key;
    if (!KeyOf(hKey, key)) return ERROR_INVALID_HANDLE;
    if (!lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
    TStore store = LoadStore();
    TSection* s = FindSection(store, key.Path);
    if (!s || dwIndex >= s->Values.size()) return ERROR_NO_MORE_ITEMS;
    const TValue& v = s->Values[dwIndex];
    if (v.Name.size() + 1 > *lpcchValueName) return ERROR_MORE_DATA;
    std::memcpy(lpValueName, v.Name.c_str(), v.Name.size() + 1);
    *lpcchValueName = static_cast<DWORD>(v.Name.size());
    return CopyData(v, lpType, lpData, lpcbData);
}

LSTATUS RegFlushKey(HKEY hKey) {
    TKey key;
    return KeyOf(hKey, key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegCloseKey(HKEY hKey) {
    if (RootName(hKey)) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> g(gKeysLock);
    return gKeys.erase(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
