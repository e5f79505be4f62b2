// The drawing half of a skinned window: the frame from the four border parts
// and the title part, the caption text, and the window region cut from the
// borders' magenta pixels.
#include <algorithm>
#include <string>

#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"
#include "skin/skin_window.h"

// What the frame's pixels depend on besides the skin: equal signatures give
// equal pictures, so a repaint at the same size and state is a copy.
std::u16string TSkinnedWindow::FrameSignature() {
    std::u16string S = WindowText();
    auto Add = [&S](long V) {
        S += u'\x1';
        for (char C : std::to_string(V)) S += static_cast<char16_t>(C);
    };
    for (long V : {static_cast<long>(FrameWidth), static_cast<long>(FrameHeight), static_cast<long>(WindowActive),
                   static_cast<long>(WindowState), static_cast<long>(BorderKind), static_cast<long>(MenuHeight),
                   static_cast<long>(reinterpret_cast<intptr_t>(Icon))})
        Add(V);
    if (WindowKind == 1) Add(IsMDIChildMaximized());  // the child's buttons in the bar
    for (auto& B : CaptionButtons) {
        IsSysButtonVisible(*B);
        Add(B->Visible * 2 + B->Enabled);
    }
    if (MenuBar)
        for (auto& I : MenuBar->Items) {
            S += u'\x2' + I->Caption;
            Add(I->Visible * 2 + I->ItemEnabled);
        }
    return S;
}

void TSkinnedWindow::PaintFrame(HDC GivenDC) {
    if ((State != 1 && State != 3) || BorderKind == 2 || (WindowKind == 2 && WindowState == 1)) return;
    if (!IsWindow(Window) || !SkinData || SkinData->SkinEmpty) return;
    HDC DC = GivenDC ? GivenDC : GetWindowDC(Window);
    if (!DC) return;
    try {
        RECT R;
        GetWindowRect(Window, &R);
        ScreenRect = TRect(R.left, R.top, R.right, R.bottom);
        FrameWidth = R.right - R.left;
        FrameHeight = R.bottom - R.top;
        const int W = FrameWidth, H = FrameHeight;
        std::u16string Signature = FrameSignature();
        // Two pictures are kept (active and inactive, as a window flips
        // between them); the other one is swapped in when it matches.
        if (State != 3 && FrameCacheOther && Signature == FrameCacheOtherSignature && Signature != FrameCacheSignature) {
            std::swap(FrameCache, FrameCacheOther);
            std::swap(FrameCacheSignature, FrameCacheOtherSignature);
        }
        if (!FrameCache || Signature != FrameCacheSignature || State == 3) {
            if (FrameCache && State != 3) {
                FrameCacheOther = std::move(FrameCache);
                FrameCacheOtherSignature = std::move(FrameCacheSignature);
            }
            // Drawn once into the cache, from which every band is copied.
            FrameCache = std::make_unique<TBitmap>(W, H, pf32bit);  // the screen's own format: copies are plain
            HDC C = FrameCache->Canvas().Handle();
            if (WindowState == 2) {
                PaintTitleBar(C);
            } else {
                PaintBorder(1, TRect(0, 0, BorderLeft, H), C);
                PaintBorder(2, TRect(W - BorderRight, 0, W, H), C);
                PaintBorder(4, TRect(BorderLeft, H - BorderBottom, W - BorderRight, H), C);
                PaintTitleBar(C);
                const TRect Band(BorderLeft, BorderTop, W - BorderRight, BorderTop + MenuHeight);
                if (MenuBar)
                    MenuBar->Paint(C, Band);
                else if (MenuHeight > 0)
                    FillRect(C, &Band, SkinData->FaceBrush ? SkinData->FaceBrush : GetSysColorBrush(COLOR_BTNFACE));
            }
            FrameCacheSignature = std::move(Signature);
        }
        HDC C = FrameCache->Canvas().Handle();
        if (WindowState == 2) {
            BitBlt(DC, 0, 0, W, H, C, 0, 0, SRCCOPY);
        } else {
            const int Top = BorderTop + MenuHeight;
            BitBlt(DC, 0, 0, W, Top, C, 0, 0, SRCCOPY);
            BitBlt(DC, 0, Top, BorderLeft, H - Top, C, 0, Top, SRCCOPY);
            BitBlt(DC, W - BorderRight, Top, BorderRight, H - Top, C, W - BorderRight, Top, SRCCOPY);
            BitBlt(DC, BorderLeft, H - BorderBottom, W - BorderLeft - BorderRight, BorderBottom, C, BorderLeft,
                   H - BorderBottom, SRCCOPY);
        }
        SetBkMode(DC, OPAQUE);
    } catch (...) {
        // A frame that cannot be drawn leaves the window usable.
    }
    HotObject = nullptr;
    if (!GivenDC) ReleaseDC(Window, DC);
}

