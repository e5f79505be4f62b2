// Shell services over XDG folders, xdg-open and the file system.
#include "platform/system/shell.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <fstream>
#include <ftw.h>
#include <pwd.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/system/module.h"
#include "platform/system/process.h"
#include "platform/system/unicode_conv.h"

extern char** environ;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string Home() {
    std::string h = Env("HOME");
    if (!h.empty()) return h;
    if (passwd* pw = ::getpwuid(::getuid())) return pw->pw_dir ? pw->pw_dir : "/";
    return "/";
}

std::string NoTrailingSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

// An XDG base folder: the variable when it holds an absolute path, else the default.
std::string XdgBase(const char* var, const char* homeRelative) {
    std::string v = Env(var);
    if (!v.empty() && v[0] == '/') return NoTrailingSlash(v);
    return NoTrailingSlash(Home()) + "/" + homeRelative;
}

// A user folder (XDG_VIDEOS_DIR ...): the environment, then user-dirs.dirs, then the default.
std::string XdgUserDir(const std::string& key, const char* homeRelative) {
    std::string v = Env(key.c_str());
    if (!v.empty() && v[0] == '/') return NoTrailingSlash(v);
    std::ifstream in(XdgBase("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos || line[b] == '#') continue;
        if (line.compare(b, key.size() + 1, key + "=") != 0) continue;
        std::string val = line.substr(b + key.size() + 1);
        while (!val.empty() && (val.back() == '\r' || val.back() == ' ' || val.back() == '\t')) val.pop_back();
        if (val.size() >= 2 && val.front() == '"' && val.back() == '"') val = val.substr(1, val.size() - 2);
        std::string out;
        for (size_t i = 0; i < val.size(); ++i) {
            if (val[i] == '\\' && i + 1 < val.size()) {
                out += val[++i];
            } else {
                out += val[i];
            }
        }
        if (out.compare(0, 5, "$HOME") == 0 && (out.size() == 5 || out[5] == '/'))
            out = NoTrailingSlash(Home()) + out.substr(5);
        if (!out.empty() && out[0] == '/') found = NoTrailingSlash(out);
    }
    if (!found.empty()) return found;
    return NoTrailingSlash(Home()) + "/" + homeRelative;
}

std::string ProgramFolder() {
    std::string p = GetModuleFileNameStr(nullptr);
    size_t s = p.rfind('/');
    return s == std::string::npos ? std::string("/") : (s == 0 ? std::string("/") : p.substr(0, s));
}

bool IsDir(const std::string& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    if (IsDir(path)) return true;
    size_t pos = 0;
    for (;;) {
        pos = path.find('/', pos + 1);
        std::string part = path.substr(0, pos);
        if (!part.empty() && ::mkdir(part.c_str(), 0755) < 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) break;
    }
    return IsDir(path);
}

bool CopyOut(const std::string& s, LPSTR buf, size_t size) {
    if (!buf || s.size() + 1 > size) return false;
    std::memcpy(buf, s.c_str(), s.size() + 1);
    return true;
}

// Starts a program detached; someone collects its end so no zombie stays.
int SpawnDetached(const std::string& program, const std::vector<std::string>& args, const std::string& dir) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t at;
    posix_spawnattr_init(&at);
    posix_spawnattr_setflags(&at, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&at, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&at, &none);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, program.c_str(), &fa, &at, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&at);
    if (rc == 0)
        std::thread([pid] {
            int st;
            while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    return rc;
}

bool LooksLikeUrl(const std::string& s) {
    size_t colon = s.find(':');
    if (colon == std::string::npos || colon < 2 || s[0] == '/') return false;
    for (size_t i = 0; i < colon; ++i) {
        char c = s[i];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.')) return false;
    }
    return std::isalpha(static_cast<unsigned char>(s[0])) != 0;
}

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
    int rc = type == FTW_DP ? ::rmdir(path) : ::unlink(path);
    return rc == 0 ? 0 : errno;  // the first failure ends the walk with its reason
}

