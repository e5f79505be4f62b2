// Lines and shapes: pens draw outlines (one-pixel lines by Bresenham, the last
// pixel left out; wider pens as filled regions), brushes fill interiors, and
// the DC's ROP2 mode applies to both. Region fills and rectangle helpers.
#include <algorithm>
#include <cmath>

#include "platform/gdi/gdi_private.h"

using namespace gdi;

namespace {

constexpr double Pi = 3.14159265358979323846;

// A pen made ready for one call: colour, style pattern, width.
struct TStroke {
    bool Null = true;
    uint32_t Color = 0;
    uint32_t Back = 0;
    bool OpaqueGaps = false;
    int Width = 1;
    std::vector<int> Dashes;  // on, off, on, off... in pixels; empty for solid
    int Rop2 = R2_COPYPEN;
    // Position in the dash pattern, kept across the segments of one figure.
    size_t DashIndex = 0;
    int DashLeft = 0;
};

TStroke MakeStroke(const TTarget& T) {
    TStroke S;
    const TPen* Pen = T.Dc->S.Pen.get();
    if (!Pen || Pen->Style == PS_NULL) return S;
    S.Null = false;
    S.Color = T.MapColor(Pen->DCPen ? T.Dc->S.DCPenColor : Pen->Color);
    S.Back = T.MapColor(T.Dc->S.BkColor);
    S.OpaqueGaps = T.Dc->S.BkMode == OPAQUE;
    S.Width = std::max(Pen->Width, 1);
    S.Rop2 = T.Dc->S.Rop2;
    switch (Pen->Style) {
        case PS_DASH: S.Dashes = {18, 6}; break;
        case PS_DOT: S.Dashes = {3, 3}; break;
        case PS_DASHDOT: S.Dashes = {9, 6, 3, 6}; break;
        case PS_DASHDOTDOT: S.Dashes = {9, 3, 3, 3, 3, 3}; break;
        case PS_ALTERNATE: S.Dashes = {1, 1}; break;
        case PS_USERSTYLE:
            for (DWORD D : Pen->UserStyle) S.Dashes.push_back(std::max<int>(static_cast<int>(D), 1));
            if (S.Dashes.size() % 2) S.Dashes.push_back(S.Dashes.back());
            break;
        default: break;
    }
    if (!S.Dashes.empty()) S.DashLeft = S.Dashes[0];
    return S;
}

void Plot(TTarget& T, int X, int Y, uint32_t Pixel, int Rop2) {
    if (!T.Visible(X, Y)) return;
    T.Touch({X, Y, X + 1, Y + 1});
    uint32_t& D = T.Surf->Row(Y)[X];
    D = ApplyRop2(Rop2, Pixel, D);
}

// Bresenham from (X0, Y0) toward (X1, Y1), the end point left out; surface coordinates.
template <class F>
void Walk(int X0, int Y0, int X1, int Y1, F&& Visit) {
    int Dx = std::abs(X1 - X0), Dy = std::abs(Y1 - Y0);
    int Sx = X0 < X1 ? 1 : -1, Sy = Y0 < Y1 ? 1 : -1;
    int Err = Dx - Dy;
    int X = X0, Y = Y0;
    while (X != X1 || Y != Y1) {
        Visit(X, Y);
        int E2 = 2 * Err;
        if (E2 > -Dy) {
            Err -= Dy;
            X += Sx;
        }
        if (E2 < Dx) {
            Err += Dx;
            Y += Sy;
        }
    }
}

void ThinSegment(TTarget& T, TStroke& S, int X0, int Y0, int X1, int Y1) {
    Walk(X0, Y0, X1, Y1, [&](int X, int Y) {
        if (S.Dashes.empty()) {
            Plot(T, X, Y, S.Color, S.Rop2);
            return;
        }
        bool On = (S.DashIndex % 2) == 0;
        if (On)
            Plot(T, X, Y, S.Color, S.Rop2);
        else if (S.OpaqueGaps)
            Plot(T, X, Y, S.Back, S.Rop2);
        if (--S.DashLeft <= 0) {
            S.DashIndex = (S.DashIndex + 1) % S.Dashes.size();
            S.DashLeft = S.Dashes[S.DashIndex];
        }
    });
}

// A wide segment as a region: the band around the centre line and round ends.
void WideSegment(TRegion& Out, int Width, int X0, int Y0, int X1, int Y1) {
    double H = Width / 2.0;
    double Dx = X1 - X0, Dy = Y1 - Y0, Len = std::sqrt(Dx * Dx + Dy * Dy);
    auto Disk = [&](int X, int Y) {
        int R0 = static_cast<int>(std::floor(X + 0.5 - H)), T0 = static_cast<int>(std::floor(Y + 0.5 - H));
        Out.Union(EllipseRegion(R0, T0, R0 + Width, T0 + Width));
    };
    Disk(X0, Y0);
    Disk(X1, Y1);
    if (Len == 0) return;
    double Nx = -Dy / Len * H, Ny = Dx / Len * H;
    auto P = [](double X, double Y) { return POINT{static_cast<LONG>(std::lround(X)), static_cast<LONG>(std::lround(Y))}; };
    POINT Q[4] = {P(X0 + 0.5 + Nx, Y0 + 0.5 + Ny), P(X1 + 0.5 + Nx, Y1 + 0.5 + Ny), P(X1 + 0.5 - Nx, Y1 + 0.5 - Ny),
                  P(X0 + 0.5 - Nx, Y0 + 0.5 - Ny)};
    INT Four = 4;
    Out.Union(PolygonRegion(Q, &Four, 1, WINDING));
}

// Draws the open or closed figure through Points (logical coordinates).
void StrokeFigure(TTarget& T, TStroke& S, const POINT* Points, int Count, bool Closed) {
    if (S.Null || Count < 2) return;
    auto Sx = [&](int I) { return Points[I % Count].x + T.Dx; };
    auto Sy = [&](int I) { return Points[I % Count].y + T.Dy; };
    int Segments = Closed ? Count : Count - 1;
    if (S.Width <= 1) {
        for (int I = 0; I < Segments; ++I) ThinSegment(T, S, Sx(I), Sy(I), Sx(I + 1), Sy(I + 1));
        return;
    }
    TRegion Band;
    for (int I = 0; I < Segments; ++I) WideSegment(Band, S.Width, Sx(I), Sy(I), Sx(I + 1), Sy(I + 1));
    TPaint P;
    P.Null = false;
    P.Color = S.Color;
    FillRegionRop2(T, Band, P, S.Rop2);
}

RECT Ordered(int L, int T, int R, int B) {
    if (R < L) std::swap(L, R);
    if (B < T) std::swap(T, B);
    return {L, T, R, B};
}

// Fills Interior with the brush and Outline with the pen, both under ROP2.
void FillAndFrame(TTarget& T, const TRegion& Interior, const TRegion* Outline) {
    TPaint Paint = MakePaint(T, T.Dc->S.Brush.get());
    FillRegionRop2(T, Interior, Paint, T.Dc->S.Rop2);
    if (Outline) {
        TStroke S = MakeStroke(T);
        TPaint P;
        P.Null = S.Null;
        P.Color = S.Color;
        FillRegionRop2(T, *Outline, P, S.Rop2);
    }
}

// Points of the ellipse inscribed in Box from angle A0 counter-clockwise to A1 (surface pixels).
std::vector<POINT> ArcPoints(RECT Box, double A0, double A1) {
    double Cx = (Box.left + Box.right) / 2.0, Cy = (Box.top + Box.bottom) / 2.0;
    double Rx = (Box.right - Box.left) / 2.0, Ry = (Box.bottom - Box.top) / 2.0;
    while (A1 <= A0) A1 += 2 * Pi;
    int N = std::max(8, static_cast<int>((A1 - A0) * std::max(Rx, Ry)));
    std::vector<POINT> Out;
    for (int I = 0; I <= N; ++I) {
        double A = A0 + (A1 - A0) * I / N;
        Out.push_back({static_cast<LONG>(std::lround(Cx + Rx * std::cos(A) - 0.5)),
                       static_cast<LONG>(std::lround(Cy - Ry * std::sin(A) - 0.5))});
    }
    return Out;
}

enum class TArcKind { Arc, Pie, Chord };

BOOL ArcShape(HDC Dc, int Left, int Top, int Right, int Bottom, int Xs, int Ys, int Xe, int Ye, TArcKind Kind) {
    TTarget T;
    if (!T.Begin(Dc)) return FALSE;
    RECT Box = Ordered(Left, Top, Right, Bottom);
    double Cx = (Box.left + Box.right) / 2.0, Cy = (Box.top + Box.bottom) / 2.0;
    double A0 = std::atan2(Cy - Ys, Xs - Cx), A1 = std::atan2(Cy - Ye, Xe - Cx);
    std::vector<POINT> Pts = ArcPoints(Box, A0, A1);
    if (Kind == TArcKind::Pie) Pts.push_back({static_cast<LONG>(std::lround(Cx - 0.5)), static_cast<LONG>(std::lround(Cy - 0.5))});
    TStroke S = MakeStroke(T);
    if (Kind != TArcKind::Arc) {
        std::vector<POINT> Dev(Pts);
        for (POINT& P : Dev) {
            P.x += T.Dx;
            P.y += T.Dy;
        }
        INT N = static_cast<INT>(Dev.size());
        TRegion Inside = PolygonRegion(Dev.data(), &N, 1, ALTERNATE);
        FillRegionRop2(T, Inside, MakePaint(T, T.Dc->S.Brush.get()), T.Dc->S.Rop2);
    }
    StrokeFigure(T, S, Pts.data(), static_cast<int>(Pts.size()), Kind != TArcKind::Arc);
    if (Kind == TArcKind::Arc && !S.Null && S.Width <= 1 && !Pts.empty())
        Plot(T, Pts.back().x + T.Dx, Pts.back().y + T.Dy, S.Color, S.Rop2);
    return TRUE;
}

}  // namespace

