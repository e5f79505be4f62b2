// The I/O parameters record: everything that describes one image on its way to
// or from a file apart from its pixels (sizes, resolution, per-format options,
// metadata). Readers fill it, writers read it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "imaging/bitmaps/ieicc.h"
#include "imaging/bitmaps/iemarkers.h"
#include "imaging/bitmaps/iesupport.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEImageIO;

// The library's resolution for images that carry none (dots per inch).
extern int32_t DefaultDpiX;
extern int32_t DefaultDpiY;

// LZW codecs, exchangeable per image.
// GIF: decodes one image's data at the stream position into Width x Height indices;
// on failure the stream position is put back where it was.
using TGIFLZWDecompFunc = void (*)(TStream& Stream, int32_t Height, int32_t Width, uint8_t* Pixels, bool Interlaced);
using TGIFLZWCompFunc = void (*)(TStream& Stream, int32_t Height, int32_t Width, int32_t BitsPerPixel,
                                 const uint8_t* Pixels, bool Interlaced);
// TIFF: one call per row (State nullptr starts a strip, Data nullptr frees the state).
using TTIFFLZWDecompFunc = uint8_t* (*)(const uint8_t* Data, int32_t DataSize, int32_t RowLength, void*& State);
using TTIFFLZWCompFunc = void (*)(const uint8_t* Row, int32_t Count, TStream& Stream, void*& State);

extern TGIFLZWDecompFunc DefaultGIFLZWDecompressor;
extern TGIFLZWCompFunc DefaultGIFLZWCompressor;
extern TTIFFLZWDecompFunc DefaultTIFFLZWDecompressor;
extern TTIFFLZWCompFunc DefaultTIFFLZWCompressor;

struct TIOICOSize {
    int32_t cx = 0;
    int32_t cy = 0;
};

class TIOParamsVals : public TObject {
public:
    explicit TIOParamsVals(TIEImageIO* AOwner);
    ~TIOParamsVals() override;
    TIOParamsVals(const TIOParamsVals&) = delete;
    TIOParamsVals& operator=(const TIOParamsVals&) = delete;

    void SetDefaultParams();
    void ResetInfo();
    void ResetEXIF();
    void Assign(const TIOParamsVals* Source);
    void AssignFrom(const TIOParamsVals* Source);

    void SetDpiX(int32_t Value);
    void SetDpiY(int32_t Value);
    void SetDpiXFloat(double Value);
    void SetDpiYFloat(double Value);
    void SetImageIndex(int32_t Value);
    void SetImageCount(int32_t Value);
    void SetGetExifThumbnail(bool Value);
    void SetRawGetExifThumbnail(bool Value) { RAWGetExifThumbnail = Value; }
    void SetTIFFOrientation(int32_t Value);
    void SetExifOrientation(int32_t Value) { SetTIFFOrientation(Value); }

    // Indexed EXIF values; an index outside the array is ignored (set) or reads 0 (get).
    void SetExifISOSpeedRatings(int Index, int32_t Value);
    int32_t GetExifISOSpeedRatings(int Index) const;
    void SetExifWhitePoint(int Index, double Value);
    double GetExifWhitePoint(int Index) const;
    void SetExifPrimaryChromaticities(int Index, double Value);
    double GetExifPrimaryChromaticities(int Index) const;
    void SetExifYCbCrCoefficients(int Index, double Value);
    double GetExifYCbCrCoefficients(int Index) const;
    void SetExifReferenceBlackWhite(int Index, double Value);
    double GetExifReferenceBlackWhite(int Index) const;

    TIEICC* GetColorProfile();
    TIEICC* GetOutputColorProfile();
    TIEImagingAnnot* GetImagingAnnot();

    // Replaces the palette with Count black entries.
    void SetPaletteCount(int32_t Count);
    void FreePalette() { SetPaletteCount(0); }