DWORD DeleteTree(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return Win32ErrorFromErrno(errno);
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 ? 0 : Win32ErrorFromErrno(errno);
    int rc = ::nftw(path.c_str(), RemoveEntry, 32, FTW_DEPTH | FTW_PHYS);
    if (rc == 0) return 0;
    return Win32ErrorFromErrno(rc > 0 ? rc : errno);
}

std::string DecodeOctal(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1]))) {
            out += static_cast<char>(std::strtol(s.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string DecodeUdev(const std::string& s) {
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

}  // namespace

// ---- Special folders ---------------------------------------------------------------

std::string SpecialFolderPath(int Csidl) {
    switch (Csidl & ~CSIDL_FLAG_MASK) {
        case CSIDL_APPDATA:
        case CSIDL_LOCAL_APPDATA:
        case CSIDL_COMMON_APPDATA: return XdgBase("XDG_DATA_HOME", ".local/share");
        case CSIDL_PERSONAL:
        case CSIDL_COMMON_DOCUMENTS: return XdgUserDir("XDG_DOCUMENTS_DIR", "Documents");
        case CSIDL_DESKTOP:
        case CSIDL_DESKTOPDIRECTORY: return XdgUserDir("XDG_DESKTOP_DIR", "Desktop");
        case CSIDL_MYVIDEO: return XdgUserDir("XDG_VIDEOS_DIR", "Videos");
        case CSIDL_MYMUSIC: return XdgUserDir("XDG_MUSIC_DIR", "Music");
        case CSIDL_MYPICTURES: return XdgUserDir("XDG_PICTURES_DIR", "Pictures");
        case CSIDL_TEMPLATES: return XdgUserDir("XDG_TEMPLATES_DIR", "Templates");
        case CSIDL_PROFILE: return NoTrailingSlash(Home());
        case CSIDL_INTERNET_CACHE: return XdgBase("XDG_CACHE_HOME", ".cache");
        case CSIDL_FONTS: return XdgBase("XDG_DATA_HOME", ".local/share") + "/fonts";
        case CSIDL_WINDOWS:
        case CSIDL_SYSTEM:
        case CSIDL_PROGRAM_FILES: return ProgramFolder();
        default: return {};
    }
}

BOOL SHGetSpecialFolderPathA(HWND, LPSTR pszPath, int csidl, BOOL fCreate) {
    std::string p = SpecialFolderPath(csidl);
    if (p.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (p.size() + 1 > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    if ((fCreate || (csidl & CSIDL_FLAG_CREATE)) && !MakeFolders(p)) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    if (!CopyOut(p, pszPath, MAX_PATH)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

HRESULT SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR pszPath) {
    std::string p = SpecialFolderPath(csidl);
    if (p.empty() || !pszPath) return E_INVALIDARG;
    if (p.size() + 1 > MAX_PATH) return E_FAIL;
    if (csidl & CSIDL_FLAG_CREATE) {
        if (!MakeFolders(p)) return E_FAIL;
    }
    CopyOut(p, pszPath, MAX_PATH);
    return IsDir(p) ? S_OK : S_FALSE;
}

// ---- Temporary folder and files ------------------------------------------------

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string t = Env("TMPDIR");
    if (t.empty()) t = "/tmp";
    if (t.back() != '/') t += '/';
    if (!lpBuffer || t.size() + 1 > nBufferLength) return static_cast<DWORD>(t.size() + 1);
    std::memcpy(lpBuffer, t.c_str(), t.size() + 1);
    return static_cast<DWORD>(t.size());
}

UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName) {
    if (!lpPathName || !lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string dir = lpPathName;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::string prefix = lpPrefixString ? std::string(lpPrefixString).substr(0, 3) : std::string();
    auto nameFor = [&](unsigned n) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", n & 0xFFFFu);
        return dir + prefix + hex + ".tmp";
    };
    if (uUnique != 0) {
        std::string name = nameFor(uUnique);
        if (!CopyOut(name, lpTempFileName, MAX_PATH)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        return uUnique & 0xFFFFu;
    }
    std::random_device rd;
    unsigned start = (rd() % 0xFFFFu) + 1;
    for (unsigned k = 0; k < 0xFFFFu; ++k) {
        unsigned n = ((start + k - 1) % 0xFFFFu) + 1;
        std::string name = nameFor(n);
        if (name.size() + 1 > MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            CopyOut(name, lpTempFileName, MAX_PATH);
            return n;
        }
        if (errno != EEXIST) {
            SetLastError(Win32ErrorFromErrno(errno));
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

static UINT ProgramFolderInto(LPSTR lpBuffer, UINT uSize) {
    std::string p = ProgramFolder();
    if (!lpBuffer || p.size() + 1 > uSize) return static_cast<UINT>(p.size() + 1);
    std::memcpy(lpBuffer, p.c_str(), p.size() + 1);
    return static_cast<UINT>(p.size());
}

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) { return ProgramFolderInto(lpBuffer, uSize); }
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) { return ProgramFolderInto(lpBuffer, uSize); }

// ---- Version -----------------------------------------------------------------

BOOL GetVersionExA(OSVERSIONINFOA* v) {
    if (!v || (v->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
               v->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    v->dwMajorVersion = 6;
    v->dwMinorVersion = 1;
    v->dwBuildNumber = 7601;
    v->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(v->szCSDVersion, 0, sizeof v->szCSDVersion);
    if (v->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA)) {
        auto* ex = reinterpret_cast<OSVERSIONINFOEXA*>(v);
        ex->wServicePackMajor = 0;
        ex->wServicePackMinor = 0;
        ex->wSuiteMask = 0;
        ex->wProductType = 1;  // a workstation
        ex->wReserved = 0;
    }
    return TRUE;
}

DWORD GetVersion() { return 6u | (1u << 8) | (7601u << 16); }

// ---- Opening documents, folders and links --------------------------------------

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory, INT) {
    auto result = [](int v) { return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(v)); };
    std::string op = lpOperation ? lpOperation : "";
    for (auto& c : op) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!op.empty() && op != "open" && op != "explore" && op != "edit") {
        SetLastError(ERROR_NO_ASSOCIATION);
        return result(SE_ERR_NOASSOC);
    }
    std::string file = lpFile ? lpFile : "";
    std::string dir = lpDirectory ? lpDirectory : "";
    if (file.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return result(SE_ERR_FNF);
    }
    bool url = LooksLikeUrl(file);
    if (!url) {
        if (file[0] != '/' && !dir.empty()) file = NoTrailingSlash(dir) + "/" + file;
        if (file[0] != '/') {
            char cwd[PATH_MAX];
            if (::getcwd(cwd, sizeof cwd)) file = std::string(cwd) + "/" + file;
        }
        struct stat st{};
        if (::stat(file.c_str(), &st) != 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return result(SE_ERR_FNF);
        }
        // A program is started with its parameters, split as a command line.
        if (S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0 && op != "edit") {
            std::vector<std::string> args = CommandLineToArgs("x " + std::string(lpParameters ? lpParameters : ""));
            args[0] = file;
            int rc = SpawnDetached(file, args, dir);
            if (rc != 0) {
                SetLastError(Win32ErrorFromErrno(rc));
                return result(rc == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_FNF);
            }
            return result(42);
        }
    }
    std::string opener = FindProgramOnPath("xdg-open");
    if (opener.empty()) {
        SetLastError(ERROR_NO_ASSOCIATION);
        return result(SE_ERR_NOASSOC);
    }
    int rc = SpawnDetached(opener, {opener, file}, dir);
    if (rc != 0) {
        SetLastError(Win32ErrorFromErrno(rc));
        return result(SE_ERR_NOASSOC);
    }
    SetLastError(ERROR_SUCCESS);
    return result(42);
}

// ---- File operations ---------------------------------------------------------

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
    if (!op || !op->pFrom) return ERROR_INVALID_PARAMETER;
    op->fAnyOperationsAborted = FALSE;
    if (op->wFunc != FO_DELETE) return ERROR_NOT_SUPPORTED;
    DWORD first = 0;
    for (const char* p = op->pFrom; *p; p += std::strlen(p) + 1) {
        std::string name = p;
        size_t slash = name.rfind('/');
        std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
        std::vector<std::string> targets;
        if (last.find_first_of("*?") != std::string::npos) {
            // A mask in the last part: every match in that folder.
            std::string dir = slash == std::string::npos ? "." : name.substr(0, slash);
            if (dir.empty()) dir = "/";
            if (DIR* d = ::opendir(dir.c_str())) {
                while (dirent* e = ::readdir(d)) {
                    std::string n = e->d_name;
                    if (n == "." || n == "..") continue;
                    std::string mask = last == "*.*" ? "*" : last;
                    if (::fnmatch(mask.c_str(), n.c_str(), 0) == 0) targets.push_back(dir + "/" + n);
                }
                ::closedir(d);
            }
        } else {
            targets.push_back(NoTrailingSlash(name));
        }
        for (const auto& t : targets) {
            DWORD rc = DeleteTree(t);
            if (rc && !first) first = rc;
        }
    }
    return static_cast<int>(first);
}

namespace {
// A UTF-16 list of NUL-ended names (ended by a further NUL) as the same list in UTF-8.
std::string NameListToUtf8(LPCWSTR List) {
    std::string Out;
    if (!List) return Out;
    for (LPCWSTR p = List; *p;) {
        std::u16string Name;
        while (*p) Name += *p++;
        ++p;
        Out += sysconv::Utf16ToUtf8(Name);
        Out += '\0';
    }
    Out += '\0';
    return Out;
}
}  // namespace

int SHFileOperationW(SHFILEOPSTRUCTW* op) {
    if (!op || !op->pFrom) return ERROR_INVALID_PARAMETER;
    const std::string From = NameListToUtf8(op->pFrom);
    const std::string To = NameListToUtf8(op->pTo);
    std::u16string Title;
    if (op->lpszProgressTitle)
        for (LPCWSTR p = op->lpszProgressTitle; *p; ++p) Title += *p;
    const std::string TitleA = sysconv::Utf16ToUtf8(Title);
    SHFILEOPSTRUCTA A{op->hwnd, op->wFunc, From.c_str(), op->pTo ? To.c_str() : nullptr, op->fFlags, FALSE,
                      op->hNameMappings, op->lpszProgressTitle ? TitleA.c_str() : nullptr};
    const int R = SHFileOperationA(&A);
    op->fAnyOperationsAborted = A.fAnyOperationsAborted;
    return R;
}

// ---- Dropped files -------------------------------------------------------------

HDROP CreateDropFiles(const std::vector<std::string>& FileNames, POINT pt, bool Wide) {
    std::string bytes;
    if (Wide) {
        std::u16string all;
        for (const auto& f : FileNames) {
            all += sysconv::Utf8ToUtf16(f);
            all += u'\0';
        }
        all += u'\0';
        bytes.assign(reinterpret_cast<const char*>(all.data()), all.size() * sizeof(char16_t));
    } else {
        for (const auto& f : FileNames) {
            bytes += f;
            bytes += '\0';
        }
        bytes += '\0';
    }
    auto* block = static_cast<char*>(std::malloc(sizeof(DROPFILES) + bytes.size()));
    if (!block) return nullptr;
    DROPFILES head{static_cast<DWORD>(sizeof(DROPFILES)), pt, FALSE, Wide ? TRUE : FALSE};
    std::memcpy(block, &head, sizeof head);
    std::memcpy(block + sizeof head, bytes.data(), bytes.size());
    return reinterpret_cast<HDROP>(block);
}

static std::vector<std::string> DropNames(HDROP hDrop) {
    std::vector<std::string> names;
    if (!hDrop) return names;
    DROPFILES head;
    std::memcpy(&head, hDrop, sizeof head);
    if (head.pFiles < sizeof(DROPFILES)) return names;
    const char* base = reinterpret_cast<const char*>(hDrop) + head.pFiles;
    if (head.fWide) {
        const char16_t* p = reinterpret_cast<const char16_t*>(base);
        while (*p) {
            std::u16string s(p);
            names.push_back(sysconv::Utf16ToUtf8(s));
            p += s.size() + 1;
        }
    } else {
        while (*base) {
            std::string s(base);
            names.push_back(s);
            base += s.size() + 1;
        }
    }
    return names;
}

UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch) {
    auto names = DropNames(hDrop);
    if (iFile == 0xFFFFFFFFu) return static_cast<UINT>(names.size());
    if (iFile >= names.size()) return 0;
    const std::string& n = names[iFile];
    if (!lpszFile) return static_cast<UINT>(n.size());
    if (cch == 0) return 0;
    size_t len = std::min<size_t>(n.size(), cch - 1);
    std::memcpy(lpszFile, n.data(), len);
    lpszFile[len] = '\0';
    return static_cast<UINT>(len);
}

BOOL DragQueryPoint(HDROP hDrop, POINT* ppt) {
    if (!hDrop || !ppt) return FALSE;
    DROPFILES head;
    std::memcpy(&head, hDrop, sizeof head);
    *ppt = head.pt;
    return head.fNC ? FALSE : TRUE;  // TRUE: the drop was in the client area
}

void DragFinish(HDROP hDrop) { std::free(hDrop); }

void DragAcceptFiles(HWND, BOOL) {}

// ---- Volumes -----------------------------------------------------------------

BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize,
                           DWORD* lpVolumeSerialNumber, DWORD* lpMaximumComponentLength, DWORD* lpFileSystemFlags,
                           LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize) {
    char real[PATH_MAX];
    if (!lpRootPathName || !::realpath(lpRootPathName, real)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct statvfs vfs{};
    if (::statvfs(real, &vfs) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    // The mount holding the path: the longest mount point that is a prefix of it.
    std::string path = real, fsType, source;
    size_t best = 0;
    std::ifstream mi("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mi, line)) {
        std::istringstream ls(line);
        std::string id, parent, dev, root, mountPoint;
        ls >> id >> parent >> dev >> root >> mountPoint;
        mountPoint = DecodeOctal(mountPoint);
        size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type, src;
        tail >> type >> src;
        bool prefix = mountPoint == "/" ||
                      (path.compare(0, mountPoint.size(), mountPoint) == 0 &&
                       (path.size() == mountPoint.size() || path[mountPoint.size()] == '/'));
        if (prefix && mountPoint.size() >= best) {
            best = mountPoint.size();
            fsType = type;
            source = DecodeOctal(src);
        }
    }
    std::string label;
    char devReal[PATH_MAX];
    if (!source.empty() && source[0] == '/' && ::realpath(source.c_str(), devReal)) {
        if (DIR* d = ::opendir("/dev/disk/by-label")) {
            while (dirent* e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n == "." || n == "..") continue;
                char target[PATH_MAX];
                if (::realpath(("/dev/disk/by-label/" + n).c_str(), target) && std::strcmp(target, devReal) == 0)
                    label = DecodeUdev(n);
            }
            ::closedir(d);
        }
    }
    if (lpVolumeNameBuffer && nVolumeNameSize) {
        if (label.size() + 1 > nVolumeNameSize) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(lpVolumeNameBuffer, label.c_str(), label.size() + 1);
    }
    if (lpFileSystemNameBuffer && nFileSystemNameSize) {
        if (fsType.size() + 1 > nFileSystemNameSize) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(lpFileSystemNameBuffer, fsType.c_str(), fsType.size() + 1);
    }
    if (lpVolumeSerialNumber) *lpVolumeSerialNumber = static_cast<DWORD>(vfs.f_fsid & 0xFFFFFFFFu);
    if (lpMaximumComponentLength) *lpMaximumComponentLength = static_cast<DWORD>(vfs.f_namemax);
    if (lpFileSystemFlags) {
        DWORD f = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
        if (vfs.f_flag & ST_RDONLY) f |= FILE_READ_ONLY_VOLUME;
        *lpFileSystemFlags = f;
    }
    return TRUE;
}
