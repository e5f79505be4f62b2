#include "ui/main_form.h"

#include "skin/skin_data.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "burning/burn_engine.h"
#include "core/globals.h"
#include "core/htmlhelp_decl.h"
#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "imaging/views/ieimageview.h"
#include "pipeline/template_chooser.h"
#include "pipeline/progress_dialogs.h"
#include "platform/commctl/commctrl.h"
#include "pipeline/redirect.h"
#include "pipeline/source_list.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/threads.h"
#include "platform/help/htmlhelp.h"
#include "platform/system/process.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/scope.h"
#include "platform/system/shell.h"
#include "ui/about_wnd.h"
#include "ui/log_wnd.h"
#include "ui/qem_windows_utils.h"
#include "ui/settings_wnd.h"

TfrmMain* frmMain = nullptr;

namespace {
const char* const FormSection = "VideoAPP_Form";
constexpr WPARAM SC_DRAGMOVE = 0xF012;  // SC_MOVE + HTCAPTION
}  // namespace

TfrmMain::TfrmMain(TComponent* AOwner) : TForm(AOwner) {
    DefineMethod("FormCreate", &TfrmMain::FormCreate);
    DefineMethod("FormShow", &TfrmMain::FormShow);
    DefineMethod("FormActivate", &TfrmMain::FormActivate);
    DefineMethod("FormClose", &TfrmMain::FormClose);
    DefineMethod("FormDestroy", &TfrmMain::FormDestroy);
    DefineMethod("aclMainUpdate", &TfrmMain::aclMainUpdate);
    DefineMethod("actAddExecute", &TfrmMain::actAddExecute);
    DefineMethod("actRemoveExecute", &TfrmMain::actRemoveExecute);
    DefineMethod("actClearExecute", &TfrmMain::actClearExecute);
    DefineMethod("actUpExecute", &TfrmMain::actUpExecute);
    DefineMethod("actDownExecute", &TfrmMain::actDownExecute);
    DefineMethod("actBurnExecute", &TfrmMain::actBurnExecute);
    DefineMethod("actExitExecute", &TfrmMain::actExitExecute);
    DefineMethod("actHelpExecute", &TfrmMain::actHelpExecute);
    DefineMethod("actSettingsExecute", &TfrmMain::actSettingsExecute);
    DefineMethod("actChoosetemplateExecute", &TfrmMain::actChoosetemplateExecute);
    DefineMethod("actAboutExecute", &TfrmMain::actAboutExecute);
    DefineMethod("actQuickStartExecute", &TfrmMain::actQuickStartExecute);
    DefineMethod("actOnlineResourcesExecute", &TfrmMain::actOnlineResourcesExecute);
    DefineMethod("actContactTechnicalSupportExecute", &TfrmMain::actContactTechnicalSupportExecute);
    DefineMethod("actPlaySourceExecute", &TfrmMain::actPlaySourceExecute);
    DefineMethod("ActEraseExecute", &TfrmMain::ActEraseExecute);
    DefineMethod("actBurnVideoTSExecute", &TfrmMain::actBurnVideoTSExecute);
    DefineMethod("lsvFilesDblClick", &TfrmMain::lsvFilesDblClick);
    DefineMethod("lsvFilesDragDrop", &TfrmMain::lsvFilesDragDrop);
    DefineMethod("lsvFilesDragOver", &TfrmMain::lsvFilesDragOver);
    DefineMethod("btnRefreshClick", &TfrmMain::btnRefreshClick);
    DefineMethod("cmbDeviceChange", &TfrmMain::cmbDeviceChange);
    DefineMethod("chkCreateNoMenuDVDClick", &TfrmMain::chkCreateNoMenuDVDClick);
    DefineMethod("lblShowLogClick", &TfrmMain::lblShowLogClick);
    DefineMethod("FormMouseDown", &TfrmMain::FormMouseDown);
    DefineMethod("PanelTopMouseDown", &TfrmMain::PanelTopMouseDown);
    DefineMethod("pnlLeftMouseDown", &TfrmMain::pnlLeftMouseDown);
    DefineMethod("pnlSizebarMouseDown", &TfrmMain::pnlSizebarMouseDown);
    DefineMethod("pnlBurnerMouseDown", &TfrmMain::pnlBurnerMouseDown);
    DefineMethod("pnlChooseButtonMouseDown", &TfrmMain::pnlChooseButtonMouseDown);
    DefineMethod("imgViewerMouseDown", &TfrmMain::imgViewerMouseDown);

    DefineField("mnuMain", mnuMain);
    DefineField("mniFile", mniFile);
    DefineField("mniFileAdd", mniFileAdd);
    DefineField("mniFileDelete", mniFileDelete);
    DefineField("mniFileUp", mniFileUp);
    DefineField("mniFileDown", mniFileDown);
    DefineField("mniFileBurn", mniFileBurn);
    DefineField("mniFileExit", mniFileExit);
    DefineField("mniSettings", mniSettings);
    DefineField("mniSettingsSettings", mniSettingsSettings);
    DefineField("mniSettingsErase", mniSettingsErase);
    DefineField("mniSettingsBurnVideoTS", mniSettingsBurnVideoTS);
    DefineField("mniSettingsLine", mniSettingsLine);
    DefineField("mniSettingsLanguage", mniSettingsLanguage);
    DefineField("mniHelp", mniHelp);
    DefineField("mniHelpContents", mniHelpContents);
    DefineField("mniHelpQuickStart", mniHelpQuickStart);
    DefineField("mniHelpOnlineResources", mniHelpOnlineResources);
    DefineField("mniHelpTechnicalSupport", mniHelpTechnicalSupport);
    DefineField("mniHelpAbout", mniHelpAbout);
    DefineField("mnuListView", mnuListView);
    DefineField("mniAdd", mniAdd);
    DefineField("mniDelete", mniDelete);
    DefineField("mniUp", mniUp);
    DefineField("mniDown", mniDown);
    DefineField("mniClear", mniClear);
    DefineField("PanelTop", PanelTop);
    DefineField("btnAdd", btnAdd);
    DefineField("btnRemove", btnRemove);
    DefineField("btnUp", btnUp);
    DefineField("btnDown", btnDown);
    DefineField("btnSettings", btnSettings);
    DefineField("btnHelp", btnHelp);
    DefineField("btnChooseAnotherTemplate", btnChooseAnotherTemplate);
    DefineField("btnBurn", btnBurn);
    DefineField("lblDVDMenuTemp", lblDVDMenuTemp);
    DefineField("lblShowLog", lblShowLog);
    DefineField("lsvFiles", lsvFiles);
    DefineField("imgViewer", imgViewer);
    DefineField("pnlLeft", pnlLeft);
    DefineField("pnlChooseButton", pnlChooseButton);
    DefineField("pnlSizebar", pnlSizebar);
    DefineField("imgSizeBar", imgSizeBar);
    DefineField("pnlBurner", pnlBurner);
    DefineField("lblWriters", lblWriters);
    DefineField("lblBurningMode", lblBurningMode);
    DefineField("lblSpeed", lblSpeed);
    DefineField("lblDiscLabel", lblDiscLabel);
    DefineField("cmbDevice", cmbDevice);
    DefineField("cmbModes", cmbModes);
    DefineField("cmbBurnSpeed", cmbBurnSpeed);
    DefineField("txtDiscLabel", txtDiscLabel);
    DefineField("btnRefresh", btnRefresh);
    DefineField("chkBufferProtect", chkBufferProtect);
    DefineField("ckbCloseDisc", ckbCloseDisc);
    DefineField("chkEjectAfter", chkEjectAfter);
    DefineField("chkTestMode", chkTestMode);
    DefineField("ckbCDROMXA", ckbCDROMXA);
    DefineField("ckbSOPC", ckbSOPC);
    DefineField("chkCreateNoMenuDVD", chkCreateNoMenuDVD);
    DefineField("StatusBar", StatusBar);
    DefineField("aclMain", aclMain);
    DefineField("actAdd", actAdd);
    DefineField("actRemove", actRemove);
    DefineField("actClear", actClear);
    DefineField("actUp", actUp);
    DefineField("actDown", actDown);
    DefineField("actBurn", actBurn);
    DefineField("actExit", actExit);
    DefineField("actHelp", actHelp);
    DefineField("actSettings", actSettings);
    DefineField("actChoosetemplate", actChoosetemplate);
    DefineField("actAbout", actAbout);
    DefineField("actQuickStart", actQuickStart);
    DefineField("actOnlineResources", actOnlineResources);
    DefineField("actContactTechnicalSupport", actContactTechnicalSupport);
    DefineField("actPlaySource", actPlaySource);
    DefineField("ActErase", ActErase);
    DefineField("actBurnVideoTS", actBurnVideoTS);
    DefineField("ImgListIcon", ImgListIcon);
    DefineField("prgSize", prgSize);
    DefineField("dlgOpen", dlgOpen);
    DefineField("OpenDialogDVD", OpenDialogDVD);
    DefineField("FpBrowseForFolder", FpBrowseForFolder);

    RegisterApplicationClasses();
    LoadFromResource("frmMain");
}

