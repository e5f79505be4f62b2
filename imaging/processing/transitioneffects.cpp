#include "imaging/processing/transitioneffects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "platform/system/muldiv.h"

namespace {

constexpr const char* Names[IETransitionEffectCount] = {
    "Cross Fade",
    "Fade Out",
    "Fade In",
    "Fade Out then In",
    "Wipe Left to Right",
    "Wipe Left to Right 2",
    "Wipe Right to Left",
    "Wipe Right to Left 2",
    "Wipe Top to Bottom",
    "Wipe Top to Bottom 2",
    "Wipe Bottom to Top",
    "Wipe Bottom to Top 2",
    "Slide from Top Left",
    "Slide from Top Right",
    "Slide from Bottom Left",
    "Slide from Bottom Right",
    "Push Left to Right",
    "Slide Out Left to Right",
    "Push Right to Left",
    "Slide Out Right to Left",
    "Push Top to Bottom",
    "Slide Out Top to Bottom",
    "Push Bottom to Top",
    "Slide Out Bottom to Top",
    "Random Points",
    "Random Boxes",
    "Wipe Out from Center",
    "Wipe In to Center",
    "Expand Out from Center",
    "Expand In to Center",
    "Expand from Left",
    "Expand from Right",
    "Expand from Top",
    "Expand from Bottom",
    "Expand from Top Left",
    "Expand from Top Right",
    "Expand from Bottom Left",
    "Expand from Bottom Right",
    "Expand in from Left",
    "Expand in from Right",
    "Expand in from Top",
    "Expand in from Bottom",
    "Expand in to Vertical Center",
    "Expand in to Horizon",
    "Expand in from Sides",
    "Expand in from Top and Bottom",
    "Expand out from Horizon",
    "Expand out from Vertical Center",
    "Wipe from Top Left",
    "Wipe from Top Right",
    "Wipe from Bottom Left",
    "Wipe from Bottom Right",
    "Wipe from Horizon",
    "Wipe in from Sides",
    "Wipe out from Vertical Center",
    "Build up from Left",
    "Build up from Right",
    "Build up from Top",
    "Build up from Bottom",
    "Unroll from Left",
    "Unroll from Right",
    "Unroll from Top",
    "Unroll from Bottom",
    "Slide in from Left",
    "Slide in from Right",
    "Slide in from Top",
    "Slide in from Bottom",
    "Slide in from Top and Bottom",
    "Shrink to Top Left",
    "Shrink to Top Right",
    "Shrink to Bottom Left",
    "Shrink to Bottom Right",
    "Shrink to Center",
    "Quarters Wipe in to Center",
    "Quarters Expand to Center",
    "Quarters Slide in to Center",
    "Curved Wipe from Left",
    "Curved Wipe from Right",
    "Curved Wipe from Top",
    "Curved Wipe from Bottom",
    "Bars in from Left",
    "Bars in from Right",
    "Bars from Top",
    "Bars from Bottom",
    "Bars Left then Right",
    "Bars Right then Left",
    "Bars Top then Bottom",
    "Bars Bottom then Top",
    "Bars from both Sides",
    "Bars from Top and Bottom",
    "Shredded from Left",
    "Shredded from Right",
    "Shredded from Top",
    "Shredded from Bottom",
    "Shredded from Top and Left",
    "Shredded from Top and Right",
    "Shredded from Bottom and Left",
    "Shredded from Bottom and Right",
    "Shredded from Horizon and Left",
    "Shredded from Horizon and Right",
    "Shredded from Top and Vertical Center",
    "Shredded from Bottom and Vertical Center",
    "Shredded to Center",
    "Shredded from Center",
    "Shredded in to Horizon",
    "Shredded in to Vertical Center",
    "Shredded out from Horizon",
    "Shredded out from Vertical Center",
    "Rectangular Shred",
    "Triangular Shred to Top Left",
    "Curved Wipe from Top Left",
    "Curved Wipe from Top Right",
    "Curved Wipe from Bottom Left",
    "Curved Wipe from Bottom Right",
    "Circular Wipe from Center",
    "Circular Wipe to Center",
    "Crisscross Wipe from Top Left",
    "Crisscross Wipe from Top Right",
    "Crisscross Wipe from Bottom Left",
    "Crisscross Wipe from Bottom Right",
    "Crisscross Wipe Bounce from Top Left",
    "Crisscross Wipe Bounce from Top Right",
    "Crisscross Wipe Bounce from Bottom Left",
    "Crisscross Wipe Bounce from Bottom Right",
    "Crisscross Wipe from Left Right and Top",
    "Crisscross Wipe from Left Right and Bottom",
    "Crisscross Wipe from Left Top and Bottom",
    "Crisscross Wipe from Top Left Right and Bottom",
    "Crisscross Wipe from Right Top and Bottom",
    "Crisscross Wipe from Bottom Left Top Right",
    "Wipe diagonal from Top Left",
    "Wipe diagonal from Top Right",
    "Wipe diagonal from Bottom Left",
    "Wipe diagonal from Bottom Right",
    "Diagonal Sweep Clockwise",
    "Diagonal Sweep Counter-Clockwise",
    "Sweep Clockwise",
    "Sweep Counter-Clockwise",
    "Starburst Clockwise from Center",
    "Rotational Rectangle",
    "Rotational Star",
    "Speckled Wipe from Left",
    "Speckled Wipe from Right",
    "Speckled Wipe from Top",
    "Speckled Wipe from Bottom",
    "Push Left and Slide out",
    "Push Right and Slide out",
    "Push up and Slide out",
    "Push down and Slide out",
    "Push and Squeeze Left",
    "Push and Squeeze Right",
    "Push and Squeeze up",
    "Push and Squeeze down",
    "Horizontal Blinds",
    "Vertical Blinds",
    "Uneven Blinds from Left",
    "Uneven Blinds from Right",
    "Uneven Blinds from Top",
    "Uneven Blinds from Bottom",
    "Rectangles from the Left",
    "Rectangles from the Right",
    "Rectangles from the Top",
    "Rectangles from the Bottom"
};

// A region grown by union; Add ignores empty rectangles.
// The union of rectangles and regions. The rectangles are gathered and made into one
// region at the end: uniting them one by one costs the size of the region so far for
// every rectangle, which the speckled wipes' thousands of squares make quadratic.
class TRegionBuilder {
public:
    TRegionBuilder() = default;
    ~TRegionBuilder() {
        for (HRGN P : Parts) DeleteObject(P);
    }
    TRegionBuilder(const TRegionBuilder&) = delete;
    TRegionBuilder& operator=(const TRegionBuilder&) = delete;
    void Add(int32_t L, int32_t T, int32_t Rt, int32_t B) {
        if (Rt <= L || B <= T) return;
        Rects.push_back(RECT{L, T, Rt, B});
    }
    void AddRegion(HRGN Part) {
        if (Part) Parts.push_back(Part);
    }
    HRGN Release() {
        std::vector<char> Data(sizeof(RGNDATAHEADER) + Rects.size() * sizeof(RECT));
        auto* Header = reinterpret_cast<RGNDATAHEADER*>(Data.data());
        Header->dwSize = sizeof(RGNDATAHEADER);
        Header->iType = RDH_RECTANGLES;
        Header->nCount = static_cast<DWORD>(Rects.size());
        Header->nRgnSize = static_cast<DWORD>(Rects.size() * sizeof(RECT));
        if (!Rects.empty()) std::memcpy(Data.data() + sizeof(RGNDATAHEADER), Rects.data(), Rects.size() * sizeof(RECT));
        HRGN R = ExtCreateRegion(/*Transform=*/nullptr, static_cast<DWORD>(Data.size()),
                                 reinterpret_cast<const RGNDATA*>(Data.data()));
        if (!R) R = CreateRectRgn(0, 0, 0, 0);
        for (HRGN P : Parts) {
            CombineRgn(R, R, P, RGN_OR);
            DeleteObject(P);
        }
        Parts.clear();
        Rects.clear();
        return R;
    }

private:
    std::vector<RECT> Rects;
    std::vector<HRGN> Parts;
};

void Copy(TCanvas& C, TBitmap* To, TRect D, TRect S) { C.CopyRect(D, To->Canvas(), S); }

// The to picture drawn whole through the region, which is then deleted.
void Reveal(TCanvas& C, TBitmap* To, HRGN R) {
    HDC Dc = C.Handle();
    SelectClipRgn(Dc, R);
    BitBlt(Dc, 0, 0, To->Width(), To->Height(), To->Canvas().Handle(), 0, 0, SRCCOPY);
    SelectClipRgn(Dc, /*Region=*/nullptr);
    DeleteObject(R);
}

HRGN PolygonRegion(const POINT* P, int32_t Count) { return CreatePolygonRgn(P, Count, WINDING); }

// Bands of the blinds and rectangles families.
void UnevenBlinds(TRegionBuilder& R, int32_t Type, int32_t W, int32_t H, int32_t dx, int32_t dy, int32_t Percent) {
    int32_t C = std::max(Type == 156 || Type == 157 ? dx : dy, 1);
    int32_t Band = Percent * C / 100;
    for (int32_t K = 0;; ++K) {
        int32_t O = K * C;
        switch (Type) {
            case 156:
                if (O >= W) return;
                R.Add(O, 0, O + Band, H);
                break;
            case 157:
                if (W - O < 0) return;
                R.Add(W - Band - O, 0, W - O, H);
                break;
            case 158:
                if (O >= H) return;
                R.Add(0, O, W, O + Band);
                break;
            default:
                if (H - O < 0) return;
                R.Add(0, H - Band - O, W, H - O);
                break;
        }
    }
}

void DrawStep(int32_t T, TCanvas& C, TBitmap* To, const TRect& ARect, int32_t AFlag, int32_t P) {
    int32_t W, H, dx, dy, n;
    TransitionExtents(ARect, AFlag, P, W, H, dx, dy, n);
    const TRect Whole(0, 0, W, H);
    auto Cp = [&](TRect D, TRect S) { Copy(C, To, D, S); };
    auto Same = [&](TRect D) { Copy(C, To, D, D); };
    const int32_t cx = W / 2, cy = H / 2;
    switch (T) {
        // Rectangle copies.
        case 31: Cp(TRect(0, 0, dx, H), Whole); return;
        case 32: Cp(TRect(W - dx, 0, W, H), Whole); return;
        case 33: Cp(TRect(0, 0, W, dy), Whole); return;
        case 34: Cp(TRect(0, H - dy, W, H), Whole); return;
        case 35: Cp(TRect(0, 0, dx, dy), Whole); return;
        case 36: Cp(TRect(W - dx, 0, W, dy), Whole); return;
        case 37: Cp(TRect(0, H - dy, dx, H), Whole); return;
        case 38: Cp(TRect(W - dx, H - dy, W, H), Whole); return;
        case 39: Cp(TRect(dx - W, 0, W, H), TRect(W - dx, 0, W, H)); return;
        case 40: Cp(TRect(0, 0, 2 * W - dx, H), TRect(0, 0, dx, H)); return;
        case 41: Cp(TRect(0, dy - H, W, H), TRect(0, H - dy, W, H)); return;
        case 42: Cp(TRect(0, 0, W, 2 * H - dy), TRect(0, 0, W, dy)); return;
        case 43: Cp(TRect(dx - W, 0, 2 * W - dx, H), TRect((W - dx) / 2, 0, (W + dx) / 2, H)); return;
        case 44: Cp(TRect(0, dy - H, W, 2 * H - dy), TRect(0, (H - dy) / 2, W, (H + dy) / 2)); return;
        case 45:
            Cp(TRect(0, 0, dx / 2 + 1, H), TRect(0, 0, W / 2 + 1, H));
            Cp(TRect(W - dx / 2 - 1, 0, W, H), TRect(W / 2, 0, W, H));
            return;
        case 46:
            Cp(TRect(0, 0, W, dy / 2 + 1), TRect(0, 0, W, H / 2 + 1));
            Cp(TRect(0, H - dy / 2 - 1, W, H), TRect(0, H / 2, W, H));
            return;
        case 47: Cp(TRect(0, (H - dy) / 2, W, (H + dy) / 2), Whole); return;
        case 48: Cp(TRect((W - dx) / 2, 0, (W + dx) / 2, H), Whole); return;
        case 49: Same(TRect(0, 0, dx, dy)); return;
        case 50: Same(TRect(W - dx, 0, W, dy)); return;
        case 51: Same(TRect(0, H - dy, dx, H)); return;
        case 52: Same(TRect(W - dx, H - dy, W, H)); return;
        case 53: Same(TRect(0, (H - dy) / 2, W, (H + dy) / 2)); return;
        case 54:
            Same(TRect(0, 0, dx / 2 + 1, H));
            Same(TRect(W - dx / 2 - 1, 0, W, H));
            return;
        case 55: Same(TRect((W - dx) / 2, 0, (W + dx) / 2, H)); return;
        // Build up: the revealed band, then the strip beside it stretched over the rest.
        case 56:
            Same(TRect(W - dx, 0, W, H));
            Cp(TRect(0, 0, W - dx, H), TRect(std::max(W - dx - W / n, 0), 0, W - dx, H));
            return;
        case 57:
            Same(TRect(0, 0, dx, H));
            Cp(TRect(dx, 0, W, H), TRect(dx, 0, std::min(W / n + dx, W), H));
            return;
        case 58:
            Same(TRect(0, H - dy, W, H));
            Cp(TRect(0, 0, W, H - dy), TRect(0, std::max(H - dy - H / n, 0), W, H - dy));
            return;
        case 59:
            Same(TRect(0, 0, W, dy));
            Cp(TRect(0, dy, W, H), TRect(0, dy, W, std::min(H / n + dy, H)));
            return;
        // Unroll: the roll shows the next strip mirrored, then the band is copied.
        case 60:
        case 62: {
            bool Across = T == 60;
            int32_t S = Across ? W : H, D = Across ? dx : dy;
            int32_t U = D < S / 5 ? D / 2 : (S < D + S / 5 ? (S - D) / 2 : S / 10);
            if (Across) {
                StretchMirrored(C, TRect(dx, 0, dx + U, H), To, /*FlipV=*/false, /*FlipH=*/true,
                                TRect(dx + U, 0, dx + 2 * U, H));
                Same(TRect(0, 0, dx, H));
            } else {
                StretchMirrored(C, TRect(0, dy, W, dy + U), To, /*FlipV=*/true, /*FlipH=*/false,
                                TRect(0, dy + U, W, dy + 2 * U));
                Same(TRect(0, 0, W, dy));
            }
            return;
        }
        case 61:
        case 63: {
            bool Across = T == 61;
            int32_t S = Across ? W : H, D = Across ? dx : dy, E = S - D;
            int32_t U = D < S / 5 ? D / 2 : (E < S / 5 ? E / 2 : S / 10);
            if (Across) {
                StretchMirrored(C, TRect(E - U, 0, E, H), To, /*FlipV=*/false, /*FlipH=*/true,
                                TRect(E - 2 * U, 0, E - U, H));
                Same(TRect(E, 0, W, H));
            } else {
                StretchMirrored(C, TRect(0, E - U, W, E), To, /*FlipV=*/true, /*FlipH=*/false,
                                TRect(0, E - 2 * U, W, E - U));
                Same(TRect(0, E, W, H));
            }
            return;
        }
        case 64: Cp(TRect(dx - W, 0, dx, H), Whole); return;
        case 65: Cp(TRect(W - dx, 0, 2 * W - dx, H), Whole); return;
        case 66: Cp(TRect(0, dy - H, W, dy), Whole); return;
        case 67: Cp(TRect(0, H - dy, W, 2 * H - dy), Whole); return;
        case 68:
            Same(TRect(0, 0, W, dy / 2 + 1));
            Same(TRect(0, H - dy / 2 - 1, W, H));
            return;
        case 69: Cp(TRect(0, 0, 2 * W - dx, 2 * H - dy), TRect(0, 0, dx, dy)); return;
        case 70: Cp(TRect(dx - W, 0, W, 2 * H - dy), TRect(W - dx, 0, W, dy)); return;
        case 71: Cp(TRect(0, dy - H, 2 * W - dx, H), TRect(0, H - dy, dx, H)); return;
        case 72: Cp(TRect(dx - W, dy - H, W, H), TRect(W - dx, H - dy, W, H)); return;
        case 73:
            Cp(TRect(dx - W, dy - H, 2 * W - dx, 2 * H - dy),
               TRect((W - dx) / 2, (H - dy) / 2, (W + dx) / 2, (H + dy) / 2));
            return;
        case 74: {
            int32_t A = dx / 2 + 1, B = dy / 2 + 1;
            Same(TRect(0, 0, A, B));
            Same(TRect(0, H - B, A, H));
            Same(TRect(W - A, H - B, W, H));
            Same(TRect(W - A, 0, W, B));
            return;
        }
        case 75:
            Cp(TRect(0, 0, dx / 2 + 1, dy / 2 + 1), TRect(0, 0, W / 2 + 1, H / 2 + 1));
            Cp(TRect(0, H - dy / 2, dx / 2 + 1, H), TRect(0, H / 2 + 1, W / 2 + 1, H));
            Cp(TRect(W - dx / 2, H - dy / 2, W, H), TRect(W / 2 + 1, H / 2 + 1, W, H));
            Cp(TRect(W - dx / 2, 0, W, dy / 2 + 1), TRect(W / 2 + 1, 0, W, H / 2 + 1));
            return;
        case 76:
            Cp(TRect((dx - W) / 2, 0, dx / 2 + 1, H / 2 + 1), TRect(0, 0, W / 2 + 1, H / 2 + 1));
            Cp(TRect(W / 2 - 1, (dy - H) / 2, W, dy / 2 + 1), TRect(W / 2 - 1, 0, W, H / 2 + 1));
            Cp(TRect(W - dx / 2, H / 2 - 1, (W - dx) / 2 + W, H), TRect(W / 2 + 1, H / 2 - 1, W, H));
            Cp(TRect(0, H - dy / 2, W / 2 + 1, (H - dy) / 2 + H), TRect(0, H / 2 + 1, W / 2 + 1, H));
            return;
        // Round-rectangle reveals.
        case 77: Reveal(C, To, CreateRoundRectRgn(-2 * W, -5, 2 * dx, H + 5, 2 * W, 2 * W)); return;
        case 78: Reveal(C, To, CreateRoundRectRgn(W - 2 * dx, -5, 3 * W, H + 5, 2 * W, 2 * W)); return;
        case 79: Reveal(C, To, CreateRoundRectRgn(-5, -2 * H, W + 5, 2 * dy, 2 * H, 2 * H)); return;
        case 80: Reveal(C, To, CreateRoundRectRgn(-5, H - 2 * dy, W + 5, 3 * H, 2 * H, 2 * H)); return;
        case 111: Reveal(C, To, CreateRoundRectRgn(-2 * W, -2 * H, 2 * dx, 2 * dy, 2 * W, 2 * H)); return;
        case 112: Reveal(C, To, CreateRoundRectRgn(W - 2 * dx, -2 * H, 3 * W, 2 * dy, 2 * W, 2 * H)); return;
        case 113: Reveal(C, To, CreateRoundRectRgn(-2 * W, H - 2 * dy, 2 * dx, 3 * H, 2 * W, 2 * H)); return;
        // As its siblings, but with the ellipse of the height in both directions.
        case 114: Reveal(C, To, CreateRoundRectRgn(W - 2 * dx, H - 2 * dy, 3 * W, 3 * H, 2 * H, 2 * H)); return;
        case 115:
            Reveal(C, To, CreateRoundRectRgn(cx - dx, cy - dy, cx + dx, cy + dy, dx * 9 / 5, dy * 9 / 5));
            return;
        case 116: {
            HRGN All = CreateRectRgn(0, 0, W, H);
            HRGN Hole = CreateRoundRectRgn(dx - cx, dy - cy, 3 * W / 2 - dx, 3 * H / 2 - dy, (W - dx) * 9 / 5,
                                           (H - dy) * 9 / 5);
            CombineRgn(All, All, Hole, RGN_XOR);
            DeleteObject(Hole);
            Reveal(C, To, All);
            return;
        }
        // Bars and crisscrosses.
        case 81: Reveal(C, To, BarsRegion(2 * dx, 0, W, H, n, 2, 0)); return;
        case 82: Reveal(C, To, BarsRegion(2 * dx, 0, W, H, n, 1, 0)); return;
        case 83: Reveal(C, To, BarsRegion(0, 2 * dy, W, H, n, 0, 2)); return;
        case 84: Reveal(C, To, BarsRegion(0, 2 * dy, W, H, n, 0, 1)); return;
        case 85: Reveal(C, To, BarsRegion(2 * dx, 0, W, H, n, 4, 0)); return;
        case 86: Reveal(C, To, BarsRegion(2 * dx, 0, W, H, n, 5, 0)); return;
        case 87: Reveal(C, To, BarsRegion(0, 2 * dy, W, H, n, 0, 4)); return;
        case 88: Reveal(C, To, BarsRegion(0, 2 * dy, W, H, n, 0, 5)); return;
        case 89: Reveal(C, To, BarsRegion(dx, 0, W, H, 0, 3, 0)); return;
        case 90: Reveal(C, To, BarsRegion(0, dy, W, H, 0, 0, 3)); return;
        case 117: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 2, 2)); return;
        case 118: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 1, 2)); return;
        case 119: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 2, 1)); return;
        case 120: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 1, 1)); return;
        case 121: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 4, 4)); return;
        case 122: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 5, 4)); return;
        case 123: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 4, 5)); return;
        case 124: Reveal(C, To, BarsRegion(2 * dx, 2 * dy, W, H, n, 5, 5)); return;
        case 125: Reveal(C, To, BarsRegion(dx, dy, W, H, n, 3, 2)); return;
        case 126: Reveal(C, To, BarsRegion(dx, dy, W, H, n, 3, 1)); return;
        case 127: Reveal(C, To, BarsRegion(dx, dy, W, H, n, 2, 3)); return;
        case 128: Reveal(C, To, BarsRegion(dx, dy, W, H, 0, 3, 3)); return;
        case 129: Reveal(C, To, BarsRegion(dx, dy, W, H, n, 1, 3)); return;
        case 130: {
            HRGN A = BarsRegion(2 * dx, 2 * dy, W, H, n, 1, 1);
            HRGN B = BarsRegion(2 * dx, 2 * dy, W, H, n, 2, 2);
            CombineRgn(A, A, B, RGN_AND);
            DeleteObject(B);
            Reveal(C, To, A);
            return;
        }
        // Shreds.
        case 91: Reveal(C, To, ShredRegion(dx, 0, W, H, 2, 0)); return;
        case 92: Reveal(C, To, ShredRegion(dx, 0, W, H, 1, 0)); return;
        case 93: Reveal(C, To, ShredRegion(0, dy, W, H, 0, 2)); return;
        case 94: Reveal(C, To, ShredRegion(0, dy, W, H, 0, 1)); return;
        case 95: Reveal(C, To, ShredRegion(dx, dy, W, H, 2, 2)); return;
        case 96: Reveal(C, To, ShredRegion(dx, dy, W, H, 1, 2)); return;
        case 97: Reveal(C, To, ShredRegion(dx, dy, W, H, 2, 1)); return;
        case 98: Reveal(C, To, ShredRegion(dx, dy, W, H, 1, 1)); return;
        case 99: Reveal(C, To, ShredRegion(dx, dy, W, H, 2, 3)); return;
        case 100: Reveal(C, To, ShredRegion(dx, dy, W, H, 1, 3)); return;
        case 101: Reveal(C, To, ShredRegion(dx, dy, W, H, 3, 2)); return;
        case 102: Reveal(C, To, ShredRegion(dx, dy, W, H, 3, 1)); return;
        case 103: Reveal(C, To, ShredRegion(dx, dy, W, H, 4, 4)); return;
        case 104: Reveal(C, To, ShredRegion(dx, dy, W, H, 3, 3)); return;
        case 105: Reveal(C, To, ShredRegion(0, dy, W, H, 0, 4)); return;
        case 106: Reveal(C, To, ShredRegion(dx, 0, W, H, 4, 0)); return;
        case 107: Reveal(C, To, ShredRegion(0, dy, W, H, 0, 3)); return;
        case 108: Reveal(C, To, ShredRegion(dx, 0, W, H, 3, 0)); return;
        // Grid shreds.
        case 109:
        case 110: {
            int32_t M = n > 1 ? n / 2 : n;
            TRegionBuilder R;
            int32_t A = T == 109 ? dx / n : dx / M, B = T == 109 ? dy / n : dy / M;
            for (int32_t Row = M; Row >= 0; --Row)
                for (int32_t Col = M; Col >= 0; --Col) {
                    int32_t GX = Col * (W / M), GY = Row * (H / M);
                    if (T == 109)
                        R.Add(GX - A, GY - B, GX + A, GY + B);
                    else if (A > 0 && B > 0)
                        R.AddRegion(TriangleRegion({GX - A, GY - B}, {GX + A, GY - B}, {GX - A, GY + B}));
                }
            Reveal(C, To, R.Release());
            return;
        }
        // Triangles.
        case 131: Reveal(C, To, TriangleRegion({0, 0}, {2 * dx, 0}, {0, 2 * dy})); return;
        case 132: Reveal(C, To, TriangleRegion({W, 0}, {W - 2 * dx, 0}, {W, 2 * dy})); return;
        case 133: Reveal(C, To, TriangleRegion({0, H}, {2 * dx, H}, {0, H - 2 * dy})); return;
        case 134: Reveal(C, To, TriangleRegion({W, H}, {W - 2 * dx, H}, {W, H - 2 * dy})); return;
        case 135: {
            TRegionBuilder R;
            R.AddRegion(TriangleRegion({W, 0}, {0, 0}, {W, dy}));
            R.AddRegion(TriangleRegion({W, H}, {0, H}, {0, H - dy}));
            Reveal(C, To, R.Release());
            return;
        }
        case 136: {
            TRegionBuilder R;
            R.AddRegion(TriangleRegion({0, H}, {0, 0}, {dx, H}));
            R.AddRegion(TriangleRegion({W, H}, {W, 0}, {W - dx, 0}));
            Reveal(C, To, R.Release());
            return;
        }
        case 139: {
            TRegionBuilder R;
            R.AddRegion(TriangleRegion({cx, cy}, {0, H}, {0, H - dy}));
            R.AddRegion(TriangleRegion({0, 0}, {dx, 0}, {cx, cy}));
            R.AddRegion(TriangleRegion({W - dx, H}, {cx, cy}, {W, H}));
            R.AddRegion(TriangleRegion({cx, cy}, {W, 0}, {W, dy}));
            Reveal(C, To, R.Release());
            return;
        }
        // Sweeps: a fan from 12 o'clock turning 3.6 degrees per percent.
        case 137:
        case 138: {
            if (P == 0) return;
            int32_t Radius = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(cx) * cx + static_cast<double>(cy) * cy)));
            double End = (T == 137 ? P : -P) * M_PI / 50 - M_PI / 2;
            Reveal(C, To, SweepRegion(cx, cy, Radius, P, End, -M_PI / 2));
            return;
        }
        // Rotating shapes: one full turn over the transition.
        case 140:
        case 141: {
            int32_t A = dx / 2, B = dy / 2;
            std::vector<POINT> Pts;
            if (T == 140)
                Pts = {{cx - A, cy - B}, {cx + A, cy - B}, {cx + A, cy + B}, {cx - A, cy + B}};
            else
                Pts = {{cx - 2 * dx, cy}, {cx - A, cy - B}, {cx, cy - 2 * dy}, {cx + A, cy - B},
                       {cx + 2 * dx, cy}, {cx + A, cy + B}, {cx, cy + 2 * dy}, {cx - A, cy + B}};
            RotatePoints(Pts, cx, cy, P * M_PI / 50);
            Reveal(C, To, PolygonRegion(Pts.data(), static_cast<int32_t>(Pts.size())));
            return;
        }
        // Speckled wipes.
        case 142: Reveal(C, To, SpeckleRegion(dx, dy, W, H, 2, 0)); return;
        case 143: Reveal(C, To, SpeckleRegion(dx, dy, W, H, 1, 0)); return;
        case 144: Reveal(C, To, SpeckleRegion(dx, dy, W, H, 0, 2)); return;
        case 145: Reveal(C, To, SpeckleRegion(dx, dy, W, H, 0, 1)); return;
        // Push and squeeze: the output's own content moves again each frame.
        case 146:
            C.CopyRect(TRect(0, 0, W - dx, H), C, TRect(dx, 0, W, H));
            Cp(TRect(W - dx, 0, W, H), TRect(0, 0, dx, H));
            return;
        case 147:
            C.CopyRect(TRect(dx, 0, W, H), C, TRect(0, 0, W - dx, H));
            Cp(TRect(0, 0, dx, H), TRect(W - dx, 0, W, H));
            return;
        case 148:
            C.CopyRect(TRect(0, 0, W, H - dy), C, TRect(0, dy, W, H));
            Cp(TRect(0, H - dy, W, H), TRect(0, 0, W, dy));
            return;
        case 149:
            C.CopyRect(TRect(0, dy, W, H), C, TRect(0, 0, W, H - dy));
            Cp(TRect(0, 0, W, dy), TRect(0, H - dy, W, H));
            return;
        case 150:
            C.CopyRect(TRect(0, 0, W - dx, H), C, Whole);
            Cp(TRect(W - dx, 0, W, H), TRect(0, 0, dx, H));
            return;
        case 151:
            C.CopyRect(TRect(dx, 0, W, H), C, Whole);
            Cp(TRect(0, 0, dx, H), TRect(W - dx, 0, W, H));
            return;
        case 152:
            C.CopyRect(TRect(0, 0, W, H - dy), C, Whole);
            Cp(TRect(0, H - dy, W, H), TRect(0, 0, W, dy));
            return;
        case 153:
            C.CopyRect(TRect(0, dy, W, H), C, Whole);
            Cp(TRect(0, 0, W, dy), TRect(0, H - dy, W, H));
            return;
        // Blinds.
        case 154:
        case 155: {
            TRegionBuilder R;
            bool Vertical = T == 155;
            int32_t Period = std::max((Vertical ? W : H) / n, 1);
            int32_t Band = P * Period / 100;
            for (int32_t O = 0; O < (Vertical ? W : H); O += Period) {
                if (Vertical)
                    R.Add(O, 0, O + Band, H);
                else
                    R.Add(0, O, W, O + Band);
            }
            Reveal(C, To, R.Release());
            return;
        }
        case 156:
        case 157:
        case 158:
        case 159: {
            TRegionBuilder R;
            UnevenBlinds(R, T, W, H, dx, dy, P);
            Reveal(C, To, R.Release());
            return;
        }
        // Rectangles: centred bands across plus the uneven blinds.
        case 160:
        case 161:
        case 162:
        case 163: {
            TRegionBuilder R;
            bool Rows = T <= 161;
            int32_t Period = std::max((Rows ? H : W) / n, 1);
            int32_t Half = P * Period / 200;
            for (int32_t K = 0;; ++K) {
                int32_t Centre = Period / 2 + K * Period;
                if (Centre - Half >= (Rows ? H : W)) break;
                if (Rows)
                    R.Add(0, Centre - Half, W, Centre + Half);
                else
                    R.Add(Centre - Half, 0, Centre + Half, H);
            }
            UnevenBlinds(R, T - 4, W, H, dx, dy, P);
            Reveal(C, To, R.Release());
            return;
        }
        default: return;
    }
}

