#include "platform/classlib/stdctrls.h"

#include <algorithm>

#include "platform/classlib/formload.h"
#include "platform/commctl/commctrl.h"
#include "platform/classlib/cl_text.h"

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

// Lines of a memo: every access goes through the memo's text.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TCustomMemo* Memo) : FMemo(Memo) {}
    int Count() const override { return static_cast<int>(Split().size()); }
    std::string Get(int Index) const override {
        auto L = Split();
        if (Index < 0 || Index >= static_cast<int>(L.size()))
            throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
        return L[Index];
    }
    void Put(int Index, const std::string& S) override {
        auto L = Split();
        if (Index < 0 || Index >= static_cast<int>(L.size()))
            throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
        L[Index] = S;
        Join(L);
    }
    TObject* GetObject(int) const override { return nullptr; }
    void PutObject(int, TObject*) override {}
    void Insert(int Index, const std::string& S) override {
        auto L = Split();
        if (Index < 0 || Index > static_cast<int>(L.size()))
            throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
        L.insert(L.begin() + Index, S);
        Join(L);
    }
    void Delete(int Index) override {
        auto L = Split();
        if (Index < 0 || Index >= static_cast<int>(L.size()))
            throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
        L.erase(L.begin() + Index);
        Join(L);
    }
    void Clear() override { FMemo->SetText(""); }

private:
    std::vector<std::string> Split() const {
        std::vector<std::string> L;
        std::string T = FMemo->Text();
        if (T.empty()) return L;
        size_t Start = 0;
        for (size_t I = 0; I < T.size(); ++I) {
            if (T[I] == '\r' || T[I] == '\n') {
                L.push_back(T.substr(Start, I - Start));
                if (T[I] == '\r' && I + 1 < T.size() && T[I + 1] == '\n') ++I;
                Start = I + 1;
            }
        }
        // A text ending in a line break has no empty last line.
        if (Start < T.size()) L.push_back(T.substr(Start));
        return L;
    }
    void Join(const std::vector<std::string>& L) {
        std::string T;
        for (const auto& S : L) T += S + "\r\n";
        FMemo->SetText(T);
    }
    TCustomMemo* FMemo;
};

// The library's windows are Unicode windows: shared-number string messages
// carry UTF-16.
LRESULT SendText(HWND W, UINT Msg, WPARAM WP, const std::string& S) {
    std::u16string T = cltext::ToUtf16(S);
    return SendMessageW(W, Msg, WP, reinterpret_cast<LPARAM>(T.c_str()));
}
}  // namespace

// ---- TCustomLabel ------------------------------------------------------------------
TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable};
    FWidth = 65;
    FHeight = 17;
    FParentColor = true;
}

UINT TCustomLabel::DrawFlags() const {
    UINT F = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0);
    if (!ShowAccelChar) F |= DT_NOPREFIX;
    if (Alignment == taRightJustify) F |= DT_RIGHT;
    if (Alignment == taCenter) F |= DT_CENTER;
    return F;
}

void TCustomLabel::SetAutoSize(bool Value) {
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value) {
    FWordWrap = Value;
    AdjustBounds();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || ComponentState().Contains(csLoading)) return;
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font().Handle());
    RECT R{0, 0, FWordWrap ? FWidth : 0, 0};
    DoDrawText(DC, R, DrawFlags() | DT_CALCRECT);
    SelectObject(DC, Old);
    ReleaseDC(/*hWnd=*/nullptr, DC);
    int X = FLeft;
    if (Alignment == taRightJustify) X = FLeft + FWidth - R.right;
    SetBounds(X, FTop, FWordWrap ? FWidth : R.right, R.bottom);
}

void TCustomLabel::Paint() {
    TCanvas& C = Canvas();
    TRect R(0, 0, Width(), Height());
    if (!Transparent) {
        C.Brush().SetColor(Color());
        C.Brush().SetStyle(bsSolid);
        C.FillRect(R);
    }
    HDC DC = C.Handle();
    SetBkMode(DC, TRANSPARENT);
    HGDIOBJ Old = SelectObject(DC, Font().Handle());
    UINT Flags = DrawFlags();
    if (Layout != tlTop) {
        RECT Calc = R;
        DoDrawText(DC, Calc, Flags | DT_CALCRECT);
        int Off = Layout == tlBottom ? Height() - Calc.bottom : (Height() - Calc.bottom) / 2;
        R.top += Off;
    }
    RECT Rect = R;
    DoDrawText(DC, Rect, Flags);
    SelectObject(DC, Old);
}

