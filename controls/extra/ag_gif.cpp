#include "controls/extra/ag_gif.h"

#include <algorithm>
#include <cstring>

#include "controls/extra/ag_drawhelpers.h"
#include "controls/extra/ag_graph.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/winuser.h"
#include "platform/rtl/scope.h"

namespace {

[[noreturn]] void Fail(const std::string& Text) { throw EInvalidGraphicOperation(Text); }

// Tolerant decoding: damaged data marks the frame instead of failing the load.
constexpr bool kTolerant = true;

int ReadByte(TStream& S) {
    uint8_t B = 0;
    return S.Read(&B, 1) == 1 ? B : -1;
}

uint16_t ReadU16(TStream& S) {
    uint8_t B[2];
    S.ReadBuffer(B, 2);
    return static_cast<uint16_t>(B[0] | (B[1] << 8));
}

bool AtEnd(TStream& S) { return S.Position() >= S.Size(); }

// The next separator: zero bytes are skipped; 0 at the end of the data.
uint8_t NextSeparator(TStream& S) {
    for (;;) {
        int B = ReadByte(S);
        if (B < 0) return 0;
        if (B != 0) return static_cast<uint8_t>(B);
    }
}

// Data sub-blocks until a zero length or the end of the data, one line each.
void ReadSubBlocks(TStream& S, TStrings& Lines) {
    for (;;) {
        int L = ReadByte(S);
        if (L <= 0) return;
        std::string Line(static_cast<size_t>(L), '\0');
        Line.resize(static_cast<size_t>(S.Read(Line.data(), L)));
        Lines.Add(Line);
        if (static_cast<int>(Line.size()) < L) return;
    }
}

void ReadColourTable(TStream& S, TGIFColourTable& T, int Count) {
    T.Count = Count;
    S.ReadBuffer(T.RGB.data(), 3 * Count);
}

int ExponentOf(int Count) {
    for (int E = 1; E <= 8; ++E)
        if ((1 << E) == Count) return E;
    Fail("Wrong number of colors; must be a power of 2");
}

// The smallest B of at least 1 with 2^B >= Count.
uint8_t BitsFor(int Count) {
    uint8_t B = 1;
    while (B < 8 && (1 << B) < Count) ++B;
    return B;
}

void WriteU8(TStream& S, uint8_t V) { S.WriteBuffer(&V, 1); }
void WriteU16(TStream& S, int V) {
    uint8_t B[2] = {static_cast<uint8_t>(V & 0xFF), static_cast<uint8_t>((V >> 8) & 0xFF)};
    S.WriteBuffer(B, 2);
}

// A table written with its full power-of-two size; missing entries are black.
void WriteColourTable(TStream& S, const TGIFColourTable& T, int Bits) {
    std::vector<uint8_t> Bytes(3u << Bits, 0);
    std::memcpy(Bytes.data(), T.RGB.data(), std::min<size_t>(Bytes.size(), 3u * T.Count));
    S.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
}

void WriteSubBlocks(TStream& S, const TStrings& Lines, bool Cut) {
    for (int I = 0; I < Lines.Count(); ++I) {
        std::string L = Lines[I];
        if (Cut && L.size() > 255) L.resize(255);
        for (size_t P = 0; P < L.size(); P += 255) {
            const size_t N = std::min<size_t>(255, L.size() - P);
            WriteU8(S, static_cast<uint8_t>(N));
            S.WriteBuffer(L.data() + P, static_cast<int64_t>(N));
        }
    }
    WriteU8(S, 0);
}

bool IsLoopBlock(const TExtension& E) {
    if (E.Header.size() < 12 || E.Lines.Count() == 0) return false;
    const std::string Id(reinterpret_cast<const char*>(E.Header.data() + 1), std::min<size_t>(E.Header[0], 11));
    if (Id != "NETSCAPE2.0" && Id != "ANIMEXTS1.0") return false;
    const std::string First = E.Lines[0];
    return First.size() >= 3 && First[0] == 1;
}

uint8_t FrameDepth(int ColourBits) {
    if (ColourBits == 1) return 1;
    if (ColourBits >= 2 && ColourBits <= 4) return 4;
    if (ColourBits >= 5 && ColourBits <= 8) return 8;
    Fail("Wrong number of colors; must be a power of 2");
}

uint32_t Get32(const uint8_t* P) { return P[0] | (P[1] << 8) | (P[2] << 16) | (static_cast<uint32_t>(P[3]) << 24); }

}  // namespace

// ---- Colour tables and extensions ---------------------------------------------------

TColor TGIFColourTable::Colour(int Index) const {
    return static_cast<TColor>(RGB[3 * Index] | (RGB[3 * Index + 1] << 8) | (RGB[3 * Index + 2] << 16));
}

int TGIFColourTable::IndexOf(TColor C) const {
    for (int I = 0; I < Count; ++I)
        if (Colour(I) == C) return I;
    return -1;
}

void TExtension::Assign(const TExtension& Source) {
    Kind = Source.Kind;
    Header = Source.Header;
    Lines.Assign(Source.Lines);
}

