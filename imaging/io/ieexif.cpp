#include "imaging/io/ieexif.h"

#include <cstring>
#include <memory>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ietiff.h"

std::vector<uint8_t> SaveEXIFToBuffer(TIOParamsVals& Params) {
    TMemoryStream ms;
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    WriteTIFFStream(ms, /*Insert=*/false, /*Bitmap=*/nullptr, pr, Params);
    if (Params.ExifThumbnail && !Params.ExifThumbnail->IsEmpty()) {
        TIOParamsVals t(nullptr);
        t.SetImageIndex(1);
        t.TIFFCompression = 6;
        t.SetDpiX(72);
        t.SetDpiY(72);
        ms.SetPosition(0);
        WriteTIFFStream(ms, /*Insert=*/true, Params.ExifThumbnail.get(), pr, t);
    }
    std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0};
    auto* p = static_cast<const uint8_t*>(ms.Memory());
    out.insert(out.end(), p, p + ms.Size());
    return out;
}

bool LoadEXIFFromBuffer(const void* Data, int64_t Size, TIOParamsVals& Params) {
    auto* d = static_cast<const uint8_t*>(Data);
    if (Data == nullptr || Size < 6 || std::memcmp(d, "Exif\0", 5) != 0) return false;
    TIEMemStream ms(d + 6, Size - 6);
    TIOParamsVals t(Params.Owner);
    if (!Params.ExifThumbnail) Params.ExifThumbnail = std::make_unique<TIEBitmap>();
    Params.ExifThumbnail->FreeImage(true);
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    std::unique_ptr<TIEMask> mask;
    int32_t pages = 0;
    TIEBitmap scratch;
    ReadTIFFStream(&scratch, ms, pages, /*ThumbnailMode=*/false, /*NoAlpha=*/true, /*BaseAtPosition=*/true, mask,
                   /*Preview=*/true, pr, t);
    CopyEXIFParams(t, Params);
    Params.HasEXIFData = true;
    t.SetImageIndex(1);
    ms.SetPosition(0);
    abort = false;
    if (pages > 1) {
        ReadTIFFStream(Params.ExifThumbnail.get(), ms, pages, /*ThumbnailMode=*/true, /*NoAlpha=*/true,
                       /*BaseAtPosition=*/true, mask, /*Preview=*/false, pr, t);
        if (abort) Params.ExifThumbnail->FreeImage(true);
        else if (Params.TIFFOrientation > 1) ApplyEXIFOrientation(Params.ExifThumbnail.get(), Params.TIFFOrientation);
    }
    return true;
}

bool LoadEXIFFromRawStream(TStream& Stream, TIOParamsVals& Params) {
    int64_t pos = Stream.Position();
    TIOParamsVals t(Params.Owner);
    if (!Params.ExifThumbnail) Params.ExifThumbnail = std::make_unique<TIEBitmap>();
    Params.ExifThumbnail->FreeImage(true);
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    std::unique_ptr<TIEMask> mask;
    int32_t pages = 0;
    TIEBitmap scratch;
    ReadTIFFStream(&scratch, Stream, pages, /*ThumbnailMode=*/false, /*NoAlpha=*/true, /*BaseAtPosition=*/true, mask,
                   /*Preview=*/true, pr, t);
    CopyEXIFParams(t, Params);
    Params.HasEXIFData = true;
    // The preview: page 0, or page 1 when page 0 holds nothing but zero bytes.
    for (int32_t page = 0; page < 2; ++page) {
        Stream.SetPosition(pos);
        abort = false;
        t.SetImageIndex(page);
        ReadTIFFStream(Params.ExifThumbnail.get(), Stream, pages, /*ThumbnailMode=*/true, /*NoAlpha=*/true,
                       /*BaseAtPosition=*/true, mask, /*Preview=*/false, pr, t);
        if (!abort && !Params.ExifThumbnail->IsAllZero()) break;
        Params.ExifThumbnail->FreeImage(true);
    }
    Stream.SetPosition(pos);
    return true;
}

