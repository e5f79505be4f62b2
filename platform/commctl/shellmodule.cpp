#include "platform/commctl/shellmodule.h"

#include <mutex>

#include "platform/commctl/shellfolder.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "platform/system/module.h"
#include "platform/system/shell.h"

void RegisterShellModule() {
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterBuiltinModule("shell32.dll",
                              {{"SHFileOperationW", reinterpret_cast<FARPROC>(&SHFileOperationW)},
                               {"SHBrowseForFolderW", reinterpret_cast<FARPROC>(&SHBrowseForFolderW)},
                               {"SHGetPathFromIDListW", reinterpret_cast<FARPROC>(&SHGetPathFromIDListW)},
                               {"SHGetFileInfoW", reinterpret_cast<FARPROC>(&SHGetFileInfoW)}});
    });
}
