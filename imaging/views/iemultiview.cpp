#include "imaging/views/iemultiview.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/processing/imageproc.h"
#include "imaging/processing/resample.h"
#include "imaging/views/iemultiview_io.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/jpeg.h"

namespace {

template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

// The preset frames: pictures of our own (resources/frames, drawn by tools/framegen)
// and the rectangle inside each where the thumbnail goes.
struct TFramePreset {
    const char* Name;
    TRect Inner;
};
const TFramePreset Presets[] = {{"FRAME0", TRect(18, 29, 140, 119)},
                                {"FRAME1", TRect(13, 1, 95, 98)},
                                {"FRAME2", TRect(30, 14, 147, 92)},
                                {"FRAME3", TRect(17, 17, 131, 131)}};

// Every channel lowered by what Colour lacks of white: white keeps the frame.
void TintFrame(TIEBitmap* B, TColor Colour) {
    const int32_t C = ColorToRGB(Colour);
    TIEImageProc Proc(nullptr);
    Proc.AutoUndo = false;
    Proc.SetAttachedBitmap(B);
    Proc.IntensityRGBall((C & 0xFF) - 255, ((C >> 8) & 0xFF) - 255, ((C >> 16) & 0xFF) - 255);
}


// The leading run of digits of S at I as a number text without leading zeros.
std::string DigitRun(const std::string& S, size_t& I) {
    size_t Start = I;
    while (I < S.size() && std::isdigit(static_cast<unsigned char>(S[I]))) ++I;
    std::string Run = S.substr(Start, I - Start);
    size_t NZ = Run.find_first_not_of('0');
    return NZ == std::string::npos ? std::string("0") : Run.substr(NZ);
}

}  // namespace

bool IENaturalLess(const std::string& A, const std::string& B) {
    size_t i = 0, j = 0;
    while (i < A.size() && j < B.size()) {
        bool Da = std::isdigit(static_cast<unsigned char>(A[i])), Db = std::isdigit(static_cast<unsigned char>(B[j]));
        if (Da && Db) {
            std::string Na = DigitRun(A, i), Nb = DigitRun(B, j);
            if (Na.size() != Nb.size()) return Na.size() < Nb.size();
            if (Na != Nb) return Na < Nb;
            continue;
        }
        if (A[i] != B[j]) return static_cast<unsigned char>(A[i]) < static_cast<unsigned char>(B[j]);
        ++i;
        ++j;
    }
    if ((A.size() - i) != (B.size() - j)) return (A.size() - i) < (B.size() - j);
    return A < B;  // "01" and "1": still one order
}

namespace {
// Byte offsets of the UTF-8 characters of S, and S's size at the end.
std::vector<size_t> CharStarts(const std::string& S) {
    std::vector<size_t> R;
    for (size_t I = 0; I < S.size(); ++I)
        if ((static_cast<unsigned char>(S[I]) & 0xC0) != 0x80) R.push_back(I);
    R.push_back(S.size());
    return R;
}
}  // namespace

std::string IECutCaption(TCanvas& C, const std::string& Text, int Width, uint8_t CutSide) {
    if (CutSide > 1) return Text;
    const std::vector<size_t> At = CharStarts(Text);
    const int N = static_cast<int>(At.size()) - 1;
    std::string S = Text;
    // Cutting at the end takes two characters in the first step, at the start one.
    for (int Step = 1; C.TextWidth(S) > Width && N >= 2; ++Step) {
        const int Keep = CutSide == 1 ? N - Step : N - Step - 1;
        if (Keep <= 0) return "...";
        S = CutSide == 1 ? "..." + Text.substr(At[N - Keep]) : Text.substr(0, At[Keep]) + "...";
    }
    return S;
}

TIEMultiView::TIEMultiView(TComponent* AOwner) : TIEView(AOwner) {
    FBackground = clWhite;
    TabStop = true;
}

TIEMultiView::~TIEMultiView() {
    Destroying();
    if (HandleAllocated()) KillTimer(Handle(), 1);
}

void TIEMultiView::ReportChange(int32_t Kind, int32_t Index, int32_t Index2) {
    FLastChangeKind = Kind;
    FLastChangeIndex = Index;
    FLastChangeIndex2 = Index2;
    CallBitmapChangeCallbacks();
    FLastChangeKind = iectNone;
}

void TIEMultiView::Clear() {
    FImages.clear();
    FSelected = -1;
    FViewX = FViewY = 0;
    CallBitmapChangeCallbacks();
    UpdateLayout();
    Invalidate();
}

