// Bilevel row codecs of fax coding as TIFF uses them: modified Huffman (TIFF
// compression 2), Group 3 one- and two-dimensional (3) and Group 4 (4).
// Decoded rows are ie1g rows (a set bit is white); the encoders take rows in
// which a set bit is black.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/rtl/classes.h"

// Each returns the new bit position in Data.
int64_t DecodeCCITT1DRow(uint8_t* Row, const uint8_t* Data, int64_t DataLength, int FillOrder, int64_t BitPos,
                         int32_t Width);
// A row from bit 0; answers the whole bytes used.
int64_t DecodeCCITTMHRow(uint8_t* Row, const uint8_t* Data, int64_t DataLength, int FillOrder, int32_t Width);
// ReferenceRow: the previous decoded row (ie1g form), all white before the first.
int64_t DecodeCCITT2DRow(uint8_t* Row, const uint8_t* Data, int64_t DataLength, bool AllowFillBits, int FillOrder,
                         int64_t BitPos, const uint8_t* ReferenceRow, int32_t Width);

// Encoder state of one strip.
struct TIECCITTEncoder {
    uint8_t CarryByte = 0;
    int CarryBits = 0;
    std::vector<uint8_t> Reference;  // black = 1, one byte per pixel; empty before the first row
};

void EncodeCCITTMHRow(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting);
// Row nullptr ends the strip.
void EncodeCCITT1DRow(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting,
                      TIECCITTEncoder& State);
void EncodeCCITTG3Row(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting,
                      TIECCITTEncoder& State);
void EncodeCCITTG4Row(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting,
                      TIECCITTEncoder& State);
