// TIEImageView, the single-image view: one image in layer 0 shown at a zoom with a
// scrolling origin through a 24-bit back buffer over one of twelve background
// styles, with scroll bars, the mouse wheel, a region selection (polygons and a
// mask, streamable) and the mouse machine that zooms, scrolls and selects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieimageio.h"
#include "imaging/views/ieview.h"
#include "platform/classlib/stdctrls.h"
#include "platform/rtl/sets.h"

class TIEImageProc;
class TIETransitionEffects;
class TIEImageView;

enum TIEBackgroundStyle {
    iebsSolid,
    iebsHorizontal,
    iebsVertical,
    iebsFDiagonal,
    iebsBDiagonal,
    iebsCross,
    iebsDiagCross,
    iebsChessboard,
    iebsDiagonals,
    iebsCropped,
    iebsCropShadow,
    iebsGradient
};
enum TIEWallPaperStyle { iewoNormal, iewoStretch, iewoTile };

enum TIEMouseInteractItem {
    miZoom,
    miScroll,
    miSelect,
    miSelectPolygon,
    miSelectCircle,
    miSelectZoom,
    miSelectMagicWand,
    miSelectLasso,
    miMoveLayers,
    miResizeLayers
};
using TIEMouseInteract = TSet<TIEMouseInteractItem>;

enum TIESelectionOption {
    iesoAnimated,
    iesoSizeable,
    iesoMoveable,
    iesoFilled,
    iesoCutBorders,
    iesoMarkOuter,
    iesoCanScroll,
    iesoSelectTranspLayers
};
using TIESelectionOptions = TSet<TIESelectionOption>;
enum TIESelectionBase { iesbClientArea, iesbBitmap };
enum TIEGrip { ieNone, ieTopLeft, ieTopRight, ieBottomRight, ieBottomLeft, ieLeftSide, ieRightSide, ieTopSide, ieBottomSide };
enum TIELayerEvent { ielSelected, ielMoved, ielResized, ielMoving, ielResizing };

// The screen cursors the views register (1778 to 1810); these are the ones they use.
constexpr TCursor crIEScroll = 1782, crIEDefault = 1785, crIESizeNWSE = 1786, crIESizeNS = 1787,
                  crIESizeNESW = 1788, crIESizeWE = 1789, crIEMove = 1790, crIEDefaultAdd = 1791,
                  crIESelect = 1793, crIESelectAdd = 1794;

// A layer of the view; the view keeps exactly one, layer 0, holding its image.
class TIELayer : public TObject {
public:
    TIELayer(TIEImageView* Owner, TIEBitmap* Bitmap, bool OwnsBitmap);
    ~TIELayer() override;
    int32_t Width = 0, Height = 0;  // 0: the image's
    TIEImageView* Owner;
    TIEBitmap* Bitmap;
    bool Visible = true;
    bool VisibleBox = true;
    int32_t Transparency = 255;
    int32_t PosX = 0, PosY = 0;
    TRect ClientAreaBox{0, 0, 0, 0};
    bool Cropped = false;
    bool Locked = false;
    bool Selectable = true;
    bool UseResampleFilter = false;
    TResampleFilter ResampleFilter = rfNone;
    int32_t Operation = 0;
    bool OwnsBitmap = true;
    TRect DrawnDest{0, 0, 0, 0}, DrawnSource{0, 0, 0, 0};  // as (x, y, width, height)
    int32_t LayerWidth() const;
    int32_t LayerHeight() const;
};