void TIEMultiView::FillFromDirectory(const std::string& Folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> Names;
    std::error_code Ec;
    for (fs::directory_iterator It(Folder, Ec), End; !Ec && It != End; It.increment(Ec)) {
        std::error_code E2;
        if (It->is_directory(E2)) continue;
        std::string Name = It->path().filename().string();
        if (IEMultiViewIsImageFile(Name)) Names.push_back(Name);
    }
    // The folder's listing order is arbitrary on Linux: the numbers decide.
    std::sort(Names.begin(), Names.end(), IENaturalLess);
    std::string Dir = Folder;
    if (!Dir.empty() && Dir.back() != '/') Dir += '/';
    LockPaint();
    for (const std::string& Name : Names) {
        TImage Img;
        Img.Bitmap = std::make_unique<TIEBitmap>();
        Img.FileName = Dir + Name;
        if (!IEMultiViewLoadFile(Img.Bitmap.get(), Img.FileName)) {
            // Until the I/O component reads every JPEG, the class library's picture does.
            try {
                TJPEGImage Jpeg;
                Jpeg.LoadFromFile(Img.FileName);
                TBitmap Bmp;
                Jpeg.AssignTo(Bmp);
                Img.Bitmap = std::make_unique<TIEBitmap>();
                Img.Bitmap->CopyFromTBitmap(&Bmp);
            } catch (const std::exception&) {
                Img.Bitmap = std::make_unique<TIEBitmap>();  // listed, drawn empty
            }
        }
        Img.BottomText = std::make_unique<TIEMText>();
        Img.BottomText->Text = Name;
        Img.SourceWidth = Img.Bitmap->Width();
        Img.SourceHeight = Img.Bitmap->Height();
        std::unique_ptr<TIEBitmap> Read;
        if (StoreType == ietThumb && Img.Bitmap->Width() > 0) Read = std::move(Img.Bitmap);
        FImages.push_back(std::move(Img));
        // Kept as the store type says: a thumbnail is scaled from what was read.
        if (Read) SetImageBitmap(GetImageCount() - 1, Read.get());
        ReportChange(iectInsert, GetImageCount() - 1, -1);
    }
    UnlockPaint();
    UpdateLayout();
}

void TIEMultiView::DoImageSelect(int32_t Index) {
    if (FUserAction && OnImageSelect) OnImageSelect(this, Index);
}

void TIEMultiView::DoImageDeselect(int32_t Index) {
    if (FUserAction && OnImageDeselect && !ComponentState().Contains(csDestroying)) OnImageDeselect(this, Index);
}

bool TIEMultiView::IsImageSelected(int32_t Index) const {
    return std::find(FMulti.begin(), FMulti.end(), Index) != FMulti.end();
}

void TIEMultiView::SelectImageInternal(int32_t Index) {
    FSelectionChanged = false;
    if (FPlaying || Index < 0 || Index >= GetImageCount()) return;
    if (EnableMultiSelect) {
        if (!FAdditive) {
            for (int32_t I : std::vector<int32_t>(FMulti)) DoImageDeselect(I);
            FMulti.clear();
        } else if (IsImageSelected(Index)) {
            DoImageDeselect(Index);
            FMulti.erase(std::find(FMulti.begin(), FMulti.end(), Index));
            if (!FKeep) {
                // A toggle: the image leaves the selection.
                FSelected = -1;
                FSelectionChanged = true;
                CallBitmapChangeCallbacks();
                return;
            }
        }
        FMulti.push_back(Index);
        FSelectionChanged = true;
    }
    FSelected = Index;
    CallBitmapChangeCallbacks();
    DoImageSelect(Index);
    ImageChange();
    Invalidate();
}

void TIEMultiView::SetSelectedImage(int32_t Index) {
    if (FPlaying || Index < 0 || Index >= GetImageCount() || (Index == FSelected && !FAdditive)) return;
    SelectImageInternal(Index);
}

void TIEMultiView::ClearSelection() {
    if (EnableMultiSelect) {
        for (int32_t I : std::vector<int32_t>(FMulti)) DoImageDeselect(I);
        FMulti.clear();
    } else if (FSelected >= 0) {
        DoImageDeselect(FSelected);
    }
    FSelected = -1;
}

void TIEMultiView::DeselectAll() {
    ClearSelection();
    Invalidate();
}

void TIEMultiView::SelectAtPos(int X, int Y, TShiftState Shift) {
    const bool SavedAdditive = FAdditive;
    if (Shift.Contains(ssCtrl) || Shift.Contains(ssShift)) FAdditive = true;
    const int32_t I = ImageAtPos(X, Y);
    if (I >= 0) {
        const int32_t S = FSelected;
        if (Shift.Contains(ssShift) && S >= 0 && (I != S || (FAdditive && EnableMultiSelect))) {
            std::vector<int32_t> Range;
            if (MultiSelectionOptions.Contains(iemoRegion)) {
                const int32_t R0 = std::min(GetImageRow(S), GetImageRow(I)), R1 = std::max(GetImageRow(S), GetImageRow(I));
                const int32_t C0 = std::min(GetImageCol(S), GetImageCol(I)), C1 = std::max(GetImageCol(S), GetImageCol(I));
                for (int32_t K = 0; K < GetImageCount(); ++K)
                    if (K != S && K != I && GetImageRow(K) >= R0 && GetImageRow(K) <= R1 && GetImageCol(K) >= C0 &&
                        GetImageCol(K) <= C1)
                        Range.push_back(K);
            } else {
                for (int32_t K = S + (I > S ? 1 : -1); K != I; K += I > S ? 1 : -1) Range.push_back(K);
            }
            for (int32_t K : Range)
                if (!IsImageSelected(K)) SelectImageInternal(K);
        }
        SelectImageInternal(I);
        Invalidate();
    }
    FAdditive = SavedAdditive;
}

