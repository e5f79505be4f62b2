#include "controls/extra/ag_gifanimator.h"

#include <algorithm>

#include "platform/classlib/formload.h"
#include "platform/rtl/classes.h"

// ---- GIF decoding --------------------------------------------------------------------

namespace {

struct TReader {
    const std::vector<uint8_t>& D;
    size_t Pos = 0;
    bool Ok = true;
    uint8_t Byte() {
        if (Pos >= D.size()) {
            Ok = false;
            return 0;
        }
        return D[Pos++];
    }
    int Word() {
        int Lo = Byte();
        return Lo | (Byte() << 8);
    }
    // The data sub-blocks up to their terminator.
    std::vector<uint8_t> SubBlocks() {
        std::vector<uint8_t> Out;
        while (Ok) {
            uint8_t N = Byte();
            if (N == 0) break;
            if (Pos + N > D.size()) {
                Ok = false;
                break;
            }
            Out.insert(Out.end(), D.begin() + static_cast<ptrdiff_t>(Pos), D.begin() + static_cast<ptrdiff_t>(Pos + N));
            Pos += N;
        }
        return Out;
    }
};

// Variable-width LZW as GIF uses it; stops quietly at bad codes, keeping what it decoded.
void Lzw(const std::vector<uint8_t>& In, int MinSize, size_t Count, std::vector<uint8_t>& Out) {
    Out.assign(Count, 0);
    if (MinSize < 2 || MinSize > 8) return;
    const int Clear = 1 << MinSize, Eoi = Clear + 1;
    std::vector<uint16_t> Prefix(4096, 0);
    std::vector<uint8_t> Suffix(4096, 0), Stack;
    for (int I = 0; I < Clear; ++I) Suffix[I] = static_cast<uint8_t>(I);
    int Size = MinSize + 1, Next = Clear + 2, Old = -1;
    uint8_t First = 0;
    size_t Done = 0, BitPos = 0, Bits = In.size() * 8;
    while (Done < Count && BitPos + Size <= Bits) {
        int Code = 0;
        for (int B = 0; B < Size; ++B, ++BitPos)
            if (In[BitPos >> 3] & (1 << (BitPos & 7))) Code |= 1 << B;
        if (Code == Clear) {
            Size = MinSize + 1;
            Next = Clear + 2;
            Old = -1;
            continue;
        }
        if (Code == Eoi) break;
        if (Old < 0) {
            if (Code >= Clear) break;
            Out[Done++] = static_cast<uint8_t>(Code);
            Old = Code;
            First = static_cast<uint8_t>(Code);
            continue;
        }
        int In0 = Code;
        Stack.clear();
        if (Code >= Next) {
            if (Code > Next) break;
            Stack.push_back(First);
            Code = Old;
        }
        while (Code >= Clear) {
            Stack.push_back(Suffix[Code]);
            Code = Prefix[Code];
        }
        First = Suffix[Code];
        Stack.push_back(First);
        for (auto It = Stack.rbegin(); It != Stack.rend() && Done < Count; ++It) Out[Done++] = *It;
        if (Next < 4096) {
            Prefix[Next] = static_cast<uint16_t>(Old);
            Suffix[Next] = First;
            ++Next;
            if (Next == (1 << Size) && Size < 12) ++Size;
        }
        Old = In0;
    }
}

std::vector<uint32_t> ReadTable(TReader& R, int Entries) {
    std::vector<uint32_t> T(256, 0xFF000000u);
    for (int I = 0; I < Entries; ++I) {
        uint32_t Red = R.Byte(), Green = R.Byte(), Blue = R.Byte();
        T[I] = 0xFF000000u | (Red << 16) | (Green << 8) | Blue;
    }
    return T;
}

}  // namespace