template <int32_t T>
void StepProc(TCanvas& ACanvas, TBitmap*, TBitmap* ATo, const TRect& ARect, int32_t AFlag, int32_t APercent) {
    DrawStep(T, ACanvas, ATo, ARect, AFlag, APercent);
}

template <size_t... I>
constexpr std::array<TEffect, IETransitionEffectCount> MakeTable(std::index_sequence<I...>) {
    return {{TEffect{Names[I], I + 1 >= 31 ? &StepProc<static_cast<int32_t>(I + 1)> : nullptr}...}};
}

const std::array<TEffect, IETransitionEffectCount> Table =
    MakeTable(std::make_index_sequence<IETransitionEffectCount>());

}  // namespace

const TEffect& IETransitionEffect(int32_t Type) {
    static const TEffect None{"", nullptr};
    if (Type < 1 || Type > IETransitionEffectCount) return None;
    return Table[static_cast<size_t>(Type - 1)];
}

void TransitionExtents(const TRect& Rect, int32_t Flag, int32_t Percent, int32_t& W, int32_t& H, int32_t& dx,
                       int32_t& dy, int32_t& n) {
    W = Rect.right - Rect.left;
    H = Rect.bottom - Rect.top;
    if (W >= H) {
        dx = MulDiv(W, Percent, 100);
        dy = W > 0 ? MulDiv(dx, H, W) : 0;
    } else {
        dy = MulDiv(H, Percent, 100);
        dx = H > 0 ? MulDiv(dy, W, H) : 0;
    }
    n = std::max(MulDiv(std::max(W, H), Flag, 90), 1);
}