TfrmMain::~TfrmMain() {
    if (frmMain == this) frmMain = nullptr;
}

// ---- Start-up and shut-down --------------------------------------------------------------
void TfrmMain::FormCreate(TObject*) {
    // Step 1 (locale reload) has no counterpart here: the decimal point set at
    // start-up never changes behind the program's back.
    DragAcceptFiles(Handle(), TRUE);
    if (dlgOpen) dlgOpen->Filter = BuildOpenFilterText();
    ConvertRedirector = std::make_unique<TRedirector>();
    MenuRedirector = std::make_unique<TRedirector>();
    Burner = std::make_unique<TsbBurner>();
    Burner->TransportType = Options.IsWin9x ? ttAspi : ttSpti;
    Burner->VolumeLabel = Options.DVDLabel;
    DeviceNumber = 0;
    NeedSpace = 0;
    StartWorkPending = StartWorkAfterPaint;
    if (!StartWorkPending) {
        RefreshDevices(true);
        ShowBurnOptions();
    }
    ConvertQueue = std::make_unique<TStringList>();
    PipelineCancelled = false;
    sbCallBackEventer->OnProgress = [this](TObject* Sender, int Percent) { BurnProgress(Sender, Percent); };
    sbCallBackEventer->OnBuffer = [this](TObject* Sender, int Percent) { BurnBuffer(Sender, Percent); };
    sbCallBackEventer->OnMessage = [this](const std::string& Text, int Kind) { BurnStatus(Text, Kind); };
    DrawSizeScale(true);
    SetRunningState(false);
    if (!StartWorkPending) ShowTemplatePreview(Options.TemplateIndex);
    BuildLanguagesMenu();
    // The program main has just read this file: reading it again would give the same texts.
    if (!LanguageTextsLoadedFrom(CurrentLanguageFile)) LoadLanguageTexts(CurrentLanguageFile);
    ApplyUITexts();
    if (txtDiscLabel) txtDiscLabel->SetText(Options.DVDLabel);
    ProductTitle = ApplicationTitle;
    Application->SetTitle(ProductTitle);
    SetCaption(Application->Title());
    if (!frmProgressOther) frmProgressOther = new TfrmProgressOther(this);
    frmProgressOther->Burner = Burner.get();
    if (!frmProgress) frmProgress = new TfrmProgress(this);
    if (!frmLog) frmLog = new TfrmLog(this);
    if (!frmSettings) frmSettings = new TfrmSettings(this);
    if (!frmTemplate) frmTemplate = new TfrmTemplate(this);
    if (!frmAbout) frmAbout = new TfrmAbout(this);
    frmProgress->OnCancel = [this](TObject* Sender) { ConversionCancelled(Sender); };
    // The form stores the box checked: this change runs its click handler, so
    // the run starts with menus and the template can be chosen.
    if (chkCreateNoMenuDVD) chkCreateNoMenuDVD->SetChecked(NoMenuDvd);
}