bool DecodeGIFFrames(const std::vector<uint8_t>& Data, int& Width, int& Height, std::vector<TAgGIFFrame>& Frames) {
    Frames.clear();
    if (Data.size() < 13 || (std::string(Data.begin(), Data.begin() + 6) != "GIF87a" &&
                             std::string(Data.begin(), Data.begin() + 6) != "GIF89a"))
        return false;
    TReader R{Data, 6};
    Width = R.Word();
    Height = R.Word();
    uint8_t Flags = R.Byte();
    R.Byte();  // background index: disposal to background clears to transparent
    R.Byte();
    if (Width <= 0 || Height <= 0 || static_cast<int64_t>(Width) * Height > (1 << 26)) return false;
    std::vector<uint32_t> Global;
    if (Flags & 0x80) Global = ReadTable(R, 2 << (Flags & 7));
    std::vector<uint32_t> Canvas(static_cast<size_t>(Width) * Height, 0), Saved;
    int Disposal = 0, Delay = 0, Transparent = -1;
    int PrevDisposal = 0, PX = 0, PY = 0, PW = 0, PH = 0;
    while (R.Ok) {
        uint8_t Kind = R.Byte();
        if (!R.Ok || Kind == 0x3B) break;
        if (Kind == 0x21) {
            uint8_t Label = R.Byte();
            std::vector<uint8_t> Block = R.SubBlocks();
            if (Label == 0xF9 && Block.size() >= 4) {
                Disposal = (Block[0] >> 2) & 7;
                Delay = Block[1] | (Block[2] << 8);
                Transparent = (Block[0] & 1) ? Block[3] : -1;
            }
            continue;
        }
        if (Kind != 0x2C) break;
        int X = R.Word(), Y = R.Word(), W = R.Word(), H = R.Word();
        uint8_t F = R.Byte();
        std::vector<uint32_t> Table = (F & 0x80) ? ReadTable(R, 2 << (F & 7)) : Global;
        if (Table.empty()) Table.assign(256, 0xFF000000u);
        int MinSize = R.Byte();
        std::vector<uint8_t> Lz = R.SubBlocks();
        if (!R.Ok && Lz.empty()) break;
        // What the frame before leaves behind.
        if (PrevDisposal == 2) {
            for (int YY = std::max(0, PY); YY < std::min(Height, PY + PH); ++YY)
                for (int XX = std::max(0, PX); XX < std::min(Width, PX + PW); ++XX)
                    Canvas[static_cast<size_t>(YY) * Width + XX] = 0;
        } else if (PrevDisposal == 3 && !Saved.empty()) {
            Canvas = Saved;
        }
        if (Disposal == 3) Saved = Canvas;
        std::vector<uint8_t> Idx;
        Lzw(Lz, MinSize, static_cast<size_t>(W) * H, Idx);
        bool Interlaced = (F & 0x40) != 0;
        std::vector<int> Rows;
        if (Interlaced) {
            for (int Pass = 0; Pass < 4; ++Pass) {
                static const int Start[4] = {0, 4, 2, 1}, Step[4] = {8, 8, 4, 2};
                for (int Row = Start[Pass]; Row < H; Row += Step[Pass]) Rows.push_back(Row);
            }
        } else {
            for (int Row = 0; Row < H; ++Row) Rows.push_back(Row);
        }
        for (int I = 0; I < H; ++I) {
            int CY = Y + Rows[I];
            if (CY < 0 || CY >= Height) continue;
            for (int J = 0; J < W; ++J) {
                int CX = X + J;
                if (CX < 0 || CX >= Width) continue;
                uint8_t V = Idx[static_cast<size_t>(I) * W + J];
                if (V == Transparent) continue;
                Canvas[static_cast<size_t>(CY) * Width + CX] = Table[V];
            }
        }
        Frames.push_back(TAgGIFFrame{Canvas, Delay > 0 ? Delay * 10 : 100});
        PrevDisposal = Disposal;
        PX = X;
        PY = Y;
        PW = W;
        PH = H;
        Disposal = 0;
        Delay = 0;
        Transparent = -1;
    }
    return !Frames.empty();
}

// ---- TAgGIFAnimator -----------------------------------------------------------------------

