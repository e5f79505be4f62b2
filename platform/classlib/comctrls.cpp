#include "platform/classlib/comctrls.h"

#include <algorithm>

#include "platform/classlib/cl_text.h"
#include "platform/classlib/formload.h"
#include "platform/commctl/commctrl.h"

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

// Common-control styles: our own alignment places the bar.
constexpr DWORD StyleNoResize = 0x4, StyleNoParentAlign = 0x8;

int FmtOf(TAlignment A) { return A == taRightJustify ? LVCFMT_RIGHT : A == taCenter ? LVCFMT_CENTER : LVCFMT_LEFT; }
}  // namespace

// ---- Image lists ------------------------------------------------------------------
TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
    if (FHandle) ImageList_Destroy(FHandle);
}

HIMAGELIST TCustomImageList::Handle() {
    if (!FHandle) {
        FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR32 | (Masked ? ILC_MASK : 0), 0, AllocBy);
        if (FHandle && BkColor != clNone) ImageList_SetBkColor(FHandle, ColorToCOLORREF(BkColor));
    }
    return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
    if (Value == FHandle) return;
    if (FHandle) ImageList_Destroy(FHandle);
    FHandle = Value;
    if (FHandle) ImageList_GetIconSize(FHandle, &FWidth, &FHeight);
    Changed();
}

// ---- Drag image lists -------------------------------------------------------------
TDragImageList::~TDragImageList() {
    DragImageListDestroyed(this);
    EndDrag();
}

bool TDragImageList::SetDragImage(int Index, int HotSpotX, int HotSpotY) {
    if (Index < 0 || Index >= Count()) return false;
    FDragIndex = Index;
    FDragHotspot = POINT{HotSpotX, HotSpotY};
    return true;
}

bool TDragImageList::BeginDrag(HWND Window, int X, int Y) {
    if (FDragIndex < 0 || FDragIndex >= Count()) return false;
    if (!ImageList_BeginDrag(Handle(), FDragIndex, FDragHotspot.x, FDragHotspot.y)) return false;
    FDragging = ImageList_DragEnter(Window, X, Y) != FALSE;
    if (!FDragging) ImageList_EndDrag();
    return FDragging;
}

bool TDragImageList::DragMove(int X, int Y) { return FDragging && ImageList_DragMove(X, Y); }

void TDragImageList::ShowDragImage() {
    if (FDragging) ImageList_DragShowNolock(TRUE);
}

void TDragImageList::HideDragImage() {
    if (FDragging) ImageList_DragShowNolock(FALSE);
}

bool TDragImageList::EndDrag() {
    if (!FDragging) return false;
    FDragging = false;
    ImageList_EndDrag();
    return true;
}

namespace {

// One BMP file at the start of Data: its length from the file header.
std::unique_ptr<TBitmap> ReadBmpAt(const unsigned char* Data, size_t Size, size_t& Used) {
    const char* Bad = "Image list bitmap is not valid";
    if (Size < 14 || Data[0] != 'B' || Data[1] != 'M') throw EInvalidGraphic(Bad);
    uint32_t Len = Data[2] | (Data[3] << 8) | (Data[4] << 16) | (uint32_t(Data[5]) << 24);
    if (Len < 14 || Len > Size) throw EInvalidGraphic(Bad);
    TMemoryStream S;
    S.WriteBuffer(Data, Len);
    S.SetPosition(0);
    auto B = std::make_unique<TBitmap>();
    B->LoadFromStream(S);
    Used = Len;
    return B;
}

// Cells Left.. of one row of the grid, as a strip the image list cuts into images.
std::unique_ptr<TBitmap> StripOf(TBitmap& Source, int Row, int CellW, int CellH) {
    int Cells = Source.Width() / CellW;
    auto Strip = std::make_unique<TBitmap>(Cells * CellW, CellH, pf24bit);
    BitBlt(Strip->Canvas().Handle(), 0, 0, Cells * CellW, CellH, Source.Canvas().Handle(), 0, Row * CellH, SRCCOPY);
    GdiFlush();
    return Strip;
}

}  // namespace

void TCustomImageList::ReadBitmapData(const std::vector<unsigned char>& Data, const std::string& FileName, int Line) {
    if (Data.empty()) {
        FPendingImage.reset();
        FPendingMask.reset();
        if (!ComponentState().Contains(csLoading)) Clear();
        return;
    }
    size_t Used = 0;
    std::unique_ptr<TBitmap> Image = ReadBmpAt(Data.data(), Data.size(), Used);
    std::unique_ptr<TBitmap> Mask;
    if (Image->PixelFormat() == pf32bit) {
        // The alpha channel, when the file has one, is the mask.
        bool HasAlpha = false;
        for (int Y = 0; Y < Image->Height() && !HasAlpha; ++Y) {
            auto* P = static_cast<const uint32_t*>(Image->ScanLine(Y));
            for (int X = 0; X < Image->Width(); ++X)
                if (P[X] >> 24) {
                    HasAlpha = true;
                    break;
                }
        }
        if (HasAlpha) {
            Mask = std::make_unique<TBitmap>(Image->Width(), Image->Height(), pf24bit);
            for (int Y = 0; Y < Image->Height(); ++Y) {
                auto* P = static_cast<const uint32_t*>(Image->ScanLine(Y));
                auto* M = static_cast<unsigned char*>(Mask->ScanLine(Y));
                for (int X = 0; X < Image->Width(); ++X) {
                    unsigned char V = (P[X] >> 24) < 128 ? 255 : 0;
                    M[X * 3] = M[X * 3 + 1] = M[X * 3 + 2] = V;
                }
            }
        }
    }
    if (!Mask && Used + 14 <= Data.size()) {
        size_t MaskUsed = 0;
        Mask = ReadBmpAt(Data.data() + Used, Data.size() - Used, MaskUsed);
        if (Mask->Width() != Image->Width() || Mask->Height() != Image->Height())
            throw EInvalidGraphic("Image list mask is not the size of its bitmap");
    }
    FPendingImage = std::move(Image);
    FPendingMask = std::move(Mask);
    FPendingFile = FileName;
    FPendingLine = Line;
    if (!ComponentState().Contains(csLoading)) AddPendingImages();
}

void TCustomImageList::AddPendingImages() {
    if (!FPendingImage) return;
    std::unique_ptr<TBitmap> Image = std::move(FPendingImage);
    std::unique_ptr<TBitmap> Mask = std::move(FPendingMask);
    if (FHandle) ImageList_RemoveAll(FHandle);
    if (Image->Width() < FWidth || Image->Height() < FHeight) {
        const char* What = "Image list bitmap is smaller than one image";
        if (!FPendingFile.empty()) throw EFormFileError(FPendingFile, FPendingLine, "Error reading " + Name() + ".Bitmap: " + What);
        throw EInvalidGraphic(What);
    }
    for (int Row = 0; Row < Image->Height() / FHeight; ++Row) {
        std::unique_ptr<TBitmap> Strip = StripOf(*Image, Row, FWidth, FHeight);
        std::unique_ptr<TBitmap> MaskStrip = Mask ? StripOf(*Mask, Row, FWidth, FHeight) : nullptr;
        ImageList_Add(Handle(), Strip->Handle(), MaskStrip ? MaskStrip->Handle() : nullptr);
    }
    Changed();
}

void TCustomImageList::Loaded() {
    TComponent::Loaded();
    AddPendingImages();
}

