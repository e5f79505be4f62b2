// Regions over pixman, and the scan conversion of polygons, ellipses and
// rounded rectangles into regions. A pixel belongs to a shape when its centre
// lies inside; the same rule serves the region calls and the shape drawing,
// so a filled polygon and its region cover the same pixels.
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi_private.h"

namespace gdi {

namespace {
pixman_region32_t* R(void* P) { return static_cast<pixman_region32_t*>(P); }
pixman_box32_t Box(const RECT& Rc) { return {Rc.left, Rc.top, Rc.right, Rc.bottom}; }
bool Valid(const RECT& Rc) { return Rc.right > Rc.left && Rc.bottom > Rc.top; }
}  // namespace

TRegion::TRegion() : Impl(new pixman_region32_t) { pixman_region32_init(R(Impl)); }
TRegion::TRegion(const RECT& Rc) : TRegion() { SetRect(Rc); }
TRegion::TRegion(const TRegion& Other) : TRegion() { pixman_region32_copy(R(Impl), const_cast<pixman_region32_t*>(R(Other.Impl))); }
TRegion& TRegion::operator=(const TRegion& Other) {
    if (this != &Other) pixman_region32_copy(R(Impl), const_cast<pixman_region32_t*>(R(Other.Impl)));
    return *this;
}
TRegion::~TRegion() {
    pixman_region32_fini(R(Impl));
    delete R(Impl);
}

void TRegion::SetRect(const RECT& Rc) {
    if (!Valid(Rc)) {
        SetEmpty();
        return;
    }
    pixman_box32_t B = Box(Rc);
    pixman_region32_reset(R(Impl), &B);
}

void TRegion::SetEmpty() { pixman_region32_clear(R(Impl)); }

void TRegion::SetRects(const std::vector<RECT>& Rects) {
    std::vector<pixman_box32_t> Boxes;
    Boxes.reserve(Rects.size());
    for (const RECT& Rc : Rects)
        if (Valid(Rc)) Boxes.push_back(Box(Rc));
    pixman_region32_fini(R(Impl));
    if (Boxes.empty())
        pixman_region32_init(R(Impl));
    else
        pixman_region32_init_rects(R(Impl), Boxes.data(), static_cast<int>(Boxes.size()));
}

void TRegion::Combine(const TRegion& A, const TRegion& B, int Mode) {
    pixman_region32_t Out;
    pixman_region32_init(&Out);
    auto* Ra = const_cast<pixman_region32_t*>(R(A.Impl));
    auto* Rb = const_cast<pixman_region32_t*>(R(B.Impl));
    switch (Mode) {
        case RGN_AND: pixman_region32_intersect(&Out, Ra, Rb); break;
        case RGN_OR: pixman_region32_union(&Out, Ra, Rb); break;
        case RGN_DIFF: pixman_region32_subtract(&Out, Ra, Rb); break;
        case RGN_XOR: {
            pixman_region32_t Both;
            pixman_region32_init(&Both);
            pixman_region32_intersect(&Both, Ra, Rb);
            pixman_region32_union(&Out, Ra, Rb);
            pixman_region32_subtract(&Out, &Out, &Both);
            pixman_region32_fini(&Both);
            break;
        }
        default: pixman_region32_copy(&Out, Ra); break;
    }
    pixman_region32_copy(R(Impl), &Out);
    pixman_region32_fini(&Out);
}

void TRegion::Intersect(const TRegion& Other) {
    pixman_region32_intersect(R(Impl), R(Impl), const_cast<pixman_region32_t*>(R(Other.Impl)));
}
void TRegion::IntersectRect(const RECT& Rc) {
    if (!Valid(Rc)) {
        SetEmpty();
        return;
    }
    pixman_region32_intersect_rect(R(Impl), R(Impl), Rc.left, Rc.top, static_cast<unsigned>(Rc.right - Rc.left),
                                   static_cast<unsigned>(Rc.bottom - Rc.top));
}
void TRegion::Union(const TRegion& Other) {
    pixman_region32_union(R(Impl), R(Impl), const_cast<pixman_region32_t*>(R(Other.Impl)));
}
void TRegion::Subtract(const TRegion& Other) {
    pixman_region32_subtract(R(Impl), R(Impl), const_cast<pixman_region32_t*>(R(Other.Impl)));
}
void TRegion::Translate(int Dx, int Dy) { pixman_region32_translate(R(Impl), Dx, Dy); }

bool TRegion::Contains(int X, int Y) const {
    return pixman_region32_contains_point(const_cast<pixman_region32_t*>(R(Impl)), X, Y, nullptr) != 0;
}

bool TRegion::Overlaps(const RECT& Rc) const {
    if (!Valid(Rc)) return false;
    pixman_box32_t B = Box(Rc);
    return pixman_region32_contains_rectangle(const_cast<pixman_region32_t*>(R(Impl)), &B) != PIXMAN_REGION_OUT;
}

RECT TRegion::Extents() const {
    if (Empty()) return {0, 0, 0, 0};
    const pixman_box32_t* E = pixman_region32_extents(const_cast<pixman_region32_t*>(R(Impl)));
    return {E->x1, E->y1, E->x2, E->y2};
}

int TRegion::Type() const {
    int N = pixman_region32_n_rects(const_cast<pixman_region32_t*>(R(Impl)));
    return N == 0 ? NULLREGION : N == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool TRegion::Empty() const { return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(R(Impl))); }

bool TRegion::Equal(const TRegion& Other) const {
    if (Empty() && Other.Empty()) return true;
    return pixman_region32_equal(const_cast<pixman_region32_t*>(R(Impl)),
                                 const_cast<pixman_region32_t*>(R(Other.Impl))) != 0;
}

std::vector<RECT> TRegion::Rects() const {
    int N = 0;
    const pixman_box32_t* B = pixman_region32_rectangles(const_cast<pixman_region32_t*>(R(Impl)), &N);
    std::vector<RECT> Out;
    Out.reserve(static_cast<size_t>(N));
    for (int I = 0; I < N; ++I) Out.push_back({B[I].x1, B[I].y1, B[I].x2, B[I].y2});
    return Out;
}

// ---- Scan conversion --------------------------------------------------------------

namespace {
// First pixel whose centre is at or right of X.
int FirstPixelAt(double X) { return static_cast<int>(std::ceil(X - 0.5)); }

void AddSpan(std::vector<RECT>& Rects, int Y, double X0, double X1) {
    int A = FirstPixelAt(X0);
    int B = FirstPixelAt(X1);
    if (B > A) Rects.push_back({A, Y, B, Y + 1});
}
}  // namespace

TRegion PolygonRegion(const POINT* Points, const INT* Counts, int PolyCount, int FillMode) {
    struct TEdge {
        double X0, Y0, X1, Y1;
        int Dir;
    };
    std::vector<TEdge> Edges;
    LONG MinY = 0x7FFFFFFF, MaxY = -0x7FFFFFFF;
    const POINT* P = Points;
    for (int Poly = 0; Poly < PolyCount; ++Poly) {
        int N = Counts[Poly];
        for (int I = 0; I < N; ++I) {
            POINT A = P[I], B = P[(I + 1) % N];
            MinY = std::min(MinY, A.y);
            MaxY = std::max(MaxY, A.y);
            if (A.y == B.y) continue;
            if (A.y < B.y)
                Edges.push_back({double(A.x), double(A.y), double(B.x), double(B.y), 1});
            else
                Edges.push_back({double(B.x), double(B.y), double(A.x), double(A.y), -1});
        }
        P += N;
    }
    std::vector<RECT> Rects;
    std::vector<std::pair<double, int>> Cross;
    for (LONG Y = MinY; Y < MaxY; ++Y) {
        double Yc = Y + 0.5;
        Cross.clear();
        for (const TEdge& E : Edges)
            if (E.Y0 <= Yc && Yc < E.Y1) Cross.push_back({E.X0 + (Yc - E.Y0) * (E.X1 - E.X0) / (E.Y1 - E.Y0), E.Dir});
        std::sort(Cross.begin(), Cross.end());
        if (FillMode == WINDING) {
            int Wind = 0;
            for (size_t I = 0; I < Cross.size(); ++I) {
                int Before = Wind;
                Wind += Cross[I].second;
                if (Before == 0 && Wind != 0) {
                    size_t J = I + 1;
                    int W = Wind;
                    for (; J < Cross.size(); ++J) {
                        W += Cross[J].second;
                        if (W == 0) break;
                    }
                    if (J >= Cross.size()) break;
                    AddSpan(Rects, Y, Cross[I].first, Cross[J].first);
                    Wind = 0;
                    I = J;
                }
            }
        } else {
            for (size_t I = 0; I + 1 < Cross.size(); I += 2) AddSpan(Rects, Y, Cross[I].first, Cross[I + 1].first);
        }
    }
    TRegion Out;
    Out.SetRects(Rects);
    return Out;
}

namespace {
// Half the width of the ellipse with radii A, B at vertical distance Dy from its centre.
double HalfWidth(double A, double B, double Dy) {
    double T = 1.0 - (Dy * Dy) / (B * B);
    return T <= 0 ? -1 : A * std::sqrt(T);
}
}  // namespace

TRegion EllipseRegion(int Left, int Top, int Right, int Bottom) {
    if (Right < Left) std::swap(Left, Right);
    if (Bottom < Top) std::swap(Top, Bottom);
    std::vector<RECT> Rects;
    double A = (Right - Left) / 2.0, B = (Bottom - Top) / 2.0;
    double Cx = Left + A, Cy = Top + B;
    if (A > 0 && B > 0)
        for (int Y = Top; Y < Bottom; ++Y) {
            double W = HalfWidth(A, B, Y + 0.5 - Cy);
            if (W > 0) AddSpan(Rects, Y, Cx - W, Cx + W);
        }
    TRegion Out;
    Out.SetRects(Rects);
    return Out;
}

TRegion RoundRectRegion(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
    if (Right < Left) std::swap(Left, Right);
    if (Bottom < Top) std::swap(Top, Bottom);
    double A = std::min(std::abs(EllipseWidth), Right - Left) / 2.0;
    double B = std::min(std::abs(EllipseHeight), Bottom - Top) / 2.0;
    if (A <= 0 || B <= 0) return TRegion(RECT{Left, Top, Right, Bottom});
    std::vector<RECT> Rects;
    for (int Y = Top; Y < Bottom; ++Y) {
        double Yc = Y + 0.5;
        double Dy = 0;
        if (Yc < Top + B)
            Dy = Top + B - Yc;
        else if (Yc > Bottom - B)
            Dy = Yc - (Bottom - B);
        double Inset = 0;
        if (Dy > 0) {
            double W = HalfWidth(A, B, Dy);
            if (W < 0) continue;
            Inset = A - W;
        }
        AddSpan(Rects, Y, Left + Inset, Right - Inset);
    }
    TRegion Out;
    Out.SetRects(Rects);
    return Out;
}

}  // namespace gdi

