#include "tools/skingen/skin_art.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

// ---- Pictures -------------------------------------------------------------------

TSkinPicture::TSkinPicture(int Width, int Height, uint32_t Colour)
    : FWidth(std::max(Width, 0)), FHeight(std::max(Height, 0)),
      FPixels(static_cast<size_t>(FWidth) * FHeight, Colour) {}

uint32_t TSkinPicture::At(int X, int Y) const { return FPixels.at(static_cast<size_t>(Y) * FWidth + X); }

void TSkinPicture::Set(int X, int Y, uint32_t Colour) {
    if (X >= 0 && X < FWidth && Y >= 0 && Y < FHeight) FPixels[static_cast<size_t>(Y) * FWidth + X] = Colour;
}

void TSkinPicture::Fill(int L, int T, int R, int B, uint32_t Colour) {
    for (int Y = T; Y < B; ++Y)
        for (int X = L; X < R; ++X) Set(X, Y, Colour);
}

void TSkinPicture::Frame(int L, int T, int R, int B, uint32_t Colour) {
    Fill(L, T, R, T + 1, Colour);
    Fill(L, B - 1, R, B, Colour);
    Fill(L, T, L + 1, B, Colour);
    Fill(R - 1, T, R, B, Colour);
}

void TSkinPicture::Bevel(int L, int T, int R, int B, uint32_t Light, uint32_t Dark) {
    Fill(L, T, R, T + 1, Light);
    Fill(L, T, L + 1, B, Light);
    Fill(L, B - 1, R, B, Dark);
    Fill(R - 1, T, R, B, Dark);
}

void TSkinPicture::VerticalGradient(int L, int T, int R, int B, uint32_t From, uint32_t To) {
    int N = B - T;
    for (int Y = T; Y < B; ++Y) {
        int Share = N > 1 ? (B - 1 - Y) * 100 / (N - 1) : 100;
        Fill(L, Y, R, Y + 1, BlendColour(From, To, Share));
    }
}

void TSkinPicture::RoundCorners(int L, int T, int R, int B, int Radius, bool Top, bool Bottom) {
    // A pixel of a corner square is outside when its centre lies beyond the
    // circle: (2dx + 1)^2 + (2dy + 1)^2 > (2r)^2, measured from the circle's centre.
    for (int Dy = 0; Dy < Radius; ++Dy)
        for (int Dx = 0; Dx < Radius; ++Dx) {
            int Ox = 2 * (Radius - Dx) - 1, Oy = 2 * (Radius - Dy) - 1;
            if (Ox * Ox + Oy * Oy <= 4 * Radius * Radius) continue;
            if (Top) {
                Set(L + Dx, T + Dy, 0xFF00FF);
                Set(R - 1 - Dx, T + Dy, 0xFF00FF);
            }
            if (Bottom) {
                Set(L + Dx, B - 1 - Dy, 0xFF00FF);
                Set(R - 1 - Dx, B - 1 - Dy, 0xFF00FF);
            }
        }
}

void TSkinPicture::Disc(int L, int T, int R, int B, uint32_t Colour) {
    int W = R - L, H = B - T;
    for (int Y = T; Y < B; ++Y)
        for (int X = L; X < R; ++X) {
            int Dx = 2 * (X - L) + 1 - W, Dy = 2 * (Y - T) + 1 - H;
            if (Dx * Dx * H * H + Dy * Dy * W * W <= W * W * H * H) Set(X, Y, Colour);
        }
}

void TSkinPicture::Arrow(int L, int T, int R, int B, int Direction, int Size, uint32_t Colour) {
    int Depth = (Size + 1) / 2;
    bool Vertical = Direction <= 1;
    int Along = Vertical ? R - L : B - T, Across = Vertical ? B - T : R - L;
    int Base0 = (Along - Size) / 2, Tip0 = (Across - Depth) / 2;
    for (int K = 0; K < Depth; ++K) {
        // Row K from the tip: 2K + 1 pixels (or 2K + 2 for an even base).
        int Len = std::min(Size, 2 * K + 1 + (Size % 2 == 0 ? 1 : 0));
        int From = Base0 + (Size - Len) / 2;
        int Row = (Direction == 0 || Direction == 2) ? Tip0 + K : Tip0 + Depth - 1 - K;
        for (int I = 0; I < Len; ++I) {
            if (Vertical)
                Set(L + From + I, T + Row, Colour);
            else
                Set(L + Row, T + From + I, Colour);
        }
    }
}

void TSkinPicture::Paste(const TSkinPicture& Piece, int X, int Y) {
    for (int Py = 0; Py < Piece.FHeight; ++Py)
        for (int Px = 0; Px < Piece.FWidth; ++Px) Set(X + Px, Y + Py, Piece.At(Px, Py));
}

std::vector<uint8_t> TSkinPicture::Bmp() const {
    auto Put16 = [](std::vector<uint8_t>& B, uint32_t V) {
        B.push_back(static_cast<uint8_t>(V));
        B.push_back(static_cast<uint8_t>(V >> 8));
    };
    auto Put32 = [&](std::vector<uint8_t>& B, uint32_t V) {
        Put16(B, V & 0xFFFF);
        Put16(B, V >> 16);
    };
    uint32_t Stride = static_cast<uint32_t>((FWidth * 3 + 3) / 4 * 4);
    uint32_t Image = Stride * static_cast<uint32_t>(FHeight);
    std::vector<uint8_t> B;
    B.push_back('B');
    B.push_back('M');
    Put32(B, 54 + Image);
    Put32(B, 0);
    Put32(B, 54);
    Put32(B, 40);
    Put32(B, static_cast<uint32_t>(FWidth));
    Put32(B, static_cast<uint32_t>(FHeight));
    Put16(B, 1);
    Put16(B, 24);
    Put32(B, 0);
    Put32(B, Image);
    Put32(B, 0);
    Put32(B, 0);
    Put32(B, 0);
    Put32(B, 0);
    for (int Y = FHeight - 1; Y >= 0; --Y) {
        uint32_t Written = 0;
        for (int X = 0; X < FWidth; ++X) {
            uint32_t P = At(X, Y);
            B.push_back(static_cast<uint8_t>(P));
            B.push_back(static_cast<uint8_t>(P >> 8));
            B.push_back(static_cast<uint8_t>(P >> 16));
            Written += 3;
        }
        for (; Written < Stride; ++Written) B.push_back(0);
    }
    return B;
}