void TCustomLabel::DoDrawText(HDC DC, RECT& R, UINT Flags) {
    if (Flags & DT_CALCRECT) {
        // An empty caption measures a blank, so the label keeps a line's height.
        const std::string T = FText.empty() ? std::string(" ") : FText;
        DrawTextA(DC, T.c_str(), -1, &R, Flags);
        return;
    }
    if (!Enabled()) {
        SetTextColor(DC, ColorToCOLORREF(clBtnHighlight));
        RECT Shadow{R.left + 1, R.top + 1, R.right + 1, R.bottom + 1};
        DrawTextA(DC, FText.c_str(), -1, &Shadow, Flags);
        SetTextColor(DC, ColorToCOLORREF(clBtnShadow));
    } else {
        SetTextColor(DC, ColorToCOLORREF(Font().Color()));
    }
    DrawTextA(DC, FText.c_str(), -1, &R, Flags);
}

// ---- Buttons -----------------------------------------------------------------------
TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csSetCaption, csDoubleClicks};
    TabStop = true;
    FColor = clBtnFace;
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 75;
    FHeight = 25;
}

void TButton::CreateParams(TCreateParams& P) {
    TButtonControl::CreateParams(P);
    P.BaseClassName = "Button";
    P.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool Value) {
    FDefault = Value;
    if (HandleAllocated()) SendMessageA(FHandle, BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (ModalResult != mrNone)
        if (TCustomForm* F = GetParentForm(this)) F->ModalResult = ModalResult;
    TButtonControl::Click();
}

void TButton::WndProc(TMessage& M) {
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == BN_CLICKED) Click();
        return;
    }
    TButtonControl::WndProc(M);
}

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 97;
    FHeight = 17;
}

void TCustomCheckBox::CreateParams(TCreateParams& P) {
    TButtonControl::CreateParams(P);
    P.BaseClassName = "Button";
    P.Style |= BS_3STATE | (Alignment == taLeftJustify ? BS_LEFTTEXT : 0);
}

void TCustomCheckBox::CreateWindowHandle(const TCreateParams& P) {
    TButtonControl::CreateWindowHandle(P);
    SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
    if (Value == FState) return;
    FState = Value;
    if (HandleAllocated()) SendMessageA(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
    // Every change of the state is a click, as for the user's.
    if (!ComponentState().Contains(csLoading)) Click();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
        case cbUnchecked: SetState(AllowGrayed ? cbGrayed : cbChecked); break;
        case cbChecked: SetState(cbUnchecked); break;
        case cbGrayed: SetState(cbChecked); break;
    }
}

void TCustomCheckBox::WndProc(TMessage& M) {
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == BN_CLICKED) Toggle();
        return;
    }
    TButtonControl::WndProc(M);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 113;
    FHeight = 17;
}

void TRadioButton::CreateParams(TCreateParams& P) {
    TButtonControl::CreateParams(P);
    P.BaseClassName = "Button";
    P.Style |= BS_RADIOBUTTON | (Alignment == taLeftJustify ? BS_LEFTTEXT : 0);
}

void TRadioButton::CreateWindowHandle(const TCreateParams& P) {
    TButtonControl::CreateWindowHandle(P);
    SendMessageA(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    TabStop = Value;
    if (HandleAllocated()) SendMessageA(FHandle, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!Value) return;
    if (FParent)
        for (int I = 0; I < FParent->ControlCount(); ++I)
            if (auto* R = dynamic_cast<TRadioButton*>(FParent->Controls(I)); R && R != this) R->SetChecked(false);
    if (!ComponentState().Contains(csLoading)) Click();
}

void TRadioButton::WndProc(TMessage& M) {
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == BN_CLICKED) SetChecked(true);
        return;
    }
    TButtonControl::WndProc(M);
}

// ---- Edits ---------------------------------------------------------------------------
TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csCaptureMouse, csSetCaption, csDoubleClicks};
    FWidth = 121;
    FHeight = 21;
    TabStop = true;
    FColor = clWindow;
}

void TCustomEdit::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "Edit";
    P.Style |= ES_AUTOHSCROLL | (FReadOnly ? ES_READONLY : 0) | (PasswordChar ? ES_PASSWORD : 0);
    if (BorderStyle == bsSingleBorder) P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    if (FMaxLength) SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (PasswordChar) SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(PasswordChar), 0);
}

void TCustomEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (HandleAllocated()) SendMessageA(FHandle, EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetMaxLength(int Value) {
    FMaxLength = Value;
    if (HandleAllocated()) SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(Value), 0);
}

int TCustomEdit::SelStart() {
    DWORD S = 0, E = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&S), reinterpret_cast<LPARAM>(&E));
    return static_cast<int>(S);
}

void TCustomEdit::SetSelStart(int Value) { SendMessageA(Handle(), EM_SETSEL, Value, Value); }

int TCustomEdit::SelLength() {
    DWORD S = 0, E = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&S), reinterpret_cast<LPARAM>(&E));
    return static_cast<int>(E - S);
}

void TCustomEdit::SetSelLength(int Value) {
    int S = SelStart();
    SendMessageA(Handle(), EM_SETSEL, S, S + Value);
}

