// The single-image view's input: scroll bars, scroll messages, the mouse wheel,
// the mouse machine (zoom, scroll, selection, layers) and keys.
#include <algorithm>
#include <cmath>

#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/processing/transitions.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"

namespace {
int32_t RoundI(double V) { return static_cast<int32_t>(std::nearbyint(V)); }
int32_t TruncI(double V) { return static_cast<int32_t>(V); }
int LoWordSigned(LPARAM L) { return static_cast<int16_t>(L & 0xFFFF); }
int HiWordSigned(LPARAM L) { return static_cast<int16_t>((L >> 16) & 0xFFFF); }
bool AltHeld() { return (GetKeyState(VK_MENU) & 0x8000) != 0; }
}  // namespace

// ---- scroll bars ---------------------------------------------------------------------------

void TIEImageView::HideHorzScrollBar() {
    if (!FHorzBarShown) return;
    FHorzBarShown = false;
    if (HandleAllocated()) IEShowScrollBar(Handle(), SB_HORZ, FALSE, FFlatScrollBars);
}

void TIEImageView::HideVertScrollBar() {
    if (!FVertBarShown) return;
    FVertBarShown = false;
    if (HandleAllocated()) IEShowScrollBar(Handle(), SB_VERT, FALSE, FFlatScrollBars);
}

void TIEImageView::SetupScrollBar(int Bar) {
    const bool H = Bar == SB_HORZ;
    const int32_t Max = H ? FMaxX : FMaxY;
    if (Max < 1) {
        if (H)
            HideHorzScrollBar();
        else
            HideVertScrollBar();
        return;
    }
    const int32_t Draw = H ? GetDrawWidth() : GetDrawHeight();
    double& Ratio = H ? FScrollRatioX : FScrollRatioY;
    (H ? FHorzBarShown : FVertBarShown) = true;
    Ratio = (Draw + Max) / 65536.0;
    HWND W = Handle();
    IESetScrollRange(W, Bar, 0, 65535, FALSE, FFlatScrollBars);
    IESetScrollPage(W, Bar, TruncI(Draw / Ratio), TRUE, FFlatScrollBars);
    IESetScrollPos(W, Bar, TruncI((H ? FViewX : FViewY) / Ratio), FALSE, FFlatScrollBars);
    IEEnableScrollBar(W, Bar, ESB_ENABLE_BOTH, FFlatScrollBars);
    IEShowScrollBar(W, Bar, TRUE, FFlatScrollBars);
}

void TIEImageView::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    if (Value == ssNone || Value == ssVertical) HideHorzScrollBar();
    if (Value == ssNone || Value == ssHorizontal) HideVertScrollBar();
    Update();
}

void TIEImageView::SetFlatScrollBars(bool Value) {
    if (Value == FFlatScrollBars) return;
    FFlatScrollBars = Value;
    if (!HandleAllocated()) return;
    SwitchFlatScrollBars(Value);
}

bool TIEImageView::CanScroll() {
    GetMaxViewXY(FMaxX, FMaxY);
    return FMaxX > 0 || FMaxY > 0;
}

void TIEImageView::MouseWheelAction(int32_t Delta, int32_t X, int32_t Y, bool Ctrl) {
    const TIEMouseWheelParams& P = MouseWheelParams;
    if (P.Action == 0 || FAutoFit) return;
    int32_t Dir = Delta > 0 ? -1 : 1;
    if (P.InverseDirection) Dir = -Dir;
    if (P.Action == 1) {
        GetMaxViewXY(FMaxX, FMaxY);
        const bool Horz = Ctrl || (FMaxX > 0 && FMaxY == 0);
        const int32_t Draw = Horz ? GetDrawWidth() : GetDrawHeight();
        const double Factor = Horz ? FZoomFactorX : FZoomFactorY;
        int32_t Step;
        if (P.Variation == 1)
            Step = std::max(1, RoundI(Draw * P.Value / 100.0));
        else if (P.Variation == 0)
            Step = P.Value * std::max(1, TruncI(Factor));
        else
            return;
        if (Horz)
            SetViewX(FViewX + Dir * Step);
        else
            SetViewY(FViewY + Dir * Step);
    } else if (P.Action == 2) {
        double NewZoom;
        if (P.Variation == 0)
            NewZoom = FZoomX + Dir * P.Value;
        else if (P.Variation == 1)
            NewZoom = FZoomX + Dir * std::max(1, RoundI(P.Value * FZoomX / 100));
        else
            NewZoom = FZoomX;
        const TIESelectionBase Saved = SelectionBase;
        if (NewZoom > FZoomX && OnZoomIn) OnZoomIn(this, NewZoom);
        if (NewZoom < FZoomX && OnZoomOut) OnZoomOut(this, NewZoom);
        SelectionBase = Saved;
        if (P.ZoomAtCursor)
            ZoomAt(X, Y, NewZoom, /*Centre=*/false);
        else
            SetZoom(NewZoom);
    }
}

