// The open and save file dialogs (GetOpenFileName, GetSaveFileName), real
// "#32770" windows of this folder. Paths use '/'. With OFN_ALLOWMULTISELECT and
// several files chosen, lpstrFile holds the folder (without a trailing '/',
// except the root "/") then each name, NUL-separated, ending with two NULs;
// one chosen file comes back as its full path. Filters are the double-NUL
// form "Name\0*.a;*.b\0...\0\0"; masks compare case-blind.
#pragma once

#include "platform/commctl/commctrl.h"

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPWSTR lpstrFile;
    DWORD nMaxFile;
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCWSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;
using LPOPENFILENAMEW = OPENFILENAMEW*;

constexpr DWORD OFN_READONLY = 0x1, OFN_OVERWRITEPROMPT = 0x2, OFN_HIDEREADONLY = 0x4, OFN_NOCHANGEDIR = 0x8,
                OFN_SHOWHELP = 0x10, OFN_ENABLEHOOK = 0x20, OFN_ENABLETEMPLATE = 0x40,
                OFN_ENABLETEMPLATEHANDLE = 0x80, OFN_NOVALIDATE = 0x100, OFN_ALLOWMULTISELECT = 0x200,
                OFN_EXTENSIONDIFFERENT = 0x400, OFN_PATHMUSTEXIST = 0x800, OFN_FILEMUSTEXIST = 0x1000,
                OFN_CREATEPROMPT = 0x2000, OFN_SHAREAWARE = 0x4000, OFN_NOREADONLYRETURN = 0x8000,
                OFN_NOTESTFILECREATE = 0x10000, OFN_NONETWORKBUTTON = 0x20000, OFN_NOLONGNAMES = 0x40000,
                OFN_EXPLORER = 0x80000, OFN_NODEREFERENCELINKS = 0x100000, OFN_LONGNAMES = 0x200000,
                OFN_ENABLEINCLUDENOTIFY = 0x400000, OFN_ENABLESIZING = 0x800000, OFN_DONTADDTORECENT = 0x2000000,
                OFN_FORCESHOWHIDDEN = 0x10000000;
constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF, CDERR_STRUCTSIZE = 0x0001, CDERR_INITIALIZATION = 0x0002,
                FNERR_SUBCLASSFAILURE = 0x3001, FNERR_INVALIDFILENAME = 0x3002, FNERR_BUFFERTOOSMALL = 0x3003;

// The dialog's controls, for scripts and hooks (the usual numbering).
constexpr int IDC_FD_LOOKIN = 0x0471;    // cmb2: the folder shown and the folders above it
constexpr int IDC_FD_PLACES = 0x0461;    // lst2: home, its usual folders, the file system, mounted volumes
constexpr int IDC_FD_FILES = 0x0460;     // lst1: folders ("name/") and files, with size and date columns
constexpr int IDC_FD_TYPES = 0x0470;     // cmb1: the filter list
constexpr int IDC_FD_NAME = 0x0480;      // edt1: the file name
constexpr int IDC_FD_READONLY = 0x0410;  // chx1: open as read-only

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn);
// The reason the last dialog of this thread returned FALSE (0 when cancelled).
DWORD CommDlgExtendedError();
