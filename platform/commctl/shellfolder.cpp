#include "platform/commctl/shellfolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/system/unicode_conv.h"
#include "platform/system/widecalls.h"

using sysconv::Utf16ToUtf8;
using sysconv::Utf8ToUtf16;

namespace {

// Item kinds: the first byte after an item's count.
constexpr char kComputer = 'C', kHome = 'H', kUserFolder = 'U', kVolume = 'V', kEntry = 'F';
const int UserFolders[] = {CSIDL_PERSONAL, CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO, CSIDL_TEMPLATES};

using TItems = std::vector<std::string>;

std::mutex& MountsLock() {
    static std::mutex M;
    return M;
}
std::string& MountsPath() {
    static std::string P = "/proc/self/mounts";
    return P;
}

LPITEMIDLIST ListOf(const TItems& Items) {
    std::string All;
    for (const std::string& I : Items) {
        const std::size_t N = std::min<std::size_t>(I.size(), 0xFFF0) + 2;
        All += static_cast<char>(N & 0xFF);
        All += static_cast<char>(N >> 8);
        All.append(I, 0, N - 2);
    }
    auto* Out = static_cast<char*>(CoTaskMemAlloc(All.size() + 2));
    if (!Out) return nullptr;
    std::memcpy(Out, All.data(), All.size());
    Out[All.size()] = Out[All.size() + 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(Out);
}

TItems ItemsOf(LPCITEMIDLIST L) {
    TItems Out;
    if (!L) return Out;
    const auto* P = reinterpret_cast<const uint8_t*>(L);
    for (;;) {
        const uint16_t N = static_cast<uint16_t>(P[0] | (P[1] << 8));
        if (N < 3) break;
        Out.emplace_back(reinterpret_cast<const char*>(P + 2), N - 2u);
        P += N;
    }
    return Out;
}

bool IsDir(const std::string& Path) {
    struct stat S;
    return !Path.empty() && ::stat(Path.c_str(), &S) == 0 && S_ISDIR(S.st_mode);
}
bool Exists(const std::string& Path) {
    struct stat S;
    return !Path.empty() && ::lstat(Path.c_str(), &S) == 0;
}
bool IsLink(const std::string& Path) {
    struct stat S;
    return ::lstat(Path.c_str(), &S) == 0 && S_ISLNK(S.st_mode);
}

std::string Trim(const std::string& S) {
    const std::size_t B = S.find_first_not_of(" \t\r"), E = S.find_last_not_of(" \t\r");
    return B == std::string::npos ? "" : S.substr(B, E - B + 1);
}

// A .desktop file's Link entry: whether it is one, and its URL. Only the
// "Desktop Entry" group counts; a file over 64 KiB is no link of ours.
bool ReadDesktopLink(const std::string& Path, std::string& Url) {
    const std::string Ext = ".desktop";
    if (Path.size() <= Ext.size() || Path.compare(Path.size() - Ext.size(), Ext.size(), Ext) != 0) return false;
    struct stat S;
    if (::stat(Path.c_str(), &S) != 0 || !S_ISREG(S.st_mode) || S.st_size > 65536) return false;
    std::ifstream In(Path);
    bool InEntry = false, IsLinkType = false;
    Url.clear();
    for (std::string Line; std::getline(In, Line);) {
        Line = Trim(Line);
        if (Line.empty() || Line[0] == '#') continue;
        if (Line[0] == '[') {
            InEntry = Line == "[Desktop Entry]";
            continue;
        }
        const std::size_t Eq = Line.find('=');
        if (!InEntry || Eq == std::string::npos) continue;
        const std::string Key = Trim(Line.substr(0, Eq)), Value = Trim(Line.substr(Eq + 1));
        if (Key == "Type") IsLinkType = Value == "Link";
        if (Key == "URL") Url = Value;
    }
    return IsLinkType;
}

int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// The local path of a file: URL (no host or localhost), escapes decoded; empty otherwise.
std::string LocalPathOfUrl(const std::string& Url) {
    const std::string Scheme = "file://";
    if (Url.compare(0, Scheme.size(), Scheme) != 0) return "";
    std::string Rest = Url.substr(Scheme.size());
    if (Rest.compare(0, 9, "localhost") == 0) Rest.erase(0, 9);
    if (Rest.empty() || Rest[0] != '/') return "";
    std::string Out;
    for (std::size_t I = 0; I < Rest.size(); ++I) {
        if (Rest[I] == '%' && I + 2 < Rest.size() && HexDigit(Rest[I + 1]) >= 0 && HexDigit(Rest[I + 2]) >= 0) {
            const char C = static_cast<char>(HexDigit(Rest[I + 1]) * 16 + HexDigit(Rest[I + 2]));
            if (C == 0) return "";  // a path cannot hold a zero byte
            Out += C;
            I += 2;
        } else {
            Out += Rest[I];
        }
    }
    return Out;
}

// Folds "." and ".." and doubled separators of an absolute path.
std::string NormalPath(const std::string& Path) {
    std::vector<std::string> Parts;
    std::stringstream In(Path);
    for (std::string P; std::getline(In, P, '/');) {
        if (P.empty() || P == ".") continue;
        if (P == "..") {
            if (!Parts.empty()) Parts.pop_back();
            continue;
        }
        Parts.push_back(P);
    }
    std::string Out;
    for (const std::string& P : Parts) Out += "/" + P;
    return Out.empty() ? "/" : Out;
}
std::string Join(const std::string& Folder, const std::string& Name) {
    return Folder.empty() || Folder.back() == '/' ? Folder + Name : Folder + "/" + Name;
}
std::string BaseName(const std::string& Path) {
    const std::size_t S = Path.find_last_of('/');
    return S == std::string::npos ? Path : Path.substr(S + 1);
}

// The mounts table's escapes: \040 for a blank and so on.
std::string Unescape(const std::string& S) {
    std::string Out;
    for (std::size_t I = 0; I < S.size(); ++I) {
        if (S[I] == '\\' && I + 3 < S.size() && std::isdigit(S[I + 1]) &&
            std::isdigit(S[I + 2]) && std::isdigit(S[I + 3])) {
            Out += static_cast<char>((S[I + 1] - '0') * 64 + (S[I + 2] - '0') * 8 + (S[I + 3] - '0'));
            I += 3;
        } else {
            Out += S[I];
        }
    }
    return Out;
}
// udev's escapes in label links: \x20 for a blank.
std::string UnescapeHex(const std::string& S) {
    std::string Out;
    for (std::size_t I = 0; I < S.size(); ++I) {
        if (S[I] == '\\' && I + 3 < S.size() && S[I + 1] == 'x' && std::isxdigit(S[I + 2]) &&
            std::isxdigit(S[I + 3])) {
            Out += static_cast<char>(std::stoi(S.substr(I + 2, 2), nullptr, 16));
            I += 3;
        } else {
            Out += S[I];
        }
    }
    return Out;
}

std::string VolumeName(const std::string& Device, const std::string& Mount) {
    const std::string ByLabel = "/dev/disk/by-label/";
    if (Device.compare(0, ByLabel.size(), ByLabel) == 0 && Device.size() > ByLabel.size())
        return UnescapeHex(Device.substr(ByLabel.size()));
    char Label[261] = {0};
    if (GetVolumeInformationA(Mount.c_str(), Label, sizeof Label, /*lpVolumeSerialNumber=*/nullptr,
                              /*lpMaximumComponentLength=*/nullptr, /*lpFileSystemFlags=*/nullptr,
                              /*lpFileSystemNameBuffer=*/nullptr, 0) &&
        Label[0])
        return Label;
    return Mount;
}

// Optical by its file system; removable as the kernel flags the disk, or by a
// file system that removable media carry.
std::string VolumeKind(const std::string& Device, const std::string& Type) {
    if (Type == "iso9660" || Type == "udf") return "optical";
    if (Type == "vfat" || Type == "exfat") return "removable";
    std::string Disk = BaseName(Device);
    while (!Disk.empty() && std::isdigit(static_cast<unsigned char>(Disk.back()))) Disk.pop_back();
    std::ifstream Flag("/sys/block/" + Disk + "/removable");
    int Removable = 0;
    if (!Disk.empty() && (Flag >> Removable) && Removable == 1) return "removable";
    return "volume";
}

// Path of an absolute list; empty for the desktop and Computer.
std::string PathOf(const TItems& Items) {
    std::string Path;
    for (std::size_t I = 0; I < Items.size(); ++I) {
        const std::string& It = Items[I];
        if (It.empty()) return "";
        switch (It[0]) {
            case kComputer: Path.clear(); break;
            case kHome: Path = SpecialFolderPath(CSIDL_PROFILE); break;
            case kUserFolder: Path = It.size() > 1 ? SpecialFolderPath(static_cast<uint8_t>(It[1])) : ""; break;
            case kVolume: Path = It.substr(1); break;
            case kEntry:
                Path = Join(I == 0 ? SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) : Path, It.substr(1));
                break;
            default: return "";
        }
    }
    return Path;
}

bool IsFolderItems(const TItems& Items) {
    if (Items.empty()) return true;
    const char K = Items.back().empty() ? 0 : Items.back()[0];
    if (K == kComputer) return true;
    return IsDir(PathOf(Items));
}

std::string NameOf(const TItems& Items) {
    if (Items.empty()) return "Desktop";
    const std::string& It = Items.back();
    switch (It.empty() ? 0 : It[0]) {
        case kComputer: return "Computer";
        case kHome: return "Home";
        case kUserFolder: return BaseName(PathOf(Items));
        case kVolume:
            for (const TShellVolume& V : ShellVolumes())
                if (V.MountPoint == It.substr(1)) return V.Name;
            return It.substr(1);
        case kEntry: return It.substr(1);
        default: return "";
    }
}

char16_t* OleString(const std::string& Utf8) {
    const std::u16string W = Utf8ToUtf16(Utf8);
    auto* Out = static_cast<char16_t*>(CoTaskMemAlloc((W.size() + 1) * sizeof(char16_t)));
    if (!Out) return nullptr;
    std::memcpy(Out, W.data(), W.size() * sizeof(char16_t));
    Out[W.size()] = 0;
    return Out;
}

class TNsEnum : public IEnumIDList {
public:
    explicit TNsEnum(std::vector<std::string> Items) : FItems(std::move(Items)) {}
    HRESULT Next(ULONG Count, LPITEMIDLIST* Items, ULONG* Fetched) override {
        ULONG Got = 0;
        while (Got < Count && FPos < FItems.size()) Items[Got++] = ListOf({FItems[FPos++]});
        if (Fetched) *Fetched = Got;
        return Got == Count ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        FPos = 0;
        return S_OK;
    }

private:
    std::vector<std::string> FItems;
    std::size_t FPos = 0;
};

class TNsFolder : public IShellFolder {
public:
    explicit TNsFolder(TItems Abs) : FAbs(std::move(Abs)) {}