// ---- Frames ---------------------------------------------------------------------------

TGIFFrame::TGIFFrame(TGIFImage* Owner) : OwnerImage(Owner) { ResetItem(); }
TGIFFrame::~TGIFFrame() = default;

void TGIFFrame::ResetItem() {
    Item = std::make_shared<TGIFItem>();
    IsInterlaced = IsCorrupt = IsGreyScale = HasLocalColours = false;
    TransparentColour = clGIFNone;
    Origin = POINT{0, 0};
    DelayMs = 0;
    Disposal = 0;
}

TBitmap* TGIFFrame::DecodedBitmap() {
    if (FrameBitmap && !FrameBitmap->Empty()) return FrameBitmap.get();
    auto B = std::make_unique<TBitmap>();
    if (Item->LZWData.Size() > 0) {
        auto Bmp = DecodeToBMP();
        B->LoadFromStream(*Bmp);
    }
    FrameBitmap = std::move(B);
    return FrameBitmap.get();
}

int TGIFFrame::Width() {
    if (!FrameBitmap && Item->LZWData.Size() == 0) return 0;
    return DecodedBitmap()->Width();
}

int TGIFFrame::Height() {
    if (!FrameBitmap && Item->LZWData.Size() == 0) return 0;
    return DecodedBitmap()->Height();
}

void TGIFFrame::Draw(TCanvas& Canvas, const TRect& R, bool Transparent) {
    TBitmap* B = DecodedBitmap();
    if (Transparent && TransparentColour != clGIFNone) {
        // Keyed drawing takes white as a monochrome bitmap's key; a two-colour
        // frame keys its own transparent colour, so it is drawn from a copy.
        std::unique_ptr<TBitmap> Copy;
        if (B->Monochrome()) {
            Copy = std::make_unique<TBitmap>();
            Copy->Assign(*B);
            Copy->SetPixelFormat(pf24bit);
            B = Copy.get();
        }
        StretchDrawRectTransparent(Canvas, R.left, R.top, R.Width(), R.Height(), *B, TRect(), TransparentColour);
    } else
        Canvas.StretchDraw(R, *B);
}

void TGIFFrame::Assign(const TGIFFrame* Source) {
    if (!Source) {
        ResetItem();
        FrameBitmap.reset();
        return;
    }
    Item = Source->Item;
    HasLocalColours = Source->OwnerImage == OwnerImage ? Source->HasLocalColours : true;
    Origin = Source->Origin;
    IsInterlaced = Source->IsInterlaced;
    FrameBitmap.reset();
    if (Source->FrameBitmap) {
        FrameBitmap = std::make_unique<TBitmap>();
        FrameBitmap->Assign(*Source->FrameBitmap);
    }
    TransparentColour = Source->TransparentColour;
    DelayMs = Source->DelayMs;
    Disposal = Source->Disposal;
    IsGreyScale = Source->IsGreyScale;
    IsCorrupt = Source->IsCorrupt;
    ExtensionList.clear();
    for (const auto& E : Source->ExtensionList)
        if (E->Kind == gifComment && E->Lines.Count() > 0) {
            auto Copy = std::make_unique<TExtension>();
            Copy->Assign(*E);
            ExtensionList.push_back(std::move(Copy));
        }
    if (OwnerImage) OwnerImage->UpdateScreenSize();
}

void TGIFFrame::Assign(TGIFImage* Source) {
    if (!Source || Source->Frames.empty()) return;
    Assign(Source->Frames[std::max(Source->CurrentFrame, 0)].get());
}

void TGIFFrame::Assign(TGraphic* Source) {
    if (auto* Image = dynamic_cast<TGIFImage*>(Source)) return Assign(Image);
    if (!Source || Source->Empty()) return;
    ResetItem();
    FrameBitmap = std::make_unique<TBitmap>();
    if (auto* B = dynamic_cast<TBitmap*>(Source)) {
        FrameBitmap->Assign(*B);
        if (B->Transparent) {
            TColor Key = B->TransparentColor;
            if (Key == clDefault) Key = B->Canvas().Pixel(0, B->Height() - 1);
            TransparentColour = Key & 0xFFFFFF;
        }
    } else {
        FrameBitmap->SetSize(Source->Width(), Source->Height());
        FrameBitmap->Canvas().Brush().SetColor(clFuchsia);
        FrameBitmap->Canvas().FillRect(TRect(0, 0, Source->Width(), Source->Height()));
        FrameBitmap->Canvas().Draw(0, 0, *Source);
        if (Source->Transparent) TransparentColour = clFuchsia;
    }
    if (OwnerImage) OwnerImage->UpdateScreenSize();
}

void TGIFFrame::AssignTo(TGraphic* Dest) {
    if (auto* Image = dynamic_cast<TGIFImage*>(Dest)) {
        Image->Assign(this);
        return;
    }
    if (auto* B = dynamic_cast<TBitmap*>(Dest)) {
        B->Assign(*DecodedBitmap());
        if (TransparentColour != clGIFNone) {
            B->TransparentColor = TransparentColour;
            B->Transparent = true;
        }
    }
}