// ---- Lines ----------------------------------------------------------------------------

BOOL MoveToEx(HDC Dc, int X, int Y, POINT* Old) {
    auto D = FindDC(Dc);
    if (!D) return FALSE;
    if (Old) *Old = D->S.CurPos;
    D->S.CurPos = {X, Y};
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC Dc, POINT* P) {
    auto D = FindDC(Dc);
    if (!D || !P) return FALSE;
    *P = D->S.CurPos;
    return TRUE;
}

BOOL LineTo(HDC Dc, int X, int Y) {
    TTarget T;
    if (!T.Begin(Dc)) return FALSE;
    POINT Pts[2] = {T.Dc->S.CurPos, {X, Y}};
    TStroke S = MakeStroke(T);
    StrokeFigure(T, S, Pts, 2, /*Closed=*/false);
    T.Dc->S.CurPos = {X, Y};
    return TRUE;
}

BOOL Polyline(HDC Dc, const POINT* Points, int Count) {
    TTarget T;
    if (!T.Begin(Dc) || !Points || Count < 2) return FALSE;
    TStroke S = MakeStroke(T);
    StrokeFigure(T, S, Points, Count, /*Closed=*/false);
    return TRUE;
}

BOOL PolylineTo(HDC Dc, const POINT* Points, DWORD Count) {
    TTarget T;
    if (!T.Begin(Dc) || !Points || Count == 0) return FALSE;
    std::vector<POINT> All{T.Dc->S.CurPos};
    All.insert(All.end(), Points, Points + Count);
    TStroke S = MakeStroke(T);
    StrokeFigure(T, S, All.data(), static_cast<int>(All.size()), /*Closed=*/false);
    T.Dc->S.CurPos = Points[Count - 1];
    return TRUE;
}