void TCustomImageList::SetSize(int AWidth, int AHeight) {
    if (AWidth == FWidth && AHeight == FHeight) return;
    FWidth = AWidth;
    FHeight = AHeight;
    if (FHandle) ImageList_Destroy(FHandle);
    FHandle = nullptr;
    Changed();
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    int N = ImageList_Add(Handle(), Image ? Image->Handle() : nullptr, Mask ? Mask->Handle() : nullptr);
    Changed();
    return N;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    int N = ImageList_AddMasked(Handle(), Image->Handle(), ColorToCOLORREF(MaskColor));
    Changed();
    return N;
}

void TCustomImageList::Delete(int Index) {
    ImageList_Remove(Handle(), Index);
    Changed();
}

void TCustomImageList::Clear() {
    if (FHandle) ImageList_RemoveAll(FHandle);
    Changed();
}

int TCustomImageList::Count() const { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled) {
    if (Index < 0 || Index >= Count()) return;
    ImageList_Draw(FHandle, Index, Canvas.Handle(), X, Y, Enabled ? ILD_TRANSPARENT : ILD_BLEND50);
}

void TCustomImageList::Changed() {
    if (OnChange) OnChange(this);
}

// ---- List view: columns and items -----------------------------------------------------
void TListColumn::SetCaption(const std::string& Value) {
    FCaption = Value;
    Changed();
}
void TListColumn::SetWidth(int Value) {
    FWidth = Value;
    Changed();
}
void TListColumn::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Changed();
}

void TListColumns::Update(TCollectionItem* Item) {
    TCollectionOf<TListColumn>::Update(Item);
    if (!FOwner->HandleAllocated()) return;
    if (!Item) {
        FOwner->PushColumns();
        return;
    }
    auto* C = static_cast<TListColumn*>(Item);
    std::u16string T = cltext::ToUtf16(C->Caption());
    LVCOLUMNW LC{};
    LC.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    LC.pszText = reinterpret_cast<LPWSTR>(T.data());
    LC.cx = C->Width();
    LC.fmt = FmtOf(C->Alignment());
    SendMessageW(FOwner->Handle(), LVM_SETCOLUMNW, C->Index(), reinterpret_cast<LPARAM>(&LC));
}

// A sub-item list that pushes its changes into the window.
namespace {
class TSubItems : public TStringList {
public:
    explicit TSubItems(TListItem* Item) : FItem(Item) {}
    void Put(int Index, const std::string& S) override {
        TStringList::Put(Index, S);
        FItem->Update();
    }
    void Insert(int Index, const std::string& S) override {
        TStringList::Insert(Index, S);
        FItem->Update();
    }
    void Delete(int Index) override {
        TStringList::Delete(Index);
        FItem->Update();
    }
    void Clear() override {
        TStringList::Clear();
        FItem->Update();
    }

private:
    TListItem* FItem;
};
}  // namespace

TListItem::TListItem(TListItems* Owner) : FOwner(Owner), FSubItems(std::make_unique<TSubItems>(this)) {}
TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }
int TListItem::Index() const { return FOwner->IndexOf(this); }

void TListItem::Update() {
    TCustomListView* LV = ListView();
    int I = Index();
    if (!LV->HandleAllocated() || I < 0 || LV->FPushing) return;
    HWND W = LV->Handle();
    std::u16string T = cltext::ToUtf16(FCaption);
    LVITEMW It{};
    It.mask = LVIF_TEXT | LVIF_IMAGE;
    It.iItem = I;
    It.pszText = reinterpret_cast<LPWSTR>(T.data());
    It.iImage = FImageIndex;
    SendMessageW(W, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&It));
    int Cols = std::max(LV->Columns().Count(), FSubItems->Count() + 1);
    for (int S = 1; S < Cols; ++S) {
        std::u16string ST = S - 1 < FSubItems->Count() ? cltext::ToUtf16(FSubItems->Get(S - 1)) : std::u16string();
        LVITEMW Sub{};
        Sub.iSubItem = S;
        Sub.pszText = reinterpret_cast<LPWSTR>(ST.data());
        SendMessageW(W, LVM_SETITEMTEXTW, I, reinterpret_cast<LPARAM>(&Sub));
    }
}

void TListItem::SetCaption(const std::string& Value) {
    FCaption = Value;
    Update();
}

void TListItem::SetImageIndex(int Value) {
    FImageIndex = Value;
    Update();
}

bool TListItem::Selected() const {
    TCustomListView* LV = ListView();
    if (!LV->HandleAllocated()) return FSelected;
    return (SendMessageW(LV->Handle(), LVM_GETITEMSTATE, Index(), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TListItem::SetSelected(bool Value) {
    FSelected = Value;
    TCustomListView* LV = ListView();
    if (!LV->HandleAllocated()) return;
    LVITEMW It{};
    It.stateMask = LVIS_SELECTED;
    It.state = Value ? LVIS_SELECTED : 0;
    SendMessageW(LV->Handle(), LVM_SETITEMSTATE, Index(), reinterpret_cast<LPARAM>(&It));
}

bool TListItem::Focused() const {
    TCustomListView* LV = ListView();
    if (!LV->HandleAllocated()) return FFocused;
    return (SendMessageW(LV->Handle(), LVM_GETITEMSTATE, Index(), LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
}

void TListItem::SetFocused(bool Value) {
    FFocused = Value;
    TCustomListView* LV = ListView();
    if (!LV->HandleAllocated()) return;
    LVITEMW It{};
    It.stateMask = LVIS_FOCUSED;
    It.state = Value ? LVIS_FOCUSED : 0;
    SendMessageW(LV->Handle(), LVM_SETITEMSTATE, Index(), reinterpret_cast<LPARAM>(&It));
}

void TListItem::Delete() { FOwner->Delete(Index()); }

void TListItem::MakeVisible(bool PartialOK) {
    if (ListView()->HandleAllocated()) SendMessageW(ListView()->Handle(), LVM_ENSUREVISIBLE, Index(), PartialOK);
}

TListItems::~TListItems() = default;

TListItem* TListItems::Item(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FItems[Index].get();
}

int TListItems::IndexOf(const TListItem* Item) const {
    for (size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I].get() == Item) return static_cast<int>(I);
    return -1;
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int Index) {
    if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    FItems.insert(FItems.begin() + Index, std::make_unique<TListItem>(this));
    FOwner->InsertItemWindow(Index);
    return FItems[Index].get();
}

void TListItems::Delete(int Index) {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    if (FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), LVM_DELETEITEM, Index, 0);
    FItems.erase(FItems.begin() + Index);
}

void TListItems::Clear() {
    if (FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), LVM_DELETEALLITEMS, 0, 0);
    FItems.clear();
}

void TListItems::BeginUpdate() {
    if (FOwner->FUpdating++ == 0 && FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
    if (FOwner->FUpdating > 0 && --FOwner->FUpdating == 0 && FOwner->HandleAllocated()) {
        SendMessageW(FOwner->Handle(), WM_SETREDRAW, TRUE, 0);
        FOwner->Invalidate();
    }
}

// ---- List view ------------------------------------------------------------------------
TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner), FColumns(std::make_unique<TListColumns>(this)), FItems(std::make_unique<TListItems>(this)) {
    ControlStyle = {csCaptureMouse, csDoubleClicks};
    FWidth = 250;
    FHeight = 150;
    TabStop = true;
    FColor = clWindow;
}

TCustomListView::~TCustomListView() {
    Destroying();
    if (HandleAllocated()) DestroyHandle();
}

void TCustomListView::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "SysListView32";
    static const DWORD Views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    P.Style |= Views[FViewStyle] | LVS_SHAREIMAGELISTS | (FMultiSelect ? 0 : LVS_SINGLESEL) |
               (HideSelection ? 0 : LVS_SHOWSELALWAYS) | (ReadOnly ? 0 : LVS_EDITLABELS) |
               (ShowColumnHeaders ? 0 : LVS_NOCOLUMNHEADER);
    P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::UpdateExStyle() {
    if (!HandleAllocated()) return;
    DWORD Ex = (FRowSelect ? LVS_EX_FULLROWSELECT : 0) | (GridLines ? LVS_EX_GRIDLINES : 0);
    SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES, Ex);
}

void TCustomListView::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    UpdateExStyle();
    SendMessageW(FHandle, LVM_SETBKCOLOR, 0, ColorToCOLORREF(FColor));
    SendMessageW(FHandle, LVM_SETTEXTBKCOLOR, 0, ColorToCOLORREF(FColor));
    SendMessageW(FHandle, LVM_SETTEXTCOLOR, 0, ColorToCOLORREF(FFont->Color()));
    if (FSmallImages) SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FSmallImages->Handle()));
    if (FLargeImages)
        SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(FLargeImages->Handle()));
    PushColumns();
    PushItems();
}