TStrings& TGIFFrame::CommentText() {
    for (auto It = ExtensionList.rbegin(); It != ExtensionList.rend(); ++It)
        if ((*It)->Kind == gifComment) return (*It)->Lines;
    auto E = std::make_unique<TExtension>();
    E->Kind = gifComment;
    ExtensionList.push_back(std::move(E));
    return ExtensionList.back()->Lines;
}

void TGIFFrame::SetCommentText(const TStrings& Lines) { CommentText().Assign(Lines); }

TExtension* TGIFFrame::GraphicControl() {
    for (auto& E : ExtensionList)
        if (E->Kind == gifGraphicControl) return E.get();
    return nullptr;
}

void TGIFFrame::ReadImage(TStream& S) {
    rtl::TScopeExit Undo([&] { Item->LZWData.Clear(); });
    const uint16_t Left = ReadU16(S), Top = ReadU16(S);
    int W = ReadU16(S), H = ReadU16(S);
    const int Flags = ReadByte(S);
    if (Flags < 0) throw EReadError("Stream read error");
    IsInterlaced = Flags & 0x40;
    if (Flags & 0x80) {
        Item->ColourBits = static_cast<uint8_t>((Flags & 7) + 1);
        ReadColourTable(S, Item->ColourTable, 1 << Item->ColourBits);
        HasLocalColours = true;
    } else {
        Item->ColourTable.Count = 0;
    }
    // The LZW data as it stands in the file, up to and including the terminator.
    TMemoryStream& Lzw = Item->LZWData;
    Lzw.Clear();
    int Min = ReadByte(S);
    if (Min < 0) throw EReadError("Stream read error");
    WriteU8(Lzw, static_cast<uint8_t>(Min));
    for (;;) {
        int L = ReadByte(S);
        if (L < 0) {
            IsCorrupt = true;
            break;
        }
        WriteU8(Lzw, static_cast<uint8_t>(L));
        if (L == 0) break;
        uint8_t Block[255];
        const int64_t Got = S.Read(Block, L);
        Lzw.WriteBuffer(Block, Got);
        if (Got < L) {
            if (!kTolerant) throw EReadError("Stream read error");
            IsCorrupt = true;
            break;
        }
    }
    if (W == 0) W = OwnerImage->LogicalWidth;
    if (H == 0) H = OwnerImage->LogicalHeight;
    if (static_cast<int64_t>(W) * H > kGIFMaxFramePixels) Fail("GIF image is too large");
    Origin = POINT{Left, Top};
    Item->Width = W;
    Item->Height = H;
    Item->DescriptorFlags = static_cast<uint8_t>(Flags);
    if (!(Flags & 0x80)) Item->ColourTable = OwnerImage->GlobalData->ColourTable;

    uint32_t Delay = 0;
    for (const auto& E : ExtensionList) {
        if (E->Kind != gifGraphicControl || E->Header.size() < 6) continue;
        const uint8_t GFlags = E->Header[1];
        Delay = std::max<uint32_t>(Delay, (E->Header[2] | (E->Header[3] << 8)) * 10u);
        if (GFlags & 1) {
            if (E->Header[4] < Item->ColourTable.Count) TransparentColour = Item->ColourTable.Colour(E->Header[4]);
        } else {
            TransparentColour = clGIFNone;
        }
        Disposal = static_cast<uint8_t>((GFlags >> 2) & 7);
    }
    DelayMs = Delay;
    Undo.Dismiss();
}

std::unique_ptr<TMemoryStream> TGIFFrame::DecodeToBMP() {
    const int Depth = FrameDepth(Item->ColourBits);
    const int W = Item->Width, H = Item->Height;
    // A code of at least 3 bits yields at most 4096 pixels: a frame larger than
    // its data can fill is refused before its pixels are allocated.
    const int64_t MostPixels = (Item->LZWData.Size() * 8 / 3 + 1) * 4096;
    if (W <= 0 || H <= 0 || static_cast<int64_t>(W) * H > std::min(kGIFMaxFramePixels, MostPixels))
        Fail("GIF encoded data is corrupt");
    const int Entries = 1 << Depth;
    const int64_t RowBytes = DIBRowBytes(W, Depth);
    const uint32_t Offset = 54 + 4 * Entries;
    const int64_t ImageSize = RowBytes * H;

    auto Out = std::make_unique<TMemoryStream>();
    std::vector<uint8_t> Head(Offset, 0);
    auto Put32 = [&](size_t At, uint32_t V) {
        for (int I = 0; I < 4; ++I) Head[At + I] = static_cast<uint8_t>(V >> (8 * I));
    };
    Head[0] = 'B';
    Head[1] = 'M';
    Put32(2, static_cast<uint32_t>(Offset + ImageSize));
    Put32(10, Offset);
    Put32(14, 40);
    Put32(18, static_cast<uint32_t>(W));
    Put32(22, static_cast<uint32_t>(H));
    Head[26] = 1;
    Head[28] = static_cast<uint8_t>(Depth);
    Put32(34, static_cast<uint32_t>(ImageSize));
    std::fill(Head.begin() + 54, Head.end(), 128);
    for (int I = 0; I < std::min(Entries, static_cast<int>(Item->ColourTable.Count)); ++I) {
        uint8_t* Q = &Head[54 + 4 * I];
        Q[0] = Item->ColourTable.RGB[3 * I + 2];
        Q[1] = Item->ColourTable.RGB[3 * I + 1];
        Q[2] = Item->ColourTable.RGB[3 * I];
        Q[3] = 0;
    }
    Out->WriteBuffer(Head.data(), static_cast<int64_t>(Head.size()));

    std::vector<uint8_t> Pixels(static_cast<size_t>(ImageSize), 0);
    Item->LZWData.SetPosition(0);
    TGIFLZWTarget Target{W, H, Depth};
    if (DecodeLZW(Item->LZWData, Target, IsInterlaced, OwnerImage ? OwnerImage->OnProgress : TGIFProgress{},
                  Pixels.data(), Item->ColourBits, kTolerant))
        IsCorrupt = true;
    Out->WriteBuffer(Pixels.data(), ImageSize);
    Out->SetPosition(0);
    return Out;
}

