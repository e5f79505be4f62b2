// Private to platform/win: the window table, queues, hooks and the lock that
// guards them. Window procedures, hooks and timer procedures are always called
// with the lock released.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/screen/screen.h"
#include "platform/win/winuser.h"

namespace winimpl {

using Lock = std::unique_lock<std::recursive_mutex>;
// One lock for the whole user side, as the queues, the window tree and the
// input state change together.
std::recursive_mutex& UserMutex();
// Woken whenever a queue gets something or a waited-for state changes.
std::condition_variable_any& UserWake();
void WakeAll();
// Counts every WakeAll: a waiter that saw the same count before and after its
// look at the queue missed nothing and may sleep.
uint64_t WakeCount();

// ---- Text -----------------------------------------------------------------
std::u16string Utf8ToUtf16(const char* s, std::size_t n);
inline std::u16string Utf8ToUtf16(const std::string& s) { return Utf8ToUtf16(s.data(), s.size()); }
std::string Utf16ToUtf8(const char16_t* s, std::size_t n);
inline std::string Utf16ToUtf8(const std::u16string& s) { return Utf16ToUtf8(s.data(), s.size()); }
std::size_t WideLen(const char16_t* s);
std::u16string WideOf(const char* s);      // nullptr -> ""
std::u16string WideOfW(const char16_t* s);  // nullptr -> ""
bool SameNameNoCase(const std::u16string& a, const std::u16string& b);
// Copies to a caller's buffer of Max units (terminated); returns units copied.
int CopyOut(const std::u16string& s, LPWSTR buf, int max);
int CopyOutA(const std::string& s, LPSTR buf, int max);  // never splits a UTF-8 sequence

// A property name that is also an atom's name becomes the atom's key, so
// both spellings of one property find it.
std::u16string PropCanonical(const std::u16string& key);

// ---- Classes --------------------------------------------------------------
struct TClass {
    ATOM Atom = 0;
    std::u16string Name;
    UINT Style = 0;
    WNDPROC Proc = nullptr;
    bool Unicode = false;
    int ClsExtra = 0;
    int WndExtra = 0;
    HINSTANCE Instance = nullptr;
    HICON Icon = nullptr;
    HICON IconSm = nullptr;
    HCURSOR Cursor = nullptr;
    HBRUSH Background = nullptr;
    std::u16string MenuName;
    std::vector<BYTE> Extra;
    int Windows = 0;  // live windows of the class
};
TClass* FindClass(const std::u16string& name);  // by name or "#atom"
// A class name argument (string or MAKEINTATOM) as a key.
std::u16string ClassKeyA(LPCSTR name);
std::u16string ClassKeyW(LPCWSTR name);

// ---- Windows --------------------------------------------------------------
struct TScrollBar {
    int Min = 0, Max = 100, Page = 0, Pos = 0, TrackPos = 0;
    bool Shown = false;  // by style
    UINT Disabled = 0;   // ESB_ bits
};

struct TThreadQueue;

struct TWnd {
    HWND Handle = nullptr;
    TClass* Class = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    RECT Window{};  // in the parent's client coordinates (screen for top-level windows)
    RECT Client{};  // same coordinates as Window
    HWND Parent = nullptr;  // the desktop for top-level windows
    HWND Owner = nullptr;
    std::vector<HWND> Children;  // top of the z-order first
    std::u16string Text;
    WNDPROC Proc = nullptr;
    bool Unicode = false;
    LONG_PTR UserData = 0;
    LONG_PTR Id = 0;
    HINSTANCE Instance = nullptr;
    std::vector<BYTE> Extra;
    std::vector<std::pair<std::u16string, HANDLE>> Props;
    HRGN WindowRgn = nullptr;  // window coordinates
    HRGN UpdateRgn = nullptr;  // client coordinates; nullptr when nothing is invalid
    bool ErasePending = false;
    bool FramePending = false;
    bool InternalPaint = false;
    bool PaintPending() const { return UpdateRgn != nullptr || InternalPaint; }
    DWORD ThreadId = 0;
    std::shared_ptr<TThreadQueue> Queue;
    bool Destroying = false;
    bool NeedSizeMove = true;  // WM_SIZE/WM_MOVE not sent yet
    bool MessageOnly = false;
    bool Desktop = false;
    TGdiSurface* Surface = nullptr;  // top-level windows only
    RECT NormalRect{};               // restored position (parent coordinates)
    HMENU Menu = nullptr;
    HICON IconSmall = nullptr;
    HICON IconBig = nullptr;
    TScrollBar HScroll, VScroll;
    bool NcActive = false;  // the frame is drawn active (WM_NCACTIVATE)
    int Redraw = 1;  // WM_SETREDRAW
    UINT Kind = WINKIND_NONE;  // the standard control it is (WinSetWindowKind)
};

// Live window by handle; nullptr for null, stale or foreign handles. Lock held.
TWnd* Find(HWND h);
HWND DesktopHandle();
TWnd* DesktopWnd();
bool IsTopLevel(const TWnd* w);
bool IsDescendant(HWND ancestor, HWND h);
// Screen position of a window's parent client origin.
POINT ParentOrigin(const TWnd* w);
RECT WindowOnScreen(const TWnd* w);
RECT ClientOnScreen(const TWnd* w);
// The top-level window holding w (w itself for top-level windows).
TWnd* TopLevelOf(TWnd* w);
bool VisibleOnScreen(const TWnd* w);  // w and all its ancestors visible
// All windows in tree order (parents before children), top-level z-order.
std::vector<HWND> AllWindows();
std::vector<HWND> TopLevels();  // z-order, top first

// ---- Procedures -----------------------------------------------------------
// Calls a procedure of known kind with arguments of the other kind converted
// (text messages) when the kinds differ.
LRESULT CallProc(WNDPROC proc, bool procUnicode, bool argsUnicode, HWND h, UINT m, WPARAM w, LPARAM l);
// Sends without queues: the window's procedure on this thread (WH_CALLWNDPROC run).
LRESULT SendInternal(HWND h, UINT m, WPARAM w, LPARAM l, bool argsUnicode);
LRESULT SendW(HWND h, UINT m, WPARAM w, LPARAM l);
LRESULT SendA(HWND h, UINT m, WPARAM w, LPARAM l);
LRESULT DefProc(HWND h, UINT m, WPARAM w, LPARAM l, bool unicode);

// ---- Queues ---------------------------------------------------------------
struct TSentMessage {
    HWND Hwnd = nullptr;
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    bool Unicode = true;
    bool Notify = false;   // the sender does not wait
    bool Done = false;
    bool Replied = false;
    bool Abandoned = false;  // the sender gave up waiting: no longer delivered, a late reply is dropped
    LRESULT Result = 0;
};

struct TTimer {
    HWND Hwnd = nullptr;
    UINT_PTR Id = 0;
    UINT Interval = 0;
    TIMERPROC Proc = nullptr;
    uint64_t Due = 0;
};

struct THook {
    int IdHook = 0;
    HOOKPROC Proc = nullptr;
    bool Unicode = false;
    bool Removed = false;
    DWORD ThreadId = 0;
};

struct TQueuedMessage {
    MSG Msg{};
    bool Input = false;  // keyboard or mouse
};

struct TThreadQueue {
    DWORD ThreadId = 0;
    bool Dead = false;
    std::deque<TQueuedMessage> Posted;
    std::deque<std::shared_ptr<TSentMessage>> Sent;
    std::vector<std::shared_ptr<TSentMessage>> Receiving;  // being processed, innermost last
    std::vector<TTimer> Timers;
    std::list<std::shared_ptr<THook>> Hooks[16];  // by idHook + 1, newest first
    bool Quit = false;
    int QuitCode = 0;
    DWORD MsgTime = 0;
    POINT MsgPos{};
    BYTE KeyState[256]{};  // as of the last input message taken from the queue
    int CursorShow = 0;
};

TThreadQueue* CurrentQueue();  // made on first use
std::shared_ptr<TThreadQueue> CurrentQueueShared();
std::shared_ptr<TThreadQueue> QueueOfThread(DWORD tid);
uint64_t NowMs();
DWORD Tick();
// Answers the messages other threads sent to this one. Lock must not be held.
bool ReceiveSent();
void PostToQueue(TThreadQueue* q, const MSG& m, bool input, bool front = false);
// Removes a destroyed window's queued messages and timers.
void PurgeWindow(HWND h);

// ---- Hooks ----------------------------------------------------------------
bool HasHooks(int idHook);
// Calls the chain of this thread's idHook hooks. A/W records: the caller gives both.
LRESULT CallHooks(int idHook, int code, WPARAM w, LPARAM lA, LPARAM lW);

// ---- Painting -------------------------------------------------------------
void CreateSurfaceFor(TWnd* w);
void DestroySurfaceFor(TWnd* w);
// Marks a rectangle (client coordinates; nullptr: the whole client) invalid
// or valid, with RDW_ flags, walking children as RedrawWindow does.
void InvalidateInternal(TWnd* w, HRGN rgnClient, UINT flags);
// Invalidates in the parent what the window covered (rect in parent client coords).
void ExposeParentArea(TWnd* parent, const RECT& rect, HWND except);
HWND NextWindowToPaint(TThreadQueue* q, HWND filter);
void NotifyScreenDamage(TWnd* top, const RECT& rectInWindow);
void PaintNonClient(HWND h, HRGN rgn);
HRGN VisibleRegion(TWnd* w, bool client, bool clipChildren, bool clipSiblings);

// ---- Screen ---------------------------------------------------------------
TScreen* Screen();        // opened on first use
TScreen* ScreenIfOpen();  // nullptr when none is open (at shut-down)
void ScreenTopLevelChanged(TWnd* w, bool moved, bool shown, bool zorder);
void ScreenResizeSurface(TWnd* w, int width, int height);
void ScreenZOrder();

// ---- Geometry and state ---------------------------------------------------
BOOL SetWindowPosInternal(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags);
void DestroyWindowTree(HWND h);
void DestroyThreadWindows(DWORD tid);  // without messages: the thread has ended
void ActivateWindow(HWND h, WORD how);  // how: WA_ACTIVE or WA_CLICKACTIVE
void WindowGoneFromInput(HWND h);       // focus, capture, activation, tracking
void ComputeFrame(DWORD style, DWORD exStyle, bool menu, RECT& r);  // client from window
// The size limits of a resizable window: the defaults, as its WM_GETMINMAXINFO
// changed them. Lock must not be held.
MINMAXINFO AskMinMaxInfo(HWND h);
LRESULT DefHitTest(TWnd* w, POINT screen);
void CancelMouseTracking(HWND h);
void BringToTopSilently(HWND h);
bool PointInWindowShape(TWnd* w, POINT screen);
HWND WindowAt(POINT screen, const std::vector<HWND>& skip);
// Mouse key flags (MK_) from the current button and key state.
WPARAM MouseKeyFlags();
void ProcessRawInput();
bool RawButtonUpPending();  // a left-button release not yet turned into a message
void CheckHover();
uint64_t NextHoverDue();


}  // namespace winimpl
