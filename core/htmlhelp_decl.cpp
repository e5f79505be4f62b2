#include "core/htmlhelp_decl.h"

#include "platform/help/htmlhelp.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/module.h"
#include "platform/system/shell.h"

namespace {

// Loaded once and kept; the entry stays unbound until it is found, so a
// missing entry is never called.
HMODULE HelpModule = nullptr;
THtmlHelpAProc HtmlHelpEntry = nullptr;
DWORD HelpCookie = 0;

}  // namespace

HWND HtmlHelp(HWND Window, const std::string& FileName, UINT Command, DWORD_PTR Data) {
    if (!HtmlHelpEntry) {
        if (!HelpModule) {
            char SystemDir[256] = {};
            const UINT N = GetSystemDirectoryA(SystemDir, 255);
            const std::string Path = std::string(SystemDir, N < 255 ? N : 0) + "/" + HTMLHELP_MODULE_NAME;
            HelpModule = LoadLibraryA(Path.c_str());
            if (!HelpModule) throw Exception("HHCtrl.OCX not installed!\r HTMLHELP cannot displayed!");
        }
        HtmlHelpEntry = reinterpret_cast<THtmlHelpAProc>(GetProcAddress(HelpModule, "HtmlHelpA"));
        if (!HtmlHelpEntry) throw Exception("Function HTMLHELP cannot loaded!");
        HtmlHelpEntry(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&HelpCookie));
    }
    return HtmlHelpEntry(Window, FileName.c_str(), Command, Data);
}
