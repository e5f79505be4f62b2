// Draws the skinned controls' pictures (every look's strips and the fixed
// pictures) as 24-bit BMP files, and one theme file holding all style keys
// with its list of written values for the tests.
// usage: scbitmapgen <bitmaps folder> <theme file>
// Everything is drawn with integer arithmetic, no smoothing, so the pictures
// and the golden images made from them stay the same on every machine.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t Key = 0xFF00FF;  // magenta: transparent where the controls ask for it

struct Img {
    int W, H;
    std::vector<uint32_t> Px;  // 0xRRGGBB, rows from the top
    Img(int w, int h, uint32_t c = Key) : W(w), H(h), Px(size_t(w) * h, c) {}
    void Set(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < W && y < H) Px[size_t(y) * W + x] = c;
    }
    // [x0, x1) x [y0, y1)
    void Fill(int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, uint32_t c) {
        for (int x = x0; x < x1; ++x) Set(x, y0, c), Set(x, y1 - 1, c);
        for (int y = y0; y < y1; ++y) Set(x0, y, c), Set(x1 - 1, y, c);
    }
    void Line(int x0, int y0, int x1, int y1, uint32_t c) {
        int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1, dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int e = dx + dy;
        for (;;) {
            Set(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * e;
            if (e2 >= dy) e += dy, x0 += sx;
            if (e2 <= dx) e += dx, y0 += sy;
        }
    }
    // Inside the circle of the box [x0, x1) x [y0, y1), tested at pixel centres (doubled coordinates).
    void Disc(int x0, int y0, int x1, int y1, uint32_t c) {
        int cx = x0 + x1, cy = y0 + y1, r = std::min(x1 - x0, y1 - y0);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                int ddx = 2 * x + 1 - cx, ddy = 2 * y + 1 - cy;
                if (ddx * ddx + ddy * ddy <= r * r) Set(x, y, c);
            }
    }
    // Rows blended from a at the top to b at the bottom.
    void VGradient(int x0, int y0, int x1, int y1, uint32_t a, uint32_t b) {
        int n = std::max(1, y1 - y0 - 1);
        for (int y = y0; y < y1; ++y) {
            uint32_t c = 0;
            for (int s = 0; s < 24; s += 8) {
                int ca = (a >> s) & 255, cb = (b >> s) & 255;
                c |= uint32_t(ca + (cb - ca) * (y - y0) / n) << s;
            }
            for (int x = x0; x < x1; ++x) Set(x, y, c);
        }
    }
    void Paste(const Img& s, int dx, int dy) {
        for (int y = 0; y < s.H; ++y)
            for (int x = 0; x < s.W; ++x) Set(dx + x, dy + y, s.Px[size_t(y) * s.W + x]);
    }
};

uint32_t Mix(uint32_t a, uint32_t b, int num, int den) {
    uint32_t c = 0;
    for (int s = 0; s < 24; s += 8) {
        int ca = (a >> s) & 255, cb = (b >> s) & 255;
        c |= uint32_t(ca + (cb - ca) * num / den) << s;
    }
    return c;
}

std::vector<uint8_t> Bmp(const Img& m) {
    int row = (m.W * 3 + 3) & ~3;
    uint32_t size = 54 + uint32_t(row) * m.H;
    std::vector<uint8_t> b(size, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(m.W));
    put32(22, uint32_t(m.H));
    b[26] = 1, b[28] = 24;
    put32(34, uint32_t(row) * m.H);
    put32(38, 2835), put32(42, 2835);
    for (int y = 0; y < m.H; ++y) {
        size_t at = 54 + size_t(m.H - 1 - y) * row;  // bottom-up
        for (int x = 0; x < m.W; ++x) {
            uint32_t c = m.Px[size_t(y) * m.W + x];
            b[at + 3 * x] = uint8_t(c), b[at + 3 * x + 1] = uint8_t(c >> 8), b[at + 3 * x + 2] = uint8_t(c >> 16);
        }
    }
    return b;
}