using TIEZoomEvent = std::function<void(TObject* Sender, double& NewZoom)>;
using TIEGripEvent = std::function<void(TObject* Sender, TIEGrip Grip)>;
using TIELayerNotifyEvent = std::function<void(TObject* Sender, int32_t Layer, TIELayerEvent Event)>;
using TIESpecialKeyEvent = std::function<void(TObject* Sender, WORD CharCode, bool& Handled)>;
using TIEDrawBackgroundEvent = std::function<void(TObject* Sender, TCanvas* Canvas, TRect Rect, bool& Handled)>;
using TIEDrawCanvasEvent = std::function<void(TObject* Sender, TCanvas* Canvas, TRect Rect)>;
using TIEDrawPolygonEvent =
    std::function<void(TObject* Sender, int32_t Polygon, int32_t Point, TCanvas* Canvas, int32_t X, int32_t Y)>;

// The separator between polygons of a selection.
constexpr int32_t IESelBreak = 0xFFFFF;

// Paints a background style into an area of Canvas (Bitmap, when given, is the 24-bit
// bitmap behind Canvas for the direct chessboard). ImageRect is where the image goes.
void DrawViewBackground(TCanvas* Canvas, TBitmap* Bitmap, TIEWallPaperStyle WallPaperStyle, TPicture* WallPaper,
                        TColor GradientEndColor, TBrushStyle ChessboardBrushStyle, int32_t ChessboardSize,
                        TRect ImageRect, int32_t Width, int32_t Height, int32_t Left, int32_t Top, TColor Background,
                        TIEBackgroundStyle Style);
// A two-colour gradient; False (nothing drawn) when the system has no GradientFill.
bool IEGradientFillRect(TRect Rect, HDC DC, TColor Color1, bool Vertical, TColor Color2);
// The zoom that shows ImageW x ImageH in AvailW x AvailH, or 100.
double GetOptimalZoom(int32_t ImageW, int32_t ImageH, bool MayShrink, bool MayStretch, int32_t AvailW,
                      int32_t AvailH);
// The screen depth the views' copy to the window is chosen by; read at start-up.
extern int32_t IEScreenBitsPerPixel;

class TIEImageView : public TIEView {
    TESSARO_CLASSINFO
public:
    explicit TIEImageView(TComponent* AOwner);
    ~TIEImageView() override;

    // ---- image and layer
    TBitmap* GetBitmap() override { return Bitmap(); }
    TIEBitmap* GetIEBitmap() override { return FIEBitmap; }
    TIEBitmap* IEBitmap() { return FIEBitmap; }
    TBitmap* Bitmap();
    int32_t ImageWidth() const { return FImageWidth; }
    int32_t ImageHeight() const { return FImageHeight; }
    int32_t LayersCount() const { return static_cast<int32_t>(FLayers.size()); }
    TIELayer* Layers(int32_t I) { return FLayers.at(I).get(); }
    int32_t LayersCurrent() const { return FLayersCurrent; }
    virtual void SetCurrentLayer(int32_t Index);
    bool LegacyBitmap() const { return FLegacyBitmap; }
    virtual void SetLegacyBitmap(bool Value);
    // Shows Source, which the caller keeps; nil gives the view an empty image of its own.
    void SetExternalBitmap(TIEBitmap* Source);
    TIEBitmap* GetAlphaChannel() override;
    bool HasAlphaChannel() override;
    void RemoveAlphaChannel(bool Merge) override;
    int32_t FindLayerAt(int32_t X, int32_t Y);
    TIEGrip GetLayerGrip(int32_t X, int32_t Y);
    virtual bool IsEmpty();

    // The view's own I/O and processing components, made on first use.
    TIEImageIO* IO();
    TIEImageProc* Proc();
    TIETransitionEffects& Transition() { return *FTransition; }
    TNotifyEvent OnTransitionStop;
    // Loads a file through IO into the view's image and shows it.
    void LoadFromFileIO(const std::string& FileName);

    void Assign(TIEImageView* Source);
    void Assign(TBitmap* Source);
    void FillBackground();
    void ClearImage();
    void SetBackground(TColor Value) override;
    void ImageChange() override;
    bool IsSingleImageView() const override { return true; }

