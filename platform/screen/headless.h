// The headless screen's extras for tests: the composed desktop, PNG
// screenshots and synthetic input. Input is handed to the window layer as a
// real screen would hand it (the layer hit-tests, honours the capture and
// sends keys to the focus), so a test pumps messages afterwards.
#pragma once

#include <string>

#include "platform/rtl/windef.h"
#include "platform/screen/screen.h"

class THeadlessScreen : public TScreen {
public:
    // The desktop with every visible top-level window composed in z-order;
    // the pixels stay valid until the next call.
    virtual TGdiSurface* ComposeDesktop() = 0;
    // PNG of the composed desktop, or of a rectangle of it (screen coordinates).
    virtual bool SaveDesktopPng(const std::string& Path) = 0;
    virtual bool SaveRectPng(const RECT& ScreenRect, const std::string& Path) = 0;
    // The colour 0x00RRGGBB at a screen point of the composed desktop.
    virtual uint32_t DesktopPixel(POINT Pos) = 0;

    // Synthetic input.
    virtual void MouseMove(POINT Pos) = 0;
    virtual void MouseDown(POINT Pos, TScreenButton Button = TScreenButton::Left) = 0;
    virtual void MouseUp(POINT Pos, TScreenButton Button = TScreenButton::Left) = 0;
    virtual void Click(POINT Pos, TScreenButton Button = TScreenButton::Left) = 0;
    virtual void DoubleClick(POINT Pos, TScreenButton Button = TScreenButton::Left) = 0;
    // Press at From, move in Steps even steps to To, release.
    virtual void Drag(POINT From, POINT To, int Steps = 4, TScreenButton Button = TScreenButton::Left) = 0;
    virtual void Wheel(POINT Pos, int Delta) = 0;
    virtual void KeyDown(int VirtualKey) = 0;
    virtual void KeyUp(int VirtualKey) = 0;
    // Down and up, with the character the key types on a US layout.
    virtual void KeyPress(int VirtualKey) = 0;
    // Each character of UTF-8 Text as a typed character (VK_PACKET events).
    virtual void TypeText(const std::string& Text) = 0;
    virtual void DropFiles(HWND TopLevel, POINT ScreenPos, const std::vector<std::string>& Files) = 0;
    virtual void RequestClose(HWND TopLevel) = 0;
};

// Writes 32-bit surface pixels (0x00RRGGBB, alpha ignored) as an RGB PNG.
bool SavePixelsPng(const std::string& Path, const uint32_t* Pixels, int Width, int Height, int StridePixels);
// Reads a PNG into 0x00RRGGBB pixels; false when it cannot be read.
bool LoadPixelsPng(const std::string& Path, std::vector<uint32_t>& Pixels, int& Width, int& Height);
