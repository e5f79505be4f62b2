// The thumbnail grid: images shown as thumbnails in cells on a virtual grid, each
// with up to three captions, one or several of them selected; the mouse and keys
// scroll and select, a double click fires OnDblClick. Preset frames (pictures
// held by the component) can frame every thumbnail, tinted for ordinary and
// selected ones. Drawing and layout are in iemultiview_paint.cpp.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/iemultiio.h"
#include "imaging/processing/transitioneffects.h"
#include "imaging/views/ieimageview.h"

class TIEBitmap;
class TIEVirtualImageList;
struct TIEVirtualImageInfo;
class TIEMViewReader;
class TIEStarter;
class TIEImageProc;

// The loader lock: one for the process, shared by every thumbnail grid, guarding
// their image lists, stores, load queues and readers.
std::recursive_mutex& IEMViewLoaderLock();

class TIEMultiView;

// A caption of one image of the grid: above the image (position 0), below it (1), or
// the info line between the image and the bottom caption (2).
class TIEMText : public TObject {
public:
    // Owner null: a caption of no grid (clBtnFace behind it, no gaps to make room in).
    TIEMText(TIEMultiView* Owner, uint8_t Position);
    // The caption; set it through SetCaption, which makes room for it in the cells.
    std::string Text;
    // Stores Value; a top caption raises UpperGap to its height + 2, a bottom caption
    // BottomGap to its height + 4 (iemsBox) or + 2 (iemsFlat), when they are smaller.
    void SetCaption(const std::string& Value);
    TFont Font;  // the grid's font when made
    TColor Background;
    // 0 the background band is filled (bsSolid), 1 it is not (bsClear).
    uint8_t BackgroundStyle = 0;
    TIEMultiView* Owner;
    uint8_t Position;
    // An over-long caption: 1 keeps its end ("..." in front), 0 its start ("..." after),
    // any other value draws it uncut.
    uint8_t CutSide = 1;
};

// Text shortened by whole characters (UTF-8) until it fits Width on Canvas, cut as
// CutSide says, each step from the full text.
std::string IECutCaption(TCanvas& Canvas, const std::string& Text, int Width, uint8_t CutSide);

enum TIEMMouseInteractItem { mmiScroll, mmiSelect };
enum TIEMDisplayMode { mdGrid, mdSingle };
enum TIEStoreType { ietNormal, ietThumb };
enum TIEMultiSelectionOption { iemoRegion, iemoSelectOnMouseUp };
enum TIEMKeyInteractItem { mkiMoveSelected };
// iemsBox draws 3-D frames around the image, the cell and the bottom caption.
enum TIEMStyle { iemsFlat, iemsBox };
// iessAround frames the selected cell in SelectionColor; iessBox fills it in clHighlight.
enum TIESStyle { iessAround, iessBox };
using TIEMKeyInteract = TSet<TIEMKeyInteractItem>;
using TIEMultiSelectionOptions = TSet<TIEMultiSelectionOption>;
using TIEMMouseInteract = TSet<TIEMMouseInteractItem>;

// What the last change of the image list was, for the change callbacks.
enum : int32_t { iectNone = 0, iectInsert = 1, iectDelete = 2, iectMove = 3, iectSwap = 4 };

// The grid is the view the multi-image I/O companion keeps its parameters in step with.
class TIEMultiView : public TIEView, public TIEAttachedMView {
    TESSARO_CLASSINFO
public:
    explicit TIEMultiView(TComponent* AOwner);
    ~TIEMultiView() override;

    // Cancels the loads, then empties the list and both stores.
    void Clear();
    // Appends every file of Folder (folders skipped) whose extension is that
    // of a readable image format, captioned with its file name, and reads none:
    // a picture is read when its cell is first painted. The files are taken in
    // the order of the numbers in their names ("2.jpg" before "10.jpg"), then
    // by name, so that a position always means the same file. Each appended
    // image is selected in turn, so the last one ends selected.
    void FillFromDirectory(const std::string& Folder);
    // Appends an empty image and selects it; its index.
    int32_t AppendImage();
    // The file an image is read from; its ID becomes -1.
    void SetImageFileName(int32_t Index, const std::string& FileName);