void TfrmMain::FormShow(TObject*) { MainFormShown = true; }

void TfrmMain::FormActivate(TObject*) {
    // While the start work is pending it shows the preview itself.
    if (MainFormShown && !StartWorkPending) ShowTemplatePreview(Options.TemplateIndex);
}

void TfrmMain::RunStartWork() {
    if (!StartWorkPending || StartWorkRunning) return;
    rtl::TSetForScope<bool> Running(StartWorkRunning, true);
    // Pending until the end: the scan dialog's closing activates the window,
    // which must not load the preview a second time.
    rtl::TScopeExit Done([this] { StartWorkPending = false; });
    try {
        // The scan sees the event hub as FormCreate's scan did: its status texts
        // go to the log only, not to the status bar.
        std::optional<rtl::TSetForScope<TsbMessageEvent>> NoMessage;
        std::optional<rtl::TSetForScope<TsbPercentEvent>> NoProgress, NoBuffer;
        if (sbCallBackEventer) {
            NoMessage.emplace(sbCallBackEventer->OnMessage, nullptr);
            NoProgress.emplace(sbCallBackEventer->OnProgress, nullptr);
            NoBuffer.emplace(sbCallBackEventer->OnBuffer, nullptr);
        }
        {
            // The scan processes messages while it waits: the window takes no
            // input until its drive list is filled, as when it was not up yet.
            const HWND Wnd = Handle();
            EnableWindow(Wnd, FALSE);
            rtl::TScopeExit Enable([Wnd] {
                EnableWindow(Wnd, TRUE);
                // The scan dialog has gone; the window is the one the user works in.
                if (IsWindowVisible(Wnd) && !GetActiveWindow()) SetActiveWindow(Wnd);
            });
            RefreshDevices(true);
            ShowBurnOptions();
        }
        NoMessage.reset();
        NoProgress.reset();
        NoBuffer.reset();
        ShowTemplatePreview(Options.TemplateIndex);
    } catch (const std::exception& E) {
        // A failed start ends the program after its box, as when FormCreate fails.
        Application->ShowException(E);
        Application->Terminate();
    }
}