BOOL PolyPolyline(HDC Dc, const POINT* Points, const DWORD* Counts, DWORD PolyCount) {
    TTarget T;
    if (!T.Begin(Dc) || !Points || !Counts) return FALSE;
    for (DWORD I = 0; I < PolyCount; ++I) {
        TStroke S = MakeStroke(T);
        StrokeFigure(T, S, Points, static_cast<int>(Counts[I]), /*Closed=*/false);
        Points += Counts[I];
    }
    return TRUE;
}

BOOL LineDDA(int XStart, int YStart, int XEnd, int YEnd, LINEDDAPROC Proc, LPARAM Data) {
    if (!Proc) return FALSE;
    Walk(XStart, YStart, XEnd, YEnd, [&](int X, int Y) { Proc(X, Y, Data); });
    return TRUE;
}

// ---- Filled shapes ------------------------------------------------------------------------

BOOL PolyPolygon(HDC Dc, const POINT* Points, const INT* Counts, int PolyCount) {
    TTarget T;
    if (!T.Begin(Dc) || !Points || !Counts || PolyCount <= 0) return FALSE;
    int Total = 0;
    for (int I = 0; I < PolyCount; ++I) {
        if (Counts[I] < 2) return FALSE;
        Total += Counts[I];
    }
    std::vector<POINT> Dev(Points, Points + Total);
    for (POINT& P : Dev) {
        P.x += T.Dx;
        P.y += T.Dy;
    }
    TRegion Inside = PolygonRegion(Dev.data(), Counts, PolyCount, T.Dc->S.PolyFillMode);
    FillRegionRop2(T, Inside, MakePaint(T, T.Dc->S.Brush.get()), T.Dc->S.Rop2);
    const POINT* P = Points;
    for (int I = 0; I < PolyCount; ++I) {
        TStroke S = MakeStroke(T);
        StrokeFigure(T, S, P, Counts[I], /*Closed=*/true);
        P += Counts[I];
    }
    return TRUE;
}