// ---- messages -------------------------------------------------------------------------------

void TIEImageView::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_SIZE:
            TIEView::WndProc(M);
            if (!FUpdatingNow) {
                if (FTransition) FTransition->Stop();
                Update();
            }
            return;
        case WM_ERASEBKGND: M.Result = 0; return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TIEView::WndProc(M);
            Invalidate();
            return;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            TIEView::WndProc(M);
            const bool H = M.Msg == WM_HSCROLL;
            const TIEScrollBarParams& P = H ? HScrollBarParams : VScrollBarParams;
            const int32_t Step = std::max(1, TruncI(H ? FZoomFactorX : FZoomFactorY));
            const int32_t Origin = H ? FViewX : FViewY;
            const int32_t Draw = H ? GetDrawWidth() : GetDrawHeight();
            const int32_t Pos = HIWORD(M.WParam);
            GetMaxViewXY(FMaxX, FMaxY);
            int32_t N = Origin;
            switch (LOWORD(M.WParam)) {
                case SB_LINEUP: N = Origin - (P.LineStep == -1 ? Step : Step * P.LineStep); break;
                case SB_LINEDOWN: N = Origin + (P.LineStep == -1 ? Step : Step * P.LineStep); break;
                case SB_PAGEUP: N = Origin - (P.PageStep == -1 ? Draw : Step * P.PageStep); break;
                case SB_PAGEDOWN: N = Origin + (P.PageStep == -1 ? Draw : Step * P.PageStep); break;
                case SB_THUMBPOSITION: N = TruncI(Pos * (H ? FScrollRatioX : FScrollRatioY)); break;
                case SB_THUMBTRACK:
                    if (!P.Tracking) return;
                    N = TruncI(Pos * (H ? FScrollRatioX : FScrollRatioY));
                    break;
                case SB_TOP: N = 0; break;
                case SB_BOTTOM: N = H ? FMaxX : FMaxY; break;
                default: break;
            }
            if (H)
                SetViewX(N);
            else
                SetViewY(N);
            return;
        }
        case WM_MOUSEWHEEL: {
            TIEView::WndProc(M);
            POINT P{LoWordSigned(M.LParam), HiWordSigned(M.LParam)};
            if (HandleAllocated()) ::ScreenToClient(Handle(), &P);
            MouseWheelAction(static_cast<int16_t>(HIWORD(M.WParam)), P.x, P.y,
                             (GetKeyState(VK_CONTROL) & 0x8000) != 0);
            return;
        }
        case WM_LBUTTONDBLCLK:
            TIEView::WndProc(M);
            if (FSelectingPolygon && FMouseInteract.Contains(miSelectPolygon))
                ClosePolygon((M.WParam & MK_SHIFT) != 0);
            return;
        case CM_WANTSPECIALKEY: {
            TIEView::WndProc(M);
            bool Handled = false;
            const WORD Key = static_cast<WORD>(M.WParam);
            if (OnSpecialKey) OnSpecialKey(this, Key, Handled);
            if (Handled || (Key >= 33 && Key <= 40)) M.Result = 1;
            if (Key >= 33 && Key <= 40) {
                WORD K = Key;
                DoKeyUp(K, TShiftState{});
            }
            return;
        }
        case IEM_NEWFRAME:
            if (M.LParam && OnDShowNewFrame) OnDShowNewFrame(this);
            return;
        case IEM_EVENT:
            if (M.LParam && OnDShowEvent) OnDShowEvent(this);
            return;
        default: break;
    }
    TIEView::WndProc(M);
}

