// The EXIF block of JPEG files (the APP1 payload): "Exif", two zero bytes and a
// TIFF file whose page 0 holds the EXIF fields and page 1 the thumbnail.
#pragma once

#include <cstdint>
#include <vector>

class TIOParamsVals;

std::vector<uint8_t> SaveEXIFToBuffer(TIOParamsVals& Params);
// False (Params unchanged) when Data does not start with the EXIF header.
bool LoadEXIFFromBuffer(const void* Data, int64_t Size, TIOParamsVals& Params);
// The EXIF fields and the preview picture of a TIFF-structured camera-raw file whose
// TIFF header is at the stream's position (see FindTIFFHeader); the position is kept.
// Always true.
class TStream;
bool LoadEXIFFromRawStream(TStream& Stream, TIOParamsVals& Params);
// The EXIF group of fields; HasEXIFData and the thumbnail stay.
void CopyEXIFParams(const TIOParamsVals& Source, TIOParamsVals& Dest);
