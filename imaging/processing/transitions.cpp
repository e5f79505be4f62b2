#include "imaging/processing/transitions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/bitmaps/iebitmap.h"
#include "platform/classlib/extctrls.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/process.h"

namespace {

// (A x (1024 - S) + B x S) >> 10 for every byte of a row.
void MixRow(uint8_t* Out, const uint8_t* A, const uint8_t* B, int32_t Bytes, int32_t S) {
    for (int32_t I = 0; I < Bytes; ++I) Out[I] = static_cast<uint8_t>((A[I] * (1024 - S) + B[I] * S) >> 10);
}

// A row of the background colour, blue, green, red.
void ColourRow(std::vector<uint8_t>& Row, int32_t Width, TColor Colour) {
    COLORREF C = static_cast<COLORREF>(ColorToRGB(Colour));
    Row.resize(static_cast<size_t>(Width) * 3);
    for (int32_t X = 0; X < Width; ++X) {
        Row[X * 3] = GetBValue(C);
        Row[X * 3 + 1] = GetGValue(C);
        Row[X * 3 + 2] = GetRValue(C);
    }
}

int32_t RoundEven(double V) { return static_cast<int32_t>(std::nearbyint(V)); }

}  // namespace

TIETransitionEffects::TIETransitionEffects(TIEAttachedView* View)
    : Clock([] { return static_cast<uint32_t>(GetTickCount()); }), FView(View),
      FFrom(std::make_unique<TBitmap>(1, 1, pf24bit)), FTo(std::make_unique<TBitmap>(1, 1, pf24bit)),
      FOut(std::make_unique<TBitmap>(1, 1, pf24bit)) {
    FTimer = new TTimer(View ? View->ViewComponent() : nullptr);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(1);
    FTimer->OnTimer = [this](TObject*) { Tick(); };
}

TIETransitionEffects::~TIETransitionEffects() { delete FTimer; }

// ---- Starting ------------------------------------------------------------------------------

void TIETransitionEffects::BuildRows() {
    FWidth = FOut->Width();
    FHeight = FOut->Height();
    auto Rows = [&](TBitmap& B, std::vector<uint8_t*>& R) {
        R.resize(static_cast<size_t>(B.Height()));
        for (int32_t Y = 0; Y < B.Height(); ++Y) R[Y] = static_cast<uint8_t*>(B.ScanLine(Y));
    };
    Rows(*FFrom, FFromRows);
    Rows(*FTo, FToRows);
    Rows(*FOut, FOutRows);
}

void TIETransitionEffects::Load(TIETransitionType Transition) {
    BuildRows();
    FTransition = Transition;
    FStep = 0;
    FMemo = 0;
    FFrameCount = 0;
}

void TIETransitionEffects::Begin() {
    FStartTime = Clock();
    FView->LockPaint();
    FRunning = true;
    FTimer->SetEnabled(true);
}

bool TIETransitionEffects::Prepare(TBitmap* From, TBitmap* To, TIETransitionType Transition, int32_t Width,
                                   int32_t Height) {
    if (FRunning || !From || !To || Transition == iettNone || Transition >= iettPanZoom || Width <= 0 ||
        Height <= 0)
        return false;
    auto Fit = [&](TBitmap& Dest, TBitmap* Src) {
        Dest.SetPixelFormat(pf24bit);
        Dest.SetSize(Width, Height);
        SetStretchBltMode(Dest.Canvas().Handle(), HALFTONE);
        Dest.Canvas().CopyRect(TRect(0, 0, Width, Height), Src->Canvas(), TRect(0, 0, Src->Width(), Src->Height()));
    };
    Fit(*FFrom, From);
    Fit(*FTo, To);
    Fit(*FOut, FFrom.get());
    Load(Transition);
    return true;
}

