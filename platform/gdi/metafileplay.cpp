#include "platform/gdi/metafileplay.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- Reading ----------------------------------------------------------------------------

struct TReader {
    const uint8_t* P;
    size_t N;
    bool Has(size_t Off, size_t Len) const { return Off <= N && Len <= N - Off; }
    uint32_t U32(size_t Off) const {
        if (!Has(Off, 4)) return 0;
        return uint32_t(P[Off]) | uint32_t(P[Off + 1]) << 8 | uint32_t(P[Off + 2]) << 16 | uint32_t(P[Off + 3]) << 24;
    }
    int32_t I32(size_t Off) const { return static_cast<int32_t>(U32(Off)); }
    uint16_t U16(size_t Off) const { return Has(Off, 2) ? uint16_t(P[Off] | P[Off + 1] << 8) : 0; }
    int16_t I16(size_t Off) const { return static_cast<int16_t>(U16(Off)); }
    float F32(size_t Off) const {
        uint32_t u = U32(Off);
        float f;
        std::memcpy(&f, &u, 4);
        return std::isfinite(f) ? f : 0.0f;
    }
};

struct TPt {
    double X, Y;
};

struct TXf {
    double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
    TPt Apply(TPt P) const { return {P.X * M11 + P.Y * M21 + Dx, P.X * M12 + P.Y * M22 + Dy}; }
    // this, then B
    TXf Then(const TXf& B) const {
        TXf r;
        r.M11 = M11 * B.M11 + M12 * B.M21;
        r.M12 = M11 * B.M12 + M12 * B.M22;
        r.M21 = M21 * B.M11 + M22 * B.M21;
        r.M22 = M21 * B.M12 + M22 * B.M22;
        r.Dx = Dx * B.M11 + Dy * B.M21 + B.Dx;
        r.Dy = Dx * B.M12 + Dy * B.M22 + B.Dy;
        return r;
    }
};

// Logical objects: pens, brushes and fonts as the metafile describes them;
// GDI objects are made at drawing time, at the current scale.
struct TObj {
    int Kind = 0;  // 0 none, 1 pen, 2 brush, 3 font
    int Style = 0;
    double Width = 0;
    COLORREF Color = 0;
    double FontHeight = 0;
    int Weight = 400;
    bool Italic = false;
    std::u16string Face;
};

struct TState {
    int MapMode = MM_TEXT;
    TPt WinOrg{0, 0}, WinExt{1, 1}, VpOrg{0, 0}, VpExt{1, 1};
    TXf World;
    TObj Pen, Brush, Font;
    int FillMode = ALTERNATE;
    COLORREF TextColor = 0, BkColor = 0xFFFFFF;
    int BkMode = 2;  // OPAQUE
    UINT TextAlign = 0;
    TPt Cur{0, 0};
};

class TPlayer {
public:
    TPlayer(HDC Dc, const RECT& Bounds, TXf RefToDest, double MmPerRefX, double MmPerRefY)
        : Dc(Dc), ToDest(RefToDest), MmX(MmPerRefX), MmY(MmPerRefY) {
        S.Pen.Kind = 1;
        S.Pen.Color = 0;
        S.Pen.Width = 0;
        S.Brush.Kind = 2;
        S.Brush.Color = 0xFFFFFF;
        SaveDC(Dc);
        IntersectClipRect(Dc, Bounds.left, Bounds.top, Bounds.right, Bounds.bottom);
    }
    ~TPlayer() { RestoreDC(Dc, -1); }

    HDC Dc;
    TXf ToDest;
    double MmX, MmY;
    TState S;
    std::vector<TState> Stack;
    std::vector<TObj> Objects;
    bool InPath = false;
    // 16-bit metafiles: the window frame itself is mapped onto the bounds.
    bool FixedFrame = false;
    std::vector<std::vector<POINT>> Path;
    std::vector<bool> PathClosed;

    // The mapping of page space to the reference device.
    TXf PageToRef() const {
        TXf m;
        if (FixedFrame) return m;
        double sx = 1, sy = 1;
        switch (S.MapMode) {
            case 2: sx = 0.1 / MmX; sy = -0.1 / MmY; break;      // MM_LOMETRIC
            case 3: sx = 0.01 / MmX; sy = -0.01 / MmY; break;    // MM_HIMETRIC
            case 4: sx = 0.254 / MmX; sy = -0.254 / MmY; break;  // MM_LOENGLISH
            case 5: sx = 0.0254 / MmX; sy = -0.0254 / MmY; break;
            case 6: sx = 25.4 / 1440 / MmX; sy = -25.4 / 1440 / MmY; break;  // MM_TWIPS
            case 7:
            case 8: {
                sx = S.WinExt.X != 0 ? S.VpExt.X / S.WinExt.X : 1;
                sy = S.WinExt.Y != 0 ? S.VpExt.Y / S.WinExt.Y : 1;
                if (S.MapMode == 7) {
                    // Isotropic: the smaller scale on both axes, signs kept.
                    const double a = std::min(std::fabs(sx), std::fabs(sy));
                    sx = std::copysign(a, sx);
                    sy = std::copysign(a, sy);
                }
                break;
            }
            default: break;
        }
        m.M11 = sx;
        m.M22 = sy;
        m.Dx = S.VpOrg.X - S.WinOrg.X * sx;
        m.Dy = S.VpOrg.Y - S.WinOrg.Y * sy;
        return m;
    }
    TXf Total() const { return S.World.Then(PageToRef()).Then(ToDest); }
    double Scale() const {
        const TXf t = Total();
        return std::sqrt(std::fabs(t.M11 * t.M22 - t.M12 * t.M21));
    }
    POINT Dev(TPt P) const {
        const TPt d = Total().Apply(P);
        auto clampL = [](double v) { return static_cast<LONG>(std::clamp(std::lround(v), -1000000L, 1000000L)); };
        return POINT{clampL(d.X), clampL(d.Y)};
    }