void StretchMirrored(TCanvas& Canvas, TRect Dest, TBitmap* Bitmap, bool FlipV, bool FlipH, TRect Src) {
    Src.left = std::max<LONG>(Src.left, 0);
    Src.top = std::max<LONG>(Src.top, 0);
    Src.right = std::min<LONG>(Src.right, Bitmap->Width());
    Src.bottom = std::min<LONG>(Src.bottom, Bitmap->Height());
    if (Src.right <= Src.left || Src.bottom <= Src.top) return;
    if (FlipH) Dest = TRect(Dest.right + 1, Dest.top, Dest.left - 1, Dest.bottom);
    if (FlipV) Dest = TRect(Dest.left, Dest.bottom + 1, Dest.right, Dest.top - 1);
    HDC Dc = Canvas.Handle();
    SetStretchBltMode(Dc, HALFTONE);
    StretchBlt(Dc, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, Bitmap->Canvas().Handle(),
               Src.left, Src.top, Src.Width(), Src.Height(), SRCCOPY);
}

void SinCos(double Angle, double& Sin, double& Cos) {
    Sin = std::sin(Angle);
    Cos = std::cos(Angle);
}

void RotatePoints(std::span<POINT> Points, int32_t CX, int32_t CY, double Angle) {
    double S, C;
    SinCos(Angle, S, C);
    for (POINT& P : Points) {
        double X = P.x - CX, Y = P.y - CY;
        P = POINT{CX + static_cast<LONG>(std::nearbyint(C * X - S * Y)), CY + static_cast<LONG>(std::nearbyint(S * X + C * Y))};
    }
}

