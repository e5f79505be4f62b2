// ListBox, ComboBox and ScrollBar driven by messages and by synthetic input.
#include <cstring>

#include "cc_test_util.h"

using namespace cctest;

namespace {

using ListBoxes = CtlTest;

void Fill(HWND lb, UINT msg, std::initializer_list<const char16_t*> items) {
    for (auto* s : items) SendMessageW(lb, msg, 0, reinterpret_cast<LPARAM>(s));
}

std::u16string LbText(HWND lb, int i) {
    char16_t buf[64] = {};
    SendMessageW(lb, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    return buf;
}

TEST_F(ListBoxes, ItemsSortingDataAndFind) {
    HWND lb = Make(u"ListBox", u"", WS_BORDER | LBS_SORT | LBS_NOTIFY, 10, 10, 150, 100, 20);
    Fill(lb, LB_ADDSTRING, {u"pear", u"Apple", u"fig"});
    EXPECT_EQ(SendMessageW(lb, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(LbText(lb, 0), u"Apple");
    EXPECT_EQ(LbText(lb, 2), u"pear");
    EXPECT_EQ(SendMessageW(lb, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(u"kiwi")), 1);
    EXPECT_EQ(SendMessageW(lb, LB_GETTEXTLEN, 1, 0), 4);
    SendMessageW(lb, LB_SETITEMDATA, 3, 77);
    EXPECT_EQ(SendMessageW(lb, LB_GETITEMDATA, 3, 0), 77);
    EXPECT_EQ(SendMessageW(lb, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"F")), 2);
    EXPECT_EQ(SendMessageW(lb, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"PEAR")), 3);
    EXPECT_EQ(SendMessageW(lb, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"pe")), LB_ERR);
    EXPECT_EQ(SendMessageW(lb, LB_GETTEXT, 9, reinterpret_cast<LPARAM>(u"")), LB_ERR);
    EXPECT_EQ(SendMessageW(lb, LB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(SendMessageW(lb, LB_DELETESTRING, 0, 0), 3);
    EXPECT_EQ(SendMessageW(lb, LB_GETCURSEL, 0, 0), 1);  // the selection follows its item
    // Messages do not notify.
    EXPECT_TRUE(NotesWith(WM_COMMAND, LBN_SELCHANGE).empty());
}

TEST_F(ListBoxes, ClickAndKeysSelectAndNotify) {
    HWND lb = Make(u"ListBox", u"", WS_BORDER | LBS_NOTIFY, 10, 10, 150, 100, 20);
    Fill(lb, LB_ADDSTRING, {u"a", u"b", u"c", u"d"});
    RECT r;
    SendMessageW(lb, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
    Click(At(lb, 5, r.top + 2));
    EXPECT_EQ(SendMessageW(lb, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(NotesWith(WM_COMMAND, LBN_SELCHANGE).size(), 1u);
    Key(VK_DOWN);
    EXPECT_EQ(SendMessageW(lb, LB_GETCURSEL, 0, 0), 3);
    Key(VK_DOWN);  // already at the end: no change, no notification
    EXPECT_EQ(NotesWith(WM_COMMAND, LBN_SELCHANGE).size(), 2u);
    Screen->DoubleClick(At(lb, 5, r.top + 2));
    Pump();
    EXPECT_EQ(NotesWith(WM_COMMAND, LBN_DBLCLK).size(), 1u);
}

TEST_F(ListBoxes, ExtendedSelectionWithShiftAndControl) {
    HWND lb = Make(u"ListBox", u"", WS_BORDER | LBS_NOTIFY | LBS_EXTENDEDSEL, 10, 10, 150, 120, 20);
    Fill(lb, LB_ADDSTRING, {u"0", u"1", u"2", u"3", u"4"});
    auto y = [&](int i) {
        RECT r;
        SendMessageW(lb, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return static_cast<int>(r.top + 2);
    };
    Click(At(lb, 5, y(1)));
    Screen->KeyDown(VK_SHIFT);
    Click(At(lb, 5, y(3)));
    Screen->KeyUp(VK_SHIFT);
    Screen->KeyDown(VK_CONTROL);
    Click(At(lb, 5, y(2)));  // Ctrl toggles one item off
    Screen->KeyUp(VK_CONTROL);
    Pump();
    int sel[8] = {};
    int n = static_cast<int>(SendMessageW(lb, LB_GETSELITEMS, 8, reinterpret_cast<LPARAM>(sel)));
    ASSERT_EQ(n, 2);
    EXPECT_EQ(sel[0], 1);
    EXPECT_EQ(sel[1], 3);
    EXPECT_EQ(SendMessageW(lb, LB_GETSELCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(lb, LB_SETCURSEL, 0, 0), LB_ERR);  // not for multiple selection
    SendMessageW(lb, LB_SETSEL, TRUE, -1);
    EXPECT_EQ(SendMessageW(lb, LB_GETSELCOUNT, 0, 0), 5);
}

TEST_F(ListBoxes, OwnerDrawVariableMeasuresEachItem) {
    HostHook() = [](HWND, UINT m, WPARAM, LPARAM l, bool& handled) -> LRESULT {
        if (m != WM_MEASUREITEM) return 0;
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
        mis->itemHeight = 10 + static_cast<UINT>(mis->itemData);
        handled = true;
        return TRUE;
    };
    HWND lb = Make(u"ListBox", u"", WS_BORDER | LBS_OWNERDRAWVARIABLE, 10, 10, 150, 120, 20);
    SendMessageW(lb, LB_ADDSTRING, 0, 5);
    SendMessageW(lb, LB_ADDSTRING, 0, 20);
    EXPECT_EQ(SendMessageW(lb, LB_GETITEMHEIGHT, 0, 0), 15);
    EXPECT_EQ(SendMessageW(lb, LB_GETITEMHEIGHT, 1, 0), 30);
    EXPECT_EQ(SendMessageW(lb, LB_GETITEMDATA, 1, 0), 20);  // no strings: the value is the data
    RECT r;
    SendMessageW(lb, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.top, 15);
    EXPECT_EQ(r.bottom, 45);
    DrawItems() = 0;
    InvalidateRect(lb, nullptr, TRUE);
    Pump();
    EXPECT_EQ(DrawItems(), 2);
}

using Combos = CtlTest;

TEST_F(Combos, DropDownListChosenByMouseSendsSelChange) {
    HWND cb = Make(u"ComboBox", u"", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 150, 200, 30);
    for (auto* s : {u"Small", u"Medium", u"Large"}) SendMessageW(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    RECT wr;
    GetWindowRect(cb, &wr);
    EXPECT_LT(wr.bottom - wr.top, 40);  // the field only; the rest is the list's height
    Click(At(cb, 140, 8));
    EXPECT_TRUE(SendMessageW(cb, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(NotesWith(WM_COMMAND, CBN_DROPDOWN).size(), 1u);
    HWND list = FindWindowW(u"ComboLBox", nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(IsWindowVisible(list));
    RECT ir;
    SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&ir));
    Click(At(list, 10, ir.top + 3));
    EXPECT_FALSE(SendMessageW(cb, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(SendMessageW(cb, CB_GETCURSEL, 0, 0), 1);
    auto sel = NotesWith(WM_COMMAND, CBN_SELCHANGE);
    ASSERT_EQ(sel.size(), 1u);
    EXPECT_EQ(LOWORD(sel[0].W), 30);
    EXPECT_EQ(NotesWith(WM_COMMAND, CBN_CLOSEUP).size(), 1u);
    EXPECT_EQ(Text(cb), u"Medium");
    // Keys change the selection too; a click outside the open list cancels it.
    Key(VK_DOWN);
    EXPECT_EQ(SendMessageW(cb, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(NotesWith(WM_COMMAND, CBN_SELCHANGE).size(), 2u);
    SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
    Click(POINT{900, 900});
    EXPECT_FALSE(SendMessageW(cb, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageW(cb, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(NotesWith(WM_COMMAND, CBN_SELENDCANCEL).size(), 1u);
}

TEST_F(Combos, DropDownHasAnEditAndAnsiCallersGetUtf8) {
    HWND cb = Make(u"ComboBox", u"", CBS_DROPDOWN, 10, 10, 150, 120, 31);
    HWND edit = GetDlgItem(cb, 1001);
    ASSERT_NE(edit, nullptr);
    SendMessageW(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"caf\u00e9"));
    SendMessageW(cb, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(Text(edit), u"caf\u00e9");
    char buf[16] = {};
    GetWindowTextA(cb, buf, 16);
    EXPECT_STREQ(buf, "caf\xc3\xa9");
    SetWindowTextW(cb, u"");
    Click(At(edit, 3, 3));
    Notes().clear();
    Type("xy");
    EXPECT_EQ(Text(cb), u"xy");
    EXPECT_EQ(NotesWith(WM_COMMAND, CBN_EDITCHANGE).size(), 2u);
    EXPECT_EQ(SendMessageW(cb, CB_GETLBTEXTLEN, 0, 0), 4);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(cb, &info));
    EXPECT_EQ(info.hwndItem, edit);
    EXPECT_EQ(info.hwndCombo, cb);
    char16_t cls[16] = {};
    GetClassNameW(info.hwndList, cls, 16);
    EXPECT_EQ(std::u16string(cls), u"ComboLBox");
    EXPECT_EQ(SendMessageW(cb, CB_GETLBTEXT, 5, reinterpret_cast<LPARAM>(buf)), CB_ERR);
}

// ANSI callers of the Unicode controls, directly, through an ANSI superclass
// (its base procedure from GetClassInfoA) and through an ANSI subclass.
WNDPROC gAnsiBase = nullptr;
LRESULT CALLBACK AnsiPassOn(HWND h, UINT m, WPARAM w, LPARAM l) { return CallWindowProcA(gAnsiBase, h, m, w, l); }

TEST_F(Combos, AnsiAndWideCallersShareTheItemsOfEveryKindOfWindow) {
    WNDCLASSA base{};
    ASSERT_TRUE(GetClassInfoA(nullptr, "ListBox", &base));
    WNDCLASSA super = base;
    super.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        static WNDPROC Base = [] {
            WNDCLASSA c{};
            GetClassInfoA(nullptr, "ListBox", &c);
            return c.lpfnWndProc;
        }();
        return CallWindowProcA(Base, h, m, w, l);
    };
    super.lpszClassName = "AnsiListBox";
    RegisterClassA(&super);
    const char* utf8 = "caf\xC3\xA9 \xE2\x82\xAC";  // "café €"
    const std::u16string wide = u"caf\u00e9 \u20ac";
    struct Case {
        const char16_t* Class;
        bool Subclass;
        UINT Add, GetText, GetLen, Find;
    };
    const Case cases[] = {
        {u"ListBox", false, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRINGEXACT},
        {u"AnsiListBox", false, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRINGEXACT},
        {u"ListBox", true, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_SELECTSTRING},
        {u"ComboBox", false, CB_ADDSTRING, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_FINDSTRINGEXACT},
        {u"ComboBox", true, CB_ADDSTRING, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_SELECTSTRING},
    };
    int id = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Subclass ? "subclassed " : "") + std::to_string(c.Add));
        HWND h = Make(c.Class, u"", c.Add == CB_ADDSTRING ? CBS_DROPDOWNLIST : WS_BORDER, 10, 10, 150, 100, id++);
        ASSERT_TRUE(h);
        if (c.Subclass)
            gAnsiBase = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnsiPassOn)));
        EXPECT_EQ(SendMessageA(h, c.Add, 0, reinterpret_cast<LPARAM>(utf8)), 0);
        EXPECT_EQ(SendMessageW(h, c.Add, 0, reinterpret_cast<LPARAM>(u"zz")), 1);
        // Each side reads the same item in its own units.
        EXPECT_EQ(SendMessageW(h, c.GetLen, 0, 0), 6);
        EXPECT_EQ(SendMessageA(h, c.GetLen, 0, 0), 9);
        char16_t w[16] = {};
        EXPECT_EQ(SendMessageW(h, c.GetText, 0, reinterpret_cast<LPARAM>(w)), 6);
        EXPECT_EQ(std::u16string(w), wide);
        char a[16] = {};
        EXPECT_EQ(SendMessageA(h, c.GetText, 0, reinterpret_cast<LPARAM>(a)), 9);
        EXPECT_STREQ(a, utf8);
        EXPECT_EQ(SendMessageA(h, c.GetText, 1, reinterpret_cast<LPARAM>(a)), 2);
        EXPECT_STREQ(a, "zz");
        EXPECT_EQ(SendMessageA(h, c.Find, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(utf8)), 0);
        EXPECT_EQ(SendMessageA(h, c.GetLen, 7, 0), LB_ERR);
        if (c.Subclass) SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gAnsiBase));
    }
}

TEST_F(Combos, AnsiEditReplacesAndReadsLinesInUtf8) {
    HWND e = Make(u"Edit", u"", WS_BORDER | ES_MULTILINE, 10, 10, 150, 60, 50);
    SendMessageA(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("\xC3\xA9t\xC3\xA9\r\nx"));  // "été", "x"
    EXPECT_EQ(Text(e), u"\u00e9t\u00e9\r\nx");
    char line[16] = {};
    WORD max = sizeof line;
    std::memcpy(line, &max, sizeof max);
    EXPECT_EQ(SendMessageA(e, EM_GETLINE, 0, reinterpret_cast<LPARAM>(line)), 5);
    EXPECT_EQ(std::string(line, 5), "\xC3\xA9t\xC3\xA9");
    max = 4;  // room for "\xC3\xA9t" and half of the next character
    std::memcpy(line, &max, sizeof max);
    EXPECT_EQ(SendMessageA(e, EM_GETLINE, 0, reinterpret_cast<LPARAM>(line)), 3);
    EXPECT_EQ(std::string(line, 3), "\xC3\xA9t");
    char16_t wline[8] = {8};
    EXPECT_EQ(SendMessageW(e, EM_GETLINE, 1, reinterpret_cast<LPARAM>(wline)), 1);
    EXPECT_EQ(wline[0], u'x');
}

using ScrollBars = CtlTest;

TEST_F(ScrollBars, ArrowsPagesAndThumbDragNotifyTheParent) {
    HWND sb = Make(u"ScrollBar", u"", SBS_HORZ, 10, 10, 200, 17, 40);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
    SendMessageW(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
    Pump();
    Click(At(sb, 190, 8));  // right arrow
    Click(At(sb, 150, 8));  // the track after the thumb
    auto notes = NotesWith(WM_HSCROLL, SB_LINERIGHT);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(reinterpret_cast<HWND>(notes[0].L), sb);
    EXPECT_EQ(NotesWith(WM_HSCROLL, SB_PAGERIGHT).size(), 1u);
    EXPECT_EQ(NotesWith(WM_HSCROLL, SB_ENDSCROLL).size(), 2u);
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof sbi;
    SendMessageW(sb, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&sbi));
    Screen->Drag(At(sb, sbi.xyThumbTop + 2, 8), At(sb, 190, 8), 6);
    Pump();
    auto track = NotesWith(WM_HSCROLL, SB_THUMBTRACK);
    ASSERT_FALSE(track.empty());
    auto pos = NotesWith(WM_HSCROLL, SB_THUMBPOSITION);
    ASSERT_EQ(pos.size(), 1u);
    EXPECT_EQ(HIWORD(pos[0].W), 90);  // the last position of a page of 10 in 0..99
    // The bar does not move itself: the owner sets the position.
    EXPECT_EQ(SendMessageW(sb, SBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(SendMessageW(sb, SBM_SETPOS, 500, TRUE), 0);
    EXPECT_EQ(SendMessageW(sb, SBM_GETPOS, 0, 0), 90);
}

}  // namespace
