#include "pipeline/progress_dialogs.h"

#include <algorithm>
#include <cstdio>

#include "burning/burn_engine.h"
#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "platform/commctl/commctrl.h"
#include "platform/gdi/gdi.h"
#include "platform/system/process.h"
#include "platform/win/winuser.h"

TfrmProgress* frmProgress = nullptr;
TfrmProgressOther* frmProgressOther = nullptr;

// ---- Conversion dialog -----------------------------------------------------------
TfrmProgress::TfrmProgress(TComponent* AOwner) : TForm(AOwner) {
    RegisterGpControls();
    DefineMethod("FormCreate", &TfrmProgress::FormCreate);
    DefineMethod("FormCloseQuery", &TfrmProgress::FormCloseQuery);
    DefineMethod("btnCancelClick", &TfrmProgress::btnCancelClick);
    DefineField("lblSingleRemainingTime", lblSingleRemainingTime);
    DefineField("lblSingleRemainingTimeText", lblSingleRemainingTimeText);
    DefineField("lblStatus", lblStatus);
    DefineField("prgStatus", prgStatus);
    DefineField("prgBatch", prgBatch);
    DefineField("lblBatch", lblBatch);
    DefineField("lblRemainingTime", lblRemainingTime);
    DefineField("lblRemainingTimeText", lblRemainingTimeText);
    DefineField("lblElapsedTime", lblElapsedTime);
    DefineField("lblElapsedTimeText", lblElapsedTimeText);
    DefineField("lblEstimatedTime", lblEstimatedTime);
    DefineField("lblEstimatedTimeText", lblEstimatedTimeText);
    DefineField("lblWorking", lblWorking);
    DefineField("btnCancel", btnCancel);
    LoadFromResource("frmProgress");
}

TfrmProgress::~TfrmProgress() {
    if (frmProgress == this) frmProgress = nullptr;
}

void TfrmProgress::FormCreate(TObject*) {
    ApplyUITexts();
    Finished = false;
}

void TfrmProgress::ApplyUITexts() {
    SetCaption(STR_PROCESS_BurnDVDStep1);
    lblRemainingTime->SetCaption(STR_PROCESS_RemainingTime);
    lblSingleRemainingTime->SetCaption(STR_PROCESS_RemainingTime);
    lblElapsedTime->SetCaption(STR_PROCESS_ElapsedTime);
    lblEstimatedTime->SetCaption(STR_PROCESS_EstimatedTime);
    btnCancel->SetCaption(STR_Cancel);
}

void TfrmProgress::ResetLabels() {
    for (TLabel* L : {lblSingleRemainingTimeText, lblRemainingTimeText, lblElapsedTimeText, lblEstimatedTimeText})
        L->SetCaption("0:00:00");
    lblStatus->SetCaption(STR_PROCESS_lblStatus + " 0%");
    lblBatch->SetCaption(STR_PROCESS_lblBatch + " 0%");
    lblWorking->SetCaption(STR_PROCESS_PleaseWait);
}

void TfrmProgress::WndProc(TMessage& Message) {
    if (Message.Msg == WM_SYSCOMMAND && (Message.WParam & 0xFFF0) == SC_MINIMIZE) {
        // The whole program goes to the task bar, not the dialog alone.
        HWND App = Application ? Application->Handle() : nullptr;
        if (App && IsWindow(App))
            ShowWindow(App, SW_MINIMIZE);
        else if (Application && Application->MainForm())
            Application->MainForm()->SetWindowState(wsMinimized);
        Message.Result = 0;
        return;
    }
    TForm::WndProc(Message);
}

void TfrmProgress::btnCancelClick(TObject*) {
    // The close query decides whether the dialog really closes.
    if (Modal())
        ModalResult = mrCancel;
    else
        Close();
}

void TfrmProgress::FormCloseQuery(TObject*, bool& CanClose) {
    if (Finished) {
        CanClose = true;
        return;
    }
    TModalResult Answer = ShowCustomMessageDialog(STR_PROCESS_AbortEncoding, STR_Question, mtConfirmation,
                                                  {mbOK, mbCancel}, {STR_Yes, STR_Cancel});
    if (Answer == mrOk) {
        if (OnCancel) OnCancel(this);
        CanClose = true;
        ModalResult = mrCancel;
        return;
    }
    // The last file may have ended while the question was open.
    CanClose = Finished;
    if (Finished) ModalResult = mrCancel;
}