void TIEMultiView::InsertImage(int32_t Index) {
    SetPlaying(false);
    Index = std::clamp<int32_t>(Index, 0, GetImageCount());
    TImage Img;
    Img.Bitmap = std::make_unique<TIEBitmap>();
    Img.BottomText = std::make_unique<TIEMText>();
    FImages.insert(FImages.begin() + Index, std::move(Img));
    ReportChange(iectInsert, Index, -1);
    UpdateLayout();
}

bool TIEMultiView::DeleteImage(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return false;
    SetPlaying(false);
    const int32_t S = FSelected;
    ClearSelection();
    FImages.erase(FImages.begin() + Index);
    if (Index == S && Index >= GetImageCount())
        SelectImageInternal(GetImageCount() - 1);
    else if (Index < S)
        SelectImageInternal(S - 1);
    else
        SelectImageInternal(S);
    ReportChange(iectDelete, Index, -1);
    return true;
}

void TIEMultiView::SetImageBitmap(int32_t Index, TIEBitmap* Bitmap) {
    if (Index < 0 || Index >= GetImageCount() || !Bitmap) return;
    auto Stored = std::make_unique<TIEBitmap>();
    const int32_t BW = Bitmap->Width(), BH = Bitmap->Height();
    int32_t TW = ThumbWidth, TH = ThumbHeight;
    if (StoreType == ietThumb && BW > 0 && BH > 0) ScaleToFit(BW, BH, ThumbWidth, ThumbHeight, TW, TH);
    if (StoreType == ietNormal || (BW == TW && BH == TH)) {
        Stored->Assign(Bitmap);
    } else {
        // The caller's bitmap is never changed: transparent pixels are greyed on a copy.
        TIEBitmap Work;
        Work.Assign(Bitmap);
        const bool Alpha = Work.HasAlphaChannel();
        if (Alpha) FillTransparentPixels(&Work, TRGB{128, 128, 128});
        if (Work.PixelFormat() == ie1g) {
            Stored->Allocate(TW, TH, ieRGB24);
            ResampleBWToRGB24(&Work, 0, 0, BW - 1, BH - 1, Stored.get());
        } else if (Work.PixelFormat() == ieRGB24) {
            Stored->Allocate(TW, TH, ieRGB24);
            ResampleRGB24(&Work, Stored.get(), rfFastLinear);
        } else {
            Stored->Allocate(TW, TH, Work.PixelFormat());
            ResampleNearest(&Work, Stored.get());
        }
        if (Alpha) {
            ResampleGray8(Work.GetAlphaChannel(), Stored->GetAlphaChannel(), rfFastLinear);
            Stored->GetAlphaChannel()->Full = Work.GetAlphaChannel()->Full;
        }
    }
    FImages[Index].Bitmap = std::move(Stored);
    FImages[Index].SourceWidth = BW;
    FImages[Index].SourceHeight = BH;
    CallBitmapChangeCallbacks();
    Invalidate();
}

int32_t TIEMultiView::ImageSourceWidth(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index].SourceWidth : 0;
}

int32_t TIEMultiView::ImageSourceHeight(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index].SourceHeight : 0;
}

void TIEMultiView::SetImageDelayTime(int32_t Index, int32_t Milliseconds) {
    if (Index >= 0 && Index < GetImageCount()) FImages[Index].DelayTime = Milliseconds;
}

int32_t TIEMultiView::ImageDelayTime(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index].DelayTime : 0;
}

std::string TIEMultiView::ImageFileName(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index].FileName : std::string();
}

TIEMText* TIEMultiView::GetImageBottomText(int32_t Index) {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index].BottomText.get() : nullptr;
}

TIEBitmap* TIEMultiView::ImageBitmap(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index].Bitmap.get() : nullptr;
}

TIEBitmap* TIEMultiView::GetIEBitmap() { return ImageBitmap(FSelected); }

int32_t TIEMultiView::PresetThumbnailFrameCount() { return static_cast<int32_t>(std::size(Presets)); }

