// The root window of a test's own X server, read and painted with Xlib.
#pragma once

#include <cstdint>

namespace xvfbtest {

// Gives the root window one colour (0xRRGGBB) where no window covers it.
bool SetRootColour(uint32_t Rgb);
// The colour (0xRRGGBB) the screen shows at a point, windows included.
bool ScreenPixel(int X, int Y, uint32_t& Rgb);

}  // namespace xvfbtest