using namespace gdi;

// ---- Region calls ------------------------------------------------------------------

namespace {
std::shared_ptr<TRgnObject> FindRgn(HRGN H) { return FindAs<TRgnObject>(H, OBJ_REGION); }

HRGN NewRgn(TRegion Rgn) {
    auto Object = std::make_shared<TRgnObject>();
    Object->Type = OBJ_REGION;
    Object->Rgn = std::move(Rgn);
    return Register(Object);
}
}  // namespace

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom) {
    if (Right < Left) std::swap(Left, Right);
    if (Bottom < Top) std::swap(Top, Bottom);
    return NewRgn(TRegion(RECT{Left, Top, Right, Bottom}));
}

HRGN CreateRectRgnIndirect(const RECT* Rc) {
    if (!Rc) return nullptr;
    return CreateRectRgn(Rc->left, Rc->top, Rc->right, Rc->bottom);
}

HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
    return NewRgn(RoundRectRegion(Left, Top, Right, Bottom, EllipseWidth, EllipseHeight));
}

HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom) {
    return NewRgn(EllipseRegion(Left, Top, Right, Bottom));
}

HRGN CreateEllipticRgnIndirect(const RECT* Rc) {
    if (!Rc) return nullptr;
    return CreateEllipticRgn(Rc->left, Rc->top, Rc->right, Rc->bottom);
}

