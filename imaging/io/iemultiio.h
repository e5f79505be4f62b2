// The multi-image I/O companion of a thumbnail view: one TIOParamsVals per image
// of the view, kept in step with the view's inserts, deletes, moves and swaps,
// and acquired bitmaps inserted into the view.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "imaging/io/ieacquire.h"
#include "imaging/io/iedialogwords.h"
#include "imaging/io/ieioparams.h"
#include "platform/classlib/classes_ext.h"
#include "platform/classlib/graphics.h"

class TIEBitmap;

// What the companion needs of the thumbnail view it serves; the view implements
// it, so that this library stays below the views.
class TIEAttachedMView {
public:
    virtual ~TIEAttachedMView() = default;
    virtual TComponent* MViewComponent() = 0;
    // The callback hears of list changes, and of the view's end (Destroying).
    virtual int32_t AddMViewCallback(std::function<void(bool Destroying)> Callback, TObject* Owner) = 0;
    virtual void RemoveMViewCallback(int32_t Handle) = 0;
    virtual int32_t GetImageCount() const = 0;
    // The last change of the image list: 1 insert (Index), 2 delete (Index),
    // 3 move (Index to Index2), 4 swap (Index and Index2).
    virtual int32_t GetLastChangeKind() const = 0;
    virtual int32_t GetLastChangeIndex() const = 0;
    virtual int32_t GetLastChangeIndex2() const = 0;
    virtual void InsertImage(int32_t Index) = 0;
    virtual void SetImageBitmap(int32_t Index, TIEBitmap* Bitmap) = 0;
    virtual void SetImageDelayTime(int32_t Index, int32_t Milliseconds) = 0;
};

// Makes the pixels square: Bitmap itself when the resolutions agree (or either is
// not positive, or it is empty); otherwise a new bitmap, the short side scaled,
// the resolution and size in Params following. Filtered resamples RGB24 linearly.
TIEBitmap* AdjustDPIAspect(TIEBitmap* Bitmap, TIOParamsVals* Params, bool Filtered);

class TIEMultiIO : public TComponent {
public:
    explicit TIEMultiIO(TComponent* AOwner = nullptr);
    ~TIEMultiIO() override;
    TIEMultiIO(const TIEMultiIO&) = delete;
    TIEMultiIO& operator=(const TIEMultiIO&) = delete;

    TIEAttachedMView* AttachedMView() const { return FView; }
    void SetAttachedMView(TIEAttachedMView* View);

    int32_t GetParamsCount() const { return static_cast<int32_t>(FParams.size()); }
    // nullptr out of range.
    TIOParamsVals* GetParams(int32_t Index) const;
    // Bad indexes are ignored.
    void InsertParams(int32_t Index);
    void DeleteParams(int32_t Index);
    void MoveParams(int32_t From, int32_t To);
    void SwapParams(int32_t A, int32_t B);

    virtual void DoAcquireBitmap(TIEBitmap* ABitmap, TIOParamsVals*& Params);
    virtual void DoFinishWork();
    virtual TIEWia* GetWIA();

    TIEProgressEvent OnProgress;
    TIEAcquireBitmapEvent OnAcquireBitmap;
    TNotifyEvent OnFinishWork;
    bool AutoAdjustDPI = false;
    bool FilteredAdjustDPI = false;
    bool SimplifiedParamsDialogs = true;
    TMsgLanguage MsgLanguage = msSystem;
    TFont* PreviewFont() const { return FPreviewFont.get(); }
    void SetPreviewFont(TFont* Value);
    std::unique_ptr<TIETWainParams> TWainParams;
    // Where the next acquired bitmap goes in the view.
    int32_t AcquisitionPosition = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ViewBitmapChanged(bool Destroying);
    void Detach();
    std::vector<std::unique_ptr<TIOParamsVals>> FParams;
    TIEAttachedMView* FView = nullptr;
    int32_t FCallback = -1;
    std::unique_ptr<TIEWia> FWia;
    std::unique_ptr<TFont> FPreviewFont;
};