// The colours of one look (0xRRGGBB).
struct Look {
    const char* Prefix;
    uint32_t TitleTop, TitleBottom;  // title bar gradient
    uint32_t Face, Border, Light, Accent, Back;
    bool RoundButtons;  // title buttons drawn round on magenta
};

const Look Looks[] = {
    {"MACOS", 0xF2F2F2, 0xB8B8B8, 0xDCDCDC, 0x6E6E6E, 0xFFFFFF, 0x3A78C8, 0xE7E7E7, false},
    {"WINXP", 0x2F6FD8, 0x1040A8, 0xF4F2EA, 0x1C5180, 0xFFFFFF, 0x21A121, 0xEFEBDE, false},
    {"DEEPBLUE", 0x304C78, 0x14243C, 0xD8DEE8, 0x182840, 0xF4F6FA, 0x44548C, 0xE8E8E8, false},
    {"PROTEIN", 0x585E66, 0x2C3036, 0xE4E4E4, 0x303030, 0xFFFFFF, 0xB03838, 0xFBFBFB, true},
    {"BLUEGLASS", 0x9CC4EE, 0x3C78C0, 0xE6EEF8, 0x28508C, 0xFFFFFF, 0x5E5EEC, 0xE7E7E7, true},
};

// The theme file's own look.
const Look ThemeLook = {"THEME", 0x3C9A50, 0x1E5A2A, 0xEAF4EC, 0x1E4A26, 0xFFFFFF, 0xD07818, 0xE4EEE6, true};

Img Button(int w, int h, const Look& L) {
    Img m(w, h, L.Back);
    int fw = w / 3;
    for (int f = 0; f < 3; ++f) {
        uint32_t face = f == 0 ? L.Face : f == 1 ? L.Light : Mix(L.Face, L.Border, 1, 3);
        m.VGradient(f * fw + 1, 1, f * fw + fw - 1, h - 1, L.Light, face);
        m.Frame(f * fw, 0, f * fw + fw, h, L.Border);
    }
    return m;
}

// Four frames: checked, unchecked, checked disabled, unchecked disabled.
Img CheckStrip(int w, int h, const Look& L, bool Round) {
    Img m(w, h, L.Back);
    int fw = w / 4, s = std::min(fw, h), y0 = (h - s) / 2;
    for (int f = 0; f < 4; ++f) {
        int x0 = f * fw + (fw - s) / 2;
        bool off = f >= 2, on = f == 0 || f == 2;
        uint32_t border = off ? 0xA0A0A0 : L.Border, fill = off ? 0xE0E0E0 : L.Light,
                 mark = off ? 0x909090 : L.Accent;
        if (Round) {
            m.Disc(x0, y0, x0 + s, y0 + s, border);
            m.Disc(x0 + 1, y0 + 1, x0 + s - 1, y0 + s - 1, fill);
            if (on) m.Disc(x0 + s / 3, y0 + s / 3, x0 + s - s / 3, y0 + s - s / 3, mark);
            continue;
        }
        m.Fill(x0, y0, x0 + s, y0 + s, fill);
        m.Frame(x0, y0, x0 + s, y0 + s, border);
        if (on) {
            // A tick two pixels thick from the lower left to the upper right.
            int a = x0 + 3, b = y0 + s / 2, c = x0 + s / 2 - 1, d = y0 + s - 4, e = x0 + s - 4, g = y0 + 3;
            for (int t = 0; t < 2; ++t) {
                m.Line(a, b + t, c, d + t, mark);
                m.Line(c, d + t, e, g + t, mark);
            }
        }
    }
    return m;
}

