#include "imaging/io/ieioparams.h"

#include "imaging/bitmaps/iebitmap.h"
#include "platform/rtl/sysutils.h"

int32_t DefaultDpiX = 300;
int32_t DefaultDpiY = 300;

TGIFLZWDecompFunc DefaultGIFLZWDecompressor = nullptr;
TGIFLZWCompFunc DefaultGIFLZWCompressor = nullptr;
TTIFFLZWDecompFunc DefaultTIFFLZWDecompressor = nullptr;
TTIFFLZWCompFunc DefaultTIFFLZWCompressor = nullptr;

TIOParamsVals::TIOParamsVals(TIEImageIO* AOwner) : Owner(AOwner) { SetDefaultParams(); }

TIOParamsVals::~TIOParamsVals() = default;

void TIOParamsVals::SetPaletteCount(int32_t Count) {
    if (Count < 0) Count = 0;
    Palette.assign(static_cast<size_t>(Count), TRGB{0, 0, 0});
    PaletteCount = Count;
}

void TIOParamsVals::SetDefaultParams() {
    BitsPerSample = 8;
    FileName.clear();
    SamplesPerPixel = 3;
    // Width and Height stay: no windowing-library bitmap stands behind the target here.
    if (Owner != nullptr) {
        SetDpiX(DefaultDpiX);
        SetDpiY(DefaultDpiY);
    }
    FileType = 0;
    SetImageIndex(0);
    ImageCount = 0;

    TIFFCompression = 0;
    TIFFPhotometric = 2;
    TIFFPlanarConfig = 1;
    TIFFXPos = TIFFYPos = 0;
    TIFFDocumentName.clear();
    TIFFImageDescription.clear();
    TIFFPageName.clear();
    TIFFPageNumber = TIFFPageCount = -1;
    SetTIFFOrientation(1);
    TIFFLZWDecompressor = DefaultTIFFLZWDecompressor;
    TIFFLZWCompressor = DefaultTIFFLZWCompressor;
    TIFFImageCount = 0;
    TIFFEnableAdjustOrientation = false;
    TIFFJPEGQuality = 80;
    TIFFJPEGColorSpace = 2;
    TIFFFillOrder = 1;

    GIFVersion = "GIF89a";
    GIFXPos = GIFYPos = 0;
    GIFDelayTime = 0;
    GIFTransparent = false;
    GIFTranspColor = TRGB{0, 0, 0};
    GIFInterlaced = false;
    GIFWinWidth = GIFWinHeight = 0;
    GIFBackground = TRGB{0, 0, 0};
    GIFRatio = 0;
    GIFComments.Clear();
    GIFDisposal = 2;
    GIFLZWDecompressor = DefaultGIFLZWDecompressor;
    GIFLZWCompressor = DefaultGIFLZWCompressor;
    GIFImageCount = 0;

    JPEGColorSpace = 2;
    JPEGQuality = 80;
    JPEGDCTMethod = 0;
    JPEGOptimalHuffman = false;
    JPEGSmooth = 0;
    JPEGProgressive = false;
    JPEGScale = 1;
    JPEGMarkers.Clear();
    JPEGScaleUsed = 1;
    OriginalWidth = OriginalHeight = 0;
    EnableAdjustOrientation = false;
    SetGetExifThumbnail(false);

    J2000ColorSpace = 1;
    J2000Rate = 1.0;
    J2000ProgressionOrder = 0;
    PCXVersion = 5;
    PCXCompression = 1;
    BMPVersion = 1;
    BMPCompression = 0;

    ICOBackground = TRGB{255, 255, 255};
    CURXHotSpot = 0;
    CURYHotSpot = 0;  // reset like the X hot spot: a stale Y would pair with a fresh X
    CURBackground = TRGB{255, 255, 255};

    PNGInterlaced = false;
    PNGBackground = TRGB{0, 0, 0};
    PNGFilter = 0;
    PNGCompression = 5;
    PNGTextKeys.Clear();
    PNGTextValues.Clear();

    TGAXPos = TGAYPos = 0;
    TGACompressed = true;
    TGADescription.clear();
    TGAAuthor.clear();
    TGADate = Date();
    TGAImageName.clear();
    TGABackground = TRGB{0, 0, 0};
    TGAAspectRatio = 1.0;
    TGAGamma = 2.2;
    TGAGrayLevel = false;

    IPTCInfo.Clear();
    ImagingAnnot.reset();
    PNMComments.Clear();
    ResetEXIF();

    AVIFrameCount = 0;
    AVIFrameDelay = 0;

    PSPaperWidth = 595;
    PSPaperHeight = 842;
    PSCompression = 1;
    PSTitle = "No Title";
    PDFPaperWidth = 595;
    PDFPaperHeight = 842;
    PDFCompression = 2;
    PDFTitle.clear();
    PDFAuthor.clear();
    PDFSubject.clear();
    PDFKeywords.clear();
    PDFCreator.clear();
    PDFProducer.clear();

    RAWHalfSize = false;
    RAWGamma = 0.6;
    RAWBright = 1.0;
    RAWRedScale = 1.0;
    RAWBlueScale = 1.0;
    RAWSwitches[0] = true;
    RAWSwitches[1] = RAWSwitches[2] = RAWSwitches[3] = false;
    RAWCamera.clear();
    RAWGetExifThumbnail = false;
    RAWAutoAdjustColors = false;

    RawDataBGR = false;
    RawDataPlanar = false;
    RawDataRowAlign = 8;
    RawDataHeaderSize = 0;

    IsNativePixelFormat = false;
    FreePalette();
    for (auto& s : ICOSizes) s = TIOICOSize{};
    ICOSizes[0] = TIOICOSize{64, 64};
    for (auto& b : ICOBitCounts) b = 0;
    ICOBitCounts[0] = 8;

    ColorProfile.reset();
    OutputColorProfile.reset();
}

