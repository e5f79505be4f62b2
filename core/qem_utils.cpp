#include "core/qem_utils.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/classlib/forms.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/shell.h"
#include "platform/win/winuser.h"

std::string ExtractFileBaseName(const std::string& Path) {
    std::string Name = Path.substr(Path.rfind('/') + 1);  // npos + 1 == 0
    const std::string::size_type Dot = Name.rfind('.');
    if (Dot != std::string::npos) Name.erase(Dot);
    return Name;
}

std::string ConvertLineBreaks(const std::string& Value, bool Decode) {
    const std::string S = Trim(Value);
    // A replacement never forms a new "#13", so one left-to-right pass gives
    // what searching again from the start after each replacement gives.
    if (Decode) return StringReplace(S, "#13", "\r\n", rfReplaceAll);
    const std::string Pairs = StringReplace(S, "\r\n", "#13", rfReplaceAll);
    return StringReplace(StringReplace(Pairs, "\n", "#13", rfReplaceAll), "\r", "#13", rfReplaceAll);
}

std::string AddTrailingBackslash(const std::string& Path) {
    if (Path.empty() || Path.back() == '/') return Path;
    return Path + '/';
}

std::string RemoveTrailingBackslash(const std::string& Path) {
    if (!Path.empty() && Path.back() == '/') return Path.substr(0, Path.size() - 1);
    return Path;
}

bool DeleteFolderRecursive(const std::string& Folder) {
    const std::string F = AddTrailingBackslash(Folder);
    if (F.empty()) return false;
    TSearchRec SR;
    bool Ok = true;
    if (FindFirst(F + "*", faAnyFile, SR) == 0) {
        do {
            if (SR.Name == "." || SR.Name == "..") continue;
            const std::string Item = F + SR.Name;
            // The search reports a link to a folder as a folder; removing the
            // link must not walk into (and empty) the folder it points to.
            struct stat St;
            const bool IsLink = ::lstat(Item.c_str(), &St) == 0 && S_ISLNK(St.st_mode);
            if (IsLink || (SR.Attr & faDirectory) == 0)
                Ok = IsLink ? ::unlink(Item.c_str()) == 0 : DeleteFile(Item);
            else
                Ok = DeleteFolderRecursive(Item);
        } while (Ok && FindNext(SR) == 0);
        FindClose(SR);
    }
    return RemoveDir(F);
}

std::string GetSpecialFolderPath(int32_t Csidl, bool Create) {
    char Path[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathA(/*hwnd=*/nullptr, Path, Csidl, Create ? TRUE : FALSE)) return "";
    return Path;
}

int BrowseFolderCallback(HWND Wnd, UINT Msg, LPARAM Param, LPARAM Data) {
    if (Msg == BFFM_INITIALIZED) {
        SendMessageA(Wnd, BFFM_SETSELECTIONA, TRUE, Data);
    } else if (Msg == BFFM_SELCHANGED) {
        char Path[MAX_PATH + 1] = {};
        const bool HasPath = SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(Param), Path);
        SendMessageA(Wnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(Path));
        if (!HasPath) SendMessageA(Wnd, BFFM_ENABLEOK, 0, 0);
    }
    return 0;
}

bool BrowseForFolder(HWND Owner, std::string& Folder, const std::string& Title, UINT Flags, const std::string& Root) {
    LPMALLOC Malloc = nullptr;
    if (SHGetMalloc(&Malloc) != 0 || !Malloc) return false;
    auto* DisplayName = static_cast<char*>(Malloc->Alloc(MAX_PATH));
    if (!DisplayName) {
        Malloc->Release();
        return false;
    }
    DisplayName[0] = 0;
    LPITEMIDLIST RootList = Root.empty() ? nullptr : ILCreateFromPathA(Root.c_str());
    // The callback reads the start folder while the browser runs; Folder is
    // only written after it has closed.
    const std::string Start = Folder;
    BROWSEINFOA Info{};
    Info.hwndOwner = Owner;
    Info.pidlRoot = RootList;
    Info.pszDisplayName = DisplayName;
    Info.lpszTitle = Title.c_str();
    Info.ulFlags = Flags;
    Info.lpfn = BrowseFolderCallback;
    Info.lParam = reinterpret_cast<LPARAM>(Start.c_str());
    bool Result = false;
    if (LPITEMIDLIST Item = SHBrowseForFolderA(&Info)) {
        char Path[MAX_PATH + 1] = {};
        // An item without a file-system path is no answer: keep the folder.
        if (SHGetPathFromIDListA(Item, Path)) {
            Folder = Path;
            Result = true;
        }
        Malloc->Free(Item);
    }
    if (RootList) Malloc->Free(RootList);
    Malloc->Free(DisplayName);
    Malloc->Release();
    return Result;
}

namespace {
int32_t BusyCount = 0;
}  // namespace

void BeginBusyCursor() {
    ++BusyCount;
    if (Screen) Screen->SetCursor(crHourGlass);
}

void EndBusyCursor() {
    if (BusyCount == 0) return;
    if (--BusyCount == 0 && Screen) Screen->SetCursor(crDefault);
}