TAgGIFAnimator::TAgGIFAnimator(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetParentColor(true);
    SetBounds(0, 0, 32, 32);
    FTimer = new TTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer([this](TObject* Sender) { TimerTick(Sender); });
}

TAgGIFAnimator::~TAgGIFAnimator() {
    if (FTimer) FTimer->SetEnabled(false);
}

void TAgGIFAnimator::LoadFromStream(TStream& Stream) {
    std::vector<uint8_t> Data(static_cast<size_t>(Stream.Size() - Stream.Position()));
    if (!Data.empty()) Stream.ReadBuffer(Data.data(), static_cast<int64_t>(Data.size()));
    int W = 0, H = 0;
    std::vector<TAgGIFFrame> Frames;
    if (!DecodeGIFFrames(Data, W, H, Frames)) throw EInvalidGraphic("Not a GIF picture");
    SetAnimate(false);
    FWidth = W;
    FHeight = H;
    FFrames = std::move(Frames);
    FCurrent = 0;
    Invalidate();
}

void TAgGIFAnimator::LoadFromFile(const std::string& FileName) {
    TFileStream F(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(F);
}

void TAgGIFAnimator::SetAnimate(bool Value) {
    if (Value == FAnimate) return;
    FAnimate = Value;
    if (Value && !FFrames.empty()) {
        FTimer->SetInterval(static_cast<UINT>(FFrames[FCurrent].DelayMs));
        FTimer->SetEnabled(true);
    } else {
        FTimer->SetEnabled(false);
        Invalidate();
    }
}

void TAgGIFAnimator::NextFrame() {
    if (FFrames.empty()) return;
    FCurrent = (FCurrent + 1) % static_cast<int>(FFrames.size());
    Invalidate();
}

void TAgGIFAnimator::TimerTick(TObject*) {
    if (!FAnimate) return;
    NextFrame();
    FTimer->SetInterval(static_cast<UINT>(FFrames[FCurrent].DelayMs));
}

void TAgGIFAnimator::Paint() {
    TCanvas& C = Canvas();
    C.Brush().SetColor(Color());
    C.FillRect(TRect(0, 0, Width(), Height()));
    if (FFrames.empty()) return;
    // Transparent pixels show the control's colour.
    uint32_t Back = static_cast<uint32_t>(ColorToRGB(Color()));
    uint32_t BackPx = ((Back & 0xFF) << 16) | (Back & 0xFF00) | ((Back >> 16) & 0xFF);
    const std::vector<uint32_t>& P = FFrames[FCurrent].Pixels;
    std::vector<uint32_t> Rows(P.size());
    for (size_t I = 0; I < P.size(); ++I) Rows[I] = (P[I] >> 24) ? (P[I] & 0xFFFFFF) : BackPx;
    BITMAPINFO Bi{};
    Bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Bi.bmiHeader.biWidth = FWidth;
    Bi.bmiHeader.biHeight = -FHeight;
    Bi.bmiHeader.biPlanes = 1;
    Bi.bmiHeader.biBitCount = 32;
    SetDIBitsToDevice(C.Handle(), 0, 0, FWidth, FHeight, 0, 0, 0, FHeight, Rows.data(), &Bi, DIB_RGB_COLORS);
}

TClassInfo& TAgGIFAnimator::StaticClassInfo() {
    static TClassInfo CI("TAgGIFAnimator", &TGraphicControl::StaticClassInfo(), CreateComponentOf<TAgGIFAnimator>,
                         [](TClassInfo& C) {
                             C.Define<TAgGIFAnimator>(
                                 "Animate", std::function<void(TAgGIFAnimator&, const TFormValue&, TFormReader&)>(
                                                [](TAgGIFAnimator& O, const TFormValue& V, TFormReader& R) {
                                                    O.SetAnimate(R.Bool(V));
                                                }));
                         });
    return CI;
}

void RegisterAgGIFAnimator() { RegisterClasses({&TAgGIFAnimator::StaticClassInfo()}); }