HRGN TriangleRegion(POINT A, POINT B, POINT C) {
    POINT P[3] = {A, B, C};
    return CreatePolygonRgn(P, 3, WINDING);
}

HRGN SweepRegion(int32_t CX, int32_t CY, int32_t Radius, int32_t Count, double EndAngle, double StartAngle) {
    std::vector<POINT> P;
    P.push_back({CX, CY});
    for (int32_t K = 0; K < Count; ++K) {
        double A = StartAngle + K * (EndAngle - StartAngle) / Count;
        P.push_back({CX + static_cast<LONG>(std::nearbyint(std::cos(A) * Radius)),
                     CY + static_cast<LONG>(std::nearbyint(std::sin(A) * Radius))});
    }
    return CreatePolygonRgn(P.data(), static_cast<int>(P.size()), WINDING);
}

HRGN BarsRegion(int32_t HP, int32_t VP, int32_t W, int32_t H, int32_t N, int32_t HKind, int32_t VKind) {
    TRegionBuilder R;
    if (HKind != 0) {
        if (HP <= W) {
            // The bars complete when fewer than N pixels remain.
            if (W < N + HP) HP = W;
            for (int32_t I = 0; I < H + 5; I += 10) {
                if (HKind == 1 || HKind == 5) R.Add(W - HP, I, W, I + 5);
                if (HKind == 2 || HKind == 4) R.Add(0, I, HP, I + 5);
                if (HKind == 3) {
                    R.Add(0, I + 5, HP, I + 10);
                    R.Add(W - HP, I, W, I + 5);
                }
            }
        } else {
            for (int32_t I = 5; I < H + 5; I += 10) {
                R.Add(0, I - 5, W, I);
                if (HKind == 1 || HKind == 4) R.Add(2 * W - HP, I, W, I + 5);
                if (HKind == 2 || HKind == 5) R.Add(0, I, HP - W, I + 5);
            }
        }
    }
    if (VKind != 0) {
        if (VP <= H) {
            if (H < N + VP) VP = H;
            for (int32_t X = 0; X < W + 5; X += 10) {
                if (VKind == 1 || VKind == 5) R.Add(X, H - VP, X + 5, H);
                if (VKind == 2 || VKind == 4) R.Add(X, 0, X + 5, VP);
                if (VKind == 3) {
                    R.Add(X + 5, 0, X + 10, VP);
                    R.Add(X, H - VP, X + 5, H);
                }
            }
        } else {
            for (int32_t X = 5; X < W + 5; X += 10) {
                R.Add(X - 5, 0, X, H);
                if (VKind == 1 || VKind == 4) R.Add(X, 2 * H - VP, X + 5, H);
                if (VKind == 2 || VKind == 5) R.Add(X, 0, X + 5, VP - H);
            }
        }
    }
    return R.Release();
}