HRGN CreatePolygonRgn(const POINT* Points, int Count, int FillMode) {
    if (!Points || Count < 2) return nullptr;
    INT C = Count;
    return NewRgn(PolygonRegion(Points, &C, 1, FillMode));
}

HRGN CreatePolyPolygonRgn(const POINT* Points, const INT* Counts, int PolyCount, int FillMode) {
    if (!Points || !Counts || PolyCount <= 0) return nullptr;
    for (int I = 0; I < PolyCount; ++I)
        if (Counts[I] < 2) return nullptr;
    return NewRgn(PolygonRegion(Points, Counts, PolyCount, FillMode));
}

int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode) {
    auto D = FindRgn(Dest), A = FindRgn(Src1);
    if (!D || !A || Mode < RGN_AND || Mode > RGN_COPY) return ERROR;
    if (Mode == RGN_COPY) {
        TRegion Copy = A->Rgn;
        D->Rgn = Copy;
        return D->Rgn.Type();
    }
    auto B = FindRgn(Src2);
    if (!B) return ERROR;
    TRegion Out;
    Out.Combine(A->Rgn, B->Rgn, Mode);
    D->Rgn = Out;
    return D->Rgn.Type();
}

int OffsetRgn(HRGN Region, int X, int Y) {
    auto Rg = FindRgn(Region);
    if (!Rg) return ERROR;
    Rg->Rgn.Translate(X, Y);
    return Rg->Rgn.Type();
}