// One title-bar glyph in white over the box [x0, x0 + s) x [y0, y0 + s).
void Glyph(Img& m, int kind, int x0, int y0, int s, uint32_t c) {
    int x1 = x0 + s - 1, y1 = y0 + s - 1;
    switch (kind) {
        case 0:  // control box: a small window
            m.Frame(x0, y0, x0 + s, y0 + s, c);
            m.Fill(x0, y0, x0 + s, y0 + 2, c);
            break;
        case 1:  // help: a question mark
            m.Line(x0 + 1, y0 + 1, x0 + 2, y0, c);
            m.Line(x0 + 2, y0, x1 - 2, y0, c);
            m.Line(x1 - 1, y0 + 1, x1 - 1, y0 + s / 3, c);
            m.Line(x1 - 1, y0 + s / 3, x0 + s / 2, y0 + s / 2 + 1, c);
            m.Line(x0 + s / 2, y0 + s / 2 + 1, x0 + s / 2, y1 - 2, c);
            m.Set(x0 + s / 2, y1, c);
            break;
        case 2:  // maximise
            m.Frame(x0, y0, x0 + s, y0 + s, c);
            m.Fill(x0, y0, x0 + s, y0 + 2, c);
            break;
        case 3: {  // restore: two windows
            int q = s * 2 / 3;
            m.Frame(x0 + s - q, y0, x0 + s, y0 + q, c);
            m.Fill(x0 + s - q, y0, x0 + s, y0 + 2, c);
            m.Fill(x0, y0 + s - q, x0 + q, y0 + s, 0);
            m.Frame(x0, y0 + s - q, x0 + q, y0 + s, c);
            m.Fill(x0, y0 + s - q, x0 + q, y0 + s - q + 2, c);
            break;
        }
        case 4:  // minimise
            m.Fill(x0 + 1, y1 - 1, x1, y1 + 1, c);
            break;
        default:  // close
            for (int t = 0; t < 2; ++t) {
                m.Line(x0 + t, y0, x1, y1 - t, c);
                m.Line(x0, y0 + t, x1 - t, y1, c);
                m.Line(x1 - t, y0, x0, y1 - t, c);
                m.Line(x1, y0 + t, x0 + t, y1, c);
            }
            break;
    }
}

// 18 frames: control box, help, maximise, restore, minimise, close; each normal, hover, pressed.
Img TitleButtons(int w, int h, const Look& L) {
    Img m(w, h, L.RoundButtons ? Key : L.TitleBottom);
    int fw = w / 18;
    for (int f = 0; f < 18; ++f) {
        int kind = f / 3, state = f % 3, x0 = f * fw + 1, y0 = (h - (fw - 2)) / 2, s = fw - 2;
        uint32_t base = kind == 5 ? 0xC8402C : L.Accent;
        uint32_t face = state == 0 ? base : state == 1 ? Mix(base, 0xFFFFFF, 1, 3) : Mix(base, 0x000000, 1, 3);
        if (L.RoundButtons) {
            m.Disc(x0, y0, x0 + s, y0 + s, L.Border);
            m.Disc(x0 + 1, y0 + 1, x0 + s - 1, y0 + s - 1, face);
        } else {
            m.Fill(x0, y0, x0 + s, y0 + s, face);
            m.Frame(x0, y0, x0 + s, y0 + s, state == 2 ? L.Border : L.Light);
        }
        int g = s / 2 - (s / 2) % 1, gx = x0 + (s - g) / 2, gy = y0 + (s - g) / 2;
        if (kind == 3) {
            // Restore draws its back window over the face: keep it the face colour.
            int q = g * 2 / 3;
            m.Frame(gx + g - q, gy, gx + g, gy + q, 0xFFFFFF);
            m.Fill(gx + g - q, gy, gx + g, gy + 2, 0xFFFFFF);
            m.Fill(gx, gy + g - q, gx + q, gy + g, face);
            m.Frame(gx, gy + g - q, gx + q, gy + g, 0xFFFFFF);
            m.Fill(gx, gy + g - q, gx + q, gy + g - q + 2, 0xFFFFFF);
        } else {
            Glyph(m, kind, gx, gy, g, 0xFFFFFF);
        }
    }
    return m;
}

Img TitlePart(int w, int h, const Look& L, int part) {
    Img m(w, h);
    m.VGradient(0, 0, w, h, L.TitleTop, L.TitleBottom);
    if (part == 0) m.Fill(0, 0, 1, h, L.Light);
    if (part == 2) m.Fill(w - 1, 0, w, h, L.Border);
    if (part != 1 && w > 8) m.Fill(part == 0 ? 4 : w - 6, h / 2 - 1, part == 0 ? 6 : w - 4, h / 2 + 1, L.Light);
    m.Fill(0, h - 1, w, h, L.Border);
    return m;
}