    // ---- layout, zoom and origin
    void Update() override;
    void LockUpdate() { ++FUpdateLockCount; }
    void UnlockUpdate();
    void UnlockPaint() override;
    void Fit();
    double GetFitZoom();
    double Zoom() const { return FZoomX; }
    double ZoomX() const { return FZoomX; }
    double ZoomY() const { return FZoomY; }
    void SetZoom(double Value);
    void SetZoomX(double Value);
    void SetZoomY(double Value);
    void ZoomAt(int32_t X, int32_t Y, double Value, bool Centre);
    virtual void ZoomAboutCenter(double Value);
    virtual void ZoomXAboutCenter(double Value);
    virtual void ZoomYAboutCenter(double Value);
    void ZoomAxesAboutCenter(double Value, bool AlongX, bool AlongY);
    int32_t ViewX() const { return FViewX; }
    int32_t ViewY() const { return FViewY; }
    void ScrollTo(int32_t X, int32_t Y);
    void SetViewX(int32_t X);
    void SetViewY(int32_t Y);
    void GetMaxViewXY(int32_t& MaxX, int32_t& MaxY);
    int32_t OffsetX() const { return FOffsetX; }
    int32_t OffsetY() const { return FOffsetY; }
    int32_t ExtentX() const { return FExtentX; }
    int32_t ExtentY() const { return FExtentY; }
    int32_t VisibleWidth() const { return FVisibleWidth; }
    int32_t VisibleHeight() const { return FVisibleHeight; }
    int32_t FirstVisibleX() const { return FFirstVisibleX; }
    int32_t FirstVisibleY() const { return FFirstVisibleY; }
    int32_t VisibleImageWidth() const { return FVisibleImageWidth; }
    int32_t VisibleImageHeight() const { return FVisibleImageHeight; }
    int32_t DisplayWidth() const { return FDisplayWidth; }
    int32_t DisplayHeight() const { return FDisplayHeight; }
    // Client width and height with a parent window, else 50.
    virtual int32_t GetDrawWidth();
    virtual int32_t GetDrawHeight();
    virtual bool HasParentWindow();
    virtual void UpdateVisibleArea();
    virtual void UpdateZoomTables();
    virtual void UpdateExtents();
    int32_t XScr2Bmp(int32_t X);
    int32_t YScr2Bmp(int32_t Y);
    int32_t XBmp2Scr(int32_t BX);
    int32_t YBmp2Scr(int32_t BY);
    // Where the image is drawn in the client area.
    TRect ImageRect() { return TRect(FOffsetX, FOffsetY, FOffsetX + FDisplayWidth, FOffsetY + FDisplayHeight); }

    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool AutoFit() const { return FAutoFit; }
    void SetAutoFit(bool Value) { FAutoFit = Value; }
    bool AutoStretch = false;
    bool AutoShrink = false;
    bool DoubleBuffer = true;
    bool DelayZoomFilter = false;
    TResampleFilter ZoomFilter() const { return FZoomFilter; }
    void SetZoomFilter(TResampleFilter Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    virtual void SetScrollBars(TScrollStyle Value);
    bool FlatScrollBars() const { return FFlatScrollBars; }
    void SetFlatScrollBars(bool Value);
    TIEScrollBarParams HScrollBarParams, VScrollBarParams;
    TIEMouseWheelParams MouseWheelParams;
    double ScrollRatioX() const { return FScrollRatioX; }
    double ScrollRatioY() const { return FScrollRatioY; }
    // The wheel as the window message drives it (Delta > 0: turned away from the user).
    void MouseWheelAction(int32_t Delta, int32_t X, int32_t Y, bool Ctrl);
    // Room to scroll: a maximum origin above 0 on either axis.
    bool CanScroll();

    // ---- painting
    TIEBackgroundStyle BackgroundStyle() const { return FBackgroundStyle; }
    void SetBackgroundStyle(TIEBackgroundStyle Value);
    bool EnableAlphaChannel() const { return FEnableAlphaChannel; }
    void SetEnableAlphaChannel(bool Value);
    bool DrawVersion() const { return FDrawVersion; }
    void SetDrawVersion(bool Value);
    TPicture& WallPaper() { return *FWallPaper; }
    void SetWallPaper(TPicture* Value);
    TIEWallPaperStyle WallPaperStyle() const { return FWallPaperStyle; }
    void SetWallPaperStyle(TIEWallPaperStyle Value);
    void SetChessboardStyle(int32_t Size, TBrushStyle Style);
    int32_t ChessboardSize() const { return FChessboardSize; }
    TColor GradientEndColor = static_cast<TColor>(0xFF0000);
    // This library's name and version; writing keeps it.
    std::string IELibVersion() const;
    void Paint() override;
    void PaintTo(TRect Rect);
    virtual void DrawLayers(TBitmap* Buffer, TRect ClipRect);
    void DrawBackgroundTo(TCanvas* Canvas) override;
    TBitmap* BackBuffer() { return FBackBuffer.get(); }
    TCursor Cursor() const { return FCurrentCursor; }
    void SetCursor(TCursor Value);

    // ---- selection
    bool Selected() override { return FSelected; }
    TIEMask* SelectionMask() override { return FSelectionMask.get(); }
    const POINT* SelectionPolygon(int32_t& Count) override {
        Count = static_cast<int32_t>(FPolyPoints.size());
        return FPolyPoints.data();
    }
    const std::vector<POINT>& GetSelectionPoints() const { return FPolyPoints; }
    int32_t GetSelectionPointCount() const { return static_cast<int32_t>(FPolyPoints.size()); }
    virtual void Select(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op = 0);
    void SelectRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op, bool KeepInside, bool Square);
    virtual void AddSelectionPoint(int32_t X, int32_t Y);
    virtual void EndSelect();
    void Deselect();
    void SelectMagicWand(int32_t X, int32_t Y, int32_t Op);
    void MoveSelectionBy(int32_t DX, int32_t DY);
    void MoveSelection(int32_t DX, int32_t DY);
    // Resizes a rectangular selection by one of its grips; returns the grip (flipped when
    // dragged across the opposite edge).
    TIEGrip ResizeSelectionByGrip(TIEGrip Grip, int32_t X, int32_t Y, bool KeepAspect);
    TIEGrip GetSelectionGrip(int32_t X, int32_t Y);
    int32_t SelX1();
    int32_t SelY1();
    int32_t SelX2();
    int32_t SelY2();
    void ZoomSelection(bool Uniform);
    void SaveSelectionToStream(TStream* Stream) override;
    // False, with nothing changed, for a short or damaged stream.
    bool LoadSelectionFromStream(TStream* Stream) override;
    void SaveSelectionToUndo();
    bool RestoreSelection();
    void SetSelectionOptions(TIESelectionOptions Value);
    TIESelectionOptions SelectionOptions() const { return FSelectionOptions; }
    void SetSelectionAspectRatio(double R);
    double SelectionAspectRatio() const { return FSelectionAspectRatio; }
    int32_t SelectionAbsWidth = 100, SelectionAbsHeight = 100;
    TIESelectionBase SelectionBase = iesbClientArea;
    void SetSelectionColor1(TColor C) { FSelColor1 = C; }
    void SetSelectionColor2(TColor C) { FSelColor2 = C; }
    void DrawSelection(bool FromTimer);
    int32_t AnimPhase() const { return FAnimPhase; }
    void SetAnimPhase(int32_t Value) { FAnimPhase = Value % 10; }
    int32_t MagicWandTolerance = 15;
    bool MagicWandMaxFilter = false;
    uint8_t MagicWandMode = 0;
    int32_t GripSize = 5;
    bool ShowEdgeGrips = true;
    bool AllowMultiSelect = true;
    TColor GripPenColor = clBlack, GripBrushColor = clWhite;
    int32_t MaskFillValue = 1;
    void SetNavigator(TIEImageView* View);
    TIEImageView* Navigator() const { return FNavigator; }

