// Resampling a TIEBitmap into a second bitmap that the caller has allocated at
// the new size. Filters rfTriangle..rfLinear run one two-pass convolution
// engine with integer weights (the kernel value x 256); rfFastLinear,
// rfBilinear, rfBicubic, rfProjectBW and rfProjectWB have their own code.
// Nothing here keeps state between calls: several threads may resample at
// once, each with its own destination (a shared source must be held in memory,
// as rows of temporary-file storage are mapped one at a time).
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"

class TIEBitmap;
class TObject;

// The dispatcher: rfNone takes the nearest pixel; an ie1g source gives an ie1g
// dest for the projections and an ieRGB24 grey dest otherwise; ieRGB24 sources
// run ResampleRGB24; ie8g sources the one-channel engine; other formats take
// the nearest pixel. The alpha channel is resampled alongside with the same
// filter. The source is never changed: fully transparent pixels read as grey
// 128 through a temporary copy.
void ResampleBitmap(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter, TObject* Sender = nullptr,
                    const TIEProgressEvent& OnProgress = {});
// Nearest neighbour for every pixel format (dest in the source's format).
void ResampleNearest(TIEBitmap* source, TIEBitmap* dest, TObject* Sender = nullptr, const TIEProgressEvent& OnProgress = {});
// ieRGB24 sources only (others leave dest untouched); filters 1..13.
void ResampleRGB24(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter, TObject* Sender = nullptr,
                   const TIEProgressEvent& OnProgress = {});
// 8 bits per pixel (alpha channels, grey images); filters 1..13.
void ResampleGray8(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter);
// ie1g sources: ieRGB24 grey out for filters 1..11, ie1g for the projections.
void ResampleBW(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter);
// ieRGB24 with an alpha channel: pixels whose alpha is 0 become colour.
void FillTransparentPixels(TIEBitmap* bitmap, TRGB colour);

// The convolution kernels of filters rfTriangle..rfLinear and their supports
// (half-width in source pixels at scale 1); 0 for the other filters.
double ResampleKernel(TResampleFilter filter, double x);
double ResampleSupport(TResampleFilter filter);

// ---- Resamplers without a kernel ----------------------------------------------
// Fixed-point linear interpolation when enlarging, box average when reducing.
void ResampleFastLinearRGB24(TIEBitmap* source, TIEBitmap* dest, TObject* Sender = nullptr,
                             const TIEProgressEvent& OnProgress = {});
void ResampleFastLinearGray8(TIEBitmap* source, TIEBitmap* dest);
// ie1g to ieRGB24 grey.
void ResampleFastBW(TIEBitmap* source, TIEBitmap* dest);
// Area-weighted bilinear (bicubic false) or bicubic.
void ResampleAreaRGB24(TIEBitmap* source, TIEBitmap* dest, bool bicubic, TObject* Sender = nullptr,
                       const TIEProgressEvent& OnProgress = {});
// Reduction to ie1g keeping thin black (whiteOnBlack false) or white details;
// dest becomes ie1g at its size.
void ProjectRGB24(TIEBitmap* source, TIEBitmap* dest, bool whiteOnBlack, TObject* Sender = nullptr,
                  const TIEProgressEvent& OnProgress = {});
void ProjectBW(TIEBitmap* source, TIEBitmap* dest, bool whiteOnBlack);
// Box average of the inclusive source rectangle (x1, y1)-(x2, y2) of an ie1g
// bitmap into all of an ieRGB24 dest; nothing when either is empty.
void ResampleBWToRGB24(TIEBitmap* source, int32_t x1, int32_t y1, int32_t x2, int32_t y2, TIEBitmap* dest);