void TGIFFrame::EncodeBitmap() {
    if (!FrameBitmap || FrameBitmap->Empty()) Fail("No GIF Data to write");
    const TPixelFormat F = FrameBitmap->PixelFormat();
    if (F == pf1bit || F == pf4bit || F == pf8bit) {
        TMemoryStream Bmp;
        FrameBitmap->SaveToStream(Bmp);
        Bmp.SetPosition(0);
        EncodeFromBMP(Bmp);
        return;
    }
    const TColorReduction Method = IsGreyScale ? crGreyLevels : crPopularity;
    if (Method == crGreyLevels) IsGreyScale = true;
    auto Bmp = BitmapToPixelFormatStream(*FrameBitmap, pf8bit, Method);
    EncodeFromBMP(*Bmp);
}

void TGIFFrame::EncodeFromBMP(TStream& Bmp) {
    const int64_t Start = Bmp.Position();
    std::vector<uint8_t> Data(static_cast<size_t>(Bmp.Size() - Start));
    Bmp.ReadBuffer(Data.data(), static_cast<int64_t>(Data.size()));
    if (Data.size() < 54) Fail("GIF image encoding error");
    const uint32_t Off = Get32(&Data[10]), HeaderSize = Get32(&Data[14]);
    const int W = static_cast<int32_t>(Get32(&Data[18]));
    const int32_t RawH = static_cast<int32_t>(Get32(&Data[22]));
    const int Bits = Data[28] | (Data[29] << 8);
    const uint32_t Used = Get32(&Data[46]);
    int Colours = Bits == 1 ? 2 : Bits == 4 ? 16 : Bits == 8 ? 256 : 0;
    if (!Colours || W <= 0 || RawH == 0 || RawH == INT32_MIN) Fail("GIF image encoding error");
    const int H = RawH < 0 ? -RawH : RawH;
    const int64_t RowBytes = DIBRowBytes(W, Bits);
    const size_t PalAt = 14 + HeaderSize;
    const int InFile = static_cast<int>(std::min<uint32_t>(Used ? Used : Colours, Colours));
    if (PalAt + 4u * InFile > Data.size() || Off + RowBytes * H > static_cast<int64_t>(Data.size()))
        Fail("GIF image encoding error");

    IsInterlaced = false;
    TGIFColourTable Table;
    Table.Count = Colours;
    for (int I = 0; I < InFile; ++I) {
        Table.RGB[3 * I] = Data[PalAt + 4 * I + 2];
        Table.RGB[3 * I + 1] = Data[PalAt + 4 * I + 1];
        Table.RGB[3 * I + 2] = Data[PalAt + 4 * I];
    }
    // The coder takes bottom-up rows.
    std::vector<uint8_t> Rows(Data.begin() + Off, Data.begin() + Off + RowBytes * H);
    if (RawH < 0)
        for (int Y = 0; Y < H / 2; ++Y)
            std::swap_ranges(Rows.begin() + Y * RowBytes, Rows.begin() + (Y + 1) * RowBytes,
                             Rows.begin() + (H - 1 - Y) * RowBytes);
    auto NewItem = std::make_shared<TGIFItem>();
    NewItem->ColourTable = Table;
    try {
        TGIFLZWTarget Header{W, H, Bits};
        EncodeLZW(NewItem->LZWData, Header, /*Interlaced=*/false, OwnerImage ? OwnerImage->OnProgress : TGIFProgress{},
                  Rows.data());
    } catch (const EAbort&) {
        ResetItem();
        throw;
    }
    NewItem->ColourBits = BitsFor(Colours);
    NewItem->Width = W;
    NewItem->Height = H;
    Item = NewItem;
    if (OwnerImage) {
        TGIFData& G = *OwnerImage->GlobalData;
        if (G.ColourTable.Count == 0) {
            G.ColourTable = Table;
            G.ColourBits = Item->ColourBits;
            HasLocalColours = false;
        } else {
            HasLocalColours = true;
        }
        OwnerImage->UpdateScreenSize();
    }
}