void TIEMultiView::SetPresetThumbnailFrame(int32_t Index, TColor NormalColour, TColor SelectedColour) {
    if (Index < 0 || Index >= PresetThumbnailFrameCount()) return;
    auto Normal = std::make_unique<TIEBitmap>();
    if (!IEMultiViewLoadFrame(Normal.get(), Presets[Index].Name)) return;
    auto Selected = std::make_unique<TIEBitmap>();
    Selected->Assign(Normal.get());
    TintFrame(Selected.get(), SelectedColour);
    TintFrame(Normal.get(), NormalColour);
    FFrame = Index;
    FFrameNormal = NormalColour;
    FFrameSelected = SelectedColour;
    FFrameNormalBitmap = std::move(Normal);
    FFrameSelectedBitmap = std::move(Selected);
    FFrameInner = Presets[Index].Inner;
    SelectionWidth = 0;
    Flat = true;
    ShowCaptions = false;
    ThumbWidth = FFrameNormalBitmap->Width();
    ThumbHeight = FFrameNormalBitmap->Height();
    UpdateLayout();
    Invalidate();
}

int32_t TIEMultiView::Columns() {
    if (GridWidth != -1) return GridWidth;
    return std::max<int32_t>(0, (ClientWidth() - HorizBorder) / std::max(1, HorizBorder + ThumbWidth));
}

void TIEMultiView::ArrangeCells() {
    const int32_t C = Columns();
    int32_t K = 0, R = 0;
    FExtentW = FExtentH = 0;
    const bool Grid = FDisplayMode == mdGrid;
    for (TImage& Img : FImages) {
        const int32_t X = K * (ThumbWidth + HorizBorder) + (Grid ? HorizBorder : 0);
        const int32_t Y = R * (ThumbHeight + VertBorder) + (Grid ? VertBorder : 0);
        Img.X = X;
        Img.Y = Y;
        Img.Row = R;
        Img.Col = K;
        FExtentW = std::max(FExtentW, X);
        FExtentH = std::max(FExtentH, Y);
        if (!Grid) {
            K = R = 0;  // every cell in the one place
        } else if (++K == C) {
            K = 0;
            ++R;
        }
    }
    FExtentW += ThumbWidth + HorizBorder;
    FExtentH += ThumbHeight + VertBorder;
}

void TIEMultiView::GetMaxViewXY(int32_t& MaxX, int32_t& MaxY) {
    ArrangeCells();
    MaxX = std::max<int32_t>(FExtentW - ClientWidth(), 0);
    MaxY = std::max<int32_t>(FExtentH - ClientHeight(), 0);
}

void TIEMultiView::SetViewXY(int32_t X, int32_t Y) {
    int32_t MX, MY;
    GetMaxViewXY(MX, MY);
    X = std::clamp<int32_t>(X, 0, MX);
    Y = std::clamp<int32_t>(Y, 0, MY);
    if (X == FViewX && Y == FViewY) return;
    const bool MovedX = X != FViewX, MovedY = Y != FViewY;
    FViewX = X;
    FViewY = Y;
    Invalidate();
    if (!HandleAllocated()) return;
    if (MovedX && (FScrollBars == ssHorizontal || FScrollBars == ssBoth))
        IESetScrollPos(Handle(), SB_HORZ, static_cast<int>(FViewX / FScaleX), TRUE, false);
    if (MovedY && (FScrollBars == ssVertical || FScrollBars == ssBoth))
        IESetScrollPos(Handle(), SB_VERT, static_cast<int>(FViewY / FScaleY), TRUE, false);
}

void TIEMultiView::Resize() {
    TIEView::Resize();
    UpdateLayout();
}

void TIEMultiView::SetupBar(int Bar, int32_t Max) {
    const bool H = Bar == SB_HORZ;
    HWND W = Handle();
    if (Max < 1) {
        IEShowScrollBar(W, Bar, FALSE, false);
        return;
    }
    const int32_t Client = H ? ClientWidth() : ClientHeight();
    double& Scale = H ? FScaleX : FScaleY;
    Scale = (Client + Max - 1) / 65536.0;
    IESetScrollRange(W, Bar, 0, 65535, FALSE, false);
    IESetScrollPage(W, Bar, static_cast<int>(Client / Scale), TRUE, false);
    IESetScrollPos(W, Bar, static_cast<int>((H ? FViewX : FViewY) / Scale), FALSE, false);
    IEEnableScrollBar(W, Bar, ESB_ENABLE_BOTH, false);
    IEShowScrollBar(W, Bar, TRUE, false);
}

void TIEMultiView::UpdateLayout() {
    if (FPaintLock > 0 || FUpdating || ComponentState().Contains(csDestroying) ||
        ComponentState().Contains(csLoading) || !Parent() || !HandleAllocated()) {
        FLayoutPending = true;  // the first paint with a window runs it
        return;
    }
    FLayoutPending = false;
    FUpdating = true;
    ArrangeCells();
    // Showing or hiding a bar changes the client size: again until it stays.
    for (int Pass = 0; Pass < 9; ++Pass) {
        const int32_t CW = ClientWidth(), CH = ClientHeight();
        int32_t MX, MY;
        GetMaxViewXY(MX, MY);
        if (FViewX > MX || FViewY > MY) {
            FViewX = std::min(FViewX, MX);
            FViewY = std::min(FViewY, MY);
            if (OnViewChange) OnViewChange(this, 0);
        }
        try {
            if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) SetupBar(SB_HORZ, MX);
            if (FScrollBars == ssVertical || FScrollBars == ssBoth) SetupBar(SB_VERT, MY);
        } catch (...) {
        }
        if (ClientWidth() == CW && ClientHeight() == CH) break;
    }
    FUpdating = false;
    Invalidate();
}

