// Selection mask.
#include "imaging/bitmaps/iemask.h"

#include <algorithm>
#include <cstring>
#include <list>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ieutils.h"

void TIEMask::AllocateBits(int32_t AWidth, int32_t AHeight, int32_t ABitsPerPixel) {
    FreeBits();
    RowLen = CalcRowLength(AWidth, ABitsPerPixel, 32);
    Bits.assign(static_cast<size_t>(RowLen) * std::max(AHeight, 0), 0);
    Width = AWidth;
    Height = AHeight;
    BitsPerPixel = ABitsPerPixel;
    EmptyBox();
    Full = false;
}

void TIEMask::FreeBits() {
    Bits.clear();
    Bits.shrink_to_fit();
    Width = Height = BitsPerPixel = RowLen = 0;
}

void TIEMask::Resize(int32_t NewWidth, int32_t NewHeight) {
    int32_t newLen = CalcRowLength(NewWidth, BitsPerPixel, 32);
    std::vector<uint8_t> nb(static_cast<size_t>(newLen) * std::max(NewHeight, 0), 0);
    int32_t rows = std::min(Height, NewHeight), len = std::min(RowLen, newLen);
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(nb.data() + static_cast<size_t>(newLen) * (NewHeight - y - 1), GetScanline(y), len);
    Bits.swap(nb);
    Width = NewWidth;
    Height = NewHeight;
    RowLen = newLen;
    if (!IsEmpty()) {
        X1 = std::min(X1, NewWidth - 1);
        X2 = std::min(X2, NewWidth - 1);
        Y1 = std::min(Y1, NewHeight - 1);
        Y2 = std::min(Y2, NewHeight - 1);
    }
}

void TIEMask::GrowBox(int32_t X, int32_t Y) {
    X1 = std::min(X1, X);
    X2 = std::max(X2, X);
    Y1 = std::min(Y1, Y);
    Y2 = std::max(Y2, Y);
    X1 = std::clamp(X1, 0, std::max(Width - 1, 0));
    X2 = std::clamp(X2, 0, std::max(Width - 1, 0));
    Y1 = std::clamp(Y1, 0, std::max(Height - 1, 0));
    Y2 = std::clamp(Y2, 0, std::max(Height - 1, 0));
}

void TIEMask::UpdateFull(int32_t V, bool Assign) {
    bool f = !((BitsPerPixel == 8 && V != 255) || (BitsPerPixel == 1 && V == 0));
    if (Assign || Full) Full = f;
}

void TIEMask::SetPixel(int32_t X, int32_t Y, int32_t Value) {
    if (X < 0 || X >= Width || Y < 0 || Y >= Height) return;
    if (Value != 0) GrowBox(X, Y);
    UpdateFull(Value, /*Assign=*/false);
    uint8_t* r = GetScanline(Y);
    if (BitsPerPixel == 1) {
        uint8_t m = static_cast<uint8_t>(0x80 >> (X & 7));
        if (Value != 0) r[X >> 3] |= m; else r[X >> 3] &= static_cast<uint8_t>(~m);
    } else {
        r[X] = static_cast<uint8_t>(Value);
    }
}

int32_t TIEMask::GetPixel(int32_t X, int32_t Y) {
    if (X < 0 || X >= Width || Y < 0 || Y >= Height || Bits.empty()) return 0;
    const uint8_t* r = GetScanline(Y);
    if (BitsPerPixel == 1) return (r[X >> 3] & (0x80 >> (X & 7))) ? 1 : 0;
    return r[X];
}

void TIEMask::Fill(int32_t Value) {
    std::fill(Bits.begin(), Bits.end(), static_cast<uint8_t>(Value));
    UpdateFull(Value, /*Assign=*/true);
}

void TIEMask::Empty() {
    Fill(0);
    EmptyBox();
}

void TIEMask::SyncBoundingBox() {
    EmptyBox();
    for (int32_t y = 0; y < Height; ++y)
        for (int32_t x = 0; x < Width; ++x)
            if (GetPixel(x, y)) GrowBox(x, y);
}

