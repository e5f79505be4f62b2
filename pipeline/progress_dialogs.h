// The two progress dialogs of a production run: the conversion dialog of
// step 1 (frmProgress) and the step dialog of steps 2 to 6 (frmProgressOther).
// The main window creates both once, owns them and reuses them for every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/extra/gp_controls.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

class TsbBurner;

class TfrmProgress : public TForm {
public:
    explicit TfrmProgress(TComponent* AOwner);
    ~TfrmProgress() override;

    TLabel *lblSingleRemainingTime = nullptr, *lblSingleRemainingTimeText = nullptr, *lblStatus = nullptr,
           *lblBatch = nullptr, *lblRemainingTime = nullptr, *lblRemainingTimeText = nullptr,
           *lblElapsedTime = nullptr, *lblElapsedTimeText = nullptr, *lblEstimatedTime = nullptr,
           *lblEstimatedTimeText = nullptr, *lblWorking = nullptr;
    TGpProgressBar *prgStatus = nullptr, *prgBatch = nullptr;
    TButton* btnCancel = nullptr;

    // Fired when the user confirmed the cancel question (the main window's
    // ConversionCancelled).
    TNotifyEvent OnCancel;
    // The batch has ended: the dialog closes without asking.
    bool Finished = false;

    void ApplyUITexts();
    // The four time labels to "0:00:00", the percent labels to 0 and the
    // working line to "Please wait..."; the bars keep their values.
    void ResetLabels();

    void FormCreate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void btnCancelClick(TObject* Sender);
    void WndProc(TMessage& Message) override;
};

class TfrmProgressOther : public TForm {
public:
    explicit TfrmProgressOther(TComponent* AOwner);
    ~TfrmProgressOther() override;

    TLabel *lblInfo = nullptr, *lblPercent = nullptr, *lblTime = nullptr;
    TGpProgressBar* prgStatus = nullptr;  // its changes show in lblPercent
    TButton* btnCancel = nullptr;
    TTimer* Timer = nullptr;   // 80 ms pseudo progress
    TTimer* tmTime = nullptr;  // 1 s elapsed time of the burn

    // The main window's burning engine, cancelled by the burn step's Cancel.
    TsbBurner* Burner = nullptr;
    // Seconds since the dialog was last shown (counted by tmTime).
    int32_t ElapsedSeconds = 0;

    // The step presets: caption, info line, Cancel caption and state, Timer.
    // They leave the bar, the elapsed counter and tmTime alone.
    void SetupMenuImageStep();
    void SetupMenuXmlStep();
    void SetupMenuVideoStep();
    void SetupAuthoringStep();
    void SetupBurnStep();

    struct TElapsedParts {
        int64_t Hours, Minutes, Seconds, Milliseconds;
    };
    static TElapsedParts SplitMilliseconds(int64_t Ms);
    // "h:mm:ss.zzz" (hours with at least one digit).
    static std::string FormatElapsed(int64_t Ms);

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void TimerTimer(TObject* Sender);
    void tmTimeTimer(TObject* Sender);
    void prgStatusChange(TObject* Sender, int32_t Percent);
    void btnCancelClick(TObject* Sender);

private:
    void ApplyPreset(const std::string& Caption, const std::string& Info, bool CancelEnabled, bool TimerOn);
};

extern TfrmProgress* frmProgress;
extern TfrmProgressOther* frmProgressOther;
