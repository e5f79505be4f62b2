// The browse-for-folder dialog (SHBrowseForFolder) and the item lists it
// returns. An item list here stands for one file-system path; free it with
// ILFree or CoTaskMemFree (or the allocator of SHGetMalloc).
#pragma once

#include "platform/commctl/commctrl.h"

struct ITEMIDLIST;  // opaque: a path in a block of the shell allocator
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

using BFFCALLBACK = int (*)(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

struct BROWSEINFOA {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPSTR pszDisplayName;  // at least MAX_PATH (260) characters: the chosen item's name
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
struct BROWSEINFOW {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPWSTR pszDisplayName;
    LPCWSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};

constexpr UINT BIF_RETURNONLYFSDIRS = 0x1, BIF_DONTGOBELOWDOMAIN = 0x2, BIF_STATUSTEXT = 0x4,
               BIF_RETURNFSANCESTORS = 0x8, BIF_EDITBOX = 0x10, BIF_VALIDATE = 0x20, BIF_NEWDIALOGSTYLE = 0x40,
               BIF_USENEWUI = 0x50, BIF_BROWSEINCLUDEURLS = 0x80, BIF_NONEWFOLDERBUTTON = 0x200,
               BIF_BROWSEFORCOMPUTER = 0x1000, BIF_BROWSEFORPRINTER = 0x2000, BIF_BROWSEINCLUDEFILES = 0x4000,
               BIF_SHAREABLE = 0x8000;
// Callback messages (uMsg) and messages to the browser window.
constexpr UINT BFFM_INITIALIZED = 1, BFFM_SELCHANGED = 2, BFFM_VALIDATEFAILEDA = 3, BFFM_VALIDATEFAILEDW = 4;
constexpr UINT BFFM_SETSTATUSTEXTA = WM_USER + 100, BFFM_ENABLEOK = WM_USER + 101,
               BFFM_SETSELECTIONA = WM_USER + 102, BFFM_SETSELECTIONW = WM_USER + 103,
               BFFM_SETSTATUSTEXTW = WM_USER + 104, BFFM_SETOKTEXT = WM_USER + 105,
               BFFM_SETEXPANDED = WM_USER + 106;

// The browser's controls, for scripts and hooks.
constexpr int IDC_BFF_TITLE = 0x3742;
constexpr int IDC_BFF_STATUS = 0x3743;
constexpr int IDC_BFF_FOLDERS = 0x3741;  // list box: ".." then the sub-folders of the folder shown
constexpr int IDC_BFF_PATH = 0x3744;     // static: the folder shown
constexpr int IDC_BFF_EDIT = 0x3745;     // the edit of BIF_EDITBOX

// Returns the chosen folder's item list, nullptr when cancelled.
LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* lpbi);
LPITEMIDLIST SHBrowseForFolderW(BROWSEINFOW* lpbi);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR pszPath);   // pszPath: 260 characters
BOOL SHGetPathFromIDListW(LPCITEMIDLIST pidl, LPWSTR pszPath);
// An item list for a path (ILCreateFromPath); nullptr for an empty path.
LPITEMIDLIST ILCreateFromPathA(LPCSTR pszPath);
LPITEMIDLIST ILCreateFromPathW(LPCWSTR pszPath);
void ILFree(LPITEMIDLIST pidl);
void CoTaskMemFree(void* pv);
void* CoTaskMemAlloc(std::size_t cb);

// The shell allocator (what SHGetMalloc hands out): blocks of CoTaskMemAlloc.
class IMalloc {
public:
    virtual void* Alloc(std::size_t cb);
    virtual void* Realloc(void* pv, std::size_t cb);
    virtual void Free(void* pv);
    virtual std::size_t GetSize(void* pv);
    virtual ULONG AddRef();
    virtual ULONG Release();
    virtual ~IMalloc() = default;
};
using LPMALLOC = IMalloc*;
// The process-wide allocator; S_OK (0) with *ppMalloc set.
long SHGetMalloc(LPMALLOC* ppMalloc);