std::string TCustomEdit::SelText() {
    std::string T = Text();
    int S = SelStart(), L = SelLength();
    if (S < 0 || S > static_cast<int>(T.size())) return "";
    return T.substr(S, L);
}

void TCustomEdit::SetSelText(const std::string& Value) { SendText(Handle(), EM_REPLACESEL, 0, Value); }

void TCustomEdit::SelectAll() { SendMessageA(Handle(), EM_SETSEL, 0, -1); }

bool TCustomEdit::Modified() { return HandleAllocated() && SendMessageA(FHandle, EM_GETMODIFY, 0, 0) != 0; }

void TCustomEdit::TextChanged() {
    // Without a window there is no EN_CHANGE: the change is told here.
    if (!HandleAllocated()) Change();
}

void TCustomEdit::Change() {
    if (ComponentState().Contains(csLoading)) return;
    if (OnChange) OnChange(this);
}

void TCustomEdit::WndProc(TMessage& M) {
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == EN_CHANGE) {
            FText = GetText();
            Change();
        }
        return;
    }
    if (M.Msg == WM_SETFOCUS && AutoSelect && !dynamic_cast<TCustomMemo*>(this)) {
        TWinControl::WndProc(M);
        if (FHandle && !(GetKeyState(VK_LBUTTON) < 0)) SendMessageA(FHandle, EM_SETSEL, 0, -1);
        return;
    }
    TWinControl::WndProc(M);
}

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(this)) {
    FWidth = 185;
    FHeight = 89;
    AutoSelect = false;
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& P) {
    TCustomEdit::CreateParams(P);
    P.Style &= ~ES_AUTOHSCROLL;
    P.Style |= ES_MULTILINE | ES_AUTOVSCROLL | (WantReturns ? ES_WANTRETURN : 0);
    if (!WordWrap || ScrollBars == ssHorizontal || ScrollBars == ssBoth) P.Style |= ES_AUTOHSCROLL;
    if (ScrollBars == ssVertical || ScrollBars == ssBoth) P.Style |= WS_VSCROLL;
    if (ScrollBars == ssHorizontal || ScrollBars == ssBoth) P.Style |= WS_HSCROLL;
}

// ---- Item strings -----------------------------------------------------------------------
void TControlItems::Check(int Index) const {
    if (Index < 0 || Index >= Count()) throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
}

std::string TControlItems::Get(int Index) const {
    Check(Index);
    return FItems[Index].first;
}

TObject* TControlItems::GetObject(int Index) const {
    Check(Index);
    return FItems[Index].second;
}

void TControlItems::PutObject(int Index, TObject* Obj) {
    Check(Index);
    FItems[Index].second = Obj;
    if (FControl->HandleAllocated())
        SendMessageA(FControl->Handle(), FMsg.SetData, Index, reinterpret_cast<LPARAM>(Obj));
}

void TControlItems::Put(int Index, const std::string& S) {
    Check(Index);
    TObject* O = FItems[Index].second;
    Delete(Index);
    Insert(Index, S);
    PutObject(Index, O);
}

void TControlItems::Insert(int Index, const std::string& S) {
    if (Index < 0 || Index > Count()) throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
    FItems.insert(FItems.begin() + Index, {S, nullptr});
    if (FControl->HandleAllocated()) SendText(FControl->Handle(), FMsg.Insert, Index, S);
    if (OnChange) OnChange();
}

int TControlItems::Add(const std::string& S) {
    int Index = Count();
    if (Sorted) {
        auto It = std::upper_bound(FItems.begin(), FItems.end(), S,
                                   [](const std::string& A, const std::pair<std::string, TObject*>& B) {
                                       return CompareText(A, B.first) < 0;
                                   });
        Index = static_cast<int>(It - FItems.begin());
    }
    Insert(Index, S);
    return Index;
}

void TControlItems::Delete(int Index) {
    Check(Index);
    FItems.erase(FItems.begin() + Index);
    if (FControl->HandleAllocated()) SendMessageA(FControl->Handle(), FMsg.Delete, Index, 0);
    if (OnChange) OnChange();
}

void TControlItems::Clear() {
    FItems.clear();
    if (FControl->HandleAllocated()) SendMessageA(FControl->Handle(), FMsg.Reset, 0, 0);
    if (OnChange) OnChange();
}

void TControlItems::PushAll() {
    HWND W = FControl->Handle();
    SendMessageA(W, FMsg.Reset, 0, 0);
    for (size_t I = 0; I < FItems.size(); ++I) {
        SendText(W, FMsg.Insert, I, FItems[I].first);
        if (FItems[I].second) SendMessageA(W, FMsg.SetData, I, reinterpret_cast<LPARAM>(FItems[I].second));
    }
}