void TCustomListView::DestroyWnd() {
    // The selection lives on in the items.
    if (HandleAllocated())
        for (int I = 0; I < FItems->Count(); ++I) {
            TListItem* It = FItems->Item(I);
            It->FSelected = It->Selected();
            It->FFocused = It->Focused();
        }
    TWinControl::DestroyWnd();
}

void TCustomListView::PushColumns() {
    HWND W = Handle();
    while (SendMessageW(W, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (int I = 0; I < FColumns->Count(); ++I) {
        TListColumn* C = FColumns->Items(I);
        std::u16string T = cltext::ToUtf16(C->Caption());
        LVCOLUMNW LC{};
        LC.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        LC.pszText = reinterpret_cast<LPWSTR>(T.data());
        LC.cx = C->Width();
        LC.fmt = FmtOf(C->Alignment());
        LC.iSubItem = I;
        SendMessageW(W, LVM_INSERTCOLUMNW, I, reinterpret_cast<LPARAM>(&LC));
    }
}

void TCustomListView::InsertItemWindow(int Index) {
    if (!HandleAllocated() || FPushing) return;
    TListItem* Item = FItems->Item(Index);
    std::u16string T = cltext::ToUtf16(Item->FCaption);
    LVITEMW It{};
    It.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
    It.iItem = Index;
    It.pszText = reinterpret_cast<LPWSTR>(T.data());
    It.iImage = Item->FImageIndex;
    It.lParam = reinterpret_cast<LPARAM>(Item);
    It.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    It.state = (Item->FSelected ? LVIS_SELECTED : 0) | (Item->FFocused ? LVIS_FOCUSED : 0);
    SendMessageW(FHandle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&It));
    Item->Update();
}

void TCustomListView::PushItems() {
    SendMessageW(FHandle, LVM_DELETEALLITEMS, 0, 0);
    for (int I = 0; I < FItems->Count(); ++I) InsertItemWindow(I);
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
    if (Value == FViewStyle) return;
    FViewStyle = Value;
    RecreateWnd();
}

void TCustomListView::SetMultiSelect(bool Value) {
    if (Value == FMultiSelect) return;
    FMultiSelect = Value;
    RecreateWnd();
}

void TCustomListView::SetRowSelect(bool Value) {
    FRowSelect = Value;
    UpdateExStyle();
}

void TCustomListView::SetSmallImages(TCustomImageList* Value) {
    FSmallImages = Value;
    if (Value) Value->FreeNotification(this);
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(Value ? Value->Handle() : nullptr));
}

void TCustomListView::SetLargeImages(TCustomImageList* Value) {
    FLargeImages = Value;
    if (Value) Value->FreeNotification(this);
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(Value ? Value->Handle() : nullptr));
}

TDragImageList* TCustomListView::GetDragImages() {
    return FDragImage && FDragImage->Count() > 0 ? FDragImage.get() : nullptr;
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FSmallImages) SetSmallImages(nullptr);
    if (AComponent == FLargeImages) SetLargeImages(nullptr);
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, bool SelectedOnly) {
    int From = StartItem ? StartItem->Index() + 1 : 0;
    for (int I = From; I < FItems->Count(); ++I)
        if (!SelectedOnly || FItems->Item(I)->Selected()) return FItems->Item(I);
    return nullptr;
}

TListItem* TCustomListView::Selected() { return GetNextItem(/*StartItem=*/nullptr, /*SelectedOnly=*/true); }

void TCustomListView::SetSelected(TListItem* Item) {
    ClearSelection();
    if (Item) {
        Item->SetSelected(true);
        Item->SetFocused(true);
    }
}

TListItem* TCustomListView::ItemFocused() {
    for (int I = 0; I < FItems->Count(); ++I)
        if (FItems->Item(I)->Focused()) return FItems->Item(I);
    return nullptr;
}

int TCustomListView::ItemIndex() {
    TListItem* S = Selected();
    return S ? S->Index() : -1;
}

void TCustomListView::SetItemIndex(int Value) {
    SetSelected(Value >= 0 && Value < FItems->Count() ? FItems->Item(Value) : nullptr);
}

int TCustomListView::SelCount() {
    int N = 0;
    for (int I = 0; I < FItems->Count(); ++I)
        if (FItems->Item(I)->Selected()) ++N;
    return N;
}

void TCustomListView::ClearSelection() {
    for (int I = 0; I < FItems->Count(); ++I)
        if (FItems->Item(I)->Selected()) FItems->Item(I)->SetSelected(false);
}

void TCustomListView::SelectAll() {
    for (int I = 0; I < FItems->Count(); ++I) FItems->Item(I)->SetSelected(true);
}

TListItem* TCustomListView::GetItemAt(int X, int Y) {
    if (!HandleAllocated()) return nullptr;
    LVHITTESTINFO H{};
    H.pt = POINT{X, Y};
    int I = static_cast<int>(SendMessageW(FHandle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&H)));
    return I >= 0 && I < FItems->Count() && (H.flags & LVHT_ONITEM) ? FItems->Item(I) : nullptr;
}

bool TCustomListView::CustomSort(const std::function<int(TListItem*, TListItem*)>& Compare) {
    // Selection goes with the items through the window's rebuild.
    for (int I = 0; I < FItems->Count(); ++I) {
        TListItem* It = FItems->Item(I);
        It->FSelected = It->Selected();
        It->FFocused = It->Focused();
    }
    std::stable_sort(FItems->FItems.begin(), FItems->FItems.end(),
                     [&](const std::unique_ptr<TListItem>& A, const std::unique_ptr<TListItem>& B) {
                         return Compare(A.get(), B.get()) < 0;
                     });
    if (HandleAllocated()) PushItems();
    return true;
}

bool TCustomListView::AlphaSort() {
    return CustomSort([this](TListItem* A, TListItem* B) {
        int R = 0;
        if (OnCompare)
            OnCompare(this, A, B, 0, R);
        else
            R = CompareText(A->Caption(), B->Caption());
        return R;
    });
}