    // Drawing with the current pen and brush (either may be left out).
    void WithObjects(bool UsePen, bool UseBrush, const std::function<void()>& Draw) {
        HPEN pen = nullptr;
        HBRUSH brush = nullptr;
        if (UsePen && S.Pen.Style != PS_NULL) {
            const int w = S.Pen.Width <= 0 ? 1 : std::max(1, static_cast<int>(std::lround(S.Pen.Width * Scale())));
            pen = CreatePen(S.Pen.Style & 0x0F, std::min(w, 10000), S.Pen.Color);
        }
        if (UseBrush && S.Brush.Style != BS_NULL) brush = CreateSolidBrush(S.Brush.Color);
        HGDIOBJ oldPen = SelectObject(Dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
        HGDIOBJ oldBrush = SelectObject(Dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
        SetPolyFillMode(Dc, S.FillMode);
        Draw();
        SelectObject(Dc, oldPen);
        SelectObject(Dc, oldBrush);
        if (pen) DeleteObject(pen);
        if (brush) DeleteObject(brush);
    }

    void AddFigure(std::vector<POINT> Pts, bool Closed) {
        if (Pts.empty()) return;
        Path.push_back(std::move(Pts));
        PathClosed.push_back(Closed);
    }

    void Shape(const std::vector<TPt>& Pts, bool Closed, bool Fill) {
        std::vector<POINT> d;
        d.reserve(Pts.size());
        for (const TPt& p : Pts) d.push_back(Dev(p));
        if (d.empty()) return;
        if (InPath) {
            AddFigure(std::move(d), Closed);
            return;
        }
        if (Closed && Fill)
            WithObjects(/*UsePen=*/true, /*UseBrush=*/true, [&] { Polygon(Dc, d.data(), static_cast<int>(d.size())); });
        else
            WithObjects(/*UsePen=*/true, /*UseBrush=*/false,
                        [&] { Polyline(Dc, d.data(), static_cast<int>(d.size())); });
    }

    void PolyPoly(const std::vector<std::vector<TPt>>& Polys, bool Fill) {
        if (InPath) {
            for (const auto& p : Polys) Shape(p, Fill, Fill);
            return;
        }
        std::vector<POINT> all;
        std::vector<INT> counts;
        for (const auto& p : Polys) {
            if (p.empty()) continue;
            for (const TPt& q : p) all.push_back(Dev(q));
            counts.push_back(static_cast<INT>(p.size()));
        }
        if (counts.empty()) return;
        if (Fill) {
            WithObjects(/*UsePen=*/true, /*UseBrush=*/true,
                        [&] { PolyPolygon(Dc, all.data(), counts.data(), static_cast<int>(counts.size())); });
        } else {
            size_t at = 0;
            WithObjects(/*UsePen=*/true, /*UseBrush=*/false, [&] {
                for (INT c : counts) {
                    Polyline(Dc, all.data() + at, c);
                    at += static_cast<size_t>(c);
                }
            });
        }
    }

    // A cubic curve from the current point, flattened.
    static void Flatten(TPt P0, TPt P1, TPt P2, TPt P3, std::vector<TPt>& Out) {
        constexpr int Steps = 24;
        for (int i = 1; i <= Steps; ++i) {
            const double t = double(i) / Steps, u = 1 - t;
            Out.push_back({u * u * u * P0.X + 3 * u * u * t * P1.X + 3 * u * t * t * P2.X + t * t * t * P3.X,
                           u * u * u * P0.Y + 3 * u * u * t * P1.Y + 3 * u * t * t * P2.Y + t * t * t * P3.Y});
        }
    }

    void Ellipse(TPt A, TPt B) {
        const double cx = (A.X + B.X) / 2, cy = (A.Y + B.Y) / 2, rx = std::fabs(B.X - A.X) / 2,
                     ry = std::fabs(B.Y - A.Y) / 2;
        std::vector<TPt> pts;
        for (int i = 0; i < 96; ++i) {
            const double a = i * 2 * M_PI / 96;
            pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
        }
        Shape(pts, /*Closed=*/true, /*Fill=*/true);
    }

    void Rect(TPt A, TPt B) { Shape({A, {B.X, A.Y}, B, {A.X, B.Y}}, /*Closed=*/true, /*Fill=*/true); }

    void FinishPath(bool Fill, bool Stroke) {
        if (Path.empty()) return;
        if (Fill) {
            std::vector<POINT> all;
            std::vector<INT> counts;
            for (const auto& f : Path) {
                all.insert(all.end(), f.begin(), f.end());
                counts.push_back(static_cast<INT>(f.size()));
            }
            WithObjects(/*UsePen=*/false, /*UseBrush=*/true,
                        [&] { PolyPolygon(Dc, all.data(), counts.data(), static_cast<int>(counts.size())); });
        }
        if (Stroke) {
            WithObjects(/*UsePen=*/true, /*UseBrush=*/false, [&] {
                for (size_t i = 0; i < Path.size(); ++i) {
                    std::vector<POINT> f = Path[i];
                    if (PathClosed[i] && f.size() > 1) f.push_back(f.front());
                    Polyline(Dc, f.data(), static_cast<int>(f.size()));
                }
            });
        }
        Path.clear();
        PathClosed.clear();
    }

    void ClipRect(TPt A, TPt B, bool Exclude) {
        const POINT a = Dev(A), b = Dev(B);
        const int l = std::min(a.x, b.x), t = std::min(a.y, b.y), r = std::max(a.x, b.x), bt = std::max(a.y, b.y);
        if (Exclude)
            ExcludeClipRect(Dc, l, t, r, bt);
        else
            IntersectClipRect(Dc, l, t, r, bt);
    }

    void Text(TPt At, const std::u16string& Str) {
        if (Str.empty()) return;
        const POINT p = Dev(At);
        const double h = S.Font.FontHeight * Scale();
        HFONT f = CreateFontW(static_cast<int>(std::clamp(std::lround(h), -5000L, 5000L)), 0, 0, 0, S.Font.Weight,
                              S.Font.Italic, 0, 0, 0, 0, 0, 0, 0,
                              S.Font.Face.empty() ? u"Sans" : reinterpret_cast<LPCWSTR>(S.Font.Face.c_str()));
        HGDIOBJ old = SelectObject(Dc, f);
        SetTextColor(Dc, S.TextColor);
        SetBkColor(Dc, S.BkColor);
        SetBkMode(Dc, S.BkMode);
        SetTextAlign(Dc, S.TextAlign & ~1u);  // never the current position
        TextOutW(Dc, p.x, p.y, reinterpret_cast<LPCWSTR>(Str.c_str()), static_cast<int>(Str.size()));
        SelectObject(Dc, old);
        DeleteObject(f);
    }

    static TObj Stock(int Kind, int Style, COLORREF Color) {
        TObj o;
        o.Kind = Kind;
        o.Style = Style;
        o.Color = Color;
        return o;
    }
    void Select(uint32_t Index) {
        if (Index & 0x80000000u) {
            switch (Index & 0x7FFFFFFF) {
                case 0: S.Brush = Stock(2, BS_SOLID, 0xFFFFFF); break;
                case 1: S.Brush = Stock(2, BS_SOLID, 0xC0C0C0); break;
                case 2: S.Brush = Stock(2, BS_SOLID, 0x808080); break;
                case 3: S.Brush = Stock(2, BS_SOLID, 0x404040); break;
                case 4: S.Brush = Stock(2, BS_SOLID, 0); break;
                case 5: S.Brush = Stock(2, BS_NULL, 0); break;
                case 6: S.Pen = Stock(1, 0, 0xFFFFFF); break;
                case 7: S.Pen = Stock(1, 0, 0); break;
                case 8: S.Pen = Stock(1, PS_NULL, 0); break;
                default: break;
            }
            return;
        }
        if (Index >= Objects.size()) return;
        const TObj& o = Objects[Index];
        if (o.Kind == 1) S.Pen = o;
        if (o.Kind == 2) S.Brush = o;
        if (o.Kind == 3) S.Font = o;
    }
    void Store(uint32_t Index, const TObj& O) {
        if (Index >= 65536) return;
        if (Index >= Objects.size()) Objects.resize(Index + 1);
        Objects[Index] = O;
    }
    void Save() {
        if (Stack.size() < 1024) Stack.push_back(S);
        SaveDC(Dc);
    }
    void Restore(int Rel) {
        int n = Rel < 0 ? -Rel : static_cast<int>(Stack.size()) - Rel + 1;
        for (; n > 0 && !Stack.empty(); --n) {
            S = Stack.back();
            Stack.pop_back();
            RestoreDC(Dc, -1);
        }
    }
    void BlitDib(const TReader& R, size_t Rec, size_t RecSize, TPt A, TPt B, int32_t SrcX, int32_t SrcY,
                 int32_t SrcW, int32_t SrcH, uint32_t OffBmi, uint32_t CbBmi, uint32_t OffBits, uint32_t CbBits,
                 uint32_t Usage, uint32_t Rop) {
        if (CbBmi < 40 || OffBmi > RecSize || CbBmi > RecSize - OffBmi || OffBits > RecSize ||
            CbBits > RecSize - OffBits)
            return;
        const auto* bmi = reinterpret_cast<const BITMAPINFO*>(R.P + Rec + OffBmi);
        // The bits must cover the rows the header claims.
        std::vector<uint8_t> info(R.P + Rec + OffBmi, R.P + Rec + OffBmi + CbBmi);
        const int32_t w = R.I32(Rec + OffBmi + 4), h = R.I32(Rec + OffBmi + 8);
        const uint16_t bits = R.U16(Rec + OffBmi + 14);
        const uint32_t comp = R.U32(Rec + OffBmi + 16);
        if (w <= 0 || w > 30000 || h == 0 || std::abs(h) > 30000 || comp != 0) return;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return;
        const uint64_t row = ((uint64_t(w) * bits + 31) / 32) * 4;
        if (row * uint64_t(std::abs(h)) > CbBits) return;
        const uint32_t colours = bits <= 8 ? std::max<uint32_t>(R.U32(Rec + OffBmi + 32), 0) : 0;
        if (bits <= 8 && 40 + 4ull * (colours ? colours : (1u << bits)) > CbBmi) return;
        (void)bmi;
        const POINT a = Dev(A), b = Dev(B);
        StretchDIBits(Dc, std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y), SrcX,
                      SrcY, SrcW, SrcH, R.P + Rec + OffBits, reinterpret_cast<const BITMAPINFO*>(info.data()), Usage,
                      Rop);
    }
};

std::vector<TPt> Points32(const TReader& R, size_t Off, uint32_t Count) {
    std::vector<TPt> v;
    for (uint32_t i = 0; i < Count; ++i) v.push_back({double(R.I32(Off + 8 * i)), double(R.I32(Off + 8 * i + 4))});
    return v;
}
std::vector<TPt> Points16(const TReader& R, size_t Off, uint32_t Count) {
    std::vector<TPt> v;
    for (uint32_t i = 0; i < Count; ++i) v.push_back({double(R.I16(Off + 4 * i)), double(R.I16(Off + 4 * i + 2))});
    return v;
}

// The reference device's mapping onto Bounds, from the header's frame.
bool EmfHeader(const TReader& R, const RECT& Bounds, TXf& ToDest, double& MmX, double& MmY) {
    if (!IsEnhMetaFileData(R.P, R.N)) return false;
    const double fl = R.I32(24), ft = R.I32(28), fr = R.I32(32), fb = R.I32(36);  // 0.01 mm
    const double devW = R.I32(72), devH = R.I32(76), mmW = R.I32(80), mmH = R.I32(84);
    MmX = devW > 0 && mmW > 0 ? mmW / devW : 25.4 / 96;
    MmY = devH > 0 && mmH > 0 ? mmH / devH : 25.4 / 96;
    // The frame in reference pixels.
    const double l = fl / 100 / MmX, t = ft / 100 / MmY, r = fr / 100 / MmX, b = fb / 100 / MmY;
    if (r - l <= 0 || b - t <= 0) return false;
    ToDest.M11 = (Bounds.right - Bounds.left) / (r - l);
    ToDest.M22 = (Bounds.bottom - Bounds.top) / (b - t);
    ToDest.Dx = Bounds.left - l * ToDest.M11;
    ToDest.Dy = Bounds.top - t * ToDest.M22;
    return true;
}

}  // namespace

