// Format codes, the process-wide registry of image formats, detection of a
// format from content, the shapes of format filters and the pixel-row colour
// converter the filters share.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

using TIOFormatCode = int32_t;
constexpr TIOFormatCode ioUnknown = 0;
constexpr TIOFormatCode ioTIFF = 1;
constexpr TIOFormatCode ioGIF = 2;
constexpr TIOFormatCode ioJPEG = 3;
constexpr TIOFormatCode ioPCX = 4;
constexpr TIOFormatCode ioBMP = 5;
constexpr TIOFormatCode ioICO = 6;
constexpr TIOFormatCode ioCUR = 7;
constexpr TIOFormatCode ioPNG = 8;
constexpr TIOFormatCode ioWMF = 9;
constexpr TIOFormatCode ioEMF = 10;
constexpr TIOFormatCode ioTGA = 11;
constexpr TIOFormatCode ioPXM = 12;
constexpr TIOFormatCode ioJP2 = 13;
constexpr TIOFormatCode ioJ2K = 14;
constexpr TIOFormatCode ioAVI = 15;
constexpr TIOFormatCode ioWBMP = 16;
constexpr TIOFormatCode ioPS = 17;
constexpr TIOFormatCode ioPDF = 18;
constexpr TIOFormatCode ioDCX = 19;
constexpr TIOFormatCode ioRAW = 20;
constexpr TIOFormatCode ioBMPRAW = 21;

// Pages of the save-parameters dialog.
constexpr uint16_t ppAll = 1, ppAuto = 2, ppJPEG = 4, ppTIFF = 8, ppGIF = 16, ppBMP = 32, ppPCX = 64, ppPNG = 128,
                   ppTGA = 256, ppJ2000 = 512;

// Filter shapes.
using TReadFunction = void (*)(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                               TIEProgressRecord& Progress);
using TWriteFunction = void (*)(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                                TIEProgressRecord& Progress);
using TTryFunction = bool (*)(TStream& Stream, TIOFormatCode FileType);

struct TIEFileFormatEntry {
    int32_t FileType = 0;
    std::string FullName;      // up to 80 characters
    std::string Extensions;    // upper case, no dot, ";" separated
    bool InternalFormat = false;
    uint16_t DialogPage = 0;
    TReadFunction ReadFunction = nullptr;
    TWriteFunction WriteFunction = nullptr;
    TTryFunction TryFunction = nullptr;
};

// Start-up and shut-down of the I/O unit: registry, default codecs, row converter.
void IEIOStartup();
void IEIOShutdown();

void RegisterFileFormat(const TIEFileFormatEntry& Entry);
void UnregisterFileFormat(int32_t FileType);
TIEFileFormatEntry* FindFormatByType(int32_t FileType);
int GetFileExtensionCount(int32_t FileType);
std::string GetFileExtension(int32_t FileType, int Index);
TIEFileFormatEntry* FindFormatByExtension(const std::string& Ext);
TIOFormatCode FindFileTypeByExtension(const std::string& Ext);
bool IsReadableImageFile(const std::string& FileName);
int RegisteredFormatCount();
TIEFileFormatEntry* RegisteredFormat(int Index);

// Detection; the position is unchanged afterwards.
TIOFormatCode FindStreamFormat(TStream& Stream);
TIOFormatCode FindFileFormat(const std::string& FileName, bool VerifyExtension);
bool IsAVIStream(TStream& Stream);
// Metafile content tests (position kept): a Windows metafile header, optionally after a
// placeable header; an enhanced metafile's header record.
bool IsWMFStream(TStream& Stream);
bool IsEMFStream(TStream& Stream);
// "II*\0" or "MM\0*" at the position (position kept).
bool IsTIFFStream(TStream& Stream);
// The characters before the first zero byte among the first five bytes of Header.
std::string StreamHeaderSignature(const uint8_t* Header);

// Pixel-row colour conversion. Layout codes.
enum : uint8_t {
    iecrRGB = 0,
    iecrBGR = 1,
    iecrAlphaColor = 2,  // c0, c1, c2, s: colour c·s/255 (inverted CMYK of Adobe files)
    iecrCMYK = 3,
    iecrCIELab = 4,
    iecrGray8 = 5,
    iecrRGB48 = 6,
    iecrRGB48BE = 7,
};
// Converts Count pixels; Source is never changed. False (Dest untouched) for a pair
// without a conversion.
using TIEConvertColorFunction = bool (*)(const void* Source, uint8_t SourceFormat, void* Dest, TIOParamsVals* Params,
                                         int32_t Count, uint8_t DestFormat);
bool ConvertColorRow(const void* Source, uint8_t SourceFormat, void* Dest, TIOParamsVals* Params, int32_t Count,
                     uint8_t DestFormat);
extern TIEConvertColorFunction ColorRowConverter;
extern bool EnableColorManagement;

TRGB AlphaColorToRGB(uint32_t Value);
uint32_t RGBToAlphaColor(TRGB RGB);
