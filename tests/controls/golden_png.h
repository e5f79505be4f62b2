// Comparing a window with a golden PNG under tests/data: the first run writes
// the golden image (and reports it), later runs compare every pixel.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win/winscreen.h"

inline void ExpectWindowMatchesGolden(HWND Window, const std::string& RelativePath) {
    std::string Golden = std::string(TESSARO_TEST_DATA) + "/" + RelativePath;
    if (!std::filesystem::exists(Golden)) {
        std::filesystem::create_directories(std::filesystem::path(Golden).parent_path());
        ASSERT_TRUE(WinSaveWindowPng(Window, Golden));
        std::printf("golden image written: %s\n", Golden.c_str());
        return;
    }
    // One file per process and call: test programs run side by side.
    static int Calls = 0;
    std::string Shot = (std::filesystem::temp_directory_path() /
                        ("golden_shot_" + std::to_string(getpid()) + "_" + std::to_string(++Calls) + ".png"))
                           .string();
    ASSERT_TRUE(WinSaveWindowPng(Window, Shot));
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