    // Loading. Painting reads each visible image that is not stored: the selected
    // one (and all with ThreadPoolSize 0) at once, the others on up to
    // ThreadPoolSize readers of the loader thread, each on a worker of its own.
    // Images further than KeepRange from the visible ones are dropped from the
    // image store after a paint and read again when needed.
    int32_t ThreadPoolSize = 5;
    // An image the calling thread cannot read is deleted instead of getting the placeholder.
    bool RemoveCorrupted = false;
    // Reads image Index now; false when reading failed (the placeholder is stored then).
    bool LoadImageNow(int32_t Index);
    // True when the image is stored, queued, being read or now queued; false when the
    // caller must read it itself (no file name, or a frame of a multi-frame file).
    bool RequestLoad(int32_t Index);
    // Empties the queue and cancels the running reads; waits a second at most for them.
    virtual void CancelLoads();
    // Fills Bitmap with the placeholder of an unreadable image, or lets OnWrongImage.
    virtual void DoWrongImage(TIEBitmap* Bitmap, int32_t Index);
    bool IsImageVisible(int32_t Index);
    bool IsLookAheadImage(int32_t Index);
    // The image has a file name to be read again from.
    bool CanReloadImage(int32_t Index);
    // The image (or its thumbnail) is in the image store.
    bool IsImageStored(int32_t Index);
    // The image's thumbnail as last drawn is in the cache store (dropped by Update).
    bool IsImageCached(int32_t Index);
    int32_t KeepRange = 15;
    // Reads queued, and readers holding a pool slot (running or not yet freed).
    int32_t QueuedLoadCount();
    int32_t RunningLoadCount();
    // The most slots held at once since the last call (the loader's own count).
    int32_t TakePeakRunningLoads();
    void FreeFrameReaders();
    // The limit of images the image store keeps mapped in memory.
    int32_t ImageCacheSize() const { return FImageCacheSize; }
    void SetImageCacheSize(int32_t Value);
    // Called on the worker of a background read when it ends (its finish notification).
    void LoadFinished(TIEMViewReader* Reader);
    std::function<void(TObject* Sender, TIEBitmap* OutBitmap, int32_t Index, bool& Handled)> OnWrongImage;
    // Every visible cell shows an image now, where an earlier paint left one empty.
    TNotifyEvent OnAllDisplayed;
    TIEProgressEvent OnIOProgress;