void TIEMask::SyncFull() {
    for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* r = GetScanline(y);
        if (BitsPerPixel == 1) {
            for (int32_t i = 0; i < Width / 8; ++i)
                if (r[i] != 255) {
                    Full = false;
                    return;
                }
            for (int32_t x = Width / 8 * 8; x < Width; ++x)
                if (!(r[x >> 3] & (0x80 >> (x & 7)))) {
                    Full = false;
                    return;
                }
        } else {
            for (int32_t x = 0; x < Width; ++x)
                if (r[x] != 255) {
                    Full = false;
                    return;
                }
        }
    }
    Full = true;
}

int32_t TIEMask::DrawHorizontalLine(int32_t Value, int32_t AX1, int32_t AX2, int32_t Y) {
    AX1 = std::max(AX1, 0);
    AX2 = std::min(AX2, Width - 1);
    // A row outside the mask is not there to draw on (it is not folded onto the edge rows).
    if (AX2 < AX1 || Y < 0 || Y >= Height) return 0;
    UpdateFull(Value, /*Assign=*/false);
    uint8_t* r = GetScanline(Y);
    if (BitsPerPixel == 1) {
        // Value 0 deselects: the bits are cleared, not set.
        for (int32_t x = AX1; x <= AX2; ++x) {
            uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
            if (Value != 0) r[x >> 3] |= m; else r[x >> 3] &= static_cast<uint8_t>(~m);
        }
    } else {
        std::memset(r + AX1, static_cast<uint8_t>(Value), static_cast<size_t>(AX2 - AX1 + 1));
    }
    return AX2 - AX1 + 1;
}

namespace {
struct PolyEdge {
    int64_t xt, yt, yb, DX, DY;
    // X on scan line y (yt <= y < yb) by the integer stepping from the top end, in closed
    // form so that rows outside the mask need not be stepped through.
    int64_t XAt(int64_t y) const {
        int64_t k = y - yt;
        if (k <= 0 || DX == 0) return xt;
        int64_t q = DX / DY, r = DX - q * DY;
        int64_t num = (r >= 0 ? 2 * r : -2 * r) * k - DY;
        int64_t c = num > 0 ? (num + 2 * DY - 1) / (2 * DY) : 0;
        return xt + q * k + (DX > 0 ? c : -c);
    }
};
}  // namespace

void TIEMask::FillPolygon(int32_t Value, const POINT* Points, int32_t Count) {
    if (Count <= 0 || Bits.empty()) return;
    int32_t ox1 = X1, oy1 = Y1, ox2 = X2, oy2 = Y2;
    int64_t ymin = Points[0].y, ymax = Points[0].y;
    for (int32_t i = 0; i < Count; ++i) {
        int32_t x = Points[i].x, y = Points[i].y;
        if (Value != 0) {
            X1 = std::min(X1, x);
            if (x > X2) X2 = x - 1;
            Y1 = std::min(Y1, y);
            if (y > Y2) Y2 = y - 1;
        }
        ymin = std::min<int64_t>(ymin, y);
        ymax = std::max<int64_t>(ymax, y);
    }
    if (Value != 0) {
        X1 = std::max(X1, 0);
        Y1 = std::max(Y1, 0);
        X2 = std::min(X2, Width - 1);
        Y2 = std::min(Y2, Height - 1);
    }
    // Edges in the order the bucket lists hold them: by top row, later edges first.
    std::vector<PolyEdge> edges;
    for (int32_t i = 0; i < Count; ++i) {
        const POINT& a = Points[i];
        const POINT& b = Points[(i + 1) % Count];
        if (a.y == b.y) continue;
        const POINT& t = a.y < b.y ? a : b;
        const POINT& u = a.y < b.y ? b : a;
        edges.push_back(PolyEdge{t.x, t.y, u.y, static_cast<int64_t>(u.x) - t.x, static_cast<int64_t>(u.y) - t.y});
    }
    std::vector<size_t> order(edges.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = edges.size() - 1 - i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return edges[a].yt < edges[b].yt; });

    // Rows visited: every row where an edge enters above the mask, then the visible rows.
    int64_t firstVisible = std::max<int64_t>(ymin, 0), lastVisible = std::min<int64_t>(ymax, Height - 1);
    std::vector<size_t> active;
    size_t next = 0;
    int64_t count = 0;
    auto visit = [&](int64_t y) {
        active.erase(std::remove_if(active.begin(), active.end(), [&](size_t e) { return edges[e].yb <= y; }),
                     active.end());
        while (next < order.size() && edges[order[next]].yt <= y) {
            const PolyEdge& n = edges[order[next]];
            if (n.yb > y) {
                int64_t nx = n.XAt(y);
                auto pos = active.begin();
                for (; pos != active.end(); ++pos) {
                    const PolyEdge& e = edges[*pos];
                    int64_t ex = e.XAt(y);
                    if (ex > nx || (ex == nx && e.DX * n.DY >= e.DY * n.DX)) break;
                }
                active.insert(pos, order[next]);
            }
            ++next;
        }
        if (y < 0 || y >= Height) return;
        for (size_t i = 0; i + 1 < active.size(); i += 2) {
            int64_t ax = edges[active[i]].XAt(y), bx = edges[active[i + 1]].XAt(y);
            if (bx - 1 >= ax) {
                auto lo = static_cast<int32_t>(std::clamp<int64_t>(ax, -1, Width));
                auto hi = static_cast<int32_t>(std::clamp<int64_t>(bx - 1, -1, Width));
                count += DrawHorizontalLine(Value, lo, hi, static_cast<int32_t>(y));
            }
        }
    };
    for (size_t i = 0; i < order.size() && edges[order[i]].yt < firstVisible; ++i) visit(edges[order[i]].yt);
    for (int64_t y = firstVisible; y <= lastVisible; ++y) visit(y);
    // Nothing drawn: the box goes back to what it was, so earlier selections stay covered.
    if (count == 0) {
        X1 = ox1;
        Y1 = oy1;
        X2 = ox2;
        Y2 = oy2;
    }
}