// ---- Combo box ----------------------------------------------------------------------------
TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(std::make_unique<TControlItems>(
          this, TControlItems::TMessages{CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                                         CB_SETITEMDATA})) {
    ControlStyle = {csCaptureMouse, csSetCaption, csDoubleClicks};
    FWidth = 145;
    FHeight = 21;
    TabStop = true;
    FColor = clWindow;
    FItems->OnChange = [this] {
        if (FItemIndex >= FItems->Count() && !ComponentState().Contains(csLoading)) FItemIndex = -1;
    };
}

TCustomComboBox::~TCustomComboBox() {
    // The items' mirror must not reach a window being taken down.
    FItems->OnChange = nullptr;
}

void TCustomComboBox::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "ComboBox";
    P.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (FStyle) {
        case csDropDownList: P.Style |= CBS_DROPDOWNLIST; break;
        case csSimple: P.Style |= CBS_SIMPLE; break;
        case csOwnerDrawFixed: P.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
        case csOwnerDrawVariable: P.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
        default: P.Style |= CBS_DROPDOWN; break;
    }
    // The window's height includes its list when dropped.
    P.Height = FHeight + DropDownCount * 14 + 2;
}

void TCustomComboBox::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    FItems->PushAll();
    if (FItemIndex >= 0) SendMessageA(FHandle, CB_SETCURSEL, FItemIndex, 0);
    else if (FStyle == csDropDown || FStyle == csSimple) SetWindowTextA(FHandle, FText.c_str());
    if (MaxLength) SendMessageA(FHandle, CB_LIMITTEXT, MaxLength, 0);
}

void TCustomComboBox::SetItemIndex(int Value) {
    // Form files store the index before the items: it waits for Loaded.
    if (ComponentState().Contains(csLoading)) {
        FItemIndex = Value;
        return;
    }
    if (Value < -1 || Value >= FItems->Count()) Value = -1;
    FItemIndex = Value;
    FText = Value >= 0 ? FItems->Get(Value) : std::string();
    if (HandleAllocated()) SendMessageA(FHandle, CB_SETCURSEL, Value, 0);
}

void TCustomComboBox::Loaded() {
    TWinControl::Loaded();
    if (FItemIndex >= 0) SetItemIndex(FItemIndex);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    RecreateWnd();
}

bool TCustomComboBox::Sorted() const { return FItems->Sorted; }
void TCustomComboBox::SetSorted(bool Value) { FItems->Sorted = Value; }