    // ---- mouse
    TIEMouseInteract MouseInteract() const { return FMouseInteract; }
    virtual void SetMouseInteract(TIEMouseInteract Value);
    double MouseScrollRate = 1.0;
    bool ZoomSelectUniform = true;
    virtual void ShiftMousePositions(int32_t DX, int32_t DY);

    // ---- events
    TViewChangeEvent OnViewChange;  // 0: the origin moved, 1: the zoom changed
    TNotifyEvent OnImageChange, OnPaint, OnDrawBackBuffer;
    TNotifyEvent OnSelectionChange, OnSelectionChanging, OnBeforeSelectionChange, OnMouseInSel;
    TIEGripEvent OnMouseInResizingGrip;
    TIEZoomEvent OnZoomIn, OnZoomOut;
    TIELayerNotifyEvent OnLayerNotify;
    TIESpecialKeyEvent OnSpecialKey;
    TIEDrawBackgroundEvent OnDrawBackground;
    TIEDrawCanvasEvent OnDrawCanvas;
    TIEDrawPolygonEvent OnDrawPolygon;
    TNotifyEvent OnDShowNewFrame, OnDShowEvent;

    void WndProc(TMessage& Message) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void UpdateFromMessage() override { Update(); }
    virtual void ViewChange(int32_t Change);
    virtual void DoLayerNotify(int32_t Layer, TIELayerEvent Event);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoKeyDown(WORD& Key, TShiftState Shift) override;
    bool DoKeyUp(WORD& Key, TShiftState Shift) override;

private:
    friend class TIELayer;
    // layer and image
    void SyncLayers();
    void MakeOwnImage();
    std::vector<std::unique_ptr<TIELayer>> FLayers;
    int32_t FLayersCurrent = 0;
    TIEBitmap* FIEBitmap = nullptr;
    TBitmap* FBitmap = nullptr;
    bool FLegacyBitmap = true;
    int32_t FImageWidth = 0, FImageHeight = 0;
    int32_t FLastImageWidth = -1, FLastImageHeight = -1;
    TIEImageIO* FIO = nullptr;
    TIEImageProc* FProc = nullptr;
    std::unique_ptr<TIETransitionEffects> FTransition;
    bool FHasOwner = false;