void TIOParamsVals::ResetInfo() {
    IPTCInfo.Clear();
    ImagingAnnot.reset();
    JPEGMarkers.Clear();
    ResetEXIF();
    GIFComments.Clear();
    PNGTextKeys.Clear();
    PNGTextValues.Clear();
    TIFFDocumentName.clear();
    TIFFImageDescription.clear();
    TIFFPageName.clear();
    TGADescription.clear();
    TGAAuthor.clear();
    TGAImageName.clear();
    PNMComments.Clear();
    ColorProfile.reset();
}

void TIOParamsVals::ResetEXIF() {
    HasEXIFData = false;
    ExifThumbnail.reset();
    ExifImageDescription.clear();
    ExifMake.clear();
    ExifModel.clear();
    ExifOrientation = 0;
    ExifXResolution = ExifYResolution = 0;
    ExifResolutionUnit = 0;
    ExifSoftware.clear();
    ExifArtist.clear();
    ExifDateTime.clear();
    for (auto& v : ExifWhitePoint) v = 0;
    for (auto& v : ExifPrimaryChromaticities) v = 0;
    for (auto& v : ExifYCbCrCoefficients) v = 0;
    ExifYCbCrPositioning = 0;
    for (auto& v : ExifReferenceBlackWhite) v = 0;
    ExifCopyright.clear();
    ExifExposureTime = ExifFNumber = 0;
    ExifExposureProgram = 0;
    ExifISOSpeedRatings[0] = ExifISOSpeedRatings[1] = 0;
    ExifVersion.clear();
    ExifDateTimeOriginal.clear();
    ExifDateTimeDigitized.clear();
    ExifCompressedBitsPerPixel = ExifShutterSpeedValue = ExifApertureValue = 0;
    ExifBrightnessValue = ExifExposureBiasValue = ExifMaxApertureValue = ExifSubjectDistance = 0;
    ExifMeteringMode = ExifLightSource = ExifFlash = 0;
    ExifFocalLength = 0;
    ExifSubsecTime.clear();
    ExifSubsecTimeOriginal.clear();
    ExifSubsecTimeDigitized.clear();
    ExifFlashPixVersion.clear();
    ExifColorSpace = ExifPixelXDimension = ExifPixelYDimension = 0;
    ExifRelatedSoundFile.clear();
    ExifFocalPlaneXResolution = ExifFocalPlaneYResolution = 0;
    ExifFocalPlaneResolutionUnit = 0;
    ExifExposureIndex = 0;
    ExifSensingMethod = ExifFileSource = ExifSceneType = 0;
    ExifUserComment.clear();
    ExifUserCommentCode.clear();
    ExifMakerNote.Data->SetSize(0);
    ExifMakerNote.Entries.clear();
    ExifMakerNote.EntryCount = 0;
    ExifXPTitle.clear();
    ExifXPComment.clear();
    ExifXPAuthor.clear();
    ExifXPKeywords.clear();
    ExifXPSubject.clear();
    int i = JPEGMarkers.IndexOf(225);
    if (i >= 0) JPEGMarkers.DeleteMarker(i);
}