void TfrmMain::FormClose(TObject*, TCloseAction&) {
    if (txtDiscLabel) Options.DVDLabel = txtDiscLabel->Text();
    SaveLanguageChoice();
}

void TfrmMain::FormDestroy(TObject*) {
    // The hub outlives the window: it must not call into it any more.
    if (sbCallBackEventer) {
        sbCallBackEventer->OnProgress = nullptr;
        sbCallBackEventer->OnBuffer = nullptr;
        sbCallBackEventer->OnMessage = nullptr;
    }
    ConvertRedirector.reset();
    MenuRedirector.reset();
    AuthorRedirector.reset();
    ConvertQueue.reset();
    SaveOptions();
    if (frmMain == this) frmMain = nullptr;
}

// ---- Locking and texts --------------------------------------------------------------------
void TfrmMain::SetRunningState(bool Running) {
    const bool E = !Running;
    for (TAction* A : {actAdd, actRemove, actClear, actUp, actDown, actExit, actSettings, actBurnVideoTS, ActErase,
                       actBurn})
        if (A) A->SetEnabled(E);
    if (chkCreateNoMenuDVD) chkCreateNoMenuDVD->SetEnabled(E);
    if (lsvFiles) lsvFiles->SetEnabled(E);
    if (actChoosetemplate)
        actChoosetemplate->SetEnabled(Running ? false : !(chkCreateNoMenuDVD && chkCreateNoMenuDVD->Checked()));
}

void TfrmMain::LockForModelessBurn(bool Locked) {
    if (pnlBurner) pnlBurner->SetEnabled(!Locked);
    if (mniSettingsLanguage) mniSettingsLanguage->SetEnabled(!Locked);
}

