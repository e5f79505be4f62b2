#include "imaging/processing/magicwand.h"

#include <algorithm>
#include <cstdlib>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"

namespace {

bool Similar(TRGB A, TRGB B, int32_t Tolerance) {
    return std::abs(A.r - B.r) <= Tolerance && std::abs(A.g - B.g) <= Tolerance && std::abs(A.b - B.b) <= Tolerance;
}

bool Inside(TIEBitmap* B, int32_t X, int32_t Y) {
    return B && X >= 0 && Y >= 0 && X < B->Width() && Y < B->Height();
}

// The region found by the scan-line seed fill: one visited bit per pixel and the
// bounding box of the filled pixels.
class TWandFill {
public:
    TWandFill(TIEBitmap* Bitmap, int32_t Tolerance)
        : B(Bitmap), W(Bitmap->Width()), H(Bitmap->Height()), RowBytes(W / 8 + 1), Tol(Tolerance),
          Visited(static_cast<size_t>(RowBytes) * H) {}

    void Run(int32_t X, int32_t Y) {
        Seed = B->GetPixelRGB(X, Y);
        struct Segment {
            int32_t Y, X1, X2, DY;
        };
        // A growable list: no recursion, whatever the region's shape.
        std::vector<Segment> Stack;
        Stack.reserve(static_cast<size_t>(2) * W);
        auto Push = [&](int32_t SY, int32_t X1, int32_t X2, int32_t DY) {
            if (SY + DY >= 0 && SY + DY < H) Stack.push_back({SY, X1, X2, DY});
        };
        // The seed's row is scanned by the second segment, the row below by the first.
        Push(Y, X, X, 1);
        Push(Y + 1, X, X, -1);
        while (!Stack.empty()) {
            Segment S = Stack.back();
            Stack.pop_back();
            int32_t Row = S.Y + S.DY;
            if (Row < 0 || Row >= H) continue;
            int32_t L = S.X1, R;
            int32_t Xs;
            for (Xs = S.X1; Xs >= 0 && Open(Xs, Row); --Xs) Mark(Xs, Row);
            bool Skip = Xs >= S.X1;
            if (!Skip) {
                L = Xs + 1;
                if (L < S.X1) Push(Row, L, S.X1 - 1, -S.DY);  // leaks left, back the other way
                Xs = S.X1 + 1;
            }
            do {
                if (!Skip) {
                    for (; Xs < W && Open(Xs, Row); ++Xs) Mark(Xs, Row);
                    R = Xs - 1;
                    Push(Row, L, R, S.DY);
                    if (R > S.X2) Push(Row, S.X2 + 1, R, -S.DY);  // leaks right
                }
                Skip = false;
                for (++Xs; Xs <= S.X2 && (Xs >= W || !Open(Xs, Row)); ++Xs) {
                }
                L = Xs;
            } while (Xs <= S.X2);
        }
        B->ReleaseMappedRows();
    }

    bool Filled(int32_t X, int32_t Y) const {
        return (Visited[static_cast<size_t>(Y) * RowBytes + (X >> 3)] & (0x80 >> (X & 7))) != 0;
    }
    bool Empty() const { return BX1 > BX2; }

    TIEBitmap* B;
    int32_t W, H, RowBytes, Tol;
    std::vector<uint8_t> Visited;
    TRGB Seed{};
    int32_t BX1 = INT32_MAX, BY1 = INT32_MAX, BX2 = -1, BY2 = -1;

private:
    bool Open(int32_t X, int32_t Y) { return !Filled(X, Y) && Similar(B->GetPixelRGB(X, Y), Seed, Tol); }
    void Mark(int32_t X, int32_t Y) {
        Visited[static_cast<size_t>(Y) * RowBytes + (X >> 3)] |= static_cast<uint8_t>(0x80 >> (X & 7));
        BX1 = std::min(BX1, X);
        BX2 = std::max(BX2, X);
        BY1 = std::min(BY1, Y);
        BY2 = std::max(BY2, Y);
    }
};

}  // namespace

void MagicWandFill(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, bool MaxFilter, TIEMask* Mask,
                   int32_t Value) {
    if (!Mask || !Inside(Bitmap, X, Y)) return;
    TWandFill F(Bitmap, Tolerance);
    F.Run(X, Y);
    for (int32_t Yy = F.BY1; Yy <= F.BY2; ++Yy)
        for (int32_t Xx = F.BX1; Xx <= F.BX2; ++Xx) {
            if (!F.Filled(Xx, Yy)) continue;
            if (!MaxFilter) {
                Mask->SetPixel(Xx, Yy, Value);
                continue;
            }
            for (int32_t Dy = -1; Dy <= 1; ++Dy)
                for (int32_t Dx = -1; Dx <= 1; ++Dx)
                    if (Inside(Bitmap, Xx + Dx, Yy + Dy)) Mask->SetPixel(Xx + Dx, Yy + Dy, Value);
        }
}

void MagicWandGlobal(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, TIEMask* Mask, int32_t Value) {
    if (!Mask || !Inside(Bitmap, X, Y)) return;
    TRGB Seed = Bitmap->GetPixelRGB(X, Y);
    for (int32_t Yy = 0; Yy < Bitmap->Height(); ++Yy)
        for (int32_t Xx = 0; Xx < Bitmap->Width(); ++Xx)
            if (Similar(Bitmap->GetPixelRGB(Xx, Yy), Seed, Tolerance)) Mask->SetPixel(Xx, Yy, Value);
    Bitmap->ReleaseMappedRows();
}