// Three thirds: the left end, the stretched middle, the right end of a groove.
Img TrackBar(int w, int h, const Look& L) {
    Img m(w, h);
    int t = w / 3;
    uint32_t fill = Mix(L.Face, L.Border, 1, 4);
    m.Fill(2, 0, w - 2, h, fill);
    m.Fill(2, 0, w - 2, 1, L.Border);
    m.Fill(2, h - 1, w - 2, h, L.Light);
    m.Fill(1, 1, 2, h - 1, L.Border);
    m.Fill(w - 2, 1, w - 1, h - 1, L.Light);
    if (h > 4) m.Fill(t, h / 2, 2 * t, h / 2 + 1, Mix(fill, L.Border, 1, 2));
    return m;
}

// The horizontal thumb points down; it stands on magenta (its bottom-left pixel).
Img Slider(int w, int h, const Look& L) {
    Img m(w, h);
    int body = h - w / 2 - 1;
    m.Fill(0, 0, w, body, L.Face);
    for (int y = body; y < h; ++y) {
        int in = y - body + 1;
        m.Fill(in, y, w - in, y + 1, L.Face);
        m.Set(in, y, L.Border);
        m.Set(w - 1 - in, y, L.Border);
    }
    m.Fill(0, 0, w, 1, L.Light);
    m.Fill(0, 0, 1, body, L.Light);
    m.Fill(w - 1, 0, w, body, L.Border);
    m.Fill(1, 2, w - 1, 4, L.Accent);
    return m;
}

// The vertical thumb points right, drawn opaque on the control colour.
Img SliderV(int w, int h, const Look& L) {
    Img m(w, h, L.Back);
    int body = w - h / 2 - 1;
    m.Fill(0, 0, body, h, L.Face);
    for (int x = body; x < w; ++x) {
        int in = x - body + 1;
        m.Fill(x, in, x + 1, h - in, L.Face);
        m.Set(x, in, L.Border);
        m.Set(x, h - 1 - in, L.Border);
    }
    m.Fill(0, 0, body, 1, L.Light);
    m.Fill(0, 0, 1, h, L.Light);
    m.Fill(0, h - 1, body, h, L.Border);
    m.Fill(2, 1, 4, h - 1, L.Accent);
    return m;
}

// Frames with an arrow each, turning a quarter per frame.
Img Arrows(int w, int h, int frames, const Look& L) {
    Img m(w, h, L.Face);
    int fw = w / frames;
    for (int f = 0; f < frames; ++f) {
        int x0 = f * fw;
        m.Frame(x0, 0, x0 + fw, h, L.Border);
        int cx = x0 + fw / 2, cy = h / 2, r = std::min(fw, h) / 4;
        for (int i = 0; i <= r; ++i) switch (f % 4) {
                case 0: m.Line(cx - i, cy - r / 2 + i, cx + i, cy - r / 2 + i, L.Border); break;
                case 1: m.Line(cx - i, cy + r / 2 - i, cx + i, cy + r / 2 - i, L.Border); break;
                case 2: m.Line(cx - r / 2 + i, cy - i, cx - r / 2 + i, cy + i, L.Border); break;
                default: m.Line(cx + r / 2 - i, cy - i, cx + r / 2 - i, cy + i, L.Border); break;
            }
    }
    return m;
}

Img Plain(int w, int h, const Look& L, bool gradient) {
    Img m(w, h, L.Face);
    if (gradient) m.VGradient(0, 0, w, h, L.Light, L.Face);
    if (w > 2 && h > 2) m.Frame(0, 0, w, h, L.Border);
    return m;
}

Img Handle(int w, int h, const Look& L) {
    Img m = Plain(w, h, L, true);
    for (int y = h / 2 - 8; y <= h / 2 + 8; y += 4) m.Fill(w / 2 - 1, y, w / 2 + 1, y + 2, L.Border);
    return m;
}