void TIEMask::FillPolygons(int32_t Value, const POINT* Points, int32_t Count) {
    int32_t start = 0;
    for (int32_t i = 0; i <= Count; ++i) {
        if (i == Count || Points[i].x == IEPolygonSeparator) {
            if (i > start) FillPolygon(Value, Points + start, i - start);
            start = i + 1;
        }
    }
    SyncFull();
}

void TIEMask::Translate(int32_t& DX, int32_t& DY, bool CutBorders) {
    if (IsEmpty() || Bits.empty()) return;
    if (CutBorders) {
        if (X1 + DX < 0) X1 = -DX;
        if (Y1 + DY < 0) Y1 = -DY;
        if (X2 + DX >= Width) X2 = Width - 1 - DX;
        if (Y2 + DY >= Height) Y2 = Height - 1 - DY;
    } else {
        if (DX + X1 < 0) DX = -X1;
        if (DX + X2 >= Width) DX = Width - 1 - X2;
        if (DY + Y1 < 0) DY = -Y1;
        if (DY + Y2 >= Height) DY = Height - 1 - Y2;
    }
    if (DX == 0 && DY == 0) return;
    if (X1 > X2 || Y1 > Y2) {
        // The whole selection moved out of the mask.
        Empty();
        return;
    }
    std::vector<int32_t> saved;
    int32_t bx1 = std::max(X1, 0), by1 = std::max(Y1, 0), bx2 = std::min(X2, Width - 1), by2 = std::min(Y2, Height - 1);
    for (int32_t y = by1; y <= by2; ++y)
        for (int32_t x = bx1; x <= bx2; ++x) saved.push_back(GetPixel(x, y));
    std::fill(Bits.begin(), Bits.end(), 0);
    size_t i = 0;
    for (int32_t y = by1; y <= by2; ++y)
        for (int32_t x = bx1; x <= bx2; ++x) {
            int32_t v = saved[i++];
            int32_t tx = x + DX, ty = y + DY;
            if (tx >= 0 && tx < Width && ty >= 0 && ty < Height) {
                uint8_t* r = GetScanline(ty);
                if (BitsPerPixel == 1) {
                    if (v) r[tx >> 3] |= static_cast<uint8_t>(0x80 >> (tx & 7));
                } else {
                    r[tx] = static_cast<uint8_t>(v);
                }
            }
        }
    Full = false;  // moved pixels leave part of the mask unselected
    X1 = std::clamp(X1 + DX, 0, Width - 1);
    X2 = std::clamp(X2 + DX, 0, Width - 1);
    Y1 = std::clamp(Y1 + DY, 0, Height - 1);
    Y2 = std::clamp(Y2 + DY, 0, Height - 1);
}

