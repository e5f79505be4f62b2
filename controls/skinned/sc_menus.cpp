#include "controls/skinned/sc_menus.h"

#include "controls/skinned/sc_file_theme.h"
#include "controls/skinned/sc_form.h"
#include "platform/classlib/actnlist.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/win/winuser.h"

namespace {

void FillTickList(TCustomImageList& L) {
    L.SetSize(16, 16);
    TBitmap Tick;
    Tick.LoadFromResourceName(/*Instance=*/nullptr, "MENU_CHECKED");
    L.AddMasked(&Tick, clWhite);
}

std::unique_ptr<TCustomImageList> MakeTickList() {
    auto L = std::make_unique<TCustomImageList>(nullptr);
    FillTickList(*L);
    return L;
}

// The tick list the popup menus share, made by ScMenusStartup and freed by
// ScMenusShutdown.
TCustomImageList* SharedTicks = nullptr;

// Rows 0 .. Rows of a one-column picture stretched over R.
void DrawCutPicture(TCanvas& C, const char* Name, int Rows, const TRect& R) {
    TBitmap Full, Cut;
    Full.LoadFromResourceName(/*Instance=*/nullptr, Name);
    Rows = std::min(Rows, Full.Height());
    Cut.SetSize(Full.Width(), Rows);
    Cut.Canvas().CopyRect(TRect(0, 0, Full.Width(), Rows), Full.Canvas(), TRect(0, 0, Full.Width(), Rows));
    C.StretchDraw(R, Cut);
}

void FillRectInColor(TCanvas& C, const TRect& R, TColor Colour) {
    C.Brush().SetColor(Colour);
    C.FillRect(R);
}

void FrameRectInColor(TCanvas& C, const TRect& R, TColor Colour) {
    C.Brush().SetColor(Colour);
    C.FrameRect(R);
}

}  // namespace

void ScMenusStartup() {
    if (SharedTicks) return;
    SharedTicks = MakeTickList().release();
}

void ScMenusShutdown() {
    delete SharedTicks;
    SharedTicks = nullptr;
}

void SetMenuItemsOwnerDraw(TMenuItem* Item, const TMenuMeasureItemEvent& Measure, const TMenuDrawItemEvent& Draw) {
    if (!Item) return;
    Item->OnMeasureItem = Measure;
    Item->OnDrawItem = Draw;
    for (int I = 0; I < Item->Count(); ++I) SetMenuItemsOwnerDraw(Item->Items(I), Measure, Draw);
}

void DrawFlatMenuFrame(HWND Window, TColor First, TColor Second) {
    // The menu window's own whole-window context: nothing outside it is touched.
    RECT WR;
    if (!Window || !GetWindowRect(Window, &WR)) return;
    int R = WR.right - WR.left, B = WR.bottom - WR.top, L = 0, T = 0;
    HDC DC = GetWindowDC(Window);
    if (!DC) return;
    TCanvas C;
    C.SetHandle(DC);
    C.Brush().SetStyle(bsClear);
    C.Pen().SetColor(First);
    C.Rectangle(L, T + 1, R - 1, B - 1);
    C.Pen().SetColor(clWhite);
    C.Rectangle(L + 1, T + 2, R - 2, B - 2);
    C.Pen().SetColor(Second);
    C.MoveTo(L, B - 1);
    C.LineTo(R - 1, B - 1);
    C.LineTo(R - 1, T);
    C.LineTo(R, T);
    C.LineTo(L, T);
    C.SetHandle(nullptr);
    ReleaseDC(Window, DC);
}

void AssignSystemMenuFont(TFont& Font) {
    NONCLIENTMETRICSA M{};
    M.cbSize = sizeof M;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof M, &M, 0)) return;
    Font.SetName(M.lfMenuFont.lfFaceName);
    Font.SetHeight(M.lfMenuFont.lfHeight);
    Font.SetStyle(M.lfMenuFont.lfWeight >= 700 ? TFontStyles{fsBold} : TFontStyles{});
    Font.SetCharset(M.lfMenuFont.lfCharSet);
    Font.SetColor(clMenuText);
}

// ---- TscMenuLook -------------------------------------------------------------------