void TCustomListView::WndProc(TMessage& M) {
    if (M.Msg == CN_NOTIFY) {
        auto* N = reinterpret_cast<NMHDR*>(M.LParam);
        switch (N->code) {
            case LVN_ITEMCHANGED: {
                auto* L = reinterpret_cast<NMLISTVIEW*>(M.LParam);
                if (L->iItem >= 0 && L->iItem < FItems->Count() && (L->uChanged & LVIF_STATE)) {
                    TListItem* It = FItems->Item(L->iItem);
                    if (OnChange) OnChange(this, It, ctState);
                    bool Was = (L->uOldState & LVIS_SELECTED) != 0, Is = (L->uNewState & LVIS_SELECTED) != 0;
                    if (Was != Is && OnSelectItem) OnSelectItem(this, It, Is);
                }
                return;
            }
            case LVN_COLUMNCLICK: {
                auto* L = reinterpret_cast<NMLISTVIEW*>(M.LParam);
                if (OnColumnClick && L->iSubItem >= 0 && L->iSubItem < FColumns->Count())
                    OnColumnClick(this, FColumns->Items(L->iSubItem));
                return;
            }
            case LVN_BEGINDRAG:
                if (DragMode == dmAutomatic) {
                    // The item's picture follows the mouse, held where it was pressed.
                    auto* L = reinterpret_cast<NMLISTVIEW*>(M.LParam);
                    POINT P{};
                    auto Image = reinterpret_cast<HIMAGELIST>(
                        SendMessageW(FHandle, LVM_CREATEDRAGIMAGE, static_cast<WPARAM>(L->iItem), reinterpret_cast<LPARAM>(&P)));
                    if (!FDragImage) FDragImage = std::make_unique<TDragImageList>(nullptr);
                    FDragImage->EndDrag();
                    FDragImage->SetHandle(Image);
                    if (Image) FDragImage->SetDragImage(0, L->ptAction.x - P.x, L->ptAction.y - P.y);
                    BeginDrag(true);
                }
                return;
            case NM_CLICK: Click(); return;
            case NM_DBLCLK: DblClick(); return;
            default: break;
        }
        return;
    }
    // Clicks come as NM_CLICK; the mouse itself drags only through LVN_BEGINDRAG.
    if (M.Msg == WM_LBUTTONDOWN && DragMode == dmAutomatic) {
        TDragMode Saved = DragMode;
        DragMode = dmManual;
        TWinControl::WndProc(M);
        DragMode = Saved;
        return;
    }
    if (M.Msg == WM_LBUTTONUP && Dragging()) {
        EndDrag(true);
        DefaultHandler(M);
        return;
    }
    TWinControl::WndProc(M);
}

// ---- Status bar ---------------------------------------------------------------------------
void TStatusPanel::SetText(const std::string& Value) {
    FText = Value;
    Changed();
}
void TStatusPanel::SetWidth(int Value) {
    FWidth = Value;
    Changed();
}

void TStatusPanels::Update(TCollectionItem* Item) {
    TCollectionOf<TStatusPanel>::Update(Item);
    if (Item)
        FOwner->UpdatePanel(Item->Index());
    else
        FOwner->UpdatePanels();
}

TCustomStatusBar::TCustomStatusBar(TComponent* AOwner)
    : TWinControl(AOwner), FPanels(std::make_unique<TStatusPanels>(this)) {
    ControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks};
    FColor = clBtnFace;
    FHeight = 19;
    FWidth = 200;
    FAlign = alBottom;
}

TCustomStatusBar::~TCustomStatusBar() = default;

void TCustomStatusBar::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "msctls_statusbar32";
    // Our own alignment places the bar.
    P.Style |= StyleNoParentAlign | StyleNoResize | (SizeGrip ? SBARS_SIZEGRIP : 0);
}

void TCustomStatusBar::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    UpdatePanels();
}

void TCustomStatusBar::UpdatePanels() {
    if (!HandleAllocated()) return;
    SendMessageW(FHandle, SB_SIMPLE, FSimplePanel, 0);
    if (FSimplePanel) {
        std::u16string T = cltext::ToUtf16(FSimpleText);
        SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(T.c_str()));
        return;
    }
    std::vector<int> Edges;
    int X = 0;
    for (int I = 0; I < FPanels->Count(); ++I) {
        X += FPanels->Items(I)->Width();
        // The last panel reaches the end of the bar.
        Edges.push_back(I == FPanels->Count() - 1 ? -1 : X);
    }
    if (Edges.empty()) Edges.push_back(-1);
    SendMessageW(FHandle, SB_SETPARTS, Edges.size(), reinterpret_cast<LPARAM>(Edges.data()));
    for (int I = 0; I < FPanels->Count(); ++I) UpdatePanel(I);
}

void TCustomStatusBar::UpdatePanel(int Index) {
    if (!HandleAllocated() || FSimplePanel || Index < 0 || Index >= FPanels->Count()) return;
    TStatusPanel* P = FPanels->Items(Index);
    // Tabs in the text align it: one centres, two right-align.
    std::string Text = (P->Alignment == taCenter ? "\t" : P->Alignment == taRightJustify ? "\t\t" : "") + P->Text();
    std::u16string T = cltext::ToUtf16(Text);
    UINT Flags = static_cast<UINT>(Index) | (P->Bevel == pbNone ? SBT_NOBORDERS : P->Bevel == pbRaised ? SBT_POPOUT : 0) |
                 (P->Style == psOwnerDraw ? SBT_OWNERDRAW : 0);
    SendMessageW(FHandle, SB_SETTEXTW, Flags, reinterpret_cast<LPARAM>(T.c_str()));
}

void TCustomStatusBar::SetSimplePanel(bool Value) {
    FSimplePanel = Value;
    UpdatePanels();
}

void TCustomStatusBar::SetSimpleText(const std::string& Value) {
    FSimpleText = Value;
    if (FSimplePanel) UpdatePanels();
}

// ---- Progress bar ----------------------------------------------------------------------------
TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 150;
    FHeight = 16;
    FColor = clBtnFace;
}

void TProgressBar::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "msctls_progress32";
    P.Style |= (Smooth ? PBS_SMOOTH : 0) | (Orientation == pbVertical ? PBS_VERTICAL : 0);
}

void TProgressBar::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    SendMessageW(FHandle, PBM_SETRANGE32, FMin, FMax);
    SendMessageW(FHandle, PBM_SETSTEP, Step, 0);
    SendMessageW(FHandle, PBM_SETPOS, FPosition, 0);
}

void TProgressBar::SetRange(int AMin, int AMax) {
    FMin = AMin;
    FMax = AMax;
    FPosition = std::clamp(FPosition, FMin, std::max(FMin, FMax));
    if (HandleAllocated()) {
        SendMessageW(FHandle, PBM_SETRANGE32, FMin, FMax);
        SendMessageW(FHandle, PBM_SETPOS, FPosition, 0);
    }
}

void TProgressBar::SetPosition(int Value) {
    FPosition = std::clamp(Value, FMin, std::max(FMin, FMax));
    if (HandleAllocated()) SendMessageW(FHandle, PBM_SETPOS, FPosition, 0);
}

// ---- Track bar -----------------------------------------------------------------------------------
TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 150;
    FHeight = 45;
    TabStop = true;
    FColor = clBtnFace;
}

void TTrackBar::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "msctls_trackbar32";
    P.Style |= (Orientation == trVertical ? TBS_VERT : TBS_HORZ) |
               (TickStyle == tsNone ? TBS_NOTICKS : TickStyle == tsAuto ? TBS_AUTOTICKS : 0) |
               (TickMarks == tmBoth ? TBS_BOTH : TickMarks == tmTopLeft ? TBS_TOP : TBS_BOTTOM);
}

void TTrackBar::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    SendMessageW(FHandle, TBM_SETRANGEMIN, FALSE, FMin);
    SendMessageW(FHandle, TBM_SETRANGEMAX, FALSE, FMax);
    SendMessageW(FHandle, TBM_SETTICFREQ, Frequency, 0);
    SendMessageW(FHandle, TBM_SETLINESIZE, 0, LineSize);
    SendMessageW(FHandle, TBM_SETPAGESIZE, 0, PageSize);
    SendMessageW(FHandle, TBM_SETPOS, TRUE, FPosition);
}

