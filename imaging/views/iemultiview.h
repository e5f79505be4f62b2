// The thumbnail grid: images shown as thumbnails in rows, each with a bottom
// caption, one of them selected; the mouse scrolls and selects, a double
// click fires OnDblClick. Preset frames (pictures held by the component)
// can frame every thumbnail, tinted for ordinary and selected ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/ieutils.h"
#include "imaging/views/ieimageview.h"

class TIEBitmap;

// The caption object of one image of the grid.
class TIEMText : public TObject {
public:
    std::string Text;
    TColor Background = clWhite;
    TColor FontColor = clBlack;
    // While 1 the caption's background rectangle is not filled.
    uint8_t BackgroundStyle = 0;
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
using TIEMultiSelectionOptions = TSet<TIEMultiSelectionOption>;
using TIEMMouseInteract = TSet<TIEMMouseInteractItem>;

// What the last change of the image list was, for the change callbacks.
enum : int32_t { iectNone = 0, iectInsert = 1, iectDelete = 2, iectMove = 3, iectSwap = 4 };

class TIEMultiView : public TIEView {
    TESSARO_CLASSINFO
public:
    explicit TIEMultiView(TComponent* AOwner);
    ~TIEMultiView() override;

    void Clear();
    // Appends every file of Folder (folders skipped) whose extension is that
    // of a readable image format, captioned with its file name. The files are
    // taken in the order of the numbers in their names ("2.jpg" before
    // "10.jpg"), then by name, so that a position always means the same file.
    // A file that fails to load stays in the list with an empty image.
    void FillFromDirectory(const std::string& Folder);

    int32_t GetImageCount() const { return static_cast<int32_t>(FImages.size()); }
    // -1 while none is selected.
    int32_t SelectedImage() const { return FSelected; }
    // Ignored when Index is out of range or already selected.
    void SetSelectedImage(int32_t Index);
    // A new empty image at Index (appended past the end). The selected index stays as it
    // is, so it names the image now at that place.
    void InsertImage(int32_t Index);
    // False for an index outside the list. The selection moves with the images: to the
    // new last image when the selected last one goes, one back when an earlier one goes.
    bool DeleteImage(int32_t Index);
    // The multiple selection (with EnableMultiSelect): Ctrl-click adds or removes an
    // image, Shift-click selects the range from the anchor (with iemoRegion the
    // rectangle of rows and columns).
    bool EnableMultiSelect = false;
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
    // After a cell is drawn: its image, the cell's top-left corner and the canvas.
    std::function<void(TObject* Sender, int32_t Index, int32_t Left, int32_t Top, TCanvas* Canvas)> OnImageDraw;
    // Fired for selections and deselections made by the user.
    std::function<void(TObject* Sender, int32_t Index)> OnImageSelect, OnImageDeselect;
    void SetImageBitmap(int32_t Index, TIEBitmap* Bitmap);
    void SetImageDelayTime(int32_t Index, int32_t Milliseconds);
    int32_t ImageDelayTime(int32_t Index) const;
    // The full path a picture was read from (empty for inserted ones).
    std::string ImageFileName(int32_t Index) const;
    // nullptr when Index is out of range.
    TIEMText* GetImageBottomText(int32_t Index);
    TIEBitmap* ImageBitmap(int32_t Index) const;
    // ietNormal keeps a copy of every image given; ietThumb a thumbnail scaled to fit
    // ThumbWidth x ThumbHeight (up or down, aspect kept).
    TIEStoreType StoreType = ietNormal;
    // The size of the image a stored thumbnail was made from.
    int32_t ImageSourceWidth(int32_t Index) const;
    int32_t ImageSourceHeight(int32_t Index) const;

    int32_t GetLastChangeKind() const { return FLastChangeKind; }
    int32_t GetLastChangeIndex() const { return FLastChangeIndex; }
    int32_t GetLastChangeIndex2() const { return FLastChangeIndex2; }

    // Preset frame Index frames every thumbnail, tinted by NormalColour or,
    // for the selected one, SelectedColour; the thumbnail size becomes the
    // frame's size and no selection outline is drawn. Unknown indexes change
    // nothing.
    void SetPresetThumbnailFrame(int32_t Index, TColor NormalColour, TColor SelectedColour);
    int32_t PresetThumbnailFrame() const { return FFrame; }
    static int32_t PresetThumbnailFrameCount();

    TIEBitmap* GetIEBitmap() override;  // the selected image

    int32_t ThumbWidth = 100, ThumbHeight = 100;
    int32_t HorizBorder = 4, VertBorder = 4;  // space between cells
    // Columns: 0 puts every image on one row; -1 as many as the client width holds.
    int32_t GridWidth = 0;
    TColor ThumbnailsBorderColor = clBlack;
    TColor SelectionColor = clRed;
    int32_t SelectionWidth = 3;
    bool Flat = false;
    // Captions are drawn; a preset frame turns them off.
    bool ShowCaptions = true;

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
    void UpdateLayout();
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

private:
    struct TImage {
        std::unique_ptr<TIEBitmap> Bitmap;
        std::unique_ptr<TIEMText> BottomText;
        int32_t DelayTime = 0;
        std::string FileName;
        int32_t X = 0, Y = 0, Row = 0, Col = 0;  // the cell on the virtual grid
        int32_t SourceWidth = 0, SourceHeight = 0;
    };
    void ReportChange(int32_t Kind, int32_t Index, int32_t Index2);
    void DrawThumb(TCanvas& Canvas, int32_t Index, const TRect& R);
    std::vector<TImage> FImages;
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
    TScrollStyle FScrollBars = ssBoth;
    double FScaleX = 1, FScaleY = 1;
    bool FUpdating = false;
    bool FLayoutPending = true;
    void SetupBar(int Bar, int32_t Max);
    int32_t FLastChangeKind = iectNone, FLastChangeIndex = -1, FLastChangeIndex2 = -1;
};

// Orders file names by the numbers in them ("2.jpg" < "10.jpg"), then by name.
bool IENaturalLess(const std::string& A, const std::string& B);

// Makes TIEMultiView known to form files (once).
void RegisterMultiView();