// ---- Step dialog -------------------------------------------------------------------
TfrmProgressOther::TfrmProgressOther(TComponent* AOwner) : TForm(AOwner) {
    RegisterGpControls();
    DefineMethod("prgStatusChange", &TfrmProgressOther::prgStatusChange);
    DefineMethod("FormCreate", &TfrmProgressOther::FormCreate);
    DefineMethod("FormShow", &TfrmProgressOther::FormShow);
    DefineMethod("TimerTimer", &TfrmProgressOther::TimerTimer);
    DefineMethod("tmTimeTimer", &TfrmProgressOther::tmTimeTimer);
    DefineMethod("btnCancelClick", &TfrmProgressOther::btnCancelClick);
    DefineField("lblInfo", lblInfo);
    DefineField("prgStatus", prgStatus);
    DefineField("lblPercent", lblPercent);
    DefineField("lblTime", lblTime);
    DefineField("btnCancel", btnCancel);
    DefineField("Timer", Timer);
    DefineField("tmTime", tmTime);
    LoadFromResource("frmProgressOther");
}

TfrmProgressOther::~TfrmProgressOther() {
    if (frmProgressOther == this) frmProgressOther = nullptr;
}

void TfrmProgressOther::FormCreate(TObject*) {
    ElapsedSeconds = 0;
    lblTime->SetCaption("");
}

void TfrmProgressOther::FormShow(TObject*) {
    ElapsedSeconds = 0;
    lblTime->SetCaption("");
}

void TfrmProgressOther::ApplyPreset(const std::string& Caption, const std::string& Info, bool CancelEnabled,
                                    bool TimerOn) {
    SetCaption(Caption);
    lblInfo->SetCaption(Info);
    btnCancel->SetCaption(STR_Cancel);
    btnCancel->SetEnabled(CancelEnabled);
    Timer->SetEnabled(TimerOn);
}

void TfrmProgressOther::SetupMenuImageStep() {
    ApplyPreset(STR_PROCESSOTHER_BurnDVDStep2, STR_PROCESSOTHER_BulidingMenuImages, /*CancelEnabled=*/false,
                /*TimerOn=*/false);
}
void TfrmProgressOther::SetupMenuXmlStep() {
    ApplyPreset(STR_PROCESSOTHER_BurnDVDStep3, STR_PROCESSOTHER_BuildXMLInfo, /*CancelEnabled=*/false,
                /*TimerOn=*/false);
}
void TfrmProgressOther::SetupMenuVideoStep() {
    ApplyPreset(STR_PROCESSOTHER_BurnDVDStep4, STR_PROCESSOTHER_BulidingMenuVideoFiles, /*CancelEnabled=*/false,
                /*TimerOn=*/true);
}
void TfrmProgressOther::SetupAuthoringStep() {
    ApplyPreset(STR_PROCESSOTHER_BurnDVDStep5, STR_PROCESSOTHER_BurningDVDDisc, /*CancelEnabled=*/false,
                /*TimerOn=*/false);
}
void TfrmProgressOther::SetupBurnStep() {
    ApplyPreset(STR_PROCESSOTHER_BurnDVDStep6, STR_PROCESSOTHER_BurningDVDDisc, /*CancelEnabled=*/true,
                /*TimerOn=*/false);
}

void TfrmProgressOther::TimerTimer(TObject*) {
    if (prgStatus->Percent() != 100) prgStatus->SetPercent(static_cast<int16_t>(prgStatus->Percent() + 1));
}

void TfrmProgressOther::prgStatusChange(TObject*, int32_t Value) {
    lblPercent->SetCaption(std::to_string(Value) + "%");
}

void TfrmProgressOther::tmTimeTimer(TObject*) {
    ++ElapsedSeconds;
    lblTime->SetCaption(FormatElapsed(static_cast<int64_t>(ElapsedSeconds) * 1000) + " s");
}

TfrmProgressOther::TElapsedParts TfrmProgressOther::SplitMilliseconds(int64_t Ms) {
    TElapsedParts P;
    P.Hours = Ms / 1000 / 3600;
    P.Minutes = (Ms / 1000 % 3600) / 60;
    P.Seconds = Ms / 1000 % 60;
    P.Milliseconds = Ms % 1000;
    return P;
}

std::string TfrmProgressOther::FormatElapsed(int64_t Ms) {
    TElapsedParts P = SplitMilliseconds(Ms);
    char Buf[96];
    std::snprintf(Buf, sizeof Buf, "%.1lld:%.2lld:%.2lld.%.3lld", static_cast<long long>(P.Hours),
                  static_cast<long long>(P.Minutes), static_cast<long long>(P.Seconds),
                  static_cast<long long>(P.Milliseconds));
    return Buf;
}

void TfrmProgressOther::btnCancelClick(TObject*) {
    int Answer = Application->MessageBox(STR_PROCESSOTHER_AbortProc, STR_Question, MB_OKCANCEL | MB_ICONINFORMATION);
    if (Answer != IDOK) return;
    lblInfo->SetCaption(STR_PROCESSOTHER_Aborting);
    btnCancel->SetEnabled(false);
    if (Burner) {
        Burner->Cancelled = true;
        Burner->CancelBurn();
    }
    if (Modal())
        ModalResult = mrCancel;
    else
        Close();
}