bool IsEnhMetaFileData(const void* Data, size_t Size) {
    const TReader R{static_cast<const uint8_t*>(Data), Size};
    return Data && R.Has(0, 88) && R.U32(0) == 1 && R.U32(40) == 0x464D4520u;  // " EMF"
}

bool MetaFileSize96(const void* Data, size_t Size, int& Width, int& Height) {
    const TReader R{static_cast<const uint8_t*>(Data), Size};
    if (!Data) return false;
    double w = 0, h = 0;
    if (IsEnhMetaFileData(Data, Size)) {
        w = (double(R.I32(32)) - R.I32(24)) * 96 / 2540;
        h = (double(R.I32(36)) - R.I32(28)) * 96 / 2540;
    } else if (R.Has(0, 22) && R.U32(0) == 0x9AC6CDD7u) {
        const double inch = R.U16(14);
        if (inch == 0) return false;
        w = (double(R.I16(10)) - R.I16(6)) * 96 / inch;
        h = (double(R.I16(12)) - R.I16(8)) * 96 / inch;
    } else if (R.Has(0, 18) && (R.U16(0) == 1 || R.U16(0) == 2) && R.U16(2) == 9) {
        for (size_t at = 18; R.Has(at, 6);) {
            const uint32_t words = R.U32(at);
            const uint16_t fn = R.U16(at + 4);
            if (words < 3 || !R.Has(at, size_t(words) * 2)) break;
            if (fn == 0x020C && words >= 5) {
                h = R.I16(at + 6);
                w = R.I16(at + 8);
                break;
            }
            if (fn == 0) break;
            at += size_t(words) * 2;
        }
    }
    w = std::fabs(std::round(w));
    h = std::fabs(std::round(h));
    if (w < 1 || h < 1 || w > 1e9 || h > 1e9) return false;
    Width = static_cast<int>(w);
    Height = static_cast<int>(h);
    return true;
}