struct Suffix {
    int Key;
    const char* Name;
    int Size[5][2];
};

const Suffix Suffixes[] = {
    {1, "BUTTON", {{252, 23}, {54, 21}, {222, 21}, {222, 21}, {231, 27}}},
    {3, "CHECKBOX", {{60, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
    {4, "RADIOBUTTON", {{64, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
    {5, "TITLEBTN", {{306, 17}, {378, 21}, {342, 19}, {342, 19}, {342, 19}}},
    {10, "TITLE_LEFT", {{48, 23}, {35, 29}, {97, 32}, {441, 23}, {162, 33}}},
    {11, "TITLE_CLIENT", {{49, 23}, {37, 29}, {98, 32}, {1, 23}, {179, 33}}},
    {12, "TITLE_RIGHT", {{48, 23}, {35, 29}, {97, 32}, {1, 23}, {101, 33}}},
    {24, "PROGRESSBAR", {{13, 10}, {6, 10}, {1, 10}, {1, 10}, {1, 10}}},
    {28, "TRACKBAR_BAR", {{45, 5}, {45, 8}, {45, 4}, {45, 4}, {45, 4}}},
    {29, "TRACKBAR_SLIDER", {{11, 20}, {11, 21}, {11, 20}, {11, 20}, {11, 20}}},
    {30, "TRACKBAR_SLIDER_V", {{19, 11}, {22, 11}, {18, 11}, {18, 11}, {18, 11}}},
    {32, "SCROLLBAR_BUTTON", {{96, 22}, {96, 17}, {96, 16}, {96, 16}, {102, 16}}},
    {33, "SCROLLBAR_TRACK", {{33, 16}, {21, 16}, {21, 16}, {21, 16}, {21, 16}}},
    {34, "CHECKLIST", {{40, 11}, {44, 11}, {44, 11}, {44, 11}, {44, 11}}},
    {38, "SCROLLBUTTON", {{72, 18}, {72, 18}, {72, 17}, {72, 17}, {72, 17}}},
    {39, "TAB", {{36, 27}, {18, 18}, {12, 17}, {18, 17}, {18, 17}}},
    {40, "TAB_LINE", {{17, 7}, {8, 1}, {5, 5}, {10, 5}, {10, 5}}},
    {41, "SIDECHENNEL_HANDLE", {{7, 84}, {8, 86}, {8, 83}, {8, 83}, {8, 86}}},
    {42, "SIDECHENNEL_BAR", {{1, 21}, {1, 21}, {1, 20}, {1, 21}, {1, 21}}},
};

Img Draw(int key, int w, int h, const Look& L) {
    switch (key) {
        case 1: return Button(w, h, L);
        case 3: return CheckStrip(w, h, L, false);
        case 4: return CheckStrip(w, h, L, true);
        case 5: return TitleButtons(w, h, L);
        case 10: return TitlePart(w, h, L, 0);
        case 11: return TitlePart(w, h, L, 1);
        case 12: return TitlePart(w, h, L, 2);
        case 28: return TrackBar(w, h, L);
        case 29: return Slider(w, h, L);
        case 30: return SliderV(w, h, L);
        case 32: return Arrows(w, h, 6, L);
        case 33: return Arrows(w, h, 3, L);
        case 34: return CheckStrip(w, h, L, false);
        case 38: return Arrows(w, h, 4, L);
        case 41: return Handle(w, h, L);
        default: return Plain(w, h, L, key == 24 || key == 42 || key == 39);
    }
}

bool Write(const std::filesystem::path& p, const std::vector<uint8_t>& b) {
    std::ofstream o(p, std::ios::binary);
    o.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    if (!o) std::fprintf(stderr, "scbitmapgen: cannot write %s\n", p.string().c_str());
    return bool(o);
}

// ---- The theme file --------------------------------------------------------------

struct Entry {
    std::string Name;
    int Type;
    std::vector<uint8_t> Data;
    std::string Note;  // what the list of written values says about it
};

Entry Int(const char* n, int32_t v) {
    std::vector<uint8_t> d(4);
    for (int i = 0; i < 4; ++i) d[i] = uint8_t(uint32_t(v) >> (8 * i));
    return {n, 1, d, std::to_string(v)};
}
Entry Color(const char* n, uint32_t rgb) {  // stored as the library's $00BBGGRR
    uint32_t c = ((rgb & 255) << 16) | (rgb & 0xFF00) | (rgb >> 16);
    return Int(n, int32_t(c));
}
Entry Bool(const char* n, bool v) { return {n, 2, {uint8_t(v ? 1 : 0)}, v ? "1" : "0"}; }
Entry Picture(const char* n, const Img& m) {
    return {n, 0, Bmp(m), std::to_string(m.W) + "x" + std::to_string(m.H)};
}

std::vector<Entry> ThemeEntries() {
    const Look& L = ThemeLook;
    auto pic = [&](const char* n, int key, int w, int h) { return Picture(n, Draw(key, w, h, L)); };
    Img left(4, 30, L.TitleBottom), bottom(30, 4, L.TitleBottom), minimized(120, 24);
    left.Fill(0, 0, 1, 30, L.Border);
    bottom.Fill(0, 3, 30, 4, L.Border);
    minimized.VGradient(0, 0, 120, 24, L.TitleTop, L.TitleBottom);
    return {
        pic("ButtonImage", 1, 54, 21),
        Bool("ButtonTransparentBool", true),
        pic("CheckBoxImage", 3, 56, 14),
        pic("RadioButtonImage", 4, 56, 14),
        pic("TitleBarButtonImage", 5, 360, 20),
        Bool("TitleBarButtonTransparentBool", true),
        Int("TitleBarButtonLeftOffsetInt", 1),
        Int("TitleBarButtonRightOffsetInt", -1),
        Int("TitleBarButtonTopInt", 4),
        pic("TitleBarLeftImage", 10, 40, 28),
        pic("TitleBarClientImage", 11, 20, 28),
        pic("TitleBarRightImage", 12, 40, 28),
        Int("FormMinWidthInt", 160),
        Int("FormRoundCornerInt", 7),
        Color("FormBackgroundColor", 0xE4EEE6),
        Color("FormBorderColor", 0x1E4A26),
        Int("FormBorderWidthInt", 2),
        Color("MenuSelectedBorderColor", 0x2A7A3A),
        Color("MenuSelectedBackgroundColor", 0xC8E8CE),
        Color("MenuSelectedFontColor", 0x102010),
        Color("MenuBackgroundColor", 0xF6FBF6),
        Color("MenuFontColor", 0x202020),
        Color("MenuBarColor", 0xD4E4D6),
        pic("ProgressBarImage", 24, 6, 10),
        Color("ControlBorderColor", 0x3C5A40),
        Color("ControlBackgroundColor", 0xE4EEE6),
        Color("ControlFontColor", 0x1E4A26),
        pic("TrackBarBarImage", 28, 45, 6),
        pic("TrackBarSliderImage", 29, 13, 19),
        pic("TrackBarSliderVImage", 30, 19, 13),
        Color("ScrollBarBackgroundColor", 0xF0F6F0),
        pic("ScrollBarButtonImage", 32, 96, 16),
        pic("ScrollBarSliderImage", 33, 21, 16),
        pic("CheckListBoxImage", 34, 44, 11),
        Color("ToolBarButtonBorderColor", 0x2A7A3A),
        Color("ToolBarButtonBackgroundColor", 0xDCEEDF),
        Color("ToolBarButtonDownBackgroundColor", 0xB4D8BA),
        pic("ScrollButtonImage", 38, 72, 17),
        pic("TabControlTabImage", 39, 18, 17),
        pic("TabControlBarImage", 40, 10, 5),
        pic("SideChannelHandleImage", 41, 8, 84),
        pic("SideChannelBarImage", 42, 1, 21),
        Picture("TitleBarMinimizedImage", minimized),
        Color("TitleBarFontColor", 0xFFF4C0),
        Picture("FormLeftBorderImage", left),
        Picture("FormBottomBorderImage", bottom),
        Int("FormBottomRoundCornerInt", 3),
        Color("MenuMenuBarColor", 0xDCEADE),
        {"ThemeName", 3, {'T', 'e', 's', 's', 'a', 'r', 'o', ' ', 'g', 'r', 'e', 'e', 'n'}, "Tessaro green"},
    };
}

// Header, then each entry followed by its data, then the closing entry.
std::vector<uint8_t> ThemeFile(const std::vector<Entry>& es) {
    std::vector<uint8_t> f(24, 0);
    auto put32 = [&](size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(uint32_t(v) >> (8 * i));
    };
    const char magic[] = "SCPack_TB";
    for (int i = 0; i < 9; ++i) f[i] = uint8_t(magic[i]);
    put32(12, 24);
    put32(20, 24);
    for (const Entry& e : es) {
        size_t at = f.size();
        f.resize(at + 77 + e.Data.size(), 0);
        for (size_t i = 0; i < e.Name.size() && i < 64; ++i) f[at + i] = uint8_t(e.Name[i]);
        f[at + 64] = uint8_t(e.Type);
        put32(at + 65, int32_t(at + 77));
        put32(at + 69, int32_t(e.Data.size()));
        std::copy(e.Data.begin(), e.Data.end(), f.begin() + std::ptrdiff_t(at + 77));
        put32(at + 73, int32_t(f.size()));
    }
    f.resize(f.size() + 77, 0);  // the closing entry: next offset 0
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: scbitmapgen <bitmaps folder> <theme file>\n");
        return 1;
    }
    std::filesystem::path dir = argv[1], theme = argv[2];
    std::filesystem::create_directories(dir);
    std::filesystem::create_directories(theme.parent_path());
    bool ok = true;
    for (int s = 0; s < 5; ++s)
        for (const Suffix& x : Suffixes) {
            std::string name = std::string(Looks[s].Prefix) + "_" + x.Name;
            if (x.Key == 38 && s >= 2) {
                if (s > 2) continue;  // the three later looks share one picture
                name = "MORE_SCROLLBUTTON";
            }
            ok &= Write(dir / (name + ".bmp"), Bmp(Draw(x.Key, x.Size[s][0], x.Size[s][1], Looks[s])));
        }
    // The tick of checked menu items, on white (its mask colour).
    Img tick(16, 16, 0xFFFFFF);
    for (int t = 0; t < 2; ++t) {
        tick.Line(4, 7 + t, 6, 9 + t, 0x000000);
        tick.Line(6, 9 + t, 11, 4 + t, 0x000000);
    }
    ok &= Write(dir / "MENU_CHECKED.bmp", Bmp(tick));
    Img bar(1, 22), select(1, 21), macform(8, 8, 0xECECEC), protform(8, 8, 0xFBFBFB);
    bar.VGradient(0, 0, 1, 22, 0xFAFAFA, 0xD6D6D6);
    select.VGradient(0, 0, 1, 21, 0x6A9EE0, 0x2E64B4);
    for (int y = 0; y < 8; y += 2) macform.Fill(0, y, 8, y + 1, 0xE2E2E2);
    for (int i = 0; i < 8; ++i) protform.Set(i, 7 - i, 0xF0F0F0);
    ok &= Write(dir / "MACOS_MENU_BAR.bmp", Bmp(bar));
    ok &= Write(dir / "MACOS_MENU_SELECT.bmp", Bmp(select));
    ok &= Write(dir / "MACOS_FORM_BACKGROUND.bmp", Bmp(macform));
    ok &= Write(dir / "PROTEIN_FORM_BACKGROUND.bmp", Bmp(protform));

    std::vector<Entry> es = ThemeEntries();
    ok &= Write(theme, ThemeFile(es));
    std::ofstream list(theme.string() + ".txt");
    for (const Entry& e : es) list << e.Name << ' ' << e.Type << ' ' << e.Note << '\n';
    return ok && list ? 0 : 1;
}
