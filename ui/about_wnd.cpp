#include "ui/about_wnd.h"

#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/system/shell.h"
#include "ui/main_form.h"

TfrmAbout* frmAbout = nullptr;

TfrmAbout::TfrmAbout(TComponent* AOwner) : TForm(AOwner) {
    DefineMethod("FormShow", &TfrmAbout::FormShow);
    DefineMethod("FormMouseDown", &TfrmAbout::FormMouseDown);
    DefineMethod("lblOnlineResourcesClick", &TfrmAbout::lblOnlineResourcesClick);
    DefineMethod("lblTechnicalSupportClick", &TfrmAbout::lblTechnicalSupportClick);
    DefineField("lblApplicationTitle", lblApplicationTitle);
    DefineField("lblVersion", lblVersion);
    DefineField("lblVersionText", lblVersionText);
    DefineField("lblCopyright", lblCopyright);
    DefineField("lblCopyrightText", lblCopyrightText);
    DefineField("lblWarning", lblWarning);
    DefineField("lblOnlineResources", lblOnlineResources);
    DefineField("lblTechnicalSupport", lblTechnicalSupport);
    DefineField("imgLine1", imgLine1);
    DefineField("imgLine2", imgLine2);
    DefineField("imgLine3", imgLine3);
    DefineField("btnOK", btnOK);
    RegisterApplicationClasses();
    LoadFromResource("frmAbout");
}

TfrmAbout::~TfrmAbout() {
    if (frmAbout == this) frmAbout = nullptr;
}

void TfrmAbout::FormShow(TObject*) { ApplyUITexts(); }

void TfrmAbout::ApplyUITexts() {
    auto Set = [](TControl* C, const std::string& Text) {
        if (C) C->SetCaption(Text);
    };
    SetCaption(STR_ABOUT_Title);
    Set(lblVersion, STR_ABOUT_lblVersion);
    Set(lblVersionText, ProductVersion);
    Set(lblApplicationTitle, ProductTitle);
    Set(lblCopyright, STR_ABOUT_lblCopyright);
    Set(lblCopyrightText, ProductCopyright);
    Set(lblOnlineResources, ProductOnlinePage);
    Set(lblTechnicalSupport, ProductSupportAddress);
    Set(lblWarning, STR_ABOUT_lblWarning);
    Set(btnOK, STR_ABOUT_btnOK);
}

void TfrmAbout::FormMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    ReleaseCapture();
    SendMessageA(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}

void TfrmAbout::lblOnlineResourcesClick(TObject*) {
    ShellExecuteA(Handle(), "Open", ProductOnlinePage, "", "", SW_SHOWNORMAL);
}

void TfrmAbout::lblTechnicalSupportClick(TObject*) {
    const std::string Mail = std::string("mailto:") + ProductSupportAddress;
    ShellExecuteA(Handle(), "Open", Mail.c_str(), "", "", SW_SHOWNORMAL);
}
