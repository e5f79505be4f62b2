// Menu page composition: each page of two titles drawn from the template's
// pictures and the title thumbnails, with its select (blue) and highlight (red)
// masks. Runs on a worker thread; it touches files and its own bitmaps only.
#pragma once

#include <functional>
#include <string>

// Draw Overlay unscaled with its top-left corner at (X, Y) onto Base and write the
// result in Base's kind to Output (which may be Base). JPEG results are baseline
// at quality 90. Raise when a picture cannot be read or written.
void OverlayJpegOnJpeg(const std::string& Base, const std::string& Overlay, const std::string& Output, int X, int Y);
void OverlayPngOnJpeg(const std::string& Base, const std::string& Overlay, const std::string& Output, int X, int Y);
void OverlayPngOnPng(const std::string& Base, const std::string& Overlay, const std::string& Output, int X, int Y);

// The template's page background and mask background for Options.VideoFormat;
// "" for a format other than PAL and NTSC.
std::string MenuBackgroundFile();
std::string MenuBackgroundMaskFile();

// Composes every page of Options.TitleCount titles into Options.TempDir and
// deletes the thumbnails; false when a picture failed (the pages after it are
// skipped). Progress gets the step's fixed progress values; Wait the pauses
// between them (500 ms each).
bool BuildMenuImages(const std::function<void(int)>& Progress, const std::function<void(int)>& Wait);