bool TCustomComboBox::DroppedDown() {
    return HandleAllocated() && SendMessageA(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool Value) { SendMessageA(Handle(), CB_SHOWDROPDOWN, Value, 0); }

std::string TCustomComboBox::GetText() {
    if (FStyle == csDropDownList || FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable)
        return FItemIndex >= 0 && FItemIndex < FItems->Count() ? FItems->Get(FItemIndex) : std::string();
    return TWinControl::GetText();
}

void TCustomComboBox::SetTextBuf(const std::string& Value) {
    int I = FItems->IndexOf(Value);
    if (FStyle == csDropDownList || FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) {
        SetItemIndex(I);
        return;
    }
    TWinControl::SetTextBuf(Value);
    if (I >= 0) {
        FItemIndex = I;
        if (HandleAllocated()) SendMessageA(FHandle, CB_SETCURSEL, I, 0);
    }
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBox::WndProc(TMessage& M) {
    if (M.Msg == CN_COMMAND) {
        switch (HIWORD(M.WParam)) {
            case CBN_SELCHANGE:
                FItemIndex = static_cast<int>(SendMessageA(FHandle, CB_GETCURSEL, 0, 0));
                FText = FItemIndex >= 0 ? FItems->Get(FItemIndex) : std::string();
                if (OnSelect) OnSelect(this);
                Change();
                break;
            case CBN_EDITCHANGE:
                FItemIndex = -1;
                Change();
                break;
            case CBN_DROPDOWN:
                if (OnDropDown) OnDropDown(this);
                break;
            case CBN_CLOSEUP:
                if (OnCloseUp) OnCloseUp(this);
                break;
            default: break;
        }
        return;
    }
    TWinControl::WndProc(M);
}

// ---- List box ---------------------------------------------------------------------------------
TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(std::make_unique<TControlItems>(
          this, TControlItems::TMessages{LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                         LB_SETITEMDATA})) {
    ControlStyle = {csSetCaption, csDoubleClicks};
    FWidth = 121;
    FHeight = 97;
    TabStop = true;
    FColor = clWindow;
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "ListBox";
    P.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    if (FMultiSelect) P.Style |= ExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    FItems->PushAll();
    if (FMultiSelect) {
        for (size_t I = 0; I < FSelected.size(); ++I)
            if (FSelected[I]) SendMessageA(FHandle, LB_SETSEL, TRUE, static_cast<LPARAM>(I));
    } else if (FItemIndex >= 0) {
        SendMessageA(FHandle, LB_SETCURSEL, FItemIndex, 0);
    }
}

int TCustomListBox::ItemIndex() {
    if (!HandleAllocated()) return FItemIndex < FItems->Count() ? FItemIndex : -1;
    if (FMultiSelect) return static_cast<int>(SendMessageA(FHandle, LB_GETCARETINDEX, 0, 0));
    return static_cast<int>(SendMessageA(FHandle, LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int Value) {
    FItemIndex = Value;
    if (!HandleAllocated()) return;
    if (FMultiSelect)
        SendMessageA(FHandle, LB_SETCARETINDEX, Value, 0);
    else
        SendMessageA(FHandle, LB_SETCURSEL, Value, 0);
}

void TCustomListBox::SetMultiSelect(bool Value) {
    if (Value == FMultiSelect) return;
    FMultiSelect = Value;
    RecreateWnd();
}

bool TCustomListBox::Selected(int Index) {
    if (Index < 0 || Index >= FItems->Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    if (!HandleAllocated()) return FMultiSelect ? (Index < (int)FSelected.size() && FSelected[Index]) : Index == FItemIndex;
    return SendMessageA(FHandle, LB_GETSEL, Index, 0) > 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
    if (Index < 0 || Index >= FItems->Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    if (!FMultiSelect) {
        if (Value) SetItemIndex(Index);
        else if (ItemIndex() == Index) SetItemIndex(-1);
        return;
    }
    if (static_cast<int>(FSelected.size()) <= Index) FSelected.resize(Index + 1);
    FSelected[Index] = Value;
    if (HandleAllocated()) SendMessageA(FHandle, LB_SETSEL, Value, Index);
}

int TCustomListBox::SelCount() {
    if (!FMultiSelect) return -1;
    if (HandleAllocated()) return static_cast<int>(SendMessageA(FHandle, LB_GETSELCOUNT, 0, 0));
    return static_cast<int>(std::count(FSelected.begin(), FSelected.end(), true));
}

bool TCustomListBox::Sorted() const { return FItems->Sorted; }
void TCustomListBox::SetSorted(bool Value) { FItems->Sorted = Value; }

void TCustomListBox::WndProc(TMessage& M) {
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == LBN_SELCHANGE) Click();
        if (HIWORD(M.WParam) == LBN_DBLCLK) DblClick();
        return;
    }
    TWinControl::WndProc(M);
}

// ---- Group box --------------------------------------------------------------------------------
TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    ParentBackground = true;
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csCustomPaint};
    FWidth = 185;
    FHeight = 105;
    FColor = clBtnFace;
}

TRect TCustomGroupBox::ClientRect() {
    TRect R = TCustomControl::ClientRect();
    int H = Font().Height() < 0 ? -Font().Height() : Font().Height();
    R.top += H + 2;
    R.left += 2;
    R.right -= 2;
    R.bottom -= 2;
    if (R.bottom < R.top) R.bottom = R.top;
    return R;
}

void TCustomGroupBox::Paint() {
    TCanvas& C = Canvas();
    C.Brush().SetColor(Color());
    C.FillRect(TRect(0, 0, Width(), Height()));
    int H = Font().Height() < 0 ? -Font().Height() : Font().Height();
    RECT Frame{0, H / 2, Width(), Height()};
    DrawEdge(C.Handle(), &Frame, EDGE_ETCHED, BF_RECT);
    std::string Text = Caption();
    if (!Text.empty()) {
        C.Font().Assign(Font());
        C.Brush().SetColor(Color());
        SIZE S = C.TextExtent(Text);
        TRect TR(8, 0, 8 + S.cx + 2, S.cy);
        C.FillRect(TR);
        if (!Enabled()) C.Font().SetColor(clGrayText);
        C.TextOut(9, 0, Text);
    }
    if (OnPaint) OnPaint(this);
}

// ---- Class tables ------------------------------------------------------------------------------
TClassInfo& TCustomLabel::StaticClassInfo() {
    static TClassInfo CI("TCustomLabel", &TGraphicControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        PublishCaption(C);
        C.PublishEnum<TCustomLabel>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                    [](TCustomLabel& O) -> int64_t { return O.Alignment; },
                                    [](TCustomLabel& O, int64_t V) {
                                        O.Alignment = static_cast<TAlignment>(V);
                                        O.Invalidate();
                                    });
        C.PublishBool<TCustomLabel>("Transparent", [](TCustomLabel& O) { return O.Transparent; },
                                    [](TCustomLabel& O, bool V) {
                                        O.Transparent = V;
                                        O.Invalidate();
                                    });
        using S = TSetter<TCustomLabel>;
        C.Define<TCustomLabel>("AutoSize", S([](TCustomLabel& O, const TFormValue& V, TFormReader& R) {
                                   O.SetAutoSize(R.Bool(V));
                               }));
        C.Define<TCustomLabel>("Alignment", S([](TCustomLabel& O, const TFormValue& V, TFormReader& R) {
                                   O.Alignment = R.Enum<TAlignment>(V, {"taLeftJustify", "taRightJustify", "taCenter"});
                               }));
        C.Define<TCustomLabel>("Layout", S([](TCustomLabel& O, const TFormValue& V, TFormReader& R) {
                                   O.Layout = R.Enum<TTextLayout>(V, {"tlTop", "tlCenter", "tlBottom"});
                               }));
        C.Define<TCustomLabel>("WordWrap", S([](TCustomLabel& O, const TFormValue& V, TFormReader& R) {
                                   O.SetWordWrap(R.Bool(V));
                               }));
        C.Define<TCustomLabel>("Transparent", S([](TCustomLabel& O, const TFormValue& V, TFormReader& R) {
                                   O.Transparent = R.Bool(V);
                               }));
        C.Define<TCustomLabel>("ShowAccelChar", S([](TCustomLabel& O, const TFormValue& V, TFormReader& R) {
                                   O.ShowAccelChar = R.Bool(V);
                               }));
        C.Define<TCustomLabel>("FocusControl", S([](TCustomLabel& O, const TFormValue& V, TFormReader& R) {
                                   R.Reference(V, [&O](TComponent* X) { O.FocusControl = dynamic_cast<TWinControl*>(X); });
                               }));
    });
    return CI;
}

