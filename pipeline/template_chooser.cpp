#include "pipeline/template_chooser.h"

#include "core/globals.h"
#include "core/ui_texts.h"

TfrmTemplate* frmTemplate = nullptr;

TfrmTemplate::TfrmTemplate(TComponent* AOwner) : TForm(AOwner) {
    RegisterMultiView();
    DefineMethod("FormCreate", &TfrmTemplate::FormCreate);
    DefineMethod("imvViewDblClick", &TfrmTemplate::imvViewDblClick);
    DefineField("imvView", imvView);
    DefineField("btnOK", btnOK);
    DefineField("btnCancel", btnCancel);
    LoadFromResource("frmTemplate");
}

TfrmTemplate::~TfrmTemplate() {
    if (frmTemplate == this) frmTemplate = nullptr;
}

void TfrmTemplate::FormCreate(TObject*) { ApplyUITexts(); }

void TfrmTemplate::ApplyUITexts() {
    SetCaption(STR_TEMPLATE_Title);
    btnOK->SetCaption(STR_OK);
    btnCancel->SetCaption(STR_Cancel);
}

void TfrmTemplate::FillTemplateGrid() {
    imvView->Clear();
    imvView->FillFromDirectory(AppDir + "preview/");
    imvView->SetSelectedImage(Options.TemplateIndex - 1);
    imvView->SetPresetThumbnailFrame(2, clWhite, static_cast<TColor>(0x808000));  // teal: red 0, green 128, blue 128
    for (int32_t i = 0; i < imvView->GetImageCount(); ++i) imvView->GetImageBottomText(i)->BackgroundStyle = 1;
}

void TfrmTemplate::StoreTemplateIndex() {
    // Without a selection the position would give template 0, a folder that never exists.
    if (imvView->SelectedImage() >= 0) Options.TemplateIndex = imvView->SelectedImage() + 1;
}

void TfrmTemplate::imvViewDblClick(TObject*) { ModalResult = mrOk; }