// ---- mouse interaction -----------------------------------------------------------------------

void TIEImageView::SetMouseInteract(TIEMouseInteract Value) {
    if (Value == FMouseInteract) return;
    if (FSelectingPolygon && FMouseInteract.Contains(miSelectPolygon)) {
        while (!FPolyPoints.empty() && FPolyPoints.back().x == IESelBreak && FPolyPoints.back().y == IESelBreak)
            FPolyPoints.pop_back();
        if (!FPolyPoints.empty()) FPolyPoints.pop_back();
        FSelectionMask->Empty();
        EndSelect();
        FSelectingPolygon = false;
        FRubberBand = false;
        Invalidate();
    }
    struct Rule {
        TIEMouseInteractItem Added;
        TIEMouseInteract Keep;
    };
    static const Rule Rules[] = {
        {miScroll, {miZoom, miScroll}},
        {miSelect, {miZoom, miSelect}},
        {miSelectPolygon, {miSelectPolygon}},
        {miSelectCircle, {miZoom, miSelectCircle}},
        {miSelectLasso, {miZoom, miSelectLasso}},
        {miSelectZoom, {miZoom, miSelectZoom}},
        {miZoom, {miZoom, miScroll, miSelect, miSelectCircle, miSelectZoom, miSelectLasso}},
        {miSelectMagicWand, {miSelectMagicWand}},
    };
    TIEMouseInteract Result = Value;
    bool Decided = false;
    for (const Rule& R : Rules)
        if (Value.Contains(R.Added) && !FMouseInteract.Contains(R.Added)) {
            Result = Value * R.Keep;
            Decided = true;
            break;
        }
    if (!Decided && (Value.Contains(miMoveLayers) || Value.Contains(miResizeLayers)))
        Result = Value * TIEMouseInteract{miMoveLayers, miResizeLayers};
    FMouseInteract = Result;
}

void TIEImageView::ShiftMousePositions(int32_t DX, int32_t DY) {
    FPressX -= DX;
    FPressY -= DY;
    FLastX -= DX;
    FLastY -= DY;
    FPrevX -= DX;
    FPrevY -= DY;
}

void TIEImageView::AutoScroll() {
    if (!HandleAllocated()) return;
    FAutoScrolling = true;
    for (int Guard = 0; Guard < 10000; ++Guard) {
        POINT P;
        GetCursorPos(&P);
        ::ScreenToClient(Handle(), &P);
        int32_t DX = 0, DY = 0;
        if (P.x < FOffsetX) DX = P.x - FOffsetX;
        if (P.x > FOffsetX + FVisibleWidth - 1) DX = P.x - (FOffsetX + FVisibleWidth - 1);
        if (P.y < FOffsetY) DY = P.y - FOffsetY;
        if (P.y > FOffsetY + FVisibleHeight - 1) DY = P.y - (FOffsetY + FVisibleHeight - 1);
        if (DX == 0 && DY == 0) break;
        const int32_t OX = FViewX, OY = FViewY;
        ScrollTo(FViewX + DX, FViewY + DY);
        if (OX == FViewX && OY == FViewY) break;
        ShiftMousePositions(FViewX - OX, FViewY - OY);
    }
    FAutoScrolling = false;
}

void TIEImageView::DrawRubberBand() {
    if (!HandleAllocated() || FPolyPoints.empty()) return;
    TCanvas* C = Canvas().HandleAllocated() ? &Canvas() : ViewCanvas();
    if (!C) return;
    C->Pen().SetMode(pmNot);
    C->Pen().SetWidth(1);
    C->Pen().SetStyle(psSolid);
    C->MoveTo(FBandX1, FBandY1);
    C->LineTo(FBandX2, FBandY2);
    C->Pen().SetMode(pmCopy);
}

