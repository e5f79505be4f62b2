// TShellNav: a place in the shell namespace (a current folder and, optionally,
// a current object in it), moved by path, by item ID list or by special
// folder, enumerating the folder's objects through a name filter. Paths are
// wide strings with '/' separators; a folder path ends with '/'.
#pragma once

#include <string>
#include <vector>

#include "controls/extra/fp_shellpidl.h"
#include "platform/classlib/classes_ext.h"
#include "platform/commctl/shellfolder.h"
#include "unicode/unistrings.h"

TESSARO_DECLARE_EXCEPTION(EShellNavError, Exception)

enum TFpShellFolder {
    SF_FILESYSTEMFOLDER, SF_BITBUCKET, SF_CONTROLS, SF_DESKTOP, SF_DESKTOPDIRECTORY, SF_DRIVES, SF_FONTS,
    SF_NETHOOD, SF_NETWORK, SF_PERSONAL, SF_PRINTERS, SF_PROGRAMS, SF_RECENT, SF_SENDTO, SF_STARTMENU,
    SF_STARTUP, SF_TEMPLATES, SF_FAVORITES, SF_COMMON_STARTMENU, SF_COMMON_STARTUP, SF_COMMON_DESKTOPDIRECTORY,
    SF_APPDATA, SF_PRINTHOOD, SF_COMMON_FAVORITES, SF_INTERNET_CACHE, SF_COOKIES, SF_HISTORY, SF_COMMON_PROGRAMS,
    SF_ALTSTARTUP, SF_COMMON_APPDATA, SF_COMMON_DOCUMENTS, SF_INTERNET, SF_LOCAL_APPDATA, SF_MYPICTURES,
    SF_PROGRAM_FILES, SF_SYSTEM, SF_PROGRAM_FILES_COMMON
};
// The CSIDL a value stands for (SF_FILESYSTEMFOLDER and SF_DRIVES share 0x11).
int ShellFolderCsidl(TFpShellFolder Value);

class TFileNames : public TUniStringList {};

// A path's list from Folder (the desktop when nil); an empty path gives Computer.
// Nil when the path cannot be parsed (the failure code is left in GetLastError).
LPITEMIDLIST ParsePathToPIDL(IShellFolder* Folder, const WideString& Path);
// The file-system path of an absolute list; empty for nil and for items without one.
WideString PIDLToPathWide(LPCITEMIDLIST List);
// SF_DESKTOP: the empty list; otherwise the special folder's location; nil when none.
LPITEMIDLIST ShellFolderToPIDL(TFpShellFolder Value);
// The first special folder (in the enumeration's order after SF_FILESYSTEMFOLDER)
// whose location equals List; SF_FILESYSTEMFOLDER when none does.
TFpShellFolder PIDLToShellFolder(LPCITEMIDLIST List);
// The target of a shell link (a symbolic link or a .desktop Link entry) as a
// path; empty when File is no link or its target has no local path.
WideString ResolveShellLink(const WideString& File);
// The system's text for an error code.
std::string FormatSystemMessage(DWORD Code);

class TShellNav : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TShellNav(TComponent* AOwner);
    ~TShellNav() override;
    void Loaded() override;

    // A folder reached as one item of a top-level folder that is a link reads
    // as the link's target.
    WideString Folder() const;
    // An empty value is Computer; a path that cannot be parsed raises
    // EShellNavError and leaves the folder as it was.
    void SetFolder(const WideString& Value);
    WideString ObjectName();
    // A name in the folder, or a path whose folder part becomes the folder;
    // a name not in the folder raises EShellNavError.
    void SetObjectName(const WideString& Value);
    WideString Filter() const;
    void SetFilter(const WideString& Value);
    TFpShellFolder SpecialFolder() const { return PIDLToShellFolder(FFolderList); }
    void SetSpecialFolder(TFpShellFolder Value);  // never raises
    bool FileSystemOnly = false;
    bool ShowErrorMessages = true;
    bool ShowContextMenuOnTop = false;
    TFileNames& MultiObjects() { return FMultiObjects; }
    // The class name and the component's version; writing does nothing.
    std::string Version() const { return std::string(ClassName()) + " V5.11"; }
    void SetVersion(const std::string&) {}
    TNotifyEvent OnRename;  // stored only
    std::function<void(const std::string& Command, bool& Execute)> OnContextMenuSelect;  // stored only
    // The window the namespace may own its error boxes by: none while
    // ShowErrorMessages is off; the owner's window when the owner is a
    // windowed control and the component is loaded; else the application's.
    HWND ErrorOwnerWindow() const;

    void SetFolderIDList(LPCITEMIDLIST List);
    void SetObjectIDList(LPCITEMIDLIST List);
    // The parent becomes the folder and the former folder the object.
    bool MoveUp();
    // The next object of the folder that passes FileSystemOnly and the filter.
    bool FindNextObject();
    WideString GetDisplayName();
    bool IsFolder();
    ULONG ObjectAttributes(ULONG Mask);
    // The object's absolute list (the folder's without an object); owned here.
    LPCITEMIDLIST GetObjectIDList();
    TFpShellFolder ObjectSpecialFolder() { return PIDLToShellFolder(GetObjectIDList()); }
    bool MatchesFilter();
    LPCITEMIDLIST FolderIDList() const { return FFolderList; }

private:
    void ClearObject();
    void DropEnum();

    WideString FFolderPath;
    LPITEMIDLIST FFolderList = nullptr;
    IShellFolder* FFolder = nullptr;
    LPITEMIDLIST FObject = nullptr;  // relative to the folder
    LPITEMIDLIST FObjectAbs = nullptr;
    IEnumIDList* FEnum = nullptr;
    TFileNames FMultiObjects;
    std::vector<WideString> FMasks;
    bool FLoaded = false;
};

void RegisterShellNav();