int TTrackBar::Position() {
    if (HandleAllocated()) FPosition = static_cast<int>(SendMessageW(FHandle, TBM_GETPOS, 0, 0));
    return FPosition;
}

void TTrackBar::SetRange(int AMin, int AMax) {
    FMin = AMin;
    FMax = AMax;
    if (HandleAllocated()) {
        SendMessageW(FHandle, TBM_SETRANGEMIN, FALSE, FMin);
        SendMessageW(FHandle, TBM_SETRANGEMAX, TRUE, FMax);
    }
    SetPosition(FPosition);
}

void TTrackBar::SetPosition(int Value) {
    Value = std::clamp(Value, FMin, std::max(FMin, FMax));
    bool Changed = Value != Position();
    FPosition = Value;
    if (HandleAllocated()) SendMessageW(FHandle, TBM_SETPOS, TRUE, FPosition);
    if (Changed && !ComponentState().Contains(csLoading) && OnChange) OnChange(this);
}

void TTrackBar::WndProc(TMessage& M) {
    if (M.Msg == CN_HSCROLL || M.Msg == CN_VSCROLL) {
        int Old = FPosition;
        FPosition = static_cast<int>(SendMessageW(FHandle, TBM_GETPOS, 0, 0));
        if (FPosition != Old && OnChange) OnChange(this);
        return;
    }
    TWinControl::WndProc(M);
}

// ---- Up-down -------------------------------------------------------------------------------------------
TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 17;
    FHeight = 25;
    FColor = clBtnFace;
}

void TUpDown::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "msctls_updown32";
    P.Style |= (Wrap ? UDS_WRAP : 0) | (ArrowKeys ? UDS_ARROWKEYS : 0) | (Thousands ? 0 : UDS_NOTHOUSANDS);
}

void TUpDown::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    SendMessageW(FHandle, UDM_SETRANGE32, Min, Max);
    SendMessageW(FHandle, UDM_SETPOS32, 0, FPosition);
    UDACCEL A{0, static_cast<UINT>(Increment)};
    SendMessageW(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&A));
}

int TUpDown::Position() {
    if (HandleAllocated()) FPosition = static_cast<int>(SendMessageW(FHandle, UDM_GETPOS32, 0, 0));
    return FPosition;
}

void TUpDown::SetPosition(int Value) {
    FPosition = std::clamp(Value, std::min(Min, Max), std::max(Min, Max));
    if (HandleAllocated()) SendMessageW(FHandle, UDM_SETPOS32, 0, FPosition);
    UpdateAssociate();
}

void TUpDown::SetAssociate(TWinControl* Value) {
    FAssociate = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    // The buttons sit at the side of their edit, as tall as it.
    if (!ComponentState().Contains(csLoading)) {
        int X = AlignButton == udRight ? Value->Left() + Value->Width() : Value->Left() - Width();
        SetBounds(X, Value->Top(), Width(), Value->Height());
    }
    UpdateAssociate();
}

void TUpDown::UpdateAssociate() {
    if (FAssociate && !ComponentState().Contains(csLoading)) FAssociate->SetText(IntToStr(FPosition));
}

void TUpDown::Loaded() {
    TWinControl::Loaded();
    if (FAssociate) SetAssociate(FAssociate);
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

void TUpDown::WndProc(TMessage& M) {
    if (M.Msg == CN_NOTIFY) {
        auto* N = reinterpret_cast<NMHDR*>(M.LParam);
        if (N->code == UDN_DELTAPOS) {
            auto* U = reinterpret_cast<NMUPDOWN*>(M.LParam);
            bool Allow = true;
            if (OnChanging) OnChanging(this, Allow);
            M.Result = Allow ? 0 : 1;
            if (Allow) {
                int New = U->iPos + U->iDelta;
                if (Wrap && New > Max) New = Min;
                if (Wrap && New < Min) New = Max;
                FPosition = std::clamp(New, std::min(Min, Max), std::max(Min, Max));
                UpdateAssociate();
                if (OnClick) OnClick(this, U->iDelta > 0 ? btNext : btPrev);
            }
        }
        return;
    }
    if (M.Msg == CN_VSCROLL || M.Msg == CN_HSCROLL) return;
    TWinControl::WndProc(M);
}

// ---- Page control ----------------------------------------------------------------------------------------
TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
    ParentBackground = true;
    ControlStyle = {csAcceptsControls, csClickEvents, csDoubleClicks, csCustomPaint};
    FAlign = alClient;
    FColor = clBtnFace;
    FVisible = false;
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
    if (Value == FPageControl) return;
    if (FPageControl) FPageControl->RemovePage(this);
    SetParent(Value);
    if (Value) Value->InsertPage(this);
}

