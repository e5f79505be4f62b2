#include "skin/skin_bitmaps.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/rtl/sysutils.h"
#include "platform/win/winuser.h"

namespace {

uint8_t* Row24(TBitmap& B, int Y) { return static_cast<uint8_t*>(B.ScanLine(Y)); }

void Make24(TBitmap& B) {
    if (B.PixelFormat() != pf24bit) B.SetPixelFormat(pf24bit);
}

// The pixels of a bitmap as a 32-bit bottom-up copy, read through the screen's DC.
std::vector<uint32_t> ReadBottomUp32(TBitmap& B) {
    int W = B.Width(), H = B.Height();
    std::vector<uint32_t> Px(static_cast<size_t>(W) * H);
    BITMAPINFO Bi{};
    Bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Bi.bmiHeader.biWidth = W;
    Bi.bmiHeader.biHeight = H;
    Bi.bmiHeader.biPlanes = 1;
    Bi.bmiHeader.biBitCount = 32;
    Bi.bmiHeader.biCompression = BI_RGB;
    Bi.bmiHeader.biXPelsPerMeter = 1;
    Bi.bmiHeader.biYPelsPerMeter = 1;
    HDC Screen = GetDC(nullptr);
    GetDIBits(Screen, B.Handle(), 0, static_cast<UINT>(H), Px.data(), &Bi, DIB_RGB_COLORS);
    ReleaseDC(/*hWnd=*/nullptr, Screen);
    return Px;
}

// Old pixel (X, Y) of a W x H bottom-up copy.
uint32_t At(const std::vector<uint32_t>& Px, int W, int H, int X, int Y) {
    return Px[static_cast<size_t>(H - 1 - Y) * W + X];
}

void Put24(uint8_t* Row, int X, uint32_t P) {
    Row[3 * X] = static_cast<uint8_t>(P);
    Row[3 * X + 1] = static_cast<uint8_t>(P >> 8);
    Row[3 * X + 2] = static_cast<uint8_t>(P >> 16);
}

// Quarter turn: the new pixel (X, Y) is the old pixel Source(X, Y).
template <class F>
void Rotate(TBitmap& B, F Source) {
    Make24(B);
    int W = B.Width(), H = B.Height();
    if (W == 0 || H == 0) {
        B.SetSize(H, W);
        return;
    }
    std::vector<uint32_t> Px = ReadBottomUp32(B);
    B.SetSize(H, W);
    for (int Y = 0; Y < W; ++Y) {
        uint8_t* Row = Row24(B, Y);
        for (int X = 0; X < H; ++X) {
            auto [Ox, Oy] = Source(X, Y, W, H);
            Put24(Row, X, At(Px, W, H, Ox, Oy));
        }
    }
}

struct TGradientCache {
    std::array<std::vector<TColor>, 16> Slots;
    int Next = 0;
};

TGradientCache& Cache() {
    static TGradientCache C;
    return C;
}

int Channel(TColor C, int Shift) { return (static_cast<uint32_t>(C) >> Shift) & 0xFF; }

}  // namespace

void ConvertBitmapToGray(TBitmap& Bitmap) {
    Make24(Bitmap);
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        uint8_t* P = Row24(Bitmap, Y);
        for (int X = 0; X < Bitmap.Width(); ++X, P += 3) {
            uint8_t G = static_cast<uint8_t>((P[0] + P[1] + P[2]) / 3);
            P[0] = P[1] = P[2] = G;
        }
    }
}

void ReplaceFuchsiaPixels(TBitmap& Bitmap, TColor Color) {
    Make24(Bitmap);
    uint8_t R = static_cast<uint8_t>(Channel(Color, 0)), G = static_cast<uint8_t>(Channel(Color, 8)),
            B = static_cast<uint8_t>(Channel(Color, 16));
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        uint8_t* P = Row24(Bitmap, Y);
        for (int X = 0; X < Bitmap.Width(); ++X, P += 3)
            if (P[0] == 255 && P[1] == 0 && P[2] == 255) {
                P[0] = B;
                P[1] = G;
                P[2] = R;
            }
    }
}

void MirrorBitmapHorizontally(TBitmap& Bitmap) {
    Make24(Bitmap);
    int W = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        uint8_t* P = Row24(Bitmap, Y);
        for (int X = 0; X < W / 2; ++X)
            for (int K = 0; K < 3; ++K) std::swap(P[3 * X + K], P[3 * (W - 1 - X) + K]);
    }
}