void TfrmMain::ApplyUITexts() {
    DrawSizeScale(false);
    UpdateSizeMeter();
    if (dlgOpen) dlgOpen->Filter = BuildOpenFilterText();
    auto SetCap = [](TControl* C, const std::string& Text) {
        if (C) C->SetCaption(Text);
    };
    auto SetItem = [](TMenuItem* M, const std::string& Text) {
        if (M) M->SetCaption(Text);
    };
    SetCap(btnAdd, STR_MAIN_btnAdd);
    SetCap(btnRemove, STR_MAIN_btnRemove);
    SetCap(btnUp, STR_MAIN_btnUp);
    SetCap(btnDown, STR_MAIN_btnDown);
    SetCap(btnSettings, STR_MAIN_btnSettings);
    SetCap(btnHelp, STR_MAIN_btnHelp);
    SetCap(btnChooseAnotherTemplate, STR_MAIN_btnChooseAnotherTemplate);
    SetCap(btnBurn, STR_MAIN_btnBurn);
    SetCap(lblWriters, STR_MAIN_lblWriters);
    SetCap(lblSpeed, STR_MAIN_lblSpeed);
    SetCap(lblDiscLabel, STR_MAIN_lblDiscLabel);
    SetCap(lblShowLog, STR_MAIN_lblShowLog);
    SetCap(lblDVDMenuTemp, STR_MAIN_lblDVDMenuTemplate);
    SetItem(mniFile, STR_MAIN_mnuFile);
    SetItem(mniSettings, STR_MAIN_mnuSettings);
    SetItem(mniHelp, STR_MAIN_mnuHelp);
    SetItem(mniAdd, STR_MAIN_mniAdd);
    SetItem(mniDelete, STR_MAIN_mniDelete);
    SetItem(mniUp, STR_MAIN_mniUp);
    SetItem(mniDown, STR_MAIN_mniDown);
    SetItem(mniClear, STR_MAIN_mniClear);
    SetItem(mniFileAdd, STR_MAIN_mniFile_Add);
    SetItem(mniFileDelete, STR_MAIN_mniFile_Delete);
    SetItem(mniFileUp, STR_MAIN_mniFile_Up);
    SetItem(mniFileDown, STR_MAIN_mniFile_Down);
    SetItem(mniFileBurn, STR_MAIN_mniFile_Burn);
    SetItem(mniFileExit, STR_MAIN_mniFile_Exit);
    SetItem(mniSettingsSettings, STR_MAIN_mniSettings_Settings);
    SetItem(mniSettingsLanguage, STR_MAIN_mniSettings_Lanuage);
    SetItem(mniHelpContents, STR_MAIN_mniHelp_HelpContents);
    SetItem(mniHelpAbout, STR_MAIN_mniHelp_About);
    SetItem(mniHelpQuickStart, STR_MAIN_mniHelp_QuickStart);
    SetItem(mniHelpOnlineResources, STR_MAIN_mniHelp_OnlineResources);
    SetItem(mniHelpTechnicalSupport, STR_MAIN_mniHelp_TechnicalSupport);
    if (lsvFiles && lsvFiles->Columns().Count() >= 2) {
        lsvFiles->Columns().Items(0)->SetCaption(STR_MAIN_lsvFiles_Captain);
        lsvFiles->Columns().Items(1)->SetCaption(STR_MAIN_lsvFiles_Item1);
    }
    SetCap(chkBufferProtect, IDS_Main_chk_BufferProtect);
    SetCap(chkTestMode, IDS_Main_chk_TestMode);
    SetCap(chkEjectAfter, IDS_Main_chk_EjectAfter);
    if (ActErase) ActErase->SetCaption(IDS_Main_act_Erase);
    Options.DVDLabel = IDS_Main_DVDLabel;
    if (actAbout) actAbout->SetCaption(STR_ABOUT_Title);
    if (chkCreateNoMenuDVD) {
        chkCreateNoMenuDVD->SetCaption(IDS_Main_chk_CreateNoMenuDVD);
        chkCreateNoMenuDVD->ShowHint = true;
        chkCreateNoMenuDVD->Hint = IDS_Main_chk_CreateNoMenuDVDHint;
    }
}