void TscMenuLook::SetMenuItemHeight(int Value) {
    if (FLookStyle != MacOS) FMenuItemHeight = Value;
}

void TscMenuLook::SetSeparatorHeight(int Value) {
    if (FLookStyle != MacOS) FSeparatorHeight = Value;
}

void TscMenuLook::ApplyLook(TscUIStyle Style, TscFileTheme* Theme) {
    FLookStyle = Style;
    BarWidth = 26;
    if (Style == MacOS) {
        FMenuItemHeight = 20;
        FSeparatorHeight = 12;
        SeparatorColor = clBlack;
    } else {
        FMenuItemHeight = 21;
        FSeparatorHeight = 5;
        SeparatorColor = TColor(0x848284);
    }
    TscUIStyle Effective;
    bool FromFile = TscFileTheme::ResolveUIStyle(Theme, Style, Effective);
    auto Colour = [&](int Key) { return FromFile ? Theme->GetColor(Key) : GetBuiltInStyleColor(Effective, Key); };
    BarColor = Colour(skMenuBarColor);
    Color = Colour(skMenuBackgroundColor);
    FontColor = Colour(skMenuFontColor);
    SelectedBorderColor = Colour(skMenuSelectedBorderColor);
    SelectedColor = Colour(skMenuSelectedBackgroundColor);
    SelectedFontColor = Colour(skMenuSelectedFontColor);
}

void TscMenuLook::MeasureItem(TMenuItem* Item, TCanvas* Canvas, int& Width, int& Height) {
    if (Item->IsLine()) {
        Height = FSeparatorHeight;
    } else {
        Height = FMenuItemHeight;
    }
    Width = Canvas->TextWidth(Item->Caption()) + Canvas->TextWidth(ShortCutToText(Item->ShortCut())) + BarWidth + 40;
}

void TscMenuLook::DrawItem(TMenuItem* Item, TCanvas* Canvas, TRect R, bool Selected) {
    TCanvas& C = *Canvas;
    bool RightToLeft = BiDiMode != bdLeftToRight && SysLocale.MiddleEast;
    bool MacLook = FLookStyle == MacOS;
    TscUIStyle Effective;
    bool FromFile = TscFileTheme::ResolveUIStyle(FLookTheme, FLookStyle, Effective);
    if (FlatMenu)
        if (HWND W = WindowFromDC(C.Handle()))
            DrawFlatMenuFrame(W, clBlack,
                              FromFile ? FLookTheme->GetColor(skFormBackgroundColor)
                                       : GetBuiltInStyleColor(Effective, skFormBackgroundColor));
    auto Plain = [&]() {
        if (BarWidth > 0) {
            TRect Bar = RightToLeft ? TRect(R.right - BarWidth, R.top, R.right, R.bottom)
                                    : TRect(R.left, R.top, R.left + BarWidth, R.bottom);
            FillRectInColor(C, Bar, BarColor);
            FillRectInColor(C, RightToLeft ? TRect(R.left, R.top, R.right - BarWidth, R.bottom)
                                           : TRect(R.left + BarWidth, R.top, R.right, R.bottom),
                            Color);
        } else {
            FillRectInColor(C, R, Color);
        }
    };
    if (Item->IsLine()) {
        if (MacLook) {
            DrawCutPicture(C, "MACOS_MENU_BAR", 12, R);
            return;
        }
        Plain();
        C.Pen().SetColor(SeparatorColor);
        int Y = R.top + 2;
        if (RightToLeft) {
            C.MoveTo(R.left + 2, Y);
            C.LineTo(R.right - BarWidth - 4, Y);
        } else {
            C.MoveTo(R.left + BarWidth + 4, Y);
            C.LineTo(R.right - 2, Y);
        }
        return;
    }
    bool Enabled = Item->Enabled();
    if (Selected && Enabled) {
        if (MacLook) {
            DrawCutPicture(C, "MACOS_MENU_SELECT", 20, R);
        } else {
            FillRectInColor(C, R, SelectedColor);
            FrameRectInColor(C, R, SelectedBorderColor);
        }
    } else if (MacLook) {
        DrawCutPicture(C, "MACOS_MENU_BAR", 20, R);
    } else {
        Plain();
    }
    if (UseSystemFont) {
        AssignSystemMenuFont(C.Font());
    } else {
        C.Font().SetName(FontName);
        C.Font().SetSize(FontSize);
        C.Font().SetCharset(FontCharset);
    }
    C.Brush().SetStyle(bsClear);
    C.Font().SetColor(!Enabled ? TColor(0x808080) : Selected ? SelectedFontColor : FontColor);
    C.Font().SetStyle(Item->Default ? TFontStyles{fsBold} : TFontStyles{});
    C.TextExtent("W");  // selects the font and the clear brush
    std::string Text = Item->Caption();
    RECT TR = RightToLeft ? RECT{R.left, R.top + 4, R.right - BarWidth - 4, R.bottom}
                          : RECT{R.left + BarWidth + 4, R.top + 4, R.right, R.bottom};
    DrawTextA(C.Handle(), Text.c_str(), static_cast<int>(Text.size()), &TR,
              DT_SINGLELINE | (RightToLeft ? DT_RIGHT : DT_LEFT));
    std::string Short = ShortCutToText(Item->ShortCut());
    if (!Short.empty()) C.TextOut(RightToLeft ? R.left + 16 : R.right - C.TextWidth(Short) - 16, R.top + 4, Short);
    int X = RightToLeft ? R.right - 20 : R.left + 4;
    TCustomImageList* Images = UsableImages();
    bool Usable = Images && Item->ImageIndex >= 0 && Item->ImageIndex < Images->Count();
    if (Item->Checked()) {
        if (!Usable) {
            if (TCustomImageList* Ticks = TickImages()) Ticks->Draw(C, X, R.top + 3, 0, Enabled);
        } else {
            C.Brush().SetStyle(bsSolid);
            FrameRectInColor(C, TRect(X - 2, R.top + 1, X + 17, R.top + 20), clBlack);
            FillRectInColor(C, TRect(X - 1, R.top + 2, X + 16, R.top + 19), SelectedColor);
        }
    }
    if (Usable) Images->Draw(C, X, R.top + 3, Item->ImageIndex, Enabled);
}

