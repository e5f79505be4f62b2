// Where top-level windows appear. The window layer drives a screen: it tells it
// when a top-level window appears, moves, changes size, shape, stacking or
// visibility and which pixels of its surface changed; the screen hands input
// back through a TScreenInputSink. Two screens exist: "headless" (a virtual
// desktop in memory, for tests and screenshots) and "x11".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/windef.h"

struct TGdiSurface;

enum class TScreenMouseKind { Move, Down, Up, Wheel };
enum class TScreenButton { NoButton, Left, Right, Middle };

struct TScreenMouseEvent {
    TScreenMouseKind Kind = TScreenMouseKind::Move;
    TScreenButton Button = TScreenButton::NoButton;
    POINT Pos{};        // screen coordinates
    int WheelDelta = 0;  // multiples of 120, positive away from the user
    DWORD Time = 0;     // 0: the layer stamps it
};

struct TScreenKeyEvent {
    bool Down = true;
    int VirtualKey = 0;    // VK_ code; VK_PACKET carries Char only
    char16_t Char = 0;     // the UTF-16 unit the key types, 0 when none
    DWORD Time = 0;
};

// Implemented by the window layer; may be called from any thread.
class TScreenInputSink {
public:
    virtual ~TScreenInputSink() = default;
    virtual void MouseInput(const TScreenMouseEvent& Event) = 0;
    virtual void KeyInput(const TScreenKeyEvent& Event) = 0;
    // The user asked to close a top-level window (the window manager's close).
    virtual void CloseRequest(HWND Window) = 0;
    // Files dropped at a screen point on a top-level window.
    virtual void FilesDropped(HWND Window, POINT ScreenPos, const std::vector<std::string>& Files) = 0;
    // The screen moved a top-level window itself (x11 window managers may).
    virtual void MovedByScreen(HWND Window, POINT ScreenPos) = 0;
    // The screen gave or took the keyboard focus of a top-level window.
    virtual void ActivationChanged(HWND Window, bool Active) = 0;
};

class TScreen {
public:
    virtual ~TScreen() = default;
    virtual const char* Name() const = 0;
    virtual SIZE DesktopSize() const = 0;
    virtual void SetInputSink(TScreenInputSink* Sink) = 0;

    // Surface: the window's backing pixels (owned by the window layer, alive
    // until WindowDestroyed). Rect: the window rectangle in screen coordinates.
    virtual void WindowCreated(HWND Window, TGdiSurface* Surface, const RECT& Rect, bool TopMost) = 0;
    virtual void WindowDestroyed(HWND Window) = 0;
    // Position or size changed; the surface has the new size already.
    virtual void WindowMoved(HWND Window, const RECT& Rect) = 0;
    // Gives a window's surface its new size. A screen that reads surfaces on a
    // thread of its own does it under the lock of those reads.
    virtual void ResizeSurface(HWND Window, TGdiSurface* Surface, int Width, int Height);
    virtual void WindowShown(HWND Window, bool Visible) = 0;
    // Stacking of all top-level windows, topmost first.
    virtual void WindowZOrder(const std::vector<HWND>& TopFirst) = 0;
    // Rect (window coordinates) of the surface changed. A screen may gather
    // changes and show them at Idle (or after a short while at the latest).
    virtual void WindowDamaged(HWND Window, const RECT& Rect) = 0;
    // A thread of the window layer has no message left to handle: show what
    // changed and send what waits. Called often; cheap when nothing waits.
    virtual void Idle() {}
    // The shape: rectangles in window coordinates; Shaped false removes it.
    virtual void WindowShape(HWND Window, bool Shaped, const std::vector<RECT>& Rects) = 0;
    virtual void WindowTitle(HWND Window, const std::string& Title) = 0;
    virtual void WindowActivated(HWND Window) = 0;
    // The pointer shape: an IDC_ number (32512 arrow ...).
    virtual void SetPointerShape(int StandardCursorId) = 0;
    virtual POINT PointerPos() const = 0;
    virtual void SetPointerPos(POINT Pos) = 0;
    // Everything sent so far, and every change gathered, reaches the display.
    virtual void Flush() = 0;

    // The desktop's clipboard, for screens that share one with other programs.
    // The program's clipboard now holds this text (UTF-8); other programs may paste it.
    virtual void OfferClipboardText(const std::string& Utf8) { (void)Utf8; }
    // The program's clipboard holds no text any more.
    virtual void ReleaseClipboard() {}
    // True when another program owns the desktop's clipboard; Utf8 is then the
    // text it offers (empty when it offers none or does not answer in time).
    virtual bool ForeignClipboardText(std::string& Utf8) {
        (void)Utf8;
        return false;
    }
};

// Opens the screen the environment asks for: TESSARO_SCREEN=headless or x11,
// else x11 when DISPLAY is set (falling back to headless when it cannot open),
// else headless.
std::unique_ptr<TScreen> OpenScreen();
std::unique_ptr<TScreen> OpenHeadlessScreen(int Width = 1280, int Height = 1024);
// nullptr when the display cannot be opened.
std::unique_ptr<TScreen> OpenX11Screen();

// Reads a top-level window's pixels back from the X server (tests of the x11
// screen); false for another screen or a window that is not shown.
bool X11ReadBack(TScreen* Screen, HWND Window, std::vector<uint32_t>& Pixels, int& Width, int& Height);