void TIEMultiView::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    if (HandleAllocated()) {
        if (Value == ssNone || Value == ssVertical) IEShowScrollBar(Handle(), SB_HORZ, FALSE, false);
        if (Value == ssNone || Value == ssHorizontal) IEShowScrollBar(Handle(), SB_VERT, FALSE, false);
    }
    UpdateLayout();
}

int32_t TIEMultiView::GetImageRow(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return 0;
    ArrangeCells();
    return FImages[Index].Row;
}

int32_t TIEMultiView::GetImageCol(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return 0;
    ArrangeCells();
    return FImages[Index].Col;
}

TRect TIEMultiView::ThumbRect(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return TRect(0, 0, 0, 0);
    ArrangeCells();
    return Bounds(FImages[Index].X - FViewX, FImages[Index].Y - FViewY, ThumbWidth, ThumbHeight);
}

int32_t TIEMultiView::GetImageVisibility(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return 0;
    const TRect R = ThumbRect(Index);
    const int32_t CW = ClientWidth(), CH = ClientHeight();
    // The cell's last pixel is (right - 1, bottom - 1).
    if (R.right - 1 < 0 || R.bottom - 1 < 0 || R.left > CW - 1 || R.top > CH - 1) return 0;
    if (R.left >= 0 && R.top >= 0 && R.right - 1 <= CW - 1 && R.bottom - 1 <= CH - 1) return 2;
    return 1;
}

int32_t TIEMultiView::ImageAtGridPos(int32_t Row, int32_t Col) { return Row * Columns() + Col; }

int32_t TIEMultiView::ImageAtPos(int X, int Y) {
    ArrangeCells();
    const int32_t Row = (Y + FViewY) / (ThumbHeight + VertBorder);
    const int32_t Col = (X + FViewX) / (ThumbWidth + HorizBorder);
    // One strip (no columns): the column alone names the image.
    const int32_t I = Columns() == 0 ? (Row == 0 ? Col : GetImageCount()) : ImageAtGridPos(Row, Col);
    if (I >= GetImageCount()) return -1;
    if (I < 0) return I;
    const int32_t L = FImages[I].X - FViewX, T = FImages[I].Y - FViewY;
    if (X - L < 0 || X - L > ThumbWidth - 1 || Y - T < 0 || Y - T > ThumbHeight - 1) return -1;
    return I;
}

void TIEMultiView::MoveSelection(int32_t Direction) {
    const int32_t N = GetImageCount();
    if (N == 0) return;
    ArrangeCells();
    const int32_t S = FSelected, C = Columns();
    const int32_t P = C * ((ClientHeight() - VertBorder) / (VertBorder + ThumbHeight));
    int32_t New = S;
    switch (Direction) {
        case 0: if (S >= 0) New = S - 1; break;
        case 1: New = S + 1; break;
        case 2: if (S >= 0) New = GridWidth != 0 ? std::max(S - C, 0) : S - 1; break;
        case 3: New = GridWidth != 0 ? std::min(S + C, N - 1) : S + 1; break;
        case 4: New = 0; break;
        case 5: New = N - 1; break;
        case 6: New = std::min(S + P, N - 1); break;
        case 7: if (S >= 0) New = std::max(S - P, 0); break;
        default: return;
    }
    SetSelectedImage(New);
    if (FSelected < 0 || GetImageVisibility(FSelected) == 2) return;
    const int32_t X = FImages[FSelected].X, Y = FImages[FSelected].Y;
    const int32_t CW = ClientWidth(), CH = ClientHeight();
    auto TopEdge = [&] {
        SetViewY(Y - VertBorder);
        if (GetImageVisibility(FSelected) != 2) SetViewX(X - HorizBorder);
    };
    auto BottomEdge = [&] {
        SetViewY(Y + ThumbHeight + VertBorder - CH);
        if (GetImageVisibility(FSelected) != 2) SetViewX(X + ThumbWidth + HorizBorder - CW);
    };
    switch (Direction) {
        case 0: SetViewXY(X - HorizBorder, Y - VertBorder); break;
        case 1: SetViewXY(X + ThumbWidth + HorizBorder - CW, Y + ThumbHeight + VertBorder - CH); break;
        case 2:
        case 7: TopEdge(); break;
        case 4: SetViewXY(0, 0); break;
        default: BottomEdge(); break;
    }
}