// ---- TscPopupMenu -------------------------------------------------------------------

TscPopupMenu::TscPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {
    OwnerDraw = true;
    ApplyLook(GetOwnerUIStyle(AOwner), /*Theme=*/nullptr);
}

TscPopupMenu::~TscPopupMenu() {
    if (FLookTheme) FLookTheme->RemoveFreeNotification(this);
}

TCustomImageList* TscPopupMenu::TickImages() { return SharedTicks; }

void TscPopupMenu::SetUIStyle(TscUIStyle Value) { ApplyLook(Value, FLookTheme); }

void TscPopupMenu::SetFileTheme(TscFileTheme* Value) {
    if (FLookTheme && FLookTheme != Value) FLookTheme->RemoveFreeNotification(this);
    FLookTheme = Value;
    if (Value) Value->FreeNotification(this);
    SetUIStyle(FLookStyle);
}

void TscPopupMenu::HookItems() {
    SetMenuItemsOwnerDraw(
        Items(), [this](TObject* S, TCanvas* C, int& W, int& H) { MeasureItem(static_cast<TMenuItem*>(S), C, W, H); },
        [this](TObject* S, TCanvas* C, TRect R, bool Sel) { DrawItem(static_cast<TMenuItem*>(S), C, R, Sel); });
}

void TscPopupMenu::Loaded() {
    TPopupMenu::Loaded();
    HookItems();
}

void TscPopupMenu::MenuChanged(bool Rebuild) {
    // Items added at any time are drawn by the menu too.
    HookItems();
    TPopupMenu::MenuChanged(Rebuild);
}

void TscPopupMenu::Popup(int X, int Y) {
    HookItems();
    TPopupMenu::Popup(X, Y);
}

void TscPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TPopupMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FLookTheme) {
        FLookTheme = nullptr;
        SetUIStyle(DeepBlue);
    }
}

// ---- TscMainMenu ---------------------------------------------------------------------