void TTabSheet::SetParentComponent(TComponent* Value) {
    if (auto* P = dynamic_cast<TPageControl*>(Value)) SetPageControl(P);
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    auto& L = FPageControl->FPages;
    auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

void TTabSheet::TextChanged() {
    if (FPageControl) FPageControl->UpdateTabs();
}

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TWinControl(AOwner) {}

DWORD TCustomTabControl::TabStyles() const {
    static constexpr DWORD Position[] = {TCS_TABS, TCS_BOTTOM, TCS_VERTICAL, TCS_VERTICAL | TCS_RIGHT};
    static constexpr DWORD Look[] = {TCS_TABS, TCS_BUTTONS, TCS_BUTTONS | TCS_FLATBUTTONS};
    return Position[FTabPosition] | Look[FStyle];
}

void TCustomTabControl::CreateParams(TCreateParams& P) {
    TWinControl::CreateParams(P);
    P.BaseClassName = "SysTabControl32";
    P.Style |= TabStyles();
}

void TCustomTabControl::ApplyTabStyles() {
    if (!HandleAllocated()) return;
    constexpr DWORD Mask = TCS_BOTTOM | TCS_VERTICAL | TCS_BUTTONS | TCS_FLATBUTTONS;
    DWORD S = static_cast<DWORD>(GetWindowLongW(FHandle, GWL_STYLE));
    SetWindowLongW(FHandle, GWL_STYLE, static_cast<LONG>((S & ~Mask) | TabStyles()));
    Realign();
    Invalidate();
}

void TCustomTabControl::SetTabPosition(TTabPosition Value) {
    if (Value == FTabPosition) return;
    FTabPosition = Value;
    ApplyTabStyles();
}

void TCustomTabControl::SetStyle(TTabStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    ApplyTabStyles();
}

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {
    ControlStyle = {csAcceptsControls, csDoubleClicks};
    FWidth = 289;
    FHeight = 193;
    TabStop = true;
    FColor = clBtnFace;
}

TPageControl::~TPageControl() {
    // The sheets go with our window part; they must not call back into us.
    for (TTabSheet* P : FPages) P->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TPageControl::CreateParams(TCreateParams& P) {
    TCustomTabControl::CreateParams(P);
    P.Style |= WS_CLIPCHILDREN;
}

void TPageControl::CreateWindowHandle(const TCreateParams& P) {
    TWinControl::CreateWindowHandle(P);
    UpdateTabs();
}

TRect TPageControl::ClientRect() {
    TRect R = TWinControl::ClientRect();
    if (HandleAllocated()) {
        RECT A = R;
        SendMessageW(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&A));
        if (A.right > A.left && A.bottom > A.top) return TRect(A);
    }
    // Before the window: the usual tab height and border.
    R.left += 4;
    R.top += 24;
    R.right -= 4;
    R.bottom -= 4;
    if (R.right < R.left) R.right = R.left;
    if (R.bottom < R.top) R.bottom = R.top;
    return R;
}

void TPageControl::InsertPage(TTabSheet* Page) {
    FPages.push_back(Page);
    Page->FPageControl = this;
    UpdateTabs();
    if (!FActivePage && !ComponentState().Contains(csLoading)) SetActivePage(Page);
}

void TPageControl::RemovePage(TTabSheet* Page) {
    FPages.erase(std::remove(FPages.begin(), FPages.end(), Page), FPages.end());
    Page->FPageControl = nullptr;
    if (FActivePage == Page) FActivePage = nullptr;
    if (!ComponentState().Contains(csDestroying)) {
        UpdateTabs();
        if (!FActivePage && !FPages.empty()) SetActivePage(FPages.front());
    }
}

void TPageControl::UpdateTabs() {
    if (!HandleAllocated()) return;
    SendMessageW(FHandle, TCM_DELETEALLITEMS, 0, 0);
    int N = 0;
    for (TTabSheet* P : FPages) {
        if (!P->TabVisible) continue;
        std::u16string T = cltext::ToUtf16(P->Caption());
        TCITEMW It{};
        It.mask = TCIF_TEXT | TCIF_PARAM;
        It.pszText = reinterpret_cast<LPWSTR>(T.data());
        It.lParam = reinterpret_cast<LPARAM>(P);
        SendMessageW(FHandle, TCM_INSERTITEMW, N++, reinterpret_cast<LPARAM>(&It));
    }
    if (FActivePage) {
        int Tab = 0;
        for (TTabSheet* P : FPages) {
            if (P == FActivePage) break;
            if (P->TabVisible) ++Tab;
        }
        SendMessageW(FHandle, TCM_SETCURSEL, Tab, 0);
    }
    Realign();
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
    SetActivePage(Value >= 0 && Value < PageCount() ? FPages[Value] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* Value) {
    if (Value && Value->FPageControl != this) return;
    if (ComponentState().Contains(csLoading)) {
        FActivePage = Value;
        return;
    }
    if (FActivePage && FActivePage != Value) FActivePage->SetVisible(false);
    FActivePage = Value;
    if (Value) {
        Value->SetVisible(true);
        Value->BringToFront();
    }
    UpdateTabs();
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    TTabSheet* A = FActivePage ? FActivePage : (FPages.empty() ? nullptr : FPages.front());
    FActivePage = nullptr;
    for (TTabSheet* P : FPages) P->SetVisible(false);
    SetActivePage(A);
}

void TPageControl::WndProc(TMessage& M) {
    if (M.Msg == CN_NOTIFY) {
        auto* N = reinterpret_cast<NMHDR*>(M.LParam);
        if (N->code == TCN_SELCHANGING) {
            bool Allow = true;
            if (OnChanging) OnChanging(this, Allow);
            M.Result = Allow ? 0 : 1;
            return;
        }
        if (N->code == TCN_SELCHANGE) {
            int Tab = static_cast<int>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
            int Seen = 0;
            for (TTabSheet* P : FPages) {
                if (!P->TabVisible) continue;
                if (Seen++ == Tab) {
                    SetActivePage(P);
                    break;
                }
            }
            if (OnChange) OnChange(this);
        }
        return;
    }
    TCustomTabControl::WndProc(M);
}

// ---- Class tables ---------------------------------------------------------------------------------------------
TClassInfo& TCustomImageList::StaticClassInfo() {
    static TClassInfo CI("TCustomImageList", &TComponent::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TCustomImageList>;
        C.Define<TCustomImageList>("Width", S([](TCustomImageList& O, const TFormValue& V, TFormReader& R) {
                                       O.SetWidth(static_cast<int>(R.Int(V)));
                                   }));
        C.Define<TCustomImageList>("Height", S([](TCustomImageList& O, const TFormValue& V, TFormReader& R) {
                                       O.SetHeight(static_cast<int>(R.Int(V)));
                                   }));
        C.Define<TCustomImageList>("Masked", S([](TCustomImageList& O, const TFormValue& V, TFormReader& R) {
                                       O.Masked = R.Bool(V);
                                   }));
        C.Define<TCustomImageList>("AllocBy", S([](TCustomImageList& O, const TFormValue& V, TFormReader& R) {
                                       O.AllocBy = static_cast<int>(R.Int(V));
                                   }));
        C.Define<TCustomImageList>("BkColor", S([](TCustomImageList& O, const TFormValue& V, TFormReader& R) {
                                       O.BkColor = ControlProps::ReadColor(R, V);
                                   }));
        C.Define<TCustomImageList>("Bitmap", S([](TCustomImageList& O, const TFormValue& V, TFormReader& R) {
                                       O.ReadBitmapData(R.Binary(V), R.FileName(), R.Line());
                                   }));
        C.Define<TCustomImageList>("DrawingStyle", S([](TCustomImageList& O, const TFormValue& V, TFormReader& R) {
                                       O.DrawingStyle = R.Enum<TDrawingStyle>(
                                           V, {"dsFocus", "dsSelected", "dsNormal", "dsTransparent"});
                                   }));
    });
    return CI;
}

TClassInfo& TDragImageList::StaticClassInfo() {
    static TClassInfo CI("TDragImageList", &TCustomImageList::StaticClassInfo(), CreateComponentOf<TDragImageList>);
    return CI;
}

TClassInfo& TImageList::StaticClassInfo() {
    static TClassInfo CI("TImageList", &TDragImageList::StaticClassInfo(), CreateComponentOf<TImageList>);
    return CI;
}

TClassInfo& TCustomListView::StaticClassInfo() {
    static TClassInfo CI("TCustomListView", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TCustomListView>;
        C.Define<TCustomListView>("Columns", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      if (V.kind != TFormValue::vaCollection) R.Error(R.PropertyPath() + ": a collection is expected");
                                      static TClassInfo ColumnInfo("TListColumn", /*Parent=*/nullptr, /*Create=*/nullptr, [](TClassInfo& CC) {
                                          using CS = TSetter<TListColumn>;
                                          CC.Define<TListColumn>("Caption", CS([](TListColumn& X, const TFormValue& V, TFormReader& R) {
                                                                     X.SetCaption(R.String(V));
                                                                 }));
                                          CC.Define<TListColumn>("Width", CS([](TListColumn& X, const TFormValue& V, TFormReader& R) {
                                                                     X.SetWidth(static_cast<int>(R.Int(V)));
                                                                 }));
                                          CC.Define<TListColumn>("Alignment", CS([](TListColumn& X, const TFormValue& V, TFormReader& R) {
                                                                     X.SetAlignment(R.Enum<TAlignment>(V, {"taLeftJustify", "taRightJustify", "taCenter"}));
                                                                 }));
                                          CC.Define<TListColumn>("AutoSize", CS([](TListColumn& X, const TFormValue& V, TFormReader& R) {
                                                                     X.AutoSize = R.Bool(V);
                                                                 }));
                                          CC.Define<TListColumn>("ImageIndex", CS([](TListColumn& X, const TFormValue& V, TFormReader& R) {
                                                                     X.ImageIndex = static_cast<int>(R.Int(V));
                                                                 }));
                                          CC.Define<TListColumn>("MinWidth", CS([](TListColumn& X, const TFormValue& V, TFormReader& R) {
                                                                     X.MinWidth = static_cast<int>(R.Int(V));
                                                                 }));
                                          CC.Define<TListColumn>("MaxWidth", CS([](TListColumn& X, const TFormValue& V, TFormReader& R) {
                                                                     X.MaxWidth = static_cast<int>(R.Int(V));
                                                                 }));
                                      });
                                      O.Columns().Clear();
                                      std::string Path = R.PropertyPath();
                                      for (const auto& Item : V.Items)
                                          R.SetProperties(*O.Columns().Add(), ColumnInfo, Item, Path);
                                  }));
        C.Define<TCustomListView>("ViewStyle", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.SetViewStyle(R.Enum<TViewStyle>(V, {"vsIcon", "vsSmallIcon", "vsList", "vsReport"}));
                                  }));
        C.Define<TCustomListView>("MultiSelect", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.SetMultiSelect(R.Bool(V));
                                  }));
        C.Define<TCustomListView>("RowSelect", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.SetRowSelect(R.Bool(V));
                                  }));
        C.Define<TCustomListView>("ReadOnly", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.ReadOnly = R.Bool(V);
                                  }));
        C.Define<TCustomListView>("HideSelection", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.HideSelection = R.Bool(V);
                                  }));
        C.Define<TCustomListView>("ShowColumnHeaders", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.ShowColumnHeaders = R.Bool(V);
                                  }));
        C.Define<TCustomListView>("GridLines", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.GridLines = R.Bool(V);
                                  }));
        C.Define<TCustomListView>("SmallImages", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      R.Reference(V, [&O](TComponent* X) { O.SetSmallImages(dynamic_cast<TCustomImageList*>(X)); });
                                  }));
        C.Define<TCustomListView>("LargeImages", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      R.Reference(V, [&O](TComponent* X) { O.SetLargeImages(dynamic_cast<TCustomImageList*>(X)); });
                                  }));
        C.Define<TCustomListView>("OnChange", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.OnChange = R.Method<TLVChangeEvent>(V);
                                  }));
        C.Define<TCustomListView>("OnSelectItem", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.OnSelectItem = R.Method<TLVSelectItemEvent>(V);
                                  }));
        C.Define<TCustomListView>("OnColumnClick", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.OnColumnClick = R.Method<TLVColumnClickEvent>(V);
                                  }));
        C.Define<TCustomListView>("OnCompare", S([](TCustomListView& O, const TFormValue& V, TFormReader& R) {
                                      O.OnCompare = R.Method<TLVCompareEvent>(V);
                                  }));
        for (const char* Ignored : {"ColumnClick", "IconOptions.AutoArrange"})
            C.Define(Ignored, [](TPersistent&, const TFormValue&, TFormReader&) {});
    });
    return CI;
}

