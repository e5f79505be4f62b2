// Choosing the screen from the environment.
#include <cstdlib>
#include <cstring>

#include "platform/screen/screen.h"

#include "platform/gdi/surface.h"

void TScreen::ResizeSurface(HWND, TGdiSurface* Surface, int Width, int Height) {
    GdiResizeSurface(Surface, Width, Height);
}

std::unique_ptr<TScreen> OpenScreen() {
    const char* want = std::getenv("TESSARO_SCREEN");
    if (want && std::strcmp(want, "headless") == 0) return OpenHeadlessScreen();
    const char* display = std::getenv("DISPLAY");
    if ((want && std::strcmp(want, "x11") == 0) || (display && *display)) {
        if (auto s = OpenX11Screen()) return s;
    }
    return OpenHeadlessScreen();
}
