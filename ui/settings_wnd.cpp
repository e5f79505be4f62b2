#include "ui/settings_wnd.h"

#include "core/globals.h"
#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "ui/main_form.h"

TfrmSettings* frmSettings = nullptr;

TfrmSettings::TfrmSettings(TComponent* AOwner) : TForm(AOwner) {
    DefineMethod("FormCreate", &TfrmSettings::FormCreate);
    DefineMethod("btnBrowseClick", &TfrmSettings::btnBrowseClick);
    DefineField("grpVideoSettings", grpVideoSettings);
    DefineField("grpOutputSettings", grpOutputSettings);
    DefineField("grpDirectShow", grpDirectShow);
    DefineField("lblVideoFormat", lblVideoFormat);
    DefineField("lblQuality", lblQuality);
    DefineField("lblVideoAspect", lblVideoAspect);
    DefineField("lblTempDir", lblTempDir);
    DefineField("lblLowQuality", lblLowQuality);
    DefineField("lblMediumQuality", lblMediumQuality);
    DefineField("lblHighQuliaty", lblHighQuliaty);
    DefineField("cmbVideoFormat", cmbVideoFormat);
    DefineField("cmbVideoAspect", cmbVideoAspect);
    DefineField("txtTempDir", txtTempDir);
    DefineField("btnBrowse", btnBrowse);
    DefineField("btnOK", btnOK);
    DefineField("btnCancel", btnCancel);
    DefineField("chkDirectShow", chkDirectShow);
    DefineField("TrackBarVideoQuality", TrackBarVideoQuality);
    RegisterApplicationClasses();
    LoadFromResource("frmSettings");
}

TfrmSettings::~TfrmSettings() {
    if (frmSettings == this) frmSettings = nullptr;
}

void TfrmSettings::FormCreate(TObject*) { ApplyUITexts(); }

void TfrmSettings::ApplyUITexts() {
    SetCaption(STR_SETTINGS_Title);
    grpVideoSettings->SetCaption(STR_SETTINGS_DefaultVideoSettings);
    lblVideoFormat->SetCaption(STR_SETTINGS_VideoFormat);
    lblQuality->SetCaption(STR_SETTINGS_Quality);
    lblLowQuality->SetCaption(STR_SETTINGS_LowQuality);
    lblMediumQuality->SetCaption(STR_SETTINGS_MediumQuality);
    lblHighQuliaty->SetCaption(STR_SETTINGS_HighQuality);
    lblVideoAspect->SetCaption(STR_SETTINGS_VideoAspect);
    grpOutputSettings->SetCaption(STR_SETTINGS_OutputSettings);
    lblTempDir->SetCaption(STR_SETTINGS_TempDirectory);
    grpDirectShow->SetCaption(STR_SETTINGS_grpDirectShow);
    chkDirectShow->SetCaption(STR_SETTINGS_chkUseDirectShow);
    btnOK->SetCaption(STR_OK);
    btnCancel->SetCaption(STR_Cancel);
    cmbVideoFormat->Items().Clear();
    cmbVideoFormat->Items().Add(STR_SETTINGS_PAL);
    cmbVideoFormat->Items().Add(STR_SETTINGS_NTSC);
}

void TfrmSettings::LoadFromOptions() {
    FLoadedVideoFormat = Options.VideoFormat;
    FLoadedVideoAspect = Options.VideoAspect;
    // An index outside the list shows no selection.
    cmbVideoFormat->SetItemIndex(Options.VideoFormat < cmbVideoFormat->Items().Count() ? Options.VideoFormat : -1);
    cmbVideoAspect->SetItemIndex(Options.VideoAspect < cmbVideoAspect->Items().Count() ? Options.VideoAspect : -1);
    // The bar holds the quality within its range.
    TrackBarVideoQuality->SetPosition(Options.Quality);
    chkDirectShow->SetChecked(Options.UseDirectShow);
    txtTempDir->SetText(Options.TempDir);
}

void TfrmSettings::SaveToOptions() {
    // No selection keeps what was loaded: -1 must not become 255.
    const int Format = cmbVideoFormat->ItemIndex();
    Options.VideoFormat = static_cast<uint8_t>(Format >= 0 ? Format : FLoadedVideoFormat);
    const int Aspect = cmbVideoAspect->ItemIndex();
    Options.VideoAspect = static_cast<uint8_t>(Aspect >= 0 ? Aspect : FLoadedVideoAspect);
    Options.Quality = TrackBarVideoQuality->Position();
    Options.UseDirectShow = chkDirectShow->Checked();
    Options.TempDir = txtTempDir->Text();
}

namespace {
// Starts the browser in the folder of the box.
int BrowseCallback(HWND Window, UINT Msg, LPARAM, LPARAM Data) {
    if (Msg == BFFM_INITIALIZED && Data) SendMessageA(Window, BFFM_SETSELECTIONA, TRUE, Data);
    return 0;
}
}  // namespace

void TfrmSettings::btnBrowseClick(TObject*) {
    const std::string Start = txtTempDir->Text();
    char Display[MAX_PATH + 1] = {};
    BROWSEINFOA Info{};
    Info.hwndOwner = Handle();
    Info.pszDisplayName = Display;
    Info.lpszTitle = STR_SETTINGS_SelectAFolder.c_str();
    Info.ulFlags = 0x41;
    Info.lpfn = BrowseCallback;
    Info.lParam = reinterpret_cast<LPARAM>(Start.c_str());
    LPITEMIDLIST Item = SHBrowseForFolderA(&Info);
    if (!Item) return;
    char Path[MAX_PATH + 1] = {};
    const bool Got = SHGetPathFromIDListA(Item, Path);
    ILFree(Item);
    if (Got) txtTempDir->SetText(AddTrailingBackslash(Path));
}
