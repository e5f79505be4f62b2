// "Edit": single and multi-line text with selection, caret, clipboard,
// undo of the last change and scrolling. Lines break at CR LF or LF only.
#include <algorithm>

#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

struct TEditState {
    std::u16string Text;
    int Anchor = 0;  // selection: [min(Anchor,Caret), max(...))
    int Caret = 0;
    int Limit = 0x7FFFFFFE;
    int XOffset = 0;    // single-line: pixels scrolled left
    int TopLine = 0;    // multi-line: first visible line
    int LeftMargin = 1, RightMargin = 1;
    char16_t Password = 0;
    bool Modified = false;
    bool Focus = false;
    bool Selecting = false;  // mouse drag
    std::u16string UndoText;
    int UndoCaret = 0;
    bool CanUndo = false;
};

bool Multi(HWND h) { return (Style(h) & ES_MULTILINE) != 0; }

// Start offsets of the lines (multi-line), and each line's length without its break.
struct TLines {
    std::vector<int> Start, Len;
};
TLines HardLines(const std::u16string& t, bool multi) {
    TLines l;
    if (!multi) {
        l.Start.push_back(0);
        l.Len.push_back(static_cast<int>(t.size()));
        return l;
    }
    int s = 0;
    for (int i = 0; i < static_cast<int>(t.size()); ++i) {
        if (t[i] == u'\n') {
            int e = i;
            if (e > s && t[e - 1] == u'\r') --e;
            l.Start.push_back(s);
            l.Len.push_back(e - s);
            s = i + 1;
        }
    }
    l.Start.push_back(s);
    l.Len.push_back(static_cast<int>(t.size()) - s);
    return l;
}

int LineOf(const TLines& l, int pos) {
    int line = 0;
    for (int i = 0; i < static_cast<int>(l.Start.size()); ++i)
        if (l.Start[i] <= pos) line = i;
    return line;
}

std::u16string Shown(const TEditState* st, const std::u16string& s) {
    if (!st->Password) return s;
    return std::u16string(s.size(), st->Password);
}

struct TDc {
    HWND H;
    HDC Dc;
    HGDIOBJ Old;
    explicit TDc(HWND h) : H(h), Dc(GetDC(h)), Old(SelectObject(Dc, FontOf(h))) {}
    ~TDc() {
        SelectObject(Dc, Old);
        ReleaseDC(H, Dc);
    }
};

int WidthOf(HDC dc, const TEditState* st, const std::u16string& s, int from, int count) {
    if (count <= 0) return 0;
    return TextWidth(dc, Shown(st, s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count))));
}

// Widths of every prefix of a line: [0] = 0, [i] = the first i characters.
std::vector<int> PrefixWidths(HDC dc, const TEditState* st, const std::u16string& line) {
    std::vector<int> cum(line.size() + 1, 0);
    if (line.empty()) return cum;
    std::u16string shown = Shown(st, line);
    std::vector<INT> dx(line.size(), 0);
    SIZE sz{};
    GetTextExtentExPointW(dc, shown.c_str(), static_cast<int>(shown.size()), 0, /*Fit=*/nullptr, dx.data(), &sz);
    for (std::size_t i = 0; i < line.size(); ++i) cum[i + 1] = dx[i];
    return cum;
}

RECT FormatRect(HWND h, const TEditState* st) {
    RECT r = ClientRect(h);
    r.left += st->LeftMargin;
    r.right -= st->RightMargin;
    if (Multi(h)) r.top += 1;
    return r;
}

int LineHeight(HDC dc) { return std::max(1, TextHeight(dc)); }

// A multi-line edit without horizontal scrolling wraps its lines at word
// boundaries to the formatting rectangle; the lines are then the shown ones.
bool Wraps(HWND h) {
    DWORD s = Style(h);
    return (s & ES_MULTILINE) && !(s & (ES_AUTOHSCROLL | WS_HSCROLL));
}