void TGIFFrame::SyncGraphicControl() {
    TExtension* G = GraphicControl();
    if (!G && (DelayMs || TransparentColour != clGIFNone || Disposal)) {
        auto E = std::make_unique<TExtension>();
        E->Kind = gifGraphicControl;
        E->Header = {4, 0, 0, 0, 0, 0};
        G = E.get();
        ExtensionList.push_back(std::move(E));
    }
    if (G) {
        G->Header.resize(6, 0);
        const uint32_t Hundredths = std::min<uint32_t>(DelayMs / 10, 0xFFFF);
        G->Header[2] = static_cast<uint8_t>(Hundredths & 0xFF);
        G->Header[3] = static_cast<uint8_t>(Hundredths >> 8);
        const int Index = TransparentColour == clGIFNone ? -1 : Item->ColourTable.IndexOf(TransparentColour);
        if (Index >= 0) {
            G->Header[4] = static_cast<uint8_t>(Index);
            G->Header[1] |= 1;
        } else {
            G->Header[1] &= static_cast<uint8_t>(~1);
        }
        G->Header[1] = static_cast<uint8_t>((G->Header[1] & ~0x1C) | ((Disposal & 7) << 2));
    }
    std::erase_if(ExtensionList, [](const auto& E) { return E->Kind == gifComment && E->Lines.Count() == 0; });
    if (!ExtensionList.empty() && OwnerImage) OwnerImage->GIFVersion = 2;
}

// ---- The image ------------------------------------------------------------------------

TGIFImage::TGIFImage() {
    Clear();
    Transparent = true;
}

TGIFImage::~TGIFImage() { OnChange = nullptr; }

void TGIFImage::Clear() {
    GlobalData = std::make_shared<TGIFData>();
    Frames.clear();
    CurrentFrame = -1;
    BackgroundColour = clGIFNone;
    LoopCount = 1;
    LoopEnabled = false;
    GIFVersion = 0;
}

TGIFFrame* TGIFImage::GetFrame(int Index) const {
    return Index >= 0 && Index < GetCount() ? Frames[Index].get() : nullptr;
}

int TGIFImage::AppendFrame(TGraphic* Graphic) {
    auto F = std::make_unique<TGIFFrame>(this);
    TGIFFrame* Frame = F.get();
    Frames.push_back(std::move(F));
    Frame->Assign(Graphic);
    CurrentFrame = GetCount() - 1;
    if (GIFVersion == 0) GIFVersion = 1;
    if (GetCount() > 1) GIFVersion = 2;
    UpdateScreenSize();
    return CurrentFrame;
}

TBitmap* TGIFImage::CurrentBitmap() {
    if (Frames.empty()) {
        CurrentFrame = 0;
        TBitmap Empty;
        Assign(static_cast<TGraphic*>(&Empty));
        if (Frames.empty()) AppendFrame(&Empty);
        return Frames[0]->DecodedBitmap();
    }
    TGIFFrame* F = GetFrame(CurrentFrame);
    return (F ? F : Frames[0].get())->DecodedBitmap();
}

void TGIFImage::UpdateScreenSize() {
    int W = 0, H = 0;
    for (const auto& F : Frames) {
        W = std::max<int>(W, F->Origin.x + (F->FrameBitmap ? F->FrameBitmap->Width() : F->Item->Width));
        H = std::max<int>(H, F->Origin.y + (F->FrameBitmap ? F->FrameBitmap->Height() : F->Item->Height));
    }
    LogicalWidth = static_cast<uint16_t>(std::min(W, 0xFFFF));
    LogicalHeight = static_cast<uint16_t>(std::min(H, 0xFFFF));
}

bool TGIFImage::Empty() const {
    if (Frames.empty()) return true;
    const TGIFFrame* F = GetFrame(std::max(CurrentFrame, 0));
    if (!F) return true;
    if (F->FrameBitmap) return false;
    return F->Item->LZWData.Size() == 0;
}

int TGIFImage::Width() const {
    TGIFFrame* F = GetFrame(CurrentFrame);
    return Empty() || !F ? 0 : F->DecodedBitmap()->Width();
}

int TGIFImage::Height() const {
    TGIFFrame* F = GetFrame(CurrentFrame);
    return Empty() || !F ? 0 : F->DecodedBitmap()->Height();
}

void TGIFImage::SetWidth(int) { Fail("Cannot change the Size of a GIF image"); }
void TGIFImage::SetHeight(int) { Fail("Cannot change the Size of a GIF image"); }

bool TGIFImage::GetTransparent() const {
    if (!Transparent) return false;
    return std::any_of(Frames.begin(), Frames.end(), [](const auto& F) { return F->TransparentColour != clGIFNone; });
}