void TIOParamsVals::Assign(const TIOParamsVals* S) {
    if (S == nullptr || S == this) return;
    BitsPerSample = S->BitsPerSample;
    FileName = S->FileName;
    SamplesPerPixel = S->SamplesPerPixel;
    Width = S->Width;
    Height = S->Height;
    SetDpiX(S->DpiX);
    SetDpiY(S->DpiY);
    FileType = S->FileType;
    ImageCount = S->ImageCount;
    GetThumbnail = S->GetThumbnail;

    TIFFCompression = S->TIFFCompression;
    TIFFPhotometric = S->TIFFPhotometric;
    TIFFPlanarConfig = S->TIFFPlanarConfig;
    TIFFXPos = S->TIFFXPos;
    TIFFYPos = S->TIFFYPos;
    TIFFDocumentName = S->TIFFDocumentName;
    TIFFImageDescription = S->TIFFImageDescription;
    TIFFPageName = S->TIFFPageName;
    TIFFPageNumber = S->TIFFPageNumber;
    TIFFPageCount = S->TIFFPageCount;
    TIFFLZWDecompressor = S->TIFFLZWDecompressor;
    TIFFLZWCompressor = S->TIFFLZWCompressor;
    TIFFImageCount = S->TIFFImageCount;
    TIFFEnableAdjustOrientation = S->TIFFEnableAdjustOrientation;
    TIFFJPEGQuality = S->TIFFJPEGQuality;
    TIFFJPEGColorSpace = S->TIFFJPEGColorSpace;
    TIFFFillOrder = S->TIFFFillOrder;

    GIFVersion = S->GIFVersion;
    GIFXPos = S->GIFXPos;
    GIFYPos = S->GIFYPos;
    GIFDelayTime = S->GIFDelayTime;
    GIFTransparent = S->GIFTransparent;
    GIFTranspColor = S->GIFTranspColor;
    GIFInterlaced = S->GIFInterlaced;
    GIFWinWidth = S->GIFWinWidth;
    GIFWinHeight = S->GIFWinHeight;
    GIFBackground = S->GIFBackground;
    GIFRatio = S->GIFRatio;
    GIFComments.Assign(S->GIFComments);
    GIFDisposal = S->GIFDisposal;
    GIFLZWDecompressor = S->GIFLZWDecompressor;
    GIFLZWCompressor = S->GIFLZWCompressor;
    GIFImageCount = S->GIFImageCount;

    JPEGColorSpace = S->JPEGColorSpace;
    JPEGQuality = S->JPEGQuality;
    JPEGDCTMethod = S->JPEGDCTMethod;
    JPEGOptimalHuffman = S->JPEGOptimalHuffman;
    JPEGSmooth = S->JPEGSmooth;
    JPEGProgressive = S->JPEGProgressive;
    JPEGScale = S->JPEGScale;
    JPEGMarkers.Assign(&S->JPEGMarkers);
    JPEGScaleUsed = S->JPEGScaleUsed;
    OriginalWidth = S->OriginalWidth;
    OriginalHeight = S->OriginalHeight;
    EnableAdjustOrientation = S->EnableAdjustOrientation;
    GetExifThumbnail = S->GetExifThumbnail;

    J2000ColorSpace = S->J2000ColorSpace;
    J2000Rate = S->J2000Rate;
    J2000ProgressionOrder = S->J2000ProgressionOrder;
    PCXVersion = S->PCXVersion;
    PCXCompression = S->PCXCompression;
    BMPVersion = S->BMPVersion;
    BMPCompression = S->BMPCompression;
    ICOBackground = S->ICOBackground;
    CURXHotSpot = S->CURXHotSpot;
    CURYHotSpot = S->CURYHotSpot;
    CURBackground = S->CURBackground;

    PNGInterlaced = S->PNGInterlaced;
    PNGBackground = S->PNGBackground;
    PNGFilter = S->PNGFilter;
    PNGCompression = S->PNGCompression;
    PNGTextKeys.Assign(S->PNGTextKeys);
    PNGTextValues.Assign(S->PNGTextValues);

    TGAXPos = S->TGAXPos;
    TGAYPos = S->TGAYPos;
    TGACompressed = S->TGACompressed;
    TGADescription = S->TGADescription;
    TGAAuthor = S->TGAAuthor;
    TGADate = S->TGADate;
    TGAImageName = S->TGAImageName;
    TGABackground = S->TGABackground;
    TGAAspectRatio = S->TGAAspectRatio;
    TGAGamma = S->TGAGamma;
    TGAGrayLevel = S->TGAGrayLevel;

    IPTCInfo.Assign(&S->IPTCInfo);
    if (S->ImagingAnnot) {
        if (!ImagingAnnot) ImagingAnnot = std::make_unique<TIEImagingAnnot>();
        ImagingAnnot->Assign(S->ImagingAnnot.get());
    } else {
        ImagingAnnot.reset();
    }
    PNMComments.Assign(S->PNMComments);

    HasEXIFData = S->HasEXIFData;
    // The copy describes the source image: a thumbnail of an earlier image must not stay.
    if (S->ExifThumbnail) {
        if (!ExifThumbnail) ExifThumbnail = std::make_unique<TIEBitmap>();
        ExifThumbnail->Assign(S->ExifThumbnail.get());
    } else {
        ExifThumbnail.reset();
    }
    ExifImageDescription = S->ExifImageDescription;
    ExifMake = S->ExifMake;
    ExifModel = S->ExifModel;
    SetTIFFOrientation(S->TIFFOrientation);
    ExifOrientation = S->ExifOrientation;
    ExifXResolution = S->ExifXResolution;
    ExifYResolution = S->ExifYResolution;
    ExifResolutionUnit = S->ExifResolutionUnit;
    ExifSoftware = S->ExifSoftware;
    ExifArtist = S->ExifArtist;
    ExifDateTime = S->ExifDateTime;
    for (int i = 0; i < 2; ++i) ExifWhitePoint[i] = S->ExifWhitePoint[i];
    for (int i = 0; i < 6; ++i) ExifPrimaryChromaticities[i] = S->ExifPrimaryChromaticities[i];
    for (int i = 0; i < 3; ++i) ExifYCbCrCoefficients[i] = S->ExifYCbCrCoefficients[i];
    ExifYCbCrPositioning = S->ExifYCbCrPositioning;
    for (int i = 0; i < 6; ++i) ExifReferenceBlackWhite[i] = S->ExifReferenceBlackWhite[i];
    ExifCopyright = S->ExifCopyright;
    ExifExposureTime = S->ExifExposureTime;
    ExifFNumber = S->ExifFNumber;
    ExifExposureProgram = S->ExifExposureProgram;
    ExifISOSpeedRatings[0] = S->ExifISOSpeedRatings[0];
    ExifISOSpeedRatings[1] = S->ExifISOSpeedRatings[1];
    ExifVersion = S->ExifVersion;
    ExifDateTimeOriginal = S->ExifDateTimeOriginal;
    ExifDateTimeDigitized = S->ExifDateTimeDigitized;
    ExifCompressedBitsPerPixel = S->ExifCompressedBitsPerPixel;
    ExifShutterSpeedValue = S->ExifShutterSpeedValue;
    ExifApertureValue = S->ExifApertureValue;
    ExifBrightnessValue = S->ExifBrightnessValue;
    ExifExposureBiasValue = S->ExifExposureBiasValue;
    ExifMaxApertureValue = S->ExifMaxApertureValue;
    ExifSubjectDistance = S->ExifSubjectDistance;
    ExifMeteringMode = S->ExifMeteringMode;
    ExifLightSource = S->ExifLightSource;
    ExifFlash = S->ExifFlash;
    ExifFocalLength = S->ExifFocalLength;
    ExifSubsecTime = S->ExifSubsecTime;
    ExifSubsecTimeOriginal = S->ExifSubsecTimeOriginal;
    ExifSubsecTimeDigitized = S->ExifSubsecTimeDigitized;
    ExifFlashPixVersion = S->ExifFlashPixVersion;
    ExifColorSpace = S->ExifColorSpace;
    ExifPixelXDimension = S->ExifPixelXDimension;
    ExifPixelYDimension = S->ExifPixelYDimension;
    ExifRelatedSoundFile = S->ExifRelatedSoundFile;
    ExifFocalPlaneXResolution = S->ExifFocalPlaneXResolution;
    ExifFocalPlaneYResolution = S->ExifFocalPlaneYResolution;
    ExifFocalPlaneResolutionUnit = S->ExifFocalPlaneResolutionUnit;
    ExifExposureIndex = S->ExifExposureIndex;
    ExifSensingMethod = S->ExifSensingMethod;
    ExifFileSource = S->ExifFileSource;
    ExifSceneType = S->ExifSceneType;
    ExifUserComment = S->ExifUserComment;
    ExifUserCommentCode = S->ExifUserCommentCode;
    ExifMakerNote.Data->SetSize(0);
    ExifMakerNote.Entries.clear();
    ExifMakerNote.EntryCount = 0;
    if (S->ExifMakerNote.Data->Size() > 0) {
        ExifMakerNote.Data->WriteBuffer(S->ExifMakerNote.Data->Memory(), S->ExifMakerNote.Data->Size());
        ExifMakerNote.Data->SetPosition(0);
        ExifMakerNote.ReadTags();
    }
    ExifXPTitle = S->ExifXPTitle;
    ExifXPComment = S->ExifXPComment;
    ExifXPAuthor = S->ExifXPAuthor;
    ExifXPKeywords = S->ExifXPKeywords;
    ExifXPSubject = S->ExifXPSubject;

    AVIFrameCount = S->AVIFrameCount;
    AVIFrameDelay = S->AVIFrameDelay;
    PSPaperWidth = S->PSPaperWidth;
    PSPaperHeight = S->PSPaperHeight;
    PSCompression = S->PSCompression;
    PSTitle = S->PSTitle;
    PDFPaperWidth = S->PDFPaperWidth;
    PDFPaperHeight = S->PDFPaperHeight;
    PDFCompression = S->PDFCompression;
    PDFTitle = S->PDFTitle;
    PDFAuthor = S->PDFAuthor;
    PDFSubject = S->PDFSubject;
    PDFKeywords = S->PDFKeywords;
    PDFCreator = S->PDFCreator;
    PDFProducer = S->PDFProducer;
    RAWHalfSize = S->RAWHalfSize;
    RAWGamma = S->RAWGamma;
    RAWBright = S->RAWBright;
    RAWRedScale = S->RAWRedScale;
    RAWBlueScale = S->RAWBlueScale;
    for (int i = 0; i < 4; ++i) RAWSwitches[i] = S->RAWSwitches[i];
    RAWCamera = S->RAWCamera;
    RAWGetExifThumbnail = S->RAWGetExifThumbnail;
    RAWAutoAdjustColors = S->RAWAutoAdjustColors;
    RawDataBGR = S->RawDataBGR;
    RawDataPlanar = S->RawDataPlanar;
    RawDataRowAlign = S->RawDataRowAlign;
    RawDataHeaderSize = S->RawDataHeaderSize;

    Palette = S->Palette;
    PaletteCount = S->PaletteCount;
    for (int i = 0; i < 16; ++i) {
        ICOSizes[i] = S->ICOSizes[i];
        ICOBitCounts[i] = S->ICOBitCounts[i];
    }
    if (S->ColorProfile) {
        if (!ColorProfile) ColorProfile = std::make_unique<TIEICC>();
        ColorProfile->Assign(S->ColorProfile.get());
    } else {
        ColorProfile.reset();
    }
    if (S->OutputColorProfile) {
        if (!OutputColorProfile) OutputColorProfile = std::make_unique<TIEICC>();
        OutputColorProfile->Assign(S->OutputColorProfile.get());
    } else {
        OutputColorProfile.reset();
    }
    // Indexes last: they go through the setter that sets all of them.
    SetImageIndex(S->ImageIndex);
    TIFFImageIndex = S->TIFFImageIndex;
    DCXImageIndex = S->DCXImageIndex;
    GIFImageIndex = S->GIFImageIndex;
    ICOImageIndex = S->ICOImageIndex;
    CURImageIndex = S->CURImageIndex;
}

