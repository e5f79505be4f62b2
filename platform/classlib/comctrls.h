// Common controls: image lists, list views (report view), status bars,
// progress bars, track bars, up-down buttons and page controls. Items and
// settings are kept in the objects and pushed into the windows.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/controls.h"
#include "platform/classlib/extctrls.h"


// ---- Image lists -----------------------------------------------------------------
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TCustomImageList : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TCustomImageList(TComponent* AOwner);
    ~TCustomImageList() override;
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetSize(int AWidth, int AHeight);  // clears the images
    void SetWidth(int Value) { SetSize(Value, FHeight); }
    void SetHeight(int Value) { SetSize(FWidth, Value); }
    bool Masked = true;
    TColor BkColor = clNone;
    TDrawingStyle DrawingStyle = dsNormal;
    int AllocBy = 4;
    // Adds as many images as the bitmap is wide; the index of the first.
    int Add(TBitmap* Image, TBitmap* Mask);
    // Pixels of MaskColor are transparent.
    int AddMasked(TBitmap* Image, TColor MaskColor);
    void Delete(int Index);
    void Clear();
    int Count() const;
    void Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled = true);
    HIMAGELIST Handle();
    // Takes over an image list of the platform (its size becomes the list's).
    void SetHandle(HIMAGELIST Value);
    TNotifyEvent OnChange;

    // The images as form files keep them ("Bitmap = {...}"): a BMP file whose
    // cells of Width x Height, left to right and then row by row, are the
    // images; a 32-bit file's alpha gives the transparent pixels (alpha below
    // 128), else a second BMP file that may follow is the mask (non-black:
    // transparent). They replace the list's images; while the form is read
    // they wait for Loaded, when the size is known. EInvalidGraphic for data
    // that is no such bitmap or smaller than one image (EFormFileError naming
    // FileName and Line when the form file gave them).
    void ReadBitmapData(const std::vector<unsigned char>& Data, const std::string& FileName = {}, int Line = 0);
    void Loaded() override;

private:
    void Changed();
    void AddPendingImages();
    int FWidth = 16, FHeight = 16;
    HIMAGELIST FHandle = nullptr;
    std::unique_ptr<TBitmap> FPendingImage, FPendingMask;
    std::string FPendingFile;
    int FPendingLine = 0;
};

// An image list whose image can follow the mouse while a control is dragged.
class TDragImageList : public TCustomImageList {
    TESSARO_CLASSINFO
public:
    explicit TDragImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
    ~TDragImageList() override;
    // The image shown and its hot spot (the point of the image under the mouse).
    bool SetDragImage(int Index, int HotSpotX, int HotSpotY);
    int DragIndex() const { return FDragIndex; }
    POINT DragHotspot() const { return FDragHotspot; }
    // X, Y are relative to Window's window rectangle (the screen for nullptr).
    bool BeginDrag(HWND Window, int X, int Y);
    bool DragMove(int X, int Y);
    void ShowDragImage();
    void HideDragImage();
    bool EndDrag();
    bool Dragging() const { return FDragging; }

private:
    int FDragIndex = 0;
    POINT FDragHotspot{};
    bool FDragging = false;
};

class TImageList : public TDragImageList {
    TESSARO_CLASSINFO
public:
    explicit TImageList(TComponent* AOwner) : TDragImageList(AOwner) {}
};

// ---- List view ---------------------------------------------------------------------
class TCustomListView;
class TListItems;

class TListColumn : public TCollectionItem {
public:
    explicit TListColumn(TCollection* Collection) : TCollectionItem(Collection) {}
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoSize = false;
    int ImageIndex = -1;
    int MinWidth = 0, MaxWidth = 0;

private:
    std::string FCaption;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
};

class TListColumns : public TCollectionOf<TListColumn> {
public:
    explicit TListColumns(TCustomListView* Owner) : FOwner(Owner) {}
    TCustomListView* Owner() const { return FOwner; }

protected:
    void Update(TCollectionItem* Item) override;

private:
    TCustomListView* FOwner;
};