void TGIFImage::Draw(TCanvas& Canvas, const TRect& R) {
    TGIFFrame* F = GetFrame(CurrentFrame);
    if (F) F->Draw(Canvas, R, GetTransparent());
}

void TGIFImage::Assign(TGIFImage* Source) {
    if (!Source) return Clear();
    if (Source == this) return;
    GlobalData = Source->GlobalData;
    GIFVersion = Source->GIFVersion;
    BackgroundColour = Source->BackgroundColour;
    LoopCount = Source->LoopCount;
    LoopEnabled = Source->LoopEnabled;
    LogicalWidth = Source->LogicalWidth;
    LogicalHeight = Source->LogicalHeight;
    CurrentFrame = Source->CurrentFrame;
    Frames.clear();
    for (const auto& SF : Source->Frames) {
        auto F = std::make_unique<TGIFFrame>(this);
        F->Item->ColourBits = SF->Item->ColourBits;
        F->Assign(SF.get());
        F->HasLocalColours = SF->HasLocalColours;
        Frames.push_back(std::move(F));
    }
    Changed();
}

void TGIFImage::Assign(TGIFFrame* Source) {
    if (!Source) return Clear();
    std::shared_ptr<TGIFData> From = Source->OwnerImage ? Source->OwnerImage->GlobalData : nullptr;
    Clear();
    if (From) {
        GlobalData->ColourTable = From->ColourTable;
        GlobalData->PixelAspect = From->PixelAspect;
        GlobalData->ColourBits = From->ColourBits;
        GlobalData->ColourResolution = From->ColourResolution;
    }
    auto F = std::make_unique<TGIFFrame>(this);
    F->Assign(static_cast<const TGIFFrame*>(Source));
    Frames.push_back(std::move(F));
    CurrentFrame = 0;
    GIFVersion = std::max(GIFVersion, 1);
    UpdateScreenSize();
    Changed();
}

void TGIFImage::Assign(TGraphic* Source) {
    if (!Source) {
        Clear();
        Changed();
        return;
    }
    if (auto* Image = dynamic_cast<TGIFImage*>(Source)) return Assign(Image);
    if (auto* Bmp = dynamic_cast<TBitmap*>(Source)) {
        Clear();
        AppendFrame(Bmp);
        Changed();
        return;
    }
    throw EConvertError("Cannot assign a graphic of this kind to a GIF image");
}

void TGIFImage::AssignTo(TGraphic* Dest) {
    if (auto* Image = dynamic_cast<TGIFImage*>(Dest)) return Image->Assign(this);
    if (Empty()) return;
    if (CurrentFrame < 0) {
        if (auto* B = dynamic_cast<TBitmap*>(Dest)) B->Assign(*CurrentBitmap());
        return;
    }
    if (TGIFFrame* F = GetFrame(CurrentFrame)) F->AssignTo(Dest);
}

void TGIFImage::LoadFromStream(TStream& Stream) {
    ParseGIF(Stream.Size() - Stream.Position(), Stream, /*DecodeFirst=*/true);
}
void TGIFImage::SaveToStream(TStream& Stream) { WriteGIF(Stream, /*WithCount=*/false); }

void TGIFImage::ReadData(TStream& Stream) {
    int32_t Count = 0;
    Stream.ReadBuffer(&Count, 4);
    ParseGIF(Count, Stream, /*DecodeFirst=*/true);
}

void TGIFImage::WriteData(TStream& Stream) { WriteGIF(Stream, /*WithCount=*/true); }

void TGIFImage::ReadExtensionRun(TStream& S, uint8_t& Separator, std::vector<std::unique_ptr<TExtension>>& Collected) {
    while (Separator == '!') {
        const int Label = ReadByte(S);
        if (Label < 0) throw EReadError("Stream read error");
        auto E = std::make_unique<TExtension>();
        switch (Label) {
        case 0xF9:
            E->Kind = gifGraphicControl;
            E->Header.resize(6);
            S.ReadBuffer(E->Header.data(), 6);
            break;
        case 0xFE:
            E->Kind = gifComment;
            ReadSubBlocks(S, E->Lines);
            break;
        case 0x01:
            E->Kind = gifPlainText;
            E->Header.resize(13);
            S.ReadBuffer(E->Header.data(), 13);
            ReadSubBlocks(S, E->Lines);
            break;
        case 0xFF:
            E->Kind = gifApplication;
            E->Header.resize(12);
            S.ReadBuffer(E->Header.data(), 12);
            ReadSubBlocks(S, E->Lines);
            break;
        default: Fail(Format("Unrecognized extension block: %.2x", {Label}));
        }
        if (E->Kind == gifPlainText) Collected.clear();
        if (E->Kind == gifApplication && IsLoopBlock(*E)) {
            const std::string First = E->Lines[0];
            LoopEnabled = true;
            LoopCount = static_cast<uint16_t>(
                std::min(static_cast<uint8_t>(First[1]) | (static_cast<uint8_t>(First[2]) << 8), 30000));
        }
        if (E->Kind == gifGraphicControl || E->Kind == gifComment) Collected.push_back(std::move(E));
        Separator = AtEnd(S) ? ';' : NextSeparator(S);
    }
}

