// The help viewer's entry point, bound at run time on the first help request.
#pragma once

#include <string>

#include "platform/rtl/windef.h"

// Calls the viewer's HtmlHelpA(Window, FileName, Command, Data), binding it
// first when needed. Raises Exception when the viewer module or its entry
// cannot be found; a later call tries again.
HWND HtmlHelp(HWND Window, const std::string& FileName, UINT Command, DWORD_PTR Data);