void TIOParamsVals::AssignFrom(const TIOParamsVals* S) {
    if (S == nullptr || S == this) return;
    BitsPerSample = S->BitsPerSample;
    SamplesPerPixel = S->SamplesPerPixel;
    TIFFCompression = S->TIFFCompression;
    TIFFPhotometric = S->TIFFPhotometric;
    TIFFPlanarConfig = S->TIFFPlanarConfig;
    SetTIFFOrientation(S->TIFFOrientation);
    TIFFLZWDecompressor = S->TIFFLZWDecompressor;
    TIFFLZWCompressor = S->TIFFLZWCompressor;
    TIFFEnableAdjustOrientation = S->TIFFEnableAdjustOrientation;
    TIFFJPEGQuality = S->TIFFJPEGQuality;
    TIFFJPEGColorSpace = S->TIFFJPEGColorSpace;
    TIFFFillOrder = S->TIFFFillOrder;
    GIFInterlaced = S->GIFInterlaced;
    GIFLZWDecompressor = S->GIFLZWDecompressor;
    GIFLZWCompressor = S->GIFLZWCompressor;
    JPEGColorSpace = S->JPEGColorSpace;
    JPEGQuality = S->JPEGQuality;
    JPEGDCTMethod = S->JPEGDCTMethod;
    JPEGOptimalHuffman = S->JPEGOptimalHuffman;
    JPEGSmooth = S->JPEGSmooth;
    JPEGProgressive = S->JPEGProgressive;
    J2000ColorSpace = S->J2000ColorSpace;
    J2000Rate = S->J2000Rate;
    J2000ProgressionOrder = S->J2000ProgressionOrder;
    PCXVersion = S->PCXVersion;
    PCXCompression = S->PCXCompression;
    BMPVersion = S->BMPVersion;
    BMPCompression = S->BMPCompression;
    PNGInterlaced = S->PNGInterlaced;
    PNGFilter = S->PNGFilter;
    PNGCompression = S->PNGCompression;
    TGACompressed = S->TGACompressed;
    TGAGrayLevel = S->TGAGrayLevel;
}