// ---- Languages menu ------------------------------------------------------------------------
void TfrmMain::BuildLanguagesMenu() {
    // Items carry no accelerators of their own: the caption stays the display
    // name that LanguageItemClick looks the language up by.
    Languages = std::make_unique<TQemMultiLanguages>(LangsDir, "Quillmake", "LanguageName");
    if (!mniSettingsLanguage) return;
    for (int32_t I = 0; I < Languages->GetCount(); ++I) {
        auto* Item = new TMenuItem(this);
        Item->SetCaption(Languages->GetLanguageName(I));
        Item->OnClick = [this](TObject* Sender) { LanguageItemClick(Sender); };
        Item->SetChecked(false);
        mniSettingsLanguage->Add(Item);
        if (SameText(CurrentLanguageFile, Languages->GetFileName(I))) {
            Item->SetChecked(true);
            Languages->SetItemIndex(I);
        }
    }
}

void TfrmMain::LanguageItemClick(TObject* Sender) {
    auto* Clicked = dynamic_cast<TMenuItem*>(Sender);
    if (!Clicked || !mniSettingsLanguage || !Languages) return;
    for (int I = 0; I < mniSettingsLanguage->Count(); ++I) {
        mniSettingsLanguage->Items(I)->SetChecked(false);
        if (SameText(Languages->GetLanguageName(I), Clicked->Caption())) Languages->SetItemIndex(I);
    }
    Clicked->SetChecked(true);
    if (Languages->GetCount() > 0) CurrentLanguageFile = Languages->GetFileName(Languages->ItemIndex);
    {
        TIniFile Config(ConfigFile);
        Config.WriteString(FormSection, "LanguageFile", ExtractFileName(CurrentLanguageFile));
    }
    LoadLanguageTexts(CurrentLanguageFile);
    ApplyUITexts();
    const std::string Base = ExtractFileBaseName(CurrentLanguageFile);
    HelpFile = LangsDir + Base + "_help.chm";
    ProfileDir = LangsDir + Base + "_Profile/";
}

// ---- Actions ----------------------------------------------------------------------------------
void TfrmMain::aclMainUpdate(TBasicAction*, bool& Handled) {
    Handled = false;
    if (!lsvFiles) return;
    TListItem* First = lsvFiles->Selected();
    const int Count = lsvFiles->Items().Count();
    if (actRemove) actRemove->SetEnabled(lsvFiles->SelCount() > 0);
    if (actClear) actClear->SetEnabled(Count > 0);
    if (actUp) actUp->SetEnabled(First && First->Index() != 0);
    if (actDown) actDown->SetEnabled(First && First->Index() != Count - 1);
}

// The source list's handlers are in main_sources.cpp.
namespace {
std::string Utf16ToUtf8(const std::u16string& S) {
    std::string Out;
    for (size_t I = 0; I < S.size(); ++I) {
        uint32_t C = S[I];
        if (C >= 0xD800 && C < 0xDC00 && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] < 0xE000)
            C = 0x10000 + ((C - 0xD800) << 10) + (S[++I] - 0xDC00);
        if (C < 0x80) {
            Out += static_cast<char>(C);
        } else if (C < 0x800) {
            Out += static_cast<char>(0xC0 | (C >> 6));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        } else if (C < 0x10000) {
            Out += static_cast<char>(0xE0 | (C >> 12));
            Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        } else {
            Out += static_cast<char>(0xF0 | (C >> 18));
            Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
            Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        }
    }
    return Out;
}
}  // namespace