void TIEMultiView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TIEView::MouseDown(Button, Shift, X, Y);
    // The press the windowing library reports for a double click selects nothing.
    if (FDblClickPending) {
        FDblClickPending = false;
        return;
    }
    FUserAction = true;
    if (CanFocus()) SetFocus();
    FDownX = X;
    FDownY = Y;
    FDownViewX = FViewX;
    FDownViewY = FViewY;
    FMouseDownPending = true;
    FSelectedAtDown = FSelectionChanged = false;
    if (HandleAllocated()) SetCapture(Handle());
    const int32_t I = ImageAtPos(X, Y);
    if (MultiSelectionOptions.Contains(iemoSelectOnMouseUp) || Button != mbLeft || !MouseInteract.Contains(mmiSelect)) {
        FUserAction = false;
        return;
    }
    if (Shift.Contains(ssShift)) {
        // A range from the anchor.
        const bool A = FAdditive, K = FKeep;
        FAdditive = false;
        FKeep = true;
        ClearSelection();
        SelectImageInternal(FAnchor < 0 ? 0 : FAnchor);
        FAdditive = A;
        SelectAtPos(X, Y, TShiftState{ssShift});
        FKeep = K;
        FSelectedAtDown = true;
    } else if (I >= 0 && IsImageSelected(I)) {
        FAnchor = I;  // a drag may start with the whole selection
    } else {
        FAnchor = I;
        SelectAtPos(X, Y, Shift);
    }
    FUserAction = false;
}

void TIEMultiView::MouseMove(TShiftState Shift, int X, int Y) {
    TIEView::MouseMove(Shift, X, Y);
    if (!FMouseDownPending || !MouseInteract.Contains(mmiScroll)) return;
    SetViewXY(FDownViewX + FDownX - X, FDownViewY + FDownY - Y);
    if (OnViewChange) OnViewChange(this, 0);
}

void TIEMultiView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TIEView::MouseUp(Button, Shift, X, Y);
    if (!FMouseDownPending) return;
    FMouseDownPending = false;
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
    if (Button != mbLeft) return;
    FUserAction = true;
    if (MouseInteract.Contains(mmiSelect)) {
        // A click on an image of a multiple selection reduces the selection to it.
        if (MultiSelectionOptions.Contains(iemoSelectOnMouseUp) ? !FSelectedAtDown : !FSelectionChanged)
            SelectAtPos(X, Y, Shift);
    }
    if (MouseInteract.Contains(mmiScroll)) SetViewXY(FDownViewX + FDownX - X, FDownViewY + FDownY - Y);
    FUserAction = false;
}

bool TIEMultiView::DoKeyDown(WORD& Key, TShiftState Shift) {
    const bool R = TIEView::DoKeyDown(Key, Shift);
    static const struct {
        WORD Key;
        int32_t Direction;
    } Keys[] = {{VK_PRIOR, 7}, {VK_NEXT, 6}, {VK_END, 5}, {VK_HOME, 4},
                {VK_LEFT, 0},  {VK_UP, 2},   {VK_RIGHT, 1}, {VK_DOWN, 3}};
    for (const auto& K : Keys)
        if (K.Key == Key) {
            MoveSelection(K.Direction);
            if (OnViewChange) OnViewChange(this, 0);
            return true;
        }
    return R;
}

void TIEMultiView::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_MOUSEWHEEL: {
            // One row per message, whatever the delta.
            const int Delta = static_cast<int16_t>(HIWORD(Message.WParam));
            SetViewY(FViewY + (Delta > 0 ? -1 : 1) * (ThumbHeight + VertBorder));
            if (OnViewChange) OnViewChange(this, 0);
            Message.Result = 0;
            return;
        }
        case CM_WANTSPECIALKEY:
            TIEView::WndProc(Message);
            if (Message.WParam >= 33 && Message.WParam <= 40) Message.Result = 1;
            return;
        case WM_LBUTTONDBLCLK:
            FDblClickPending = true;
            break;
        case WM_TIMER:
            if (Message.WParam == 1) {
                PlayNext();
                return;
            }
            break;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            TIEView::WndProc(Message);
            const bool H = Message.Msg == WM_HSCROLL;
            const TIEScrollBarParams& P = H ? HScrollBarParams : VScrollBarParams;
            const int32_t V = H ? FViewX : FViewY;
            const int32_t Line = P.LineStep == -1 ? (H ? ThumbWidth + HorizBorder : ThumbHeight + VertBorder) : P.LineStep;
            const int32_t Page = P.PageStep == -1 ? (H ? ClientWidth() : ClientHeight()) : P.PageStep;
            const int32_t Pos = HIWORD(Message.WParam);
            int32_t MX, MY;
            GetMaxViewXY(MX, MY);
            int32_t N = V;
            switch (LOWORD(Message.WParam)) {
                case SB_LINEUP: N = V - Line; break;
                case SB_LINEDOWN: N = V + Line; break;
                case SB_PAGEUP: N = V - Page; break;
                case SB_PAGEDOWN: N = V + Page; break;
                case SB_TOP: N = 0; break;
                case SB_BOTTOM: N = H ? MX : MY; break;
                case SB_THUMBTRACK:
                    if (!P.Tracking) return;
                    [[fallthrough]];
                case SB_THUMBPOSITION: N = static_cast<int32_t>(Pos * (H ? FScaleX : FScaleY)); break;
                default: break;
            }
            // Scroll-bar messages are no user action: no OnViewChange.
            if (H)
                SetViewX(N);
            else
                SetViewY(N);
            return;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TIEView::WndProc(Message);
            Invalidate();
            return;
        default: break;
    }
    TIEView::WndProc(Message);
}