bool TIETransitionEffects::PreparePanZoom(TIEBitmap* Source, const TRect& StartRect, const TRect& EndRect,
                                          int32_t Width, int32_t Height) {
    if (FRunning || !Source || Source->IsEmpty() || Width <= 0 || Height <= 0) return false;
    for (TBitmap* B : {FFrom.get(), FTo.get(), FOut.get()}) {
        B->SetPixelFormat(pf24bit);
        B->SetSize(Width, Height);
    }
    FPanZoomSource = Source;
    FPanZoomStart = StartRect;
    FPanZoomEnd = EndRect;
    Load(iettPanZoom);
    // The pictures at both ends: the view shows the end one when asked to.
    DrawPanZoom(0);
    FFrom->Canvas().CopyRect(TRect(0, 0, Width, Height), FOut->Canvas(), TRect(0, 0, Width, Height));
    DrawPanZoom(1024);
    FTo->Canvas().CopyRect(TRect(0, 0, Width, Height), FOut->Canvas(), TRect(0, 0, Width, Height));
    FOut->Canvas().CopyRect(TRect(0, 0, Width, Height), FFrom->Canvas(), TRect(0, 0, Width, Height));
    return true;
}

void TIETransitionEffects::Start(TBitmap* From, TBitmap* To, TIETransitionType Transition) {
    Stop();
    if (FView && Prepare(From, To, Transition, FView->ViewClientWidth(), FView->ViewClientHeight())) Begin();
}

void TIETransitionEffects::StartPanZoom(TIEBitmap* Source, const TRect& StartRect, const TRect& EndRect) {
    Stop();
    if (FView && PreparePanZoom(Source, StartRect, EndRect, FView->ViewClientWidth(), FView->ViewClientHeight()))
        Begin();
}

// ---- Running -------------------------------------------------------------------------------

int32_t TIETransitionEffects::StepAt(uint32_t Elapsed, int32_t Duration, TIETransitionTiming Timing) {
    if (Duration <= 0) return 1024;
    double R = static_cast<double>(Elapsed) / Duration;
    double S;
    switch (Timing) {
        case iettExponential: S = std::exp(R * 5 - 2.718) / 10 * 1024; break;
        // ln 0 at the start and negative values below duration x e^-2.718 / 10: step 0.
        case iettLogarithmic: S = R > 0 ? (std::log(R * 10) + 2.718) / 5 * 1024 : 0; break;
        default: S = R * 1024; break;
    }
    return static_cast<int32_t>(std::clamp(std::trunc(S), 0.0, 1024.0));
}