    const TItems& Abs() const { return FAbs; }

    HRESULT ParseDisplayName(HWND, void*, const char16_t* Name, ULONG* Eaten, LPITEMIDLIST* List,
                             ULONG* Attributes) override {
        if (!List) return E_INVALIDARG;
        *List = nullptr;
        const std::string Text = Name ? Utf16ToUtf8(Name) : "";
        if (Text.empty()) return E_INVALIDARG;
        TItems Rel;
        std::string Rest;
        if (Text[0] == '/') {
            if (!FAbs.empty()) return E_INVALIDARG;  // absolute paths go through the desktop
            // Through Computer and the volume with the longest matching mount point.
            std::string Best = "/";
            for (const TShellVolume& V : ShellVolumes()) {
                const std::string& M = V.MountPoint;
                if (M.size() > Best.size() && Text.compare(0, M.size(), M) == 0 &&
                    (Text.size() == M.size() || Text[M.size()] == '/'))
                    Best = M;
            }
            Rel = {std::string(1, kComputer), std::string(1, kVolume) + Best};
            Rest = Text.substr(Best == "/" ? 1 : Best.size());
        } else if (!FAbs.empty() && FAbs.back() == std::string(1, kComputer)) {
            // Computer's items are volumes, reached by their paths.
            SetLastError(ERROR_PATH_NOT_FOUND);
            return E_NOTFOLDER_NS;
        } else {
            Rest = Text;
        }
        std::stringstream Parts(Rest);
        for (std::string Part; std::getline(Parts, Part, '/');)
            if (!Part.empty() && Part != ".") Rel.push_back(std::string(1, kEntry) + Part);
        TItems Abs = FAbs;
        Abs.insert(Abs.end(), Rel.begin(), Rel.end());
        if (Rel.empty() || (!Exists(PathOf(Abs)) && !(Abs.size() == 2 && Abs[0][0] == kComputer))) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return E_NOTFOLDER_NS;
        }
        *List = ListOf(Rel);
        if (Eaten) *Eaten = static_cast<ULONG>(Utf8ToUtf16(Text).size());
        if (Attributes) *Attributes &= AttributesOf(Abs);
        return S_OK;
    }