TBitmap* TSkinnedWindow::BorderImage(int Part, int W, int H) {
    if (W < 0 || H < 0) return nullptr;
    TDataSkinBorder* B = SkinData->Borders[static_cast<std::size_t>(Part - 1)].get();
    if (!B || !B->Bitmap || B->Bitmap->Empty()) return nullptr;
    const bool Vertical = Part == 3 || Part == 4;
    const int Count = std::max(1, static_cast<int>(B->FrameCount));  // as the frame sizes count it
    const int Frame = (WindowActive || Count == 1) ? 1 : 2;
    TBitmap* Img = BorderImages[Part - 1].Picture(TRect(0, 0, W, H), *B->Bitmap, Vertical, B->Tile != 1, Count,
                                                  Frame, B->Margins());
    return Img && !Img->Empty() ? Img : nullptr;
}

void TSkinnedWindow::PaintBorder(int Part, const TRect& R, HDC DC) {
    TBitmap* Img = BorderImage(Part, R.Width(), R.Height());
    if (!Img) return;
    BitBlt(DC, R.left, R.top, R.Width(), R.Height(), Img->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TSkinnedWindow::PaintTitleBar(HDC DC) {
    const int W = FrameWidth, H = FrameHeight;
    TRect TextArea;
    if (WindowState == 2) {
        TitleBitmap->SetSize(W, H);
        TitleBitmap->Canvas().Brush().SetColor(SkinData->ColButtonFace);
        TitleBitmap->Canvas().FillRect(TRect(0, 0, W, H));
        TextArea = TRect(0, 0, W, BorderTop);
    } else {
        TitleBitmap->SetSize(W, BorderTop);
        // The side borders' tops are on the DC already.
        BitBlt(TitleBitmap->Canvas().Handle(), 0, 0, W, BorderTop, DC, 0, 0, SRCCOPY);
        TextArea = TRect(BorderLeft, 0, W - BorderRight, BorderTop);
    }
    HDC T = TitleBitmap->Canvas().Handle();
    PaintBorder(3, TextArea, T);
    PaintCaptionText(T, TextArea);
    PlaceSysButtons();
    PaintSysButtons(T);
    BitBlt(DC, 0, 0, TitleBitmap->Width(), TitleBitmap->Height(), T, 0, 0, SRCCOPY);
    SetBkMode(DC, OPAQUE);
}

void TSkinnedWindow::PaintCaptionText(HDC DC, const TRect& R) {
    const std::u16string Text = CaptionPrefix + WindowText() + CaptionSuffix;
    ButtonsRightWidth = 0;
    for (auto& B : CaptionButtons)
        if (B->Button->Align == 1 && B->Button->Bitmap && !B->Button->Bitmap->Empty() && IsSysButtonVisible(*B))
            ButtonsRightWidth = std::max(ButtonsRightWidth, static_cast<int>(B->Button->XCoord));
    TDataSkinTitle& Title = *SkinData->Title;
    HGDIOBJ OldFont = SelectObject(DC, TitleFont ? static_cast<HGDIOBJ>(TitleFont) : GetStockObject(SYSTEM_FONT));
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(WindowActive ? SkinData->ColTitleTextActive : SkinData->ColTitleTextNoActive));
    RECT TR{R.left, R.top, R.left, R.top};
    DrawWideText(DC, Text, &TR, DT_CALCRECT | DT_NOCLIP | DT_NOPREFIX);
    const int TextW = TR.right - TR.left, TextH = TR.bottom - TR.top;
    const int Wd = TextW + Title.TextBackLeft + Title.TextBackRight;
    // The rectangle holds the text and its background's two margins, which
    // come off again before the text is drawn.
    TR.right = TR.left + Wd;
    const int RR = R.right;
    int X = 0;
    if (!RightToLeft) {
        X = Title.TextAlignment == 1 ? (RR - Wd) / 2 : Title.TextAlignment == 2 ? RR - Title.RightWidth - Wd : Title.LeftWidth;
    } else {
        X = Title.TextAlignment == 1   ? (RR - ButtonsRightWidth - Wd) / 2
            : Title.TextAlignment == 2 ? Title.LeftWidth
                                       : RR - ButtonsRightWidth - Wd;
    }
    OffsetRect(&TR, X, (R.Height() - TextH) / 2 + Title.TopHeight / 2);
    if (RightToLeft && X < 1) TR.left = Title.LeftWidth;
    const bool Popup = (GetWindowLongPtrW(Window, GWL_STYLE) & WS_POPUP) != 0;
    if (RightToLeft) {
        OffsetRect(&TR, 10, 0);
    } else if (Popup) {
        if (ButtonsRightWidth > 5) TR.right = std::min<LONG>(TR.right, R.right - ButtonsRightWidth - 5);
    } else {
        TR.right = std::min<LONG>(TR.right, R.right - Title.RightWidth);
    }
    if (BorderKind == 3 && Title.TextAlignment == 0) TR.left -= 16;
    TextRect = TRect(TR.left, TR.top, TR.right, TR.bottom);
    if (Title.Bitmap && !Title.Bitmap->Empty())
        TileFrameKeepingMargins(
            TitleBitmap->Canvas(), TRect(TR.left, R.top, TR.right, R.bottom), *Title.Bitmap, /*Vertical=*/true,
            /*Transparent=*/true, 2, WindowActive ? 1 : 2, TRect(Title.TextBackLeft, 0, Title.TextBackRight, 0));
    TR.left += Title.TextBackLeft;
    TR.right -= Title.TextBackRight;
    UINT Format = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (RightToLeft) Format |= DT_RIGHT | DT_RTLREADING;
    DrawWideText(DC, Text, &TR, Format);
    SelectObject(DC, OldFont);
}

// ---- Window region -----------------------------------------------------------------------
HRGN TSkinnedWindow::BandRegion(int Part, int W, int H, int X, int Y) {
    // The band's picture covers it whole (24-bit, as the scratch bitmap it
    // used to be copied into); a band without one is all key.
    if (TBitmap* Img = BorderImage(Part, W, H)) return RegionFromColorKey(*Img, X, Y, 1, 1, 1, clFuchsia);
    return CreateRectRgn(0, 0, 0, 0);
}

void TSkinnedWindow::UpdateWindowRegion() {
    if (State == 6 || !FrameSkinned || !IsWindow(Window)) return;
    RECT R;
    GetWindowRect(Window, &R);
    const int W = R.right - R.left, H = R.bottom - R.top;
    if (W <= 0 || H <= 0) return;
    if (WindowKind == 2 && WindowState != 0) return;
    if (W == RegionWidth && H == RegionHeight && WindowKind != 2 && State != 3) return;
    auto Trans = [this](int Side) {
        TDataSkinBorder* B = SkinData->Borders[static_cast<std::size_t>(Side)].get();
        return B && B->Trans == 1;
    };
    HRGN Region;
    if (!Trans(0) && !Trans(1) && !Trans(2) && !Trans(3)) {
        Region = CreateRectRgn(0, 0, W, H);
    } else {
        RegionWidth = W;
        RegionHeight = H;
        Region = CreateRectRgn(BorderLeft, BorderTop, W - BorderRight, H - BorderBottom);
        auto Add = [&Region](HRGN Part) {
            if (!Part) return;
            CombineRgn(Region, Region, Part, RGN_OR);
            DeleteObject(Part);
        };
        if (BorderKind != 2) {
            Add(Trans(0) && H > 1 ? BandRegion(1, BorderLeft, H, 0, 0) : CreateRectRgn(0, 0, BorderLeft, H));
            Add(Trans(1) && H > 1 ? BandRegion(2, BorderRight, H, W - BorderRight, 0)
                                  : CreateRectRgn(W - BorderRight, 0, W, H));
            const int Inner = W - BorderLeft - BorderRight;
            if (Trans(3) && BorderBottom >= 2)
                Add(BandRegion(4, Inner, BorderBottom, BorderLeft, H - BorderBottom));
            else
                Add(CreateRectRgn(BorderLeft, H - BorderBottom, W - BorderRight, H));
            if (Trans(2) && BorderTop > 1 && Inner > 0)
                Add(BandRegion(3, Inner, BorderTop, BorderLeft, 0));
            else
                Add(CreateRectRgn(BorderLeft, 0, W - BorderRight, BorderTop));
        }
    }
    // The platform owns the region from here and frees the one it replaces.
    SetWindowRgn(Window, Region, TRUE);
    HasRegion = true;
}

void TSkinnedWindow::RemoveWindowRegion() {
    SetWindowRgn(Window, /*hRgn=*/nullptr, WindowKind == 2);
    HasRegion = false;
    RegionWidth = RegionHeight = 0;
}
