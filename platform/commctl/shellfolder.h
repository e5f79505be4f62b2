// A shell namespace of our own for the folder picker. The desktop holds
// Computer, Home, the user folders that exist and the desktop folder's
// entries; Computer holds / and every volume of the mounts table on a real
// device, named by its label or its mount point. Item ID lists take the
// shell's format (16-bit counted items, a 16-bit zero at the end) in blocks of
// CoTaskMemAlloc; each item's first byte after the count says what it is.
// Symbolic links and .desktop files of type Link stand for shell links.
#pragma once

#include <string>
#include <vector>

#include "platform/commctl/shlobj_dialogs.h"
#include "platform/system/shell.h"

constexpr HRESULT E_NOINTERFACE_NS = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_NOTFOLDER_NS = static_cast<HRESULT>(0x80070003u);  // the path was not found

// EnumObjects flags.
constexpr DWORD SHCONTF_FOLDERS = 0x20, SHCONTF_NONFOLDERS = 0x40, SHCONTF_INCLUDEHIDDEN = 0x80;
// GetDisplayNameOf flags.
constexpr DWORD SHGDN_NORMAL = 0, SHGDN_INFOLDER = 1, SHGDN_FORPARSING = 0x8000;
// Attributes.
constexpr ULONG SFGAO_LINK = 0x00010000, SFGAO_FILESYSANCESTOR = 0x10000000, SFGAO_FOLDER = 0x20000000,
                SFGAO_FILESYSTEM = 0x40000000, SFGAO_HASSUBFOLDER = 0x80000000u;

constexpr UINT STRRET_WSTR = 0;
struct STRRET {
    UINT uType = STRRET_WSTR;
    char16_t* pOleStr = nullptr;  // CoTaskMemAlloc'd, zero-terminated
};

class IEnumIDList {
public:
    virtual ~IEnumIDList() = default;
    // Up to Count new relative one-item lists; S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG Count, LPITEMIDLIST* Items, ULONG* Fetched) = 0;
    virtual HRESULT Reset() = 0;
    ULONG AddRef() { return ++FRefs; }
    ULONG Release();

private:
    ULONG FRefs = 1;
};

class IShellFolder {
public:
    virtual ~IShellFolder() = default;
    // A path (absolute from /, or a name in this folder) to a list relative to
    // this folder; an absolute path on the desktop runs through Computer and
    // the volume with the longest matching mount point.
    virtual HRESULT ParseDisplayName(HWND Owner, void* BindContext, const char16_t* Name, ULONG* Eaten,
                                     LPITEMIDLIST* List, ULONG* Attributes) = 0;
    virtual HRESULT EnumObjects(HWND Owner, DWORD Flags, IEnumIDList** Enum) = 0;
    // The folder at List (relative to this one).
    virtual HRESULT BindToObject(LPCITEMIDLIST List, void* BindContext, const void* Iid, void** Out) = 0;
    // The low 16 bits of the answer: negative, 0 or positive as One sorts before,
    // equal to or after Two (folders first, then by name).
    virtual HRESULT CompareIDs(LPARAM Param, LPCITEMIDLIST One, LPCITEMIDLIST Two) = 0;
    virtual HRESULT GetAttributesOf(UINT Count, LPCITEMIDLIST* Lists, ULONG* InOut) = 0;
    virtual HRESULT GetDisplayNameOf(LPCITEMIDLIST List, DWORD Flags, STRRET* Name) = 0;
    ULONG AddRef() { return ++FRefs; }
    ULONG Release();

private:
    ULONG FRefs = 1;
};

HRESULT SHGetDesktopFolder(IShellFolder** Folder);
// Desktop: the empty list; CSIDL_DRIVES: Computer; CSIDL_PERSONAL: the
// Documents item; other folders with a path: that path's file-system route.
// Network, printers, control panel, internet and recycle bin: E_FAIL, nil.
HRESULT SHGetSpecialFolderLocation(HWND Owner, int Csidl, LPITEMIDLIST* List);
// The file-system path of an absolute list; empty for Desktop and Computer.
std::string ShellPathFromIDList(LPCITEMIDLIST List);
// The items of a list (each without its count) and a new list of items.
std::vector<std::string> ShellIDListItems(LPCITEMIDLIST List);
LPITEMIDLIST ShellIDListOf(const std::vector<std::string>& Items);
// The wide text of a STRRET, freeing the shell's copy.
HRESULT StrRetToStrW(STRRET* Name, LPCITEMIDLIST List, char16_t** Out);

// An item's data: SHGDFIL_FINDDATA fills a WIN32_FIND_DATAW for an item with a
// file-system path of its own (a desktop entry, Home, a user folder or a
// folder's entry; not the desktop, Computer or a volume). The times count
// 100-nanosecond steps since 1601; a link that leads nowhere is described
// itself. No network here: other formats are E_INVALIDARG.
struct FILETIME {
    DWORD dwLowDateTime = 0, dwHighDateTime = 0;
};
struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
    DWORD nFileSizeHigh = 0, nFileSizeLow = 0;
    DWORD dwReserved0 = 0, dwReserved1 = 0;
    char16_t cFileName[260] = {};
    char16_t cAlternateFileName[14] = {};
};
constexpr int SHGDFIL_FINDDATA = 1, SHGDFIL_NETRESOURCE = 2, SHGDFIL_DESCRIPTIONID = 3;
HRESULT SHGetDataFromIDListW(IShellFolder* Folder, LPCITEMIDLIST List, int Format, void* Data, int Size);

// Item information; with SHGFI_PIDL Path is an absolute item list. The icon
// is one of ours (resources/icons/NS_*.ico), the caller destroys it.
struct SHFILEINFOW {
    HICON hIcon = nullptr;
    int iIcon = 0;
    DWORD dwAttributes = 0;
    char16_t szDisplayName[260] = {};
    char16_t szTypeName[80] = {};
};
constexpr UINT SHGFI_LARGEICON = 0x0, SHGFI_SMALLICON = 0x1, SHGFI_PIDL = 0x8, SHGFI_ICON = 0x100,
               SHGFI_DISPLAYNAME = 0x200, SHGFI_ATTRIBUTES = 0x800;
// Non-zero on success.
DWORD_PTR SHGetFileInfoW(const char16_t* Path, DWORD FileAttributes, SHFILEINFOW* Info, UINT Size, UINT Flags);
// The name of the icon resource for an absolute list ("NS_FOLDER", ...).
std::string ShellIconName(LPCITEMIDLIST List);

// A shell link's target: a symbolic link's target (made absolute against the
// link's folder) or the local path of a .desktop Link entry's file: URL.
// Empty when File is neither or the target has no local path.
std::string ShellLinkTarget(const std::string& File);
// File is a symbolic link or a .desktop file of type Link.
bool IsShellLink(const std::string& File);

// The mounts table read for Computer (default /proc/self/mounts); tests point it at a file.
void SetShellMountsTable(const std::string& Path);
struct TShellVolume {
    std::string MountPoint, Name;
    std::string Kind;  // "root", "volume", "removable" or "optical"
};
// / first, then the mounted real devices in table order (later mounts on the
// same point replace earlier ones).
std::vector<TShellVolume> ShellVolumes();