    HRESULT EnumObjects(HWND, DWORD Flags, IEnumIDList** Enum) override {
        if (!Enum) return E_INVALIDARG;
        std::vector<std::string> Items;
        const bool Folders = Flags & SHCONTF_FOLDERS, Files = Flags & SHCONTF_NONFOLDERS;
        if (FAbs.empty()) {
            if (Folders) {
                Items.push_back(std::string(1, kComputer));
                if (IsDir(SpecialFolderPath(CSIDL_PROFILE))) Items.push_back(std::string(1, kHome));
                for (int C : UserFolders)
                    if (IsDir(SpecialFolderPath(C))) Items.push_back(std::string{kUserFolder, static_cast<char>(C)});
            }
        } else if (FAbs.back() == std::string(1, kComputer)) {
            if (Folders)
                for (const TShellVolume& V : ShellVolumes()) Items.push_back(std::string(1, kVolume) + V.MountPoint);
            *Enum = new TNsEnum(std::move(Items));
            return S_OK;
        }
        const std::string Dir = FAbs.empty() ? SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) : PathOf(FAbs);
        if (!Dir.empty()) {
            std::vector<std::pair<bool, std::string>> Entries;
            if (DIR* D = ::opendir(Dir.c_str())) {
                while (dirent* E = ::readdir(D)) {
                    const std::string N = E->d_name;
                    if (N == "." || N == "..") continue;
                    if (N[0] == '.' && !(Flags & SHCONTF_INCLUDEHIDDEN)) continue;
                    const bool IsFolder = IsDir(Join(Dir, N));
                    if ((IsFolder && Folders) || (!IsFolder && Files)) Entries.emplace_back(!IsFolder, N);
                }
                ::closedir(D);
            } else if (!FAbs.empty()) {
                return E_FAIL;
            }
            std::sort(Entries.begin(), Entries.end());
            for (const auto& E : Entries) Items.push_back(std::string(1, kEntry) + E.second);
        }
        *Enum = new TNsEnum(std::move(Items));
        return S_OK;
    }

    HRESULT BindToObject(LPCITEMIDLIST List, void*, const void*, void** Out) override {
        if (!Out) return E_INVALIDARG;
        *Out = nullptr;
        TItems Abs = FAbs, Rel = ItemsOf(List);
        Abs.insert(Abs.end(), Rel.begin(), Rel.end());
        if (!IsFolderItems(Abs)) return E_NOTFOLDER_NS;
        *Out = static_cast<IShellFolder*>(new TNsFolder(std::move(Abs)));
        return S_OK;
    }

    HRESULT CompareIDs(LPARAM, LPCITEMIDLIST One, LPCITEMIDLIST Two) override {
        const TItems A = ItemsOf(One), B = ItemsOf(Two);
        std::size_t I = 0;
        while (I < A.size() && I < B.size() && A[I] == B[I]) ++I;
        int R = 0;
        if (I == A.size() || I == B.size()) {
            R = (A.size() > I) - (B.size() > I);
        } else {
            TItems PA = FAbs, PB = FAbs;
            PA.insert(PA.end(), A.begin(), A.begin() + static_cast<long>(I) + 1);
            PB.insert(PB.end(), B.begin(), B.begin() + static_cast<long>(I) + 1);
            const bool FA = IsFolderItems(PA), FB = IsFolderItems(PB);
            if (FA != FB) {
                R = FA ? -1 : 1;
            } else {
                const std::u16string NA = Utf8ToUtf16(NameOf(PA)), NB = Utf8ToUtf16(NameOf(PB));
                R = NA < NB ? -1 : NA > NB ? 1 : (A[I] < B[I] ? -1 : 1);
            }
        }
        return static_cast<HRESULT>(static_cast<uint16_t>(static_cast<int16_t>(R)));
    }

    HRESULT GetAttributesOf(UINT Count, LPCITEMIDLIST* Lists, ULONG* InOut) override {
        if (!InOut) return E_INVALIDARG;
        ULONG All = ~0u;
        for (UINT I = 0; I < Count; ++I) {
            TItems Abs = FAbs, Rel = ItemsOf(Lists[I]);
            Abs.insert(Abs.end(), Rel.begin(), Rel.end());
            All &= AttributesOf(Abs);
        }
        if (Count == 0) All = AttributesOf(FAbs);
        *InOut &= All;
        return S_OK;
    }

    HRESULT GetDisplayNameOf(LPCITEMIDLIST List, DWORD Flags, STRRET* Name) override {
        if (!Name) return E_INVALIDARG;
        TItems Abs = FAbs, Rel = ItemsOf(List);
        Abs.insert(Abs.end(), Rel.begin(), Rel.end());
        Name->uType = STRRET_WSTR;
        Name->pOleStr = OleString((Flags & SHGDN_FORPARSING) && !PathOf(Abs).empty() ? PathOf(Abs) : NameOf(Abs));
        return Name->pOleStr ? S_OK : E_FAIL;
    }