class TListItem : public TPersistent {
public:
    TListItem(TListItems* Owner);
    ~TListItem() override;
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    TStrings& SubItems() { return *FSubItems; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    void* Data = nullptr;
    bool Selected() const;
    void SetSelected(bool Value);
    bool Focused() const;
    void SetFocused(bool Value);
    int Index() const;
    TCustomListView* ListView() const;
    void Delete();
    void MakeVisible(bool PartialOK = false);
    // Pushes caption, image and sub-items into the window.
    void Update();

private:
    friend class TListItems;
    friend class TCustomListView;
    TListItems* FOwner;
    std::string FCaption;
    std::unique_ptr<TStrings> FSubItems;
    int FImageIndex = -1;
    bool FSelected = false, FFocused = false;  // while there is no window
};

class TListItems : public TPersistent {
public:
    explicit TListItems(TCustomListView* Owner) : FOwner(Owner) {}
    ~TListItems() override;
    int Count() const { return static_cast<int>(FItems.size()); }
    TListItem* Item(int Index) const;
    TListItem* operator[](int Index) const { return Item(Index); }
    TListItem* Add();
    TListItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    int IndexOf(const TListItem* Item) const;
    void BeginUpdate();
    void EndUpdate();
    TCustomListView* Owner() const { return FOwner; }

private:
    friend class TCustomListView;
    friend class TListItem;
    TCustomListView* FOwner;
    std::vector<std::unique_ptr<TListItem>> FItems;
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };

using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;

class TCustomListView : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomListView(TComponent* AOwner);
    ~TCustomListView() override;
    TListColumns& Columns() { return *FColumns; }
    TListItems& Items() { return *FItems; }
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool ReadOnly = false;
    bool HideSelection = true;
    bool ShowColumnHeaders = true;
    bool GridLines = false;
    TCustomImageList* SmallImages() const { return FSmallImages; }
    void SetSmallImages(TCustomImageList* Value);
    TCustomImageList* LargeImages() const { return FLargeImages; }
    void SetLargeImages(TCustomImageList* Value);
    // The first selected item, nullptr when none.
    TListItem* Selected();
    void SetSelected(TListItem* Item);
    TListItem* ItemFocused();
    int ItemIndex();
    void SetItemIndex(int Value);
    int SelCount();
    TListItem* GetNextItem(TListItem* StartItem, bool SelectedOnly);
    TListItem* GetItemAt(int X, int Y);
    void ClearSelection();
    void SelectAll();
    // Sorts by caption (OnCompare decides when set); true when sorted.
    bool AlphaSort();
    bool CustomSort(const std::function<int(TListItem*, TListItem*)>& Compare);

    TLVChangeEvent OnChange;
    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;
    TLVCompareEvent OnCompare;

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The picture of the dragged item (its image and caption), made when the
    // list view starts a drag; nullptr when there is none.
    TDragImageList* GetDragImages() override;

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    friend class TListItem;
    friend class TListItems;
    friend class TListColumns;
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void DestroyWnd() override;
    void PushColumns();
    void PushItems();
    void InsertItemWindow(int Index);
    void UpdateExStyle();

private:
    std::unique_ptr<TListColumns> FColumns;
    std::unique_ptr<TListItems> FItems;
    TViewStyle FViewStyle = vsIcon;
    bool FMultiSelect = false, FRowSelect = false;
    TCustomImageList* FSmallImages = nullptr;
    TCustomImageList* FLargeImages = nullptr;
    int FUpdating = 0;
    bool FPushing = false;
    std::unique_ptr<TDragImageList> FDragImage;
};

class TListViewActionLink : public TWinControlActionLink {
public:
    using TWinControlActionLink::TWinControlActionLink;
};

class TListView : public TCustomListView {
    TESSARO_CLASSINFO
public:
    explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
};

// ---- Status bar ---------------------------------------------------------------------
enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
class TCustomStatusBar;

class TStatusPanel : public TCollectionItem {
public:
    explicit TStatusPanel(TCollection* Collection) : TCollectionItem(Collection) {}
    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TAlignment Alignment = taLeftJustify;
    TStatusPanelBevel Bevel = pbLowered;
    TStatusPanelStyle Style = psText;

private:
    std::string FText;
    int FWidth = 50;
};