void TIEImageView::ClosePolygon(bool Shift) {
    if (FRubberBand) {
        DrawRubberBand();
        FRubberBand = false;
    }
    // The double click's own press added the last point.
    if (!FPolyPoints.empty()) FPolyPoints.pop_back();
    while (!FPolyPoints.empty() && FPolyPoints.back().x == IESelBreak && FPolyPoints.back().y == IESelBreak)
        FPolyPoints.pop_back();
    if (!(Shift && AllowMultiSelect)) FSelectionMask->Empty();
    EndSelect();
    Update();
    FSelectingPolygon = false;
    if (OnSelectionChange) OnSelectionChange(this);
}

void TIEImageView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TIEView::MouseDown(Button, Shift, X, Y);
    TCustomForm* F = GetParentForm(this);
    if (F && F->Visible() && CanFocus() && !Focused()) SetFocus();
    FSavedZoomFilter = FZoomFilter;
    if (Button == mbRight && (GetKeyState(VK_LBUTTON) & 0x8000)) return;
    if (Button != mbLeft && !FMouseInteract.Contains(miZoom)) return;
    if (Button == mbLeft && HandleAllocated()) SetCapture(Handle());
    FMouseDownLeft = Button == mbLeft;
    if (!FMouseInteract.Contains(miScroll) && DelayZoomFilter) FZoomFilter = rfNone;
    const TIESelectionBase SavedBase = SelectionBase;
    SelectionBase = iesbClientArea;
    const TRect& Box = FLayers[FLayersCurrent]->ClientAreaBox;
    const int32_t CX = std::clamp<int32_t>(X, Box.left, std::max<int32_t>(Box.left, Box.right + 1));
    const int32_t CY = std::clamp<int32_t>(Y, Box.top, std::max<int32_t>(Box.top, Box.bottom + 1));
    FPressX = FPrevX = FLastX = CX;
    FPressY = FPrevY = FLastY = CY;
    FRawX = X;
    FRawY = Y;
    FPressViewX = FViewX;
    FPressViewY = FViewY;
    FPressPointCount = static_cast<int32_t>(FPolyPoints.size());
    const bool ShiftAdd = Shift.Contains(ssShift) && AllowMultiSelect;
    auto OverSelection = [&] {
        if (!FSelected || FSelectionMask->IsEmpty()) return false;
        const int32_t BX = XScr2Bmp(X), BY = YScr2Bmp(Y);
        return BX >= 0 && BY >= 0 && BX < FSelectionMask->Width && BY < FSelectionMask->Height &&
               FSelectionMask->IsPointInside(BX, BY);
    };
    auto MovingState = [&] {
        const bool Drag = FSelectingPolygon || FSelectingRect || FSelectingCircle || FGripDragged != ieNone;
        return OverSelection() && FSelectionOptions.Contains(iesoMoveable) && !Shift.Contains(ssShift) && !Drag ? 0
                                                                                                                 : -1;
    };
    if (Button == mbLeft) {
        if (FMouseInteract.Contains(miSelectPolygon) || FMouseInteract.Contains(miSelectLasso)) {
            if (OnBeforeSelectionChange) OnBeforeSelectionChange(this);
            FMovingSelection = MovingState();
            if (FMovingSelection < 0) {
                int32_t PX = CX, PY = CY;
                if (AltHeld() && !FPolyPoints.empty() && FSelectingPolygon) {
                    const POINT& L = FPolyPoints.back();
                    ConstrainLine45(XBmp2Scr(L.x), YBmp2Scr(L.y), PX, PY);
                }
                if (!FSelectingPolygon) {
                    if (ShiftAdd && !FPolyPoints.empty())
                        FPolyPoints.push_back(POINT{IESelBreak, IESelBreak});
                    else
                        Deselect();
                }
                LockPaint();
                AddSelectionPoint(PX, PY);
                UnlockPaintNoUpdate();
                FSelectingPolygon = true;
                FLassoMode = FMouseInteract.Contains(miSelectLasso);
                FNeedsRecompose = true;
                RepaintNow();
                if (OnSelectionChanging) OnSelectionChanging(this);
            }
        } else if (FMouseInteract.Contains(miSelect)) {
            if (OnBeforeSelectionChange) OnBeforeSelectionChange(this);
            FGripDragged = Shift.Contains(ssShift) ? ieNone : GetSelectionGrip(X, Y);
            if (FGripDragged != ieNone) {
                int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
                PolygonBox(X1, Y1, X2, Y2);
                FPressBox = TRect(X1, Y1, X2, Y2);
            } else {
                FMovingSelection = MovingState();
                if (FMovingSelection < 0) {
                    FSelectingRect = true;
                    if (FSelectionAspectRatio == 0) MouseMove(Shift + TShiftState{ssLeft}, X, Y);
                }
            }
            if (OnSelectionChanging) OnSelectionChanging(this);
        } else if (FMouseInteract.Contains(miSelectZoom)) {
            FSelectingRect = true;
            if (OnSelectionChanging) OnSelectionChanging(this);
            SaveSelectionToUndo();
        } else if (FMouseInteract.Contains(miSelectCircle)) {
            if (OnBeforeSelectionChange) OnBeforeSelectionChange(this);
            FMovingSelection = MovingState();
            if (FMovingSelection < 0) {
                FSelectingCircle = true;
                ShowSelection(true);
            }
            if (OnSelectionChanging) OnSelectionChanging(this);
        } else if (FMouseInteract.Contains(miSelectMagicWand)) {
            if (OnBeforeSelectionChange) OnBeforeSelectionChange(this);
            FMovingSelection = MovingState();
        } else if (FMouseInteract.Contains(miMoveLayers) || FMouseInteract.Contains(miResizeLayers)) {
            const int32_t L = FindLayerAt(X, Y);
            if (L >= 0) {
                SetCurrentLayer(L);
                DoLayerNotify(FLayersCurrent, ielSelected);
                if (!FLayers[FLayersCurrent]->Locked) ShowCursor(crIEMove);
            }
        }
        if (FMouseInteract.Contains(miScroll) && CanScroll()) ShowCursor(crIEScroll);
    }
    SelectionBase = SavedBase;
}