BOOL Polygon(HDC Dc, const POINT* Points, int Count) {
    INT C = Count;
    return PolyPolygon(Dc, Points, &C, 1);
}

BOOL Rectangle(HDC Dc, int Left, int Top, int Right, int Bottom) {
    TTarget T;
    if (!T.Begin(Dc)) return FALSE;
    RECT R = Ordered(Left + T.Dx, Top + T.Dy, Right + T.Dx, Bottom + T.Dy);
    const TPen* Pen = T.Dc->S.Pen.get();
    if (!Pen || Pen->Style == PS_NULL) {
        // Without an outline the interior ends one pixel short on the right and bottom.
        FillAndFrame(T, TRegion(RECT{R.left, R.top, R.right - 1, R.bottom - 1}), /*Outline=*/nullptr);
        return TRUE;
    }
    int W = std::max(Pen->Width, 1);
    TRegion Outer(R), Inner(RECT{R.left + W, R.top + W, R.right - W, R.bottom - W});
    TRegion Outline = Outer;
    Outline.Subtract(Inner);
    if (Pen->Style == PS_SOLID || Pen->Style == PS_INSIDEFRAME || W > 1) {
        FillAndFrame(T, Inner, &Outline);
    } else {
        // Styled outline: the dash pattern runs round the rectangle.
        FillAndFrame(T, Inner, /*Outline=*/nullptr);
        POINT Pts[4] = {{Left, Top}, {Right - 1, Top}, {Right - 1, Bottom - 1}, {Left, Bottom - 1}};
        TStroke S = MakeStroke(T);
        StrokeFigure(T, S, Pts, 4, /*Closed=*/true);
    }
    return TRUE;
}

BOOL RoundRect(HDC Dc, int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
    TTarget T;
    if (!T.Begin(Dc)) return FALSE;
    RECT R = Ordered(Left + T.Dx, Top + T.Dy, Right + T.Dx, Bottom + T.Dy);
    const TPen* Pen = T.Dc->S.Pen.get();
    if (!Pen || Pen->Style == PS_NULL) {
        FillAndFrame(T, RoundRectRegion(R.left, R.top, R.right - 1, R.bottom - 1, EllipseWidth, EllipseHeight),
                     /*Outline=*/nullptr);
        return TRUE;
    }
    int W = std::max(Pen->Width, 1);
    TRegion Outer = RoundRectRegion(R.left, R.top, R.right, R.bottom, EllipseWidth, EllipseHeight);
    TRegion Inner = RoundRectRegion(R.left + W, R.top + W, R.right - W, R.bottom - W, EllipseWidth - 2 * W,
                                    EllipseHeight - 2 * W);
    if (R.right - R.left <= 2 * W || R.bottom - R.top <= 2 * W) Inner.SetEmpty();
    TRegion Outline = Outer;
    Outline.Subtract(Inner);
    FillAndFrame(T, Inner, &Outline);
    return TRUE;
}

BOOL Ellipse(HDC Dc, int Left, int Top, int Right, int Bottom) {
    TTarget T;
    if (!T.Begin(Dc)) return FALSE;
    RECT R = Ordered(Left + T.Dx, Top + T.Dy, Right + T.Dx, Bottom + T.Dy);
    const TPen* Pen = T.Dc->S.Pen.get();
    if (!Pen || Pen->Style == PS_NULL) {
        FillAndFrame(T, EllipseRegion(R.left, R.top, R.right - 1, R.bottom - 1), /*Outline=*/nullptr);
        return TRUE;
    }
    int W = std::max(Pen->Width, 1);
    TRegion Outer = EllipseRegion(R.left, R.top, R.right, R.bottom);
    TRegion Inner = EllipseRegion(R.left + W, R.top + W, R.right - W, R.bottom - W);
    if (R.right - R.left <= 2 * W || R.bottom - R.top <= 2 * W) Inner.SetEmpty();
    TRegion Outline = Outer;
    Outline.Subtract(Inner);
    FillAndFrame(T, Inner, &Outline);
    return TRUE;
}

