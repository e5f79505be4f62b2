// The processing component: runs image operations on one work bitmap (its own,
// an attached view's, a picture control's or the caller's) with undo and redo,
// restricted to the view's selection where the view has one.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/bitmaps/ieattachedview.h"
#include "imaging/bitmaps/iedefs.h"
#include "platform/classlib/classes_ext.h"
#include "platform/classlib/graphics.h"
#include "platform/rtl/sets.h"

class TIEBitmap;
class TIEMask;
class TImage;
class TMemoryStream;
class TIPDialogParams;

using TIEPixelFormatSet = TSet<TIEPixelFormat>;

// What an undo or redo step keeps.
enum TIEUndoSource { ieuImage = 1, ieuSelection = 2 };

// The formats tried, in order, when an operation does not accept the current one.
struct TIEFormatPreference {
    TIEPixelFormat Formats[6];
    int32_t Count;
};
const TIEFormatPreference& IEFormatPreference(TIEPixelFormat Current);

class TIEImageProc : public TComponent {
public:
    explicit TIEImageProc(TComponent* AOwner = nullptr);
    ~TIEImageProc() override;
    TIEImageProc(const TIEImageProc&) = delete;
    TIEImageProc& operator=(const TIEImageProc&) = delete;

    // Attachment
    TIEAttachedView* AttachedIEView() const { return FView; }
    void SetAttachedIEView(TIEAttachedView* View);
    TImage* AttachedTImage() const { return FTImage; }
    void SetAttachedTImage(TImage* Image);
    // A caller-owned work bitmap; nil is ignored while a view or picture control is attached.
    void SetAttachedBitmap(TIEBitmap* Bitmap);
    void AssignTargetBitmap(TIEBitmap* Bitmap);
    TIEBitmap* AttachedBitmap() const { return FBitmap; }
    bool OwnsBitmap() const { return FOwnBitmap != nullptr; }
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Settings
    bool AutoUndo = true;
    bool AutoConvertFormat = true;
    TIELocation UndoLocation = ieTempFile;
    int32_t UndoLimit() const { return FUndoLimit; }
    void SetUndoLimit(int32_t Value);
    TColor Background() const;
    void SetBackground(TColor Value);
    TFont& PreviewFont() { return *FPreviewFont; }
    void SetPreviewFont(const TFont& Value) { FPreviewFont->Assign(Value); }
    TIPDialogParams& DialogParams() { return *FDialogParams; }
    TIEProgressEvent OnProgress;
    TNotifyEvent OnFinishWork;

    // Undo and redo: index 0 of UndoAt and RedoAt is the newest step; captions are
    // kept oldest first, like the steps.
    virtual void SaveUndo(TIEUndoSource Source = ieuImage);
    void SaveUndoCaptioned(const std::string& Caption, TIEUndoSource Source);
    virtual void Undo() { UndoAt(0); }
    virtual void UndoAt(int32_t Index);
    virtual void SaveRedo(TIEUndoSource Source = ieuImage);
    void SaveRedoCaptioned(const std::string& Caption, TIEUndoSource Source);
    virtual void ClearLastRedo();
    virtual void Redo() { RedoAt(0); }
    virtual void RedoAt(int32_t Index);
    void ClearAllUndo();
    void ClearAllRedo();
    int32_t UndoCount() const { return static_cast<int32_t>(FUndo.size()); }
    int32_t RedoCount() const { return static_cast<int32_t>(FRedo.size()); }
    const std::vector<std::string>& UndoCaptions() const { return FUndoCaptions; }
    const std::vector<std::string>& RedoCaptions() const { return FRedoCaptions; }

    // Tells the view (or the wrapped bitmap's owner) that the image changed.
    void Update();
    virtual void DoFinishWork();
    // The area to work on: the whole bitmap, or with a view selection its box, polygon and mask.
    virtual bool GetSelectionArea(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2, const POINT*& Polygon,
                                  int32_t& PolygonCount, TIEMask*& Mask);
    bool MakeConsistentBitmap(TIEPixelFormatSet Allowed);

    // Operations
    void ConvertToGray();
    void Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
    void ResampleTo(TIEBitmap* Dest, int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
    void IntensityRGBall(int32_t R, int32_t G, int32_t B);
    void ConvertTo(int32_t NumColors, TIEBWConversion Conversion);
    // Palette receives the colours used; entries beyond its size are never written.
    void ConvertToPalette(int32_t NumColors, std::span<TRGB> Palette, TIEBWConversion Conversion);

private:
    struct TStep {
        std::unique_ptr<TIEBitmap> Bitmap;
        std::unique_ptr<TMemoryStream> Stream;
    };
    bool CheckPixelFormat(TIEPixelFormatSet Allowed);
    void RemoveViewCallback();
    void NewOwnBitmap();
    void ReadViewBitmaps();
    void ViewBitmapChanged(bool Destroying);
    void ForgetTImage();
    void ForgetView();
    bool PushStep(std::vector<TStep>& Steps, std::vector<std::string>& Captions, TIEUndoSource Source);
    void RestoreStep(std::vector<TStep>& Steps, int32_t Index);
    // The frame of the operations that honour the selection.
    bool BeginOperation(TIEPixelFormatSet Allowed, const std::string& Caption);
    TIEBitmap* OperationBitmap(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2);
    void EndOperation();
    void ReduceColors(int32_t NumColors, TRGB* Palette, TIEBWConversion Conversion);

    TIEAttachedView* FView = nullptr;
    TComponent* FViewComponent = nullptr;  // compared on removal, when the view may be half gone
    TImage* FTImage = nullptr;
    TIEBitmap* FBitmap = nullptr;
    std::unique_ptr<TIEBitmap> FOwnBitmap;
    int32_t FCallback = -1;
    bool FPushed = false;  // whether the last SaveUndo or SaveRedo made a step
    TBitmap* FWrapped = nullptr;  // the windowing bitmap behind the work bitmap
    std::vector<TStep> FUndo, FRedo;
    std::vector<std::string> FUndoCaptions, FRedoCaptions;
    int32_t FUndoLimit = 1;
    TColor FBackground = 0;
    std::unique_ptr<TFont> FPreviewFont;
    std::unique_ptr<TIPDialogParams> FDialogParams;
    // The running operation's box copy and the mask it goes back through.
    std::unique_ptr<TIEBitmap> FBoxCopy;
    TIEMask* FOpMask = nullptr;
};