void TfrmMain::actBurnVideoTSExecute(TObject*) {
    if (!FpBrowseForFolder) return;
    FpBrowseForFolder->SetTitle(QemWide(SelectVideoTsFolderTitle));
    FpBrowseForFolder->SetPath(QemWide(Options.LastOpenDir));
    if (!FpBrowseForFolder->Execute()) return;
    const std::string Chosen = RemoveTrailingBackslash(Utf16ToUtf8(FpBrowseForFolder->GetPath()));
    Options.LastOpenDir = Chosen;
    if (UpperCase(ExtractFileName(Chosen)) != "VIDEO_TS") {
        Application->MessageBox(SelectCorrectDvdFolderMessage, "Hint", MB_OK);
        return;
    }
    OutputFolder = RemoveTrailingBackslash(Chosen.substr(0, Chosen.size() - 9));
    if (frmProgressOther) {
        frmProgressOther->SetupBurnStep();
        frmProgressOther->SetCaption(BurningDvdDiscStatus);
    }
    if (StatusBar && StatusBar->Panels().Count() > 0) StatusBar->Panels().Items(0)->SetText(BurningDvdDiscStatus);
    if (frmProgressOther) frmProgressOther->Show();
    Application->ProcessMessages();
    SetRunningState(true);
    // A cancelled conversion before must not stop this burn.
    PipelineCancelled = false;
    LockForModelessBurn(true);
    SendMessageA(Handle(), WM_BURN_DISC, 0, 0);
    LockForModelessBurn(false);
}

void TfrmMain::actExitExecute(TObject*) {
    // Ends the loop without the close handling: FormClose does not run, the
    // options are still saved when the window is destroyed.
    Application->Terminate();
}

void TfrmMain::actHelpExecute(TObject*) { HtmlHelp(Handle(), HelpFile, HH_DISPLAY_TOPIC, 0); }
void TfrmMain::actQuickStartExecute(TObject*) { HtmlHelp(Handle(), HelpFile, HH_DISPLAY_TOPIC, 0); }

void TfrmMain::OpenWithShell(const std::string& Target) {
    ShellExecuteA(Handle(), "Open", Target.c_str(), "", "", SW_SHOWNORMAL);
}

void TfrmMain::actOnlineResourcesExecute(TObject*) { OpenWithShell(ProductOnlinePage); }
void TfrmMain::actContactTechnicalSupportExecute(TObject*) {
    OpenWithShell(std::string("mailto:") + ProductSupportAddress);
}

void TfrmMain::actSettingsExecute(TObject*) {
    if (!frmSettings) return;
    frmSettings->LoadFromOptions();
    if (frmSettings->ShowModal() == mrOk) {
        frmSettings->SaveToOptions();
        SaveLanguageChoice();
        UpdateSizeMeter();
    }
}

void TfrmMain::actAboutExecute(TObject*) {
    if (frmAbout) frmAbout->ShowModal();
}

void TfrmMain::lblShowLogClick(TObject*) {
    if (frmLog) frmLog->Show();
}

void TfrmMain::chkCreateNoMenuDVDClick(TObject* Sender) {
    auto* Box = dynamic_cast<TscCheckBox*>(Sender);
    const bool Checked = Box && Box->Checked();
    if (actChoosetemplate) actChoosetemplate->SetEnabled(!Checked);
    NoMenuDvd = Checked;
}

// ---- Event hub ---------------------------------------------------------------------------------
namespace {
bool OnGuiThread() { return GetCurrentThreadId() == MainThreadID.load(); }
}  // namespace

void TfrmMain::BurnProgress(TObject* Sender, int Percent) {
    if (!OnGuiThread()) {
        // Queued calls that arrive after the window is gone are dropped.
        TThread::Queue(/*Thread=*/nullptr, [this, Sender, Percent] {
            if (frmMain == this) BurnProgress(Sender, Percent);
        });
        return;
    }
    Percent = std::clamp(Percent, 0, 100);
    if (StatusBar && StatusBar->Panels().Count() > 0) StatusBar->Panels().Items(0)->SetText(STR_MAIN_Burning);
    if (frmProgressOther) {
        if (frmProgressOther->lblInfo) frmProgressOther->lblInfo->SetCaption(STR_MAIN_Burning);
        SetStepBar(Percent);
    }
    if (Percent > 97) BurnStatus(IDS_ERASEDISC_MSG_TimeHint, sbMsgInfo);
}