TClassInfo& TLabel::StaticClassInfo() {
    static TClassInfo CI("TLabel", &TCustomLabel::StaticClassInfo(), CreateComponentOf<TLabel>);
    return CI;
}

TClassInfo& TButtonControl::StaticClassInfo() {
    static TClassInfo CI("TButtonControl", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, PublishCaption);
    return CI;
}

TClassInfo& TButton::StaticClassInfo() {
    static TClassInfo CI("TButton", &TButtonControl::StaticClassInfo(), CreateComponentOf<TButton>, [](TClassInfo& C) {
        C.PublishBool<TButton>("Default", [](TButton& O) { return O.Default(); },
                               [](TButton& O, bool V) { O.SetDefault(V); });
        using S = TSetter<TButton>;
        C.Define<TButton>("Default", S([](TButton& O, const TFormValue& V, TFormReader& R) { O.SetDefault(R.Bool(V)); }));
        C.Define<TButton>("Cancel", S([](TButton& O, const TFormValue& V, TFormReader& R) { O.Cancel = R.Bool(V); }));
        C.Define<TButton>("ModalResult", S([](TButton& O, const TFormValue& V, TFormReader& R) {
                              if (V.kind == TFormValue::vaInt) {
                                  O.ModalResult = static_cast<int>(V.Int);
                                  return;
                              }
                              O.ModalResult = R.EnumIndex(V, {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry",
                                                              "mrIgnore", "mrYes", "mrNo", "mrAll", "mrNoToAll",
                                                              "mrYesToAll"});
                          }));
    });
    return CI;
}

TClassInfo& TCustomCheckBox::StaticClassInfo() {
    static TClassInfo CI("TCustomCheckBox", &TButtonControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.PublishEnum<TCustomCheckBox>("State", {"cbUnchecked", "cbChecked", "cbGrayed"},
                                       [](TCustomCheckBox& O) -> int64_t { return O.State(); },
                                       [](TCustomCheckBox& O, int64_t V) { O.SetState(static_cast<TCheckBoxState>(V)); });
        C.PublishBool<TCustomCheckBox>("Checked", [](TCustomCheckBox& O) { return O.Checked(); },
                                       [](TCustomCheckBox& O, bool V) { O.SetChecked(V); });
        C.PublishEnum<TCustomCheckBox>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                       [](TCustomCheckBox& O) -> int64_t { return O.Alignment; },
                                       [](TCustomCheckBox& O, int64_t V) {
                                           O.Alignment = static_cast<TAlignment>(V);
                                           O.Invalidate();
                                       });
        using S = TSetter<TCustomCheckBox>;
        C.Define<TCustomCheckBox>("Checked", S([](TCustomCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetChecked(R.Bool(V));
                                  }));
        C.Define<TCustomCheckBox>("State", S([](TCustomCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetState(R.Enum<TCheckBoxState>(V, {"cbUnchecked", "cbChecked", "cbGrayed"}));
                                  }));
        C.Define<TCustomCheckBox>("AllowGrayed", S([](TCustomCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.AllowGrayed = R.Bool(V);
                                  }));
        C.Define<TCustomCheckBox>("Alignment", S([](TCustomCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.Alignment = R.Enum<TAlignment>(V, {"taLeftJustify", "taRightJustify", "taCenter"});
                                  }));
    });
    return CI;
}

