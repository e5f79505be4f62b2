// The screen the window layer drives, for tests and the program's start-up.
#pragma once

#include <string>

#include "platform/rtl/windef.h"
#include "platform/screen/headless.h"
#include "platform/screen/screen.h"

// The open screen (opened on first use).
TScreen* WinCurrentScreen();
// The headless screen, or nullptr when another one is open.
THeadlessScreen* WinHeadlessScreen();
// PNG of a window as it is on its top-level's surface (the window rectangle,
// frame included; the parts covered by other windows of the same top-level
// show what covers them). False for a hidden or stale window.
bool WinSaveWindowPng(HWND hWnd, const std::string& Path);