    // General
    TIEImageIO* Owner = nullptr;
    int32_t BitsPerSample = 8;
    std::string FileName;
    int32_t SamplesPerPixel = 3;
    int32_t Width = 0, Height = 0;
    int32_t DpiX = 0, DpiY = 0;
    int32_t FileType = 0;
    int32_t ImageIndex = 0;
    int32_t ImageCount = 0;
    bool GetThumbnail = false;

    // TIFF
    uint8_t TIFFCompression = 0;
    int32_t TIFFImageIndex = 0;
    uint8_t TIFFPhotometric = 2;
    int32_t TIFFPlanarConfig = 1;
    int32_t TIFFXPos = 0, TIFFYPos = 0;
    std::string TIFFDocumentName, TIFFImageDescription, TIFFPageName;
    int32_t TIFFPageNumber = -1, TIFFPageCount = -1;
    int32_t TIFFOrientation = 1;
    TTIFFLZWDecompFunc TIFFLZWDecompressor = nullptr;
    TTIFFLZWCompFunc TIFFLZWCompressor = nullptr;
    int32_t TIFFImageCount = 0;
    bool TIFFEnableAdjustOrientation = false;
    int32_t TIFFJPEGQuality = 80;
    uint8_t TIFFJPEGColorSpace = 2;
    int32_t TIFFFillOrder = 1;

    int32_t DCXImageIndex = 0;

    // GIF
    std::string GIFVersion = "GIF89a";
    int32_t GIFImageIndex = 0;
    int32_t GIFXPos = 0, GIFYPos = 0;
    int32_t GIFDelayTime = 0;
    bool GIFTransparent = false;
    TRGB GIFTranspColor{0, 0, 0};
    bool GIFInterlaced = false;
    int32_t GIFWinWidth = 0, GIFWinHeight = 0;
    TRGB GIFBackground{0, 0, 0};
    int32_t GIFRatio = 0;
    TStringList GIFComments;
    uint8_t GIFDisposal = 2;
    TGIFLZWDecompFunc GIFLZWDecompressor = nullptr;
    TGIFLZWCompFunc GIFLZWCompressor = nullptr;
    int32_t GIFImageCount = 0;

    // JPEG
    uint8_t JPEGColorSpace = 2;
    int32_t JPEGQuality = 80;
    uint8_t JPEGDCTMethod = 0;
    bool JPEGOptimalHuffman = false;
    int32_t JPEGSmooth = 0;
    bool JPEGProgressive = false;
    uint8_t JPEGScale = 1;
    TIEMarkerList JPEGMarkers;
    int32_t JPEGScaleUsed = 1;
    int32_t JPEGWarningCount = 0, JPEGWarningCode = 0;
    int32_t OriginalWidth = 0, OriginalHeight = 0;
    bool EnableAdjustOrientation = false;
    bool GetExifThumbnail = false;

    // JPEG 2000
    uint8_t J2000ColorSpace = 1;
    double J2000Rate = 1.0;
    uint8_t J2000ProgressionOrder = 0;

    // PCX
    int32_t PCXVersion = 5;
    uint8_t PCXCompression = 1;

    // BMP
    uint8_t BMPVersion = 1;
    uint8_t BMPCompression = 0;

    // ICO and CUR
    int32_t ICOImageIndex = 0;
    TRGB ICOBackground{255, 255, 255};
    int32_t CURImageIndex = 0;
    int32_t CURXHotSpot = 0, CURYHotSpot = 0;
    TRGB CURBackground{255, 255, 255};

    // PNG
    bool PNGInterlaced = false;
    TRGB PNGBackground{0, 0, 0};
    uint8_t PNGFilter = 0;
    int32_t PNGCompression = 5;
    TStringList PNGTextKeys, PNGTextValues;

    // TGA
    int32_t TGAXPos = 0, TGAYPos = 0;
    bool TGACompressed = true;
    std::string TGADescription, TGAAuthor;
    double TGADate = 0;
    std::string TGAImageName;
    TRGB TGABackground{0, 0, 0};
    double TGAAspectRatio = 1.0;
    double TGAGamma = 2.2;
    bool TGAGrayLevel = false;

