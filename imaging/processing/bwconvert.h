// Black-and-white conversions and colour reduction: grey thresholds (fixed,
// average grey, maximum entropy), the 8x8 ordered dither, detection of
// two-colour images, and reduction of a 24-bit image to N palette colours.
// In ie1g a clear bit is black and a set bit white; a grey level is the
// weighted grey of the pixel's colour (see pixelutils.h).
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/bitmaps/iedefs.h"

class TIEBitmap;
class TObject;

// The ordered-dither matrix, indexed [x mod 8][y mod 8].
extern const uint8_t IEOrderedDitherMatrix[8][8];

// Writes dest (made ie1g of source's size when it is not) from source of any
// format: black where grey < threshold, white otherwise. threshold 0..255, or
// -1 for the average grey, or -2 for the maximum-entropy threshold. An ie1g
// source is copied.
void ThresholdToBW(TIEBitmap* source, TIEBitmap* dest, int32_t threshold, TIEProgressRecord& progress);
// An ieRGB24 bitmap becomes ie1g by ThresholdToBW (alpha channel kept); other
// formats are left alone.
void ThresholdTo1Bit(TIEBitmap* bitmap, int32_t threshold, TIEProgressRecord& progress);
// An ieRGB24 bitmap becomes ie1g by the ordered dither (alpha channel kept).
void OrderedDitherTo1Bit(TIEBitmap* bitmap, TIEProgressRecord& progress);
// A new ie1g bitmap when the image has exactly two colours, else nullptr.
// colour0 gets the darker colour (bit 0), colour1 the other (bit 1).
std::unique_ptr<TIEBitmap> TryConvertTo1Bit(TIEBitmap* bitmap, TRGB& colour0, TRGB& colour1);
// Every pixel of an ieRGB24 bitmap becomes its colour in a palette of N
// colours from TIEQuantizer; palette (N entries, may be null) receives it.
void QuantizeBitmap(TIEBitmap* bitmap, int32_t N, TRGB* palette, TObject* Sender, const TIEProgressEvent& OnProgress);
// Mean of each channel, 0..255 (per row, then over rows).
void AverageRGB(TIEBitmap* bitmap, int32_t& red, int32_t& green, int32_t& blue);
// Pixels per grey level.
void GreyHistogram(TIEBitmap* bitmap, int32_t counts[256]);
// The maximum-entropy threshold of a grey histogram; -2 when the image has a
// single grey level (every pixel then counts as white).
int32_t MaxEntropyThreshold(const int32_t counts[256]);
// Inverts every byte of every row of an ie1g bitmap (padding bits included).
void InvertBits(TIEBitmap* bitmap);