void TIEMultiView::DrawThumb(TCanvas& Canvas, int32_t Index, const TRect& R) {
    TImage& Img = FImages[Index];
    const bool Selected = Index == FSelected;
    TBitmap Cell(R.Width(), R.Height(), pf24bit);
    Cell.Canvas().Brush().SetStyle(bsSolid);
    Cell.Canvas().Brush().SetColor(FBackground);
    Cell.Canvas().FillRect(TRect(0, 0, Cell.Width(), Cell.Height()));
    TRect ImageArea(4, 4, R.Width() - 4, R.Height() - 20), TextArea(2, R.Height() - 18, R.Width() - 2, R.Height() - 2);
    const bool Framed = FFrame >= 0 && FFrameNormalBitmap;
    if (Framed) {
        // The frame scaled to the cell, its alpha over the background; the picture goes inside.
        TIEBitmap* F = Selected ? FFrameSelectedBitmap.get() : FFrameNormalBitmap.get();
        F->RenderToTBitmap(&Cell, 0, 0, Cell.Width(), Cell.Height(), 0, 0, F->Width(), F->Height(), 255, rfNone);
        ImageArea = FFrameInner;
    }
    TIEBitmap* B = Img.Bitmap.get();
    if (B && B->Width() > 1 && B->Height() > 1 && ImageArea.Width() > 0 && ImageArea.Height() > 0) {
        // Fit the picture into its area, keeping its proportions.
        int32_t W = ImageArea.Width(), H = static_cast<int32_t>(int64_t(B->Height()) * W / B->Width());
        if (H > ImageArea.Height()) {
            H = ImageArea.Height();
            W = static_cast<int32_t>(int64_t(B->Width()) * H / B->Height());
        }
        W = std::max(W, 1);
        H = std::max(H, 1);
        int32_t X = ImageArea.left + (ImageArea.Width() - W) / 2, Y = ImageArea.top + (ImageArea.Height() - H) / 2;
        B->RenderToTBitmap(&Cell, X, Y, W, H, 0, 0, B->Width(), B->Height(), 255, rfTriangle);
    }
    TCanvas& C = Cell.Canvas();
    if (!Framed) {
        // Without a frame: the thumbnail's border and the selection outline.
        C.Brush().SetColor(ThumbnailsBorderColor);
        C.FrameRect(TRect(0, 0, Cell.Width(), Cell.Height()));
        if (Selected && SelectionWidth > 0) {
            C.Brush().SetColor(SelectionColor);
            for (int k = 1; k <= SelectionWidth; ++k)
                C.FrameRect(TRect(k, k, Cell.Width() - k, Cell.Height() - k));
        }
    }
    if (TIEMText* T = ShowCaptions ? Img.BottomText.get() : nullptr) {
        C.Font().Assign(Font());
        C.Font().SetColor(T->FontColor);
        if (T->BackgroundStyle == 1) {
            C.Brush().SetStyle(bsClear);
        } else {
            C.Brush().SetColor(T->Background);
            C.Brush().SetStyle(bsSolid);
        }
        const std::string Text = IECutCaption(C, T->Text, TextArea.Width(), T->CutSide);
        int Tw = C.TextWidth(Text), Th = C.TextHeight(Text);
        int Tx = TextArea.left + std::max(0, (static_cast<int>(TextArea.Width()) - Tw) / 2);
        int Ty = TextArea.top + (static_cast<int>(TextArea.Height()) - Th) / 2;
        C.TextRect(TextArea, Tx, Ty, Text);
    }
    Canvas.Draw(R.left, R.top, Cell);
    if (OnImageDraw) OnImageDraw(this, Index, R.left, R.top, &Canvas);
}

void TIEMultiView::Paint() {
    if (FLayoutPending) UpdateLayout();
    TCanvas& C = Canvas();
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(FBackground);
    C.FillRect(ClientRect());
    if (FPlaying || FDisplayMode == mdSingle) {
        // One cell: the image at the playback index.
        if (GetImageCount() == 0) return;
        FPlayIndex = std::clamp<int32_t>(FPlayIndex, 0, GetImageCount() - 1);
        DrawThumb(C, FPlayIndex, ThumbRect(FPlayIndex));
        return;
    }
    for (int32_t i = 0; i < GetImageCount(); ++i)
        if (GetImageVisibility(i) != 0) DrawThumb(C, i, ThumbRect(i));
}