TLines Lines(HWND h, const TEditState* st) {
    TLines hard = HardLines(st->Text, Multi(h));
    if (!Wraps(h)) return hard;
    RECT fr = FormatRect(h, st);
    int width = std::max<int>(1, fr.right - fr.left);
    TDc d(h);
    TLines out;
    for (std::size_t k = 0; k < hard.Start.size(); ++k) {
        int s0 = hard.Start[k], n = hard.Len[k];
        std::u16string line = st->Text.substr(static_cast<std::size_t>(s0), static_cast<std::size_t>(n));
        std::vector<int> cum = PrefixWidths(d.Dc, st, line);
        int a = 0;
        do {
            int e = a;
            while (e < n && cum[e + 1] - cum[a] <= width) ++e;
            if (e >= n) {
                out.Start.push_back(s0 + a);
                out.Len.push_back(n - a);
                break;
            }
            if (e == a) e = a + 1;  // a character wider than the line still takes one
            int brk = e;
            for (int p = e; p > a; --p)
                if (line[static_cast<std::size_t>(p)] == u' ' || line[static_cast<std::size_t>(p - 1)] == u' ') {
                    brk = p;
                    break;
                }
            while (brk < n && line[static_cast<std::size_t>(brk)] == u' ') ++brk;  // spaces stay at the line's end
            out.Start.push_back(s0 + a);
            out.Len.push_back(brk - a);
            a = brk;
        } while (a < n);
    }
    return out;
}

// The x where a line's text starts (alignment).
int LineX(HWND h, HDC dc, const TEditState* st, const RECT& fr, const std::u16string& line) {
    DWORD a = Style(h) & (ES_CENTER | ES_RIGHT);
    int w = TextWidth(dc, Shown(st, line));
    if (a == ES_RIGHT) return fr.right - w;
    if (a == ES_CENTER) return (fr.left + fr.right - w) / 2;
    return fr.left - (Multi(h) ? 0 : st->XOffset);
}

int SingleTop(HWND h, HDC dc) {
    RECT rc = ClientRect(h);
    int lh = LineHeight(dc);
    return std::max(0, (rc.bottom - rc.top - lh) / 2);
}

// Character position nearest to a client point.
int PosFromPoint(HWND h, TEditState* st, POINT p) {
    TDc d(h);
    TLines l = Lines(h, st);
    RECT fr = FormatRect(h, st);
    int lh = LineHeight(d.Dc);
    int line = 0;
    if (Multi(h)) {
        line = st->TopLine + (p.y - fr.top) / lh;
        if (p.y < fr.top) line = st->TopLine - 1;
        line = std::clamp(line, 0, static_cast<int>(l.Start.size()) - 1);
    }
    std::u16string text = st->Text.substr(static_cast<std::size_t>(l.Start[line]), static_cast<std::size_t>(l.Len[line]));
    int x0 = LineX(h, d.Dc, st, fr, text);
    std::vector<int> cum = PrefixWidths(d.Dc, st, text);
    int best = 0, bestDist = 1 << 30;
    for (int i = 0; i <= static_cast<int>(text.size()); ++i) {
        int x = x0 + cum[static_cast<std::size_t>(i)];
        int dist = std::abs(x - p.x);
        if (dist < bestDist) {
            best = i;
            bestDist = dist;
        }
    }
    return l.Start[line] + best;
}

POINT PointFromPos(HWND h, TEditState* st, HDC dc, int pos) {
    TLines l = Lines(h, st);
    RECT fr = FormatRect(h, st);
    int line = LineOf(l, pos);
    std::u16string text = st->Text.substr(static_cast<std::size_t>(l.Start[line]), static_cast<std::size_t>(l.Len[line]));
    int x = LineX(h, dc, st, fr, text) + WidthOf(dc, st, text, 0, pos - l.Start[line]);
    int y = Multi(h) ? fr.top + (line - st->TopLine) * LineHeight(dc) : SingleTop(h, dc);
    return POINT{x, y};
}

