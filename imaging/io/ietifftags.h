// TIFF and EXIF tag numbers, one set for the TIFF reader and writer.
#pragma once

#include <cstdint>

namespace tifftag {

// Baseline and extension tags of the page's directory.
constexpr uint16_t NewSubfileType = 254;
constexpr uint16_t ImageWidth = 256;
constexpr uint16_t ImageLength = 257;
constexpr uint16_t BitsPerSample = 258;
constexpr uint16_t Compression = 259;
constexpr uint16_t PhotometricInterpretation = 262;
constexpr uint16_t FillOrder = 266;
constexpr uint16_t DocumentName = 269;
constexpr uint16_t ImageDescription = 270;
constexpr uint16_t Make = 271;
constexpr uint16_t Model = 272;
constexpr uint16_t StripOffsets = 273;
constexpr uint16_t Orientation = 274;
constexpr uint16_t SamplesPerPixel = 277;
constexpr uint16_t RowsPerStrip = 278;
constexpr uint16_t StripByteCounts = 279;
constexpr uint16_t XResolution = 282;
constexpr uint16_t YResolution = 283;
constexpr uint16_t PlanarConfiguration = 284;
constexpr uint16_t PageName = 285;
constexpr uint16_t XPosition = 286;
constexpr uint16_t YPosition = 287;
constexpr uint16_t T4Options = 292;
constexpr uint16_t T6Options = 293;
constexpr uint16_t ResolutionUnit = 296;
constexpr uint16_t PageNumber = 297;
constexpr uint16_t Software = 305;
constexpr uint16_t DateTime = 306;
constexpr uint16_t Artist = 315;
constexpr uint16_t Predictor = 317;
constexpr uint16_t WhitePoint = 318;
constexpr uint16_t PrimaryChromaticities = 319;
constexpr uint16_t ColorMap = 320;
constexpr uint16_t TileWidth = 322;
constexpr uint16_t TileLength = 323;
constexpr uint16_t TileOffsets = 324;
constexpr uint16_t TileByteCounts = 325;
constexpr uint16_t CleanFaxData = 327;
constexpr uint16_t SubIFDs = 330;
constexpr uint16_t ExtraSamples = 338;
constexpr uint16_t JPEGTables = 347;
constexpr uint16_t JPEGProc = 512;
constexpr uint16_t JPEGInterchangeFormat = 513;
constexpr uint16_t YCbCrCoefficients = 529;
constexpr uint16_t YCbCrPositioning = 531;
constexpr uint16_t ReferenceBlackWhite = 532;
constexpr uint16_t ImagingAnnotations = 32932;
constexpr uint16_t Copyright = 33432;
constexpr uint16_t IPTCNAA = 33723;
constexpr uint16_t ExifIFD = 34665;
constexpr uint16_t ICCProfile = 34675;
constexpr uint16_t TIFFEPStandardID = 37398;
constexpr uint16_t XPTitle = 40091;
constexpr uint16_t XPComment = 40092;
constexpr uint16_t XPAuthor = 40093;
constexpr uint16_t XPKeywords = 40094;
constexpr uint16_t XPSubject = 40095;
constexpr uint16_t DNGVersion = 50706;

// Tags of the EXIF directory.
constexpr uint16_t ExposureTime = 33434;
constexpr uint16_t FNumber = 33437;
constexpr uint16_t ExposureProgram = 34850;
constexpr uint16_t ISOSpeedRatings = 34855;
constexpr uint16_t ExifVersion = 36864;
constexpr uint16_t DateTimeOriginal = 36867;
constexpr uint16_t DateTimeDigitized = 36868;
constexpr uint16_t CompressedBitsPerPixel = 37122;
constexpr uint16_t ShutterSpeedValue = 37377;
constexpr uint16_t ApertureValue = 37378;
constexpr uint16_t BrightnessValue = 37379;
constexpr uint16_t ExposureBiasValue = 37380;
constexpr uint16_t MaxApertureValue = 37381;
constexpr uint16_t SubjectDistance = 37382;
constexpr uint16_t MeteringMode = 37383;
constexpr uint16_t LightSource = 37384;
constexpr uint16_t Flash = 37385;
constexpr uint16_t FocalLength = 37386;
constexpr uint16_t MakerNote = 37500;
constexpr uint16_t UserComment = 37510;
constexpr uint16_t SubsecTime = 37520;
constexpr uint16_t SubsecTimeOriginal = 37521;
constexpr uint16_t SubsecTimeDigitized = 37522;
constexpr uint16_t FlashpixVersion = 40960;
constexpr uint16_t ColorSpace = 40961;
constexpr uint16_t PixelXDimension = 40962;
constexpr uint16_t PixelYDimension = 40963;
constexpr uint16_t RelatedSoundFile = 40964;
constexpr uint16_t FocalPlaneXResolution = 41486;
constexpr uint16_t FocalPlaneYResolution = 41487;
constexpr uint16_t FocalPlaneResolutionUnit = 41488;
constexpr uint16_t ExposureIndex = 41493;
constexpr uint16_t SensingMethod = 41495;
constexpr uint16_t FileSource = 41728;
constexpr uint16_t SceneType = 41729;

}  // namespace tifftag