TClassInfo& TCheckBox::StaticClassInfo() {
    static TClassInfo CI("TCheckBox", &TCustomCheckBox::StaticClassInfo(), CreateComponentOf<TCheckBox>);
    return CI;
}

TClassInfo& TRadioButton::StaticClassInfo() {
    static TClassInfo CI("TRadioButton", &TButtonControl::StaticClassInfo(), CreateComponentOf<TRadioButton>,
                         [](TClassInfo& C) {
                             C.PublishBool<TRadioButton>("Checked", [](TRadioButton& O) { return O.Checked(); },
                                                         [](TRadioButton& O, bool V) { O.SetChecked(V); });
                             C.PublishEnum<TRadioButton>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                                         [](TRadioButton& O) -> int64_t { return O.Alignment; },
                                                         [](TRadioButton& O, int64_t V) {
                                                             O.Alignment = static_cast<TAlignment>(V);
                                                             O.Invalidate();
                                                         });
                             using S = TSetter<TRadioButton>;
                             C.Define<TRadioButton>("Checked", S([](TRadioButton& O, const TFormValue& V,
                                                                    TFormReader& R) { O.SetChecked(R.Bool(V)); }));
                             C.Define<TRadioButton>("Alignment", S([](TRadioButton& O, const TFormValue& V,
                                                                      TFormReader& R) {
                                                        O.Alignment = R.Enum<TAlignment>(
                                                            V, {"taLeftJustify", "taRightJustify", "taCenter"});
                                                    }));
                         });
    return CI;
}