void TIEImageView::MouseMove(TShiftState Shift, int X, int Y) {
    TIEView::MouseMove(Shift, X, Y);
    const TIESelectionBase SavedBase = SelectionBase;
    SelectionBase = iesbClientArea;
    const bool Held = Shift.Contains(ssLeft) && FMouseDownLeft;
    const bool ShiftAdd = Shift.Contains(ssShift) && AllowMultiSelect;
    const TRect& Box = FLayers[FLayersCurrent]->ClientAreaBox;
    const int32_t CX = std::clamp<int32_t>(X, Box.left, std::max<int32_t>(Box.left, Box.right + 1));
    const int32_t CY = std::clamp<int32_t>(Y, Box.top, std::max<int32_t>(Box.top, Box.bottom + 1));
    if (Held) {
        if (FMouseInteract.Contains(miScroll)) {
            ScrollTo(FPressViewX - TruncI((X - FPressX) * MouseScrollRate),
                     FPressViewY - TruncI((Y - FPressY) * MouseScrollRate));
        } else if (FGripDragged != ieNone) {
            AutoScroll();
            FGripDragged = ResizeSelectionByGrip(FGripDragged, X, Y, AltHeld() || FSelectionAspectRatio > 0);
            FNeedsRecompose = true;
            RepaintNow();
            if (OnSelectionChanging) OnSelectionChanging(this);
        } else if (FMovingSelection == 0) {
            if (FSelectionOptions.Contains(iesoCanScroll)) AutoScroll();
            MoveSelection(XScr2Bmp(X) - XScr2Bmp(FPrevX), YScr2Bmp(Y) - YScr2Bmp(FPrevY));
            FNeedsRecompose = true;
            RepaintNow();
            if (OnSelectionChanging) OnSelectionChanging(this);
        } else if (FSelectingRect) {
            AutoScroll();
            int32_t X1 = FPressX, Y1 = FPressY, X2 = CX, Y2 = CY;
            if (FSelectionAspectRatio == 0) {
                const int32_t DX = RoundI(SelectionAbsWidth * FZoomFactorX) / 2;
                const int32_t DY = RoundI(SelectionAbsHeight * FZoomFactorY) / 2;
                X1 = X - DX;
                Y1 = Y - DY;
                X2 = X + DX - 1;
                Y2 = Y + DY - 1;
            }
            int32_t Op = 0;
            if (ShiftAdd) {
                Op = 1;
                if (static_cast<int32_t>(FPolyPoints.size()) > FPressPointCount) {
                    // The rectangle of this drag is replaced, not added again.
                    FPolyPoints.resize(static_cast<size_t>(std::max(FPressPointCount, 0)));
                }
            }
            SelectRect(X1, Y1, X2, Y2, Op, !FSelectionOptions.Contains(iesoSizeable), AltHeld());
            FNeedsRecompose = true;
            RepaintNow();
            if (OnSelectionChanging) OnSelectionChanging(this);
        } else if (FSelectingPolygon) {
            AutoScroll();
            LockPaint();
            AddSelectionPoint(CX, CY);
            UnlockPaintNoUpdate();
            FNeedsRecompose = true;
            RepaintNow();
            if (OnSelectionChanging) OnSelectionChanging(this);
        } else if (FSelectingCircle) {
            AutoScroll();
            int32_t PX = FPressX, PY = FPressY, EX = X, EY = Y;
            if (FSelectionAspectRatio == 0) {
                PX = X;
                PY = Y;
                EX = X + RoundI(SelectionAbsWidth * FZoomFactorX) / 2;
                EY = Y + RoundI(SelectionAbsHeight * FZoomFactorY) / 2;
            }
            if (ShiftAdd && FPressPointCount > 0) {
                FPolyPoints.resize(static_cast<size_t>(FPressPointCount));
                FPolyPoints.push_back(POINT{IESelBreak, IESelBreak});
            } else {
                ClearPolygons();
            }
            int32_t RX = std::abs(PX - EX), RY = std::abs(PY - EY);
            if (AltHeld() && FSelectionAspectRatio == -1) RX = RY = std::max(RX, RY);
            if (FSelectionAspectRatio > 0) {
                RX = std::max(RX, RY);
                RY = RoundI(RX * FSelectionAspectRatio);
            }
            const int32_t IRX = TruncI(RX * FInvZoomFactorX), IRY = TruncI(RY * FInvZoomFactorY);
            const int32_t N = std::max(50, TruncI(std::min(IRX, IRY) * 2 * M_PI));
            const int32_t CX0 = XScr2Bmp(PX), CY0 = YScr2Bmp(PY);
            const int32_t IW = FIEBitmap->Width(), IH = FIEBitmap->Height();
            for (int32_t K = 0; K < N; ++K) {
                const double A = 2 * M_PI * K / N;
                FPolyPoints.push_back(POINT{std::clamp(CX0 + RoundI(std::cos(A) * IRX), 0, IW),
                                            std::clamp(CY0 + RoundI(std::sin(A) * IRY), 0, IH)});
            }
            FSelected = true;
            FNeedsRecompose = true;
            RepaintNow();
            if (OnSelectionChanging) OnSelectionChanging(this);
        }
    } else {
        const bool SelItems = FMouseInteract.Contains(miSelect) || FMouseInteract.Contains(miSelectPolygon) ||
                              FMouseInteract.Contains(miSelectCircle) || FMouseInteract.Contains(miSelectMagicWand) ||
                              FMouseInteract.Contains(miSelectLasso);
        if ((!FSelectingPolygon || FLassoMode) && SelItems) {
            const TIEGrip G = Shift.Contains(ssShift) ? ieNone : GetSelectionGrip(X, Y);
            if (OnMouseInResizingGrip) OnMouseInResizingGrip(this, G);
            TCursor C = FUserCursor;
            switch (G) {
                case ieTopLeft:
                case ieBottomRight: C = crIESizeNWSE; break;
                case ieTopRight:
                case ieBottomLeft: C = crIESizeNESW; break;
                case ieLeftSide:
                case ieRightSide: C = crIESizeWE; break;
                case ieTopSide:
                case ieBottomSide: C = crIESizeNS; break;
                default: {
                    const int32_t BX = XScr2Bmp(X), BY = YScr2Bmp(Y);
                    if (FSelected && FSelectionOptions.Contains(iesoMoveable) && BX >= 0 && BY >= 0 &&
                        BX < FSelectionMask->Width && BY < FSelectionMask->Height &&
                        FSelectionMask->IsPointInside(BX, BY))
                        C = crIEMove;
                }
            }
            if (C != FCurrentCursor) ShowCursor(C);
        }
        if (FSelectingPolygon && !FLassoMode && !FPolyPoints.empty()) {
            // The segment from the last point follows the mouse.
            if (FRubberBand) DrawRubberBand();
            int32_t PX = CX, PY = CY;
            const POINT& L = FPolyPoints.back();
            if (AltHeld()) ConstrainLine45(XBmp2Scr(L.x), YBmp2Scr(L.y), PX, PY);
            FBandX1 = XBmp2Scr(L.x);
            FBandY1 = YBmp2Scr(L.y);
            FBandX2 = PX;
            FBandY2 = PY;
            FRubberBand = true;
            DrawRubberBand();
            if (OnSelectionChanging) OnSelectionChanging(this);
        }
    }
    if (OnMouseInSel && FSelected) {
        const int32_t BX = XScr2Bmp(X), BY = YScr2Bmp(Y);
        if (BX >= 0 && BY >= 0 && BX < FSelectionMask->Width && BY < FSelectionMask->Height &&
            FSelectionMask->IsPointInside(BX, BY))
            OnMouseInSel(this);
    }
    FPrevX = CX;
    FPrevY = CY;
    FLastX = CX;
    FLastY = CY;
    SelectionBase = SavedBase;
}

