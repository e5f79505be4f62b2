// The help viewer's entry point. The help loader binds it at run time as the
// old platform did: LoadLibraryA(system folder + "/HHCTRL.OCX"), then
// GetProcAddress("HtmlHelpA"). InitHtmlHelp registers that built-in module; it
// counts as installed only when xdg-open is on PATH, so a system without a viewer
// takes the loader's "not installed" path with its own message.
#pragma once

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
constexpr UINT HH_HELP_FINDER = 0x0000;
constexpr UINT HH_DISPLAY_TOC = 0x0001;
constexpr UINT HH_DISPLAY_INDEX = 0x0002;
constexpr UINT HH_DISPLAY_SEARCH = 0x0003;
constexpr UINT HH_HELP_CONTEXT = 0x000F;
constexpr UINT HH_CLOSE_ALL = 0x0012;
constexpr UINT HH_INITIALIZE = 0x001C;
constexpr UINT HH_UNINITIALIZE = 0x001D;

// File name of the built-in module.
constexpr const char* HTMLHELP_MODULE_NAME = "HHCTRL.OCX";

// Start-up of the help unit: registers the built-in HHCTRL.OCX module with its
// "HtmlHelpA" entry. Call once before the first help request; harmless twice.
void InitHtmlHelp();

// The entry itself. HH_INITIALIZE stores a cookie at *(DWORD*)dwData; HH_UNINITIALIZE
// and HH_CLOSE_ALL do nothing. The display commands open pszFile (anything from
// "::" or ">" on is a topic or window inside the file and is dropped) with
// xdg-open, detached. The answer is always null (the viewer's windows are not
// ours); GetLastError tells the outcome: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a
// missing help file (nothing is started), ERROR_NO_ASSOCIATION when xdg-open is absent.
HWND HtmlHelpA(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData);

// The type the loader casts GetProcAddress's answer to.
using THtmlHelpAProc = HWND (*)(HWND, LPCSTR, UINT, DWORD_PTR);