// No image views yet: the resolution is only stored (views will be told once they exist).
void TIOParamsVals::SetDpiX(int32_t Value) {
    DpiX = Value;
    ExifXResolution = Value;
}

void TIOParamsVals::SetDpiY(int32_t Value) {
    DpiY = Value;
    ExifYResolution = Value;
}

void TIOParamsVals::SetDpiXFloat(double Value) { SetDpiX(static_cast<int32_t>(Trunc(Value))); }
void TIOParamsVals::SetDpiYFloat(double Value) { SetDpiY(static_cast<int32_t>(Trunc(Value))); }

void TIOParamsVals::SetImageIndex(int32_t Value) {
    ImageIndex = TIFFImageIndex = DCXImageIndex = GIFImageIndex = ICOImageIndex = CURImageIndex = Value;
}

void TIOParamsVals::SetImageCount(int32_t Value) {
    ImageCount = TIFFImageCount = AVIFrameCount = GIFImageCount = MediaFileFrameCount = Value;
}

void TIOParamsVals::SetGetExifThumbnail(bool Value) { GetThumbnail = GetExifThumbnail = Value; }

void TIOParamsVals::SetTIFFOrientation(int32_t Value) { TIFFOrientation = ExifOrientation = Value; }

namespace {
template <typename T, size_t N>
void SetIndexed(T (&A)[N], int Index, T Value) {
    if (Index >= 0 && static_cast<size_t>(Index) < N) A[Index] = Value;
}
template <typename T, size_t N>
T GetIndexed(const T (&A)[N], int Index) {
    return (Index >= 0 && static_cast<size_t>(Index) < N) ? A[Index] : T{};
}
}  // namespace