void TIEImageView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TIEView::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && GetCapture() == (HandleAllocated() ? Handle() : nullptr)) ReleaseCapture();
    const bool WasDown = FMouseDownLeft || Button != mbLeft;
    FMouseDownLeft = false;
    if (!WasDown) return;
    const TIESelectionBase SavedBase = SelectionBase;
    SelectionBase = iesbClientArea;
    const TRect& Box = FLayers[FLayersCurrent]->ClientAreaBox;
    const int32_t CX = std::clamp<int32_t>(X, Box.left, std::max<int32_t>(Box.left, Box.right + 1));
    const int32_t CY = std::clamp<int32_t>(Y, Box.top, std::max<int32_t>(Box.top, Box.bottom + 1));
    const bool ShiftAdd = Shift.Contains(ssShift) && AllowMultiSelect;
    const bool Dragged = CX != FPressX || CY != FPressY;
    bool Changed = false;
    if (FMouseInteract.Contains(miZoom) && !Dragged && !IsEmpty() && FMovingSelection < 0 &&
        FGripDragged == ieNone) {
        double NewZoom = FZoomX;
        if (Button == mbLeft) {
            if (FMouseInteract.Contains(miScroll)) ShowCursor(FUserCursor);
            if (FZoomX >= 100) {
                NewZoom = FZoomX + 100;
            } else {
                for (double Z : {2.0, 5.0, 10.0, 25.0, 33.0, 50.0, 75.0, 100.0})
                    if (Z > FZoomX) {
                        NewZoom = Z;
                        break;
                    }
            }
            if (OnZoomIn) OnZoomIn(this, NewZoom);
        } else if (Button == mbRight) {
            if (FZoomX >= 200) {
                NewZoom = FZoomX - 100;
            } else {
                NewZoom = 2;
                for (double Z : {100.0, 75.0, 50.0, 33.0, 25.0, 10.0, 5.0, 2.0})
                    if (Z < FZoomX) {
                        NewZoom = Z;  // the largest preset below
                        break;
                    }
            }
            if (OnZoomOut) OnZoomOut(this, NewZoom);
        }
        if (NewZoom != FZoomX) ZoomAt(X, Y, NewZoom, /*Centre=*/false);
        FSelectingPolygon = FSelectingPolygon && FMouseInteract.Contains(miSelectPolygon);
        if (!FMouseInteract.Contains(miSelectPolygon)) FSelectingPolygon = false;
        if (FMouseInteract.Contains(miSelect) && Button == mbLeft && FSelectingRect) {
            // A click without a drag: no rectangle was made, the selection goes.
            FSelectingRect = false;
            if (FSelected) {
                Deselect();
                Changed = true;
            }
        }
    } else if (Button == mbLeft && FMouseInteract.Contains(miScroll) && (FMaxX > 0 || FMaxY > 0)) {
        ScrollTo(FPressViewX - TruncI((X - FPressX) * MouseScrollRate),
                 FPressViewY - TruncI((Y - FPressY) * MouseScrollRate));
        ShowCursor(FUserCursor);
    } else if (Button == mbLeft && FMouseInteract.Contains(miSelectZoom)) {
        ZoomSelection(ZoomSelectUniform);
        FSelectingRect = false;
        RestoreSelection();
    } else if (Button == mbLeft && FMouseInteract.Contains(miSelect)) {
        if (Dragged || FGripDragged != ieNone || FMovingSelection == 0) {
            if (FSelectingRect || FGripDragged != ieNone) {
                if (!ShiftAdd) FSelectionMask->Empty();
                EndSelect();
            }
            Changed = true;
            FNeedsRecompose = true;
            Update();
        } else {
            Deselect();
            Changed = true;
        }
    } else if (Button == mbLeft && FMouseInteract.Contains(miSelectCircle)) {
        if (!Dragged && FMovingSelection < 0 && FSelectionAspectRatio != 0) {
            Deselect();
            Changed = true;
        } else {
            if (FSelectingCircle) {
                if (!ShiftAdd) FSelectionMask->Empty();
                EndSelect();
            }
            Changed = true;
            Update();
        }
    } else if (Button == mbLeft && FMouseInteract.Contains(miSelectPolygon)) {
        if (FMovingSelection == 0) {
            FMovingSelection = -1;
            Changed = true;
        }
        Update();
    } else if (Button == mbLeft && FMouseInteract.Contains(miSelectMagicWand)) {
        if (FMovingSelection < 0) {
            ShowCursor(crHourGlass);
            SelectMagicWand(CX, CY, ShiftAdd ? 1 : 0);
            ShowCursor(FUserCursor);
        }
        Changed = true;
        Update();
    } else if (Button == mbLeft && FMouseInteract.Contains(miSelectLasso)) {
        if (!Dragged && FMovingSelection < 0) {
            Deselect();
        } else if (FSelectingPolygon) {
            if (!ShiftAdd) FSelectionMask->Empty();
            EndSelect();
        }
        FLassoMode = false;
        FSelectingPolygon = false;
        Changed = true;
        Update();
    }
    if (Button == mbLeft) {
        if (FMovingRectangle && FMovingSelection == 0) {
            FSelectionMask->Empty();
            EndSelect();
            FNeedsRecompose = true;
            Invalidate();
        }
        if (FMouseInteract.Contains(miMoveLayers) || FMouseInteract.Contains(miResizeLayers)) {
            ShowCursor(FUserCursor);
            DoLayerNotify(FLayersCurrent, ielMoved);
        }
        FMovingSelection = -1;
        FMovingRectangle = false;
        FSelectingRect = FSelectingCircle = false;
        FGripDragged = ieNone;
        if (Changed && OnSelectionChange) OnSelectionChange(this);
    }
    FZoomFilter = FSavedZoomFilter;
    SelectionBase = SavedBase;
}

// ---- keys -------------------------------------------------------------------------------------

bool TIEImageView::DoKeyDown(WORD& Key, TShiftState Shift) {
    const bool R = TIEView::DoKeyDown(Key, Shift);
    if (Shift.Contains(ssShift) && AllowMultiSelect) {
        if (FCurrentCursor == crIEDefault) ShowCursor(crIEDefaultAdd);
        if (FCurrentCursor == crIESelect) ShowCursor(crIESelectAdd);
    }
    return R;
}

bool TIEImageView::DoKeyUp(WORD& Key, TShiftState Shift) {
    const bool R = TIEView::DoKeyUp(Key, Shift);
    if (!Shift.Contains(ssShift) && AllowMultiSelect && FCurrentCursor != FUserCursor) ShowCursor(FUserCursor);
    return R;
}