private:
    static ULONG AttributesOf(const TItems& Abs) {
        if (Abs.empty() || Abs.back() == std::string(1, kComputer))
            return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
        const std::string Path = PathOf(Abs);
        ULONG A = SFGAO_FILESYSTEM;
        if (IsDir(Path)) A |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
        if (IsShellLink(Path)) A |= SFGAO_LINK;
        return A;
    }

    TItems FAbs;
};

}  // namespace

ULONG IEnumIDList::Release() {
    const ULONG R = --FRefs;
    if (R == 0) delete this;
    return R;
}

ULONG IShellFolder::Release() {
    const ULONG R = --FRefs;
    if (R == 0) delete this;
    return R;
}

std::string ShellLinkTarget(const std::string& File) {
    if (File.empty()) return "";
    if (IsLink(File)) {
        char Buf[4096];
        const ssize_t N = ::readlink(File.c_str(), Buf, sizeof Buf);
        if (N <= 0 || N >= static_cast<ssize_t>(sizeof Buf)) return "";
        std::string Target(Buf, static_cast<std::size_t>(N));
        if (Target[0] != '/') {
            const std::size_t S = File.find_last_of('/');
            Target = (S == std::string::npos ? std::string(".") : File.substr(0, S)) + "/" + Target;
            if (Target[0] != '/') return "";  // a relative link named without its folder has no absolute target
        }
        return NormalPath(Target);
    }
    std::string Url;
    if (!ReadDesktopLink(File, Url)) return "";
    const std::string Local = LocalPathOfUrl(Url);
    return Local.empty() ? "" : NormalPath(Local);
}