void TIEMultiView::SetDisplayMode(TIEMDisplayMode Value) {
    if (FPlaying) {
        FSavedDisplayMode = Value;  // taken back when playback ends
        return;
    }
    FDisplayMode = Value;
    UpdateLayout();
}

void TIEMultiView::SetPlaying(bool Value) {
    if (Value == FPlaying) return;
    if (Value) {
        FSavedDisplayMode = FDisplayMode;
        FSavedSelected = FSelected;
        DeselectAll();
    }
    FPlaying = Value;
    PlayNext();
    if (!FPlaying) {
        if (HandleAllocated()) KillTimer(Handle(), 1);
        FDisplayMode = FSavedDisplayMode;
        UpdateLayout();
        SetSelectedImage(FSavedSelected);
    }
}

void TIEMultiView::PlayNext() {
    if (FInPlayStep || ComponentState().Contains(csDestroying)) return;
    FInPlayStep = true;
    if (HandleAllocated()) KillTimer(Handle(), 1);
    if (FPlaying) {
        if (FDisplayMode != mdSingle) {
            FDisplayMode = mdSingle;
            UpdateLayout();
        }
        const int32_t N = GetImageCount();
        if (N > 0) {
            FPlayIndex = std::min(FPlayIndex, N - 1);
            const int32_t Shown = FPlayIndex;
            if (HandleAllocated()) {
                Invalidate();
                TIEView::Update();  // paints at once
            }
            if (Shown == N - 1) {
                FPlayIndex = 0;
                CallBitmapChangeCallbacks();
                if (!PlayLoop) {
                    FInPlayStep = false;
                    SetPlaying(false);
                    return;
                }
            } else {
                FPlayIndex = Shown + 1;
            }
            if (HandleAllocated())
                SetTimer(Handle(), 1, static_cast<UINT>(std::max(FImages[Shown].DelayTime, 10)), nullptr);
        }
    }
    FInPlayStep = false;
}

TClassInfo& TIEMultiView::StaticClassInfo() {
    static TClassInfo CI("TIEMultiView", &TIEView::StaticClassInfo(), CreateComponentOf<TIEMultiView>,
                         [](TClassInfo& C) {
                             using S = TSetter<TIEMultiView>;
                             auto Int = [&C](const char* Name, int32_t TIEMultiView::*Field) {
                                 C.Define<TIEMultiView>(Name, S([Field](TIEMultiView& O, const TFormValue& V,
                                                                        TFormReader& R) {
                                                            O.*Field = static_cast<int32_t>(R.Int(V));
                                                        }));
                             };
                             Int("ThumbWidth", &TIEMultiView::ThumbWidth);
                             Int("ThumbHeight", &TIEMultiView::ThumbHeight);
                             Int("HorizBorder", &TIEMultiView::HorizBorder);
                             Int("VertBorder", &TIEMultiView::VertBorder);
                             Int("SelectionWidth", &TIEMultiView::SelectionWidth);
                             Int("GridWidth", &TIEMultiView::GridWidth);
                             C.Define<TIEMultiView>("StoreType", S([](TIEMultiView& O, const TFormValue& V,
                                                                      TFormReader& R) {
                                                        O.StoreType = R.Enum<TIEStoreType>(V, {"ietNormal", "ietThumb"});
                                                    }));
                             C.Define<TIEMultiView>("MouseInteract", S([](TIEMultiView& O, const TFormValue& V,
                                                                          TFormReader& R) {
                                                        O.MouseInteract =
                                                            R.Set<TIEMMouseInteractItem>(V, {"mmiScroll", "mmiSelect"});
                                                    }));
                             C.Define<TIEMultiView>("ScrollBars", S([](TIEMultiView& O, const TFormValue& V,
                                                                       TFormReader& R) {
                                                        O.SetScrollBars(R.Enum<TScrollStyle>(
                                                            V, {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}));
                                                    }));
                             C.Define<TIEMultiView>("ThumbnailsBorderColor",
                                                    S([](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
                                                        O.ThumbnailsBorderColor = ControlProps::ReadColor(R, V);
                                                    }));
                             C.Define<TIEMultiView>("SelectionColor",
                                                    S([](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
                                                        O.SelectionColor = ControlProps::ReadColor(R, V);
                                                    }));
                             C.Define<TIEMultiView>("Flat", S([](TIEMultiView& O, const TFormValue& V,
                                                                 TFormReader& R) { O.Flat = R.Bool(V); }));
                         });
    return CI;
}

void RegisterMultiView() {
    static bool Done = false;
    if (Done) return;
    Done = true;
    RegisterClass(TIEMultiView::StaticClassInfo());
}