void CopyEXIFParams(const TIOParamsVals& S, TIOParamsVals& D) {
    D.ExifImageDescription = S.TIFFImageDescription;
    D.ExifMake = S.ExifMake;
    D.ExifModel = S.ExifModel;
    D.SetExifOrientation(S.TIFFOrientation);
    if (S.ExifXResolution > 0) D.SetDpiXFloat(S.ExifXResolution);
    if (S.ExifYResolution > 0) D.SetDpiYFloat(S.ExifYResolution);
    D.ExifResolutionUnit = S.ExifResolutionUnit;
    D.ExifSoftware = S.ExifSoftware;
    D.ExifArtist = S.ExifArtist;
    D.ExifDateTime = S.ExifDateTime;
    for (int i = 0; i < 2; ++i) D.SetExifWhitePoint(i, S.GetExifWhitePoint(i));
    for (int i = 0; i < 6; ++i) D.SetExifPrimaryChromaticities(i, S.GetExifPrimaryChromaticities(i));
    for (int i = 0; i < 3; ++i) D.SetExifYCbCrCoefficients(i, S.GetExifYCbCrCoefficients(i));
    D.ExifYCbCrPositioning = S.ExifYCbCrPositioning;
    for (int i = 0; i < 6; ++i) D.SetExifReferenceBlackWhite(i, S.GetExifReferenceBlackWhite(i));
    D.ExifCopyright = S.ExifCopyright;
    D.ExifExposureTime = S.ExifExposureTime;
    D.ExifFNumber = S.ExifFNumber;
    D.ExifExposureProgram = S.ExifExposureProgram;
    for (int i = 0; i < 2; ++i) D.SetExifISOSpeedRatings(i, S.GetExifISOSpeedRatings(i));
    D.ExifVersion = S.ExifVersion;
    D.ExifDateTimeOriginal = S.ExifDateTimeOriginal;
    D.ExifDateTimeDigitized = S.ExifDateTimeDigitized;
    D.ExifCompressedBitsPerPixel = S.ExifCompressedBitsPerPixel;
    D.ExifShutterSpeedValue = S.ExifShutterSpeedValue;
    D.ExifApertureValue = S.ExifApertureValue;
    D.ExifBrightnessValue = S.ExifBrightnessValue;
    D.ExifExposureBiasValue = S.ExifExposureBiasValue;
    D.ExifMaxApertureValue = S.ExifMaxApertureValue;
    D.ExifSubjectDistance = S.ExifSubjectDistance;
    D.ExifMeteringMode = S.ExifMeteringMode;
    D.ExifLightSource = S.ExifLightSource;
    D.ExifFlash = S.ExifFlash;
    D.ExifFocalLength = S.ExifFocalLength;
    D.ExifSubsecTime = S.ExifSubsecTime;
    D.ExifSubsecTimeOriginal = S.ExifSubsecTimeOriginal;
    D.ExifSubsecTimeDigitized = S.ExifSubsecTimeDigitized;
    D.ExifFlashPixVersion = S.ExifFlashPixVersion;
    D.ExifColorSpace = S.ExifColorSpace;
    D.ExifPixelXDimension = S.ExifPixelXDimension;
    D.ExifPixelYDimension = S.ExifPixelYDimension;
    D.ExifRelatedSoundFile = S.ExifRelatedSoundFile;
    D.ExifFocalPlaneXResolution = S.ExifFocalPlaneXResolution;
    D.ExifFocalPlaneYResolution = S.ExifFocalPlaneYResolution;
    D.ExifFocalPlaneResolutionUnit = S.ExifFocalPlaneResolutionUnit;
    D.ExifExposureIndex = S.ExifExposureIndex;
    D.ExifSensingMethod = S.ExifSensingMethod;
    D.ExifFileSource = S.ExifFileSource;
    D.ExifSceneType = S.ExifSceneType;
    D.ExifUserComment = S.ExifUserComment;
    D.ExifUserCommentCode = S.ExifUserCommentCode;
    D.ExifMakerNote.Data->SetSize(0);
    D.ExifMakerNote.Entries.clear();
    D.ExifMakerNote.EntryCount = 0;
    if (S.ExifMakerNote.Data->Size() > 0) {
        D.ExifMakerNote.Data->WriteBuffer(S.ExifMakerNote.Data->Memory(), S.ExifMakerNote.Data->Size());
        D.ExifMakerNote.ReadTags();
    }
    D.ExifXPTitle = S.ExifXPTitle;
    D.ExifXPComment = S.ExifXPComment;
    D.ExifXPAuthor = S.ExifXPAuthor;
    D.ExifXPKeywords = S.ExifXPKeywords;
    D.ExifXPSubject = S.ExifXPSubject;
}
