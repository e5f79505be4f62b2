// Step 1 of a run, as methods of the main window: the checks before a run and
// the conversion of the list file by file in the conversion dialog. Step 2 is
// in main_menu_pictures.cpp.
#include "core/globals.h"
#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "pipeline/authoring.h"
#include "pipeline/conversion.h"
#include "pipeline/line_building.h"
#include "pipeline/progress_dialogs.h"
#include "pipeline/redirect.h"
#include "pipeline/source_list.h"
#include "controls/extra/gp_controls.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/process.h"
#include "platform/rtl/sysutils.h"
#include "ui/main_form.h"

namespace {

// The menu pictures need a PAL or NTSC background, and the converter options
// have no target for anything else: such a run would fail late or make a disc
// no player reads, so it is refused before it starts.
constexpr const char* UnknownVideoFormatMessage =
    "The video format %d is neither PAL nor NTSC. Please choose PAL or NTSC in the settings.";

void SetStatusText(TStatusBar* Bar, const std::string& Text) {
    if (Bar && Bar->Panels().Count() > 0) Bar->Panels().Items(0)->SetText(Text);
}

void SetLabel(TLabel* Label, const std::string& Text) {
    if (Label) Label->SetCaption(Text);
}

void SetBar(TGpProgressBar* Bar, int Percent) {
    if (Bar) Bar->SetPercent(static_cast<int16_t>(Percent));
}

std::string TimeText(double Span) { return FormatDateTime("h:nn:ss", Span); }

std::string PercentText(const std::string& Label, int Percent) { return Label + " " + IntToStr(Percent) + "%"; }

// The batch percent and its two times on the conversion dialog.
void ShowBatchProgress(double Estimated, double Remaining, bool WithTimes) {
    if (!frmProgress) return;
    SetLabel(frmProgress->lblBatch, PercentText(STR_PROCESS_lblBatch, Options.BatchPercent));
    SetBar(frmProgress->prgBatch, Options.BatchPercent);
    if (!WithTimes) return;
    SetLabel(frmProgress->lblEstimatedTimeText, TimeText(Estimated));
    SetLabel(frmProgress->lblRemainingTimeText, TimeText(Remaining));
}

}  // namespace

// ---- Step 1: the conversion ---------------------------------------------------------------
void TfrmMain::actBurnExecute(TObject*) {
    SetRunningState(true);
    PipelineCancelled = false;
    CheckBurnPreconditions();
}

bool TfrmMain::CheckBurnPreconditions() {
    bool Ok = CheckConverter();
    if (Ok && (!lsvFiles || lsvFiles->Items().Count() == 0)) {
        Application->MessageBox(STR_MAIN_NoFilesToEncode, STR_Hint, MB_OK | MB_ICONWARNING);
        Ok = false;
    }
    if (Ok) Ok = CheckTempDir();
    if (Ok && Options.VideoFormat != 0 && Options.VideoFormat != 1) {
        Application->MessageBox(Format(UnknownVideoFormatMessage, {static_cast<int>(Options.VideoFormat)}), STR_Hint,
                                MB_OK | MB_ICONWARNING);
        Ok = false;
    }
    if (!Ok) {
        SetRunningState(false);
        return false;
    }
    StartConversion();
    return true;
}

bool TfrmMain::CheckConverter() {
    if (FileExists(Options.ConverterFile)) return true;
    Application->MessageBox(Format(STR_MAIN_NoEncoder, {Options.ConverterFile}), STR_Hint, MB_OK | MB_ICONWARNING);
    return false;
}

bool TfrmMain::CheckTempDir() {
    if (Trim(Options.TempDir).empty()) {
        Application->MessageBox(STR_MAIN_DirEmpty, STR_Hint, MB_OK | MB_ICONQUESTION);
        return false;
    }
    if (DirectoryExists(Options.TempDir) || ForceDirectories(Options.TempDir)) return true;
    Application->MessageBox(STR_MAIN_FailToCreate, STR_Hint, MB_OK | MB_ICONQUESTION);
    return false;
}

