#include "controls/extra/fp_browse.h"

#include "platform/classlib/formload.h"
#include "platform/commctl/shlobj_dialogs.h"

namespace {
// Selects the starting folder once the browser is up.
int BrowseCallback(HWND Window, UINT Msg, LPARAM, LPARAM Data) {
    auto* Path = reinterpret_cast<const std::u16string*>(Data);
    if (Msg == BFFM_INITIALIZED && Path && !Path->empty())
        SendMessageW(Window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(Path->c_str()));
    return 0;
}
}  // namespace

bool TFpBrowseForFolder::Execute() {
    char16_t Name[260] = {0};
    BROWSEINFOW Info{};
    Info.hwndOwner = Owner ? Owner : GetActiveWindow();
    Info.pszDisplayName = Name;
    Info.lpszTitle = FTitle.c_str();
    Info.ulFlags = BIF_RETURNONLYFSDIRS;
    Info.lpfn = BrowseCallback;
    Info.lParam = reinterpret_cast<LPARAM>(&FPath);
    LPITEMIDLIST List = SHBrowseForFolderW(&Info);
    if (!List) return false;
    char16_t Path[260] = {0};
    bool Ok = SHGetPathFromIDListW(List, Path) != FALSE;
    ILFree(List);
    if (Ok) FPath = Path;
    return Ok;
}

TClassInfo& TFpBrowseForFolder::StaticClassInfo() {
    static TClassInfo CI("TFpBrowseForFolder", &TComponent::StaticClassInfo(), CreateComponentOf<TFpBrowseForFolder>);
    return CI;
}

void RegisterFpBrowseForFolder() { RegisterClasses({&TFpBrowseForFolder::StaticClassInfo()}); }
