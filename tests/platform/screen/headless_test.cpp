// The headless screen on its own: choosing it, composing windows in z-order
// with their shapes, clipping at the desktop's edges, PNG round trips.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/gdi/surface.h"
#include "platform/screen/headless.h"

namespace {

HWND Id(int n) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(n)); }

TGdiSurface* Filled(int w, int h, uint32_t c) {
    TGdiSurface* s = GdiCreateSurface(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) GdiSurfacePixels(s)[y * GdiSurfaceStride(s) + x] = c;
    return s;
}

TEST(HeadlessScreen, ChosenByTheEnvironment) {
    setenv("TESSARO_SCREEN", "headless", 1);
    auto s = OpenScreen();
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->Name(), "headless");
    EXPECT_EQ(s->DesktopSize().cx, 1280);
    EXPECT_EQ(s->DesktopSize().cy, 1024);
    unsetenv("TESSARO_SCREEN");
    const char* display = std::getenv("DISPLAY");
    std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    EXPECT_STREQ(OpenScreen()->Name(), "headless");  // no display: headless
    if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
    setenv("TESSARO_SCREEN", "headless", 1);
}

TEST(HeadlessScreen, ComposesInOrderWithShapesAndEdges) {
    auto screen = OpenHeadlessScreen(200, 100);
    auto* s = dynamic_cast<THeadlessScreen*>(screen.get());
    ASSERT_NE(s, nullptr);
    TGdiSurface* red = Filled(50, 50, 0xFFFF0000);
    TGdiSurface* blue = Filled(50, 50, 0x000000FF);
    s->WindowCreated(Id(1), red, RECT{10, 10, 60, 60}, false);
    s->WindowCreated(Id(2), blue, RECT{40, 40, 90, 90}, false);
    s->WindowShown(Id(1), true);
    EXPECT_EQ(s->DesktopPixel(POINT{45, 45}), 0xFF0000u);  // blue is hidden
    s->WindowShown(Id(2), true);
    s->WindowZOrder({Id(2), Id(1)});
    EXPECT_EQ(s->DesktopPixel(POINT{45, 45}), 0x0000FFu);
    s->WindowZOrder({Id(1), Id(2)});
    EXPECT_EQ(s->DesktopPixel(POINT{45, 45}), 0xFF0000u);
    EXPECT_EQ(s->DesktopPixel(POINT{5, 5}), 0x3A6EA5u);  // the desktop
    // A shape keeps only its rectangles.
    s->WindowShape(Id(1), true, {RECT{0, 0, 20, 50}});
    EXPECT_EQ(s->DesktopPixel(POINT{45, 45}), 0x0000FFu);
    EXPECT_EQ(s->DesktopPixel(POINT{15, 45}), 0xFF0000u);
    // Partly outside the desktop: cut at its edges.
    s->WindowMoved(Id(2), RECT{-20, 70, 30, 120});
    EXPECT_EQ(s->DesktopPixel(POINT{0, 99}), 0x0000FFu);
    EXPECT_EQ(s->DesktopPixel(POINT{40, 99}), 0x3A6EA5u);

    std::string dir = std::filesystem::temp_directory_path() / ("headless_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(s->SaveRectPng(RECT{0, 60, 50, 100}, dir + "/part.png"));
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(LoadPixelsPng(dir + "/part.png", px, w, h));
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 40);
    EXPECT_EQ(px[39 * 50 + 0], 0x0000FFu);
    EXPECT_FALSE(s->SaveRectPng(RECT{300, 300, 400, 400}, dir + "/none.png"));
    EXPECT_FALSE(LoadPixelsPng(dir + "/missing.png", px, w, h));
    std::filesystem::remove_all(dir);

    s->WindowDestroyed(Id(1));
    s->WindowDestroyed(Id(2));
    EXPECT_EQ(s->DesktopPixel(POINT{15, 45}), 0x3A6EA5u);
    GdiDestroySurface(red);
    GdiDestroySurface(blue);
}

}  // namespace