BOOL Arc(HDC Dc, int L, int T, int R, int B, int Xs, int Ys, int Xe, int Ye) {
    return ArcShape(Dc, L, T, R, B, Xs, Ys, Xe, Ye, TArcKind::Arc);
}
BOOL Pie(HDC Dc, int L, int T, int R, int B, int Xs, int Ys, int Xe, int Ye) {
    return ArcShape(Dc, L, T, R, B, Xs, Ys, Xe, Ye, TArcKind::Pie);
}
BOOL Chord(HDC Dc, int L, int T, int R, int B, int Xs, int Ys, int Xe, int Ye) {
    return ArcShape(Dc, L, T, R, B, Xs, Ys, Xe, Ye, TArcKind::Chord);
}

// ---- Rectangles and regions with a given brush ----------------------------------------------

int FillRect(HDC Dc, const RECT* Rc, HBRUSH Brush) {
    TTarget T;
    auto B = FindBrush(Brush);
    if (!T.Begin(Dc) || !Rc || !B) return 0;
    RECT R{Rc->left + T.Dx, Rc->top + T.Dy, Rc->right + T.Dx, Rc->bottom + T.Dy};
    FillRectRop2(T, R, MakePaint(T, B.get()), R2_COPYPEN);
    return 1;
}

int FrameRect(HDC Dc, const RECT* Rc, HBRUSH Brush) {
    TTarget T;
    auto B = FindBrush(Brush);
    if (!T.Begin(Dc) || !Rc || !B) return 0;
    RECT R{Rc->left + T.Dx, Rc->top + T.Dy, Rc->right + T.Dx, Rc->bottom + T.Dy};
    if (R.right <= R.left || R.bottom <= R.top) return 1;
    TRegion Frame(R);
    Frame.Subtract(TRegion(RECT{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1}));
    FillRegionRop2(T, Frame, MakePaint(T, B.get()), R2_COPYPEN);
    return 1;
}

BOOL InvertRect(HDC Dc, const RECT* Rc) {
    TTarget T;
    if (!T.Begin(Dc) || !Rc) return FALSE;
    TPaint P;
    P.Null = false;
    RECT R{Rc->left + T.Dx, Rc->top + T.Dy, Rc->right + T.Dx, Rc->bottom + T.Dy};
    FillRectRop2(T, R, P, R2_NOT);
    return TRUE;
}

namespace {
bool RegionOnTarget(TTarget& T, HDC Dc, HRGN Region, TRegion& Out) {
    auto Rg = FindAs<TRgnObject>(Region, OBJ_REGION);
    if (!T.Begin(Dc) || !Rg) return false;
    Out = Rg->Rgn;
    Out.Translate(T.Dx, T.Dy);
    return true;
}
}  // namespace

BOOL FillRgn(HDC Dc, HRGN Region, HBRUSH Brush) {
    TTarget T;
    TRegion R;
    auto B = FindBrush(Brush);
    if (!B || !RegionOnTarget(T, Dc, Region, R)) return FALSE;
    FillRegionRop2(T, R, MakePaint(T, B.get()), R2_COPYPEN);
    return TRUE;
}

BOOL PaintRgn(HDC Dc, HRGN Region) {
    TTarget T;
    TRegion R;
    if (!RegionOnTarget(T, Dc, Region, R)) return FALSE;
    FillRegionRop2(T, R, MakePaint(T, T.Dc->S.Brush.get()), T.Dc->S.Rop2);
    return TRUE;
}

BOOL InvertRgn(HDC Dc, HRGN Region) {
    TTarget T;
    TRegion R;
    if (!RegionOnTarget(T, Dc, Region, R)) return FALSE;
    TPaint P;
    P.Null = false;
    FillRegionRop2(T, R, P, R2_NOT);
    return TRUE;
}

BOOL FrameRgn(HDC Dc, HRGN Region, HBRUSH Brush, int Width, int Height) {
    TTarget T;
    TRegion R;
    auto B = FindBrush(Brush);
    if (!B || Width <= 0 || Height <= 0 || !RegionOnTarget(T, Dc, Region, R)) return FALSE;
    // The frame is what erosion by Width x Height removes from the region.
    TRegion Inner = R;
    for (int D = 1; D <= Width; ++D)
        for (int S : {-D, D}) {
            TRegion M = R;
            M.Translate(S, 0);
            Inner.Intersect(M);
        }
    for (int D = 1; D <= Height; ++D)
        for (int S : {-D, D}) {
            TRegion M = R;
            M.Translate(0, S);
            Inner.Intersect(M);
        }
    R.Subtract(Inner);
    FillRegionRop2(T, R, MakePaint(T, B.get()), R2_COPYPEN);
    return TRUE;
}