void TGIFImage::ParseGIF(int64_t Count, TStream& Stream, bool DecodeFirst) {
    Clear();
    if (Count < 0 || Count > Stream.Size() - Stream.Position()) throw EReadError("Stream read error");
    TMemoryStream S;
    if (Count > 0) S.CopyFrom(Stream, Count);
    S.SetPosition(0);
    if (Count > 0) {
        char Sig[6];
        S.ReadBuffer(Sig, 6);
        std::string Head(Sig, 3), Ver(Sig + 3, 3);
        for (char& C : Head) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
        for (char& C : Ver) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
        if (Head != "GIF" || (Ver != "87A" && Ver != "89A")) Fail("Unknown GIF version");
        GIFVersion = Ver == "87A" ? 1 : 2;
        LogicalWidth = ReadU16(S);
        LogicalHeight = ReadU16(S);
        uint8_t Desc[3];
        S.ReadBuffer(Desc, 3);
        GlobalData->ColourBits = static_cast<uint8_t>((Desc[0] & 7) + 1);
        GlobalData->ColourResolution = static_cast<uint8_t>(((Desc[0] >> 4) & 7) + 1);
        GlobalData->PixelAspect = Desc[2];
        if (Desc[0] & 0x80) {
            ReadColourTable(S, GlobalData->ColourTable, 1 << GlobalData->ColourBits);
            if (Desc[1] < GlobalData->ColourTable.Count) BackgroundColour = GlobalData->ColourTable.Colour(Desc[1]);
        }
        uint8_t Sep = NextSeparator(S);
        std::vector<std::unique_ptr<TExtension>> Collected;
        while (Sep != 0 && Sep != ';' && !AtEnd(S)) {
            ReadExtensionRun(S, Sep, Collected);
            if (Sep == ',') {
                auto F = std::make_unique<TGIFFrame>(this);
                if (GlobalData->ColourTable.Count > 0)
                    F->Item->ColourBits = static_cast<uint8_t>(ExponentOf(GlobalData->ColourTable.Count));
                F->ExtensionList = std::move(Collected);
                Collected.clear();
                F->ReadImage(S);
                Frames.push_back(std::move(F));
                Sep = AtEnd(S) ? ';' : NextSeparator(S);
                if (Sep != '!' && Sep != ',' && Sep != ';') Sep = 0;
            } else if (GlobalData->CommentLines.Count() == 0 && !Collected.empty()) {
                bool First = true;
                for (const auto& E : Collected) {
                    if (E->Kind != gifComment) continue;
                    if (!First) GlobalData->CommentLines.Add("\r\n\r\n");
                    GlobalData->CommentLines.AddStrings(E->Lines);
                    First = false;
                }
                Collected.clear();
            } else if (Sep != 0 && Sep != ';') {
                throw EReadError("Stream read error");
            }
        }
    }
    if (!Frames.empty()) {
        CurrentFrame = 0;
        if (DecodeFirst) {
            rtl::TScopeExit Undo([&] {
                Frames.erase(Frames.begin());
                CurrentFrame = Frames.empty() ? -1 : 0;
            });
            Frames[0]->DecodedBitmap();
            Undo.Dismiss();
        }
    }
    Changed();
}