    int32_t GetImageCount() const override { return static_cast<int32_t>(FImages.size()); }
    // The multi-image I/O companion, made on first use, attached to this grid, with its
    // OnProgress; it holds one parameter record per image, which every read fills.
    TIEMultiIO* GetMIO();
    TComponent* MViewComponent() override { return this; }
    int32_t AddMViewCallback(std::function<void(bool Destroying)> Callback, TObject* Owner) override {
        return AddBitmapChangeCallback(std::move(Callback), Owner);
    }
    void RemoveMViewCallback(int32_t Handle) override { RemoveBitmapChangeCallback(Handle); }
    // -1 while none is selected.
    int32_t SelectedImage() const { return FSelected; }
    // Ignored when Index is out of range or already selected.
    void SetSelectedImage(int32_t Index);
    // A new empty image at Index (appended past the end). The selected index stays as it
    // is, so it names the image now at that place.
    void InsertImage(int32_t Index) override;
    // False for an index outside the list. The selection moves with the images: to the
    // new last image when the selected last one goes, one back when an earlier one goes.
    bool DeleteImage(int32_t Index);
    // The multiple selection (with EnableMultiSelect): Ctrl-click adds or removes an
    // image, Shift-click selects the range from the anchor (with iemoRegion the
    // rectangle of rows and columns), and dragging from an image selects the range
    // from it to the image under the mouse, in place of the selection.
    bool EnableMultiSelect() const { return FEnableMultiSelect; }
    void SetEnableMultiSelect(bool Value);
    TIEMultiSelectionOptions MultiSelectionOptions;
    bool IsImageSelected(int32_t Index) const;
    int32_t MultiSelectedImagesCount() const { return static_cast<int32_t>(FMulti.size()); }
    void ClearSelection();
    void DeselectAll();
    void SelectAtPos(int X, int Y, TShiftState Shift);
    // mdSingle shows one image (the playback index) in one cell.
    TIEMDisplayMode DisplayMode() const { return FDisplayMode; }
    void SetDisplayMode(TIEMDisplayMode Value);
    // Playback: the images one after another in one cell, each for its delay time (at
    // least 10 ms), from the start again after the last one while PlayLoop is on.
    // Inserting or deleting an image stops it.
    bool Playing() const { return FPlaying; }
    void SetPlaying(bool Value);
    void PlayNext();
    int32_t PlaybackIndex() const { return FPlayIndex; }
    bool PlayLoop = true;
    // Before and after a cell is drawn: its image, the cell's top-left corner and the canvas.
    using TIEImageDrawEvent = std::function<void(TObject* Sender, int32_t Index, int32_t Left, int32_t Top, TCanvas* Canvas)>;
    TIEImageDrawEvent OnBeforeImageDraw, OnImageDraw;
    // Before the image of a cell is drawn, with the rectangle (inside the cell, or inside a
    // preset frame's inner rectangle) it goes into, which the handler may change. While it
    // is assigned no selection frame is drawn.
    std::function<void(TObject* Sender, int32_t Index, int32_t Left, int32_t Top, TBitmap* Dest, TRect& ThumbRect)>
        OnBeforeImageDrawEx;
    // While a paint draws more than one cell: the percent done and the image reached;
    // (100, 0) at the end.
    std::function<void(TObject* Sender, int32_t Percent, int32_t Index)> OnDrawProgress;
    // Fired for selections and deselections made by the user.
    std::function<void(TObject* Sender, int32_t Index)> OnImageSelect, OnImageDeselect;
    void SetImageBitmap(int32_t Index, TIEBitmap* Bitmap) override;
    void SetImageDelayTime(int32_t Index, int32_t Milliseconds) override;
    int32_t ImageDelayTime(int32_t Index) const;
    // The full path a picture was read from (empty for inserted ones).
    std::string ImageFileName(int32_t Index) const;
    // The captions above the image, below it and the info line; nullptr out of range.
    TIEMText* GetImageTopText(int32_t Index);
    TIEMText* GetImageBottomText(int32_t Index);
    TIEMText* GetImageInfoText(int32_t Index);
    // The stored image (read first when it is not stored), lent by the image store
    // until the image's stored bitmap changes; nullptr out of range or when unreadable.
    TIEBitmap* GetImageBitmap(int32_t Index);
    // ietNormal keeps a copy of every image given; ietThumb a thumbnail scaled to fit
    // ThumbWidth x ThumbHeight (up or down, aspect kept).
    TIEStoreType StoreType = ietNormal;
    // The size of the image a stored thumbnail was made from (0 while not stored).
    int32_t ImageSourceWidth(int32_t Index);
    int32_t ImageSourceHeight(int32_t Index);
    void SetImageSourceWidth(int32_t Index, int32_t Value);
    void SetImageSourceHeight(int32_t Index, int32_t Value);

    int32_t GetLastChangeKind() const override { return FLastChangeKind; }
    int32_t GetLastChangeIndex() const override { return FLastChangeIndex; }
    int32_t GetLastChangeIndex2() const override { return FLastChangeIndex2; }

    // Preset frame Index frames every thumbnail, tinted by NormalColour or,
    // for the selected one, SelectedColour; the thumbnail size becomes the
    // frame's size and no selection outline is drawn. Unknown indexes change
    // nothing.
    void SetPresetThumbnailFrame(int32_t Index, TColor NormalColour, TColor SelectedColour);
    int32_t PresetThumbnailFrame() const { return FFrame; }
    static int32_t PresetThumbnailFrameCount();

    TIEBitmap* GetIEBitmap() override;  // the selected image, lent by the image store
    TBitmap* GetBitmap() override;      // its windowing bitmap

    // The processing component, made on first use, attached to this grid, with its OnProgress.
    TIEImageProc* GetProc();
    // Stored and given to the I/O companion and the processing component.
    void SetOnProgress(TIEViewProgressEvent Value);

    // Settings kept as they are given: after changing one while the grid is shown,
    // Update() draws the cells again.
    int32_t ThumbWidth = 100, ThumbHeight = 100;
    int32_t HorizBorder = 4, VertBorder = 4;  // space between cells
    // Columns: 0 puts every image on one row; -1 as many as the client width holds.
    int32_t GridWidth = 0;
    TColor SelectionColor = clRed;
    // The selection frame's width while the grid has the focus (1 without it).
    int32_t SelectionWidth = 3;
    bool VisibleSelection = true;
    // Cell backgrounds take each image's own background (the reader's) instead of
    // ThumbnailsBackground.
    bool DrawImageBackground = false;
    // Thumbnails are blended over the cell by their alpha channel.
    bool EnableAlphaChannel = true;
    TColor ThumbnailsBackground = clBtnFace;
    // The grid's background and each cell's, in the styles of the single-image view.
    TIEBackgroundStyle BackgroundStyle = iebsSolid;
    TIEBackgroundStyle ThumbnailsBackgroundStyle = iebsSolid;
    TIEMKeyInteract KeyInteract{mkiMoveSelected};
    // Kept for the companion components; the grid itself plays no transition.
    TIETransitionType TransitionEffect = iettNone;
    int32_t TransitionDuration = 1000;