TClassInfo& TCustomEdit::StaticClassInfo() {
    static TClassInfo CI("TCustomEdit", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.PublishEnum<TCustomEdit>("BorderStyle", {"bsNone", "bsSingle"},
                                   [](TCustomEdit& O) -> int64_t { return O.BorderStyle; });
        C.PublishString<TCustomEdit>("Text", [](TCustomEdit& O) { return O.Text(); },
                                     [](TCustomEdit& O, const std::string& V) { O.SetText(V); });
        using S = TSetter<TCustomEdit>;
        C.Define<TCustomEdit>("ReadOnly", S([](TCustomEdit& O, const TFormValue& V, TFormReader& R) {
                                  O.SetReadOnly(R.Bool(V));
                              }));
        C.Define<TCustomEdit>("MaxLength", S([](TCustomEdit& O, const TFormValue& V, TFormReader& R) {
                                  O.SetMaxLength(static_cast<int>(R.Int(V)));
                              }));
        C.Define<TCustomEdit>("PasswordChar", S([](TCustomEdit& O, const TFormValue& V, TFormReader& R) {
                                  std::string P = R.String(V);
                                  O.PasswordChar = P.empty() ? 0 : P[0];
                              }));
        C.Define<TCustomEdit>("AutoSelect", S([](TCustomEdit& O, const TFormValue& V, TFormReader& R) {
                                  O.AutoSelect = R.Bool(V);
                              }));
        C.Define<TCustomEdit>("BorderStyle", S([](TCustomEdit& O, const TFormValue& V, TFormReader& R) {
                                  O.BorderStyle = R.Enum<TBorderStyle>(V, {"bsNone", "bsSingle"});
                              }));
        C.Define<TCustomEdit>("OnChange", S([](TCustomEdit& O, const TFormValue& V, TFormReader& R) {
                                  O.OnChange = R.Method<TNotifyEvent>(V);
                              }));
        C.Define("AutoSize", [](TPersistent&, const TFormValue&, TFormReader&) {});
        C.Define("CharCase", [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

TClassInfo& TEdit::StaticClassInfo() {
    static TClassInfo CI("TEdit", &TCustomEdit::StaticClassInfo(), CreateComponentOf<TEdit>);
    return CI;
}

TClassInfo& TCustomMemo::StaticClassInfo() {
    static TClassInfo CI("TCustomMemo", &TCustomEdit::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TCustomMemo>;
        C.Define<TCustomMemo>("Lines.Strings", S([](TCustomMemo& O, const TFormValue& V, TFormReader& R) {
                                  R.Strings(V, O.Lines());
                              }));
        C.Define<TCustomMemo>("ScrollBars", S([](TCustomMemo& O, const TFormValue& V, TFormReader& R) {
                                  O.ScrollBars = R.Enum<TScrollStyle>(V, {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
                              }));
        C.Define<TCustomMemo>("WordWrap", S([](TCustomMemo& O, const TFormValue& V, TFormReader& R) {
                                  O.WordWrap = R.Bool(V);
                              }));
        C.Define<TCustomMemo>("WantReturns", S([](TCustomMemo& O, const TFormValue& V, TFormReader& R) {
                                  O.WantReturns = R.Bool(V);
                              }));
        C.Define<TCustomMemo>("WantTabs", S([](TCustomMemo& O, const TFormValue& V, TFormReader& R) {
                                  O.WantTabs = R.Bool(V);
                              }));
    });
    return CI;
}

TClassInfo& TMemo::StaticClassInfo() {
    static TClassInfo CI("TMemo", &TCustomMemo::StaticClassInfo(), CreateComponentOf<TMemo>);
    return CI;
}

TClassInfo& TCustomComboBox::StaticClassInfo() {
    static TClassInfo CI("TCustomComboBox", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TCustomComboBox>;
        C.Define<TCustomComboBox>("Items.Strings", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      R.Strings(V, O.Items());
                                  }));
        C.Define<TCustomComboBox>("ItemIndex", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetItemIndex(static_cast<int>(R.Int(V)));
                                  }));
        C.Define<TCustomComboBox>("Style", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetStyle(R.Enum<TComboBoxStyle>(V, {"csDropDown", "csSimple", "csDropDownList",
                                                                            "csOwnerDrawFixed", "csOwnerDrawVariable"}));
                                  }));
        C.Define<TCustomComboBox>("Sorted", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetSorted(R.Bool(V));
                                  }));
        C.Define<TCustomComboBox>("DropDownCount", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.DropDownCount = static_cast<int>(R.Int(V));
                                  }));
        C.Define<TCustomComboBox>("MaxLength", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.MaxLength = static_cast<int>(R.Int(V));
                                  }));
        C.Define<TCustomComboBox>("OnChange", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.OnChange = R.Method<TNotifyEvent>(V);
                                  }));
        C.Define<TCustomComboBox>("OnSelect", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.OnSelect = R.Method<TNotifyEvent>(V);
                                  }));
        C.Define<TCustomComboBox>("OnDropDown", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.OnDropDown = R.Method<TNotifyEvent>(V);
                                  }));
        C.Define<TCustomComboBox>("OnCloseUp", S([](TCustomComboBox& O, const TFormValue& V, TFormReader& R) {
                                      O.OnCloseUp = R.Method<TNotifyEvent>(V);
                                  }));
        C.Define("ItemHeight", [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

TClassInfo& TComboBox::StaticClassInfo() {
    static TClassInfo CI("TComboBox", &TCustomComboBox::StaticClassInfo(), CreateComponentOf<TComboBox>);
    return CI;
}

TClassInfo& TCustomListBox::StaticClassInfo() {
    static TClassInfo CI("TCustomListBox", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TCustomListBox>;
        C.Define<TCustomListBox>("Items.Strings", S([](TCustomListBox& O, const TFormValue& V, TFormReader& R) {
                                     R.Strings(V, O.Items());
                                 }));
        C.Define<TCustomListBox>("MultiSelect", S([](TCustomListBox& O, const TFormValue& V, TFormReader& R) {
                                     O.SetMultiSelect(R.Bool(V));
                                 }));
        C.Define<TCustomListBox>("ExtendedSelect", S([](TCustomListBox& O, const TFormValue& V, TFormReader& R) {
                                     O.ExtendedSelect = R.Bool(V);
                                 }));
        C.Define<TCustomListBox>("Sorted", S([](TCustomListBox& O, const TFormValue& V, TFormReader& R) {
                                     O.SetSorted(R.Bool(V));
                                 }));
        C.Define<TCustomListBox>("ItemHeight", S([](TCustomListBox& O, const TFormValue& V, TFormReader& R) {
                                     O.ItemHeight = static_cast<int>(R.Int(V));
                                 }));
    });
    return CI;
}

TClassInfo& TListBox::StaticClassInfo() {
    static TClassInfo CI("TListBox", &TCustomListBox::StaticClassInfo(), CreateComponentOf<TListBox>);
    return CI;
}

TClassInfo& TCustomGroupBox::StaticClassInfo() {
    static TClassInfo CI("TCustomGroupBox", &TCustomControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        PublishCaption(C);
        PublishParentBackground(C);
    });
    return CI;
}

TClassInfo& TGroupBox::StaticClassInfo() {
    static TClassInfo CI("TGroupBox", &TCustomGroupBox::StaticClassInfo(), CreateComponentOf<TGroupBox>);
    return CI;
}

void RegisterStdCtrlsClasses() {
    RegisterClasses({&TLabel::StaticClassInfo(), &TButton::StaticClassInfo(), &TCheckBox::StaticClassInfo(),
                     &TRadioButton::StaticClassInfo(), &TEdit::StaticClassInfo(), &TMemo::StaticClassInfo(),
                     &TComboBox::StaticClassInfo(), &TListBox::StaticClassInfo(), &TGroupBox::StaticClassInfo()});
}

std::unique_ptr<TControlActionLink> TButtonControl::CreateActionLink() {
    return std::make_unique<TButtonActionLink>(this);
}