HRGN ShredRegion(int32_t DX, int32_t DY, int32_t W, int32_t H, int32_t HKind, int32_t VKind) {
    TRegionBuilder R;
    if (HKind != 0) {
        int32_t J = DX < W ? W / 7 : 0, Band = H % 5 + 5;
        for (int32_t Off = 0; Off < H; Off += 5) {
            int32_t R1 = Random(J), R2 = Random(J), R3 = Random(J), R4 = Random(J);
            int32_t B = Off + Band;
            switch (HKind) {
                case 1: R.Add(W - DX + R1 - R2, Off, W, B); break;
                case 2: R.Add(0, Off, DX + R1 - R2, B); break;
                case 3:
                    R.Add((W - DX + R1 - R2) / 2, Off, W / 2, B);
                    R.Add(W / 2, Off, (W + DX + R3 - R4) / 2, B);
                    break;
                default:
                    R.Add(W - (DX + R1 - R2) / 2, Off, W, B);
                    R.Add(0, Off, (DX + R3 - R4) / 2, B);
                    break;
            }
        }
    }
    if (VKind != 0) {
        int32_t J = DY < H ? H / 7 : 0, Band = W % 5 + 5;
        for (int32_t Off = 0; Off < W; Off += 5) {
            int32_t R1 = Random(J), R2 = Random(J), R3 = Random(J), R4 = Random(J);
            int32_t B = Off + Band;
            switch (VKind) {
                case 1: R.Add(Off, H - DY + R1 - R2, B, H); break;
                case 2: R.Add(Off, 0, B, DY + R1 - R2); break;
                case 3:
                    R.Add(Off, (H - DY + R1 - R2) / 2, B, H / 2);
                    R.Add(Off, H / 2, B, (H + DY + R3 - R4) / 2);
                    break;
                default:
                    R.Add(Off, H - (DY + R1 - R2) / 2, B, H);
                    R.Add(Off, 0, B, (DY + R3 - R4) / 2);
                    break;
            }
        }
    }
    return R.Release();
}

