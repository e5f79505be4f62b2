// Comparing a window with a golden PNG under tests/data: the first run writes
// the golden image (and reports it), later runs compare every pixel. A shaped
// top-level window is taken as it shows on the desktop: what lies outside its
// region is the desktop's colour, whatever its surface holds there.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"

// PNG of a window as WinSaveWindowPng takes it, with the pixels outside a
// top-level window's region in the desktop's colour.
inline bool SaveWindowAsShownPng(HWND Window, const std::string& Path) {
    if (!WinSaveWindowPng(Window, Path)) return false;
    if (GetParent(Window) && (GetWindowLongW(Window, GWL_STYLE) & WS_CHILD)) return true;
    HRGN Region = CreateRectRgn(0, 0, 0, 0);
    const bool Shaped = GetWindowRgn(Window, Region) != ERROR;
    bool Ok = true;
    if (Shaped) {
        std::vector<uint32_t> Pixels;
        int W = 0, H = 0;
        Ok = LoadPixelsPng(Path, Pixels, W, H);
        const COLORREF C = GetSysColor(COLOR_DESKTOP);
        const uint32_t Desktop = (GetRValue(C) << 16) | (GetGValue(C) << 8) | GetBValue(C);
        for (int Y = 0; Ok && Y < H; ++Y)
            for (int X = 0; X < W; ++X)
                if (!PtInRegion(Region, X, Y)) Pixels[static_cast<size_t>(Y) * W + X] = Desktop;
        Ok = Ok && SavePixelsPng(Path, Pixels.data(), W, H, W);
    }
    DeleteObject(Region);
    return Ok;
}

// Writes the golden image through Save on the first run; later runs take a
// shot through Save and compare every pixel with it.
template <typename SaveFn>
inline void ExpectShotMatchesGolden(SaveFn Save, const std::string& RelativePath) {
    std::string Golden = std::string(TESSARO_TEST_DATA) + "/" + RelativePath;
    if (!std::filesystem::exists(Golden)) {
        std::filesystem::create_directories(std::filesystem::path(Golden).parent_path());
        ASSERT_TRUE(Save(Golden));
        std::printf("golden image written: %s\n", Golden.c_str());
        return;
    }
    static int Calls = 0;
    std::string Shot = (std::filesystem::temp_directory_path() /
                        ("golden_shot_" + std::to_string(getpid()) + "_" + std::to_string(++Calls) + ".png"))
                           .string();
    ASSERT_TRUE(Save(Shot));
    std::vector<uint32_t> A, B;
    int AW = 0, AH = 0, BW = 0, BH = 0;
    ASSERT_TRUE(LoadPixelsPng(Shot, A, AW, AH));
    std::remove(Shot.c_str());
    ASSERT_TRUE(LoadPixelsPng(Golden, B, BW, BH));
    ASSERT_EQ(AW, BW);
    ASSERT_EQ(AH, BH);
    size_t Diff = 0;
    for (size_t I = 0; I < A.size(); ++I) Diff += (A[I] & 0xFFFFFF) != (B[I] & 0xFFFFFF);
    EXPECT_EQ(Diff, 0u) << RelativePath << " differs from its golden image";
}

inline void ExpectWindowMatchesGolden(HWND Window, const std::string& RelativePath) {
    ExpectShotMatchesGolden([Window](const std::string& Path) { return SaveWindowAsShownPng(Window, Path); },
                            RelativePath);
}

// The same for a rectangle of the headless screen's desktop, every window in it.
inline void ExpectDesktopRectMatchesGolden(const RECT& ScreenRect, const std::string& RelativePath) {
    THeadlessScreen* Screen = WinHeadlessScreen();
    ASSERT_NE(Screen, nullptr);
    ExpectShotMatchesGolden([&](const std::string& Path) { return Screen->SaveRectPng(ScreenRect, Path); },
                            RelativePath);
}