    // layout
    void HideHorzScrollBar();
    void HideVertScrollBar();
    void SetupScrollBar(int Bar);
    void StartDelayZoom(double OldZoomX, double OldZoomY);
    void RepaintNow();
    int32_t SnapX(int32_t V);
    int32_t SnapY(int32_t V);
    int32_t FUpdateLockCount = 0;
    bool FUpdatingNow = false, FInsideNestedUpdate = false;
    double FZoomX = 100, FZoomY = 100;
    double FZoomFactorX = 1, FZoomFactorY = 1, FInvZoomFactorX = 1, FInvZoomFactorY = 1;
    int32_t FViewX = 0, FViewY = 0;
    int32_t FOffsetX = 0, FOffsetY = 0;
    int32_t FExtentX = 0, FExtentY = 0;
    int32_t FVisibleWidth = 0, FVisibleHeight = 0;
    int32_t FMaxX = 0, FMaxY = 0;
    int32_t FLastDrawW = 0, FLastDrawH = 0;
    bool FCenter = true;
    bool FAutoFit = false;
    TResampleFilter FZoomFilter = rfNone, FSavedZoomFilter = rfNone;
    TScrollStyle FScrollBars = ssBoth;
    bool FFlatScrollBars = false;
    double FScrollRatioX = 1, FScrollRatioY = 1;
    bool FHorzBarShown = false, FVertBarShown = false;
    int32_t FDelayZoomTicks = 4, FDelayOutlineTicks = 2;
    int32_t FDelayZoomCounter = 0, FDelayOutlineCounter = 0;

