#include "burning/scan_dialog.h"

#include "platform/rtl/classes.h"
#include "platform/win/winuser.h"

TfrmOperationProgress::TfrmOperationProgress(TComponent* AOwner) : TForm(AOwner) {
    RegisterGpControls();
    RegisterAgGIFAnimator();
    DefineMethod("FormCreate", &TfrmOperationProgress::FormCreate);
    DefineMethod("FormShow", &TfrmOperationProgress::FormShow);
    DefineMethod("FormDeactivate", &TfrmOperationProgress::FormDeactivate);
    DefineMethod("btnCancelClick", &TfrmOperationProgress::btnCancelClick);
    DefineMethod("btnCloseClick", &TfrmOperationProgress::btnCloseClick);
    DefineMethod("lblInfoMouseDown", &TfrmOperationProgress::lblInfoMouseDown);
    DefineField("lblInfo", lblInfo);
    DefineField("gifPregress", gifPregress);
    DefineField("btnCancel", btnCancel);
    DefineField("lblCancelling", lblCancelling);
    LoadFromResource("frmOperationProgress");
}

void TfrmOperationProgress::FormCreate(TObject*) {
    lblInfo->SetCaption("");
    FShown = false;
}

void TfrmOperationProgress::SetCancelVisible(bool Visible) { btnCancel->SetVisible(Visible); }

void TfrmOperationProgress::FormShow(TObject*) {
    int W = gifPregress->Width();
    gifPregress->SetLeft(btnCancel->Visible() ? (btnCancel->Left() - W) / 2 : (ClientWidth() - W) / 2);
}

void TfrmOperationProgress::VisibleChanged() {
    if (Visible()) {
        TForm::VisibleChanged();
        DoShow();
    } else {
        DoHide();
        TForm::VisibleChanged();
    }
}

void TfrmOperationProgress::DoShow() {
    gifPregress->SetAnimate(true);
    FShown = true;
}

void TfrmOperationProgress::DoHide() {
    gifPregress->SetAnimate(false);
    FShown = false;
}

void TfrmOperationProgress::FormDeactivate(TObject*) {
    if (FShown) BringToFront();
}

void TfrmOperationProgress::btnCancelClick(TObject*) {
    if (!OnCancel) return;
    lblCancelling->SetVisible(true);
    btnCancel->SetEnabled(false);
    OnCancel(this);
}

void TfrmOperationProgress::btnCloseClick(TObject*) {
    gifPregress->SetAnimate(false);
    Close();
}

void TfrmOperationProgress::lblInfoMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    // Dragging the info panel moves the window, as dragging its caption would.
    ReleaseCapture();
    SendMessageA(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}
