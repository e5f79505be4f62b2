// The template chooser: a grid of the preview pictures of the menu templates
// (the program folder's preview/<N>.jpg). The main window fills it before each
// showing, shows it modally and, on OK, takes the chosen template's number.
#pragma once

#include "imaging/views/iemultiview.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

class TfrmTemplate : public TForm {
public:
    explicit TfrmTemplate(TComponent* AOwner);
    ~TfrmTemplate() override;

    TIEMultiView* imvView = nullptr;
    TButton *btnOK = nullptr, *btnCancel = nullptr;

    void ApplyUITexts();
    // Lists the previews in the order of their numbers, selects the current
    // template's and frames the thumbnails (the selected one teal).
    void FillTemplateGrid();
    // Options.TemplateIndex := the selected picture's position + 1; kept as it
    // is while nothing is selected (an empty preview folder).
    void StoreTemplateIndex();

    void FormCreate(TObject* Sender);
    void imvViewDblClick(TObject* Sender);
};

extern TfrmTemplate* frmTemplate;
