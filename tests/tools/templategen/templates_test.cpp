// The shipped templates must hold everything the menu composition reads, keep
// every button on both page sizes, and give the subpicture multiplexer masks of
// few colours with black as the transparent one.
#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

std::map<std::string, int> ReadDat(const fs::path& file) {
    std::ifstream in(file);
    std::map<std::string, int> v;
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line[0] == '[') {
            section = line.substr(1, line.size() - 2);
        } else if (auto eq = line.find('='); eq != std::string::npos) {
            v[section + "." + line.substr(0, eq)] = std::stoi(line.substr(eq + 1));
        }
    }
    return v;
}

struct Png {
    int w = 0, h = 0;
    std::set<uint32_t> colours;  // opaque colours; fully transparent pixels count as black
    bool partial = false;        // any alpha other than 0 and 255
};

Png ReadPng(const fs::path& file) {
    Png p;
    cairo_surface_t* s = cairo_image_surface_create_from_png(file.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return p;
    }
    p.w = cairo_image_surface_get_width(s);
    p.h = cairo_image_surface_get_height(s);
    const unsigned char* d = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            uint32_t px = reinterpret_cast<const uint32_t*>(d + y * stride)[x];
            uint32_t a = px >> 24;
            if (a != 0 && a != 255) p.partial = true;
            p.colours.insert(a == 0 ? 0 : px & 0xFFFFFF);
        }
    cairo_surface_destroy(s);
    return p;
}

TEST(Templates, EveryTemplateIsComplete) {
    fs::path app = TESSARO_APP_DIR;
    const char* files[] = {"dat.dat", "bg_pal.jpg", "bg_ntsc.jpg", "bg_pal_mask.png", "bg_ntsc_mask.png", "frame.png",
                           "frame_mask_blue.png", "frame_mask_red.png", "first.png", "pre.png", "next.png",
                           "first_mask_blue.png", "pre_mask_blue.png", "next_mask_blue.png", "first_mask_red.png",
                           "pre_mask_red.png", "next_mask_red.png"};
    int count = 0;
    for (int n = 1; fs::exists(app / ("template" + std::to_string(n))); ++n, ++count) {
        fs::path dir = app / ("template" + std::to_string(n));
        for (auto f : files) EXPECT_TRUE(fs::is_regular_file(dir / f)) << dir / f;
        EXPECT_TRUE(fs::is_regular_file(app / "preview" / (std::to_string(n) + ".jpg"))) << n;
    }
    EXPECT_GE(count, 3);
}

TEST(Templates, ButtonsFitBothPageSizesAndMasksSuitTheSubpictures) {
    fs::path app = TESSARO_APP_DIR;
    for (int n = 1; fs::exists(app / ("template" + std::to_string(n))); ++n) {
        SCOPED_TRACE("template " + std::to_string(n));
        fs::path dir = app / ("template" + std::to_string(n));
        auto v = ReadDat(dir / "dat.dat");
        int navW = v["First.width"], navH = v["First.height"];
        ASSERT_GT(navW, 0);
        ASSERT_GT(navH, 0);
        struct Box {
            const char* name;
            int x, y, w, h;
        } boxes[] = {{"Button1", v["Button1.x"] - v["Diff.x"], v["Button1.y"] - v["Diff.y"], 160, 124},
                     {"Button2", v["Button2.x"] - v["Diff.x"], v["Button2.y"] - v["Diff.y"], 160, 124},
                     {"First", v["First.x"], v["First.y"], navW, navH},
                     {"Pre", v["Pre.x"], v["Pre.y"], navW, navH},
                     {"Next", v["Next.x"], v["Next.y"], navW, navH}};
        for (const auto& b : boxes) {
            EXPECT_GE(b.x, 0) << b.name;
            EXPECT_GE(b.y, 0) << b.name;
            EXPECT_LE(b.x + b.w, 720) << b.name;
            EXPECT_LE(b.y + b.h, 480) << b.name << " (NTSC page)";
        }
        for (const auto& b : boxes) {
            for (const auto& c : boxes) {
                if (&b < &c) {
                    EXPECT_TRUE(b.x + b.w <= c.x || c.x + c.w <= b.x || b.y + b.h <= c.y || c.y + c.h <= b.y)
                        << b.name << " overlaps " << c.name;
                }
            }
        }

        EXPECT_EQ(ReadPng(dir / "frame.png").w, 160);
        for (const char* m : {"frame_mask_blue.png", "frame_mask_red.png", "first_mask_blue.png", "first_mask_red.png",
                              "pre_mask_blue.png", "pre_mask_red.png", "next_mask_blue.png", "next_mask_red.png",
                              "bg_pal_mask.png", "bg_ntsc_mask.png"}) {
            Png p = ReadPng(dir / m);
            ASSERT_GT(p.w, 0) << m;
            EXPECT_FALSE(p.partial) << m << " has partly transparent pixels";
            EXPECT_LE(p.colours.size(), 2u) << m;
            for (uint32_t c : p.colours) EXPECT_TRUE(c == 0 || c == 0xFF0000 || c == 0x0000FF) << m << " " << std::hex << c;
        }
        EXPECT_EQ(ReadPng(dir / "bg_pal_mask.png").h, 576);
        EXPECT_EQ(ReadPng(dir / "bg_ntsc_mask.png").h, 480);
    }
}

}  // namespace