TscMainMenu::TscMainMenu(TComponent* AOwner) : TMainMenu(AOwner), FTicks(MakeTickList()) {
    OwnerDraw = true;
    Images = FTicks.get();
    ApplyLook(GetOwnerUIStyle(AOwner), /*Theme=*/nullptr);
    // On a form with a skinned form, that one shows the menu on its bar.
    if (auto* F = dynamic_cast<TForm*>(AOwner)) {
        F->SetMenu(nullptr);
        for (int I = 0; I < F->ControlCount(); ++I)
            if (auto* S = dynamic_cast<TscForm*>(F->Controls(I)); S && S->SkinnedForm()) {
                S->SetMenu(this);
                break;
            }
    }
}

TscMainMenu::~TscMainMenu() {
    if (SkinForm) SkinForm->SetMenu(nullptr);
    if (FLookTheme) FLookTheme->RemoveFreeNotification(this);
    Images = nullptr;
}

void TscMainMenu::SetUIStyle(TscUIStyle Value) { ApplyLook(Value, FLookTheme); }

void TscMainMenu::SetFileTheme(TscFileTheme* Value) {
    if (FLookTheme && FLookTheme != Value) FLookTheme->RemoveFreeNotification(this);
    FLookTheme = Value;
    if (Value) Value->FreeNotification(this);
    SetUIStyle(FLookStyle);
}

void TscMainMenu::HookItems() {
    SetMenuItemsOwnerDraw(
        Items(), [this](TObject* S, TCanvas* C, int& W, int& H) { MeasureItem(static_cast<TMenuItem*>(S), C, W, H); },
        [this](TObject* S, TCanvas* C, TRect R, bool Sel) { DrawItem(static_cast<TMenuItem*>(S), C, R, Sel); });
}

void TscMainMenu::Loaded() {
    TMainMenu::Loaded();
    HookItems();
}

void TscMainMenu::MenuChanged(bool Rebuild) {
    HookItems();
    TMainMenu::MenuChanged(Rebuild);
    if (SkinForm) SkinForm->RebuildMenuBar();
}

void TscMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMainMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FLookTheme) {
        FLookTheme = nullptr;
        SetUIStyle(DeepBlue);
    }
    if (Operation == opRemove && AComponent == Images) Images = FTicks.get();
}

// ---- Class tables ------------------------------------------------------------------------

namespace {
template <class M>
void DefineLook(TClassInfo& C) {
    using S = std::function<void(M&, const TFormValue&, TFormReader&)>;
    DefineThemeProperties<M>(C);
    C.template Define<M>("MenuItemHeight", S([](M& O, const TFormValue& V, TFormReader& R) {
                             O.SetMenuItemHeight(static_cast<int>(R.Int(V)));
                         }));
    C.template Define<M>("SeparatorHeight", S([](M& O, const TFormValue& V, TFormReader& R) {
                             O.SetSeparatorHeight(static_cast<int>(R.Int(V)));
                         }));
    C.template Define<M>("FlatMenu", S([](M& O, const TFormValue& V, TFormReader& R) { O.FlatMenu = R.Bool(V); }));
    C.template Define<M>("UseSystemFont",
                         S([](M& O, const TFormValue& V, TFormReader& R) { O.UseSystemFont = R.Bool(V); }));
    C.template Define<M>("FontName", S([](M& O, const TFormValue& V, TFormReader& R) { O.FontName = R.String(V); }));
    C.template Define<M>("FontSize",
                         S([](M& O, const TFormValue& V, TFormReader& R) { O.FontSize = static_cast<int>(R.Int(V)); }));
    C.template Define<M>("OwnerDraw", S([](M&, const TFormValue&, TFormReader&) {}));  // always on
}
}  // namespace

TClassInfo& TscPopupMenu::StaticClassInfo() {
    static TClassInfo CI("TscPopupMenu", &TPopupMenu::StaticClassInfo(), CreateComponentOf<TscPopupMenu>,
                         [](TClassInfo& C) { DefineLook<TscPopupMenu>(C); });
    return CI;
}

TClassInfo& TscMainMenu::StaticClassInfo() {
    static TClassInfo CI("TscMainMenu", &TMainMenu::StaticClassInfo(), CreateComponentOf<TscMainMenu>,
                         [](TClassInfo& C) { DefineLook<TscMainMenu>(C); });
    return CI;
}
