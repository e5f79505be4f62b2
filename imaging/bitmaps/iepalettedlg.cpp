// Palette picker.
#include "imaging/bitmaps/iepalettedlg.h"

#include "platform/classlib/stdctrls.h"

TIEPaletteDialog::TIEPaletteDialog(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Palette");
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetWidth(520);
    SetHeight(199);
    Position = poScreenCenter;
    CancelButton = new TButton(this);
    CancelButton->SetParent(this);
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetLeft(4);
    CancelButton->SetTop(136);
    CancelButton->ModalResult = mrCancel;
    CancelButton->Cancel = true;
    OnPaint = [this](TObject* S) { FormPaint(S); };
    OnMouseMove = [this](TObject* S, TShiftState Sh, int X, int Y) { FormMouseMove(S, Sh, X, Y); };
    OnClick = [this](TObject* S) { FormClick(S); };
}

void TIEPaletteDialog::SetPalette(const TRGB* Colors, int32_t Count) {
    Palette = Colors;
    NColors = Colors ? Count : 0;
}

void TIEPaletteDialog::FormPaint(TObject*) {
    TCanvas& c = Canvas();
    for (int32_t i = 0; i < NColors; ++i) {
        int32_t col = i % 32, row = i / 32;
        TRGB p = Palette[i];
        c.Brush().SetColor(p.r | (p.g << 8) | (p.b << 16));
        c.Pen().SetColor(i == Selected ? 0 : 0xFFFFFF);
        c.Rectangle(col * 16 + 1, row * 16 + 1, col * 16 + 16, row * 16 + 16);
    }
}

void TIEPaletteDialog::FormMouseMove(TObject*, TShiftState, int X, int Y) {
    if (X < 1 || Y < 1) return;
    int32_t col = (X - 1) / 16, row = (Y - 1) / 16;
    // The form is a little wider than 32 cells: the strip right of them selects nothing.
    if (col >= 32) return;
    int32_t index = col + row * 32;
    if (index >= 0 && index < NColors && index != Selected) {
        Selected = index;
        Repaint();
    }
}

void TIEPaletteDialog::FormClick(TObject*) {
    // A click before any cell was selected chooses nothing.
    if (!Palette || Selected < 0 || Selected >= NColors) return;
    TRGB p = Palette[Selected];
    SelectedColor = p.r | (p.g << 8) | (p.b << 16);
    ModalResult = mrOk;
}

bool TIEPaletteDialog::Execute() { return ShowModal() == mrOk; }