class TStatusPanels : public TCollectionOf<TStatusPanel> {
public:
    explicit TStatusPanels(TCustomStatusBar* Owner) : FOwner(Owner) {}

protected:
    void Update(TCollectionItem* Item) override;

private:
    TCustomStatusBar* FOwner;
};

class TCustomStatusBar : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomStatusBar(TComponent* AOwner);
    ~TCustomStatusBar() override;
    TStatusPanels& Panels() { return *FPanels; }
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const std::string& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const std::string& Value);
    bool SizeGrip = true;
    // Pushes the panels into the window.
    void UpdatePanels();
    void UpdatePanel(int Index);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;

private:
    std::unique_ptr<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    std::string FSimpleText;
};

class TStatusBar : public TCustomStatusBar {
    TESSARO_CLASSINFO
public:
    explicit TStatusBar(TComponent* AOwner) : TCustomStatusBar(AOwner) {}
};

// ---- Progress bar, track bar, up-down ------------------------------------------------
enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TProgressBar(TComponent* AOwner);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    void SetMin(int Value) { SetRange(Value, FMax); }
    void SetMax(int Value) { SetRange(FMin, Value); }
    void SetRange(int AMin, int AMax);
    void SetPosition(int Value);  // kept within Min..Max
    int Step = 10;
    void StepIt() { SetPosition(FPosition + Step); }
    void StepBy(int Delta) { SetPosition(FPosition + Delta); }
    bool Smooth = false;
    TProgressBarOrientation Orientation = pbHorizontal;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;

private:
    int FMin = 0, FMax = 100, FPosition = 0;
};

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickStyle { tsNone, tsAuto, tsManual };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };

class TTrackBar : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TTrackBar(TComponent* AOwner);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position();
    void SetMin(int Value) { SetRange(Value, FMax); }
    void SetMax(int Value) { SetRange(FMin, Value); }
    void SetRange(int AMin, int AMax);
    void SetPosition(int Value);
    int Frequency = 1;
    int LineSize = 1;
    int PageSize = 2;
    TTrackBarOrientation Orientation = trHorizontal;
    TTickStyle TickStyle = tsAuto;
    TTickMark TickMarks = tmBottomRight;
    TNotifyEvent OnChange;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;

private:
    int FMin = 0, FMax = 10, FPosition = 0;
};

enum TUDAlignButton { udLeft, udRight };
enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TUpDown : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TUpDown(TComponent* AOwner);
    int Min = 0, Max = 100;
    int Position();
    void SetPosition(int Value);
    int Increment = 1;
    bool Wrap = false;
    bool ArrowKeys = true;
    bool Thousands = true;
    TUDAlignButton AlignButton = udRight;
    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* Value);
    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void UpdateAssociate();

private:
    int FPosition = 0;
    TWinControl* FAssociate = nullptr;
};

// ---- Tab controls --------------------------------------------------------------------------
enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

// What every tab control has: where its tabs sit and how they look, given to
// the window as its tab styles.
class TCustomTabControl : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomTabControl(TComponent* AOwner);
    TTabPosition TabPosition() const { return FTabPosition; }
    void SetTabPosition(TTabPosition Value);
    TTabStyle Style() const { return FStyle; }
    void SetStyle(TTabStyle Value);

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    DWORD TabStyles() const;
    void ApplyTabStyles();
    TTabPosition FTabPosition = tpTop;
    TTabStyle FStyle = tsTabs;
};

// ---- Page control ------------------------------------------------------------------------
class TPageControl;

class TTabSheet : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* Value);
    int PageIndex() const;
    bool TabVisible = true;
    int ImageIndex = -1;
    void SetParentComponent(TComponent* Value) override;

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
};

class TPageControl : public TCustomTabControl {
    TESSARO_CLASSINFO
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int Index) const { return FPages.at(Index); }
    TTabSheet* ActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* Value);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    TNotifyEvent OnChange;
    // Before the user turns to another page; AllowChange false keeps the page.
    std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;
    TRect ClientRect() override;
    void WndProc(TMessage& Message) override;
    void Loaded() override;

protected:
    friend class TTabSheet;
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void InsertPage(TTabSheet* Page);
    void RemovePage(TTabSheet* Page);
    void UpdateTabs();

private:
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    std::string FActivePageName;
};

void RegisterComCtrlsClasses();