void TfrmMain::StartConversion() {
    ConvertRedirector->SetInititalPriority(MenuToolPriority(Options.ProcessPriority));
    ConvertRedirector->SetDefaultErrorMode(true);
    ConvertRedirector->OnData = [this](TObject* Sender, const char* Buffer, int32_t Size) {
        ConverterOutput(Sender, Buffer, Size);
    };
    ConvertRedirector->OnErrorData = ConvertRedirector->OnData;
    ConvertRedirector->OnTerminated = [this](TObject* Sender) { ConverterDone(Sender); };
    ConvertRedirector->KillOnDestroy = true;

    frmProgress->SetCaption(STR_PROCESS_BurnDVDStep1);
    frmProgress->ResetLabels();
    frmProgress->Finished = false;
    SetStatusText(StatusBar, STR_PROCESS_BurnDVDStep1);
    Application->ProcessMessages();

    Options.HadError = false;
    Options.TitleCount = lsvFiles->Items().Count();
    Options.DoneCount = 0;
    Options.FailedCount = 0;
    Options.OutputNumber = 0;
    ConvertQueue->Clear();
    Options.BatchBytes = 0;
    for (int I = 0; I < lsvFiles->Items().Count(); ++I) {
        TListItem* Item = lsvFiles->Items().Item(I);
        if (auto* Data = static_cast<TFileItem*>(Item->Data)) Options.BatchBytes += StrToInt64Def(Data->FileSize, 0);
        ConvertQueue->Add(Item->Caption());
    }
    Options.FileBytes = 0;
    Options.BatchDoneBytes = 0;
    Options.BatchProgressBytes = 0;
    Options.BatchPercent = 0;
    Options.BatchStartTime = Now();

    // A first file that cannot start has been reported and the window
    // unlocked: there is nothing to wait for in the dialog.
    if (!ConvertNextFile()) return;
    frmProgress->ShowModal();

    if (ConvertRedirector->Running()) {
        ConvertRedirector->KillProcess(0);
        KillProcessesByName(ExtractFileName(Options.ConverterFile));
        DeleteConvertFiles();
    }
    if (Options.HadError)
        Application->MessageBox(STR_MAIN_AnErrorOccurred, STR_MAIN_Oops, MB_OK | MB_ICONWARNING);
}

bool TfrmMain::ConvertNextFile() {
    DeleteConvertFiles();
    if (ConvertQueue->Count() == 0) return false;
    Options.FileFailed = false;
    Options.FileStartTime = Now();
    Options.FilePercent = 0;
    Options.PendingOutput.clear();
    Options.CurrentSource = ConvertQueue->Get(0);
    const int Index = lsvFiles->Items().Count() - ConvertQueue->Count();
    Options.FileBytes = 0;
    if (Index >= 0 && Index < lsvFiles->Items().Count())
        if (auto* Data = static_cast<TFileItem*>(lsvFiles->Items().Item(Index)->Data))
            Options.FileBytes = StrToInt64Def(Data->FileSize, 0);
    try {
        WriteConvertBatch();
        ConvertRedirector->SetCommandline("\"" + Options.TempDir + "~convert.bat\"");
        ConvertRedirector->RunCommand();
    } catch (const std::exception& E) {
        // A missing script template or a converter that cannot start would
        // otherwise leave the window locked behind a dialog that never ends.
        DeleteConvertFiles();
        ConvertQueue->Clear();
        Application->MessageBox(E.what(), STR_Error, MB_OK | MB_ICONERROR);
        if (frmProgress && frmProgress->Visible()) {
            frmProgress->Finished = true;
            frmProgress->ModalResult = mrCancel;
        }
        SetRunningState(false);
        return false;
    }
    return true;
}

void TfrmMain::WMConvertNext(TMessage&) {
    if (PipelineCancelled) return;
    ConvertNextFile();
}

