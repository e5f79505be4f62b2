// The help viewer: help files open in the desktop's viewer through xdg-open.
#include "platform/help/htmlhelp.h"

#include <sys/stat.h>

#include <string>

#include "platform/system/module.h"
#include "platform/system/process.h"

namespace {
bool ViewerInstalled() { return !FindProgramOnPath("xdg-open").empty(); }
}  // namespace

void InitHtmlHelp() {
    RegisterBuiltinModule(HTMLHELP_MODULE_NAME, {{"HtmlHelpA", reinterpret_cast<FARPROC>(&HtmlHelpA)}},
                          &ViewerInstalled);
}

HWND HtmlHelpA(HWND, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData) {
    switch (uCommand) {
        case HH_INITIALIZE:
            if (dwData) *reinterpret_cast<DWORD*>(dwData) = 1;
            SetLastError(ERROR_SUCCESS);
            return nullptr;
        case HH_UNINITIALIZE:
        case HH_CLOSE_ALL: SetLastError(ERROR_SUCCESS); return nullptr;
        case HH_DISPLAY_TOPIC:
        case HH_DISPLAY_TOC:
        case HH_DISPLAY_INDEX:
        case HH_DISPLAY_SEARCH:
        case HH_HELP_CONTEXT: break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
    std::string file = pszFile ? pszFile : "";
    // "file.chm::/topic.htm>window": the topic and window are inside the file.
    size_t cut = file.find("::");
    if (cut != std::string::npos) file.resize(cut);
    cut = file.find('>');
    if (cut != std::string::npos) file.resize(cut);
    struct stat st{};
    if (file.empty() || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_FILE_NOT_FOUND);  // nothing is started for a missing file
        return nullptr;
    }
    // Always through the viewer: a help file is never run as a program, whatever its mode bits.
    std::string opener = FindProgramOnPath("xdg-open");
    if (opener.empty()) {
        SetLastError(ERROR_NO_ASSOCIATION);
        return nullptr;
    }
    std::string cmd = QuoteCommandLineArg(opener) + " " + QuoteCommandLineArg(file);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(opener.c_str(), cmd.data(), /*lpProcessAttributes=*/nullptr, /*lpThreadAttributes=*/nullptr,
                        FALSE, 0, /*lpEnvironment=*/nullptr, /*lpCurrentDirectory=*/nullptr, &si, &pi))
        return nullptr;  // GetLastError tells why
    // We do not wait for the viewer; closing the handles lets its end be collected.
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    SetLastError(ERROR_SUCCESS);
    return nullptr;
}
