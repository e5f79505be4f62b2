// Shared helpers of the control classes (internal to this folder).
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/commctl/commctrl.h"

namespace cc {

std::u16string Utf8ToUtf16(const std::string& s);
std::string Utf16ToUtf8(const std::u16string& s);
inline std::u16string WideOf(const char* s) { return s ? Utf8ToUtf16(s) : std::u16string(); }
inline std::u16string WideOfW(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }
// A string argument in the window's character set (see commctrl.h).
std::u16string StringArg(HWND h, LPARAM l);
// Copies into a caller's buffer in the window's character set; returns the units copied (no NUL).
LRESULT CopyStringOut(HWND h, const std::u16string& s, LPARAM buf, int max = 0x7FFFFFFF);
LRESULT StringLength(HWND h, const std::u16string& s);
int CopyW(const std::u16string& s, LPWSTR buf, int max);  // max includes the NUL
int CopyA(const std::string& s, LPSTR buf, int max);

// Per-window state objects, kept in a window property and freed at WM_NCDESTROY.
void* GetState(HWND h);
void SetState(HWND h, void* p);
template <class T>
T* State(HWND h) {
    return static_cast<T*>(GetState(h));
}
template <class T>
T* NewState(HWND h) {
    T* p = new T();  // owned by the window; freed by FreeState at WM_NCDESTROY
    SetState(h, p);
    return p;
}
template <class T>
void FreeState(HWND h) {
    delete State<T>(h);
    SetState(h, nullptr);
}

DWORD Style(HWND h);
int CtlId(HWND h);
HWND Parent(HWND h);  // the window notifications go to
void NotifyCommand(HWND h, WORD code);
LRESULT NotifyParent(HWND h, NMHDR& hdr, UINT code);
// The brush the parent chooses for a control (WM_CTLCOLOR*), with colours set in dc.
HBRUSH CtlColor(HWND h, HDC dc, UINT msg);
HFONT DefaultFont();
// Fonts set by WM_SETFONT are kept by the control that got them.
HFONT FontOf(HWND h);
void SetFontOf(HWND h, HFONT font);
// Window text as UTF-16.
std::u16string TextOf(HWND h);
int TextHeight(HDC dc);
int TextWidth(HDC dc, const std::u16string& s);
void FillSolid(HDC dc, const RECT& r, COLORREF c);
inline COLORREF Sys(int i) { return GetSysColor(i); }
RECT ClientRect(HWND h);
// WM_PAINT of a control: paint draws the invalid part between BeginPaint and EndPaint.
void PaintWith(HWND h, void (*paint)(HWND, HDC));
// The first visible row a vertical scroll request asks for (lines, pages, ends,
// thumb), before clamping; false for a request that moves nothing.
bool TopFromScrollRequest(WPARAM wp, int Top, int PerPage, int Count, int& NewTop);
POINT PointOf(LPARAM l);
// Draws text in r with DrawTextW.
void Text(HDC dc, const std::u16string& s, RECT r, UINT fmt);
// Registers a W class with the given procedure; CS_GLOBALCLASS.
void RegisterCtlClass(const char16_t* name, WNDPROC proc, UINT style, HCURSOR cursor, int brushSysColor);
// A line or frame with system colours.
void HLine(HDC dc, int x1, int x2, int y, COLORREF c);
void VLine(HDC dc, int x, int y1, int y2, COLORREF c);
void DrawCheckMark(HDC dc, const RECT& r, COLORREF c);
void DrawArrow(HDC dc, const RECT& r, int dir, COLORREF c);  // 0 up, 1 down, 2 left, 3 right

// The standard icons (IDI_*): 32x32 at x, y; false for another icon.
bool DrawStandardIcon(HDC dc, int x, int y, HICON icon);
// Kind: 0 none, MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK.
void DrawMessageIcon(HDC dc, int x, int y, UINT kind);

// Registration of each group of classes.
void RegisterButtonClasses();
void RegisterListClasses();
void RegisterMenuClasses();
void RegisterDialogClasses();
void RegisterCommonClasses();
void RegisterListViewClasses();

// The shared scroll-bar look, drawn for "ScrollBar" windows.
void DrawScrollBarCtl(HDC dc, const RECT& r, bool vert, int min, int max, int page, int pos, bool enabled,
                      int pressedPart);
// Geometry of a scroll bar: arrow size and thumb rectangle; false when no thumb.
bool ScrollThumb(const RECT& r, bool vert, int min, int max, int page, int pos, RECT& thumb);

// A modal loop: dispatches until *Done or the window is gone. Runs the
// WH_MSGFILTER hooks with Code and the modal-window hook for Top.
void RunModalLoop(HWND Top, const bool* Done, int Code, bool DialogKeys);
// Shows a dialog made by CreateDialogWindow modally (owner disabled meanwhile)
// and destroys it; returns what EndDialog gave.
INT_PTR RunModalDialog(HWND Dlg, HWND Owner, int Code);
// A "#32770" window without a template, centred on its owner, hidden.
HWND CreateDialogWindow(DWORD Style, DWORD ExStyle, const std::u16string& Title, int ClientW, int ClientH, HWND Owner,
                        DLGPROC Proc);
// The test hook that acts on modal windows (testhooks.h).
void FireModalHook(HWND Top);

}  // namespace cc