uint32_t BlendColour(uint32_t A, uint32_t B, int PercentOfA) {
    uint32_t Out = 0;
    for (int Shift : {0, 8, 16}) {
        int Ca = static_cast<int>((A >> Shift) & 0xFF), Cb = static_cast<int>((B >> Shift) & 0xFF);
        int V = (Ca * PercentOfA + Cb * (100 - PercentOfA) + 50) / 100;
        Out |= static_cast<uint32_t>(std::clamp(V, 0, 255)) << Shift;
    }
    return Out;
}

// ---- The skin -------------------------------------------------------------------

namespace {

constexpr uint32_t White = 0xFFFFFF, Black = 0x000000, Key = 0xFF00FF;

struct TPalette {
    uint32_t Face, Light, Shadow, Dark, Text, Accent, AccentLight, AccentDark, Hot, Inactive, InactiveDark, Menu,
        Window, Disabled, DisabledText;
    explicit TPalette(const TSkinVariant& V)
        : Face(V.Face), Light(BlendColour(V.Face, White, 35)), Shadow(BlendColour(V.Face, Black, 62)),
          Dark(BlendColour(V.Face, Black, 35)), Text(0x18202A), Accent(V.Accent),
          AccentLight(BlendColour(V.Accent, White, 55)), AccentDark(BlendColour(V.Accent, Black, 60)),
          Hot(BlendColour(V.Accent, White, 22)), Inactive(V.Inactive), InactiveDark(BlendColour(V.Inactive, Black, 70)),
          Menu(BlendColour(V.Face, White, 45)), Window(White), Disabled(BlendColour(V.Face, White, 70)),
          DisabledText(BlendColour(V.Face, Black, 55)) {}
};

// Button states by frame number: 1 normal, 2 pressed, 3 disabled, 4 hot,
// 5 default (normal with an accent outline); further frames repeat them.
enum TState { Normal, Pressed, Disabled, Hot, Default };
TState StateOf(int Frame) {
    static const TState Order[] = {Normal, Pressed, Disabled, Hot, Default};
    return Order[(Frame - 1) % 5];
}

// A raised face in a state over the rectangle.
void Face(TSkinPicture& P, const TPalette& C, int L, int T, int R, int B, TState S, bool Outline = true) {
    switch (S) {
        case Normal:
        case Default: P.VerticalGradient(L, T, R, B, C.Light, C.Face); break;
        case Pressed: P.VerticalGradient(L, T, R, B, C.Shadow, C.Face); break;
        case Disabled: P.Fill(L, T, R, B, C.Disabled); break;
        case Hot: P.VerticalGradient(L, T, R, B, White, C.Hot); break;
    }
    if (!Outline) return;
    uint32_t Line = S == Disabled ? C.Shadow : S == Hot || S == Default ? C.AccentDark : C.Dark;
    P.Frame(L, T, R, B, Line);
    if (S != Pressed && S != Disabled && R - L > 2 && B - T > 2) P.Bevel(L + 1, T + 1, R - 1, B - 1, White, C.Face);
}

uint32_t GlyphColour(const TPalette& C, TState S) {
    return S == Disabled ? C.DisabledText : S == Hot ? C.AccentDark : C.Text;
}

// A strip of Count frames of W x H side by side, each drawn by Draw(picture, left, frame number).
TSkinPicture Strip(int W, int H, int Count, const std::function<void(TSkinPicture&, int L, int Frame)>& Draw,
                   uint32_t Background = Key) {
    TSkinPicture P(W * Count, H, Background);
    for (int F = 1; F <= Count; ++F) Draw(P, (F - 1) * W, F);
    return P;
}

// The same, stacked.
TSkinPicture StackedStrip(int W, int H, int Count, const std::function<void(TSkinPicture&, int T, int Frame)>& Draw) {
    TSkinPicture P(W, H * Count, Key);
    for (int F = 1; F <= Count; ++F) Draw(P, (F - 1) * H, F);
    return P;
}

std::string Rgb(uint32_t C) {
    return std::to_string((C >> 16) & 0xFF) + " " + std::to_string((C >> 8) & 0xFF) + " " + std::to_string(C & 0xFF);
}

class TSkinBuilder {
public:
    void Image(const std::string& Name, const TSkinPicture& P) { FEntries.push_back({Name + ".bmp", P.Bmp()}); }
    void Section(const std::string& Name, std::vector<std::pair<std::string, std::string>> Keys) {
        FSections.emplace_back(Name, std::move(Keys));
    }
    std::string Ini() const {
        std::string S;
        for (const auto& [Name, Keys] : FSections) {
            if (!S.empty()) S += "\r\n";
            S += "[" + Name + "]\r\n";
            for (const auto& [K, V] : Keys) S += K + "=" + V + "\r\n";
        }
        return S;
    }
    std::vector<TSkinEntry> Entries() const {
        std::vector<TSkinEntry> E = FEntries;
        std::string Text = Ini();
        E.push_back({"skin.ini", std::vector<uint8_t>(Text.begin(), Text.end())});
        return E;
    }

private:
    std::vector<TSkinEntry> FEntries;
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> FSections;
};

std::string I(int V) { return std::to_string(V); }

// ---- Frame and title ---------------------------------------------------------------

// Pixels of [L, R) x [T, B) next to a keyed pixel take the edge colour, so a
// cut corner keeps its outline.
void OutlineCut(TSkinPicture& P, int L, int T, int R, int B, uint32_t Edge) {
    auto Keyed = [&](int X, int Y) { return X >= L && X < R && Y >= T && Y < B && P.At(X, Y) == Key; };
    std::vector<std::pair<int, int>> Edges;
    for (int Y = T; Y < B; ++Y)
        for (int X = L; X < R; ++X)
            if (!Keyed(X, Y) && (Keyed(X - 1, Y) || Keyed(X + 1, Y) || Keyed(X, Y - 1) || Keyed(X, Y + 1)))
                Edges.emplace_back(X, Y);
    for (auto [X, Y] : Edges) P.Set(X, Y, Edge);
}

// Radii of the frame's cut corners: the title's rounded top corners and the
// small cut at the bottom ones. Both fit inside the side borders, so the
// window region takes them from the side images alone.
constexpr int TopCornerRadius = 6, BottomCornerRadius = 4;

void DrawFrame(TSkinBuilder& S, const TSkinVariant& V, const TPalette& C) {
    const int TH = V.TitleHeight, BW = V.BorderWidth;
    auto BaseOf = [&](int Frame) { return Frame == 1 ? C.Accent : C.Inactive; };
    auto EdgeOf = [&](int Frame) { return Frame == 1 ? C.AccentDark : C.InactiveDark; };
    auto BorderColours = [&](int Frame, int Depth, int Of) {
        if (Depth == 0) return EdgeOf(Frame);
        if (Depth == Of - 1) return BlendColour(BaseOf(Frame), Black, 80);
        return BlendColour(BaseOf(Frame), White, 100 - 10 * (Depth - 1));
    };
    // The title bar's colour in row Y: an edge line on top, a light line, then a gradient.
    auto TitleRow = [&](int Frame, int Y) {
        if (Y == 0) return EdgeOf(Frame);
        if (Y == 1) return BlendColour(BaseOf(Frame), White, 35);
        return BlendColour(BlendColour(BaseOf(Frame), White, 60), BaseOf(Frame), TH > 1 ? (TH - 1 - Y) * 100 / (TH - 1) : 100);
    };
    // Top: the title bar between the side borders, active over inactive; its
    // ends join the title slices of the side borders, which hold the corners.
    S.Image("top", StackedStrip(60, TH, 2, [&](TSkinPicture& P, int T, int F) {
                for (int Y = 0; Y < TH; ++Y) P.Fill(0, T + Y, 60, T + Y + 1, TitleRow(F, Y));
            }));
    // Left and right: the title's slice with the rounded corner on top, the
    // border lines below, a mitred bottom corner with a small cut.
    const int SideHeight = TH + 8 + BW;
    auto Side = [&](bool Left) {
        return Strip(BW, SideHeight, 2, [&](TSkinPicture& P, int L, int F) {
            for (int D = 0; D < BW; ++D) {
                const int X = Left ? L + D : L + BW - 1 - D;
                for (int Y = 0; Y < SideHeight; ++Y) {
                    const int FromBottom = SideHeight - 1 - Y;
                    uint32_t Colour = Y < TH ? (D == 0 ? EdgeOf(F) : TitleRow(F, Y))
                                             : BorderColours(F, std::min(D, FromBottom), BW);
                    P.Set(X, Y, Colour);
                }
            }
            // The corners, cut on the outer side only; opaque borders keep them square.
            if (V.OpaqueBorders) return;
            TSkinPicture Corner(2 * TopCornerRadius, TH, White);
            Corner.RoundCorners(0, 0, 2 * TopCornerRadius, TH, TopCornerRadius, true, false);
            TSkinPicture Foot(2 * BottomCornerRadius, BW, White);
            Foot.RoundCorners(0, 0, 2 * BottomCornerRadius, BW, BottomCornerRadius, false, true);
            for (int D = 0; D < BW; ++D) {
                const int X = Left ? L + D : L + BW - 1 - D;
                for (int Y = 0; Y < TH && D < TopCornerRadius; ++Y)
                    if (Corner.At(D, Y) == Key) P.Set(X, Y, Key);
                for (int Y = 0; Y < BW && D < BottomCornerRadius; ++Y)
                    if (Foot.At(D, Y) == Key) P.Set(X, SideHeight - BW + Y, Key);
            }
            OutlineCut(P, L, 0, L + BW, TH, EdgeOf(F));
            OutlineCut(P, L, SideHeight - BW, L + BW, SideHeight, EdgeOf(F));
        });
    };
    S.Image("left", Side(true));
    S.Image("right", Side(false));
    S.Image("bottom", StackedStrip(60, BW, 2, [&](TSkinPicture& P, int T, int F) {
                for (int D = 0; D < BW; ++D) P.Fill(0, T + BW - 1 - D, 60, T + BW - D, BorderColours(F, D, BW));
            }));
    // The caption's text background: two frames stacked, each as high as the
    // title so it is drawn at its own size (a stretched key would blur into
    // its neighbours), magenta around a pill.
    const int PillTop = (TH - 16) / 2;
    S.Image("textback", StackedStrip(24, TH, 2, [&](TSkinPicture& P, int T, int F) {
                const uint32_t Base = EdgeOf(F);
                P.VerticalGradient(0, T + PillTop, 24, T + PillTop + 16, BlendColour(Base, White, 70), Base);
                P.RoundCorners(0, T + PillTop, 24, T + PillTop + 16, 4, true, true);
            }));
    // The menu bar: 2 frames stacked (active, inactive), as high as the bar.
    const int MenuBarHeight = 19;
    S.Image("menubar", StackedStrip(20, MenuBarHeight, 2, [&](TSkinPicture& P, int T, int F) {
                if (F == 1)
                    P.VerticalGradient(0, T, 20, T + MenuBarHeight, C.Light, C.Face);
                else
                    P.Fill(0, T, 20, T + MenuBarHeight, BlendColour(C.Face, C.Light, 50));
                P.Fill(0, T + MenuBarHeight - 1, 20, T + MenuBarHeight, C.Shadow);
            }));

    std::string TopFrame = V.TopFrameZero ? "0" : "2";
    const std::string Trans = V.OpaqueBorders ? "0" : "1";
    S.Section("Personality", {{"Left", "left.bmp"},
                              {"LeftTopHeight", I(TH)},
                              {"LeftBotHeight", I(BW)},
                              {"LeftFrame", "2"},
                              {"LeftStretch", "1"},
                              {"LeftTrans", Trans},
                              {"Right", "right.bmp"},
                              {"RightTopHeight", I(TH)},
                              {"RightBotHeight", I(BW)},
                              {"RightFrame", "2"},
                              {"RightStretch", "1"},
                              {"RightTrans", Trans},
                              {"Top", "top.bmp"},
                              {"TopTopHeight", "8"},
                              {"TopBotHeight", "8"},
                              {"TopFrame", TopFrame},
                              {"TopStretch", "1"},
                              {"TopTrans", Trans},
                              {"Bottom", "bottom.bmp"},
                              {"BottomTopHeight", I(BW)},
                              {"BottomBotHeight", I(BW)},
                              {"BottomFrame", "2"},
                              {"BottomStretch", "1"},
                              {"BottomTrans", Trans},
                              {"menuBar", "menubar.bmp"},
                              {"TileMenu", "1"},
                              {"TileLeftMenu", "2"},
                              {"TileRightMenu", "2"},
                              {"TextBack", "textback.bmp"},
                              {"TextShift", "26"},
                              {"TextShiftVert", "0"},
                              {"TextRightClip", "84"},
                              {"TextAlignment", "0"},
                              {"Textbackground", "1"},
                              {"TXTBackleft", "6"},
                              {"TXTBackRight", "6"},
                              {"ActiveTextR", "255"},
                              {"ActiveTextG", "255"},
                              {"ActiveTextB", "255"},
                              {"InActiveTextR", I(static_cast<int>((C.Light >> 16) & 0xFF))},
                              {"InActiveTextG", I(static_cast<int>((C.Light >> 8) & 0xFF))},
                              {"InActiveTextB", I(static_cast<int>(C.Light & 0xFF))}});
}

// A small caption button: a rounded face with a glyph drawn by Glyph(picture, left, top, colour).
TSkinPicture TitleButton(const TPalette& C, int W, int H, int Frames, bool Danger,
                         const std::function<void(TSkinPicture&, int L, int T, int W, int H, uint32_t)>& Glyph) {
    return Strip(W, H, Frames, [&](TSkinPicture& P, int L, int F) {
        int S = (F - 1) % 4;  // 0 normal, 1 pressed, 2 hot, 3 inactive or disabled
        uint32_t Base = Danger ? 0xC83A2E : C.AccentLight;
        uint32_t Top = S == 2 ? BlendColour(Base, White, 55) : S == 1 ? BlendColour(Base, Black, 70)
                                                                     : BlendColour(Base, White, 80);
        uint32_t Bottom = S == 3 ? BlendColour(Base, White, 40) : Base;
        if (S == 3) Top = BlendColour(Base, White, 30);
        P.VerticalGradient(L, 0, L + W, H, Top, Bottom);
        P.Frame(L, 0, L + W, H, S == 3 ? C.InactiveDark : C.AccentDark);
        P.RoundCorners(L, 0, L + W, H, 2, true, true);
        Glyph(P, L, 0, W, H, S == 3 ? BlendColour(White, Base, 60) : White);
    });
}

void DrawTitleButtons(TSkinBuilder& S, const TSkinVariant& V, const TPalette& C) {
    const int Y = (V.TitleHeight - 14) / 2;
    auto Cross = [](TSkinPicture& P, int L, int T, int W, int H, uint32_t Ink) {
        int N = 6, X0 = L + (W - N) / 2, Y0 = T + (H - N) / 2;
        for (int K = 0; K < N; ++K) {
            P.Fill(X0 + K, Y0 + K, X0 + K + 2, Y0 + K + 1, Ink);
            P.Fill(X0 + N - 1 - K, Y0 + K, X0 + N + 1 - K, Y0 + K + 1, Ink);
        }
    };
    auto Box = [](TSkinPicture& P, int L, int T, int W, int H, uint32_t Ink) {
        int X0 = L + (W - 8) / 2, Y0 = T + (H - 7) / 2;
        P.Frame(X0, Y0, X0 + 8, Y0 + 7, Ink);
        P.Fill(X0, Y0 + 1, X0 + 8, Y0 + 2, Ink);
    };
    auto Bar = [](TSkinPicture& P, int L, int T, int W, int H, uint32_t Ink) {
        int X0 = L + (W - 6) / 2;
        P.Fill(X0, T + H - 5, X0 + 6, T + H - 3, Ink);
    };
    auto Dot = [](TSkinPicture& P, int L, int T, int W, int H, uint32_t Ink) {
        P.Disc(L + (W - 6) / 2, T + (H - 6) / 2, L + (W - 6) / 2 + 6, T + (H - 6) / 2 + 6, Ink);
    };
    S.Image("btnclose", TitleButton(C, 16, 14, 3, true, Cross));     // 48 x 14: 3 frames by its shape
    S.Image("btnmax", TitleButton(C, 16, 14, 4, false, Box));        // 4 frames, the 4th disabled
    // 40 x 14 (three 13-pixel frames and a spare column): 3 frames by its shape.
    TSkinPicture Min = TitleButton(C, 13, 14, 3, false, Bar);
    TSkinPicture Min40(40, 14, Key);
    Min40.Paste(Min, 0, 0);
    S.Image("btnmin", Min40);
    S.Image("btncustom", TitleButton(C, 14, 14, 6, false, Dot));    // 84 x 14: 6 frames by its shape
    S.Section("Button0", {{"Action", "0"}, {"Align", "1"}, {"Xcoord", "22"}, {"Ycoord", I(Y)}, {"Visibility", "0"},
                          {"ButtonImage", "btnclose.bmp"}});
    // Minimise and maximise show on windows with either box and a system menu;
    // the one a window lacks shows disabled.
    S.Section("Button1", {{"Action", "1"}, {"Align", "1"}, {"Xcoord", "40"}, {"Ycoord", I(Y)}, {"Visibility", "6"},
                          {"frame", "4"}, {"ButtonImage", "btnmax.bmp"}});
    S.Section("Button2", {{"Action", "2"}, {"Align", "1"}, {"Xcoord", "57"}, {"Ycoord", I(Y)}, {"Visibility", "6"},
                          {"ButtonImage", "btnmin.bmp"}});
    S.Section("Button3", {{"Action", "5"}, {"Align", "1"}, {"Xcoord", "75"}, {"Ycoord", I(Y)},
                          {"Visibility", "1000"}, {"ButtonImage", "btncustom.bmp"}});
    S.Section("Button4", {{"Action", "3"}, {"Align", "0"}, {"Xcoord", "6"}, {"Ycoord", I((V.TitleHeight - 16) / 2)},
                          {"Visibility", "0"}});

    // MDI child buttons: minimise, restore, close; 4 frames of 16 x 14 each.
    TSkinPicture Mdi(192, 14, Key);
    using TGlyphFn = std::function<void(TSkinPicture&, int, int, int, int, uint32_t)>;
    const TGlyphFn MdiGlyphs[] = {Bar, Box, Cross};
    for (int K = 0; K < 3; ++K) Mdi.Paste(TitleButton(C, 16, 14, 4, K == 2, MdiGlyphs[K]), 64 * K, 0);
    S.Image("mdicontrols", Mdi);
    S.Section("MDICONTROLS", {{"Image", "mdicontrols.bmp"}});
}

// ---- Controls ----------------------------------------------------------------------

void DrawButtons(TSkinBuilder& S, const TPalette& C) {
    S.Image("button", Strip(20, 20, 5, [&](TSkinPicture& P, int L, int F) {
                Face(P, C, L, 0, L + 20, 20, StateOf(F));
                if (StateOf(F) == Default) P.Frame(L + 1, 1, L + 19, 19, C.AccentLight);
                P.RoundCorners(L, 0, L + 20, 20, 2, true, true);
            }));
    auto Box = [&](bool Radio) {
        return Strip(13, 13, 4, [&](TSkinPicture& P, int L, int F) {
            bool Checked = F == 2 || F == 4, Off = F >= 3;
            uint32_t Fill = Off ? C.Disabled : C.Window, Edge = Off ? C.Shadow : C.Dark,
                     Ink = Off ? C.DisabledText : C.Accent;
            if (Radio) {
                P.Disc(L, 0, L + 13, 13, Edge);
                P.Disc(L + 1, 1, L + 12, 12, Fill);
                if (Checked) P.Disc(L + 4, 4, L + 9, 9, Ink);
            } else {
                P.Fill(L, 0, L + 13, 13, Fill);
                P.Frame(L, 0, L + 13, 13, Edge);
                if (Checked)
                    for (int K = 0; K < 7; ++K) {  // a tick: down to (5, 9), then up to (10, 3)
                        int X = L + 3 + K, Yc = K < 3 ? 6 + K : 8 - (K - 2);
                        P.Fill(X, Yc, X + 1, Yc + 2, Ink);
                    }
            }
        });
    };
    S.Image("check", Box(false));
    S.Image("radio", Box(true));
    S.Section("Buttons", {{"Bitmap", "button.bmp"},
                          {"LeftWidth", "4"},
                          {"RightWidth", "4"},
                          {"TopHeight", "4"},
                          {"BottomHeight", "4"},
                          {"Trans", "1"},
                          {"Tile", "0"},
                          {"CheckButton", "check.bmp"},
                          {"RadioButton", "radio.bmp"},
                          {"MouseOverColour2", Rgb(C.AccentDark)}});
}

void DrawEdgesAndBars(TSkinBuilder& S, const TPalette& C) {
    // Progress: frame 1 the channel, frame 2 the bar; and the chunk of a bar in blocks.
    S.Image("progress", Strip(20, 14, 2, [&](TSkinPicture& P, int L, int F) {
                if (F == 1) {
                    P.Fill(L, 0, L + 20, 14, C.Light);
                    P.Bevel(L, 0, L + 20, 14, C.Shadow, White);
                } else {
                    P.VerticalGradient(L, 0, L + 20, 14, C.AccentLight, C.Accent);
                    P.Frame(L, 0, L + 20, 14, C.AccentDark);
                }
            }));
    S.Section("Progress", {{"Bitmap", "progress.bmp"}, {"Style", "0"}, {"LeftWidth", "2"}, {"RightWidth", "2"},
                           {"TopHeight", "2"}, {"BottomHeight", "2"}, {"Tile", "0"}});
    TSkinPicture Chunk(8, 14, C.Light);
    Chunk.VerticalGradient(1, 2, 7, 12, C.AccentLight, C.Accent);
    S.Image("progresschunk", Chunk);
    S.Section("Progress.Chunk", {{"Image", "progresschunk.bmp"}, {"Frame", "1"}});

    S.Image("groupboxedge", Strip(20, 20, 2, [&](TSkinPicture& P, int L, int F) {
                uint32_t Line = F == 1 ? C.Shadow : C.Disabled;
                P.Frame(L, 0, L + 19, 19, Line);
                P.Frame(L + 1, 1, L + 20, 20, White);
                P.Frame(L, 0, L + 19, 19, Line);
                P.Fill(L + 2, 2, L + 18, 18, Key);
                P.RoundCorners(L, 0, L + 20, 20, 2, true, true);
            }));
    S.Section("GroupBoxEdge", {{"Image", "groupboxedge.bmp"}, {"LeftWidth", "3"}, {"RightWidth", "3"},
                               {"TopHeight", "3"}, {"BottomHeight", "3"}, {"Trans", "1"}});
    TSkinPicture Label(30, 16, Key);
    Label.VerticalGradient(0, 0, 30, 16, C.Light, C.Face);
    Label.Frame(0, 0, 30, 16, C.Shadow);
    Label.RoundCorners(0, 0, 30, 16, 3, true, true);
    S.Image("groupbox", Label);
    S.Section("GroupBox", {{"Image", "groupbox.bmp"}, {"LeftWidth", "4"}, {"RightWidth", "4"}, {"TopHeight", "3"},
                           {"BottomHeight", "3"}, {"Trans", "1"}, {"BackgroundAlignment", "0"},
                           {"BackgroundLeftShift", "6"}, {"BackgroundRightShift", "6"}});

    // Tabs: 1 normal, 2 selected, 3 disabled, 4 hot, 5 selected and focused.
    S.Image("tabs", Strip(30, 22, 5, [&](TSkinPicture& P, int L, int F) {
                bool Selected = F == 2 || F == 5;
                uint32_t Top = Selected ? White : F == 4 ? C.Hot : F == 3 ? C.Disabled : C.Light;
                int T0 = Selected ? 0 : 2;
                P.VerticalGradient(L, T0, L + 30, 22, Top, Selected ? C.Light : C.Face);
                P.Frame(L, T0, L + 30, 23, C.Shadow);
                if (Selected || F == 4) P.Fill(L + 1, T0, L + 29, T0 + 2, F == 4 ? C.AccentLight : C.Accent);
                P.RoundCorners(L, T0, L + 30, 22, 3, true, false);
                if (T0 > 0) P.Fill(L, 0, L + 30, T0, Key);
            }));
    TSkinPicture TabBorder(30, 30, C.Light);
    TabBorder.Frame(0, 0, 30, 30, C.Shadow);
    S.Image("tabborder", TabBorder);
    S.Section("Tabs", {{"Image", "tabs.bmp"}, {"Border", "tabborder.bmp"}, {"LeftWidth", "4"}, {"RightWidth", "4"},
                       {"TopHeight", "4"}, {"BottomHeight", "2"}, {"Trans", "1"}, {"Tile", "0"}});
    TSkinPicture Pane(20, 20, C.Light);
    Pane.Frame(0, 0, 20, 20, C.Shadow);
    Pane.Bevel(1, 1, 19, 19, White, C.Face);
    S.Image("tabpane", Pane);
    S.Section("Tab.Pane", {{"Image", "tabpane.bmp"}, {"LeftWidth", "3"}, {"RightWidth", "3"}, {"TopHeight", "3"},
                           {"BottomHeight", "3"}});

    S.Image("statusbaredges", Strip(12, 12, 3, [&](TSkinPicture& P, int L, int F) {
                P.Fill(L, 0, L + 12, 12, C.Face);
                if (F == 1) P.Bevel(L, 0, L + 12, 12, C.Shadow, White);
                if (F == 2) P.Bevel(L, 0, L + 12, 12, White, C.Shadow);
                if (F == 3) P.Fill(L, 0, L + 12, 1, C.Shadow);
            }));
    S.Section("StatusBarEdges", {{"Image", "statusbaredges.bmp"}, {"LeftWidth", "2"}, {"RightWidth", "2"},
                                 {"TopHeight", "2"}, {"BottomHeight", "2"}});

    // Tool-bar buttons: flat (keyed) when normal or disabled.
    S.Image("toolbars", Strip(22, 22, 5, [&](TSkinPicture& P, int L, int F) {
                TState St = StateOf(F);
                if (St == Normal || St == Disabled) return;
                Face(P, C, L, 0, L + 22, 22, St == Default ? Pressed : St);
                P.RoundCorners(L, 0, L + 22, 22, 2, true, true);
            }));
    S.Section("ToolBars", {{"Image", "toolbars.bmp"}, {"LeftWidth", "3"}, {"RightWidth", "3"}, {"TopHeight", "3"},
                           {"BottomHeight", "3"}, {"Trans", "1"}});

    S.Image("headerbar", Strip(30, 20, 5, [&](TSkinPicture& P, int L, int F) {
                TState St = StateOf(F);
                Face(P, C, L, 0, L + 30, 20, St, false);
                P.Fill(L, 19, L + 30, 20, C.Shadow);
                P.Fill(L + 29, 3, L + 30, 17, C.Shadow);
                if (St == Hot) P.Fill(L, 18, L + 30, 20, C.Accent);
            }));
    S.Section("Headerbar", {{"Image", "headerbar.bmp"}, {"LeftWidth", "2"}, {"RightWidth", "2"}, {"TopHeight", "2"},
                            {"BottomHeight", "2"}});
}

void DrawCombo(TSkinBuilder& S, const TSkinVariant& V, const TPalette& C) {
    // The combo button: 4 frames (normal, pressed, disabled, hot); flat in style 1.
    S.Image("combobutton", Strip(18, 21, 4, [&](TSkinPicture& P, int L, int F) {
                TState St = StateOf(F);
                if (V.ComboStyle == 1) {
                    P.Fill(L, 0, L + 18, 21, St == Hot ? C.Hot : St == Pressed ? C.Shadow : C.Face);
                    P.Fill(L, 0, L + 1, 21, C.Shadow);
                } else {
                    Face(P, C, L, 0, L + 18, 21, St);
                    P.RoundCorners(L, 0, L + 18, 21, 2, true, true);
                }
                // Without SunkEdge the button is the arrow itself; with it the arrow comes from ExtraImages.
                if (!V.SunkEdge) P.Arrow(L, 0, L + 18, 21, 1, 7, GlyphColour(C, St));
            }));
    S.Section("ComboButton", {{"Image", "combobutton.bmp"}, {"Style", I(V.ComboStyle)}, {"LeftWidth", "2"},
                              {"RightWidth", "2"}, {"TopHeight", "2"}, {"BottomHeight", "2"}, {"Trans", "1"}});
    if (V.SunkEdge) {
        S.Image("sunkedge", Strip(50, 21, 4, [&](TSkinPicture& P, int L, int F) {
                    TState St = StateOf(F);
                    P.Fill(L, 0, L + 50, 21, St == Disabled ? C.Disabled : C.Window);
                    P.Frame(L, 0, L + 50, 21, St == Hot ? C.Accent : St == Pressed ? C.AccentDark : C.Shadow);
                    P.Frame(L + 1, 1, L + 49, 20, St == Disabled ? C.Disabled : BlendColour(C.Shadow, White, 25));
                }, C.Window));
        S.Section("SunkEdge", {{"Image", "sunkedge.bmp"}, {"LeftWidth", "2"}, {"RightWidth", "2"},
                               {"TopHeight", "2"}, {"BottomHeight", "2"}, {"Trans", "1"}});
    }
    // ExtraImages: the combo arrow in 4 states, then the size grip.
    S.Image("extraimages", Strip(12, 12, 5, [&](TSkinPicture& P, int L, int F) {
                if (F <= 4) {
                    TState St = StateOf(F);
                    int D = St == Pressed ? 1 : 0;
                    P.Arrow(L + D, D, L + 12 + D, 12 + D, 1, 7, GlyphColour(C, St));
                    return;
                }
                for (int K = 0; K < 3; ++K)
                    for (int J = 0; J <= K; ++J) {
                        int X = L + 10 - 3 * J, Y = 10 - 3 * (K - J);
                        P.Fill(X - 1, Y - 1, X + 1, Y + 1, C.Shadow);
                        P.Set(X - 1, Y - 1, White);
                    }
            }));
    S.Section("ExtraImages", {{"Image", "extraimages.bmp"}, {"Trans", "1"}});
}

void DrawMenus(TSkinBuilder& S, const TPalette& C) {
    // 1 normal, 2 the separator, 3 disabled, 4 selected, 5 normal.
    S.Image("menuitem", Strip(30, 20, 5, [&](TSkinPicture& P, int L, int F) {
                P.Fill(L, 0, L + 30, 20, C.Menu);
                if (F == 2) {
                    P.Fill(L + 2, 9, L + 28, 10, C.Shadow);
                    P.Fill(L + 2, 10, L + 28, 11, White);
                }
                if (F == 4) {
                    // Dark enough for the skin's white highlight text.
                    P.VerticalGradient(L + 1, 1, L + 29, 19, BlendColour(C.Accent, White, 75), C.Accent);
                    P.Frame(L + 1, 1, L + 29, 19, C.AccentDark);
                }
            }));
    S.Section("MenuItem", {{"Image", "menuitem.bmp"}, {"LeftWidth", "3"}, {"RightWidth", "3"}, {"TopHeight", "3"},
                           {"BottomHeight", "3"}, {"Trans", "0"}, {"Tile", "0"}});
    TSkinPicture Back(30, 30, C.Menu);
    Back.Frame(0, 0, 30, 30, C.Shadow);
    Back.Fill(1, 1, 4, 29, C.Face);
    S.Image("menubackground", Back);
    S.Section("MenuBackground", {{"Image", "menubackground.bmp"}, {"LeftWidth", "4"}, {"RightWidth", "2"},
                                 {"TopHeight", "2"}, {"BottomHeight", "2"}, {"Tile", "0"}});
}

void DrawScrollBars(TSkinBuilder& S, const TPalette& C) {
    // 1-4 left, 5-8 right, 9-12 up, 13-16 down (normal, pressed, disabled, hot);
    // 17-19 the horizontal grip, 20-22 the vertical one (normal, pressed, hot); 23 plain.
    S.Image("scrollbar", Strip(16, 16, 23, [&](TSkinPicture& P, int L, int F) {
                if (F <= 16) {
                    static const int Dir[] = {2, 3, 0, 1};
                    TState St = StateOf((F - 1) % 4 + 1);
                    Face(P, C, L, 0, L + 16, 16, St);
                    P.Arrow(L, 0, L + 16, 16, Dir[(F - 1) / 4], 7, GlyphColour(C, St));
                    return;
                }
                if (F == 23) {
                    P.Fill(L, 0, L + 16, 16, C.Face);
                    return;
                }
                bool Vert = F >= 20;
                int St = (F - 17) % 3;  // 0 normal, 1 pressed, 2 hot
                uint32_t Ink = St == 2 ? C.AccentDark : St == 1 ? C.Dark : C.Shadow;
                for (int K = 0; K < 3; ++K) {
                    int A = 5 + 2 * K;
                    if (Vert)
                        P.Fill(L + 4, A, L + 12, A + 1, Ink);
                    else
                        P.Fill(L + A, 4, L + A + 1, 12, Ink);
                }
            }));
    S.Section("Scrollbar", {{"Image", "scrollbar.bmp"}, {"Trans", "1"}});
    auto Track = [&](bool Vert) {
        return Strip(16, 16, 4, [&](TSkinPicture& P, int L, int F) {
            uint32_t Fill = F == 3 ? C.Disabled : F == 2 ? BlendColour(C.Face, Black, 85) : BlendColour(C.Face, White, 60);
            P.Fill(L, 0, L + 16, 16, Fill);
            if (Vert) {
                P.Fill(L, 0, L + 1, 16, C.Face);
                P.Fill(L + 15, 0, L + 16, 16, C.Face);
            } else {
                P.Fill(L, 0, L + 16, 1, C.Face);
                P.Fill(L, 15, L + 16, 16, C.Face);
            }
        });
    };
    S.Image("horzscroll", Track(false));
    S.Image("vertscroll", Track(true));
    S.Section("HorzScroll", {{"Image", "horzscroll.bmp"}, {"LeftWidth", "1"}, {"RightWidth", "1"}, {"TopHeight", "1"},
                             {"BottomHeight", "1"}});
    S.Section("VertScroll", {{"Image", "vertscroll.bmp"}, {"LeftWidth", "1"}, {"RightWidth", "1"}, {"TopHeight", "1"},
                             {"BottomHeight", "1"}});
    TSkinPicture Thumb = Strip(16, 16, 3, [&](TSkinPicture& P, int L, int F) {
        TState St = F == 1 ? Normal : F == 2 ? Pressed : Hot;
        Face(P, C, L, 1, L + 16, 15, St);
        P.RoundCorners(L, 1, L + 16, 15, 2, true, true);
    });
    TSkinPicture VThumb = Strip(16, 16, 3, [&](TSkinPicture& P, int L, int F) {
        TState St = F == 1 ? Normal : F == 2 ? Pressed : Hot;
        Face(P, C, L + 1, 0, L + 15, 16, St);
        P.RoundCorners(L + 1, 0, L + 15, 16, 2, true, true);
    });
    S.Image("horzscrollthumb", Thumb);
    S.Image("vertscrollthumb", VThumb);
    for (const char* Name : {"HorzScrollThumb", "VertScrollThumb"}) {
        std::string File = std::string(Name) == "HorzScrollThumb" ? "horzscrollthumb.bmp" : "vertscrollthumb.bmp";
        S.Section(Name, {{"Image", File}, {"FrameCount", "3"}, {"LeftWidth", "3"}, {"RightWidth", "3"},
                         {"TopHeight", "3"}, {"BottomHeight", "3"}, {"Trans", "1"}});
    }
}

void DrawTrackAndUpDown(TSkinBuilder& S, const TPalette& C) {
    // Track-bar thumbs, 5 frames: a face, pointed towards the channel where it has a direction.
    struct TThumb {
        const char* Section;
        const char* File;
        int W, H;
        int Point;  // -1 none, else the arrow direction of the tip
    };
    const TThumb Thumbs[] = {{"Trackbar.ThumbHorz", "thumbhorz", 11, 20, -1},
                             {"Trackbar.ThumbVert", "thumbvert", 20, 11, -1},
                             {"Trackbar.ThumbLeft", "thumbleft", 20, 11, 2},
                             {"Trackbar.ThumbRight", "thumbright", 20, 11, 3},
                             {"Trackbar.ThumbUp", "thumbup", 11, 20, 0},
                             {"Trackbar.ThumbDown", "thumbdown", 11, 20, 1}};
    for (const auto& T : Thumbs) {
        S.Image(T.File, Strip(T.W, T.H, 5, [&](TSkinPicture& P, int L, int F) {
                    TState St = StateOf(F);
                    Face(P, C, L, 0, L + T.W, T.H, St);
                    if (T.Point < 0) {
                        P.RoundCorners(L, 0, L + T.W, T.H, 2, true, true);
                        return;
                    }
                    // Cut the tip: keyed triangles beside a 5-pixel point.
                    int Len = T.Point <= 1 ? T.W : T.H;
                    for (int K = 0; K < Len / 2; ++K)
                        for (int J = 0; J < Len / 2 - K; ++J) {
                            switch (T.Point) {
                                case 0: P.Set(L + J, K, Key), P.Set(L + T.W - 1 - J, K, Key); break;
                                case 1: P.Set(L + J, T.H - 1 - K, Key), P.Set(L + T.W - 1 - J, T.H - 1 - K, Key); break;
                                case 2: P.Set(L + K, J, Key), P.Set(L + K, T.H - 1 - J, Key); break;
                                default: P.Set(L + T.W - 1 - K, J, Key), P.Set(L + T.W - 1 - K, T.H - 1 - J, Key); break;
                            }
                        }
                }));
        S.Section(T.Section, {{"Image", std::string(T.File) + ".bmp"}, {"Trans", "1"}});
    }
    // Up-down buttons: 8 frames (the first button's four states, then the second's),
    // and their glyphs in the same order.
    auto Buttons = [&](int W, int H) {
        return Strip(W, H, 8, [&](TSkinPicture& P, int L, int F) { Face(P, C, L, 0, L + W, H, StateOf((F - 1) % 4 + 1)); });
    };
    auto Glyphs = [&](int W, int H, int First, int Second) {
        return Strip(W, H, 8, [&](TSkinPicture& P, int L, int F) {
            P.Arrow(L, 0, L + W, H, F <= 4 ? First : Second, 5, GlyphColour(C, StateOf((F - 1) % 4 + 1)));
        });
    };
    S.Image("updownvert", Buttons(16, 10));
    S.Image("updownvertglyph", Glyphs(16, 10, 0, 1));
    S.Image("updownhorz", Buttons(10, 16));
    S.Image("updownhorzglyph", Glyphs(10, 16, 2, 3));
    S.Section("UpDown.Vert", {{"Image", "updownvert.bmp"}, {"GlyphImage", "updownvertglyph.bmp"},
                              {"LeftWidth", "2"}, {"RightWidth", "2"}, {"TopHeight", "2"}, {"BottomHeight", "2"},
                              {"Trans", "1"}});
    S.Section("UpDown.Horz", {{"Image", "updownhorz.bmp"}, {"GlyphImage", "updownhorzglyph.bmp"},
                              {"LeftWidth", "2"}, {"RightWidth", "2"}, {"TopHeight", "2"}, {"BottomHeight", "2"},
                              {"Trans", "1"}});
}

void WriteColoursAndFonts(TSkinBuilder& S, const TPalette& C) {
    S.Section("Fonts", {{"FontHeight", "14"}});
    S.Section("Colours", {{"WindowText", Rgb(C.Text)},
                          {"ButtonFace", Rgb(C.Face)},
                          {"HilightText", Rgb(White)},
                          {"Hilight", Rgb(C.Accent)},
                          {"Menubar", Rgb(C.Face)},
                          {"Menu", Rgb(C.Menu)},
                          {"MenuText", Rgb(C.Text)},
                          {"ButtonText", Rgb(C.Text)},
                          {"ButtonHilight", Rgb(White)},
                          {"Buttonlight", Rgb(C.Light)},
                          {"ButtonShadow", Rgb(C.Shadow)},
                          {"ButtonDkShadow", Rgb(C.Dark)},
                          {"MenuBarText", Rgb(C.Text)},
                          {"TitleTextActive", Rgb(White)},
                          {"TitleTextNoActive", Rgb(C.Light)}});
}

}  // namespace

