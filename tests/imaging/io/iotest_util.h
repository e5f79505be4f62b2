// Helpers of the image I/O tests: temporary folders, test images, and decoding
// files with ImageMagick to compare pixels with what another program reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieioparams.h"
#include "platform/rtl/classes.h"
#include "temp_folder.h"

namespace iotest {

inline std::string DataDir() { return std::string(TESSARO_TEST_DATA) + "/imaging/io/"; }

struct TempDir {
    TTempFolder Folder{"ieio"};
    std::filesystem::path path{Folder.Path()};
    std::string operator/(const std::string& name) const { return Folder / name; }
};

inline bool HaveConvert() {
    static int have = -1;
    if (have < 0) have = std::system("convert -version >/dev/null 2>&1") == 0 ? 1 : 0;
    return have == 1;
}

inline int Run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

inline std::vector<uint8_t> ReadAll(const std::string& file) {
    std::ifstream f(file, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& file, const std::vector<uint8_t>& data) {
    std::ofstream f(file, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// ImageMagick's decoding as 8-bit RGBA rows, top row first; empty when it failed.
inline std::vector<uint8_t> DecodeWithConvert(const std::string& file, const std::string& tmp, int frame = -1) {
    std::string in = frame >= 0 ? file + "[" + std::to_string(frame) + "]" : file;
    std::string out = tmp + ".rgba";
    if (Run("convert '" + in + "' -depth 8 rgba:'" + out + "'") != 0) return {};
    auto v = ReadAll(out);
    std::remove(out.c_str());
    return v;
}

// A colourful test image with distinct colours per pixel.
inline void FillPattern(TIEBitmap& b, int32_t w, int32_t h) {
    b.Allocate(w, h, ieRGB24);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>(x * 37 + y), static_cast<uint8_t>(y * 53 + 7),
                                       static_cast<uint8_t>((x ^ y) * 29)});
}

// Compares a bitmap's colours (and alpha when given) with RGBA rows; counts pixels beyond Tol.
inline int CountDiffs(TIEBitmap& b, const std::vector<uint8_t>& rgba, int Tol, bool CheckAlpha = false) {
    int diffs = 0;
    if (rgba.size() != static_cast<size_t>(b.Width()) * b.Height() * 4) return -1;
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * b.Width() + x) * 4];
            TRGB c = b.GetPixelRGB(x, y);
            if (std::abs(c.r - p[0]) > Tol || std::abs(c.g - p[1]) > Tol || std::abs(c.b - p[2]) > Tol) ++diffs;
            else if (CheckAlpha) {
                uint8_t a = b.HasAlphaChannel() ? b.GetAlpha(x, y) : 255;
                if (std::abs(a - p[3]) > Tol) ++diffs;
            }
        }
    return diffs;
}

inline bool SameRGB(TIEBitmap& a, TIEBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (!(a.GetPixelRGB(x, y) == b.GetPixelRGB(x, y))) return false;
    return true;
}

struct IOStartup : ::testing::Environment {
    void SetUp() override { IEIOStartup(); }
};

}  // namespace iotest