BOOL PlayEnhMetaFile(HDC Dc, const void* Data, size_t Size, const RECT* Bounds) {
    const TReader R{static_cast<const uint8_t*>(Data), Size};
    if (!Dc || !Bounds || !Data) return 0;
    TXf toDest;
    double mmX, mmY;
    if (!EmfHeader(R, *Bounds, toDest, mmX, mmY)) return 0;
    TPlayer P(Dc, *Bounds, toDest, mmX, mmY);
    size_t at = 0;
    std::vector<TPt> fig;  // the figure being drawn by MoveTo/LineTo/Bézier in a path
    for (int guard = 0; R.Has(at, 8) && guard < 10000000; ++guard) {
        const uint32_t type = R.U32(at), size = R.U32(at + 4);
        if (size < 8 || size % 4 != 0 || !R.Has(at, size)) break;
        const size_t d = at + 8;  // the record's data
        auto need = [&](size_t Bytes) { return size - 8 >= Bytes; };
        auto pt = [&](size_t Off) { return TPt{double(R.I32(d + Off)), double(R.I32(d + Off + 4))}; };
        auto flushFig = [&](bool Closed) {
            if (P.InPath && fig.size() > 1) P.Shape(fig, Closed, Closed);
            fig.clear();
        };
        switch (type) {
            case 14: at = Size; continue;  // EMR_EOF
            case 9:  // SETWINDOWEXTEX
                if (need(8)) P.S.WinExt = pt(0);
                break;
            case 10:
                if (need(8)) P.S.WinOrg = pt(0);
                break;
            case 11:
                if (need(8)) P.S.VpExt = pt(0);
                break;
            case 12:
                if (need(8)) P.S.VpOrg = pt(0);
                break;
            case 17:  // SETMAPMODE
                if (need(4) && R.U32(d) >= 1 && R.U32(d) <= 8) P.S.MapMode = static_cast<int>(R.U32(d));
                break;
            case 18:
                if (need(4)) P.S.BkMode = static_cast<int>(R.U32(d));
                break;
            case 19:
                if (need(4)) P.S.FillMode = R.U32(d) == WINDING ? WINDING : ALTERNATE;
                break;
            case 22:
                if (need(4)) P.S.TextAlign = R.U32(d);
                break;
            case 24:
                if (need(4)) P.S.TextColor = R.U32(d) & 0xFFFFFF;
                break;
            case 25:
                if (need(4)) P.S.BkColor = R.U32(d) & 0xFFFFFF;
                break;
            case 27:  // MOVETOEX
                if (need(8)) {
                    flushFig(false);
                    P.S.Cur = pt(0);
                    fig = {P.S.Cur};
                }
                break;
            case 54:  // LINETO
                if (need(8)) {
                    const TPt to = pt(0);
                    if (P.InPath) {
                        if (fig.empty()) fig.push_back(P.S.Cur);
                        fig.push_back(to);
                    } else {
                        P.Shape({P.S.Cur, to}, /*Closed=*/false, /*Fill=*/false);
                    }
                    P.S.Cur = to;
                }
                break;
            case 30:  // INTERSECTCLIPRECT
            case 29:  // EXCLUDECLIPRECT
                if (need(16)) P.ClipRect(pt(0), pt(8), type == 29);
                break;
            case 33: P.Save(); break;
            case 34:
                if (need(4)) P.Restore(R.I32(d));
                break;
            case 35:  // SETWORLDTRANSFORM
            case 36:  // MODIFYWORLDTRANSFORM
                if (need(24)) {
                    TXf x{R.F32(d), R.F32(d + 4), R.F32(d + 8), R.F32(d + 12), R.F32(d + 16), R.F32(d + 20)};
                    const uint32_t mode = type == 35 ? 4 : (need(28) ? R.U32(d + 24) : 0);
                    if (mode == 1) P.S.World = TXf{};
                    else if (mode == 2) P.S.World = x.Then(P.S.World);
                    else if (mode == 3) P.S.World = P.S.World.Then(x);
                    else if (mode == 4) P.S.World = x;
                }
                break;
            case 37:
                if (need(4)) P.Select(R.U32(d));
                break;
            case 38:  // CREATEPEN: index, style, width (point), colour
                if (need(20)) {
                    TObj o;
                    o.Kind = 1;
                    o.Style = static_cast<int>(R.U32(d + 4) & 0x0F);
                    o.Width = R.I32(d + 8);
                    o.Color = R.U32(d + 16) & 0xFFFFFF;
                    P.Store(R.U32(d), o);
                }
                break;
            case 95:  // EXTCREATEPEN: index, offsets, then style, width, brush style, colour
                if (need(36)) {
                    TObj o;
                    o.Kind = 1;
                    o.Style = static_cast<int>(R.U32(d + 20) & 0x0F);
                    o.Width = R.U32(d + 24);
                    o.Color = R.U32(d + 32) & 0xFFFFFF;
                    if (R.U32(d + 28) == BS_NULL) o.Style = PS_NULL;
                    P.Store(R.U32(d), o);
                }
                break;
            case 39:  // CREATEBRUSHINDIRECT: index, style, colour, hatch
                if (need(16)) {
                    TObj o;
                    o.Kind = 2;
                    o.Style = R.U32(d + 4) == BS_NULL ? BS_NULL : BS_SOLID;
                    o.Color = R.U32(d + 8) & 0xFFFFFF;
                    P.Store(R.U32(d), o);
                }
                break;
            case 82:  // EXTCREATEFONTINDIRECTW: index, LOGFONTW
                if (need(4 + 92)) {
                    TObj o;
                    o.Kind = 3;
                    o.FontHeight = R.I32(d + 4);
                    o.Weight = R.I32(d + 20);
                    o.Italic = R.P[d + 24] != 0;
                    for (size_t i = 0; i < 32; ++i) {
                        const char16_t c = static_cast<char16_t>(R.U16(d + 32 + 2 * i));
                        if (!c) break;
                        o.Face += c;
                    }
                    P.Store(R.U32(d), o);
                }
                break;
            case 40:  // DELETEOBJECT
                if (need(4) && R.U32(d) < P.Objects.size()) P.Objects[R.U32(d)] = TObj{};
                break;
            case 42:  // ELLIPSE
                if (need(16)) P.Ellipse(pt(0), pt(8));
                break;
            case 43:  // RECTANGLE
                if (need(16)) P.Rect(pt(0), pt(8));
                break;
            case 2: case 3: case 4: case 5: case 6:  // POLYBEZIER, POLYGON, POLYLINE, POLYBEZIERTO, POLYLINETO
            case 85: case 86: case 87: case 88: case 89: {  // the same with 16-bit points
                const bool small = type >= 85;
                if (!need(20)) break;
                const uint32_t n = R.U32(d + 16);
                const size_t ptSize = small ? 4 : 8;
                if (n == 0 || n > (size - 28) / ptSize) break;
                std::vector<TPt> pts = small ? Points16(R, d + 20, n) : Points32(R, d + 20, n);
                const uint32_t kind = small ? type - 83 : type;  // 85..89 -> 2..6
                if (kind == 3) {  // polygon
                    P.Shape(pts, /*Closed=*/true, /*Fill=*/true);
                } else if (kind == 4) {  // polyline
                    P.Shape(pts, /*Closed=*/false, /*Fill=*/false);
                } else if (kind == 2 || kind == 5) {  // Bézier: from its first point, or from the current one
                    std::vector<TPt> out;
                    TPt cur = kind == 2 ? pts[0] : P.S.Cur;
                    size_t i = kind == 2 ? 1 : 0;
                    out.push_back(cur);
                    for (; i + 2 < pts.size(); i += 3) {
                        TPlayer::Flatten(cur, pts[i], pts[i + 1], pts[i + 2], out);
                        cur = pts[i + 2];
                    }
                    if (kind == 5) {
                        P.S.Cur = cur;
                        if (P.InPath) {
                            if (fig.empty()) fig.push_back(out.front());
                            fig.insert(fig.end(), out.begin() + 1, out.end());
                            break;
                        }
                    }
                    P.Shape(out, /*Closed=*/false, /*Fill=*/false);
                } else if (kind == 6) {  // polyline from the current point
                    pts.insert(pts.begin(), P.S.Cur);
                    P.S.Cur = pts.back();
                    if (P.InPath) {
                        if (fig.empty()) fig.push_back(pts.front());
                        fig.insert(fig.end(), pts.begin() + 1, pts.end());
                    } else {
                        P.Shape(pts, /*Closed=*/false, /*Fill=*/false);
                    }
                }
                break;
            }
            case 7: case 8: case 90: case 91: {  // POLYPOLYLINE, POLYPOLYGON, and their 16-bit forms
                const bool small = type == 90 || type == 91;
                const bool fill = type == 8 || type == 91;
                if (!need(24)) break;
                const uint32_t polys = R.U32(d + 16), total = R.U32(d + 20);
                const size_t ptSize = small ? 4 : 8;
                if (polys == 0 || polys > (size - 32) / 4) break;
                const size_t ptsAt = d + 24 + size_t(polys) * 4;
                if (total > (size - 32 - size_t(polys) * 4) / ptSize) break;
                std::vector<std::vector<TPt>> all;
                uint64_t used = 0;
                for (uint32_t i = 0; i < polys; ++i) {
                    const uint32_t c = R.U32(d + 24 + 4 * i);
                    if (used + c > total) break;
                    all.push_back(small ? Points16(R, ptsAt + used * 4, c) : Points32(R, ptsAt + used * 8, c));
                    used += c;
                }
                P.PolyPoly(all, fill);
                break;
            }
            case 59:  // BEGINPATH
                P.InPath = true;
                P.Path.clear();
                P.PathClosed.clear();
                fig.clear();
                break;
            case 60:  // ENDPATH
                flushFig(false);
                P.InPath = false;
                break;
            case 61:  // CLOSEFIGURE
                if (P.InPath && fig.size() > 1) {
                    P.S.Cur = fig.front();
                    flushFig(true);
                    fig = {P.S.Cur};
                }
                break;
            case 62: P.FinishPath(/*Fill=*/true, /*Stroke=*/false); break;   // FILLPATH
            case 63: P.FinishPath(/*Fill=*/true, /*Stroke=*/true); break;    // STROKEANDFILLPATH
            case 64: P.FinishPath(/*Fill=*/false, /*Stroke=*/true); break;   // STROKEPATH
            case 68:                                     // ABORTPATH
                P.InPath = false;
                P.Path.clear();
                P.PathClosed.clear();
                fig.clear();
                break;
            case 67:  // SELECTCLIPPATH
                if (!P.Path.empty()) {
                    std::vector<POINT> all;
                    std::vector<INT> counts;
                    for (const auto& f : P.Path) {
                        all.insert(all.end(), f.begin(), f.end());
                        counts.push_back(static_cast<INT>(f.size()));
                    }
                    HRGN rg = CreatePolyPolygonRgn(all.data(), counts.data(), static_cast<int>(counts.size()),
                                                   P.S.FillMode);
                    ExtSelectClipRgn(Dc, rg, need(4) && R.U32(d) >= 1 && R.U32(d) <= 5 ? R.I32(d) : RGN_AND);
                    DeleteObject(rg);
                    P.Path.clear();
                    P.PathClosed.clear();
                }
                break;
            case 84: {  // EXTTEXTOUTW: bounds, mode, scales, then EMRTEXT (reference, count, offset)
                if (!need(68)) break;
                const TPt ref = pt(28);
                const uint32_t n = R.U32(d + 36), off = R.U32(d + 40);
                if (n == 0 || n > 100000 || off > size || size_t(n) * 2 > size - off) break;
                std::u16string s;
                for (uint32_t i = 0; i < n; ++i) s += static_cast<char16_t>(R.U16(at + off + 2 * i));
                P.Text(ref, s);
                break;
            }
            case 81: {  // STRETCHDIBITS
                if (!need(72)) break;
                P.BlitDib(R, at, size, pt(16), TPt{double(R.I32(d + 16) + R.I32(d + 64)), double(R.I32(d + 20) + R.I32(d + 68))},
                          R.I32(d + 24), R.I32(d + 28), R.I32(d + 32), R.I32(d + 36), R.U32(d + 40), R.U32(d + 44),
                          R.U32(d + 48), R.U32(d + 52), R.U32(d + 56), R.U32(d + 60));
                break;
            }
            default: break;
        }
        at += size;
    }
    return 1;
}