void MirrorBitmapVertically(TBitmap& Bitmap) {
    Make24(Bitmap);
    int H = Bitmap.Height();
    size_t Bytes = static_cast<size_t>(Bitmap.Width()) * 3;
    std::vector<uint8_t> Tmp(Bytes);
    for (int Y = 0; Y < H / 2; ++Y) {
        uint8_t* A = Row24(Bitmap, Y);
        uint8_t* B = Row24(Bitmap, H - 1 - Y);
        std::memcpy(Tmp.data(), A, Bytes);
        std::memcpy(A, B, Bytes);
        std::memcpy(B, Tmp.data(), Bytes);
    }
}

void RotateBitmapLeft(TBitmap& Bitmap) {
    Rotate(Bitmap, [](int X, int Y, int W, int) { return std::pair<int, int>(W - 1 - Y, X); });
}

void RotateBitmapRight(TBitmap& Bitmap) {
    Rotate(Bitmap, [](int X, int Y, int, int H) { return std::pair<int, int>(Y, H - 1 - X); });
}

TColor MixColors(TColor C1, TColor C2, int Weight) {
    if (C1 < 0) C1 = static_cast<TColor>(GetSysColor(C1 & 0xFF));
    if (C2 < 0) C2 = static_cast<TColor>(GetSysColor(C2 & 0xFF));
    int S = Weight >= 100 ? 1000 : 100;
    int Out = 0;
    for (int Shift : {0, 8, 16}) {
        int V = (Channel(C1, Shift) * Weight + Channel(C2, Shift) * (S - Weight) + S / 2) / S;
        Out |= (V & 0xFF) << Shift;
    }
    return Out;
}

int GetGradientTable(int Count, TColor Start, TColor End) {
    if (Count <= 0) throw EInvalidArgument("Gradient table needs at least one entry");
    TGradientCache& C = Cache();
    for (int I = 15; I >= 0; --I) {
        const auto& T = C.Slots[static_cast<size_t>(I)];
        if (static_cast<int>(T.size()) == Count && T.front() == Start && T.back() == End) return I;
    }
    int Slot = C.Next;
    C.Next = (C.Next + 1) % 16;
    auto& T = C.Slots[static_cast<size_t>(Slot)];
    T.assign(static_cast<size_t>(Count), 0);
    int Base = Start & 0xFFFFFF;
    int DR = Channel(End, 0) - Channel(Start, 0), DG = Channel(End, 8) - Channel(Start, 8),
        DB = Channel(End, 16) - Channel(Start, 16);
    int N = Count - 1;
    if (N == 0) {
        T[0] = Base + DR / 2 + 256 * (DG / 2) + 65536 * (DB / 2);
    } else {
        int Half = N / 2;
        for (int I = 0; I <= N; ++I)
            T[static_cast<size_t>(I)] =
                Base + (I * DR + Half) / N + 256 * ((I * DG + Half) / N) + 65536 * ((I * DB + Half) / N);
    }
    return Slot;
}

const std::vector<TColor>& GradientTableOf(int Slot) { return Cache().Slots.at(static_cast<size_t>(Slot)); }

void FillGradientLines(HDC Dc, const RECT& Rect, TColor Start, TColor End, bool Vertical) {
    if (!RectVisible(Dc, &Rect)) return;
    TColor S = ColorToRGB(Start), E = ColorToRGB(End);
    RECT Clip{};
    GetClipBox(Dc, &Clip);
    int Lo = Vertical ? Rect.top : Rect.left, Hi = Vertical ? Rect.bottom : Rect.right;
    int ClipLo = Vertical ? Clip.top : Clip.left, ClipHi = Vertical ? Clip.bottom : Clip.right;
    int N = Hi - Lo;
    if (N <= 0) return;
    int First = ClipLo > Lo ? ClipLo - Lo : 0;
    int Last = ClipHi < Hi ? ClipHi - Lo - 1 : N - 1;
    const std::vector<TColor>& T = GradientTableOf(GetGradientTable(N, S, E));
    for (int K = First; K <= Last; ++K) {
        RECT Line = Vertical ? RECT{Rect.left, Rect.top + K, Rect.right, Rect.top + K + 1}
                             : RECT{Rect.left + K, Rect.top, Rect.left + K + 1, Rect.bottom};
        HBRUSH Brush = CreateSolidBrush(static_cast<COLORREF>(T[static_cast<size_t>(K)]));
        FillRect(Dc, &Line, Brush);
        DeleteObject(Brush);
    }
}

int ColorSaturationLevel(TColor Color) {
    int R = Channel(Color, 0), G = Channel(Color, 8), B = Channel(Color, 16);
    if (R <= 159 && G <= 159 && B <= 159) return 200;
    int Max = std::max({R, G, B}), Min = std::min({R, G, B});
    double S = Max == 0 ? 0.0 : static_cast<double>(Max - Min) / Max;
    return static_cast<int>(Round(S * 255));
}