void TfrmMain::ConverterOutput(TObject*, const char* Buffer, int32_t Size) {
    const bool Exited = ConvertRedirector && ConvertRedirector->Exited();
    for (const TOutputLine& L : BuildOutputLines(Buffer, Size, Exited, Options.PendingOutput)) {
        const double Moment = Now();
        const TConverterLineResult R = ParseConverterLine(L.Line, L.Predecessor, Moment);
        if (frmProgress) {
            SetLabel(frmProgress->lblElapsedTimeText, TimeText(Moment - Options.BatchStartTime));
            if (R.Progress) {
                SetLabel(frmProgress->lblStatus, PercentText(STR_PROCESS_lblStatus, Options.FilePercent));
                SetBar(frmProgress->prgStatus, Options.FilePercent);
                SetLabel(frmProgress->lblSingleRemainingTimeText, TimeText(R.FileRemaining));
            }
            if (R.BatchProgress) ShowBatchProgress(R.BatchEstimated, R.BatchRemaining, /*WithTimes=*/true);
            SetLabel(frmProgress->lblWorking,
                     Format(STR_PROCESS_lblWorking, {Options.DoneCount + Options.FailedCount + 1, Options.TitleCount,
                                                     ExtractFileName(Options.InputName)}));
        }
        if (R.Error) Application->MessageBox(L.Line, STR_Error, MB_OK | MB_ICONINFORMATION);
    }
}

void TfrmMain::ConverterDone(TObject*) {
    DeleteConvertFiles();
    // A cancelled batch ends here: its terminated converter asks nothing and
    // starts nothing.
    if (PipelineCancelled) return;
    if (!Options.FileFailed && ConvertedFileMissing()) Options.FileFailed = true;
    if (!Options.FileFailed) {
        if (ConvertQueue->Count() > 0) ConvertQueue->Delete(0);
        ++Options.DoneCount;
        if (Options.DoneCount == Options.TitleCount && frmProgress) {
            SetLabel(frmProgress->lblBatch, PercentText(STR_PROCESS_lblBatch, 100));
            SetBar(frmProgress->prgStatus, 100);
            frmProgress->SetCaption(STR_MAIN_EncodingFinished);
        }
    } else {
        Options.HadError = true;
        ++Options.FailedCount;
        const std::string Head = ConvertQueue->Count() > 0 ? ConvertQueue->Get(0) : std::string();
        const int Answer = Application->MessageBox(Format(IDS_main_MSG_ConverFileError, {Head}), IDS_main_MSG_Error,
                                                   MB_OKCANCEL | MB_ICONSTOP);
        if (Answer == IDCANCEL) {
            ConvertQueue->Clear();
            SetRunningState(false);
            return;
        }
        if (ConvertQueue->Count() > 0) ConvertQueue->Delete(0);
    }
    if (Options.DoneCount + Options.FailedCount == Options.TitleCount) {
        if (frmProgress) {
            frmProgress->Finished = true;
            frmProgress->ModalResult = mrOk;
        }
        PostMessageA(Handle(), WM_BUILD_MENU_IMAGES, 0, 0);
        return;
    }
    Options.BatchDoneBytes += Options.FileBytes;
    Options.BatchProgressBytes = Options.BatchDoneBytes;
    Options.BatchPercent =
        Options.BatchBytes != 0 ? static_cast<int32_t>(100 * Options.BatchProgressBytes / Options.BatchBytes) : 0;
    const double Elapsed = Now() - Options.BatchStartTime;
    const bool WithTimes = Options.BatchProgressBytes > 0;
    const double Estimated =
        WithTimes ? static_cast<double>(Options.BatchBytes) * Elapsed / Options.BatchProgressBytes : 0;
    ShowBatchProgress(Estimated, Estimated - Elapsed, WithTimes);
    if (ConvertQueue->Count() > 0) {
        ++Options.OutputNumber;
        PostMessageA(Handle(), WM_CONVERT_NEXT, 0, 0);
    }
}

void TfrmMain::ConversionCancelled(TObject*) {
    PipelineCancelled = true;
    SetRunningState(false);
}