    // Settings that draw the cells again when they change.
    TIEMStyle Style() const { return FStyle; }
    void SetStyle(TIEMStyle Value);
    TIESStyle SelectionStyle() const { return FSelectionStyle; }
    void SetSelectionStyle(TIESStyle Value);
    // Rectangles of ThumbnailsBorderColor around each cell, one per pixel of width.
    int32_t ThumbnailsBorderWidth() const { return FThumbnailsBorderWidth; }
    void SetThumbnailsBorderWidth(int32_t Value);
    TColor ThumbnailsBorderColor() const { return FThumbnailsBorderColor; }
    void SetThumbnailsBorderColor(TColor Value);
    // A 1-pixel rectangle around the image itself.
    bool ThumbnailsInternalBorder() const { return FThumbnailsInternalBorder; }
    void SetThumbnailsInternalBorder(bool Value);
    TColor ThumbnailsInternalBorderColor() const { return FThumbnailsInternalBorderColor; }
    void SetThumbnailsInternalBorderColor(TColor Value);
    // A picture over the background: at (0, 0), stretched over the client area, or tiled.
    TPicture& WallPaper() { return *FWallPaper; }
    void SetWallPaper(TPicture* Value);
    TIEWallPaperStyle WallPaperStyle() const { return FWallPaperStyle; }
    void SetWallPaperStyle(TIEWallPaperStyle Value);
    // Room above and below the image in each cell. Captions raise them (see TIEMText);
    // while captions are hidden the values last given here apply.
    int32_t UpperGap() const { return FUpperGap; }
    void SetUpperGap(int32_t Value);
    int32_t BottomGap() const { return FBottomGap; }
    void SetBottomGap(int32_t Value);
    // Captions are drawn; a preset frame turns them off.
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    // Cell backgrounds are painted; a preset frame turns them off.
    bool ShowCellBackground() const { return FShowCellBackground; }
    void SetShowCellBackground(bool Value);
    // The scroll bars through the flat scroll-bar calls.
    bool FlatScrollBars() const { return FFlatScrollBars; }
    void SetFlatScrollBars(bool Value);
    void SetBackground(TColor Value) override;

    // Places every cell on the virtual grid: position, row, column, and the extent.
    void ArrangeCells();
    int32_t Columns();
    int32_t ExtentWidth() { return ArrangeCells(), FExtentW; }
    int32_t ExtentHeight() { return ArrangeCells(), FExtentH; }
    void GetMaxViewXY(int32_t& MaxX, int32_t& MaxY);
    int32_t GetImageRow(int32_t Index);
    int32_t GetImageCol(int32_t Index);
    // Where cell Index lies in the client area at the current scroll.
    TRect ThumbRect(int32_t Index);
    // 0 outside the client area, 1 partly inside, 2 wholly inside (0 out of range).
    int32_t GetImageVisibility(int32_t Index);
    // The image whose cell holds a client point; -1 in the border between cells or past the last.
    int32_t ImageAtPos(int X, int Y);
    int32_t ImageAtGridPos(int32_t Row, int32_t Col);
    // The selection moved by a navigation key: 0 left, 1 right, 2 up, 3 down, 4 home,
    // 5 end, 6 page down, 7 page up; the new one is scrolled into view.
    void MoveSelection(int32_t Direction);
    int32_t ViewX() const { return FViewX; }
    int32_t ViewY() const { return FViewY; }
    // Arranges the cells, keeps the offsets within their maximum, sets up the scroll bars
    // and repaints; run it after changing the cell sizes or borders.
    // DropCache drops every cached drawn thumbnail first (after a size or setting change).
    void UpdateLayout(bool DropCache = true);
    void UnlockPaint() override;
    // Drops every cached drawn thumbnail, arranges the cells again and repaints now.
    void Update() override;
    // Paints the whole client area into Bitmap, as the window shows it.
    virtual void PaintTo(TBitmap* Bitmap);
    // The image's rectangle as last drawn: (0, 0, drawn width, drawn height).
    TRect DrawnImageRect(int32_t Index) const;
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TIEScrollBarParams HScrollBarParams, VScrollBarParams;
    double ScrollRatioX() const { return FScaleX; }
    double ScrollRatioY() const { return FScaleY; }
    // Clicks select with mmiSelect; a drag scrolls with mmiScroll.
    TIEMMouseInteract MouseInteract{mmiSelect};
    void SetViewX(int32_t Value) { SetViewXY(Value, FViewY); }
    void SetViewY(int32_t Value) { SetViewXY(FViewX, Value); }
    void SetViewXY(int32_t X, int32_t Y);
    TViewChangeEvent OnViewChange;

