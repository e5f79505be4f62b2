// The small stay-on-top window with a moving strip and a Cancel button that
// the device finder shows while drives are scanned.
#pragma once

#include <cstdint>
#include <vector>

#include "controls/extra/ag_gifanimator.h"
#include "controls/extra/gp_controls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

class TfrmOperationProgress : public TForm {
public:
    explicit TfrmOperationProgress(TComponent* AOwner);

    TGpPanel* lblInfo = nullptr;
    TAgGIFAnimator* gifPregress = nullptr;
    TButton* btnCancel = nullptr;
    TLabel* lblCancelling = nullptr;

    TNotifyEvent OnCancel;

    void SetCancelVisible(bool Visible);
    bool Shown() const { return FShown; }

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormDeactivate(TObject* Sender);
    void btnCancelClick(TObject* Sender);
    void btnCloseClick(TObject* Sender);
    void lblInfoMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

protected:
    void VisibleChanged() override;
    virtual void DoShow();
    virtual void DoHide();

private:
    bool FShown = false;
};