void TIETransitionEffects::Blit(TBitmap& Picture) {
    TCanvas* C = FView ? FView->ViewCanvas() : nullptr;
    if (!C || !C->Handle()) return;
    BitBlt(C->Handle(), 0, 0, FWidth, FHeight, Picture.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TIETransitionEffects::Tick() {
    if (!FRunning) return;
    ++FFrameCount;
    ComposeFrame(FStep);
    Blit(*FOut);
    uint32_t Elapsed = Clock() - FStartTime;  // unsigned: right across the counter's wrap
    if (Elapsed >= static_cast<uint32_t>(std::max(Duration, 0))) {
        // The last frame is the one at 1024, however the ticks fell.
        if (FStep < 1024) {
            FStep = 1024;
            ComposeFrame(1024);
            Blit(*FOut);
        }
        if (ShowTargetAtEnd) Blit(*FTo);
        Stop();
        return;
    }
    FStep = StepAt(Elapsed, Duration, Timing);
}

void TIETransitionEffects::Stop() {
    if (!FRunning || FTransition == iettNone) return;
    FTimer->SetEnabled(false);
    FRunning = false;
    for (TBitmap* B : {FFrom.get(), FTo.get(), FOut.get()}) B->SetSize(1, 1);
    FFromRows.clear();
    FToRows.clear();
    FOutRows.clear();
    FView->UnlockPaintNoUpdate();
    if (ShowTargetAtEnd) FView->Update();
    if (OnTransitionStop) OnTransitionStop(FView->ViewComponent());
}

// ---- Frames --------------------------------------------------------------------------------

void TIETransitionEffects::ComposeFrame(int32_t Step) {
    Step = std::clamp(Step, 0, 1024);
    if (FTransition == iettPanZoom)
        DrawPanZoom(Step);
    else if (FTransition >= 1 && FTransition <= 30)
        DrawBuiltIn(Step);
    else
        DrawTableEffect(FTransition, Step);
}

void TIETransitionEffects::DrawTableEffect(int32_t Transition, int32_t Step) {
    TCanvas& C = FOut->Canvas();
    if (Step == 0) {
        C.CopyRect(TRect(0, 0, FWidth, FHeight), FFrom->Canvas(), TRect(0, 0, FWidth, FHeight));
        return;
    }
    TIETransitionStep Proc = IETransitionEffect(Transition).Proc;
    if (!Proc) return;
    SetStretchBltMode(C.Handle(), HALFTONE);
    Proc(C, FFrom.get(), FTo.get(), TRect(0, 0, FOut->Width(), FOut->Height()), 1, RoundEven(Step / 1024.0 * 100));
}

void TIETransitionEffects::DrawBuiltIn(int32_t A) {
    const int32_t W = FWidth, H = FHeight, Bytes = W * 3;
    TCanvas& C = FOut->Canvas();
    const TRect All(0, 0, W, H);
    auto ShowFrom = [&] {
        for (int32_t Y = 0; Y < H; ++Y) std::memcpy(FOutRows[Y], FFromRows[Y], static_cast<size_t>(Bytes));
    };
    auto CopyTo = [&](const TRect& R) { C.CopyRect(R, FTo->Canvas(), R); };
    auto RedLine = [&](int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
        C.Pen().SetColor(clRed);
        C.MoveTo(X1, Y1);
        C.LineTo(X2, Y2);
    };
    // The centred rectangle of the centre effects for a step.
    auto Centred = [&](int32_t S) {
        int32_t X = W / 2 - ((S * (W / 2)) >> 10), Y = H / 2 - ((S * (H / 2)) >> 10);
        return TRect(X, Y, X + ((S * W) >> 10), Y + ((S * H) >> 10));
    };
    std::vector<uint8_t> Back;
    switch (FTransition) {
        case iettCrossDissolve:
            for (int32_t Y = 0; Y < H; ++Y) MixRow(FOutRows[Y], FFromRows[Y], FToRows[Y], Bytes, A);
            return;
        case iettFadeOut:
        case iettFadeIn:
        case iettFadeOutIn: {
            ColourRow(Back, W, FView ? FView->Background() : clBlack);
            bool Out = FTransition == iettFadeOut || (FTransition == iettFadeOutIn && A < 512);
            int32_t S = FTransition == iettFadeOutIn ? (A < 512 ? 2 * A : 2 * A - 1024) : A;
            for (int32_t Y = 0; Y < H; ++Y) {
                if (Out)
                    MixRow(FOutRows[Y], FFromRows[Y], Back.data(), Bytes, S);
                else
                    MixRow(FOutRows[Y], Back.data(), FToRows[Y], Bytes, S);
            }
            return;
        }
        case iettLeftRight1:
        case iettLeftRight2:
            if (A == 0) ShowFrom();
            CopyTo(TRect(0, 0, (A * W) >> 10, H));
            if (FTransition == iettLeftRight2) RedLine((A * W) >> 10, 0, (A * W) >> 10, H);
            return;
        case iettRightLeft1:
        case iettRightLeft2: {
            if (A == 0) ShowFrom();
            int32_t X = RoundEven(W * (1024 - A) / 1024.0);
            CopyTo(TRect(X, 0, X + RoundEven(A * W / 1024.0), H));
            if (FTransition == iettRightLeft2) RedLine(X, 0, X, H);
            return;
        }
        case iettUpDown1:
        case iettUpDown2: {
            if (A == 0) ShowFrom();
            int32_t Y = RoundEven(A * H / 1024.0);
            CopyTo(TRect(0, 0, W, Y));
            if (FTransition == iettUpDown2) RedLine(0, Y, W, Y);
            return;
        }
        case iettDownUp1:
        case iettDownUp2: {
            if (A == 0) ShowFrom();
            int32_t Y = RoundEven(H * (1024 - A) / 1024.0);
            CopyTo(TRect(0, Y, W, Y + RoundEven(A * H / 1024.0)));
            if (FTransition == iettDownUp2) RedLine(0, Y, W, Y);
            return;
        }
        case iettFromUpLeft:
        case iettFromUpRight:
        case iettFromBottomLeft:
        case iettFromBottomRight: {
            if (A == 0) ShowFrom();
            int32_t DX = ((1024 - A) * W) >> 10, DY = ((1024 - A) * H) >> 10;
            int32_t X = (FTransition == iettFromUpLeft || FTransition == iettFromBottomLeft) ? -DX : DX;
            int32_t Y = (FTransition == iettFromUpLeft || FTransition == iettFromUpRight) ? -DY : DY;
            C.Draw(X, Y, *FTo);
            return;
        }
        case iettMoveLeftRight1:
        case iettMoveLeftRight2:
        case iettMoveRightLeft1:
        case iettMoveRightLeft2: {
            bool Right = FTransition == iettMoveLeftRight1 || FTransition == iettMoveLeftRight2;
            int32_t Cut = Right ? (A * W) >> 10 : ((1024 - A) * W) >> 10;
            for (int32_t Y = 0; Y < H; ++Y) {
                uint8_t* O = FOutRows[Y];
                const uint8_t *F = FFromRows[Y], *T = FToRows[Y];
                size_t L = static_cast<size_t>(Cut) * 3, R = static_cast<size_t>(W - Cut) * 3;
                switch (FTransition) {
                    case iettMoveLeftRight1:
                        std::memcpy(O, T + R, L);
                        std::memcpy(O + L, F, R);
                        break;
                    case iettMoveLeftRight2:
                        std::memcpy(O, T, L);
                        std::memcpy(O + L, F, R);
                        break;
                    case iettMoveRightLeft1:
                        std::memcpy(O, F + R, L);
                        std::memcpy(O + L, T, R);
                        break;
                    default:  // slides the from picture, unlike its siblings
                        std::memcpy(O, F, L);
                        std::memcpy(O + L, T, R);
                        break;
                }
            }
            return;
        }
        case iettMoveUpDown1:
        case iettMoveUpDown2:
        case iettMoveDownUp1:
        case iettMoveDownUp2: {
            bool Down = FTransition == iettMoveUpDown1 || FTransition == iettMoveUpDown2;
            int32_t Cut = Down ? (A * H) >> 10 : ((1024 - A) * H) >> 10;
            for (int32_t Y = 0; Y < H; ++Y) {
                const uint8_t* Src;
                switch (FTransition) {
                    case iettMoveUpDown1: Src = Y < Cut ? FToRows[H - Cut + Y] : FFromRows[Y - Cut]; break;
                    case iettMoveUpDown2: Src = Y < Cut ? FToRows[Y] : FFromRows[Y - Cut]; break;
                    case iettMoveDownUp1: Src = Y < Cut ? FFromRows[H - Cut + Y] : FToRows[Y - Cut]; break;
                    default: Src = Y < Cut ? FFromRows[H - Cut + Y] : FToRows[Y]; break;
                }
                std::memcpy(FOutRows[Y], Src, static_cast<size_t>(Bytes));
            }
            return;
        }
        case iettRandomPoints: {
            if (A == 0) {
                ShowFrom();
                return;
            }
            int32_t Target = RoundEven(A * W * (A / 180.0) / 1024);
            int32_t N = Target - FMemo;
            FMemo = Target;
            for (int32_t Y = 0; Y < H; ++Y)
                for (int32_t I = 0; I < N; ++I) {
                    int32_t X = Random(W);
                    std::memcpy(FOutRows[Y] + X * 3, FToRows[Y] + X * 3, 3);
                }
            return;
        }
        case iettRandomBoxes: {
            if (A == 0) {
                ShowFrom();
                return;
            }
            int32_t Target = RoundEven(A * static_cast<double>((W * H) / 64) * (A / 180.0) / 1024);
            int32_t N = Target - FMemo;
            FMemo = Target;
            for (int32_t I = 0; I < N; ++I) {
                int32_t X = Random(W) & ~7, Y = Random(H) & ~7;
                // Boxes at the right and bottom edges stop at the picture.
                int32_t BW = std::min(8, W - X), BH = std::min(8, H - Y);
                for (int32_t R = 0; R < BH; ++R)
                    std::memcpy(FOutRows[Y + R] + X * 3, FToRows[Y + R] + X * 3, static_cast<size_t>(BW) * 3);
            }
            return;
        }
        case iettCenter1:
            if (A == 0) ShowFrom();
            CopyTo(Centred(A));
            return;
        case iettCenter2: {
            for (int32_t Y = 0; Y < H; ++Y) std::memcpy(FOutRows[Y], FToRows[Y], static_cast<size_t>(Bytes));
            TRect R = Centred(1024 - A);
            C.CopyRect(R, FFrom->Canvas(), R);
            return;
        }
        case iettCenterZoom1:
            if (A == 0) ShowFrom();
            SetStretchBltMode(C.Handle(), HALFTONE);
            C.CopyRect(Centred(A), FTo->Canvas(), All);
            return;
        case iettCenterZoom2:
            for (int32_t Y = 0; Y < H; ++Y) std::memcpy(FOutRows[Y], FToRows[Y], static_cast<size_t>(Bytes));
            SetStretchBltMode(C.Handle(), HALFTONE);
            C.CopyRect(Centred(1024 - A), FFrom->Canvas(), All);
            return;
        default: return;
    }
}

void TIETransitionEffects::DrawPanZoom(int32_t A) {
    if (!FPanZoomSource) return;
    auto At = [&](LONG S, LONG E) { return static_cast<int32_t>(std::trunc(S - A * static_cast<double>(S - E) / 1024)); };
    int32_t X = At(FPanZoomStart.left, FPanZoomEnd.left), Y = At(FPanZoomStart.top, FPanZoomEnd.top);
    int32_t W = At(FPanZoomStart.right, FPanZoomEnd.right) - X, H = At(FPanZoomStart.bottom, FPanZoomEnd.bottom) - Y;
    if (W <= 0 || H <= 0) return;
    const int32_t SW = FPanZoomSource->Width(), SH = FPanZoomSource->Height();
    double DL = 0, DT = 0, DR = FWidth, DB = FHeight;
    int32_t X1 = X, Y1 = Y, X2 = X + W, Y2 = Y + H;
    if (X1 < 0 || Y1 < 0 || X2 > SW || Y2 > SH) {
        // Clipped to the picture on every side, the destination shrinking by the
        // rectangle's own scale; the uncovered part shows the view's background.
        double KX = static_cast<double>(FWidth) / W, KY = static_cast<double>(FHeight) / H;
        if (X1 < 0) DL = -X1 * KX, X1 = 0;
        if (Y1 < 0) DT = -Y1 * KY, Y1 = 0;
        if (X2 > SW) DR = FWidth - (X2 - SW) * KX, X2 = SW;
        if (Y2 > SH) DB = FHeight - (Y2 - SH) * KY, Y2 = SH;
        TCanvas& C = FOut->Canvas();
        if (FView && FView->IsSingleImageView()) {
            FView->DrawBackgroundTo(&C);
        } else {
            C.Brush().SetStyle(bsSolid);
            C.Brush().SetColor(FView ? FView->Background() : clBlack);
            C.FillRect(TRect(0, 0, FWidth, FHeight));
        }
        if (X2 <= X1 || Y2 <= Y1) return;
    }
    int32_t L = RoundEven(DL), T = RoundEven(DT), R = RoundEven(DR), B = RoundEven(DB);
    if (R <= L || B <= T) return;
    FPanZoomSource->RenderToTBitmap(FOut.get(), L, T, R - L, B - T, X1, Y1, X2 - X1, Y2 - Y1, 255, rfNone);
}
