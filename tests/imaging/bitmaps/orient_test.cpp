// EXIF orientation.
#include <gtest/gtest.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"

// Orientation turns a stored 3x2 image upright; D(x, y) = S(f(x, y)).
TEST(EXIFOrientation, AllEightValues) {
    struct {
        int o;
        int w, h;
        // stored coordinates (sx, sy) of display pixel (x, y)
        int (*sx)(int x, int y);
        int (*sy)(int x, int y);
    } cases[] = {
        {1, 3, 2, [](int x, int) { return x; }, [](int, int y) { return y; }},
        {2, 3, 2, [](int x, int) { return 2 - x; }, [](int, int y) { return y; }},
        {3, 3, 2, [](int x, int) { return 2 - x; }, [](int, int y) { return 1 - y; }},
        {4, 3, 2, [](int x, int) { return x; }, [](int, int y) { return 1 - y; }},
        {5, 2, 3, [](int, int y) { return y; }, [](int x, int) { return x; }},
        {6, 2, 3, [](int, int y) { return y; }, [](int x, int) { return 1 - x; }},
        {7, 2, 3, [](int, int y) { return 2 - y; }, [](int x, int) { return 1 - x; }},
        {8, 2, 3, [](int, int y) { return 2 - y; }, [](int x, int) { return x; }},
    };
    for (auto& c : cases) {
        TIEBitmap b;
        b.Allocate(3, 2, ie8g);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) b.SetPixel8(x, y, static_cast<uint8_t>(10 * y + x));
        ApplyEXIFOrientation(&b, c.o);
        ASSERT_EQ(b.Width(), c.w) << c.o;
        ASSERT_EQ(b.Height(), c.h) << c.o;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                EXPECT_EQ(b.GetPixel8(x, y), 10 * c.sy(x, y) + c.sx(x, y)) << "orientation " << c.o << " at " << x << "," << y;
    }
}