std::vector<POINT> MagicWandPolygon(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, bool MaxFilter) {
    std::vector<POINT> Result;
    if (!Inside(Bitmap, X, Y)) return Result;
    TWandFill F(Bitmap, Tolerance);
    F.Run(X, Y);
    if (F.Empty()) return Result;
    const int32_t BW = F.BX2 - F.BX1 + 1, BH = F.BY2 - F.BY1 + 1;
    // The region magnified four times with a two-cell margin: 1 inside, 3 on the outline.
    const int32_t GW = 4 * BW + 4, GH = 4 * BH + 4;
    std::vector<uint8_t> Grid(static_cast<size_t>(GW) * GH);
    auto G = [&](int32_t C, int32_t R) -> uint8_t& { return Grid[static_cast<size_t>(R) * GW + C]; };
    auto Block = [&](int32_t Bx, int32_t By) {
        for (int32_t R = 4 * By + 2; R < 4 * By + 6; ++R)
            for (int32_t C = 4 * Bx + 2; C < 4 * Bx + 6; ++C) G(C, R) = 1;
    };
    for (int32_t By = 0; By < BH; ++By)
        for (int32_t Bx = 0; Bx < BW; ++Bx) {
            if (!F.Filled(Bx + F.BX1, By + F.BY1)) continue;
            if (!MaxFilter) {
                Block(Bx, By);
                continue;
            }
            for (int32_t Dy = -1; Dy <= 1; ++Dy)
                for (int32_t Dx = -1; Dx <= 1; ++Dx)
                    if (Bx + Dx >= 0 && Bx + Dx < BW && By + Dy >= 0 && By + Dy < BH) Block(Bx + Dx, By + Dy);
        }
    // The cells just outside the region: every cell beside a region cell across or
    // down (what sweeping each row and column both ways for run starts finds), in one
    // pass; the top-left corner of their box is noted on the way.
    int32_t MinC = INT32_MAX, MinR = INT32_MAX;
    for (int32_t R = 0; R < GH; ++R) {
        const uint8_t* Up = R > 0 ? &G(0, R - 1) : nullptr;
        const uint8_t* Down = R + 1 < GH ? &G(0, R + 1) : nullptr;
        uint8_t* Row = &G(0, R);
        for (int32_t C = 0; C < GW; ++C) {
            if (Row[C] == 1) continue;
            if ((C > 0 && Row[C - 1] == 1) || (C + 1 < GW && Row[C + 1] == 1) || (Up && Up[C] == 1) ||
                (Down && Down[C] == 1)) {
                Row[C] = 3;
                MinC = std::min(MinC, C);
                MinR = std::min(MinR, R);
            }
        }
    }
    // Start at the outline cell nearest to that corner.
    int32_t SC = -1, SR = -1;
    int64_t Best = INT64_MAX;
    // No outline cell lies above MinR or left of MinC; rows further down than the best
    // distance cannot hold a nearer one.
    for (int32_t R = MinR; R < GH && static_cast<int64_t>(R - MinR) * (R - MinR) <= Best; ++R)
        for (int32_t C = MinC; C < GW; ++C)
            if (G(C, R) == 3) {
                int64_t D = static_cast<int64_t>(C - MinC) * (C - MinC) + static_cast<int64_t>(R - MinR) * (R - MinR);
                if (D < Best) {
                    Best = D;
                    SC = C;
                    SR = R;
                }
            }
    // Chain tracing over the outline cells, eight directions.
    static const int32_t DX[8] = {1, 0, -1, 0, 1, -1, -1, 1}, DY[8] = {0, -1, 0, 1, -1, -1, 1, 1};
    static const int32_t Code[8] = {0, 2, 4, 6, 1, 3, 5, 7};
    static const int32_t CodeDX[8] = {1, 1, 0, -1, -1, -1, 0, 1}, CodeDY[8] = {0, -1, -1, -1, 0, 1, 1, 1};
    auto Is3 = [&](int32_t C, int32_t R) { return C >= 0 && R >= 0 && C < GW && R < GH && G(C, R) == 3; };
    std::vector<uint8_t> Chain;
    int32_t C = SC, R = SR, Pref = 4;
    G(C, R) = 2;
    for (;;) {
        if (Is3(C + DX[Pref], R + DY[Pref])) {
            C += DX[Pref];
            R += DY[Pref];
            G(C, R) = 2;
            Chain.push_back(static_cast<uint8_t>(Code[Pref]));
            continue;
        }
        int32_t I = 0;
        while (I < 8 && !Is3(C + DX[I], R + DY[I])) ++I;
        if (I == 8) break;
        C += DX[I];
        R += DY[I];
        G(C, R) = 2;
        Chain.push_back(static_cast<uint8_t>(Code[I]));
        Pref = I;
    }
    for (int32_t I = 0; I < 8; ++I)
        if (C + DX[I] == SC && R + DY[I] == SR && !Chain.empty()) {
            Chain.push_back(static_cast<uint8_t>(Code[I]));
            break;
        }
    // A vertex wherever the chain turns; the start is the first.
    int32_t PX = SC + 4 * F.BX1 - 1, PY = SR + 4 * F.BY1 - 1;
    Result.push_back(POINT{PX, PY});
    for (size_t I = 0; I < Chain.size(); ++I) {
        if (I > 0 && Chain[I] != Chain[I - 1]) Result.push_back(POINT{PX, PY});
        PX += CodeDX[Chain[I]];
        PY += CodeDY[Chain[I]];
    }
    for (POINT& P : Result) {
        P.x /= 4;
        P.y /= 4;
    }
    return Result;
}