void TIEMask::CopyBitmap(TIEBitmap* Dest, TIEBitmap* Source, bool DestRelative, bool SourceRelative,
                         bool CopyAlpha) {
    if (!Dest || !Source || Bits.empty()) return;
    if (X1 > X2 && Y1 > Y2) return;
    // The box limited to the mask; each pixel is then checked against both bitmaps.
    int32_t bx1 = std::max(X1, 0), by1 = std::max(Y1, 0), bx2 = std::min(X2, Width - 1), by2 = std::min(Y2, Height - 1);
    if (bx1 > bx2 || by1 > by2) return;
    TIEPixelFormat sf = Source->PixelFormat(), df = Dest->PixelFormat();
    int32_t sw = Source->Width(), sh = Source->Height(), dw = Dest->Width(), dh = Dest->Height();
    auto inside = [](int32_t x, int32_t y, int32_t w, int32_t h) { return x >= 0 && y >= 0 && x < w && y < h; };
    bool same = sf == df && sf != ieNoFormat;
    if (same && Source != Dest) {
        int bpp = IEBitsPerPixel[sf] / 8;
        std::vector<uint8_t> srow(static_cast<size_t>(Source->RowLen()));
        for (int32_t y = by1; y <= by2; ++y) {
            int32_t syy = SourceRelative ? y - Y1 : y, dyy = DestRelative ? y - Y1 : y;
            if (syy < 0 || syy >= sh || dyy < 0 || dyy >= dh) continue;
            std::memcpy(srow.data(), Source->GetScanline(syy), srow.size());
            uint8_t* drow = Dest->Scanline(dyy);
            for (int32_t x = bx1; x <= bx2; ++x) {
                int32_t sx = SourceRelative ? x - X1 : x, dx = DestRelative ? x - X1 : x;
                if (!inside(sx, syy, sw, sh) || !inside(dx, dyy, dw, dh)) continue;
                int32_t m = GetPixel(x, y);
                if (sf == ie1g) {
                    if (m == 0) continue;
                    bool bit = srow[sx >> 3] & (0x80 >> (sx & 7));
                    uint8_t mk = static_cast<uint8_t>(0x80 >> (dx & 7));
                    if (bit) drow[dx >> 3] |= mk; else drow[dx >> 3] &= static_cast<uint8_t>(~mk);
                } else if (BitsPerPixel == 1) {
                    if (m) std::memcpy(drow + static_cast<size_t>(dx) * bpp, srow.data() + static_cast<size_t>(sx) * bpp, bpp);
                } else if (sf == ieRGB24 || sf == ie8g || sf == ie8p) {
                    for (int c = 0; c < bpp; ++c) {
                        int d = drow[dx * bpp + c], s = srow[sx * bpp + c];
                        drow[dx * bpp + c] = static_cast<uint8_t>(d + ((s - d) * m >> 8));
                    }
                }
            }
            Dest->ReleaseMappedRows();
        }
        Source->ReleaseMappedRows();
    }
    if (CopyAlpha) {
        TIEBitmap* da = Dest->GetAlphaChannel();
        TIEBitmap* sa = Source->HasAlphaChannel() ? Source->GetAlphaChannel() : nullptr;
        for (int32_t y = by1; y <= by2; ++y)
            for (int32_t x = bx1; x <= bx2; ++x) {
                int32_t sx = SourceRelative ? x - X1 : x, syy = SourceRelative ? y - Y1 : y;
                int32_t dx = DestRelative ? x - X1 : x, dyy = DestRelative ? y - Y1 : y;
                if (!inside(dx, dyy, dw, dh)) continue;
                int32_t m = GetPixel(x, y);
                int32_t s = (sa && inside(sx, syy, sw, sh)) ? sa->GetPixel8(sx, syy) : 255;
                int32_t v = m == 0 ? 0 : (BitsPerPixel == 8 ? std::min(s, m) : s);
                da->SetPixel8(dx, dyy, static_cast<uint8_t>(v));
            }
        da->ReleaseMappedRows();
        if (sa) sa->ReleaseMappedRows();
        da->Full = false;
    }
}