    // Metadata
    TIEIPTCInfoList IPTCInfo;
    std::unique_ptr<TIEImagingAnnot> ImagingAnnot;
    TStringList PNMComments;

    // EXIF
    bool HasEXIFData = false;
    std::unique_ptr<TIEBitmap> ExifThumbnail;
    std::string ExifImageDescription, ExifMake, ExifModel;
    int32_t ExifOrientation = 0;
    double ExifXResolution = 0, ExifYResolution = 0;
    int32_t ExifResolutionUnit = 0;
    std::string ExifSoftware, ExifArtist, ExifDateTime;
    double ExifWhitePoint[2] = {};
    double ExifPrimaryChromaticities[6] = {};
    double ExifYCbCrCoefficients[3] = {};
    int32_t ExifYCbCrPositioning = 0;
    double ExifReferenceBlackWhite[6] = {};
    std::string ExifCopyright;
    double ExifExposureTime = 0, ExifFNumber = 0;
    int32_t ExifExposureProgram = 0;
    int32_t ExifISOSpeedRatings[2] = {};
    std::string ExifVersion, ExifDateTimeOriginal, ExifDateTimeDigitized;
    double ExifCompressedBitsPerPixel = 0, ExifShutterSpeedValue = 0, ExifApertureValue = 0,
           ExifBrightnessValue = 0, ExifExposureBiasValue = 0, ExifMaxApertureValue = 0,
           ExifSubjectDistance = 0;
    int32_t ExifMeteringMode = 0, ExifLightSource = 0, ExifFlash = 0;
    double ExifFocalLength = 0;
    std::string ExifSubsecTime, ExifSubsecTimeOriginal, ExifSubsecTimeDigitized, ExifFlashPixVersion;
    int32_t ExifColorSpace = 0, ExifPixelXDimension = 0, ExifPixelYDimension = 0;
    std::string ExifRelatedSoundFile;
    double ExifFocalPlaneXResolution = 0, ExifFocalPlaneYResolution = 0;
    int32_t ExifFocalPlaneResolutionUnit = 0;
    double ExifExposureIndex = 0;
    int32_t ExifSensingMethod = 0, ExifFileSource = 0, ExifSceneType = 0;
    std::string ExifUserComment, ExifUserCommentCode;
    TIETagsHandler ExifMakerNote;
    std::u16string ExifXPTitle, ExifXPComment, ExifXPAuthor, ExifXPKeywords, ExifXPSubject;

    // AVI and video
    int32_t AVIFrameCount = 0, AVIFrameDelay = 0;
    int32_t MediaFileFrameCount = 0, MediaFileFrameDelay = 0;

    // PostScript and PDF
    int32_t PSPaperWidth = 595, PSPaperHeight = 842;
    uint8_t PSCompression = 1;
    std::string PSTitle = "No Title";
    int32_t PDFPaperWidth = 595, PDFPaperHeight = 842;
    uint8_t PDFCompression = 2;
    std::string PDFTitle, PDFAuthor, PDFSubject, PDFKeywords, PDFCreator, PDFProducer;

    // Camera raw
    bool RAWHalfSize = false;
    double RAWGamma = 0.6, RAWBright = 1.0, RAWRedScale = 1.0, RAWBlueScale = 1.0;
    bool RAWSwitches[4] = {true, false, false, false};
    std::string RAWCamera;
    bool RAWGetExifThumbnail = false;
    bool RAWAutoAdjustColors = false;

    // Headerless raw data
    bool RawDataBGR = false;
    bool RawDataPlanar = false;
    int32_t RawDataRowAlign = 8;
    int32_t RawDataHeaderSize = 0;

    // Pixel format and palette
    bool IsNativePixelFormat = false;
    std::vector<TRGB> Palette;
    int32_t PaletteCount = 0;

    // Written by an ICO save.
    TIOICOSize ICOSizes[16];
    int32_t ICOBitCounts[16] = {};

    std::unique_ptr<TIEICC> ColorProfile;
    std::unique_ptr<TIEICC> OutputColorProfile;
};