void TIOParamsVals::SetExifISOSpeedRatings(int I, int32_t V) { SetIndexed(ExifISOSpeedRatings, I, V); }
int32_t TIOParamsVals::GetExifISOSpeedRatings(int I) const { return GetIndexed(ExifISOSpeedRatings, I); }
void TIOParamsVals::SetExifWhitePoint(int I, double V) { SetIndexed(ExifWhitePoint, I, V); }
double TIOParamsVals::GetExifWhitePoint(int I) const { return GetIndexed(ExifWhitePoint, I); }
void TIOParamsVals::SetExifPrimaryChromaticities(int I, double V) { SetIndexed(ExifPrimaryChromaticities, I, V); }
double TIOParamsVals::GetExifPrimaryChromaticities(int I) const { return GetIndexed(ExifPrimaryChromaticities, I); }
void TIOParamsVals::SetExifYCbCrCoefficients(int I, double V) { SetIndexed(ExifYCbCrCoefficients, I, V); }
double TIOParamsVals::GetExifYCbCrCoefficients(int I) const { return GetIndexed(ExifYCbCrCoefficients, I); }
void TIOParamsVals::SetExifReferenceBlackWhite(int I, double V) { SetIndexed(ExifReferenceBlackWhite, I, V); }
double TIOParamsVals::GetExifReferenceBlackWhite(int I) const { return GetIndexed(ExifReferenceBlackWhite, I); }

TIEICC* TIOParamsVals::GetColorProfile() {
    if (!ColorProfile) ColorProfile = std::make_unique<TIEICC>();
    return ColorProfile.get();
}

TIEICC* TIOParamsVals::GetOutputColorProfile() {
    if (!OutputColorProfile) {
        OutputColorProfile = std::make_unique<TIEICC>();
        OutputColorProfile->LoadSRGBProfile();
    }
    return OutputColorProfile.get();
}

TIEImagingAnnot* TIOParamsVals::GetImagingAnnot() {
    if (!ImagingAnnot) ImagingAnnot = std::make_unique<TIEImagingAnnot>();
    return ImagingAnnot.get();
}