void UpdateScrollBars(HWND h, TEditState* st) {
    if (!Multi(h) || !(Style(h) & WS_VSCROLL)) return;
    TDc d(h);
    TLines l = Lines(h, st);
    RECT fr = FormatRect(h, st);
    int per = std::max(1, static_cast<int>((fr.bottom - fr.top) / LineHeight(d.Dc)));
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, static_cast<int>(l.Start.size()) - 1,
                  static_cast<UINT>(per), st->TopLine, 0};
    SetScrollInfo(h, SB_VERT, &si, TRUE);
}

void ScrollCaretIntoView(HWND h, TEditState* st) {
    TDc d(h);
    RECT fr = FormatRect(h, st);
    if (Multi(h)) {
        TLines l = Lines(h, st);
        int line = LineOf(l, st->Caret);
        int per = std::max(1, static_cast<int>((fr.bottom - fr.top) / LineHeight(d.Dc)));
        if (line < st->TopLine) st->TopLine = line;
        if (line >= st->TopLine + per) st->TopLine = line - per + 1;
        UpdateScrollBars(h, st);
    } else {
        DWORD a = Style(h) & (ES_CENTER | ES_RIGHT);
        if (a) {
            st->XOffset = 0;
            return;
        }
        int cx = WidthOf(d.Dc, st, st->Text, 0, st->Caret);
        int vis = fr.right - fr.left;
        if (cx - st->XOffset < 0) st->XOffset = std::max(0, cx - vis / 3);
        if (cx - st->XOffset > vis - 1) st->XOffset = cx - vis + 1 + vis / 3;
        int total = WidthOf(d.Dc, st, st->Text, 0, static_cast<int>(st->Text.size()));
        if (total - st->XOffset < vis) st->XOffset = std::max(0, total - vis + 1);
    }
}