    void Paint() override;
    void WndProc(TMessage& Message) override;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoKeyDown(WORD& Key, TShiftState Shift) override;
    void Resize() override;
    void CreateWnd() override;
    // Fires OnViewChange, but only while a user action (mouse, wheel, key) is handled.
    virtual void ViewChange(int32_t Change);

private:
    friend class TIEStarter;
    struct TImage {
        TIEVirtualImageInfo* Image = nullptr;  // in the image store; nullptr: not stored
        TIEVirtualImageInfo* Cache = nullptr;  // the thumbnail as last drawn, in the cache store
        std::unique_ptr<TIEMText> TopText, BottomText, InfoText;
        // The cached thumbnail was made for an area of this size.
        int32_t CacheW = 0, CacheH = 0;
        TRect Drawn{0, 0, 0, 0};
        TColor Background = clWhite;
        int32_t DelayTime = 0;
        int32_t ID = -1;
        std::string FileName;
        int32_t X = 0, Y = 0, Row = 0, Col = 0;  // the cell on the virtual grid
        // A background read failed: the placeholder is made on the GUI thread.
        bool Wrong = false;
    };
    void ReportChange(int32_t Kind, int32_t Index, int32_t Index2);
    // Paints one cell into Bitmap.
    void DrawThumbnail(TBitmap* Bitmap, int32_t Index, bool DrawnSelected);
    // The gaps that apply now: the captions' while captions are shown, else the user's.
    int32_t CurrentUpperGap() const { return FShowCaptions ? FUpperGap : FUserUpperGap; }
    int32_t CurrentBottomGap() const { return FShowCaptions ? FBottomGap : FUserBottomGap; }
    // A canvas to measure captions on.
    TCanvas& MeasureCanvas();
    // The size the image area of a cell has before OnBeforeImageDrawEx: the key of its
    // cached thumbnail, which is dropped when the key no longer matches.
    void CellArea(int32_t Index, int32_t& W, int32_t& A);
    void DropStaleCachedThumbnail(int32_t Index);
    friend class TIEMText;
    // Stores Bitmap for image Index (as the store type says); the caller holds the loader lock.
    void StoreBitmap(int32_t Index, TIEBitmap* Bitmap, bool FillTransparent, int32_t SourceW, int32_t SourceH);
    void DropStored(TImage& Img);
    void DropCachedThumbnail(TImage& Img);
    void DropAllCachedThumbnails();
    void ForgetLent();
    // Painting's loading rule; false when the image was removed.
    bool LoadForPaint(int32_t Index);
    void KeepLoaded(int32_t First, int32_t Last);
    void PurgeRunningLoads();
    void PurgeLoadQueue();
    void StartReads();
    void Wake();
    // Sleeps until woken, or Ms milliseconds (-1: no limit).
    void WaitForWake(int Ms);
    void StopLoader();
    // Running reads of images from Index on move by Delta; a read of a deleted image is cancelled.
    void ShiftReaderTags(int32_t Index, int32_t Delta);
    std::vector<std::unique_ptr<TImage>> FImages;
    std::unique_ptr<TIEVirtualImageList> FList, FCache;
    int32_t FImageCacheSize = 10;
    std::deque<int32_t> FQueue;
    std::vector<int32_t> FLookAhead;
    std::vector<std::unique_ptr<TIEMViewReader>> FRunning;
    int32_t FPeakRunning = 0;
    std::unique_ptr<TIEStarter> FStarter;
    std::unique_ptr<TIEImageIO> FIO;
    TIEMultiIO* FMIO = nullptr;  // owned as a component
    void KeepParams(int32_t Index, TIEImageIO* Reader);
    std::vector<std::unique_ptr<TIEImageIO>> FFrameReaders;
    TIEImageIO* GetFrameReader(const std::string& Name, int32_t& Frame);
    int32_t LoadFrame(TIEImageIO* Reader, int32_t Frame);
    TIEBitmap* FLent = nullptr;  // the selected image's lent bitmap
    // Set when destruction starts: completions then only give back their slot.
    std::atomic<bool> FGone{false};
    // The window a completion asks to repaint, and the control's size for the loader.
    std::atomic<HWND> FLoadWindow{nullptr};
    int32_t FLoadW = 0, FLoadH = 0;
    std::mutex FWakeLock;
    std::condition_variable FWakeCond;
    bool FWake = false;
    bool FAllDisplayed = false;
    int32_t FSelected = -1;
    int32_t FFrame = -1;
    std::unique_ptr<TIEBitmap> FFrameNormalBitmap, FFrameSelectedBitmap;
    TRect FFrameInner{0, 0, 0, 0};
    TColor FFrameNormal = clWhite, FFrameSelected = clWhite;
    int32_t FViewX = 0, FViewY = 0;
    int32_t FExtentW = 0, FExtentH = 0;
    bool FDblClickPending = false;
    bool FMouseDownPending = false;
    std::vector<int32_t> FMulti;
    int32_t FAnchor = -1;
    bool FAdditive = false, FKeep = false, FSelectionChanged = false, FSelectedAtDown = false;
    bool FUserAction = false;
    TIEMDisplayMode FDisplayMode = mdGrid, FSavedDisplayMode = mdGrid;
    bool FPlaying = false, FInPlayStep = false;
    int32_t FPlayIndex = 0, FSavedSelected = -1;
    void SelectImageInternal(int32_t Index);
    void DoImageSelect(int32_t Index);
    void DoImageDeselect(int32_t Index);
    int32_t FDownX = 0, FDownY = 0, FDownViewX = 0, FDownViewY = 0;
    // The image pressed on (-1: none) and the last one a drag reached.
    int32_t FDownIndex = -1, FDragIndex = -1;
    // The selection becomes the range from image From (0 when -1) to the image at (X, Y).
    void SelectRangeTo(int32_t From, int X, int Y);
    TScrollStyle FScrollBars = ssBoth;
    double FScaleX = 1, FScaleY = 1;
    bool FUpdating = false;
    bool FLayoutPending = true, FLayoutDrop = false;
    void SetupBar(int Bar, int32_t Max);
    int32_t FLastChangeKind = iectNone, FLastChangeIndex = -1, FLastChangeIndex2 = -1;
    bool FEnableMultiSelect = false;
    TIEMStyle FStyle = iemsBox;
    TIESStyle FSelectionStyle = iessAround;
    int32_t FThumbnailsBorderWidth = 0;
    TColor FThumbnailsBorderColor = clBtnFace;
    bool FThumbnailsInternalBorder = false;
    TColor FThumbnailsInternalBorderColor = clBlack;
    std::unique_ptr<TPicture> FWallPaper;
    TIEWallPaperStyle FWallPaperStyle = iewoNormal;
    int32_t FUpperGap = 0, FBottomGap = 0, FUserUpperGap = 0, FUserBottomGap = 0;
    bool FShowCaptions = true, FShowCellBackground = true;
    bool FFlatScrollBars = false;
    TIEImageProc* FProc = nullptr;  // owned as a component
    std::unique_ptr<TIEBitmap> FBackBuffer;
    std::unique_ptr<TBitmap> FMeasure;
    // A cached thumbnail on its way to the back buffer: kept between cells, reallocated
    // only when a thumbnail of another size or format comes.
    std::unique_ptr<TIEBitmap> FCellBitmap;
};

// A thumbnail TW x TH of Bitmap, which stays unchanged: 1-bit through the black-and-white
// resampler to 24-bit, 24-bit with the fast linear filter, other formats by nearest pixel
// in their own format, the alpha channel alongside (FillTransparent greys fully
// transparent pixels of a copy first). A bitmap of that size is copied.
std::unique_ptr<TIEBitmap> IEMakeThumbnail(TIEBitmap* Bitmap, int32_t TW, int32_t TH, bool FillTransparent);

// Orders file names by the numbers in them ("2.jpg" < "10.jpg"), then by name.
bool IENaturalLess(const std::string& A, const std::string& B);

// Makes TIEMultiView known to form files (once).
void RegisterMultiView();
