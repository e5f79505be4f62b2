// Effects that work through the alpha channel or the channel histograms: a
// Gaussian blur, a soft drop shadow, rounded corners, and histogram matching
// (the camera-raw reader matches a decoded image to its embedded preview).
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"

class TIEBitmap;
class TObject;

// Blurs an ie8g or ieRGB24 bitmap in place with a separable kernel of integer
// weights (x 65536); other formats, empty bitmaps and sigma <= 0 do nothing.
void GaussianBlur(TIEBitmap* bitmap, TObject* Sender, const TIEProgressEvent& OnProgress, double sigma);
// Half-width r (1..100) and weights w[-100..100] (index k + 100) of the kernel.
int32_t GaussianKernel(double sigma, int32_t weights[201]);
// A blurred, offset shadow of the opaque part of an ie1g or ieRGB24 image,
// drawn through its alpha channel; with enlarge the canvas grows to hold it.
void AddSoftShadow(TIEBitmap* bitmap, int32_t offsetX, int32_t offsetY, double radius, TRGB shadowColour, bool enlarge,
                   TObject* Sender = nullptr, const TIEProgressEvent& OnProgress = {});
// Makes the four corners transparent outside curves of width w and height h.
void RoundAlphaCorners(TIEBitmap* bitmap, int32_t w, int32_t h);
// Each channel of target (ieRGB24 or ieRGB48) follows the histogram of the
// ieRGB24 reference.
void MatchHistogram(TIEBitmap* reference, TIEBitmap* target);
// One channel (0 blue, 1 green, 2 red) against a reference histogram.
void MatchChannel(TIEBitmap* target, int32_t channel, const int32_t referenceHistogram[256], int64_t referenceCount);