void TfrmMain::BurnBuffer(TObject*, int) {}

void TfrmMain::BurnStatus(const std::string& Text, int Kind) {
    if (!OnGuiThread()) {
        TThread::Queue(/*Thread=*/nullptr, [this, Text, Kind] {
            if (frmMain == this) BurnStatus(Text, Kind);
        });
        return;
    }
    if (StatusBar && StatusBar->Panels().Count() > 0) StatusBar->Panels().Items(0)->SetText(Text);
    Application->ProcessMessages();
}

// ---- Window dragging ------------------------------------------------------------------------
void TfrmMain::DragWindow() {
    ReleaseCapture();
    SendMessageA(Handle(), WM_SYSCOMMAND, SC_DRAGMOVE, 0);
}

void TfrmMain::FormMouseDown(TObject*, TMouseButton, TShiftState, int, int) { DragWindow(); }
void TfrmMain::PanelTopMouseDown(TObject*, TMouseButton, TShiftState, int, int) { DragWindow(); }
void TfrmMain::pnlLeftMouseDown(TObject*, TMouseButton, TShiftState, int, int) { DragWindow(); }
void TfrmMain::pnlSizebarMouseDown(TObject*, TMouseButton, TShiftState, int, int) { DragWindow(); }
void TfrmMain::pnlBurnerMouseDown(TObject*, TMouseButton, TShiftState, int, int) { DragWindow(); }
void TfrmMain::pnlChooseButtonMouseDown(TObject*, TMouseButton, TShiftState, int, int) { DragWindow(); }
void TfrmMain::imgViewerMouseDown(TObject*, TMouseButton, TShiftState, int, int) { DragWindow(); }

// ---- The private messages --------------------------------------------------------------------
void TfrmMain::WndProc(TMessage& Message) {
    // Each step's message and its handler, in run order (table in main_form.h).
    struct TStepMessage {
        UINT Msg;
        void (TfrmMain::*Handler)(TMessage&);
    };
    static constexpr TStepMessage kStepMessages[] = {
        {WM_CONVERT_NEXT, &TfrmMain::WMConvertNext},    {WM_BUILD_MENU_IMAGES, &TfrmMain::WMBuildMenuImages},
        {WM_BUILD_MENU_XML, &TfrmMain::WMBuildMenuXml}, {WM_BUILD_MENU_VIDEO, &TfrmMain::WMBuildMenuVideo},
        {WM_AUTHOR_DVD, &TfrmMain::WMAuthorDvd},        {WM_BURN_DISC, &TfrmMain::WMBurnDisc},
        {WM_DROPFILES, &TfrmMain::WMDropFiles},
    };
    for (const TStepMessage& Step : kStepMessages)
        if (Step.Msg == Message.Msg) {
            (this->*Step.Handler)(Message);
            return;
        }
    if (Message.Msg == WM_TIMER && Message.WParam == StartWorkTimer) {
        KillTimer(Handle(), StartWorkTimer);
        RunStartWork();
        return;
    }
    TForm::WndProc(Message);
    // A timer comes only when no window waits for its paint: the start work
    // follows the whole first paint, not just the form's own.
    if (Message.Msg == WM_PAINT && StartWorkPending && !StartWorkTimerSet) {
        StartWorkTimerSet = true;
        SetTimer(Handle(), StartWorkTimer, 0, /*lpTimerFunc=*/nullptr);
    }
}

void RegisterApplicationClasses() {
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterStandardClasses();
        RegisterQemControls();
        RegisterGpControls();
        RegisterSkinnedControls();
        RegisterFpBrowseForFolder();
        RegisterImageViews();
        RegisterSkinClasses();
    });
}