void TGIFImage::WriteGIF(TStream& Stream, bool WithCount) {
    if (Frames.empty()) Fail("No GIF Data to write");
    for (auto& F : Frames)
        if (F->Item->LZWData.Size() == 0) F->EncodeBitmap();
    for (auto& F : Frames) F->SyncGraphicControl();
    if (GlobalData->CommentLines.Count() > 0) GIFVersion = 2;

    TMemoryStream Out;
    Out.WriteBuffer(GIFVersion == 2 ? "GIF89a" : "GIF87a", 6);
    UpdateScreenSize();
    WriteU16(Out, LogicalWidth);
    WriteU16(Out, LogicalHeight);
    const TGIFColourTable& Global = GlobalData->ColourTable;
    int GlobalBits = 0;
    if (Global.Count > 0) {
        GlobalBits = std::max<int>(GlobalData->ColourBits, BitsFor(Global.Count));
        const int C = BitsFor(Global.Count);
        WriteU8(Out, static_cast<uint8_t>(0x80 + 16 * (C - 1) + (GlobalBits - 1)));
        const int Bg = BackgroundColour == clGIFNone ? -1 : Global.IndexOf(BackgroundColour);
        WriteU8(Out, static_cast<uint8_t>(Bg < 0 ? 0 : Bg));
    } else {
        WriteU8(Out, 0);
        WriteU8(Out, 0);
    }
    WriteU8(Out, GlobalData->PixelAspect);
    if (Global.Count > 0) WriteColourTable(Out, Global, GlobalBits);
    if (LoopEnabled && Frames.size() > 1) {
        Out.WriteBuffer("!\xFF\x0BNETSCAPE2.0\x03\x01", 16);
        WriteU16(Out, LoopCount);
        WriteU8(Out, 0);
    }
    for (auto& F : Frames) {
        for (const auto& E : F->ExtensionList) {
            static constexpr uint8_t Labels[] = {0xF9, 0x01, 0xFF, 0xFE};
            static constexpr size_t HeaderBytes[] = {6, 13, 12, 0};
            WriteU8(Out, '!');
            WriteU8(Out, Labels[E->Kind & 3]);
            std::vector<uint8_t> H = E->Header;
            H.resize(HeaderBytes[E->Kind & 3], 0);
            if (!H.empty()) Out.WriteBuffer(H.data(), static_cast<int64_t>(H.size()));
            if (E->Kind != gifGraphicControl) {
                TStringList Lines;
                for (int I = 0; I < E->Lines.Count(); ++I)
                    if (!E->Lines[I].empty()) Lines.Add(E->Lines[I]);
                WriteSubBlocks(Out, Lines, /*Cut=*/true);
            }
        }
        WriteU8(Out, ',');
        const TGIFItem& It = *F->Item;
        WriteU16(Out, F->Origin.x);
        WriteU16(Out, F->Origin.y);
        WriteU16(Out, It.Width);
        WriteU16(Out, It.Height);
        uint8_t Flags = 0;
        uint8_t LocalBits = 0;
        if (F->HasLocalColours) {
            LocalBits = BitsFor(It.ColourTable.Count);
            F->Item->ColourBits = LocalBits;
            Flags = static_cast<uint8_t>(0x80 + LocalBits - 1);
        }
        if (F->IsInterlaced) Flags |= 0x40;
        WriteU8(Out, Flags);
        if (F->HasLocalColours) WriteColourTable(Out, It.ColourTable, LocalBits);
        F->Item->LZWData.SetPosition(0);
        Out.CopyFrom(F->Item->LZWData, F->Item->LZWData.Size());
    }
    if (GlobalData->CommentLines.Count() > 0) {
        Out.WriteBuffer("!\xFE", 2);
        WriteSubBlocks(Out, GlobalData->CommentLines, /*Cut=*/false);
    }
    WriteU8(Out, ';');
    if (WithCount) {
        const int32_t Count = static_cast<int32_t>(Out.Size());
        Stream.WriteBuffer(&Count, 4);
    }
    Out.SetPosition(0);
    Stream.CopyFrom(Out, Out.Size());
}

UINT CF_GIF = 0;

void TGIFImage::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) {
    HANDLE Gif = CF_GIF && Format == CF_GIF ? Data : (CF_GIF ? GetClipboardData(CF_GIF) : nullptr);
    if (!Gif) {
        TBitmap B;
        B.LoadFromClipboardFormat(Format, Data, Palette);
        Assign(&B);
        return;
    }
    const auto* Block = static_cast<const uint8_t*>(WinGlobalLock(static_cast<HGLOBAL>(Gif)));
    const std::size_t Size = WinGlobalSize(static_cast<HGLOBAL>(Gif));
    if (!Block || Size < 4) Fail("GIF encoded data is corrupt");
    int32_t Count;
    std::memcpy(&Count, Block, 4);
    // The count is checked against the block: ParseGIF refuses more than is there.
    TMemoryStream M;
    M.WriteBuffer(Block + 4, static_cast<int64_t>(Size - 4));
    M.SetPosition(0);
    ParseGIF(Count, M, /*DecodeFirst=*/false);
    if (Frames.empty()) return;
    CurrentFrame = 0;
    if (HANDLE Dib = GetClipboardData(CF_DIB)) {
        auto B = std::make_unique<TBitmap>();
        B->LoadFromClipboardFormat(CF_DIB, Dib, Palette);
        Frames[0]->FrameBitmap = std::move(B);
    }
    Changed();
}

void TGIFImage::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) {
    if (Frames.empty()) Fail("No GIF Data to write");
    TBitmap* First = Frames[0]->DecodedBitmap();
    if (!First) Fail("No GIF Data to write");
    First->SaveToClipboardFormat(Format, Data, Palette);
    for (const auto& F : Frames)
        if (!F->Item || F->Item->LZWData.Size() == 0) return;
    TMemoryStream M;
    WriteGIF(M, /*WithCount=*/true);
    HGLOBAL Block = WinGlobalAlloc(static_cast<std::size_t>(M.Size()));
    if (!Block) return;
    std::memcpy(WinGlobalLock(Block), M.Memory(), static_cast<std::size_t>(M.Size()));
    // Without an open clipboard the block stays ours.
    if (!SetClipboardData(CF_GIF, Block)) WinGlobalFree(Block);
}

void RegisterAgGIF() {
    TPicture::RegisterFileFormat("gif", "CompuServe GIF Image", [] { return std::unique_ptr<TGraphic>(new TGIFImage); });
    if (!CF_GIF) CF_GIF = RegisterClipboardFormatA("GIF Image");
    TPicture::RegisterClipboardFormat(CF_GIF, [] { return std::unique_ptr<TGraphic>(new TGIFImage); });
}