BOOL PlayMetaFile(HDC Dc, const void* Data, size_t Size, const RECT* Bounds) {
    const TReader R{static_cast<const uint8_t*>(Data), Size};
    if (!Dc || !Bounds || !Data) return 0;
    size_t at = 0;
    double bl = 0, bt = 0, bw = 0, bh = 0;
    if (R.Has(0, 22) && R.U32(0) == 0x9AC6CDD7u) {
        bl = R.I16(6);
        bt = R.I16(8);
        bw = double(R.I16(10)) - bl;
        bh = double(R.I16(12)) - bt;
        at = 22;
    }
    if (!R.Has(at, 18) || R.U16(at + 2) != 9) return 0;
    at += size_t(R.U16(at + 2)) * 2;
    // Without a placeable box the first window extent and origin frame the picture.
    if (bw == 0 || bh == 0) {
        for (size_t s = at; R.Has(s, 6);) {
            const uint32_t words = R.U32(s);
            const uint16_t fn = R.U16(s + 4);
            if (words < 3 || !R.Has(s, size_t(words) * 2) || fn == 0) break;
            if (fn == 0x020C && words >= 5 && bw == 0) {
                bh = R.I16(s + 6);
                bw = R.I16(s + 8);
            }
            if (fn == 0x020B && words >= 5) {
                bt = R.I16(s + 6);
                bl = R.I16(s + 8);
            }
            s += size_t(words) * 2;
        }
    }
    if (bw == 0 || bh == 0) return 0;
    // Logical units of the window frame map straight onto Bounds; the player's
    // own window mapping then runs in "reference" units equal to logical ones.
    TXf toDest;
    toDest.M11 = (Bounds->right - Bounds->left) / bw;
    toDest.M22 = (Bounds->bottom - Bounds->top) / bh;
    toDest.Dx = Bounds->left - bl * toDest.M11;
    toDest.Dy = Bounds->top - bt * toDest.M22;
    TPlayer P(Dc, *Bounds, toDest, 25.4 / 96, 25.4 / 96);
    P.FixedFrame = true;
    auto freeSlot = [&]() {
        for (size_t i = 0; i < P.Objects.size(); ++i)
            if (P.Objects[i].Kind == 0) return static_cast<uint32_t>(i);
        return static_cast<uint32_t>(P.Objects.size());
    };
    for (int guard = 0; R.Has(at, 6) && guard < 10000000; ++guard) {
        const uint32_t words = R.U32(at);
        const uint16_t fn = R.U16(at + 4);
        if (words < 3 || !R.Has(at, size_t(words) * 2)) break;
        const size_t d = at + 6, n = size_t(words) * 2 - 6;
        auto need = [&](size_t Bytes) { return n >= Bytes; };
        auto yx = [&](size_t Off) { return TPt{double(R.I16(d + Off + 2)), double(R.I16(d + Off))}; };
        switch (fn) {
            case 0: at = Size; continue;
            case 0x0103:
                if (need(2) && R.U16(d) >= 1 && R.U16(d) <= 8) P.S.MapMode = R.U16(d);
                break;
            case 0x020B:
                if (need(4)) P.S.WinOrg = yx(0);
                break;
            case 0x020C:
                if (need(4)) P.S.WinExt = yx(0);
                break;
            case 0x020D:
                if (need(4)) P.S.VpOrg = yx(0);
                break;
            case 0x020E:
                if (need(4)) P.S.VpExt = yx(0);
                break;
            case 0x0102:
                if (need(2)) P.S.BkMode = R.U16(d);
                break;
            case 0x0106:
                if (need(2)) P.S.FillMode = R.U16(d) == WINDING ? WINDING : ALTERNATE;
                break;
            case 0x0209:
                if (need(4)) P.S.TextColor = R.U32(d) & 0xFFFFFF;
                break;
            case 0x001E: P.Save(); break;
            case 0x0127:
                if (need(2)) P.Restore(R.I16(d));
                break;
            case 0x02FA:  // CREATEPENINDIRECT: style, width (x, y), colour
                if (need(10)) {
                    TObj o;
                    o.Kind = 1;
                    o.Style = R.U16(d) & 0x0F;
                    o.Width = R.I16(d + 2);
                    o.Color = R.U32(d + 6) & 0xFFFFFF;
                    P.Store(freeSlot(), o);
                }
                break;
            case 0x02FC:  // CREATEBRUSHINDIRECT: style, colour, hatch
                if (need(8)) {
                    TObj o;
                    o.Kind = 2;
                    o.Style = R.U16(d) == BS_NULL ? BS_NULL : BS_SOLID;
                    o.Color = R.U32(d + 2) & 0xFFFFFF;
                    P.Store(freeSlot(), o);
                }
                break;
            case 0x02FB:  // CREATEFONTINDIRECT
                if (need(18)) {
                    TObj o;
                    o.Kind = 3;
                    o.FontHeight = R.I16(d);
                    o.Weight = R.I16(d + 8);
                    o.Italic = R.P[d + 10] != 0;
                    for (size_t i = 18; i < n && R.P[d + i]; ++i) o.Face += static_cast<char16_t>(R.P[d + i]);
                    P.Store(freeSlot(), o);
                }
                break;
            case 0x00F7:  // CREATEPALETTE and other objects take a slot too
            case 0x01F9:
            case 0x0142: {
                TObj o;
                o.Kind = 4;
                P.Store(freeSlot(), o);
                break;
            }
            case 0x012D:
                if (need(2)) P.Select(R.U16(d));
                break;
            case 0x01F0:
                if (need(2) && R.U16(d) < P.Objects.size()) P.Objects[R.U16(d)] = TObj{};
                break;
            case 0x0214:
                if (need(4)) P.S.Cur = yx(0);
                break;
            case 0x0213:
                if (need(4)) {
                    const TPt to = yx(0);
                    P.Shape({P.S.Cur, to}, /*Closed=*/false, /*Fill=*/false);
                    P.S.Cur = to;
                }
                break;
            case 0x0324:
            case 0x0325: {
                if (!need(2)) break;
                const uint32_t c = R.U16(d);
                if (c == 0 || size_t(c) * 4 > n - 2) break;
                P.Shape(Points16(R, d + 2, c), fn == 0x0324, fn == 0x0324);
                break;
            }
            case 0x0538: {  // POLYPOLYGON: count, counts, points
                if (!need(2)) break;
                const uint32_t polys = R.U16(d);
                if (polys == 0 || size_t(polys) * 2 > n - 2) break;
                size_t ptsAt = d + 2 + size_t(polys) * 2, left = n - 2 - size_t(polys) * 2;
                std::vector<std::vector<TPt>> all;
                for (uint32_t i = 0; i < polys; ++i) {
                    const uint32_t c = R.U16(d + 2 + 2 * i);
                    if (size_t(c) * 4 > left) break;
                    all.push_back(Points16(R, ptsAt, c));
                    ptsAt += size_t(c) * 4;
                    left -= size_t(c) * 4;
                }
                P.PolyPoly(all, /*Fill=*/true);
                break;
            }
            case 0x041B:  // RECTANGLE: bottom, right, top, left
                if (need(8)) P.Rect(yx(4), yx(0));
                break;
            case 0x0418:
                if (need(8)) P.Ellipse(yx(4), yx(0));
                break;
            case 0x0416:  // INTERSECTCLIPRECT
            case 0x0415:  // EXCLUDECLIPRECT
                if (need(8)) P.ClipRect(yx(4), yx(0), fn == 0x0415);
                break;
            case 0x0521: {  // TEXTOUT: count, string (padded), y, x
                if (!need(2)) break;
                const uint32_t c = R.U16(d);
                const size_t padded = (c + 1) & ~1u;
                if (c == 0 || padded + 6 > n) break;
                std::u16string s;
                for (uint32_t i = 0; i < c; ++i) s += static_cast<char16_t>(R.P[d + 2 + i]);
                P.Text(yx(2 + padded), s);
                break;
            }
            default: break;
        }
        at += size_t(words) * 2;
    }
    return 1;
}
