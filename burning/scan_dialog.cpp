#include "burning/scan_dialog.h"

#include "platform/rtl/classes.h"
#include "platform/win/winuser.h"

namespace {

// Codes of 3 bits with a clear code before every pixel, so the decoder never
// grows its table: simple to write and small enough for a strip this size.
void AppendImageData(std::vector<uint8_t>& D, const std::vector<uint8_t>& Pixels) {
    D.push_back(2);  // minimum code size
    std::vector<uint8_t> Bytes((Pixels.size() * 2 + 1) * 3 / 8 + 1, 0);
    size_t Bit = 0;
    auto Put = [&](int Code) {
        for (int B = 0; B < 3; ++B, ++Bit)
            if (Code & (1 << B)) Bytes[Bit / 8] |= static_cast<uint8_t>(1 << (Bit % 8));
    };
    for (uint8_t P : Pixels) {
        Put(4);
        Put(P);
    }
    Put(5);
    Bytes.resize((Bit + 7) / 8);
    for (size_t I = 0; I < Bytes.size(); I += 255) {
        size_t N = std::min<size_t>(255, Bytes.size() - I);
        D.push_back(static_cast<uint8_t>(N));
        D.insert(D.end(), Bytes.begin() + static_cast<std::ptrdiff_t>(I), Bytes.begin() + static_cast<std::ptrdiff_t>(I + N));
    }
    D.push_back(0);
}

void Le16(std::vector<uint8_t>& D, int V) {
    D.push_back(static_cast<uint8_t>(V & 0xFF));
    D.push_back(static_cast<uint8_t>((V >> 8) & 0xFF));
}

}  // namespace

std::vector<uint8_t> MakeScanStripGIF(int Width, int Height) {
    constexpr int Block = 8, Gap = 4, Step = 2, Frames = (Block + Gap) / Step;
    std::vector<uint8_t> D = {'G', 'I', 'F', '8', '9', 'a'};
    Le16(D, Width);
    Le16(D, Height);
    D.insert(D.end(), {0x81, 0, 0});
    // Frame border, background, block, block edge.
    const uint8_t Table[12] = {0x3E, 0x44, 0x44, 0xFF, 0xFF, 0xFF, 0x23, 0x7E, 0xD8, 0x9C, 0xC4, 0xEE};
    D.insert(D.end(), Table, Table + 12);
    D.insert(D.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    std::vector<uint8_t> Px(static_cast<size_t>(Width) * Height);
    for (int F = 0; F < Frames; ++F) {
        D.insert(D.end(), {0x21, 0xF9, 4, 0, 8, 0, 0, 0});  // 80 ms, no disposal
        D.push_back(0x2C);
        Le16(D, 0);
        Le16(D, 0);
        Le16(D, Width);
        Le16(D, Height);
        D.push_back(0);
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X) {
                uint8_t C;
                if (X == 0 || Y == 0 || X == Width - 1 || Y == Height - 1)
                    C = 0;
                else {
                    int Pos = ((X - F * Step) % (Block + Gap) + (Block + Gap)) % (Block + Gap);
                    C = (Y < 2 || Y > Height - 3) ? 1 : Pos < Block ? (Pos == 0 || Pos == Block - 1 ? 3 : 2) : 1;
                }
                Px[static_cast<size_t>(Y) * Width + X] = C;
            }
        AppendImageData(D, Px);
    }
    D.push_back(0x3B);
    return D;
}

TfrmOperationProgress::TfrmOperationProgress(TComponent* AOwner) : TForm(AOwner) {
    RegisterGpControls();
    RegisterAgGIFAnimator();
    DefineMethod("FormCreate", &TfrmOperationProgress::FormCreate);
    DefineMethod("FormShow", &TfrmOperationProgress::FormShow);
    DefineMethod("FormDeactivate", &TfrmOperationProgress::FormDeactivate);
    DefineMethod("btnCancelClick", &TfrmOperationProgress::btnCancelClick);
    DefineMethod("btnCloseClick", &TfrmOperationProgress::btnCloseClick);
    DefineMethod("lblInfoMouseDown", &TfrmOperationProgress::lblInfoMouseDown);
    DefineField("lblInfo", lblInfo);
    DefineField("gifPregress", gifPregress);
    DefineField("btnCancel", btnCancel);
    DefineField("lblCancelling", lblCancelling);
    LoadFromResource("frmOperationProgress");
}

void TfrmOperationProgress::FormCreate(TObject*) {
    lblInfo->SetCaption("");
    FShown = false;
    // The strip is drawn at the control's own size, so it needs no stretching.
    std::vector<uint8_t> Gif = MakeScanStripGIF(gifPregress->Width(), gifPregress->Height());
    TMemoryStream S;
    S.Write(Gif.data(), static_cast<int64_t>(Gif.size()));
    S.SetPosition(0);
    gifPregress->LoadFromStream(S);
}

void TfrmOperationProgress::SetCancelVisible(bool Visible) { btnCancel->SetVisible(Visible); }

void TfrmOperationProgress::FormShow(TObject*) {
    int W = gifPregress->Width();
    gifPregress->SetLeft(btnCancel->Visible() ? (btnCancel->Left() - W) / 2 : (ClientWidth() - W) / 2);
}

void TfrmOperationProgress::VisibleChanged() {
    if (Visible()) {
        TForm::VisibleChanged();
        DoShow();
    } else {
        DoHide();
        TForm::VisibleChanged();
    }
}

void TfrmOperationProgress::DoShow() {
    gifPregress->SetAnimate(true);
    FShown = true;
}

void TfrmOperationProgress::DoHide() {
    gifPregress->SetAnimate(false);
    FShown = false;
}

void TfrmOperationProgress::FormDeactivate(TObject*) {
    if (FShown) BringToFront();
}

void TfrmOperationProgress::btnCancelClick(TObject*) {
    if (!OnCancel) return;
    lblCancelling->SetVisible(true);
    btnCancel->SetEnabled(false);
    OnCancel(this);
}

void TfrmOperationProgress::btnCloseClick(TObject*) {
    gifPregress->SetAnimate(false);
    Close();
}

void TfrmOperationProgress::lblInfoMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    // Dragging the info panel moves the window, as dragging its caption would.
    ReleaseCapture();
    SendMessageA(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}