HRGN SpeckleRegion(int32_t DX, int32_t DY, int32_t W, int32_t H, int32_t HKind, int32_t VKind) {
    TRegionBuilder R;
    if (HKind != 0) {
        int32_t E = DX < W ? W / 10 : 0, F = std::max(E / 20, 2), G = E * 3 / F;
        for (int32_t Y = 0; Y < H; Y += F / 2) {
            if (HKind == 1)
                R.Add(W - DX, Y, W, Y + F);
            else
                R.Add(0, Y, DX, Y + F);
            for (int32_t I = E / F; I >= 1; --I)
                if ((G / 4 >= I ? 1 : 0) >= Random(I)) {
                    int32_t X = HKind == 1 ? W - DX - F * I : DX + F * I - F;
                    R.Add(X, Y, X + F, Y + F);
                }
        }
    }
    if (VKind != 0) {
        int32_t E = DY < H ? H / 10 : 0, F = std::max(E / 20, 2), G = E * 3 / F;
        for (int32_t X = 0; X < W; X += F / 2) {
            if (VKind == 1)
                R.Add(X, H - DY, X + F, H);
            else
                R.Add(X, 0, X + F, DY);
            for (int32_t I = E / F; I >= 1; --I)
                if ((G / 4 >= I ? 1 : 0) >= Random(I)) {
                    int32_t Y = VKind == 1 ? H - DY - F * I : DY + F * I - F;
                    R.Add(X, Y, X + F, Y + F);
                }
        }
    }
    return R.Release();
}