    // painting
    void DrawBackgroundInto(TBitmap* Buffer, TRect ClipRect);
    std::unique_ptr<TBitmap> FBackBuffer;
    bool FNeedsRecompose = true, FFullRepaint = true;
    HWND FLastWindowHandle = nullptr;  // the window the previous paint drew on
    TIEBackgroundStyle FBackgroundStyle = iebsSolid;
    bool FEnableAlphaChannel = false;
    bool FDrawVersion = false;
    std::unique_ptr<TPicture> FWallPaper;
    TIEWallPaperStyle FWallPaperStyle = iewoNormal;
    int32_t FChessboardSize = 16;
    TBrushStyle FChessboardBrushStyle = bsSolid;
    int32_t FFirstVisibleX = 0, FFirstVisibleY = 0, FVisibleImageWidth = 0, FVisibleImageHeight = 0;
    int32_t FDisplayWidth = 0, FDisplayHeight = 0;
    std::vector<int32_t> FScrToBmpX, FScrToBmpY, FBmpToScrX, FBmpToScrY;
    int32_t FTableCountX = 0, FTableCountY = 0, FInvTableCountX = 0, FInvTableCountY = 0;
    double FTableZoomX = -1, FTableZoomY = -1;
    int32_t FTableDisplayWidth = -1, FTableDisplayHeight = -1, FTableImageWidth = -1, FTableImageHeight = -1;
    int32_t FScrWinX = 0, FScrWinY = 0;  // the first visible zoomed coordinates
    HANDLE FDrawDib = nullptr;
    TCursor FUserCursor = crIEDefault, FCurrentCursor = crIEDefault;
    void ShowCursor(TCursor C);

    // selection
    void ClearPolygons() { FPolyPoints.clear(); }
    void ShowSelection(bool Show);
    void SelectionChanged();
    bool IsRectSelection();
    void PolygonBox(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2);
    void DrawDashedLine(TCanvas* C, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t& Counter);
    void ConvertIn(int32_t& X, int32_t& Y);
    void SyncNavigator();
    void ClosePolygon(bool Shift);
    void AutoScroll();
    void DrawRubberBand();
    std::unique_ptr<TIEMask> FSelectionMask;
    std::vector<POINT> FPolyPoints;
    std::vector<std::vector<uint8_t>> FStoredSelections;
    bool FSelected = false;
    bool FSelVisible = true;
    bool FSelectingPolygon = false, FLassoMode = false, FSelectingRect = false, FSelectingCircle = false;
    TIEGrip FGripDragged = ieNone;
    int32_t FMovingSelection = -1;
    bool FMovingRectangle = false;
    TRect FPressBox{0, 0, 0, 0};
    TIESelectionOptions FSelectionOptions{iesoAnimated, iesoSizeable, iesoMoveable, iesoCanScroll};
    double FSelectionAspectRatio = -1;
    TColor FSelColor1 = clBlack, FSelColor2 = clWhite;
    int32_t FAnimPhase = 0, FAnimCounter = 0;
    TTimer* FSelectionTimer = nullptr;
    TIEImageView* FNavigator = nullptr;
    TIEImageView* FNavigatorOf = nullptr;
    bool FSyncingNavigator = false;
    bool FAutoScrolling = false;

    // mouse
    TIEMouseInteract FMouseInteract;
    int32_t FPressX = 0, FPressY = 0, FLastX = 0, FLastY = 0, FPrevX = 0, FPrevY = 0, FRawX = 0, FRawY = 0;
    int32_t FPressViewX = 0, FPressViewY = 0, FPressPointCount = 0;
    bool FRubberBand = false;  // the click-by-click polygon's segment is drawn now
    int32_t FBandX1 = 0, FBandY1 = 0, FBandX2 = 0, FBandY2 = 0;
    bool FMouseDownLeft = false;
};

void RegisterImageViews();