TClassInfo& TListView::StaticClassInfo() {
    static TClassInfo CI("TListView", &TCustomListView::StaticClassInfo(), CreateComponentOf<TListView>);
    return CI;
}

TClassInfo& TCustomStatusBar::StaticClassInfo() {
    static TClassInfo CI("TCustomStatusBar", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        C.PublishString<TCustomStatusBar>("SimpleText", [](TCustomStatusBar& O) { return O.SimpleText(); },
                                          [](TCustomStatusBar& O, const std::string& V) { O.SetSimpleText(V); });
        using S = TSetter<TCustomStatusBar>;
        C.Define<TCustomStatusBar>("Panels", S([](TCustomStatusBar& O, const TFormValue& V, TFormReader& R) {
                                       if (V.kind != TFormValue::vaCollection) R.Error(R.PropertyPath() + ": a collection is expected");
                                       static TClassInfo PanelInfo("TStatusPanel", /*Parent=*/nullptr, /*Create=*/nullptr, [](TClassInfo& PC) {
                                           using PS = TSetter<TStatusPanel>;
                                           PC.Define<TStatusPanel>("Text", PS([](TStatusPanel& X, const TFormValue& V, TFormReader& R) {
                                                                       X.SetText(R.String(V));
                                                                   }));
                                           PC.Define<TStatusPanel>("Width", PS([](TStatusPanel& X, const TFormValue& V, TFormReader& R) {
                                                                       X.SetWidth(static_cast<int>(R.Int(V)));
                                                                   }));
                                           PC.Define<TStatusPanel>("Alignment", PS([](TStatusPanel& X, const TFormValue& V, TFormReader& R) {
                                                                       X.Alignment = R.Enum<TAlignment>(V, {"taLeftJustify", "taRightJustify", "taCenter"});
                                                                   }));
                                           PC.Define<TStatusPanel>("Bevel", PS([](TStatusPanel& X, const TFormValue& V, TFormReader& R) {
                                                                       X.Bevel = R.Enum<TStatusPanelBevel>(V, {"pbNone", "pbLowered", "pbRaised"});
                                                                   }));
                                           PC.Define<TStatusPanel>("Style", PS([](TStatusPanel& X, const TFormValue& V, TFormReader& R) {
                                                                       X.Style = R.Enum<TStatusPanelStyle>(V, {"psText", "psOwnerDraw"});
                                                                   }));
                                       });
                                       O.Panels().Clear();
                                       std::string Path = R.PropertyPath();
                                       for (const auto& Item : V.Items) R.SetProperties(*O.Panels().Add(), PanelInfo, Item, Path);
                                   }));
        C.Define<TCustomStatusBar>("SimplePanel", S([](TCustomStatusBar& O, const TFormValue& V, TFormReader& R) {
                                       O.SetSimplePanel(R.Bool(V));
                                   }));
        C.Define<TCustomStatusBar>("SimpleText", S([](TCustomStatusBar& O, const TFormValue& V, TFormReader& R) {
                                       O.SetSimpleText(R.String(V));
                                   }));
        C.Define<TCustomStatusBar>("SizeGrip", S([](TCustomStatusBar& O, const TFormValue& V, TFormReader& R) {
                                       O.SizeGrip = R.Bool(V);
                                   }));
    });
    return CI;
}

TClassInfo& TStatusBar::StaticClassInfo() {
    static TClassInfo CI("TStatusBar", &TCustomStatusBar::StaticClassInfo(), CreateComponentOf<TStatusBar>);
    return CI;
}

TClassInfo& TProgressBar::StaticClassInfo() {
    static TClassInfo CI("TProgressBar", &TWinControl::StaticClassInfo(), CreateComponentOf<TProgressBar>, [](TClassInfo& C) {
        using S = TSetter<TProgressBar>;
        C.Define<TProgressBar>("Min", S([](TProgressBar& O, const TFormValue& V, TFormReader& R) { O.SetMin(int(R.Int(V))); }));
        C.Define<TProgressBar>("Max", S([](TProgressBar& O, const TFormValue& V, TFormReader& R) { O.SetMax(int(R.Int(V))); }));
        C.Define<TProgressBar>("Position", S([](TProgressBar& O, const TFormValue& V, TFormReader& R) { O.SetPosition(int(R.Int(V))); }));
        C.Define<TProgressBar>("Step", S([](TProgressBar& O, const TFormValue& V, TFormReader& R) { O.Step = int(R.Int(V)); }));
        C.Define<TProgressBar>("Smooth", S([](TProgressBar& O, const TFormValue& V, TFormReader& R) { O.Smooth = R.Bool(V); }));
        C.Define<TProgressBar>("Orientation", S([](TProgressBar& O, const TFormValue& V, TFormReader& R) {
                                   O.Orientation = R.Enum<TProgressBarOrientation>(V, {"pbHorizontal", "pbVertical"});
                               }));
    });
    return CI;
}

