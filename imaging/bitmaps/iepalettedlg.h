// A modal picker of one colour of a palette: 32 cells a row, 16 pixels each.
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"
#include "platform/classlib/forms.h"

class TButton;

class TIEPaletteDialog : public TForm {
public:
    explicit TIEPaletteDialog(TComponent* AOwner);
    // Remembers the array (not copied) and how many colours to offer.
    void SetPalette(const TRGB* Colors, int32_t Count);
    // Shows the dialog modally; true when a colour was chosen.
    bool Execute();

    void FormPaint(TObject* Sender);
    void FormMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void FormClick(TObject* Sender);

    const TRGB* Palette = nullptr;
    int32_t NColors = 0;
    int32_t Selected = -1;  // -1: no cell under the mouse yet
    TButton* CancelButton = nullptr;
    TColor SelectedColor = 0;
};
