// The GIF codec's LZW coder: variable code sizes (3 to 12 bits), codes packed
// least significant bit first into sub-blocks of at most 255 bytes, plain or
// interlaced row order. Pixel buffers are bottom-up DIB rows padded to 4 bytes
// at 1, 4 or 8 bits per pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/classes.h"

enum TProgressStage : uint8_t { psStarting, psRunning, psEnding };

// Stage, percentage and, when an exception ends the work, its text.
using TGIFProgress = std::function<void(TProgressStage Stage, uint8_t PercentDone, const std::string& Msg)>;

// Row length of a bottom-up DIB row: ((width x bits + 31) div 32) x 4.
int64_t DIBRowBytes(int Width, int BitsPerPixel);

// The row after Row in GIF interlaced order (passes of step 8, 8, 4, 2 from
// rows 0, 4, 2, 1). A result not below Height ends the image.
int NextInterlacedRow(int Row, int Height, int& Pass);

struct TGIFLZWTarget {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 8;  // 1, 4 or 8
};

// Decodes the LZW data at Source's position (minimum code size byte, sub-blocks,
// terminator) into Pixels, which the caller has zero-filled with
// Height x DIBRowBytes bytes. ColourBits is the exponent of the frame's colour
// table. Answers True when the data was corrupt or ended before the last row;
// the pixels decoded until then stay. Without Tolerant, corrupt data raises
// EInvalidGraphicOperation instead.
bool DecodeLZW(TStream& Source, const TGIFLZWTarget& Target, bool Interlaced, const TGIFProgress& Progress,
               uint8_t* Pixels, int ColourBits, bool Tolerant);

// Encodes the bottom-up rows of Pixels into Target: the minimum code size byte,
// the sub-blocks and the terminator.
void EncodeLZW(TStream& Target, const TGIFLZWTarget& Header, bool Interlaced, const TGIFProgress& Progress,
               const uint8_t* Pixels);