bool IsShellLink(const std::string& File) {
    std::string Url;
    return !File.empty() && (IsLink(File) || ReadDesktopLink(File, Url));
}

void SetShellMountsTable(const std::string& Path) {
    std::lock_guard<std::mutex> G(MountsLock());
    MountsPath() = Path.empty() ? "/proc/self/mounts" : Path;
}

std::vector<TShellVolume> ShellVolumes() {
    std::string Table;
    {
        std::lock_guard<std::mutex> G(MountsLock());
        Table = MountsPath();
    }
    std::vector<TShellVolume> Out{{"/", "/", "root"}};
    std::ifstream In(Table);
    for (std::string Line; std::getline(In, Line);) {
        std::istringstream F(Line);
        std::string Device, Mount, Type;
        if (!(F >> Device >> Mount >> Type)) continue;
        Device = Unescape(Device);
        Mount = Unescape(Mount);
        // Only real devices: no proc, sysfs, tmpfs or overlay mounts.
        if (Device.compare(0, 5, "/dev/") != 0 || Mount.empty() || Mount[0] != '/') continue;
        if (Mount == "/") {
            Out[0].Name = VolumeName(Device, Mount);
            continue;
        }
        TShellVolume V{Mount, VolumeName(Device, Mount), VolumeKind(Device, Type)};
        auto It = std::find_if(Out.begin(), Out.end(), [&](const TShellVolume& O) { return O.MountPoint == Mount; });
        if (It != Out.end())
            *It = V;
        else
            Out.push_back(V);
    }
    return Out;
}

