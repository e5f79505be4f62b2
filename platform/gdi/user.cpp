// The user-side drawing helpers: DrawEdge, DrawFocusRect, DrawFrameControl
// and DrawText, drawn in the classic look with the system colours.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/gdi_private.h"

using namespace gdi;

namespace {

void Fill(TTarget& T, RECT R, COLORREF C) { FillRectSolid(T, R, T.MapColor(C)); }

// One ring of a bevel: top and left in Light, then bottom and right in Dark,
// so the top-right and bottom-left corners take the dark colour.
void Ring(TTarget& T, RECT& R, UINT Flags, COLORREF Light, COLORREF Dark) {
    if (R.right <= R.left || R.bottom <= R.top) return;
    if (Flags & BF_TOP) Fill(T, {R.left, R.top, R.right, R.top + 1}, Light);
    if (Flags & BF_LEFT) Fill(T, {R.left, R.top, R.left + 1, R.bottom}, Light);
    if (Flags & BF_BOTTOM) Fill(T, {R.left, R.bottom - 1, R.right, R.bottom}, Dark);
    if (Flags & BF_RIGHT) Fill(T, {R.right - 1, R.top, R.right, R.bottom}, Dark);
    if (Flags & BF_LEFT) ++R.left;
    if (Flags & BF_TOP) ++R.top;
    if (Flags & BF_RIGHT) --R.right;
    if (Flags & BF_BOTTOM) --R.bottom;
}

void Diagonal(TTarget& T, RECT R, UINT Flags, COLORREF C) {
    // A one-pixel diagonal across the square at the corner the flags name.
    int N = std::min(R.right - R.left, R.bottom - R.top);
    bool Up = (Flags & (BF_TOP | BF_RIGHT)) == (BF_TOP | BF_RIGHT) || (Flags & (BF_BOTTOM | BF_LEFT)) == (BF_BOTTOM | BF_LEFT);
    for (int I = 0; I < N; ++I) {
        int X = R.left + I, Y = Up ? R.bottom - 1 - I : R.top + I;
        Fill(T, {X, Y, X + 1, Y + 1}, C);
    }
}

BOOL EdgeOnTarget(TTarget& T, RECT& Dev, UINT Edge, UINT Flags) {
    COLORREF OuterLight, OuterDark, InnerLight, InnerDark;
    bool Outer = (Edge & BDR_OUTER) != 0, Inner = (Edge & BDR_INNER) != 0;
    if (Flags & BF_MONO) {
        OuterLight = OuterDark = GdiSysColor(COLOR_WINDOWFRAME);
        InnerLight = InnerDark = GdiSysColor(COLOR_WINDOW);
    } else if (Flags & BF_FLAT) {
        OuterLight = OuterDark = GdiSysColor(COLOR_BTNSHADOW);
        InnerLight = InnerDark = GdiSysColor(COLOR_BTNFACE);
    } else {
        bool Soft = (Flags & BF_SOFT) != 0;
        if (Edge & BDR_RAISEDOUTER) {
            OuterLight = GdiSysColor(Soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
            OuterDark = GdiSysColor(COLOR_3DDKSHADOW);
        } else {
            OuterLight = GdiSysColor(Soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
            OuterDark = GdiSysColor(COLOR_BTNHIGHLIGHT);
        }
        if (Edge & BDR_RAISEDINNER) {
            InnerLight = GdiSysColor(Soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT);
            InnerDark = GdiSysColor(COLOR_BTNSHADOW);
        } else {
            InnerLight = GdiSysColor(Soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
            InnerDark = GdiSysColor(COLOR_3DLIGHT);
        }
    }
    if (Flags & BF_DIAGONAL) {
        if (Outer) Diagonal(T, Dev, Flags, (Flags & BF_TOP) ? OuterDark : OuterLight);
        return TRUE;
    }
    if (Outer) Ring(T, Dev, Flags, OuterLight, OuterDark);
    if (Inner) Ring(T, Dev, Flags, InnerLight, InnerDark);
    if ((Flags & BF_MIDDLE) && Dev.right > Dev.left && Dev.bottom > Dev.top)
        Fill(T, Dev, GdiSysColor((Flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
    return TRUE;
}

// A small picture: each letter a colour from the legend, '.' left alone.
void Picture(TTarget& T, int X, int Y, const std::vector<const char*>& Rows,
             const std::vector<std::pair<char, COLORREF>>& Legend) {
    for (size_t Ry = 0; Ry < Rows.size(); ++Ry)
        for (int Rx = 0; Rows[Ry][Rx]; ++Rx)
            for (auto& [Ch, C] : Legend)
                if (Rows[Ry][Rx] == Ch) Fill(T, {X + Rx, Y + static_cast<int>(Ry), X + Rx + 1, Y + static_cast<int>(Ry) + 1}, C);
}

const std::vector<const char*> CheckGlyph = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};

const std::vector<const char*> RadioGlyph = {
    "....SSSS....", "..SSDDDDSS..", ".SDDWWWWDDL.", ".SDWWWWWWLH.", "SDWWWddWWWLH", "SDWWddddWWLH",
    "SDWWddddWWLH", "SDWWWddWWWLH", ".SDWWWWWWLH.", ".HLLWWWWLLH.", "..HHLLLLHH..", "....HHHH....",
};

enum class TArrow { Up, Down, Left, Right };

void ArrowGlyph(TTarget& T, RECT R, TArrow Dir, COLORREF C) {
    int S = std::min(R.right - R.left, R.bottom - R.top);
    int H = std::max(1, (S + 1) / 4);
    int Cx = (R.left + R.right) / 2, Cy = (R.top + R.bottom) / 2;
    for (int I = 0; I < H; ++I) {
        switch (Dir) {
            case TArrow::Up: Fill(T, {Cx - I, Cy - H / 2 + I, Cx + I + 1, Cy - H / 2 + I + 1}, C); break;
            case TArrow::Down: Fill(T, {Cx - I, Cy + (H - 1) / 2 - I, Cx + I + 1, Cy + (H - 1) / 2 - I + 1}, C); break;
            case TArrow::Left: Fill(T, {Cx - H / 2 + I, Cy - I, Cx - H / 2 + I + 1, Cy + I + 1}, C); break;
            case TArrow::Right: Fill(T, {Cx + (H - 1) / 2 - I, Cy - I, Cx + (H - 1) / 2 - I + 1, Cy + I + 1}, C); break;
        }
    }
}

// Draws Draw(colour, offset) embossed when inactive, plainly otherwise.
template <class F>
void GlyphState(UINT State, COLORREF Normal, F&& Draw) {
    if (State & DFCS_INACTIVE) {
        Draw(GdiSysColor(COLOR_BTNHIGHLIGHT), 1);
        Draw(GdiSysColor(COLOR_BTNSHADOW), 0);
    } else {
        Draw(Normal, 0);
    }
}

void PushButton(TTarget& T, RECT& Dev, UINT State) {
    if (State & DFCS_FLAT)
        EdgeOnTarget(T, Dev, BDR_OUTER, BF_RECT | BF_FLAT | BF_MIDDLE);
    else if (State & (DFCS_PUSHED | DFCS_CHECKED))
        EdgeOnTarget(T, Dev, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
    else
        EdgeOnTarget(T, Dev, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
}

void CaptionGlyph(TTarget& T, RECT R, UINT Kind, COLORREF C, int Off) {
    int W = R.right - R.left, H = R.bottom - R.top;
    int S = std::max(4, std::min(W, H) - 6);
    int X = R.left + (W - S) / 2 + Off, Y = R.top + (H - S) / 2 + Off;
    switch (Kind) {
        case DFCS_CAPTIONCLOSE:
            for (int I = 0; I < S; ++I) {
                Fill(T, {X + I, Y + I, X + I + 2, Y + I + 1}, C);
                Fill(T, {X + S - 2 - I, Y + I, X + S - I, Y + I + 1}, C);
            }
            break;
        case DFCS_CAPTIONMIN: Fill(T, {X, Y + S - 2, X + S - 2, Y + S}, C); break;
        case DFCS_CAPTIONMAX:
            Fill(T, {X, Y, X + S, Y + 2}, C);
            Fill(T, {X, Y, X + 1, Y + S}, C);
            Fill(T, {X + S - 1, Y, X + S, Y + S}, C);
            Fill(T, {X, Y + S - 1, X + S, Y + S}, C);
            break;
        case DFCS_CAPTIONRESTORE: {
            int B = S * 2 / 3;
            auto Box = [&](int Bx, int By) {
                Fill(T, {Bx, By, Bx + B, By + 2}, C);
                Fill(T, {Bx, By, Bx + 1, By + B}, C);
                Fill(T, {Bx + B - 1, By, Bx + B, By + B}, C);
                Fill(T, {Bx, By + B - 1, Bx + B, By + B}, C);
            };
            Box(X + S - B, Y);
            Box(X, Y + S - B);
            break;
        }
        case DFCS_CAPTIONHELP:
            Picture(T, X + S / 2 - 3, Y + S / 2 - 4, {".####.", "##..##", "....##", "...##.", "..##..", "..##..", "......", "..##.."},
                    {{'#', C}});
            break;
        default: break;
    }
}

}  // namespace

BOOL DrawEdge(HDC Dc, RECT* Rect, UINT Edge, UINT Flags) {
    TTarget T;
    if (!Rect || !T.Begin(Dc)) return FALSE;
    RECT Dev{Rect->left + T.Dx, Rect->top + T.Dy, Rect->right + T.Dx, Rect->bottom + T.Dy};
    EdgeOnTarget(T, Dev, Edge, Flags);
    if (Flags & BF_ADJUST) *Rect = {Dev.left - T.Dx, Dev.top - T.Dy, Dev.right - T.Dx, Dev.bottom - T.Dy};
    return TRUE;
}

BOOL DrawFocusRect(HDC Dc, const RECT* Rect) {
    TTarget T;
    if (!Rect || !T.Begin(Dc)) return FALSE;
    RECT R{Rect->left + T.Dx, Rect->top + T.Dy, Rect->right + T.Dx, Rect->bottom + T.Dy};
    if (R.right <= R.left || R.bottom <= R.top) return TRUE;
    // Every other pixel of the frame inverted: drawing it twice removes it.
    auto Dot = [&](int X, int Y) {
        if (((X + Y) & 1) || !T.Visible(X, Y)) return;
        T.Touch({X, Y, X + 1, Y + 1});
        uint32_t& P = T.Surf->Row(Y)[X];
        P = ~P & 0x00FFFFFFu;
    };
    for (int X = R.left; X < R.right; ++X) {
        Dot(X, R.top);
        if (R.bottom - 1 > R.top) Dot(X, R.bottom - 1);
    }
    for (int Y = R.top + 1; Y < R.bottom - 1; ++Y) {
        Dot(R.left, Y);
        if (R.right - 1 > R.left) Dot(R.right - 1, Y);
    }
    return TRUE;
}

BOOL DrawFrameControl(HDC Dc, RECT* Rect, UINT Type, UINT State) {
    TTarget T;
    if (!Rect || !T.Begin(Dc)) return FALSE;
    RECT Dev{Rect->left + T.Dx, Rect->top + T.Dy, Rect->right + T.Dx, Rect->bottom + T.Dy};
    UINT Kind = State & 0xFF;
    int Push = (State & DFCS_PUSHED) ? 1 : 0;
    switch (Type) {
        case DFC_BUTTON: {
            if (Kind & DFCS_BUTTONPUSH) {
                PushButton(T, Dev, State);
                if (State & DFCS_ADJUSTRECT) *Rect = {Dev.left - T.Dx, Dev.top - T.Dy, Dev.right - T.Dx, Dev.bottom - T.Dy};
                return TRUE;
            }
            if (Kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOMASK | DFCS_BUTTONRADIOIMAGE)) {
                int X = Dev.left, Y = Dev.top + (Dev.bottom - Dev.top - 12) / 2;
                if (Kind & DFCS_BUTTONRADIOMASK) {
                    Picture(T, X, Y, RadioGlyph, {{'S', 0}, {'D', 0}, {'W', 0}, {'d', 0}, {'L', 0}, {'H', 0}});
                    return TRUE;
                }
                COLORREF Face = GdiSysColor((State & (DFCS_INACTIVE | DFCS_PUSHED)) ? COLOR_BTNFACE : COLOR_WINDOW);
                COLORREF Dot = (State & DFCS_CHECKED) ? GdiSysColor((State & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT) : Face;
                Picture(T, X, Y, RadioGlyph,
                        {{'S', GdiSysColor(COLOR_BTNSHADOW)}, {'D', GdiSysColor(COLOR_3DDKSHADOW)}, {'W', Face},
                         {'d', Dot}, {'L', GdiSysColor(COLOR_3DLIGHT)}, {'H', GdiSysColor(COLOR_BTNHIGHLIGHT)}});
                return TRUE;
            }
            // Check box: a 13-pixel sunken square with the classic tick.
            int S = std::min(13, static_cast<int>(std::min(Dev.right - Dev.left, Dev.bottom - Dev.top)));
            RECT Box{Dev.left, Dev.top + (Dev.bottom - Dev.top - S) / 2, 0, 0};
            Box.right = Box.left + S;
            Box.bottom = Box.top + S;
            if (State & DFCS_FLAT)
                EdgeOnTarget(T, Box, BDR_OUTER, BF_RECT | BF_FLAT);
            else
                EdgeOnTarget(T, Box, EDGE_SUNKEN, BF_RECT);
            Fill(T, Box, GdiSysColor((State & (DFCS_INACTIVE | DFCS_PUSHED)) ? COLOR_BTNFACE : COLOR_WINDOW));
            if (State & DFCS_CHECKED) {
                COLORREF Tick = GdiSysColor((State & DFCS_INACTIVE) ? COLOR_GRAYTEXT
                                            : (Kind & DFCS_BUTTON3STATE) ? COLOR_BTNSHADOW
                                                                          : COLOR_WINDOWTEXT);
                Picture(T, Box.left + (Box.right - Box.left - 7) / 2, Box.top + (Box.bottom - Box.top - 7) / 2,
                        CheckGlyph, {{'#', Tick}});
            }
            return TRUE;
        }
        case DFC_SCROLL: {
            if (Kind == DFCS_SCROLLSIZEGRIP || Kind == DFCS_SCROLLSIZEGRIPRIGHT) {
                Fill(T, Dev, GdiSysColor(COLOR_BTNFACE));
                // Diagonal ridges toward the bottom-right corner: one light line, two dark.
                int N = std::min(Dev.right - Dev.left, Dev.bottom - Dev.top);
                for (int Y = Dev.bottom - N; Y < Dev.bottom; ++Y)
                    for (int X = Dev.right - N; X < Dev.right; ++X) {
                        int U = (Dev.right - 1 - X) + (Dev.bottom - 1 - Y);
                        if (U < 1 || U >= N - 1) continue;
                        int K = U % 4;
                        if (K == 1) Fill(T, {X, Y, X + 1, Y + 1}, GdiSysColor(COLOR_BTNHIGHLIGHT));
                        if (K == 2 || K == 3) Fill(T, {X, Y, X + 1, Y + 1}, GdiSysColor(COLOR_BTNSHADOW));
                    }
                return TRUE;
            }
            RECT Face = Dev;
            if (State & DFCS_FLAT)
                EdgeOnTarget(T, Face, BDR_OUTER, BF_RECT | BF_FLAT | BF_MIDDLE);
            else if (State & DFCS_PUSHED)
                EdgeOnTarget(T, Face, BDR_OUTER, BF_RECT | BF_FLAT | BF_MIDDLE);
            else
                EdgeOnTarget(T, Face, EDGE_RAISED, BF_RECT | BF_MIDDLE);
            TArrow Dir = Kind == DFCS_SCROLLUP     ? TArrow::Up
                         : Kind == DFCS_SCROLLLEFT  ? TArrow::Left
                         : Kind == DFCS_SCROLLRIGHT ? TArrow::Right
                                                    : TArrow::Down;
            GlyphState(State, GdiSysColor(COLOR_BTNTEXT), [&](COLORREF C, int Off) {
                RECT G{Dev.left + Push + Off, Dev.top + Push + Off, Dev.right + Push + Off, Dev.bottom + Push + Off};
                ArrowGlyph(T, G, Dir, C);
            });
            return TRUE;
        }
        case DFC_CAPTION: {
            RECT Face = Dev;
            if (State & DFCS_PUSHED)
                EdgeOnTarget(T, Face, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
            else
                EdgeOnTarget(T, Face, EDGE_RAISED, BF_RECT | BF_MIDDLE);
            GlyphState(State, GdiSysColor(COLOR_BTNTEXT), [&](COLORREF C, int Off) {
                RECT G{Dev.left + Push, Dev.top + Push, Dev.right + Push, Dev.bottom + Push};
                CaptionGlyph(T, G, Kind, C, Off);
            });
            return TRUE;
        }
        case DFC_MENU:
        case DFC_POPUPMENU: {
            // Menu glyphs are masks: black on white.
            Fill(T, Dev, RGB(255, 255, 255));
            int W = Dev.right - Dev.left, H = Dev.bottom - Dev.top;
            if (Kind == DFCS_MENUCHECK) {
                Picture(T, Dev.left + (W - 7) / 2, Dev.top + (H - 7) / 2, CheckGlyph, {{'#', 0}});
            } else if (Kind == DFCS_MENUBULLET) {
                Picture(T, Dev.left + (W - 4) / 2, Dev.top + (H - 4) / 2, {".##.", "####", "####", ".##."}, {{'#', 0}});
            } else {
                ArrowGlyph(T, Dev, Kind == DFCS_MENUARROWRIGHT ? TArrow::Left : TArrow::Right, 0);
            }
            return TRUE;
        }
        default: return FALSE;
    }
}

// ---- DrawText -------------------------------------------------------------------------

namespace {

struct TLine {
    std::u16string Text;        // visible characters
    std::vector<size_t> Marks;  // indexes of characters underlined by '&'
};

// Splits off '&' prefixes: "&&" is one '&', "&x" underlines x.
TLine StripPrefix(const std::u16string& S, bool Process) {
    TLine L;
    if (!Process) {
        L.Text = S;
        return L;
    }
    for (size_t I = 0; I < S.size(); ++I) {
        if (S[I] == u'&') {
            if (I + 1 < S.size() && S[I + 1] == u'&') {
                L.Text.push_back(u'&');
                ++I;
                continue;
            }
            if (I + 1 < S.size()) L.Marks.push_back(L.Text.size());
            continue;
        }
        L.Text.push_back(S[I]);
    }
    return L;
}

struct TMeasure {
    HDC Dc;
    int Tab;  // pixels, 0 without DT_EXPANDTABS
    int Width(const std::u16string& S, size_t Count) const {
        int X = 0;
        size_t Start = 0;
        Count = std::min(Count, S.size());
        for (size_t I = 0; I <= Count; ++I) {
            if (I == Count || (Tab > 0 && S[I] == u'\t')) {
                SIZE Sz{0, 0};
                if (I > Start) GetTextExtentPoint32W(Dc, S.data() + Start, static_cast<int>(I - Start), &Sz);
                X += Sz.cx;
                if (I < Count) X = (X / Tab + 1) * Tab;
                Start = I + 1;
            }
        }
        return X;
    }
    int Width(const std::u16string& S) const { return Width(S, S.size()); }
};

const std::u16string Ellipsis = u"...";

void EndEllipsis(TLine& L, const TMeasure& M, int Max, bool Word) {
    if (M.Width(L.Text) <= Max) return;
    size_t N = L.Text.size();
    while (N > 0 && M.Width(L.Text.substr(0, N) + Ellipsis) > Max) --N;
    if (Word) {
        size_t Cut = L.Text.rfind(u' ', N);
        if (Cut != std::u16string::npos && Cut > 0) N = Cut;
    }
    L.Text = L.Text.substr(0, N) + Ellipsis;
    L.Marks.erase(std::remove_if(L.Marks.begin(), L.Marks.end(), [&](size_t I) { return I >= N; }), L.Marks.end());
}

void PathEllipsis(TLine& L, const TMeasure& M, int Max) {
    if (M.Width(L.Text) <= Max) return;
    size_t Sep = L.Text.find_last_of(u"\\/");
    if (Sep == std::u16string::npos) {
        EndEllipsis(L, M, Max, /*Word=*/false);
        return;
    }
    // Keep the last component; shorten what comes before it.
    std::u16string Tail = L.Text.substr(Sep);
    size_t N = Sep;
    while (N > 0 && M.Width(L.Text.substr(0, N) + Ellipsis + Tail) > Max) --N;
    L.Text = L.Text.substr(0, N) + Ellipsis + Tail;
    L.Marks.clear();
    if (M.Width(L.Text) > Max) EndEllipsis(L, M, Max, /*Word=*/false);
}

std::vector<TLine> WrapLine(const TLine& In, const TMeasure& M, int Max, bool BreakWords) {
    std::vector<TLine> Out;
    const std::u16string& S = In.Text;
    size_t Start = 0;
    while (Start < S.size() || Out.empty()) {
        size_t End = Start, LastFit = std::u16string::npos;
        // Grow word by word while it fits.
        while (End < S.size()) {
            size_t Next = End;
            while (Next < S.size() && S[Next] == u' ') ++Next;
            while (Next < S.size() && S[Next] != u' ') ++Next;
            std::u16string Chunk = S.substr(Start, Next - Start);
            while (!Chunk.empty() && Chunk.back() == u' ') Chunk.pop_back();
            if (M.Width(Chunk) > Max && LastFit != std::u16string::npos) break;
            LastFit = Next;
            End = Next;
            if (M.Width(Chunk) > Max) break;
        }
        if (End == Start) End = S.size();
        size_t Len = End - Start;
        if (BreakWords && M.Width(S.substr(Start, Len)) > Max) {
            while (Len > 1 && M.Width(S.substr(Start, Len)) > Max) --Len;
            End = Start + Len;
        }
        TLine L;
        L.Text = S.substr(Start, End - Start);
        while (!L.Text.empty() && L.Text.back() == u' ') L.Text.pop_back();
        for (size_t Mk : In.Marks)
            if (Mk >= Start && Mk < Start + L.Text.size()) L.Marks.push_back(Mk - Start);
        Out.push_back(L);
        Start = End;
        while (Start < S.size() && S[Start] == u' ') ++Start;
        if (Start >= S.size()) break;
    }
    return Out;
}

int DrawTextCore(HDC Dc, std::u16string Text, RECT* Rect, UINT Format, DRAWTEXTPARAMS* Params) {
    if (!Rect || !FindDC(Dc)) return 0;
    int TabChars = 8;
    if (Format & DT_TABSTOP) {
        TabChars = static_cast<int>((Format >> 8) & 0xFF);
        Format &= ~0xFF00u;
    }
    if (Params && Params->iTabLength > 0) TabChars = Params->iTabLength;
    int LeftMargin = Params ? Params->iLeftMargin : 0, RightMargin = Params ? Params->iRightMargin : 0;
    RECT Box{Rect->left + LeftMargin, Rect->top, Rect->right - RightMargin, Rect->bottom};
    TEXTMETRICW Tm;
    if (!GetTextMetricsW(Dc, &Tm)) return 0;
    TMeasure M{Dc, (Format & DT_EXPANDTABS) ? std::max(1, TabChars) * Tm.tmAveCharWidth : 0};
    int LineH = Tm.tmHeight + ((Format & DT_EXTERNALLEADING) ? Tm.tmExternalLeading : 0);
    int MaxW = std::max(0, static_cast<int>(Box.right - Box.left));
    bool Single = (Format & DT_SINGLELINE) != 0;
    bool Prefix = !(Format & DT_NOPREFIX);

    std::vector<std::u16string> Paragraphs;
    if (Single) {
        Paragraphs.push_back(Text);
    } else {
        std::u16string Cur;
        for (size_t I = 0; I < Text.size(); ++I) {
            if (Text[I] == u'\r' || Text[I] == u'\n') {
                Paragraphs.push_back(Cur);
                Cur.clear();
                if (Text[I] == u'\r' && I + 1 < Text.size() && Text[I + 1] == u'\n') ++I;
            } else {
                Cur.push_back(Text[I]);
            }
        }
        Paragraphs.push_back(Cur);
    }
    std::vector<TLine> Lines;
    for (const std::u16string& P : Paragraphs) {
        TLine L = StripPrefix(P, Prefix);
        if ((Format & DT_WORDBREAK) && !Single) {
            for (TLine& W : WrapLine(L, M, MaxW, (Format & DT_EDITCONTROL) != 0)) Lines.push_back(W);
        } else {
            Lines.push_back(L);
        }
    }
    for (TLine& L : Lines) {
        if (Format & DT_PATH_ELLIPSIS)
            PathEllipsis(L, M, MaxW);
        else if (Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
            EndEllipsis(L, M, MaxW, (Format & DT_WORD_ELLIPSIS) != 0);
    }
    int Widest = 0;
    for (const TLine& L : Lines) Widest = std::max(Widest, M.Width(L.Text));
    int Height = LineH * static_cast<int>(Lines.size());
    if (Params) Params->uiLengthDrawn = static_cast<UINT>(Text.size());
    if (Format & DT_CALCRECT) {
        // Wrapped text keeps the given width unless a word is wider; otherwise the text's width.
        LONG Right = Rect->left + LeftMargin + Widest + RightMargin;
        bool Wrapped = (Format & DT_WORDBREAK) && !Single && Lines.size() > 1;
        Rect->right = Wrapped ? std::max(Rect->right, Right) : Right;
        Rect->bottom = Rect->top + Height;
        return Height;
    }
    int Y = Box.top;
    if (Single && (Format & DT_VCENTER))
        Y = Box.top + (Box.bottom - Box.top - LineH) / 2;
    else if (Single && (Format & DT_BOTTOM))
        Y = Box.bottom - LineH;
    UINT OldAlign = SetTextAlign(Dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    bool Clip = !(Format & DT_NOCLIP);
    UINT Options = Clip ? ETO_CLIPPED : 0;
    HBRUSH Ink = CreateSolidBrush(GetTextColor(Dc));
    int FirstY = Y;
    for (const TLine& L : Lines) {
        int W = M.Width(L.Text);
        int X = Box.left;
        if (Format & DT_CENTER)
            X = Box.left + (MaxW - W) / 2;
        else if (Format & DT_RIGHT)
            X = Box.right - W;
        if (!(Format & DT_PREFIXONLY)) {
            // Runs between tabs go to their tab stops.
            size_t Start = 0;
            for (size_t I = 0; I <= L.Text.size(); ++I) {
                if (I == L.Text.size() || (M.Tab > 0 && L.Text[I] == u'\t')) {
                    if (I > Start)
                        ExtTextOutW(Dc, X + M.Width(L.Text, Start), Y, Options, &Box, L.Text.data() + Start,
                                    static_cast<UINT>(I - Start), /*Dx=*/nullptr);
                    Start = I + 1;
                }
            }
        }
        if (!(Format & DT_HIDEPREFIX))
            for (size_t Mk : L.Marks) {
                int Ux = X + M.Width(L.Text, Mk), Uw = M.Width(L.Text, Mk + 1) - M.Width(L.Text, Mk);
                RECT U{Ux, Y + Tm.tmAscent + 1, Ux + Uw, Y + Tm.tmAscent + 2};
                if (Clip) IntersectRect(&U, &U, &Box);
                if (!IsRectEmpty(&U)) FillRect(Dc, &U, Ink);
            }
        Y += LineH;
    }
    DeleteObject(Ink);
    SetTextAlign(Dc, OldAlign);
    return (Single && (Format & (DT_VCENTER | DT_BOTTOM))) ? FirstY - Box.top + Height : Height;
}

std::u16string FromA(LPCSTR Text, int Count) {
    if (!Text) return {};
    return Utf8ToUtf16(Text, Count < 0 ? -1 : Count);
}

std::u16string FromW(LPCWSTR Text, int Count) {
    if (!Text) return {};
    if (Count < 0) return std::u16string(Text);
    return std::u16string(Text, static_cast<size_t>(Count));
}

}  // namespace

int DrawTextA(HDC Dc, LPCSTR Text, int Count, RECT* Rect, UINT Format) {
    return DrawTextCore(Dc, FromA(Text, Count), Rect, Format, /*Params=*/nullptr);
}

int DrawTextW(HDC Dc, LPCWSTR Text, int Count, RECT* Rect, UINT Format) {
    return DrawTextCore(Dc, FromW(Text, Count), Rect, Format, /*Params=*/nullptr);
}

int DrawTextExA(HDC Dc, LPSTR Text, int Count, RECT* Rect, UINT Format, DRAWTEXTPARAMS* Params) {
    // The shortened text is not written back (DT_MODIFYSTRING): callers keep their buffer as given.
    return DrawTextCore(Dc, FromA(Text, Count), Rect, Format & ~static_cast<UINT>(DT_MODIFYSTRING), Params);
}

int DrawTextExW(HDC Dc, LPWSTR Text, int Count, RECT* Rect, UINT Format, DRAWTEXTPARAMS* Params) {
    return DrawTextCore(Dc, FromW(Text, Count), Rect, Format & ~static_cast<UINT>(DT_MODIFYSTRING), Params);
}