std::vector<TSkinVariant> SkinVariants() {
    std::vector<TSkinVariant> V(6);
    V[0].Name = "main";
    V[1].Name = "colours";
    V[1].Face = 0xE4DCCC;
    V[1].Accent = 0x8A5A2E;
    V[1].Inactive = 0xA89C8C;
    V[1].BorderWidth = 6;
    V[1].TitleHeight = 30;
    V[2].Name = "nosunkedge";
    V[2].SunkEdge = false;
    V[3].Name = "flatcombo";
    V[3].ComboStyle = 1;
    V[4].Name = "topframe0";
    V[4].TopFrameZero = true;
    V[5].Name = "opaque";
    V[5].OpaqueBorders = true;
    return V;
}

namespace {

TSkinBuilder Build(const TSkinVariant& V) {
    TPalette C(V);
    TSkinBuilder S;
    DrawFrame(S, V, C);
    DrawTitleButtons(S, V, C);
    DrawButtons(S, C);
    DrawEdgesAndBars(S, C);
    DrawCombo(S, V, C);
    DrawMenus(S, C);
    DrawScrollBars(S, C);
    DrawTrackAndUpDown(S, C);
    WriteColoursAndFonts(S, C);
    return S;
}

}  // namespace

std::vector<TSkinEntry> DrawSkin(const TSkinVariant& Variant) { return Build(Variant).Entries(); }

std::string SkinDescription(const TSkinVariant& Variant) { return Build(Variant).Ini(); }