HRESULT SHGetDesktopFolder(IShellFolder** Folder) {
    if (!Folder) return E_INVALIDARG;
    *Folder = new TNsFolder({});
    return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND, int Csidl, LPITEMIDLIST* List) {
    if (!List) return E_INVALIDARG;
    *List = nullptr;
    switch (Csidl & ~CSIDL_FLAG_MASK) {
        case CSIDL_DESKTOP: *List = ListOf({}); break;
        case CSIDL_DRIVES: *List = ListOf({std::string(1, kComputer)}); break;
        case CSIDL_PERSONAL: *List = ListOf({std::string{kUserFolder, static_cast<char>(CSIDL_PERSONAL)}}); break;
        default: {
            const std::string Path = SpecialFolderPath(Csidl & ~CSIDL_FLAG_MASK);
            if (Path.empty()) return E_FAIL;
            IShellFolder* Desktop = nullptr;
            SHGetDesktopFolder(&Desktop);
            const HRESULT R = Desktop->ParseDisplayName(/*Owner=*/nullptr, /*BindContext=*/nullptr,
                                                        Utf8ToUtf16(Path).c_str(), /*Eaten=*/nullptr, List,
                                                        /*Attributes=*/nullptr);
            Desktop->Release();
            return R;
        }
    }
    return *List ? S_OK : E_FAIL;
}

std::string ShellPathFromIDList(LPCITEMIDLIST List) { return PathOf(ItemsOf(List)); }
std::vector<std::string> ShellIDListItems(LPCITEMIDLIST List) { return ItemsOf(List); }
LPITEMIDLIST ShellIDListOf(const std::vector<std::string>& Items) { return ListOf(Items); }

std::string ShellIconName(LPCITEMIDLIST List) {
    const TItems Items = ItemsOf(List);
    if (Items.empty()) return "NS_DESKTOP";
    const std::string& It = Items.back();
    switch (It.empty() ? 0 : It[0]) {
        case kComputer: return "NS_COMPUTER";
        case kHome: return "NS_HOME";
        case kVolume:
            for (const TShellVolume& V : ShellVolumes())
                if (V.MountPoint == It.substr(1))
                    return V.Kind == "root" ? "NS_ROOT" : V.Kind == "optical" ? "NS_OPTICAL"
                                                  : V.Kind == "removable" ? "NS_REMOVABLE" : "NS_VOLUME";
            return "NS_VOLUME";
        default: break;
    }
    const std::string Path = PathOf(Items);
    if (!IsDir(Path)) return "NS_FILE";
    // A user folder shows its kind wherever it is reached.
    const std::pair<int, const char*> Kinds[] = {
        {CSIDL_PERSONAL, "NS_FOLDER_DOCUMENTS"}, {CSIDL_MYMUSIC, "NS_FOLDER_MUSIC"},
        {CSIDL_MYPICTURES, "NS_FOLDER_PICTURES"}, {CSIDL_MYVIDEO, "NS_FOLDER_VIDEOS"},
        {CSIDL_TEMPLATES, "NS_FOLDER_TEMPLATES"}, {CSIDL_DESKTOPDIRECTORY, "NS_FOLDER_DESKTOP"}};
    for (const auto& K : Kinds)
        if (SpecialFolderPath(K.first) == Path) return K.second;
    return "NS_FOLDER";
}

DWORD_PTR SHGetFileInfoW(const char16_t* Path, DWORD, SHFILEINFOW* Info, UINT, UINT Flags) {
    if (!Path || !Info) return 0;
    LPITEMIDLIST Own = nullptr;
    LPCITEMIDLIST List = nullptr;
    if (Flags & SHGFI_PIDL) {
        List = reinterpret_cast<LPCITEMIDLIST>(Path);
    } else {
        IShellFolder* D = nullptr;
        SHGetDesktopFolder(&D);
        const HRESULT R = D->ParseDisplayName(/*Owner=*/nullptr, /*BindContext=*/nullptr, Path, /*Eaten=*/nullptr, &Own,
                                              /*Attributes=*/nullptr);
        D->Release();
        if (R != S_OK) return 0;
        List = Own;
    }
    const TItems Items = ItemsOf(List);
    if (Flags & SHGFI_DISPLAYNAME) {
        const std::u16string N = Utf8ToUtf16(NameOf(Items)).substr(0, 259);
        std::copy(N.begin(), N.end(), Info->szDisplayName);
        Info->szDisplayName[N.size()] = 0;
    }
    if (Flags & SHGFI_ATTRIBUTES) {
        TNsFolder Desktop({});
        ULONG A = ~0u;
        LPCITEMIDLIST One[] = {List};
        Desktop.GetAttributesOf(1, One, &A);
        Info->dwAttributes = A;
    }
    if (Flags & SHGFI_ICON) {
        const int Size = (Flags & SHGFI_SMALLICON) ? 16 : 32;
        Info->hIcon = LoadIconFromResource(ShellIconName(List).c_str(), Size, Size);
    }
    CoTaskMemFree(Own);
    return 1;
}