TClassInfo& TTrackBar::StaticClassInfo() {
    static TClassInfo CI("TTrackBar", &TWinControl::StaticClassInfo(), CreateComponentOf<TTrackBar>, [](TClassInfo& C) {
        using S = TSetter<TTrackBar>;
        C.Define<TTrackBar>("Min", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) { O.SetMin(int(R.Int(V))); }));
        C.Define<TTrackBar>("Max", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) { O.SetMax(int(R.Int(V))); }));
        C.Define<TTrackBar>("Position", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) { O.SetPosition(int(R.Int(V))); }));
        C.Define<TTrackBar>("Frequency", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) { O.Frequency = int(R.Int(V)); }));
        C.Define<TTrackBar>("LineSize", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) { O.LineSize = int(R.Int(V)); }));
        C.Define<TTrackBar>("PageSize", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) { O.PageSize = int(R.Int(V)); }));
        C.Define<TTrackBar>("Orientation", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) {
                                O.Orientation = R.Enum<TTrackBarOrientation>(V, {"trHorizontal", "trVertical"});
                            }));
        C.Define<TTrackBar>("TickStyle", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) {
                                O.TickStyle = R.Enum<TTickStyle>(V, {"tsNone", "tsAuto", "tsManual"});
                            }));
        C.Define<TTrackBar>("TickMarks", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) {
                                O.TickMarks = R.Enum<TTickMark>(V, {"tmBottomRight", "tmTopLeft", "tmBoth"});
                            }));
        C.Define<TTrackBar>("OnChange", S([](TTrackBar& O, const TFormValue& V, TFormReader& R) {
                                O.OnChange = R.Method<TNotifyEvent>(V);
                            }));
    });
    return CI;
}

TClassInfo& TUpDown::StaticClassInfo() {
    static TClassInfo CI("TUpDown", &TWinControl::StaticClassInfo(), CreateComponentOf<TUpDown>, [](TClassInfo& C) {
        using S = TSetter<TUpDown>;
        C.Define<TUpDown>("Min", S([](TUpDown& O, const TFormValue& V, TFormReader& R) { O.Min = int(R.Int(V)); }));
        C.Define<TUpDown>("Max", S([](TUpDown& O, const TFormValue& V, TFormReader& R) { O.Max = int(R.Int(V)); }));
        C.Define<TUpDown>("Position", S([](TUpDown& O, const TFormValue& V, TFormReader& R) { O.SetPosition(int(R.Int(V))); }));
        C.Define<TUpDown>("Increment", S([](TUpDown& O, const TFormValue& V, TFormReader& R) { O.Increment = int(R.Int(V)); }));
        C.Define<TUpDown>("Wrap", S([](TUpDown& O, const TFormValue& V, TFormReader& R) { O.Wrap = R.Bool(V); }));
        C.Define<TUpDown>("ArrowKeys", S([](TUpDown& O, const TFormValue& V, TFormReader& R) { O.ArrowKeys = R.Bool(V); }));
        C.Define<TUpDown>("Thousands", S([](TUpDown& O, const TFormValue& V, TFormReader& R) { O.Thousands = R.Bool(V); }));
        C.Define<TUpDown>("AlignButton", S([](TUpDown& O, const TFormValue& V, TFormReader& R) {
                              O.AlignButton = R.Enum<TUDAlignButton>(V, {"udLeft", "udRight"});
                          }));
        C.Define<TUpDown>("Associate", S([](TUpDown& O, const TFormValue& V, TFormReader& R) {
                              R.Reference(V, [&O](TComponent* X) { O.SetAssociate(dynamic_cast<TWinControl*>(X)); });
                          }));
        C.Define<TUpDown>("OnClick", S([](TUpDown& O, const TFormValue& V, TFormReader& R) {
                              O.OnClick = R.Method<TUDClickEvent>(V);
                          }));
        C.Define<TUpDown>("OnChanging", S([](TUpDown& O, const TFormValue& V, TFormReader& R) {
                              O.OnChanging = R.Method<TUDChangingEvent>(V);
                          }));
    });
    return CI;
}

TClassInfo& TTabSheet::StaticClassInfo() {
    static TClassInfo CI("TTabSheet", &TCustomControl::StaticClassInfo(), CreateComponentOf<TTabSheet>, [](TClassInfo& C) {
        using S = TSetter<TTabSheet>;
        PublishCaption(C);
        PublishParentBackground(C);
        C.PublishInteger<TTabSheet>("ImageIndex", [](TTabSheet& O) -> int64_t { return O.ImageIndex; });
        C.Define<TTabSheet>("TabVisible", S([](TTabSheet& O, const TFormValue& V, TFormReader& R) { O.TabVisible = R.Bool(V); }));
        C.Define<TTabSheet>("ImageIndex", S([](TTabSheet& O, const TFormValue& V, TFormReader& R) { O.ImageIndex = int(R.Int(V)); }));
        C.Define<TTabSheet>("PageIndex", S([](TTabSheet&, const TFormValue&, TFormReader&) {}));
    });
    return CI;
}

TClassInfo& TCustomTabControl::StaticClassInfo() {
    static TClassInfo CI("TCustomTabControl", &TWinControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TCustomTabControl>;
        C.PublishEnum<TCustomTabControl>("TabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"},
                                         [](TCustomTabControl& O) -> int64_t { return O.TabPosition(); },
                                         [](TCustomTabControl& O, int64_t V) { O.SetTabPosition(static_cast<TTabPosition>(V)); });
        C.Define<TCustomTabControl>("TabPosition", S([](TCustomTabControl& O, const TFormValue& V, TFormReader& R) {
                                        O.SetTabPosition(R.Enum<TTabPosition>(V, {"tpTop", "tpBottom", "tpLeft", "tpRight"}));
                                    }));
        C.Define<TCustomTabControl>("Style", S([](TCustomTabControl& O, const TFormValue& V, TFormReader& R) {
                                        O.SetStyle(R.Enum<TTabStyle>(V, {"tsTabs", "tsButtons", "tsFlatButtons"}));
                                    }));
    });
    return CI;
}

TClassInfo& TPageControl::StaticClassInfo() {
    static TClassInfo CI("TPageControl", &TCustomTabControl::StaticClassInfo(), CreateComponentOf<TPageControl>, [](TClassInfo& C) {
        using S = TSetter<TPageControl>;
        C.Define<TPageControl>("ActivePage", S([](TPageControl& O, const TFormValue& V, TFormReader& R) {
                                   R.Reference(V, [&O](TComponent* X) { O.SetActivePage(dynamic_cast<TTabSheet*>(X)); });
                               }));
        C.Define<TPageControl>("OnChange", S([](TPageControl& O, const TFormValue& V, TFormReader& R) {
                                   O.OnChange = R.Method<TNotifyEvent>(V);
                               }));
        C.Define<TPageControl>("OnChanging", S([](TPageControl& O, const TFormValue& V, TFormReader& R) {
                                   O.OnChanging = R.Method<std::function<void(TObject*, bool&)>>(V);
                               }));
    });
    return CI;
}

void RegisterComCtrlsClasses() {
    RegisterClasses({&TImageList::StaticClassInfo(), &TListView::StaticClassInfo(), &TStatusBar::StaticClassInfo(),
                     &TProgressBar::StaticClassInfo(), &TTrackBar::StaticClassInfo(), &TUpDown::StaticClassInfo(),
                     &TTabSheet::StaticClassInfo(), &TPageControl::StaticClassInfo()});
}

std::unique_ptr<TControlActionLink> TCustomListView::CreateActionLink() { return std::make_unique<TListViewActionLink>(this); }