BOOL PtInRegion(HRGN Region, int X, int Y) {
    auto Rg = FindRgn(Region);
    return Rg && Rg->Rgn.Contains(X, Y);
}

BOOL RectInRegion(HRGN Region, const RECT* Rc) {
    auto Rg = FindRgn(Region);
    if (!Rg || !Rc) return FALSE;
    RECT N{std::min(Rc->left, Rc->right), std::min(Rc->top, Rc->bottom), std::max(Rc->left, Rc->right),
           std::max(Rc->top, Rc->bottom)};
    return Rg->Rgn.Overlaps(N);
}

int GetRgnBox(HRGN Region, RECT* Rc) {
    auto Rg = FindRgn(Region);
    if (!Rg || !Rc) return ERROR;
    *Rc = Rg->Rgn.Extents();
    return Rg->Rgn.Type();
}

BOOL EqualRgn(HRGN Region1, HRGN Region2) {
    auto A = FindRgn(Region1), B = FindRgn(Region2);
    if (!A || !B) return FALSE;
    return A->Rgn.Equal(B->Rgn);
}

DWORD GetRegionData(HRGN Region, DWORD Count, RGNDATA* Data) {
    auto Rg = FindRgn(Region);
    if (!Rg) return 0;
    std::vector<RECT> Rects = Rg->Rgn.Rects();
    DWORD Size = static_cast<DWORD>(sizeof(RGNDATAHEADER) + Rects.size() * sizeof(RECT));
    if (!Data) return Size;
    if (Count < Size) return 0;
    Data->rdh.dwSize = sizeof(RGNDATAHEADER);
    Data->rdh.iType = RDH_RECTANGLES;
    Data->rdh.nCount = static_cast<DWORD>(Rects.size());
    Data->rdh.nRgnSize = static_cast<DWORD>(Rects.size() * sizeof(RECT));
    Data->rdh.rcBound = Rg->Rgn.Extents();
    if (!Rects.empty()) std::memcpy(Data->Buffer, Rects.data(), Rects.size() * sizeof(RECT));
    return Size;
}

HRGN ExtCreateRegion(const XFORM* Transform, DWORD Count, const RGNDATA* Data) {
    // Only the identity is needed by callers; a real transform is refused rather than ignored.
    if (Transform && (Transform->eM11 != 1 || Transform->eM12 != 0 || Transform->eM21 != 0 || Transform->eM22 != 1))
        return nullptr;
    if (!Data || Count < sizeof(RGNDATAHEADER) || Data->rdh.iType != RDH_RECTANGLES ||
        Data->rdh.dwSize < sizeof(RGNDATAHEADER))
        return nullptr;
    uint64_t Need = Data->rdh.dwSize + uint64_t(Data->rdh.nCount) * sizeof(RECT);
    if (Need > Count) return nullptr;
    std::vector<RECT> Rects(Data->rdh.nCount);
    if (!Rects.empty())
        std::memcpy(Rects.data(), reinterpret_cast<const char*>(Data) + Data->rdh.dwSize, Rects.size() * sizeof(RECT));
    int Dx = 0, Dy = 0;
    if (Transform) {
        Dx = static_cast<int>(std::lround(Transform->eDx));
        Dy = static_cast<int>(std::lround(Transform->eDy));
    }
    TRegion Rgn;
    Rgn.SetRects(Rects);
    Rgn.Translate(Dx, Dy);
    return NewRgn(Rgn);
}

BOOL SetRectRgn(HRGN Region, int Left, int Top, int Right, int Bottom) {
    auto Rg = FindRgn(Region);
    if (!Rg) return FALSE;
    if (Right < Left) std::swap(Left, Right);
    if (Bottom < Top) std::swap(Top, Bottom);
    Rg->Rgn.SetRect({Left, Top, Right, Bottom});
    return TRUE;
}