namespace {
FILETIME FileTimeOf(const timespec& T) {
    // 100-nanosecond steps from 1601 to 1970, then the Unix time.
    const int64_t Steps = (static_cast<int64_t>(T.tv_sec) + 11644473600LL) * 10000000LL + T.tv_nsec / 100;
    const uint64_t U = Steps < 0 ? 0 : static_cast<uint64_t>(Steps);
    FILETIME F;
    F.dwLowDateTime = static_cast<DWORD>(U & 0xFFFFFFFFu);
    F.dwHighDateTime = static_cast<DWORD>(U >> 32);
    return F;
}
}  // namespace

HRESULT SHGetDataFromIDListW(IShellFolder* Folder, LPCITEMIDLIST List, int Format, void* Data, int Size) {
    auto* F = dynamic_cast<TNsFolder*>(Folder);
    if (!F || !List || !Data || Format != SHGDFIL_FINDDATA || Size < static_cast<int>(sizeof(WIN32_FIND_DATAW)))
        return E_INVALIDARG;
    TItems Abs = F->Abs();
    const TItems Rel = ItemsOf(List);
    if (Rel.empty()) return E_INVALIDARG;
    Abs.insert(Abs.end(), Rel.begin(), Rel.end());
    const char Kind = Abs.back().empty() ? 0 : Abs.back()[0];
    if (Kind != kEntry && Kind != kHome && Kind != kUserFolder) return E_INVALIDARG;
    const std::string Path = PathOf(Abs);
    struct stat S;
    const bool Followed = !Path.empty() && ::stat(Path.c_str(), &S) == 0;
    if (!Followed && (Path.empty() || ::lstat(Path.c_str(), &S) != 0)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return static_cast<HRESULT>(0x80070002u);
    }
    WIN32_FIND_DATAW Out;
    const std::string Name = BaseName(Path);
    DWORD A = 0;
    if (S_ISDIR(S.st_mode)) A |= FILE_ATTRIBUTE_DIRECTORY;
    // Write access is the target's; a link leading nowhere has none to ask.
    if (Followed && ::access(Path.c_str(), W_OK) != 0) A |= FILE_ATTRIBUTE_READONLY;
    if (Name.size() > 1 && Name[0] == '.') A |= FILE_ATTRIBUTE_HIDDEN;
    Out.dwFileAttributes = A ? A : FILE_ATTRIBUTE_NORMAL;
    Out.ftCreationTime = FileTimeOf(S.st_ctim);  // stat keeps no birth time: the last status change
    Out.ftLastAccessTime = FileTimeOf(S.st_atim);
    Out.ftLastWriteTime = FileTimeOf(S.st_mtim);
    if (!S_ISDIR(S.st_mode)) {
        const auto Bytes = static_cast<uint64_t>(S.st_size);
        Out.nFileSizeHigh = static_cast<DWORD>(Bytes >> 32);
        Out.nFileSizeLow = static_cast<DWORD>(Bytes & 0xFFFFFFFFu);
    }
    const std::u16string W = Utf8ToUtf16(Name).substr(0, 259);
    std::copy(W.begin(), W.end(), Out.cFileName);
    std::memcpy(Data, &Out, sizeof Out);
    return S_OK;
}

HRESULT StrRetToStrW(STRRET* Name, LPCITEMIDLIST, char16_t** Out) {
    if (!Name || !Out) return E_INVALIDARG;
    *Out = Name->pOleStr;
    Name->pOleStr = nullptr;
    return *Out ? S_OK : E_FAIL;
}