void Paint(HWND h, HDC dc) {
    auto* st = State<TEditState>(h);
    DWORD style = Style(h);
    RECT rc = ClientRect(h);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    bool ro = (style & ES_READONLY) || !IsWindowEnabled(h);
    HBRUSH bk = CtlColor(h, dc, ro ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    COLORREF textColor = IsWindowEnabled(h) ? GetTextColor(dc) : Sys(COLOR_GRAYTEXT);
    FillRect(dc, &rc, bk);
    RECT fr = FormatRect(h, st);
    TLines l = Lines(h, st);
    int lh = LineHeight(dc);
    int s0 = std::min(st->Anchor, st->Caret), s1 = std::max(st->Anchor, st->Caret);
    bool showSel = st->Focus || (style & ES_NOHIDESEL);
    HRGN clip = CreateRectRgn(fr.left, 0, fr.right, rc.bottom);
    SelectClipRgn(dc, clip);
    SetBkMode(dc, TRANSPARENT);
    int first = Multi(h) ? st->TopLine : 0;
    for (int i = first; i < static_cast<int>(l.Start.size()); ++i) {
        int y = Multi(h) ? fr.top + (i - first) * lh : SingleTop(h, dc);
        if (y >= rc.bottom) break;
        std::u16string line = st->Text.substr(static_cast<std::size_t>(l.Start[i]), static_cast<std::size_t>(l.Len[i]));
        std::u16string shown = Shown(st, line);
        int x = LineX(h, dc, st, fr, line);
        SetTextColor(dc, textColor);
        TextOutW(dc, x, y, shown.c_str(), static_cast<int>(shown.size()));
        int a = std::clamp(s0 - l.Start[i], 0, l.Len[i]), b = std::clamp(s1 - l.Start[i], 0, l.Len[i]);
        if (showSel && b > a) {
            int xa = x + WidthOf(dc, st, line, 0, a), xb = x + WidthOf(dc, st, line, 0, b);
            RECT sr{xa, y, xb, y + lh};
            FillSolid(dc, sr, Sys(COLOR_HIGHLIGHT));
            SetTextColor(dc, Sys(COLOR_HIGHLIGHTTEXT));
            std::u16string part = shown.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
            TextOutW(dc, xa, y, part.c_str(), static_cast<int>(part.size()));
        }
    }
    if (st->Focus && s0 == s1) {
        POINT p = PointFromPos(h, st, dc, st->Caret);
        RECT cr{p.x, p.y, p.x + 1, p.y + lh};
        FillSolid(dc, cr, Sys(COLOR_WINDOWTEXT));
    }
    SelectClipRgn(dc, /*Region=*/nullptr);
    DeleteObject(clip);
    SelectObject(dc, oldFont);
}

void Changed(HWND h, TEditState* st, bool notify) {
    ScrollCaretIntoView(h, st);
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
    if (notify) {
        NotifyCommand(h, EN_UPDATE);
        NotifyCommand(h, EN_CHANGE);
    }
}

// Replaces the selection with s (user editing or EM_REPLACESEL).
bool ReplaceSel(HWND h, TEditState* st, std::u16string s, bool undoable, bool notify) {
    DWORD style = Style(h);
    if (!Multi(h)) {
        // A single line keeps the text before the first line break.
        auto nl = s.find_first_of(u"\r\n");
        if (nl != std::u16string::npos) s.resize(nl);
    }
    if (style & ES_UPPERCASE)
        for (auto& c : s) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    if (style & ES_LOWERCASE)
        for (auto& c : s) c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    int s0 = std::min(st->Anchor, st->Caret), s1 = std::max(st->Anchor, st->Caret);
    int room = st->Limit - (static_cast<int>(st->Text.size()) - (s1 - s0));
    if (room < static_cast<int>(s.size())) {
        s.resize(static_cast<std::size_t>(std::max(room, 0)));
        NotifyCommand(h, EN_MAXTEXT);
    }
    if (s.empty() && s0 == s1) return false;
    if (undoable) {
        st->UndoText = st->Text;
        st->UndoCaret = st->Caret;
        st->CanUndo = true;
    }
    st->Text.replace(static_cast<std::size_t>(s0), static_cast<std::size_t>(s1 - s0), s);
    st->Caret = st->Anchor = s0 + static_cast<int>(s.size());
    st->Modified = true;
    Changed(h, st, notify);
    return true;
}

bool IsWordChar(char16_t c) { return c != u' ' && c != u'\t' && c != u'\r' && c != u'\n'; }

void MoveCaret(HWND h, TEditState* st, int pos, bool extend) {
    pos = std::clamp(pos, 0, static_cast<int>(st->Text.size()));
    // Never stop between CR and LF.
    if (pos > 0 && pos < static_cast<int>(st->Text.size()) && st->Text[pos - 1] == u'\r' && st->Text[pos] == u'\n')
        pos = pos < st->Caret ? pos - 1 : pos + 1;
    st->Caret = pos;
    if (!extend) st->Anchor = pos;
    ScrollCaretIntoView(h, st);
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
}

void CopySel(HWND h, TEditState* st) {
    int s0 = std::min(st->Anchor, st->Caret), s1 = std::max(st->Anchor, st->Caret);
    if (s0 == s1 || st->Password) return;
    std::u16string s = st->Text.substr(static_cast<std::size_t>(s0), static_cast<std::size_t>(s1 - s0));
    if (!OpenClipboard(h)) return;
    EmptyClipboard();
    HGLOBAL mem = WinGlobalAlloc((s.size() + 1) * 2);
    if (mem) {
        auto* p = static_cast<char16_t*>(WinGlobalLock(mem));
        std::copy(s.begin(), s.end(), p);
        p[s.size()] = 0;
        SetClipboardData(CF_UNICODETEXT, mem);
    }
    CloseClipboard();
}

std::u16string ClipboardText(HWND h) {
    std::u16string s;
    if (!OpenClipboard(h)) return s;
    if (HANDLE mem = GetClipboardData(CF_UNICODETEXT)) {
        auto* p = static_cast<const char16_t*>(WinGlobalLock(mem));
        std::size_t n = WinGlobalSize(mem) / 2;
        for (std::size_t i = 0; i < n && p[i]; ++i) s += p[i];
    } else if (HANDLE memA = GetClipboardData(CF_TEXT)) {
        auto* p = static_cast<const char*>(WinGlobalLock(memA));
        s = Utf8ToUtf16(std::string(p, strnlen(p, WinGlobalSize(memA))));
    }
    CloseClipboard();
    return s;
}

void KeyDown(HWND h, TEditState* st, WPARAM vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    bool ro = (Style(h) & ES_READONLY) != 0;
    TLines l = Lines(h, st);
    int line = LineOf(l, st->Caret);
    switch (vk) {
    case VK_LEFT:
        if (!shift && st->Anchor != st->Caret) MoveCaret(h, st, std::min(st->Anchor, st->Caret), /*extend=*/false);
        else if (ctrl) {
            int p = st->Caret;
            while (p > 0 && !IsWordChar(st->Text[p - 1])) --p;
            while (p > 0 && IsWordChar(st->Text[p - 1])) --p;
            MoveCaret(h, st, p, shift);
        } else
            MoveCaret(h, st, st->Caret - 1, shift);
        break;
    case VK_RIGHT:
        if (!shift && st->Anchor != st->Caret) MoveCaret(h, st, std::max(st->Anchor, st->Caret), /*extend=*/false);
        else if (ctrl) {
            int p = st->Caret, n = static_cast<int>(st->Text.size());
            while (p < n && IsWordChar(st->Text[p])) ++p;
            while (p < n && !IsWordChar(st->Text[p])) ++p;
            MoveCaret(h, st, p, shift);
        } else
            MoveCaret(h, st, st->Caret + 1, shift);
        break;
    case VK_HOME: MoveCaret(h, st, ctrl ? 0 : l.Start[line], shift); break;
    case VK_END: MoveCaret(h, st, ctrl ? static_cast<int>(st->Text.size()) : l.Start[line] + l.Len[line], shift); break;
    case VK_UP:
    case VK_DOWN: {
        if (!Multi(h)) break;
        int target = line + (vk == VK_UP ? -1 : 1);
        if (target < 0 || target >= static_cast<int>(l.Start.size())) break;
        TDc d(h);
        POINT p = PointFromPos(h, st, d.Dc, st->Caret);
        RECT fr = FormatRect(h, st);
        p.y = fr.top + (target - st->TopLine) * LineHeight(d.Dc);
        if (target < st->TopLine || p.y < fr.top) {
            st->TopLine = target;
            p.y = fr.top;
        }
        MoveCaret(h, st, PosFromPoint(h, st, p), shift);
        break;
    }
    case VK_DELETE:
        if (ro) break;
        if (shift) {
            SendMessageW(h, WM_CUT, 0, 0);
            break;
        }
        if (st->Anchor == st->Caret) {
            int n = st->Caret + 1;
            if (st->Caret < static_cast<int>(st->Text.size()) && st->Text[st->Caret] == u'\r' &&
                n < static_cast<int>(st->Text.size()) && st->Text[n] == u'\n')
                ++n;
            st->Anchor = std::min(n, static_cast<int>(st->Text.size()));
        }
        ReplaceSel(h, st, u"", /*undoable=*/true, /*notify=*/true);
        break;
    case VK_INSERT:
        if (shift) SendMessageW(h, WM_PASTE, 0, 0);
        else if (ctrl) SendMessageW(h, WM_COPY, 0, 0);
        break;
    default: break;
    }
}

void Char(HWND h, TEditState* st, char16_t c) {
    bool ro = (Style(h) & ES_READONLY) != 0;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (c) {
    case 1:  // Ctrl+A
        st->Anchor = 0;
        st->Caret = static_cast<int>(st->Text.size());
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return;
    case 3: SendMessageW(h, WM_COPY, 0, 0); return;
    case 22: if (!ro) SendMessageW(h, WM_PASTE, 0, 0); return;
    case 24: if (!ro) SendMessageW(h, WM_CUT, 0, 0); return;
    case 26: if (!ro) SendMessageW(h, WM_UNDO, 0, 0); return;
    case 8:
        if (ro) return;
        if (st->Anchor == st->Caret) {
            if (st->Caret == 0) return;
            int p = st->Caret - 1;
            if (p > 0 && st->Text[p] == u'\n' && st->Text[p - 1] == u'\r') --p;
            st->Anchor = p;
        }
        ReplaceSel(h, st, u"", /*undoable=*/true, /*notify=*/true);
        return;
    case u'\r':
    case u'\n':
        if (ro || !Multi(h)) return;
        ReplaceSel(h, st, u"\r\n", /*undoable=*/true, /*notify=*/true);
        return;
    case u'\t':
        if (ro || !Multi(h) || ctrl) return;
        break;
    default:
        if (c < 32) return;
        break;
    }
    if (ro) return;
    if ((Style(h) & ES_NUMBER) && (c < u'0' || c > u'9')) {
        MessageBeep(0);
        return;
    }
    ReplaceSel(h, st, std::u16string(1, c), /*undoable=*/true, /*notify=*/true);
}

void SetSel(HWND h, TEditState* st, int a, int b) {
    int n = static_cast<int>(st->Text.size());
    if (a == -1) {
        st->Anchor = st->Caret;  // remove the selection
    } else {
        if (b < 0 || b > n) b = n;
        a = std::clamp(a, 0, n);
        st->Anchor = a;
        st->Caret = b;
    }
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TEditState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_NCCREATE: {
        WinSetWindowKind(h, WINKIND_EDIT);
        st = NewState<TEditState>(h);
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        if (cs->style & ES_PASSWORD) st->Password = u'*';
        if (cs->lpszName) st->Text = cs->lpszName;
        if (!(cs->style & ES_MULTILINE)) {
            auto nl = st->Text.find_first_of(u"\r\n");
            if (nl != std::u16string::npos) st->Text.resize(nl);
        }
        return DefWindowProcW(h, m, wp, lp);
    }
    case WM_NCDESTROY:
        FreeState<TEditState>(h);
        SetFontOf(h, /*font=*/nullptr);
        return DefWindowProcW(h, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, Paint); return 0;
    case WM_PRINTCLIENT: Paint(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SIZE: ScrollCaretIntoView(h, st); return 0;
    case WM_SETTEXT: {
        std::u16string s = lp ? std::u16string(reinterpret_cast<LPCWSTR>(lp)) : std::u16string();
        if (!Multi(h)) {
            auto nl = s.find_first_of(u"\r\n");
            if (nl != std::u16string::npos) s.resize(nl);
        }
        if (static_cast<int>(s.size()) > st->Limit) s.resize(static_cast<std::size_t>(st->Limit));
        DefWindowProcW(h, m, wp, reinterpret_cast<LPARAM>(s.c_str()));
        st->Text = s;
        st->Anchor = st->Caret = 0;
        st->XOffset = 0;
        st->TopLine = 0;
        st->Modified = false;
        st->CanUndo = false;
        UpdateScrollBars(h, st);
        Changed(h, st, /*notify=*/true);
        return TRUE;
    }
    case WM_GETTEXT: return CopyW(st->Text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(st->Text.size());
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        if (LOWORD(lp)) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_ENABLE: InvalidateRect(h, /*lpRect=*/nullptr, FALSE); return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (Multi(h)) code |= DLGC_WANTALLKEYS;
        if (lp) {
            auto* msg = reinterpret_cast<MSG*>(lp);
            if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && Multi(h) && !(Style(h) & ES_WANTRETURN))
                code &= ~DLGC_WANTALLKEYS;
            if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_TAB) && Multi(h))
                code &= ~DLGC_WANTALLKEYS;
        }
        return code;
    }
    case WM_SETFOCUS:
        st->Focus = true;
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        NotifyCommand(h, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        st->Focus = false;
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        NotifyCommand(h, EN_KILLFOCUS);
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(h);
        int p = PosFromPoint(h, st, PointOf(lp));
        MoveCaret(h, st, p, (wp & MK_SHIFT) != 0);
        st->Selecting = true;
        SetCapture(h);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (st->Selecting) MoveCaret(h, st, PosFromPoint(h, st, PointOf(lp)), /*extend=*/true);
        return 0;
    case WM_LBUTTONUP:
        if (st->Selecting) {
            st->Selecting = false;
            ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED: st->Selecting = false; return 0;
    case WM_LBUTTONDBLCLK: {
        int p = PosFromPoint(h, st, PointOf(lp)), a = p, b = p, n = static_cast<int>(st->Text.size());
        while (a > 0 && IsWordChar(st->Text[a - 1])) --a;
        while (b < n && IsWordChar(st->Text[b])) ++b;
        st->Anchor = a;
        st->Caret = b;
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    }
    case WM_KEYDOWN: KeyDown(h, st, wp); return 0;
    case WM_CHAR: Char(h, st, static_cast<char16_t>(wp)); return 0;
    case WM_VSCROLL: {
        if (!Multi(h)) return 0;
        TLines l = Lines(h, st);
        int last = static_cast<int>(l.Start.size()) - 1;
        switch (LOWORD(wp)) {
        case SB_LINEUP: st->TopLine--; break;
        case SB_LINEDOWN: st->TopLine++; break;
        case SB_PAGEUP: st->TopLine -= 5; break;
        case SB_PAGEDOWN: st->TopLine += 5; break;
        case SB_TOP: st->TopLine = 0; break;
        case SB_BOTTOM: st->TopLine = last; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: st->TopLine = static_cast<short>(HIWORD(wp)); break;
        default: break;
        }
        st->TopLine = std::clamp(st->TopLine, 0, std::max(last, 0));
        UpdateScrollBars(h, st);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (Multi(h)) {
            SendMessageW(h, WM_VSCROLL, GET_WHEEL_DELTA_WPARAM(wp) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
            return 0;
        }
        break;
    case WM_COPY: CopySel(h, st); return 0;
    case WM_CUT:
        if (Style(h) & ES_READONLY) return 0;
        CopySel(h, st);
        ReplaceSel(h, st, u"", /*undoable=*/true, /*notify=*/true);
        return 0;
    case WM_PASTE:
        if (Style(h) & ES_READONLY) return 0;
        ReplaceSel(h, st, ClipboardText(h), /*undoable=*/true, /*notify=*/true);
        return 0;
    case WM_CLEAR:
        if (Style(h) & ES_READONLY) return 0;
        ReplaceSel(h, st, u"", /*undoable=*/true, /*notify=*/true);
        return 0;
    case WM_UNDO:
    case EM_UNDO:
        if (!st->CanUndo) return FALSE;
        std::swap(st->Text, st->UndoText);
        st->Caret = st->Anchor = std::min(st->UndoCaret, static_cast<int>(st->Text.size()));
        Changed(h, st, /*notify=*/true);
        return TRUE;
    case EM_CANUNDO: return st->CanUndo;
    case EM_EMPTYUNDOBUFFER: st->CanUndo = false; return 0;
    case EM_GETSEL: {
        DWORD a = static_cast<DWORD>(std::min(st->Anchor, st->Caret)), b = static_cast<DWORD>(std::max(st->Anchor, st->Caret));
        if (wp) *reinterpret_cast<DWORD*>(wp) = a;
        if (lp) *reinterpret_cast<DWORD*>(lp) = b;
        return MAKELRESULT(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(b, 0xFFFF));
    }
    case EM_SETSEL: SetSel(h, st, static_cast<int>(static_cast<INT_PTR>(wp)), static_cast<int>(lp)); return 0;
    case EM_REPLACESEL: ReplaceSel(h, st, StringArg(h, lp), wp != 0, /*notify=*/true); return 0;
    case EM_GETMODIFY: return st->Modified;
    case EM_SETMODIFY: st->Modified = wp != 0; return 0;
    case EM_LIMITTEXT: {
        st->Limit = wp ? static_cast<int>(std::min<WPARAM>(wp, 0x7FFFFFFE)) : 0x7FFFFFFE;
        return 0;
    }
    case EM_GETLIMITTEXT: return st->Limit;
    case EM_SETREADONLY: {
        DWORD s = Style(h);
        SetWindowLongPtrW(h, GWL_STYLE, static_cast<LONG_PTR>(wp ? (s | ES_READONLY) : (s & ~ES_READONLY)));
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return TRUE;
    }
    case EM_SETPASSWORDCHAR:
        st->Password = static_cast<char16_t>(wp);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case EM_GETPASSWORDCHAR: return st->Password;
    case EM_GETLINECOUNT: return static_cast<LRESULT>(Lines(h, st).Start.size());
    case EM_LINEINDEX: {
        TLines l = Lines(h, st);
        int line = static_cast<int>(static_cast<INT_PTR>(wp));
        if (line < 0) line = LineOf(l, st->Caret);
        return line < static_cast<int>(l.Start.size()) ? l.Start[line] : -1;
    }
    case EM_LINELENGTH: {
        TLines l = Lines(h, st);
        int pos = static_cast<int>(static_cast<INT_PTR>(wp));
        if (pos < 0) return 0;
        return l.Len[LineOf(l, std::min(pos, static_cast<int>(st->Text.size())))];
    }
    case EM_LINEFROMCHAR: {
        TLines l = Lines(h, st);
        int pos = static_cast<int>(static_cast<INT_PTR>(wp));
        if (pos < 0) pos = std::min(st->Anchor, st->Caret);
        return LineOf(l, std::min(pos, static_cast<int>(st->Text.size())));
    }
    case EM_GETLINE: {
        TLines l = Lines(h, st);
        int line = static_cast<int>(wp);
        if (!lp || line < 0 || line >= static_cast<int>(l.Start.size())) return 0;
        std::u16string s = st->Text.substr(static_cast<std::size_t>(l.Start[line]), static_cast<std::size_t>(l.Len[line]));
        // The first WORD of the buffer holds its size; the line is not NUL-terminated.
        auto* buf = reinterpret_cast<char16_t*>(lp);
        int max = buf[0];
        int n = std::min<int>(max, static_cast<int>(s.size()));
        std::copy(s.begin(), s.begin() + n, buf);
        return n;
    }
    case EM_GETFIRSTVISIBLELINE: return Multi(h) ? st->TopLine : 0;
    case EM_LINESCROLL:
        if (Multi(h)) {
            TLines l = Lines(h, st);
            st->TopLine = std::clamp(st->TopLine + static_cast<int>(lp), 0, static_cast<int>(l.Start.size()) - 1);
            UpdateScrollBars(h, st);
            InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        }
        return TRUE;
    case EM_SCROLL:
        SendMessageW(h, WM_VSCROLL, wp, 0);
        return TRUE;
    case EM_SCROLLCARET: ScrollCaretIntoView(h, st); InvalidateRect(h, /*lpRect=*/nullptr, FALSE); return TRUE;
    case EM_SETMARGINS:
        if (wp & EC_LEFTMARGIN) st->LeftMargin = LOWORD(lp) == EC_USEFONTINFO ? 1 : LOWORD(lp);
        if (wp & EC_RIGHTMARGIN) st->RightMargin = HIWORD(lp) == EC_USEFONTINFO ? 1 : HIWORD(lp);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case EM_GETMARGINS: return MAKELRESULT(st->LeftMargin, st->RightMargin);
    case EM_GETRECT:
        if (lp) *reinterpret_cast<RECT*>(lp) = FormatRect(h, st);
        return 0;
    case EM_POSFROMCHAR: {
        int pos = static_cast<int>(wp);
        if (pos < 0 || pos > static_cast<int>(st->Text.size())) return -1;
        TDc d(h);
        POINT p = PointFromPos(h, st, d.Dc, pos);
        return MAKELRESULT(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
    }
    case EM_CHARFROMPOS: {
        POINT p = PointOf(lp);
        int pos = PosFromPoint(h, st, p);
        TLines l = Lines(h, st);
        return MAKELRESULT(static_cast<WORD>(pos), static_cast<WORD>(LineOf(l, pos)));
    }
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

}  // namespace cc
